// Has every tracked connection of the filter re-evaluated against the current rules.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_conn.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetAllConnection : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetAllConnection)

public:
    static constexpr unsigned int kBodySize = 4;

    explicit CKestFWCmdSetAllConnection(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdSetAllConnection() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "set all connection" and the port clause.
    std::string toString() const override { return "set all connection" + dvsportToString("of"); }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) override {
        return zeroBody(body, avail, kBodySize, written);
    }
};

}  // namespace KestFirewall
