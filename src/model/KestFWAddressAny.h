// The wildcard address: matches every address. Its record has no body.
#pragma once

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressAny : public CKestFWAddress {
public:
    explicit CKestFWAddressAny(bool negate = false) : CKestFWAddress(negate) {}
    explicit CKestFWAddressAny(const FWAddress_* rec);

    unsigned int getType() const override { return FW_ADDRESS_ANY; }
    // "any", negated or not.
    std::string toString() const override { return "any"; }

protected:
    void writeBody(ByteWriter&) const override {}
    bool lessSameType(const CKestFWAddress& other) const override;
};

}  // namespace KestFirewall
