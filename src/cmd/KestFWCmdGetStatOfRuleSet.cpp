#include "cmd/KestFWCmdGetStatOfRuleSet.h"

#include <algorithm>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_query.h"

namespace KestFirewall {

void CKestFWCmdGetStatOfRuleSet::checkCmdReply(const void* body, unsigned int size) {
    CKestFWReport report;
    ByteReader r(body, size);
    uint32_t claimed = 0;
    size_t off = 0;
    const bool fields = RuleSelection::recordsAt(r, kHeadSize, claimed, off);
    KFW_DEBUG(KFW_COMP_CMD, 1, "retrieved %u stats of ruleset %s\n", claimed, ruleSetName(m_sel.id).c_str());
    if (!fields || !report.active()) return;
    const uint32_t n = QueryBody::boundedCount(claimed, size, off, kRecordSize, "rule statistics");
    for (uint32_t i = 0; i < n; ++i) {
        r.seek(off + size_t(i) * kRecordSize);
        const uint32_t rule = r.u32();
        r.skip(4);
        uint64_t c[7];
        for (uint64_t& v : c) v = r.u64();
        report.line("rule %5u at %u, %lu evals, %lu hits, %lu sessions, in %lu out %lu pkts, in %lu out %lu bytes\n",
                    rule, i + 1, (unsigned long)c[0], (unsigned long)c[1], (unsigned long)c[2], (unsigned long)c[3],
                    (unsigned long)c[4], (unsigned long)c[5], (unsigned long)c[6]);
    }
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetStatOfRuleSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int ruleType,
                               unsigned int count, unsigned int start, FWRuleSetID_t id, const fwidlist_* ids,
                               FWRuleStat_* stats, unsigned int* returned) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(ruleType < QueryBody::kTypeLimit && ruleType != 3);
    KFW_API_REQUIRE(count != 0 && stats != nullptr && returned != nullptr);
    using C = CKestFWCmdGetStatOfRuleSet;
    uint32_t copied = 0;
    const FWStatus_t status = KFW_API_GUARD([&]() -> FWStatus_t {
        std::unique_ptr<C> cmd(ids != nullptr ? new C(port, id, new CKestFWIDList(*ids), ruleType)
                                              : new C(port, id, count, start, ruleType));
        return kfwExecuteCommand(*cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t claimed = 0;
            size_t off = 0;
            if (!RuleSelection::recordsAt(reply, C::kHeadSize, claimed, off))
                throw QueryBody::shortReply("rule statistics");
            const uint32_t n = std::min<uint32_t>(
                QueryBody::boundedCount(claimed, reply.size(), off, C::kRecordSize, "rule statistics"), count);
            reply.seek(off);
            for (uint32_t i = 0; i < n; ++i) reply.bytes(&stats[i], C::kRecordSize);
            *returned = copied = n;
        });
    });
    if (status == 0) KFW_API_TRACE("retrieved %u stats of ruleset %s\n", copied, ruleSetName(id).c_str());
    KFW_API_RETURN(status);
}
