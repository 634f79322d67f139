// Removes the jump target of a rule set: when none of its rules decides, evaluation ends there.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdClearRuleSetJump : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdClearRuleSetJump)

public:
    static constexpr unsigned int kBodySize = 64;

    CKestFWCmdClearRuleSetJump(dvs_port_* port, FWRuleSetID_t id) : CKestFWCmd(port), m_id(id) {}
    ~CKestFWCmdClearRuleSetJump() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "clear jumpto of ruleset <name>" and the port clause.
    std::string toString() const override;
    // The name.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    const FWRuleSetID_t& getRuleSetId() const { return m_id; }

private:
    FWRuleSetID_t m_id;
};

}  // namespace KestFirewall
