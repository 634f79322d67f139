// An inclusive IPv6 range ("start-end").
#pragma once

#include <netinet/in.h>

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressIPv6Range : public CKestFWAddress {
public:
    // Text: the start must not come after the end, compared byte by byte; equal ends are accepted.
    CKestFWAddressIPv6Range(const char* text, bool negate);
    // Binary values and records: no 32-bit word of the start may exceed the end's word.
    CKestFWAddressIPv6Range(in6_addr start, in6_addr end, bool negate);
    explicit CKestFWAddressIPv6Range(const FWAddress_* rec);

    unsigned int getType() const override { return FW_ADDRESS_IPV6_RANGE; }
    std::string toString() const override;
    bool isIPAddress() const override { return true; }
    bool isIPv6Address() const override { return true; }

    bool getAddress(in6_addr* start, in6_addr* end) const;

protected:
    void writeBody(ByteWriter& w) const override;
    bool lessSameType(const CKestFWAddress& other) const override;

private:
    void checkWords() const;

    in6_addr m_start;
    in6_addr m_end;
};

}  // namespace KestFirewall
