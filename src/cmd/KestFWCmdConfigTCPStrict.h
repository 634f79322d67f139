// Switches strict TCP checking on or off.
#pragma once

#include "cmd/KestFWCmdSwitch.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdConfigTCPStrict : public CKestFWCmdSwitch {
    KESTFW_CMD_IDENTITY(CKestFWCmdConfigTCPStrict)

public:
    CKestFWCmdConfigTCPStrict(dvs_port_* port, bool enable) : CKestFWCmdSwitch(port, enable) {}
    ~CKestFWCmdConfigTCPStrict() override = default;

    // "enable tcp strict" or "disable tcp strict".
    std::string toString() const override;
};

}  // namespace KestFirewall
