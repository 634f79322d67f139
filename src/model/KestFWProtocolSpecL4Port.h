// One TCP/UDP port.
#pragma once

#include "model/KestFWProtocolSpec.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocolSpecL4Port : public CKestFWProtocolSpec {
public:
    enum : unsigned int { kBodySize = 2 };

    CKestFWProtocolSpecL4Port(unsigned char dir, unsigned short port, bool negate);
    // Reads the port with Str2Port; a text that is not a port raises CInvalidL4PortException.
    CKestFWProtocolSpecL4Port(unsigned char dir, const char* text);

    unsigned int getMsgSize() const override { return kBodySize; }
    unsigned int getType() const override { return kObjTypeL4Port; }
    std::string toString() const override;
    // Body: the port in network order.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    FWProtocolSpecType_t getSpecType() const override { return FW_PROTO_SPEC_L4PORT; }

    unsigned short getPort() const { return m_port; }

private:
    unsigned short m_port;
};

}  // namespace KestFirewall
