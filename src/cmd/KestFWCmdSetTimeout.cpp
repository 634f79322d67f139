#include "cmd/KestFWCmdSetTimeout.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdTimeoutBody.h"

namespace KestFirewall {

CKestFWCmdSetTimeout::CKestFWCmdSetTimeout(dvs_port_* port, const FWInstTimeout_* timeouts) : CKestFWCmd(port) {
    memset(&m_timeouts, 0, sizeof m_timeouts);
    if (timeouts != nullptr) m_timeouts = *timeouts;
}

CKestFWCmdSetTimeout::CKestFWCmdSetTimeout(dvs_port_* port, const char* name, unsigned int value) : CKestFWCmd(port) {
    memset(&m_timeouts, 0, sizeof m_timeouts);
    unsigned int index = name != nullptr ? TimeoutName2ID(name) : KESTFW_TIMEOUT_COUNT + 1;
    if (index >= TimeoutBody::kCount) throw CInvalidTimeoutException(name != nullptr ? name : "");
    setTimeout(index, value);
}

void CKestFWCmdSetTimeout::setTimeout(unsigned int index, unsigned int value) {
    if (index >= TimeoutBody::kCount) throw CInvalidTimeoutException(index);
    m_timeouts.value[index] = value;
    m_timeouts.present[index] = 1;
}

std::string CKestFWCmdSetTimeout::toString() const { return "unimplemented"; }

bool CKestFWCmdSetTimeout::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    TimeoutBody::write(writable(body), m_timeouts);
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_SetTimeout(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWInstTimeout_* timeouts) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(timeouts != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdSetTimeout cmd(port, timeouts);
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
