// Rebuilds a rule action from its 330-byte record, as rule records from callers and from the kernel
// carry it.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionFactory {
public:
    // The action of the record's code with its fields and flags; the caller owns it. Reserved flag
    // bits or a code outside 1..17 raise CInvalidRuleActionException; the fields are checked by the
    // action's constructor (address, ports, LB type and options, rule-set name) and the dynamic
    // application by enableDynamic. Nothing is handed out when anything raises.
    static CKestFWRuleAction* newFromMsgBuf(const fw_rule_action_* rec);
    // The same from raw bytes: fewer than 330 raise CInsufficientMsgBufException.
    static CKestFWRuleAction* newFromMsgBuf(const void* buf, unsigned int size);
};

}  // namespace KestFirewall
