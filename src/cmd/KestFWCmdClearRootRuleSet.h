// Removes both root rule sets of a filter.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdClearRootRuleSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdClearRootRuleSet)

public:
    static constexpr unsigned int kBodySize = 4;

    explicit CKestFWCmdClearRootRuleSet(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdClearRootRuleSet() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "clear root ruleset of dvsport" and the port as a switch port, whatever its type.
    std::string toString() const override;
    // A zero word.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
};

}  // namespace KestFirewall
