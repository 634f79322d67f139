#include "cmd/KestFWCmdGetIDSMode.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

std::string CKestFWCmdGetIDSMode::toString() const { return "get ids mode"; }

void CKestFWCmdGetIDSMode::checkCmdReply(const void* body, unsigned int size) {
    bool on = false;
    if (!replyBit(body, size, &on)) return;
    CKestFWReport report;
    report.line("IDS Mode : %s\n", on ? "enable" : "disable");
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetIDSMode(fwlibhandle_* handle, dvs_port_* port) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetIDSMode cmd(port);
        return kfwExecuteCommand(cmd, handle, nullptr);
    });
}

FWStatus_t FW_GetIsIDSEnabled(fwlibhandle_* handle, dvs_port_* port, unsigned int* enabled) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(enabled != nullptr);
    *enabled = 0;
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetIDSMode cmd(port);
        return kfwExecuteCommand(cmd, handle, nullptr, [&](ByteReader& reply) {
            uint8_t b = reply.u8();
            if (reply.ok()) *enabled = b & 1u;
        });
    });
}
