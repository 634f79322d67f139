// Reads the statistics of rules of a rule set, by position or by rule id.
#pragma once

#include "cmd/KestFWCmd.h"
#include "cmd/KestFWCmdRuleSelection.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetStatOfRuleSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetStatOfRuleSet)

public:
    enum : unsigned int { kHeadSize = 80, kPerRule = 68, kRecordSize = 64 };

    CKestFWCmdGetStatOfRuleSet(dvs_port_* port, FWRuleSetID_t id, unsigned int count, const unsigned int* ids,
                               unsigned int ruleType)
        : CKestFWCmd(port), m_sel(id, count, ids, ruleType, kPerRule) {}
    CKestFWCmdGetStatOfRuleSet(dvs_port_* port, FWRuleSetID_t id, CKestFWIDList* list, unsigned int ruleType)
        : CKestFWCmd(port), m_sel(id, list, ruleType, kPerRule) {}
    CKestFWCmdGetStatOfRuleSet(dvs_port_* port, FWRuleSetID_t id, unsigned int count, unsigned int start,
                               unsigned int ruleType)
        : CKestFWCmd(port), m_sel(id, count, start, ruleType, kPerRule) {}
    ~CKestFWCmdGetStatOfRuleSet() override = default;

    unsigned int getMsgSize() const override { return kHeadSize + kPerRule * m_sel.count; }
    std::string toString() const override { return m_sel.text("stat", dvsportToString("of")); }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) override {
        return m_sel.write(body, avail, getMsgSize(), kHeadSize, written);
    }
    // One line per rule, numbered from 1 within the reply.
    void checkCmdReply(const void* body, unsigned int size) override;

    const RuleSelection& selection() const { return m_sel; }

    const RuleSelection& getSelection() const { return m_sel; }
private:
    RuleSelection m_sel;
};

}  // namespace KestFirewall
