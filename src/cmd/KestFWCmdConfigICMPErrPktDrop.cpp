#include "cmd/KestFWCmdConfigICMPErrPktDrop.h"

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

std::string CKestFWCmdConfigICMPErrPktDrop::toString() const {
    return m_on ? "enable ICMP err pkt drop" : "disable ICMP err pkt drop";
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_ConfigICMPErrPktDrop(fwlibhandle_* handle, dvs_port_* port, void* ctx, int mode) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdConfigICMPErrPktDrop cmd(port, mode != 0);
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
