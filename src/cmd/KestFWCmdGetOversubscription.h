// Reads what intrusion detection does when oversubscribed and prints it.
#pragma once

#include "cmd/KestFWCmdSwitch.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetOversubscription : public CKestFWCmdSwitch {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetOversubscription)

public:
    explicit CKestFWCmdGetOversubscription(dvs_port_* port) : CKestFWCmdSwitch(port, false) {}
    ~CKestFWCmdGetOversubscription() override = default;

    // "get oversubscription toggle value currently set".
    std::string toString() const override;
    // Prints Oversubscription : %s\n with "bypass" or "drop".
    void checkCmdReply(const void* body, unsigned int size) override;
};

}  // namespace KestFirewall
