#include "cmd/KestFWCmdDebugStatus.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdDebugNames.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

bool CKestFWCmdDebugStatus::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    writable(body)[kOffCount] = DebugNames::kComponents;
    return true;
}

void CKestFWCmdDebugStatus::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint8_t* levels = r.view(DebugNames::kComponents);
    if (levels == nullptr) return;
    CKestFWReport report;
    report.line("Filter debug status:\n");
    report.line("    %-10s %-6s\n", "comp", "level");
    for (unsigned int i = 0; i < DebugNames::kComponents; ++i)
        report.line("    %-10s %-6d\n", DebugNames::component(i), int(levels[i]));
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_DebugStatus(fwlibhandle_* handle, dvs_port_* port, void* ctx, uint8_t* status) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(status != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdDebugStatus cmd(port);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            const uint8_t* p = reply.view(KESTFW_DEBUG_STATUS_SIZE);
            if (p == nullptr)
                throw CInsufficientMsgBufException(KESTFW_DEBUG_STATUS_SIZE, static_cast<unsigned>(reply.size()));
            memcpy(status, p, KESTFW_DEBUG_STATUS_SIZE);
        });
    });
}
