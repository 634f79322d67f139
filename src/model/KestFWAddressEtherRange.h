// An inclusive range of Ethernet addresses ("start-end"). For ordering the ends, an address is read
// as a 48-bit number whose first byte is the least significant.
#pragma once

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressEtherRange : public CKestFWAddress {
public:
    CKestFWAddressEtherRange(const char* text, bool negate);
    CKestFWAddressEtherRange(fw_ether_ start, fw_ether_ end, bool negate);
    explicit CKestFWAddressEtherRange(const FWAddress_* rec);

    unsigned int getType() const override { return FW_ADDRESS_ETHER_RANGE; }
    std::string toString() const override;
    bool isMACAddress() const override { return true; }

    bool getAddress(fw_ether_* start, fw_ether_* end) const;

protected:
    void writeBody(ByteWriter& w) const override;
    bool lessSameType(const CKestFWAddress& other) const override;

private:
    void checkOrder() const;

    fw_ether_ m_start;
    fw_ether_ m_end;
};

}  // namespace KestFirewall
