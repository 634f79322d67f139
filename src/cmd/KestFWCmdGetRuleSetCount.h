// Asks for the number of rule sets of a filter; the kernel answers in the same 4-byte body.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetRuleSetCount : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetRuleSetCount)

public:
    static constexpr unsigned int kBodySize = 4;

    explicit CKestFWCmdGetRuleSetCount(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdGetRuleSetCount() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe count of ruleset" and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "ruleset count : <n>".
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
