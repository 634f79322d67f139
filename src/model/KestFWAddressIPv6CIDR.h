// An IPv6 network: the address as written, its prefix length and the derived mask; the record
// carries the network (host bits cleared).
#pragma once

#include <netinet/in.h>

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressIPv6CIDR : public CKestFWAddress {
public:
    // "addr/len" or "addr/mask" with a contiguous mask.
    CKestFWAddressIPv6CIDR(const char* text, bool negate);
    CKestFWAddressIPv6CIDR(in6_addr address, unsigned char prefix, bool negate);
    explicit CKestFWAddressIPv6CIDR(const FWAddress_* rec);

    unsigned int getType() const override { return FW_ADDRESS_IPV6_CIDR; }
    std::string toString() const override;
    bool isIPAddress() const override { return true; }
    bool isIPv6Address() const override { return true; }

    bool getAddress(in6_addr* address, unsigned char* prefix) const;
    bool getAddress(in6_addr* address, unsigned char* prefix, in6_addr* mask) const;

protected:
    void writeBody(ByteWriter& w) const override;
    bool lessSameType(const CKestFWAddress& other) const override;

private:
    void setPrefix(unsigned prefix);

    in6_addr m_address;
    unsigned char m_prefix;
    in6_addr m_mask;
};

}  // namespace KestFirewall
