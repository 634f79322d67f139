#include "cmd/KestFWCmdClearKifStat.h"

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

bool CKestFWCmdClearKifStat::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    return zeroBody(body, avail, kBodySize, written);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_ClearKifStat(fwlibhandle_* handle, dvs_port_* port, void* ctx) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdClearKifStat cmd(port);
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
