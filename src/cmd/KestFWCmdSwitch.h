// The shape shared by the kernel's global on/off switches: a four-byte body, zeroed, with the setting in
// bit 0 of its first byte. Readers of a switch send the body zeroed and find the kernel's setting in the
// same bit of the reply.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSwitch : public CKestFWCmd {
public:
    static constexpr unsigned int kBodySize = 4;

    CKestFWCmdSwitch(dvs_port_* port, bool on) : CKestFWCmd(port), m_on(on) {}
    ~CKestFWCmdSwitch() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    bool isEnabled() const { return m_on; }
    // Bit 0 of the first reply byte; false when the reply is empty.
    static bool replyBit(const void* body, unsigned int size, bool* on);

protected:
    bool m_on;
};

}  // namespace KestFirewall
