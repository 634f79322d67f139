#include "cmd/KestFWCmdDestroyAllAddrSet.h"

#include "cmd/KestFWCmdApi.h"
#include "base/KestFWApi.h"
#include "kestfw/kestfw_addrset.h"

namespace KestFirewall {

std::string CKestFWCmdDestroyAllAddrSet::toString() const { return "destroy all addrset" + dvsportToString("of"); }

bool CKestFWCmdDestroyAllAddrSet::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                               unsigned int) {
    return zeroBody(body, avail, kBodySize, written);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_DestroyAllAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(result != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdDestroyAllAddrSet cmd(port);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t word = reply.u32();
            if (reply.ok()) *result = word;
        });
    });
}
