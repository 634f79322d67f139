// Asks for an address set's element count, type and serialised size.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_addrset.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetAddrSetTypeAndSize : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetAddrSetTypeAndSize)

public:
    enum : unsigned int { kBodySize = 50, kOffElements = 38, kOffType = 42, kOffSize = 46 };

    CKestFWCmdGetAddrSetTypeAndSize(dvs_port_* port, FWAddrSetID_t id) : CKestFWCmd(port), m_id(id) {}
    ~CKestFWCmdGetAddrSetTypeAndSize() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe size of addrset <name>" and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    void checkCmdReply(const void* body, unsigned int size) override;

    const FWAddrSetID_t& getSetID() const { return m_id; }
private:
    FWAddrSetID_t m_id;
};

}  // namespace KestFirewall
