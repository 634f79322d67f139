// Asks whether shared address sets are switched on; the kernel answers in bit 0 of the first byte.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetSharedAddrSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetSharedAddrSet)

public:
    static constexpr unsigned int kBodySize = 4;

    explicit CKestFWCmdGetSharedAddrSet(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdGetSharedAddrSet() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    std::string toString() const override { return "describe shared addrset"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) override {
        return zeroBody(body, avail, kBodySize, written);
    }
    // Prints "shared addrset: enabled" or "... disabled".
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
