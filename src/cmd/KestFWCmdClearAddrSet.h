// Removes every member of an address set; the set itself stays. The kernel leaves a result word
// behind the set's name.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_addrset.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdClearAddrSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdClearAddrSet)

public:
    static constexpr unsigned int kBodySize = 46;

    CKestFWCmdClearAddrSet(dvs_port_* port, FWAddrSetID_t id) : CKestFWCmd(port), m_id(id) {}
    ~CKestFWCmdClearAddrSet() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "delete all from addrset <name>" and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    const FWAddrSetID_t& getSetID() const { return m_id; }

private:
    FWAddrSetID_t m_id;
};

}  // namespace KestFirewall
