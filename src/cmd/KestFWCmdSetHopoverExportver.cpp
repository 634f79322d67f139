#include "cmd/KestFWCmdSetHopoverExportver.h"

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

std::string CKestFWCmdSetHopoverExportver::toString() const { return "set exportver  " + std::to_string(m_version); }

bool CKestFWCmdSetHopoverExportver::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                 unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    ByteWriter(writable(body), kBodySize).u32(m_version);
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_SetHopoverExportver(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWHopoverExportver_* version) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(version != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdSetHopoverExportver cmd(port, version);
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
