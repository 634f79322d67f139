// Asks how many address sets of one type a filter holds.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetAddrSetCount : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetAddrSetCount)

public:
    enum : unsigned int { kBodySize = 8, kOffType = 0, kOffCount = 4 };

    // Raises CInvalidAddrSetTypeException for a type of 6 or more.
    CKestFWCmdGetAddrSetCount(dvs_port_* port, unsigned int type);
    ~CKestFWCmdGetAddrSetCount() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe count of addrset " and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "addrset count : <n>".
    void checkCmdReply(const void* body, unsigned int size) override;

private:
    unsigned int m_type;
};

}  // namespace KestFirewall
