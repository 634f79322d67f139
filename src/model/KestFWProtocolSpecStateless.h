// Stateless matching: the kernel keeps no connection state for the rule's traffic.
#pragma once

#include "model/KestFWProtocolSpec.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocolSpecStateless : public CKestFWProtocolSpec {
public:
    enum : unsigned int { kBodySize = 56, kModeBit = 0x0001u };

    CKestFWProtocolSpecStateless();

    unsigned int getMsgSize() const override { return kBodySize; }
    unsigned int getType() const override { return kObjTypeStateless; }
    std::string toString() const override { return "stateless"; }
    // ORs its bit into the mode word at the start of the protocol block given in buf.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    FWProtocolSpecType_t getSpecType() const override { return FW_PROTO_SPEC_STATELESS; }
};

}  // namespace KestFirewall
