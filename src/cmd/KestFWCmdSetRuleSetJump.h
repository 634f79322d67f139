// Names the rule set that evaluation continues in when none of a rule set's rules decides.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetRuleSetJump : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetRuleSetJump)

public:
    static constexpr unsigned int kBodySize = 128;

    CKestFWCmdSetRuleSetJump(dvs_port_* port, FWRuleSetID_t id, FWRuleSetID_t target)
        : CKestFWCmd(port), m_id(id), m_target(target) {}
    ~CKestFWCmdSetRuleSetJump() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "set jumpto of ruleset <name> as <target> " and the port clause.
    std::string toString() const override;
    // The name, then the target's name.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    const FWRuleSetID_t& getRuleSetId() const { return m_id; }
    const FWRuleSetID_t& getJumpTarget() const { return m_target; }

private:
    FWRuleSetID_t m_id;
    FWRuleSetID_t m_target;
};

}  // namespace KestFirewall
