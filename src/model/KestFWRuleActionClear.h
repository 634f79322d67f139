// Pass the packet in clear, exempt from encryption.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionClear : public CKestFWRuleAction {
public:
    CKestFWRuleActionClear() = default;
    ~CKestFWRuleActionClear() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_CLEAR; }
};

}  // namespace KestFirewall
