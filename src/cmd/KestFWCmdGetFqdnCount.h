// Asks the kernel how many FQDN entries its filtering tree holds.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetFqdnCount : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetFqdnCount)

public:
    static constexpr unsigned int kBodySize = 4;

    explicit CKestFWCmdGetFqdnCount(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdGetFqdnCount() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe count of fqdn " and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
