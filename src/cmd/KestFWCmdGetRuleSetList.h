// Asks for a page of rule-set names: at most `count` from index `start`; the kernel answers with the
// number it returned and the names behind it.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetRuleSetList : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetRuleSetList)

public:
    enum : unsigned int { kOffCount = 0, kOffStart = 4, kOffReturned = 8, kOffNames = 12, kNameSize = 64 };

    // Raises CIntegerOverflowException when count x 64 does not fit in 32 bits.
    CKestFWCmdGetRuleSetList(dvs_port_* port, unsigned int count, unsigned int start);
    ~CKestFWCmdGetRuleSetList() override = default;

    unsigned int getMsgSize() const override { return kOffNames + kNameSize * m_count; }
    // "describe list of ruleset", the port clause, and " from <start>" when start is not 0.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // One line per returned name.
    void checkCmdReply(const void* body, unsigned int size) override;

    unsigned int getStart() const { return m_start; }
private:
    unsigned int m_count;
    unsigned int m_start;
};

}  // namespace KestFirewall
