// TCP flags to match: the nine flag bits FIN (1) to NS (256).
#pragma once

#include "model/KestFWProtocolSpec.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocolSpecTCPFlags : public CKestFWProtocolSpec {
public:
    enum : unsigned int { kBodySize = 6, kFlagLimit = 512 };

    // Flags of 512 or more raise CInvalidTCPFlagsException.
    CKestFWProtocolSpecTCPFlags(unsigned char dir, unsigned short flags, bool negate);

    unsigned int getMsgSize() const override { return kBodySize; }
    unsigned int getType() const override { return kObjTypeTCPFlags; }
    std::string toString() const override;
    // Body: byte 0 flag bits 0..7, byte 1 bit 0 flag bit 8, the rest zero.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    FWProtocolSpecType_t getSpecType() const override { return FW_PROTO_SPEC_TCP_FLAGS; }

    unsigned short getFlags() const { return m_flags; }

private:
    unsigned short m_flags;
};

}  // namespace KestFirewall
