// One Ethernet address.
#pragma once

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressEther : public CKestFWAddress {
public:
    CKestFWAddressEther(const char* text, bool negate);
    CKestFWAddressEther(fw_ether_ address, bool negate);
    explicit CKestFWAddressEther(const FWAddress_* rec);

    unsigned int getType() const override { return FW_ADDRESS_ETHER; }
    std::string toString() const override;
    bool isMACAddress() const override { return true; }

    bool getAddress(fw_ether_* address) const;

protected:
    void writeBody(ByteWriter& w) const override;
    bool lessSameType(const CKestFWAddress& other) const override;

private:
    fw_ether_ m_address;
};

}  // namespace KestFirewall
