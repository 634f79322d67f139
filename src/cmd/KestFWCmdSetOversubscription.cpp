#include "cmd/KestFWCmdSetOversubscription.h"

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

std::string CKestFWCmdSetOversubscription::toString() const {
    return m_on ? "ids oversubscription bypass" : "ids oversubscription drop";
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_SetOversubscription(fwlibhandle_* handle, dvs_port_* port, int bypass) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdSetOversubscription cmd(port, bypass != 0);
        return kfwExecuteCommand(cmd, handle, nullptr);
    });
}
