// Rewrite the packet's destination Ethernet address.
#pragma once

#include "kestfw/kestfw_address.h"
#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionMacRewrite : public CKestFWRuleAction {
public:
    explicit CKestFWRuleActionMacRewrite(const fw_ether_& mac) : m_mac(mac) {}
    explicit CKestFWRuleActionMacRewrite(const unsigned char mac[6]);
    ~CKestFWRuleActionMacRewrite() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_MACREWRITE; }
    const fw_ether_& getMac() const { return m_mac; }

protected:
    void writeOwnFields(ByteWriter& w) const override;
    // Each byte in hexadecimal without leading zeros.
    std::string ownText() const override;

private:
    fw_ether_ m_mac;
};

}  // namespace KestFirewall
