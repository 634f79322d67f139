// Removes every rule of a rule set; the rule set keeps its name and jump target. The kernel answers
// with a word about the operation at offset 64, which FW_ClearRuleSet hands to its caller.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdClearRuleSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdClearRuleSet)

public:
    static constexpr unsigned int kBodySize = 72;
    static constexpr unsigned int kOffResult = 64;

    CKestFWCmdClearRuleSet(dvs_port_* port, FWRuleSetID_t id) : CKestFWCmd(port), m_id(id) {}
    ~CKestFWCmdClearRuleSet() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "clear rule of ruleset <name>" and the port clause.
    std::string toString() const override;
    // The name, a zero result word and four zero bytes.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    const FWRuleSetID_t& getRuleSetId() const { return m_id; }

private:
    FWRuleSetID_t m_id;
};

}  // namespace KestFirewall
