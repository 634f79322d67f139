// Creates a rule set of a filter with its rules, or replaces the rules of one that exists. The kernel
// may open a transaction for the change: its reply then clears bits 0 and 1 of the flags byte and
// carries a transaction id and word, which the command keeps.
#pragma once

#include <cstdint>
#include <memory>

#include "cmd/KestFWCmd.h"
#include "model/KestFWRuleList.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdCreateRuleSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdCreateRuleSet)

public:
    static constexpr unsigned int kHeadSize = 176;
    static constexpr unsigned int kTransactionIdSize = 16;

    // Adopts `rules` (a null list is an empty one). The jump target only appears in the text form: a
    // jump target is set with CKestFWCmdSetRuleSetJump.
    CKestFWCmdCreateRuleSet(dvs_port_* port, FWRuleSetID_t id, FWRuleSetID_t jump, CKestFWRuleList* rules);
    // No rules.
    CKestFWCmdCreateRuleSet(dvs_port_* port, FWRuleSetID_t id, FWRuleSetID_t jump);
    // The name as text, no jump target; 64 characters or more raise CIDTooLongException with the name
    // (the list is destroyed then).
    CKestFWCmdCreateRuleSet(dvs_port_* port, const char* name);
    CKestFWCmdCreateRuleSet(dvs_port_* port, const char* name, CKestFWRuleList* rules);
    ~CKestFWCmdCreateRuleSet() override;

    // The 176-byte head and 1420 bytes per rule.
    unsigned int getMsgSize() const override;
    // "create ruleset <name>", the port clause, " jumpto <target>" when there is one and the rules in
    // braces when there are any.
    std::string toString() const override;
    // False when getMsgSize() exceeds `avail`.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Keeps the transaction id and word when the kernel opened a transaction, else clears both.
    void checkCmdReply(const void* body, unsigned int size) override;

    const FWRuleSetID_t& getRuleSetId() const { return m_id; }
    const FWRuleSetID_t& getJumpTarget() const { return m_jump; }
    CKestFWRuleList* getRuleList() const { return m_rules.get(); }
    const uint8_t* getTransactionId() const { return m_txId; }
    uint64_t getTransactionWord() const { return m_txWord; }
    uint64_t getRequestWord() const { return m_request; }

private:
    void setName(const char* name);

    FWRuleSetID_t m_id;
    FWRuleSetID_t m_jump;
    std::unique_ptr<CKestFWRuleList> m_rules;
    uint8_t m_txId[kTransactionIdSize] = {};
    uint64_t m_txWord = 0;
    uint64_t m_request = 0;  // always sent as 0
};

}  // namespace KestFirewall
