// One IPv6 host.
#pragma once

#include <netinet/in.h>

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressIPv6 : public CKestFWAddress {
public:
    CKestFWAddressIPv6(const char* text, bool negate);
    CKestFWAddressIPv6(in6_addr address, bool negate);
    explicit CKestFWAddressIPv6(const FWAddress_* rec);

    unsigned int getType() const override { return FW_ADDRESS_IPV6; }
    std::string toString() const override;
    bool isIPAddress() const override { return true; }
    bool isIPv6Address() const override { return true; }

    bool getAddress(in6_addr* address) const;

protected:
    void writeBody(ByteWriter& w) const override;
    bool lessSameType(const CKestFWAddress& other) const override;

private:
    in6_addr m_address;
};

}  // namespace KestFirewall
