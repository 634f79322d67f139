// Reads a page of an address set's members back, with the set's generation number and realization time.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_addrset.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetAddressOfAddrSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetAddressOfAddrSet)

public:
    enum : unsigned int {
        kHeadSize = 70,
        kRecordSize = 144,
        kOffMode = 38,
        kOffCount = 42,
        kOffStart = 46,
        kOffReturned = 50,
        kOffTime = 54,
        kOffGeneration = 62,
    };

    // Raises CIntegerOverflowException when count x 144 does not fit in 32 bits.
    CKestFWCmdGetAddressOfAddrSet(dvs_port_* port, FWAddrSetID_t id, unsigned int count, unsigned int start);
    ~CKestFWCmdGetAddressOfAddrSet() override = default;

    unsigned int getMsgSize() const override { return kHeadSize + kRecordSize * m_count; }
    // "describe address of addrset <name>", the port clause, and " from <start>" when start is not 0.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    void checkCmdReply(const void* body, unsigned int size) override;

    const FWAddrSetID_t& getSetID() const { return m_id; }
    unsigned int getStart() const { return m_start; }
private:
    FWAddrSetID_t m_id;
    unsigned int m_count;
    unsigned int m_start;
};

}  // namespace KestFirewall
