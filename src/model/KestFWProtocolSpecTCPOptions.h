// TCP option bytes to match, at most forty.
#pragma once

#include <cstdint>
#include <vector>

#include "model/KestFWProtocolSpec.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocolSpecTCPOptions : public CKestFWProtocolSpec {
public:
    enum : unsigned int { kBodySize = 42, kMaxLength = 40 };

    // A length above forty raises CTCPOptionsTooLongException(length).
    CKestFWProtocolSpecTCPOptions(unsigned char dir, const unsigned char* bytes, unsigned int length, bool negate);

    unsigned int getMsgSize() const override { return kBodySize; }
    unsigned int getType() const override { return kObjTypeTCPOptions; }
    std::string toString() const override;
    // Body: the length (host order) then the option bytes, zero-padded to forty.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    FWProtocolSpecType_t getSpecType() const override { return FW_PROTO_SPEC_TCP_OPTIONS; }

    const std::vector<uint8_t>& getOptions() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

}  // namespace KestFirewall
