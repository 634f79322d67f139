// Discard the packet silently.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionDrop : public CKestFWRuleAction {
public:
    CKestFWRuleActionDrop() = default;
    ~CKestFWRuleActionDrop() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_DROP; }
};

}  // namespace KestFirewall
