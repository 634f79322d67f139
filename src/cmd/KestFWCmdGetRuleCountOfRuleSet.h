// Asks how many rules of one rule type a rule set holds.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetRuleCountOfRuleSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetRuleCountOfRuleSet)

public:
    enum : unsigned int { kBodySize = 72, kOffType = 64, kOffCount = 68 };

    // Raises CUnsupportedException("invalid rule type") for a type of 6 or more.
    CKestFWCmdGetRuleCountOfRuleSet(dvs_port_* port, FWRuleSetID_t id, unsigned int ruleType);
    ~CKestFWCmdGetRuleCountOfRuleSet() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe [snat |dnat |idp |pre filter ]rule count of ruleset " and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "rule count : <n>".
    void checkCmdReply(const void* body, unsigned int size) override;

    const FWRuleSetID_t& getRuleSetId() const { return m_id; }
    unsigned int getRuleType() const { return m_ruleType; }
private:
    FWRuleSetID_t m_id;
    unsigned int m_ruleType;
};

}  // namespace KestFirewall
