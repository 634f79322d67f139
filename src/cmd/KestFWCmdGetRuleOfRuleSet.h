// Reads rules of a rule set back, by position or by rule id, with the rule set's generation number and
// realization time.
#pragma once

#include "cmd/KestFWCmd.h"
#include "cmd/KestFWCmdRuleSelection.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetRuleOfRuleSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetRuleOfRuleSet)

public:
    enum : unsigned int { kHeadSize = 96, kPerRule = 1424, kRecordSize = 1420, kOffTime = 80, kOffGeneration = 88 };

    // The rules with the `count` ids of `ids`.
    CKestFWCmdGetRuleOfRuleSet(dvs_port_* port, FWRuleSetID_t id, unsigned int count, const unsigned int* ids,
                               unsigned int ruleType)
        : CKestFWCmd(port), m_sel(id, count, ids, ruleType, kPerRule) {}
    // The rules with the ids of `list`, which the command takes over.
    CKestFWCmdGetRuleOfRuleSet(dvs_port_* port, FWRuleSetID_t id, CKestFWIDList* list, unsigned int ruleType)
        : CKestFWCmd(port), m_sel(id, list, ruleType, kPerRule) {}
    // At most `count` rules from position `start`.
    CKestFWCmdGetRuleOfRuleSet(dvs_port_* port, FWRuleSetID_t id, unsigned int count, unsigned int start,
                               unsigned int ruleType)
        : CKestFWCmd(port), m_sel(id, count, start, ruleType, kPerRule) {}
    ~CKestFWCmdGetRuleOfRuleSet() override = default;

    unsigned int getMsgSize() const override { return kHeadSize + kPerRule * m_sel.count; }
    std::string toString() const override { return m_sel.text("rule", dvsportToString("of")); }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) override {
        return m_sel.write(body, avail, getMsgSize(), kHeadSize, written);
    }
    // The generation number, the realization time, then each rule as configuration text.
    void checkCmdReply(const void* body, unsigned int size) override;

    const RuleSelection& selection() const { return m_sel; }

    const RuleSelection& getSelection() const { return m_sel; }
private:
    RuleSelection m_sel;
};

}  // namespace KestFirewall
