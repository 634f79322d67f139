// Looks one IPv4 address up in the kernel's reputation database.
#pragma once

#include <cstdint>

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdIpRepLookup : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdIpRepLookup)

public:
    static constexpr unsigned int kBodySize = 21;
    static constexpr unsigned int kOffAddress = 1;  // request
    static constexpr unsigned int kOffFound = 0;    // reply
    static constexpr unsigned int kOffMatched = 5;
    static constexpr unsigned int kOffThreatMask = 9;
    static constexpr unsigned int kOffScore = 13;
    static constexpr unsigned int kOffPrefix = 17;

    // `address` as a host-order number.
    CKestFWCmdIpRepLookup(dvs_port_* port, uint32_t address) : CKestFWCmd(port), m_address(address) {}
    ~CKestFWCmdIpRepLookup() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "lookup ip in iprepdb ".
    std::string toString() const override { return "lookup ip in iprepdb "; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "ip:<address> found|not found" and, when found, the matched entry.
    void checkCmdReply(const void* body, unsigned int size) override;

private:
    uint32_t m_address;
};

}  // namespace KestFirewall
