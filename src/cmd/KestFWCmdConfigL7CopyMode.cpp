#include "cmd/KestFWCmdConfigL7CopyMode.h"

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

std::string CKestFWCmdConfigL7CopyMode::toString() const {
    return m_on ? "enable l7 copy mode" : "disable l7 copy mode";
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_SetL7CopyMode(fwlibhandle_* handle, dvs_port_* port, int enable) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdConfigL7CopyMode cmd(port, enable != 0);
        return kfwExecuteCommand(cmd, handle, nullptr);
    });
}
