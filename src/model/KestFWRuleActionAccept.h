// Let the packet pass.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionAccept : public CKestFWRuleAction {
public:
    CKestFWRuleActionAccept() = default;
    ~CKestFWRuleActionAccept() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_ACCEPT; }
};

}  // namespace KestFirewall
