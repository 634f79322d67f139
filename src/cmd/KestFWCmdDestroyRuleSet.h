// Destroys one rule set of a filter with its rules.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdDestroyRuleSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdDestroyRuleSet)

public:
    static constexpr unsigned int kBodySize = 64;

    CKestFWCmdDestroyRuleSet(dvs_port_* port, FWRuleSetID_t id) : CKestFWCmd(port), m_id(id) {}
    ~CKestFWCmdDestroyRuleSet() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "destroy ruleset <name>" and the port clause.
    std::string toString() const override;
    // The name.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    const FWRuleSetID_t& getRuleSetId() const { return m_id; }

private:
    FWRuleSetID_t m_id;
};

}  // namespace KestFirewall
