// Sloppy TCP tracking: connections picked up mid-stream are tracked without a handshake.
#pragma once

#include "model/KestFWProtocolSpec.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocolSpecSloppy : public CKestFWProtocolSpec {
public:
    enum : unsigned int { kBodySize = 56, kModeBit = 0x1000u };

    CKestFWProtocolSpecSloppy();

    unsigned int getMsgSize() const override { return kBodySize; }
    unsigned int getType() const override { return kObjTypeSloppy; }
    std::string toString() const override { return "sloppy"; }
    // ORs its bit into the mode word at the start of the protocol block given in buf.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    FWProtocolSpecType_t getSpecType() const override { return FW_PROTO_SPEC_SLOPPY; }
};

}  // namespace KestFirewall
