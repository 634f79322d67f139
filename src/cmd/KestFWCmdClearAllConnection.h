// Drops every tracked connection of the filter; the kernel answers with the number it cleared.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_conn.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdClearAllConnection : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdClearAllConnection)

public:
    static constexpr unsigned int kBodySize = 4;

    explicit CKestFWCmdClearAllConnection(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdClearAllConnection() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "clear all connection" (no port clause).
    std::string toString() const override { return "clear all connection"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "Cleared connection count : <n>".
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
