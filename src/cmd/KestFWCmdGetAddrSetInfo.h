// Asks for what describes one address set: its address count, realization time and generation number.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_addrset.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetAddrSetInfo : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetAddrSetInfo)

public:
    enum : unsigned int { kBodySize = 58, kOffCount = 38, kOffTime = 42, kOffGeneration = 50 };

    CKestFWCmdGetAddrSetInfo(dvs_port_* port, FWAddrSetID_t id) : CKestFWCmd(port), m_id(id) {}
    ~CKestFWCmdGetAddrSetInfo() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe info of addrset <name>" and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    void checkCmdReply(const void* body, unsigned int size) override;

    const FWAddrSetID_t& getSetID() const { return m_id; }
private:
    FWAddrSetID_t m_id;
};

}  // namespace KestFirewall
