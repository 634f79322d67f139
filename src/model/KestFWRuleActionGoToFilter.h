// Continue matching in the filter's next stage.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionGoToFilter : public CKestFWRuleAction {
public:
    CKestFWRuleActionGoToFilter() = default;
    ~CKestFWRuleActionGoToFilter() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_GOTO_FILTER; }
};

}  // namespace KestFirewall
