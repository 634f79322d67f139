// An inclusive IPv4 range of at least two addresses ("start-end").
#pragma once

#include <netinet/in.h>

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressIPv4Range : public CKestFWAddress {
public:
    // "a.b.c.d-e.f.g.h"; the end must lie above the start.
    CKestFWAddressIPv4Range(const char* text, bool negate);
    CKestFWAddressIPv4Range(in_addr start, in_addr end, bool negate);
    explicit CKestFWAddressIPv4Range(const FWAddress_* rec);

    unsigned int getType() const override { return FW_ADDRESS_IPV4_RANGE; }
    std::string toString() const override;
    bool isIPAddress() const override { return true; }
    bool isIPv4Address() const override { return true; }

    bool getAddress(in_addr* start, in_addr* end) const;

protected:
    void writeBody(ByteWriter& w) const override;
    bool lessSameType(const CKestFWAddress& other) const override;

private:
    in_addr m_start;
    in_addr m_end;
};

}  // namespace KestFirewall
