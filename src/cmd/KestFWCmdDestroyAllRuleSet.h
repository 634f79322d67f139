// Destroys every rule set of a filter.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdDestroyAllRuleSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdDestroyAllRuleSet)

public:
    static constexpr unsigned int kBodySize = 4;

    explicit CKestFWCmdDestroyAllRuleSet(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdDestroyAllRuleSet() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "destroy all ruleset" and the port clause.
    std::string toString() const override;
    // A zero word.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
};

}  // namespace KestFirewall
