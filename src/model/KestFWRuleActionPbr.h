// Policy-based routing: steer the traffic by a key policy; the all-ones policy passes it through.
#pragma once

#include "model/KestFWRuleActionKeyPolicy.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionPbr : public CKestFWRuleActionKeyPolicy {
public:
    CKestFWRuleActionPbr() = default;
    explicit CKestFWRuleActionPbr(const char* keyPolicy) { setKeyPolicy(keyPolicy); }
    ~CKestFWRuleActionPbr() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_PBR; }

protected:
    std::string trailingText() const override;
};

}  // namespace KestFirewall
