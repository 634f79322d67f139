#include "cmd/KestFWCmdSetIDSFlowAttribute.h"

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

bool CKestFWCmdSetIDSFlowAttribute::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                 unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    ByteWriter w(writable(body), kBodySize);
    w.u64(m_flow);
    w.u8(m_flag ? 1 : 0);
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_SetIDSFlowAttr(fwlibhandle_* handle, dvs_port_* port, uint64_t flow, int flag) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdSetIDSFlowAttribute cmd(port, flow, flag != 0);
        return kfwExecuteCommand(cmd, handle, nullptr);
    });
}
