// Pass the packet through intrusion detection, alerting only.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionIDPDetect : public CKestFWRuleAction {
public:
    CKestFWRuleActionIDPDetect() = default;
    ~CKestFWRuleActionIDPDetect() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_IDP_DETECT; }
};

}  // namespace KestFirewall
