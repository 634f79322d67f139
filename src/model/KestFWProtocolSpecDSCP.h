// A DSCP marking (six bits) to match.
#pragma once

#include "model/KestFWProtocolSpec.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocolSpecDSCP : public CKestFWProtocolSpec {
public:
    enum : unsigned int { kBodySize = 56, kLimit = 64, kShift = 5 };

    // A value of 64 or more raises CUnsupportedException "bad dscp markings".
    explicit CKestFWProtocolSpecDSCP(unsigned char value);

    unsigned int getMsgSize() const override { return kBodySize; }
    unsigned int getType() const override { return kObjTypeDSCP; }
    std::string toString() const override;
    // ORs the value into bits 5..10 of the mode word at the start of the protocol block in buf.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    FWProtocolSpecType_t getSpecType() const override { return FW_PROTO_SPEC_DSCP; }

    unsigned char getValue() const { return m_value; }

private:
    unsigned char m_value;
};

}  // namespace KestFirewall
