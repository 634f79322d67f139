#include "cmd/KestFWCmdGetConnectionCount.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

std::string CKestFWCmdGetConnectionCount::toString() const {
    return "describe connection count" + dvsportToString("of");
}

bool CKestFWCmdGetConnectionCount::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                unsigned int) {
    return zeroBody(body, avail, kBodySize, written);
}

void CKestFWCmdGetConnectionCount::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    uint32_t count = r.getAt<uint32_t>(kOffCount);
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("connection count : %u\n", count);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetConnectionCount(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWConnFilter_* filter,
                                 unsigned int* count) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetConnectionCount cmd(port, filter);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t n = reply.getAt<uint32_t>(CKestFWCmdGetConnectionCount::kOffCount);
            if (reply.ok()) *count = n;
        });
    });
}
