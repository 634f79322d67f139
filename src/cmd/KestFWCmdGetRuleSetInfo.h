// Asks for what describes one rule set: its rule count, realization time and generation number.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetRuleSetInfo : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetRuleSetInfo)

public:
    enum : unsigned int { kBodySize = 84, kOffCount = 64, kOffTime = 68, kOffGeneration = 76 };

    CKestFWCmdGetRuleSetInfo(dvs_port_* port, FWRuleSetID_t id) : CKestFWCmd(port), m_id(id) {}
    ~CKestFWCmdGetRuleSetInfo() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe info of ruleset " and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Rule count, generation number and realization time, one line each.
    void checkCmdReply(const void* body, unsigned int size) override;

    const FWRuleSetID_t& getRuleSetId() const { return m_id; }
private:
    FWRuleSetID_t m_id;
};

}  // namespace KestFirewall
