// An Ethernet address with a mask ("address/mask").
#pragma once

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressEtherMask : public CKestFWAddress {
public:
    CKestFWAddressEtherMask(const char* text, bool negate);
    CKestFWAddressEtherMask(fw_ether_ address, fw_ether_ mask, bool negate);
    explicit CKestFWAddressEtherMask(const FWAddress_* rec);

    unsigned int getType() const override { return FW_ADDRESS_ETHER_MASK; }
    std::string toString() const override;
    bool isMACAddress() const override { return true; }

    bool getAddress(fw_ether_* address, fw_ether_* mask) const;

protected:
    void writeBody(ByteWriter& w) const override;
    bool lessSameType(const CKestFWAddress& other) const override;

private:
    fw_ether_ m_address;
    fw_ether_ m_mask;
};

}  // namespace KestFirewall
