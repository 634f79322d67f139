// Reads the intrusion-detection switch and prints it.
#pragma once

#include "cmd/KestFWCmdSwitch.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetIDSMode : public CKestFWCmdSwitch {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetIDSMode)

public:
    explicit CKestFWCmdGetIDSMode(dvs_port_* port) : CKestFWCmdSwitch(port, false) {}
    ~CKestFWCmdGetIDSMode() override = default;

    // "get ids mode".
    std::string toString() const override;
    // Prints IDS Mode : %s\n with "enable" or "disable".
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
