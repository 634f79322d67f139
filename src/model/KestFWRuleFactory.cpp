#include "model/KestFWRuleFactory.h"

#include <memory>

#include "base/KestFWLog.h"
#include "model/KestFWRuleBuilder.h"

namespace KestFirewall {

CKestFWRule* CKestFWRuleFactory::newFromMsgBuf(const FWRule_* record) {
    CKestFWRuleBuilder builder(record);
    std::unique_ptr<CKestFWRule> rule(builder.buildRule());
    if (!rule) return nullptr;

    const uint8_t flags = record->flags;
    if (flags & FW_RULE_INTERNAL) rule->setInternal();
    // A family the writer derived from the addresses is not the rule's own: the rule derives it again.
    const unsigned int af = (record->proto_flags & FW_RULE_AF_MASK) >> FW_RULE_AF_SHIFT;
    if (af != FW_RULE_AF_UNSPEC) {
        if (flags & FW_RULE_AF_DERIVED) {
            KFW_DEBUG(KFW_COMP_RULE, 2, "ignoring rule af: %u\n", af);
        } else {
            KFW_DEBUG(KFW_COMP_RULE, 2, "reading rule af: %u\n", af);
            rule->setAF(static_cast<FWRuleAF_t>(af));
        }
    }
    return rule.release();
}

}  // namespace KestFirewall
