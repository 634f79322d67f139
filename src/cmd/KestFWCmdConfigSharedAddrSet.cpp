#include "cmd/KestFWCmdConfigSharedAddrSet.h"

#include "cmd/KestFWCmdApi.h"
#include "base/KestFWApi.h"
#include "kestfw/kestfw_addrset.h"

namespace KestFirewall {

std::string CKestFWCmdConfigSharedAddrSet::toString() const {
    return m_enable ? "enable shared addrset" : "disable shared addrset";
}

bool CKestFWCmdConfigSharedAddrSet::writeCmdBody(const void* body, unsigned int, unsigned int* written, unsigned int) {
    if (body == nullptr) return false;
    ByteWriter w(writable(body), kBodySize);
    w.u32(m_enable ? 1u : 0u);
    if (written != nullptr) *written = kBodySize;
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_ConfigSharedAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, int enable) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdConfigSharedAddrSet cmd(port, enable != 0);
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
