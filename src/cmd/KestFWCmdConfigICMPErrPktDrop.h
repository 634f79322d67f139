// Switches the dropping of ICMP error packets on or off.
#pragma once

#include "cmd/KestFWCmdSwitch.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdConfigICMPErrPktDrop : public CKestFWCmdSwitch {
    KESTFW_CMD_IDENTITY(CKestFWCmdConfigICMPErrPktDrop)

public:
    // Keeps whether `mode` is non-zero.
    CKestFWCmdConfigICMPErrPktDrop(dvs_port_* port, int mode) : CKestFWCmdSwitch(port, mode != 0) {}
    ~CKestFWCmdConfigICMPErrPktDrop() override = default;

    // "enable ICMP err pkt drop" or "disable ICMP err pkt drop".
    std::string toString() const override;
};

}  // namespace KestFirewall
