#include "cmd/KestFWCmdDestroyAddrSet.h"

#include <cstring>

#include "cmd/KestFWCmdAddrSetBody.h"
#include "cmd/KestFWCmdApi.h"
#include "base/KestFWApi.h"

namespace KestFirewall {

std::string CKestFWCmdDestroyAddrSet::toString() const {
    return "destroy addrset " + std::string(m_id.name, strnlen(m_id.name, sizeof m_id.name)) + dvsportToString("of");
}

bool CKestFWCmdDestroyAddrSet::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    return AddrSetBody::writeNamed(writable(body), avail, kBodySize, m_id, written);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_DestroyAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result, FWAddrSetID_t id) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(result != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdDestroyAddrSet cmd(port, id);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t word = reply.getAt<uint32_t>(AddrSetBody::kOffResult);
            if (reply.ok()) *result = word;
        });
    });
}
