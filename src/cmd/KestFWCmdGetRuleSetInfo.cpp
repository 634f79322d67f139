#include "cmd/KestFWCmdGetRuleSetInfo.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdQueryBody.h"
#include "cmd/KestFWCmdRuleSetBody.h"
#include "kestfw/kestfw_query.h"

namespace KestFirewall {

std::string CKestFWCmdGetRuleSetInfo::toString() const { return "describe info of ruleset " + dvsportToString("of"); }

bool CKestFWCmdGetRuleSetInfo::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    return writeFixedRuleSetBody(body, avail, kBodySize, written, [&](ByteWriter& w) { putRuleSetId(w, 0, m_id); });
}

void CKestFWCmdGetRuleSetInfo::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t count = r.getAt<uint32_t>(kOffCount);
    const uint64_t when = r.getAt<uint64_t>(kOffTime);
    const uint64_t generation = r.getAt<uint64_t>(kOffGeneration);
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("rule count       : %u\n", count);
    report.line("generation number: %llu\n", static_cast<unsigned long long>(generation));
    QueryBody::timeLine(report, "realization time : %04d-%02d-%02dT%02d:%02d:%02d\n", when);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetRuleSetInfo(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWRuleSetInfo_* info, FWRuleSetID_t id) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(info != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetRuleSetInfo cmd(port, id);
        using C = CKestFWCmdGetRuleSetInfo;
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            FWRuleSetInfo_ out{};
            out.rule_count = reply.getAt<uint32_t>(C::kOffCount);
            out.realization_time = reply.getAt<uint64_t>(C::kOffTime);
            out.generation = reply.getAt<uint64_t>(C::kOffGeneration);
            if (!reply.ok()) throw QueryBody::shortReply("rule-set information");
            *info = out;
        });
    });
}
