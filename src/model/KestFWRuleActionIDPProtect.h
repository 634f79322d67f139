// Pass the packet through intrusion prevention, which may drop it.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionIDPProtect : public CKestFWRuleAction {
public:
    CKestFWRuleActionIDPProtect() = default;
    ~CKestFWRuleActionIDPProtect() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_IDP_PROTECT; }
};

}  // namespace KestFirewall
