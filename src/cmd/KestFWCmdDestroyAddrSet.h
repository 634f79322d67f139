// Destroys one address set. The kernel leaves a result word behind the set's name.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_addrset.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdDestroyAddrSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdDestroyAddrSet)

public:
    static constexpr unsigned int kBodySize = 42;

    CKestFWCmdDestroyAddrSet(dvs_port_* port, FWAddrSetID_t id) : CKestFWCmd(port), m_id(id) {}
    ~CKestFWCmdDestroyAddrSet() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "destroy addrset <name>" and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    const FWAddrSetID_t& getSetID() const { return m_id; }

private:
    FWAddrSetID_t m_id;
};

}  // namespace KestFirewall
