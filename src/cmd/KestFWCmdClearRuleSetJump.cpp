#include "cmd/KestFWCmdClearRuleSetJump.h"

#include "cmd/KestFWCmdRuleSetBody.h"

namespace KestFirewall {

std::string CKestFWCmdClearRuleSetJump::toString() const {
    return "clear jumpto of ruleset " + ruleSetName(m_id) + dvsportToString("of");
}

bool CKestFWCmdClearRuleSetJump::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                              unsigned int) {
    return writeFixedRuleSetBody(body, avail, kBodySize, written, [&](ByteWriter& w) { putRuleSetId(w, 0, m_id); });
}

}  // namespace KestFirewall
