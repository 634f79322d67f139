// Asks for a page of the names of a filter's address sets of one type.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetAddrSetList : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetAddrSetList)

public:
    enum : unsigned int { kOffCount = 4, kOffStart = 8, kOffReturned = 12, kOffNames = 16, kNameSize = 38 };

    // Raises CInvalidAddrSetTypeException for a type of 6 or more, then CIntegerOverflowException when
    // count x 38 does not fit in 32 bits.
    CKestFWCmdGetAddrSetList(dvs_port_* port, unsigned int type, unsigned int count, unsigned int start);
    ~CKestFWCmdGetAddrSetList() override = default;

    unsigned int getMsgSize() const override { return kOffNames + kNameSize * m_count; }
    // "describe list of addrset ", the port clause, and " from <start>" when start is not 0.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // One line per returned name.
    void checkCmdReply(const void* body, unsigned int size) override;

    unsigned int getStart() const { return m_start; }
private:
    unsigned int m_type;
    unsigned int m_count;
    unsigned int m_start;
};

}  // namespace KestFirewall
