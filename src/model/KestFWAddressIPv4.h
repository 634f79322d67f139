// One IPv4 host.
#pragma once

#include <netinet/in.h>

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressIPv4 : public CKestFWAddress {
public:
    CKestFWAddressIPv4(const char* text, bool negate);
    CKestFWAddressIPv4(in_addr address, bool negate);
    explicit CKestFWAddressIPv4(const FWAddress_* rec);

    unsigned int getType() const override { return FW_ADDRESS_IPV4; }
    std::string toString() const override;
    bool isIPAddress() const override { return true; }
    bool isIPv4Address() const override { return true; }

    bool getAddress(in_addr* address) const;

protected:
    void writeBody(ByteWriter& w) const override;
    bool lessSameType(const CKestFWAddress& other) const override;

private:
    in_addr m_address;
};

}  // namespace KestFirewall
