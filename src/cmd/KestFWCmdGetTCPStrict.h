// Reads the strict TCP switch and prints it.
#pragma once

#include "cmd/KestFWCmdSwitch.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetTCPStrict : public CKestFWCmdSwitch {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetTCPStrict)

public:
    explicit CKestFWCmdGetTCPStrict(dvs_port_* port) : CKestFWCmdSwitch(port, false) {}
    ~CKestFWCmdGetTCPStrict() override = default;

    // "describe tcp strict".
    std::string toString() const override;
    // Prints tcp strict: %s\n with "enabled" or "disabled".
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
