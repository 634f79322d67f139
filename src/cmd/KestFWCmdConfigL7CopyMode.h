// Switches the L7 copy mode on or off.
#pragma once

#include "cmd/KestFWCmdSwitch.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdConfigL7CopyMode : public CKestFWCmdSwitch {
    KESTFW_CMD_IDENTITY(CKestFWCmdConfigL7CopyMode)

public:
    CKestFWCmdConfigL7CopyMode(dvs_port_* port, bool enable) : CKestFWCmdSwitch(port, enable) {}
    ~CKestFWCmdConfigL7CopyMode() override = default;

    // "enable l7 copy mode" or "disable l7 copy mode".
    std::string toString() const override;
};

}  // namespace KestFirewall
