// Asks for the number of tracked connections; the kernel answers in the same 16-byte body.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_conn.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetConnectionCount : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetConnectionCount)

public:
    static constexpr unsigned int kBodySize = 16;
    static constexpr unsigned int kOffCount = 4;

    // The selection is not kept: the kernel always counts every connection.
    CKestFWCmdGetConnectionCount(dvs_port_* port, FWConnFilter_*) : CKestFWCmd(port) {}
    ~CKestFWCmdGetConnectionCount() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe connection count" and the port clause.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "connection count : <n>".
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
