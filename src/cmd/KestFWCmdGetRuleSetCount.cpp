#include "cmd/KestFWCmdGetRuleSetCount.h"

#include "cmd/KestFWCmdApi.h"
#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "kestfw/kestfw_query.h"

namespace KestFirewall {

std::string CKestFWCmdGetRuleSetCount::toString() const { return "describe count of ruleset " + dvsportToString("of"); }

bool CKestFWCmdGetRuleSetCount::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                             unsigned int) {
    return zeroBody(body, avail, kBodySize, written);
}

void CKestFWCmdGetRuleSetCount::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    uint32_t count = r.u32();
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("ruleset count : %u\n", count);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetRuleSetCount(fwlibhandle_* handle, dvs_port_* port, void* ctx, uint32_t* count) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetRuleSetCount cmd(port);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) { *count = reply.u32(); });
    });
}
