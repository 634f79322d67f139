// Installs the root rule sets of a filter, where evaluation starts: one for IP traffic (layer 3) and
// one for Ethernet traffic (layer 2). It travels as a rule set without a name whose rules jump to the
// roots: rule 1 to the first root given, rule 2 to the layer-2 root when both are given.
#pragma once

#include "cmd/KestFWCmd.h"
#include "model/KestFWRuleList.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetRootRuleSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetRootRuleSet)

public:
    static constexpr unsigned int kHeadSize = 176;

    // Both names empty, no rules.
    explicit CKestFWCmdSetRootRuleSet(dvs_port_* port);
    // Builds the jump rules; both names empty raise CUnsupportedException (code 3).
    CKestFWCmdSetRootRuleSet(dvs_port_* port, FWRuleSetID_t layer3, FWRuleSetID_t layer2);
    ~CKestFWCmdSetRootRuleSet() override;

    unsigned int getMsgSize() const override;
    // "set root ruleset <layer3>", " and <layer2>" unless it is the layer-3 name followed by "_L2"
    // (whatever the case), then " for dvsport" and the port as a switch port.
    std::string toString() const override;
    // The head and the jump rules; reports getMsgSize() as written whatever the rules wrote.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    const FWRuleSetID_t& getLayer3() const { return m_layer3; }
    const FWRuleSetID_t& getLayer2() const { return m_layer2; }
    const CKestFWRuleList& getRuleList() const { return m_rules; }

private:
    void addJumpRule(unsigned int number, bool layer3, const FWRuleSetID_t& target);

    FWRuleSetID_t m_layer3;
    FWRuleSetID_t m_layer2;
    CKestFWRuleList m_rules{false};
};

}  // namespace KestFirewall
