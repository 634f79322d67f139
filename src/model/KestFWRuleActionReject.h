// Discard the packet and answer the sender with a reset or an ICMP error.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionReject : public CKestFWRuleAction {
public:
    CKestFWRuleActionReject() = default;
    ~CKestFWRuleActionReject() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_REJECT; }
};

}  // namespace KestFirewall
