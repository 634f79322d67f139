#include "cmd/KestFWCmdGetRuleCountOfRuleSet.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdQueryBody.h"
#include "cmd/KestFWCmdRuleSetBody.h"
#include "kestfw/kestfw_query.h"

namespace KestFirewall {

CKestFWCmdGetRuleCountOfRuleSet::CKestFWCmdGetRuleCountOfRuleSet(dvs_port_* port, FWRuleSetID_t id,
                                                                 unsigned int ruleType)
    : CKestFWCmd(port), m_id(id), m_ruleType(ruleType) {
    QueryBody::checkRuleType(ruleType);
}

std::string CKestFWCmdGetRuleCountOfRuleSet::toString() const {
    return std::string("describe ") + QueryBody::ruleTypeWord(m_ruleType) + "rule count of ruleset " +
           dvsportToString("of");
}

bool CKestFWCmdGetRuleCountOfRuleSet::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                   unsigned int) {
    return writeFixedRuleSetBody(body, avail, kBodySize, written, [&](ByteWriter& w) {
        putRuleSetId(w, 0, m_id);
        w.putAt<uint8_t>(kOffType, uint8_t(m_ruleType & QueryBody::kRuleTypeMask));
    });
}

void CKestFWCmdGetRuleCountOfRuleSet::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t count = r.getAt<uint32_t>(kOffCount);
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("rule count : %u\n", count);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetRuleCountOfRuleSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int ruleType,
                                    unsigned int* count, FWRuleSetID_t id) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    // Type 3 names no rules of its own and is refused here, unlike in the command.
    KFW_API_REQUIRE(ruleType < QueryBody::kTypeLimit && ruleType != 3);
    KFW_API_REQUIRE(count != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetRuleCountOfRuleSet cmd(port, id, ruleType);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            const uint32_t n = reply.getAt<uint32_t>(CKestFWCmdGetRuleCountOfRuleSet::kOffCount);
            if (!reply.ok()) throw QueryBody::shortReply("a rule count");
            *count = n;
        });
    });
}
