// Removes the spoof-guard entry of one Ethernet address from a filter.
#pragma once

#include <memory>

#include "cmd/KestFWCmd.h"
#include "model/KestFWAddressEther.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdDeleteSpoofGuard : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdDeleteSpoofGuard)

public:
    static constexpr unsigned int kBodySize = 8;

    // Takes ownership of `address`, which may be null (all-zero address sent).
    CKestFWCmdDeleteSpoofGuard(dvs_port_* port, CKestFWAddressEther* address) : CKestFWCmd(port), m_address(address) {}
    ~CKestFWCmdDeleteSpoofGuard() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "delete spoofguard".
    std::string toString() const override { return "delete spoofguard"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    const CKestFWAddressEther* getAddress() const { return m_address.get(); }

private:
    std::unique_ptr<CKestFWAddressEther> m_address;
};

}  // namespace KestFirewall
