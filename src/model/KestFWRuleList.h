// The ordered rules a rule-set command carries, serialised as their 1420-byte records back to back.
#pragma once

#include <string>
#include <vector>

#include "kestfw/kestfw_types.h"
#include "model/KestFWObject.h"
#include "model/KestFWRule.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleList : public IKestFWObject {
public:
    enum : unsigned int { kObjType = 22 };

    // A borrowed list leaves its rules to the caller; otherwise it destroys them with itself.
    explicit CKestFWRuleList(bool borrowed);
    CKestFWRuleList(const dvs_port_& port, bool borrowed);
    ~CKestFWRuleList() override;
    CKestFWRuleList(const CKestFWRuleList&) = delete;
    CKestFWRuleList& operator=(const CKestFWRuleList&) = delete;

    // 1420 per rule; a total beyond 32 bits raises CIntegerOverflowException.
    unsigned int getMsgSize() const override;
    unsigned int getType() const override { return kObjType; }
    // Each rule's text followed by a newline.
    std::string toString() const override;
    std::string to_string() const { return toString(); }
    // The rules' records in list order; false as soon as one does not fit (`used` must not be null).
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;

    // Appends (taking the rule unless borrowed); always true.
    bool addRule(CKestFWRule* rule);
    unsigned int getRuleCount() const { return static_cast<unsigned int>(m_rules.size()); }
    const std::vector<CKestFWRule*>& getRules() const { return m_rules; }
    const dvs_port_& getPort() const { return m_port; }
    bool isBorrowed() const { return m_borrowed; }

private:
    dvs_port_ m_port;
    std::vector<CKestFWRule*> m_rules;
    bool m_borrowed;
};

}  // namespace KestFirewall
