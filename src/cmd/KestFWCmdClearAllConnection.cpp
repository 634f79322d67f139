#include "cmd/KestFWCmdClearAllConnection.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

bool CKestFWCmdClearAllConnection::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                unsigned int) {
    KFW_DEBUG(KFW_COMP_CMD, 1, "Clearing all connection\n");
    return zeroBody(body, avail, kBodySize, written);
}

void CKestFWCmdClearAllConnection::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    uint32_t cleared = r.u32();
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("Cleared connection count : %u\n", cleared);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_ClearAllConnection(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(result != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdClearAllConnection cmd(port);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t n = reply.u32();
            if (reply.ok()) *result = n;
        });
    });
}
