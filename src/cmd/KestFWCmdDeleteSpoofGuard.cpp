#include "cmd/KestFWCmdDeleteSpoofGuard.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

bool CKestFWCmdDeleteSpoofGuard::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                              unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    if (m_address == nullptr) return true;
    fw_ether_ mac;
    m_address->getAddress(&mac);  // answers the negation, not success
    memcpy(writable(body), &mac, sizeof mac);
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_DeleteSpoofGuard(fwlibhandle_* handle, dvs_port_* port, void* ctx, fw_ether_ mac) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdDeleteSpoofGuard cmd(port, new CKestFWAddressEther(mac, false));
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
