// Asks for the root rule sets of a filter. The kernel answers in the same 132-byte body: the layer-3
// root name at 0, the layer-2 root name at 64 and a word about them at 128.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetRootRuleSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetRootRuleSet)

public:
    static constexpr unsigned int kBodySize = 132;
    static constexpr unsigned int kOffLayer3 = 0;
    static constexpr unsigned int kOffLayer2 = 64;
    static constexpr unsigned int kOffResult = 128;

    explicit CKestFWCmdGetRootRuleSet(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdGetRootRuleSet() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe root ruleset " and the port clause.
    std::string toString() const override;
    // 132 zero bytes.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "layer3 root ruleset : <name>" and "layer2 root ruleset : <name>".
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
