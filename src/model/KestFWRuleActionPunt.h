// Hand the packet to the slow path in the host for a decision.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionPunt : public CKestFWRuleAction {
public:
    CKestFWRuleActionPunt() = default;
    ~CKestFWRuleActionPunt() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_PUNT; }
};

}  // namespace KestFirewall
