// Continue matching in another rule set, named by its identifier.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionJumpto : public CKestFWRuleAction {
public:
    // 64 characters or more raise CIDTooLongException with the name.
    explicit CKestFWRuleActionJumpto(const char* ruleSetName);
    // Copies the 64 bytes as they are, a terminating NUL or not.
    explicit CKestFWRuleActionJumpto(const FWRuleSetID_t* id);
    ~CKestFWRuleActionJumpto() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_JUMPTO; }
    std::string getTarget() const;

protected:
    void writeOwnFields(ByteWriter& w) const override;
    std::string ownText() const override { return " " + getTarget(); }

private:
    FWRuleSetID_t m_id;
};

}  // namespace KestFirewall
