// Switches intrusion detection on or off.
#pragma once

#include "cmd/KestFWCmdSwitch.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetIDSMode : public CKestFWCmdSwitch {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetIDSMode)

public:
    CKestFWCmdSetIDSMode(dvs_port_* port, bool enable) : CKestFWCmdSwitch(port, enable) {}
    ~CKestFWCmdSetIDSMode() override = default;

    // "enable ids" or "disable ids".
    std::string toString() const override;
};

}  // namespace KestFirewall
