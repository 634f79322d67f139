// Destination NAT: rewrite the packet's destination to the translated address, optionally with a
// port or port range, choosing among a pool's members by the pool option.
#pragma once

#include "model/KestFWAddress.h"
#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionDNAT : public CKestFWRuleAction {
public:
    // The pool option fits four bits of the record; 16 or more raises CUnsupportedException.
    enum : unsigned int { kPoolOptLimit = 16 };

    // Port range; port > portEnd raises CUnsupportedException "reversed port range".
    CKestFWRuleActionDNAT(const FWAddress_* address, unsigned short pool, unsigned short port, unsigned short portEnd,
                          unsigned short param);
    CKestFWRuleActionDNAT(const FWAddress_* address, unsigned short pool, unsigned short port, unsigned short param);
    CKestFWRuleActionDNAT(const FWAddress_* address, unsigned short pool, unsigned short param);
    // The same three taking ownership of the address at once (also when they raise).
    CKestFWRuleActionDNAT(CKestFWAddress* address, FWRulePoolOpt_t pool, unsigned short port, unsigned short portEnd,
                          unsigned short param);
    CKestFWRuleActionDNAT(CKestFWAddress* address, FWRulePoolOpt_t pool, unsigned short port, unsigned short param);
    CKestFWRuleActionDNAT(CKestFWAddress* address, FWRulePoolOpt_t pool, unsigned short param);
    ~CKestFWRuleActionDNAT() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_DNAT; }
    CKestFWAddress* replaceIPRangeAddress(const char* setName) override;

    const CKestFWAddress* getAddress() const { return m_address; }
    bool hasPort() const { return m_hasPort; }
    bool hasPortRange() const { return m_hasRange; }
    unsigned short getPort() const { return m_port; }
    unsigned short getPortEnd() const { return m_portEnd; }
    unsigned int getPoolOpt() const { return m_pool; }
    unsigned short getPoolParam() const { return m_param; }

protected:
    void writeOwnFields(ByteWriter& w) const override;
    std::string ownText() const override;

private:
    // Validates, then takes the address (destroying it if validation fails).
    void init(CKestFWAddress* address, unsigned int pool, bool hasPort, unsigned short port, bool hasRange,
              unsigned short portEnd, unsigned short param);
    static CKestFWAddress* build(const FWAddress_* address, unsigned int pool, bool hasRange, unsigned short port,
                                 unsigned short portEnd);

    CKestFWAddress* m_address = nullptr;
    unsigned short m_port = 0;
    unsigned short m_portEnd = 0;
    bool m_hasPort = false;
    bool m_hasRange = false;
    unsigned int m_pool = 0;
    unsigned short m_param = 0;
};

}  // namespace KestFirewall
