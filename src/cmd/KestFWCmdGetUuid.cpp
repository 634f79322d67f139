#include "cmd/KestFWCmdGetUuid.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "kestfw/kestfw_identity.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWCmdGetUuid::CKestFWCmdGetUuid(dvs_port_* port, const FWAddress_& address, uint32_t first, uint32_t second,
                                     uint32_t count)
    : CKestFWCmd(port),
      m_address(address),
      m_first(first),
      m_second(second),
      m_count(count),
      m_size(IdentityBody::sized("too many uuid entries", kHeadSize, count, kEntrySize)) {}

bool CKestFWCmdGetUuid::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!IdentityBody::begin(body, avail, m_size)) return false;
    ByteWriter w(writable(body), m_size);
    w.bytes(&m_address, sizeof m_address);
    w.putAt<uint32_t>(kOffFirst, m_first);
    w.putAt<uint32_t>(kOffSecond, m_second);
    w.putAt<uint32_t>(kOffCount, m_count);
    if (written != nullptr) *written = m_size;
    return w.ok();
}

void CKestFWCmdGetUuid::checkCmdReply(const void*, unsigned int) {
    CKestFWReport report;
    report.line("uuid : EMPTY\n");
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetDomainAndUuids(fwlibhandle_* handle, dvs_port_* port, void* ctx, const FWAddress_* address,
                                uint32_t first, uint32_t second, unsigned int count, void* out) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(address != nullptr && count != 0 && out != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetUuid c(port, *address, first, second, count);
        return kfwExecuteCommand(c, handle, ctx, [&](ByteReader& reply) {
            reply.seek(CKestFWCmdGetUuid::kHeadSize);
            const uint8_t* entries = reply.view(size_t(count) * CKestFWCmdGetUuid::kEntrySize);
            if (entries == nullptr) throw CInvalidInputDataException("short uuid entry reply");
            memcpy(out, entries, size_t(count) * CKestFWCmdGetUuid::kEntrySize);
        });
    });
}
