// Reads what the filter does when it cannot decide: fail open or fail close.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetFailPolicy : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetFailPolicy)

public:
    static constexpr unsigned int kBodySize = 1;

    explicit CKestFWCmdGetFailPolicy(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdGetFailPolicy() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe filter fail policy".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "filter fail policy: fail open|fail close|undefined".
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
