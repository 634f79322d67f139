#include "cmd/KestFWCmdSetAllConnection.h"

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"

using namespace KestFirewall;

FWStatus_t FW_SetAllConnection(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(result != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdSetAllConnection cmd(port);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t n = reply.u32();
            if (reply.ok()) *result = n;
        });
    });
}
