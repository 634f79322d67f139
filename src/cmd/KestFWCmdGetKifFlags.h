// Reads the flags of a filter: the flag bits and the named kernel flags with their values.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetKifFlags : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetKifFlags)

public:
    static constexpr unsigned int kBodySize = 1316;

    explicit CKestFWCmdGetKifFlags(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdGetKifFlags() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe kif flags".
    std::string toString() const override { return "describe kif flags"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "kif flags: (0x..)" and one line per named flag.
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
