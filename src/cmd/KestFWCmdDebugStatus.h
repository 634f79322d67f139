// Reads the debug level of every kernel component and prints them.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdDebugStatus : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdDebugStatus)

public:
    static constexpr unsigned int kBodySize = 30;
    static constexpr unsigned int kOffCount = 28;

    explicit CKestFWCmdDebugStatus(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdDebugStatus() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "debug status".
    std::string toString() const override { return "debug status"; }
    // Zeroed but for the number of components the answer is to cover.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "Filter debug status:" and one line per component.
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
