#include "cmd/KestFWCmdSetIDSMode.h"

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

std::string CKestFWCmdSetIDSMode::toString() const { return m_on ? "enable ids" : "disable ids"; }

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_SetIDSMode(fwlibhandle_* handle, dvs_port_* port, int enable) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdSetIDSMode cmd(port, enable != 0);
        return kfwExecuteCommand(cmd, handle, nullptr);
    });
}
