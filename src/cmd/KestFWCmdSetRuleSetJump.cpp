#include "cmd/KestFWCmdSetRuleSetJump.h"

#include "cmd/KestFWCmdRuleSetBody.h"

namespace KestFirewall {

std::string CKestFWCmdSetRuleSetJump::toString() const {
    return "set jumpto of ruleset " + ruleSetName(m_id) + " as " + ruleSetName(m_target) + " " + dvsportToString("of");
}

bool CKestFWCmdSetRuleSetJump::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    return writeFixedRuleSetBody(body, avail, kBodySize, written, [&](ByteWriter& w) {
        putRuleSetId(w, 0, m_id);
        putRuleSetId(w, kRuleSetIdSize, m_target);
    });
}

}  // namespace KestFirewall
