// Source NAT: rewrite the packet's source to the translated address (a host, a range or a set).
#pragma once

#include "model/KestFWAddress.h"
#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionSNAT : public CKestFWRuleAction {
public:
    // Builds the address with the address factory.
    explicit CKestFWRuleActionSNAT(const FWAddress_* address);
    // Takes ownership of the address at once.
    explicit CKestFWRuleActionSNAT(CKestFWAddress* address);
    ~CKestFWRuleActionSNAT() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_SNAT; }
    CKestFWAddress* replaceIPRangeAddress(const char* setName) override;
    const CKestFWAddress* getAddress() const { return m_address; }

protected:
    void writeOwnFields(ByteWriter& w) const override;
    std::string ownText() const override { return " " + m_address->toString(); }

private:
    CKestFWAddress* m_address;
};

}  // namespace KestFirewall
