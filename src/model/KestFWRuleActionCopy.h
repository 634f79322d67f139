// Pass the packet and hand a copy of it to the monitoring service.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionCopy : public CKestFWRuleAction {
public:
    CKestFWRuleActionCopy() = default;
    ~CKestFWRuleActionCopy() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_COPY; }
};

}  // namespace KestFirewall
