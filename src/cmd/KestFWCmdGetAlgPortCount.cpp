#include "cmd/KestFWCmdGetAlgPortCount.h"

#include <cstdint>

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"

using namespace KestFirewall;

FWStatus_t FW_GetAlgPortCount(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* word0, unsigned int* count) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(word0 != nullptr && count != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetAlgPortCount cmd(port);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t w0 = reply.u32(), n = reply.u32();
            if (!reply.ok()) throw CInsufficientMsgBufException(8, static_cast<unsigned>(reply.size()));
            *word0 = w0;
            *count = n;
        });
    });
}
