// Destroys every address set of a filter. The kernel answers with a result word in the body.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdDestroyAllAddrSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdDestroyAllAddrSet)

public:
    static constexpr unsigned int kBodySize = 4;

    explicit CKestFWCmdDestroyAllAddrSet(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdDestroyAllAddrSet() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "destroy all addrset" and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
};

}  // namespace KestFirewall
