// Encrypt the traffic under a key policy.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionEncrypt : public CKestFWRuleAction {
public:
    enum : unsigned int { kMaxPolicy = FW_ACTION_KEY_POLICY_SIZE - 1 };

    CKestFWRuleActionEncrypt() = default;
    // A policy longer than 36 characters is cut to 36.
    explicit CKestFWRuleActionEncrypt(const char* keyPolicy) { setKeyPolicy(keyPolicy); }
    ~CKestFWRuleActionEncrypt() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_ENCRYPT; }
    void setKeyPolicy(const char* keyPolicy);
    const std::string& getKeyPolicy() const { return m_policy; }

protected:
    void writeOwnFields(ByteWriter& w) const override;
    std::string trailingText() const override;

private:
    std::string m_policy;
};

}  // namespace KestFirewall
