// A set of TCP/UDP ports and port ranges, matched as one spec. The kernel keeps a set in
// fifteen 16-bit slots: a single port takes one slot, a range two.
#pragma once

#include <set>

#include "model/KestFWProtocolSpec.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocolSpecL4PortSet : public CKestFWProtocolSpec {
public:
    enum : unsigned int { kBodySize = 36, kMaxSlots = 15, kMaxRanges = 7 };

    CKestFWProtocolSpecL4PortSet(unsigned char dir, bool negate);
    // Packed ranges (end << 16 | start); more than seven raise CTooManyL4PortException(count).
    CKestFWProtocolSpecL4PortSet(unsigned char dir, const unsigned int* ranges, unsigned int count, bool negate);
    // The slots of a record (ports in host order) with its range mask: bit i marks slot i as the start
    // of a range ending in slot i+1. More than fifteen slots raise CTooManyL4PortException(count); a
    // range without end slot, or whose end is below its start, raises CInvalidL4PortException.
    CKestFWProtocolSpecL4PortSet(unsigned char dir, const unsigned short* slots, unsigned int count,
                                 unsigned short rangeMask, bool negate);
    // Ports and "low-high" ranges separated by spaces, tabs or commas.
    CKestFWProtocolSpecL4PortSet(unsigned char dir, const char* text);

    unsigned int getMsgSize() const override { return kBodySize; }
    unsigned int getType() const override { return kObjTypeL4PortSet; }
    std::string toString() const override;
    // Body: byte 0 slots used, fifteen slots from byte 2 (ranges first, by end then start, then the
    // single ports ascending; network order), the range mask at 32 (host order).
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    FWProtocolSpecType_t getSpecType() const override { return FW_PROTO_SPEC_L4PORT_SET; }

    // Each raises CTooManyL4PortException when the set would need sixteen slots or more, and answers
    // false (adding nothing) for a port or range already held.
    bool addPort(unsigned short port);
    bool addPortRange(unsigned short start, unsigned short end);
    bool addPortRange(unsigned int packed);
    // Adds the other set's ports and ranges that are not held yet; raises when both sets together
    // hold more than fifteen slots.
    bool addPortSet(const CKestFWProtocolSpecL4PortSet* other);

    unsigned int slotsUsed() const { return static_cast<unsigned int>(m_ports.size() + 2 * m_ranges.size()); }
    const std::set<unsigned short>& getPorts() const { return m_ports; }
    const std::set<unsigned int>& getRanges() const { return m_ranges; }
    bool empty() const { return m_ports.empty() && m_ranges.empty(); }

private:
    std::set<unsigned short> m_ports;
    std::set<unsigned int> m_ranges;  // end << 16 | start, so ordered by end, then start
};

}  // namespace KestFirewall
