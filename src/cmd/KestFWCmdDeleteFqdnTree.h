// Drops the kernel's whole FQDN filtering tree; the kernel answers with a return code.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdDeleteFqdnTree : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdDeleteFqdnTree)

public:
    static constexpr unsigned int kBodySize = 4;

    explicit CKestFWCmdDeleteFqdnTree(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdDeleteFqdnTree() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe delete fqdn " and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
