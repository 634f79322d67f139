// Clears the kernel-interface statistics of a filter.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdClearKifStat : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdClearKifStat)

public:
    static constexpr unsigned int kBodySize = 2032;

    explicit CKestFWCmdClearKifStat(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdClearKifStat() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "clear stat of kif".
    std::string toString() const override { return "clear stat of kif"; }
    // A zeroed statistics record; the reply is not read.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
};

}  // namespace KestFirewall
