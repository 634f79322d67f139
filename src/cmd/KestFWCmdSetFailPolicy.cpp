#include "cmd/KestFWCmdSetFailPolicy.h"

#include "base/KestFWApi.h"
#include "base/KestFWException.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

CKestFWCmdSetFailPolicy::CKestFWCmdSetFailPolicy(dvs_port_* port, FWFailPolicy_t policy)
    : CKestFWCmd(port), m_policy(static_cast<uint8_t>(policy)) {
    if (m_policy != FW_FAIL_OPEN && m_policy != FW_FAIL_CLOSE) throw CUnsupportedException("invalid fail policy");
}

std::string CKestFWCmdSetFailPolicy::toString() const {
    return std::string(" ") + "failure policy: " + (m_policy == FW_FAIL_OPEN ? "fail open" : "fail close");
}

bool CKestFWCmdSetFailPolicy::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    writable(body)[0] = m_policy;
    KFW_DEBUG(KFW_COMP_CMD, 2, "%s: fail policy %d\n", __func__, int(m_policy));
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_SetFailPolicy(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWFailPolicy_t policy) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdSetFailPolicy cmd(port, policy);
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
