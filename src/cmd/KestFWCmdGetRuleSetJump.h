// Asks for the jump target of a rule set. The kernel answers in the same 128-byte body; nothing of
// the answer is read back.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetRuleSetJump : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetRuleSetJump)

public:
    static constexpr unsigned int kBodySize = 128;

    CKestFWCmdGetRuleSetJump(dvs_port_* port, FWRuleSetID_t id) : CKestFWCmd(port), m_id(id) {}
    ~CKestFWCmdGetRuleSetJump() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe jumpto of ruleset <name>" and the port clause.
    std::string toString() const override;
    // The name and 64 zero bytes.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    const FWRuleSetID_t& getRuleSetId() const { return m_id; }

private:
    FWRuleSetID_t m_id;
};

}  // namespace KestFirewall
