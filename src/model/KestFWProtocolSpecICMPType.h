// An ICMP type, optionally with a code.
#pragma once

#include "model/KestFWProtocolSpec.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocolSpecICMPType : public CKestFWProtocolSpec {
public:
    enum : unsigned int { kBodySize = 6 };

    CKestFWProtocolSpecICMPType(unsigned char dir, unsigned char type, bool negate);
    CKestFWProtocolSpecICMPType(unsigned char dir, unsigned char type, unsigned char code, bool negate);

    unsigned int getMsgSize() const override { return kBodySize; }
    unsigned int getType() const override { return kObjTypeICMPType; }
    std::string toString() const override;
    // Body: byte 0 bit 0 set and bit 1 when a code is given, byte 4 the type, byte 5 the code.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    FWProtocolSpecType_t getSpecType() const override { return FW_PROTO_SPEC_ICMP_TYPE; }

    unsigned char getICMPType() const { return m_type; }
    bool hasCode() const { return m_hasCode; }
    unsigned char getCode() const { return m_code; }

private:
    unsigned char m_type;
    bool m_hasCode;
    unsigned char m_code;
};

}  // namespace KestFirewall
