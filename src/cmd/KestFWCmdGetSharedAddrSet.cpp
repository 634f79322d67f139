#include "cmd/KestFWCmdGetSharedAddrSet.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdQueryBody.h"
#include "kestfw/kestfw_query.h"

namespace KestFirewall {

void CKestFWCmdGetSharedAddrSet::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint8_t flags = r.u8();
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("shared addrset: %s\n", (flags & 1) != 0 ? "enabled" : "disabled");
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetSharedAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* enabled) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(enabled != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetSharedAddrSet cmd(port);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            const uint8_t flags = reply.u8();
            if (!reply.ok()) throw QueryBody::shortReply("the shared-address-set switch");
            *enabled = flags & 1u;
        });
    });
}
