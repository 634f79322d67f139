// Load-balance the connection: an L4 or L7 balancer with its idle and close timeouts and an options
// text handed to the balancer.
#pragma once

#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRuleActionLB : public CKestFWRuleAction {
public:
    enum : unsigned int { kMaxOptions = FW_ACTION_LB_OPTIONS_SIZE - 1 };

    // A type of 3 or more raises CUnsupportedException "Invalid LB Type"; options of 128 characters
    // or more raise "Invalid LB Options"; null options leave the action without options.
    explicit CKestFWRuleActionLB(unsigned short type);
    CKestFWRuleActionLB(unsigned short type, unsigned short idle, unsigned short close);
    CKestFWRuleActionLB(unsigned short type, unsigned short idle, unsigned short close, const char* options);
    ~CKestFWRuleActionLB() override;

    FWRuleAction_t getAction() const override { return FW_RULE_ACTION_LB; }

    unsigned short getLBType() const { return m_type; }
    unsigned short getIdleTimeout() const { return m_idle; }
    unsigned short getCloseTimeout() const { return m_close; }
    bool hasOptions() const { return m_hasOptions; }
    const std::string& getOptions() const { return m_options; }

protected:
    void writeOwnFields(ByteWriter& w) const override;
    std::string ownText() const override;

private:
    unsigned short m_type;
    unsigned short m_idle = 0;
    unsigned short m_close = 0;
    bool m_hasOptions = false;
    std::string m_options;
};

}  // namespace KestFirewall
