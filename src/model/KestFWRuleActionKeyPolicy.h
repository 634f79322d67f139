// Actions that carry a key policy (encryption, policy-based routing): the policy text sits at the
// same place of the action record for both.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionKeyPolicy : public CKestFWRuleAction {
public:
    enum : unsigned int { kMaxPolicy = FW_ACTION_KEY_POLICY_SIZE - 1 };

    ~CKestFWRuleActionKeyPolicy() override;

    // A policy longer than 36 characters is cut to 36.
    void setKeyPolicy(const char* keyPolicy);
    const std::string& getKeyPolicy() const { return m_policy; }

protected:
    void writeOwnFields(ByteWriter& w) const override;
    std::string trailingText() const override;

private:
    std::string m_policy;
};

}  // namespace KestFirewall
