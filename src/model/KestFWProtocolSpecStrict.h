// Strict TCP tracking: the kernel enforces the TCP state machine on the rule's connections.
#pragma once

#include "model/KestFWProtocolSpec.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocolSpecStrict : public CKestFWProtocolSpec {
public:
    enum : unsigned int { kBodySize = 56, kModeBit = 0x0800u };

    CKestFWProtocolSpecStrict();

    unsigned int getMsgSize() const override { return kBodySize; }
    unsigned int getType() const override { return kObjTypeStrict; }
    std::string toString() const override { return "strict"; }
    // ORs its bit into the mode word at the start of the protocol block given in buf.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    FWProtocolSpecType_t getSpecType() const override { return FW_PROTO_SPEC_STRICT; }
};

}  // namespace KestFirewall
