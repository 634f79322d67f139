// An IPv4 network: the address as written, its prefix length and the mask derived from it. The
// address keeps its host bits (so the text prints as written); the record carries the network.
#pragma once

#include <netinet/in.h>

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressIPv4CIDR : public CKestFWAddress {
public:
    // "a.b.c.d/len" or "a.b.c.d/m.m.m.m" with a contiguous mask.
    CKestFWAddressIPv4CIDR(const char* text, bool negate);
    CKestFWAddressIPv4CIDR(in_addr address, unsigned char prefix, bool negate);
    explicit CKestFWAddressIPv4CIDR(const FWAddress_* rec);

    unsigned int getType() const override { return FW_ADDRESS_IPV4_CIDR; }
    std::string toString() const override;
    bool isIPAddress() const override { return true; }
    bool isIPv4Address() const override { return true; }

    bool getAddress(in_addr* address, unsigned char* prefix) const;
    bool getAddress(in_addr* address, unsigned char* prefix, in_addr* mask) const;

protected:
    void writeBody(ByteWriter& w) const override;
    bool lessSameType(const CKestFWAddress& other) const override;

private:
    void setPrefix(unsigned prefix);

    in_addr m_address;
    unsigned char m_prefix;
    in_addr m_mask;
};

}  // namespace KestFirewall
