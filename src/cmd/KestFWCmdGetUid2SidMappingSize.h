// Asks the kernel how many users its user-to-SID map holds and how large the map is, and prints both.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetUid2SidMappingSize : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetUid2SidMappingSize)

public:
    static constexpr unsigned int kBodySize = 84;
    static constexpr unsigned int kOffEntries = 4;
    static constexpr unsigned int kOffSize = 8;

    explicit CKestFWCmdGetUid2SidMappingSize(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdGetUid2SidMappingSize() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    std::string toString() const override { return "get uid2sid mapping size"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
