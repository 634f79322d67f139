// Asks for a page of per-address-set traffic statistics of one set type.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetAddrSetStatList : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetAddrSetStatList)

public:
    enum : unsigned int { kOffCount = 4, kOffStart = 8, kOffReturned = 12, kOffRecords = 16, kRecordSize = 134 };

    // Raises CInvalidAddrSetTypeException for a type of 6 or more, then CIntegerOverflowException when
    // count x 134 does not fit in 32 bits.
    CKestFWCmdGetAddrSetStatList(dvs_port_* port, unsigned int type, unsigned int count, unsigned int start);
    ~CKestFWCmdGetAddrSetStatList() override = default;

    unsigned int getMsgSize() const override { return kOffRecords + kRecordSize * m_count; }
    // "describe stat of addrsets " and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // One block per set: inbound before outbound, then match, no-match and uptime.
    void checkCmdReply(const void* body, unsigned int size) override;

private:
    unsigned int m_type;
    unsigned int m_count;
    unsigned int m_start;
};

}  // namespace KestFirewall
