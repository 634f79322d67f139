#include "cmd/KestFWCmdGetUid2SidMappingSize.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "kestfw/kestfw_identity.h"
#include "util/ByteIO.h"

namespace KestFirewall {

bool CKestFWCmdGetUid2SidMappingSize::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                   unsigned int) {
    if (!IdentityBody::begin(body, avail, kBodySize)) return false;
    if (written != nullptr) *written = kBodySize;
    return true;
}

void CKestFWCmdGetUid2SidMappingSize::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t entries = r.getAt<uint32_t>(kOffEntries);
    const uint32_t bytes = r.getAt<uint32_t>(kOffSize);
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("uid2sid map size : %u\n", bytes);
    report.line("uid2sid map num entries : %u\n", entries);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetUid2SidMapSize(fwlibhandle_* handle, dvs_port_* port, unsigned int* size, unsigned int* entries) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(size != nullptr && entries != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetUid2SidMappingSize c(port);
        return kfwExecuteCommand(c, handle, nullptr, [&](ByteReader& reply) {
            const uint32_t bytes = reply.getAt<uint32_t>(CKestFWCmdGetUid2SidMappingSize::kOffSize);
            const uint32_t n = reply.getAt<uint32_t>(CKestFWCmdGetUid2SidMappingSize::kOffEntries);
            if (!reply.ok()) return;
            *size = bytes;
            *entries = n;
        });
    });
}
