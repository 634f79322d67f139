#include "cmd/KestFWCmdGetUid2SidMapping.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "kestfw/kestfw_identity.h"
#include "kestfw/kestfw_util.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWCmdGetUid2SidMapping::CKestFWCmdGetUid2SidMapping(dvs_port_* port, uint32_t start, uint32_t count)
    : CKestFWCmd(port),
      m_start(start),
      m_count(count),
      m_size(IdentityBody::sized("too many uid2sid entries", kHeadSize, count, kEntryRoom)) {}

bool CKestFWCmdGetUid2SidMapping::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                               unsigned int) {
    if (!IdentityBody::begin(body, avail, m_size)) return false;
    ByteWriter w(writable(body), m_size);
    w.putAt<uint32_t>(kOffCount, m_count);
    w.putAt<uint32_t>(kOffStart, m_start);
    if (written != nullptr) *written = m_size;
    return w.ok();
}

void CKestFWCmdGetUid2SidMapping::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t count = r.getAt<uint32_t>(kOffCount);
    if (!r.ok()) return;
    CKestFWReport report;
    size_t pos = kOffEntries;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t status = r.getAt<uint32_t>(pos + kOffEntryStatus);
        const uint32_t sids = r.getAt<uint32_t>(pos + kOffEntrySids);
        const uint32_t conns = r.getAt<uint32_t>(pos + kOffEntryConns);
        const uint32_t corrId = r.getAt<uint32_t>(pos + kOffEntryCorrId);
        fwattr_sid user;
        r.seek(pos + kOffEntryUser);
        r.bytes(&user, sizeof user);
        if (!r.ok() || sids > r.remaining() / sizeof(fwattr_sid)) {
            KFW_ERROR("uid2sid entry %u runs past the reply of %u bytes\n", i, size);
            return;
        }
        char text[256];
        if (!sid_bin2str(&user, text, sizeof text)) {
            KFW_ERROR("%s : failed to convert uid to string\n", __func__);
            return;
        }
        report.line("User ID : %s\n", text);
        report.line("Status : %s\n", status != 0 ? "Active" : "Inactive");
        report.line("NoConn : %u\n", conns);
        report.line("CorrID : %u\n", corrId);
        report.line("{\n");
        for (uint32_t k = 0; k < sids; ++k) {
            fwattr_sid group;
            r.bytes(&group, sizeof group);
            if (!sid_bin2str(&group, text, sizeof text)) {
                KFW_ERROR("%s : failed to convert sid to string\n", __func__);
                return;
            }
            report.line("    SID : %s\n", text);
        }
        report.line("}\n");
        pos = r.pos();
    }
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetUid2SidMap(fwlibhandle_* handle, dvs_port_* port, unsigned int start, unsigned int count) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != 0);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetUid2SidMapping c(port, start, count);
        return kfwExecuteCommand(c, handle, nullptr);
    });
}
