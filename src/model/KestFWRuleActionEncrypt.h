// Encrypt the traffic under a key policy.
#pragma once

#include "model/KestFWRuleActionKeyPolicy.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionEncrypt : public CKestFWRuleActionKeyPolicy {
public:
    CKestFWRuleActionEncrypt() = default;
    explicit CKestFWRuleActionEncrypt(const char* keyPolicy) { setKeyPolicy(keyPolicy); }
    ~CKestFWRuleActionEncrypt() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_ENCRYPT; }
};

}  // namespace KestFirewall
