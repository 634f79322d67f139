// Chooses what intrusion detection does when oversubscribed: bypass (true) or drop.
#pragma once

#include "cmd/KestFWCmdSwitch.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetOversubscription : public CKestFWCmdSwitch {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetOversubscription)

public:
    CKestFWCmdSetOversubscription(dvs_port_* port, bool enable) : CKestFWCmdSwitch(port, enable) {}
    ~CKestFWCmdSetOversubscription() override = default;

    // "ids oversubscription bypass" or "ids oversubscription drop".
    std::string toString() const override;
};

}  // namespace KestFirewall
