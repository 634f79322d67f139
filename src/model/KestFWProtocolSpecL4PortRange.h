// A range of TCP/UDP ports, both ends included.
#pragma once

#include "model/KestFWProtocolSpec.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocolSpecL4PortRange : public CKestFWProtocolSpec {
public:
    enum : unsigned int { kBodySize = 6 };

    // start > end raises CInvalidL4PortRangeException(start, end); a range of one port is fine.
    CKestFWProtocolSpecL4PortRange(unsigned char dir, unsigned short start, unsigned short end, bool negate);
    // Reads "low-high" with Str2PortRange (low strictly below high); failure raises
    // CInvalidL4PortRangeException with the text.
    CKestFWProtocolSpecL4PortRange(unsigned char dir, const char* text);

    unsigned int getMsgSize() const override { return kBodySize; }
    unsigned int getType() const override { return kObjTypeL4PortRange; }
    std::string toString() const override;
    // Body: start and end in network order, two zero bytes.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    FWProtocolSpecType_t getSpecType() const override { return FW_PROTO_SPEC_L4PORT_RANGE; }

    unsigned short getStart() const { return m_start; }
    unsigned short getEnd() const { return m_end; }
    // The range as port sets hold it: end << 16 | start.
    unsigned int packed() const { return static_cast<unsigned int>(m_end) << 16 | m_start; }

private:
    unsigned short m_start;
    unsigned short m_end;
};

}  // namespace KestFirewall
