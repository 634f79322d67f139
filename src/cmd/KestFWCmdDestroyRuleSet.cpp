#include "cmd/KestFWCmdDestroyRuleSet.h"

#include "cmd/KestFWCmdRuleSetBody.h"

namespace KestFirewall {

std::string CKestFWCmdDestroyRuleSet::toString() const {
    return "destroy ruleset " + ruleSetName(m_id) + dvsportToString("of");
}

bool CKestFWCmdDestroyRuleSet::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    return writeFixedRuleSetBody(body, avail, kBodySize, written, [&](ByteWriter& w) { putRuleSetId(w, 0, m_id); });
}

}  // namespace KestFirewall
