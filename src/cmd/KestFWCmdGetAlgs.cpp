#include "cmd/KestFWCmdGetAlgs.h"

#include <cstdint>

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"

using namespace KestFirewall;

FWStatus_t FW_GetAlgs(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int start, unsigned int* count,
                 void* out) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != nullptr);
    KFW_API_REQUIRE(out != nullptr || *count == 0);
    (void)start;  // the kernel answers from its first record
    KFW_API_RUN([&]() -> FWStatus_t {
        const unsigned int want = *count;
        if (want > UINT32_MAX / KESTFW_ALG_RECORD_SIZE) throw CIntegerOverflowException("alg count overflows: ", want);
        CKestFWCmdGetAlgs cmd(port, want * KESTFW_ALG_RECORD_SIZE, want);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) { *count = cmd.copyRecords(reply, out, want); });
    });
}
