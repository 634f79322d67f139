// Sets what the firewall does with a packet it cannot decide on: let it pass or drop it.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_conn.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetFailPolicy : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetFailPolicy)

public:
    static constexpr unsigned int kBodySize = 1;

    // The policy is taken as a byte and must be 0 or 1 ("invalid fail policy").
    CKestFWCmdSetFailPolicy(dvs_port_* port, FWFailPolicy_t policy);
    ~CKestFWCmdSetFailPolicy() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // " failure policy: fail open" / " failure policy: fail close".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    uint8_t getPolicy() const { return m_policy; }

private:
    uint8_t m_policy;
};

}  // namespace KestFirewall
