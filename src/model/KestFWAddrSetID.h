// A reference to an address set by its name, usable wherever an address is.
#pragma once

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddrSetID : public CKestFWAddress {
public:
    // At most 37 characters, else CIDTooLongException.
    CKestFWAddrSetID(const char* name, bool negate);
    CKestFWAddrSetID(FWAddrSetID_t id, bool negate);
    explicit CKestFWAddrSetID(const FWAddress_* rec);

    unsigned int getType() const override { return FW_ADDRESS_ADDRSET; }
    std::string toString() const override;
    bool isContainer() const override { return true; }
    std::string getName() const override;

    bool getAddress(FWAddrSetID_t* id) const;

protected:
    void writeBody(ByteWriter& w) const override;
    bool lessSameType(const CKestFWAddress& other) const override;

private:
    FWAddrSetID_t m_id;
};

}  // namespace KestFirewall
