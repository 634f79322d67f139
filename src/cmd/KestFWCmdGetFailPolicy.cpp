#include "cmd/KestFWCmdGetFailPolicy.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

std::string CKestFWCmdGetFailPolicy::toString() const { return "describe filter fail policy"; }

bool CKestFWCmdGetFailPolicy::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    return zeroBody(body, avail, kBodySize, written);
}

void CKestFWCmdGetFailPolicy::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    uint8_t policy = r.u8();
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("filter fail policy: %s\n", policy == 0 ? "fail open" : policy == 1 ? "fail close" : "undefined");
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetFailPolicy(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* policy) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(policy != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetFailPolicy cmd(port);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            uint8_t b = reply.u8();
            if (reply.ok()) *policy = b;
        });
    });
}
