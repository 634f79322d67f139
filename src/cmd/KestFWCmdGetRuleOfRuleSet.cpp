#include "cmd/KestFWCmdGetRuleOfRuleSet.h"

#include <algorithm>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_query.h"
#include "kestfw/kestfw_rule.h"

namespace KestFirewall {

void CKestFWCmdGetRuleOfRuleSet::checkCmdReply(const void* body, unsigned int size) {
    CKestFWReport report;
    ByteReader r(body, size);
    uint32_t claimed = 0;
    size_t off = 0;
    const bool fields = RuleSelection::recordsAt(r, kHeadSize, claimed, off);
    const uint64_t when = r.getAt<uint64_t>(kOffTime);
    const uint64_t generation = r.getAt<uint64_t>(kOffGeneration);
    KFW_DEBUG(KFW_COMP_CMD, 1, "retrieved %u rules of ruleset %s\n", claimed, ruleSetName(m_sel.id).c_str());
    if (!fields || !r.ok()) return;
    report.line("# generation number: %llu\n", static_cast<unsigned long long>(generation));
    QueryBody::timeLine(report, "# realization time : %04d-%02d-%02dT%02d:%02d:%02d\n", when);
    if (!report.active()) return;
    const uint32_t n = QueryBody::boundedCount(claimed, size, off, kRecordSize, "rules");
    r.seek(off);
    for (uint32_t i = 0; i < n; ++i) {
        FWRule_ rule;
        r.bytes(&rule, sizeof rule);
        char text[512];
        const FWStatus_t status = FW_GetRuleString(&rule, 1, text, sizeof text, 0);
        if (status != 0) {
            KFW_DEBUG(KFW_COMP_CMD, 1, "failed to convert rule #%u: %d\n", i, int(status));
            continue;
        }
        report.line("%s\n", static_cast<const char*>(text));
    }
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetRuleOfRuleSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int ruleType,
                               unsigned int count, unsigned int start, FWRuleSetID_t id, const fwidlist_* ids,
                               FWRule_* rules, unsigned int* returned) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(ruleType < QueryBody::kTypeLimit && ruleType != 3);
    KFW_API_REQUIRE(count != 0 && rules != nullptr && returned != nullptr);
    using C = CKestFWCmdGetRuleOfRuleSet;
    uint32_t copied = 0;
    const FWStatus_t status = KFW_API_GUARD([&]() -> FWStatus_t {
        // The caller keeps its list; the command gets a copy of its own.
        std::unique_ptr<C> cmd(ids != nullptr ? new C(port, id, new CKestFWIDList(*ids), ruleType)
                                              : new C(port, id, count, start, ruleType));
        return kfwExecuteCommand(*cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t claimed = 0;
            size_t off = 0;
            if (!RuleSelection::recordsAt(reply, C::kHeadSize, claimed, off)) throw QueryBody::shortReply("rules");
            const uint32_t n =
                std::min<uint32_t>(QueryBody::boundedCount(claimed, reply.size(), off, C::kRecordSize, "rules"), count);
            reply.seek(off);
            for (uint32_t i = 0; i < n; ++i) reply.bytes(&rules[i], C::kRecordSize);
            *returned = copied = n;
        });
    });
    if (status == 0) KFW_API_TRACE("retrieved %u rules of ruleset %s\n", copied, ruleSetName(id).c_str());
    KFW_API_RETURN(status);
}
