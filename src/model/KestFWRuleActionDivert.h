// Divert the packet to a service inserted in the traffic path.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionDivert : public CKestFWRuleAction {
public:
    CKestFWRuleActionDivert() = default;
    ~CKestFWRuleActionDivert() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_DIVERT; }
};

}  // namespace KestFirewall
