// The attribute matches by value type: 0 signed integer (type code 12), 1 unsigned integer (13),
// 2 string (14), 5 SID (15).
#pragma once

#include <type_traits>

#include "model/KestFWAddressAttr.h"

namespace KestFirewall {

template <FWAttrIDValType V>
class KESTFW_API CKestFWAttr : public CKestFWAddressAttr {
    static_assert(V == FW_ATTR_VAL_INT || V == FW_ATTR_VAL_UINT || V == FW_ATTR_VAL_STRING || V == FW_ATTR_VAL_SID,
                  "attribute matches hold integers, strings or SIDs");

public:
    // A record of type code 12 to 15 (and 18 for a SID); the body is kept as it is.
    explicit CKestFWAttr(const FWAddress_* rec);
    // The value as written in the configuration language: a decimal number, a string of at most 128
    // characters or a SID text of at most 75 characters.
    CKestFWAttr(FWAttrIDType id, const char* text, bool negate = false);
    // A numeric value (integer matches only).
    template <FWAttrIDValType W = V, typename = std::enable_if_t<W == FW_ATTR_VAL_INT || W == FW_ATTR_VAL_UINT>>
    CKestFWAttr(FWAttrIDType id, std::conditional_t<W == FW_ATTR_VAL_INT, int64_t, uint64_t> value, bool negate = false)
        : CKestFWAddressAttr(id, V, negate) {
        setNumber(static_cast<uint64_t>(value));
    }

    unsigned int getType() const override;
    std::string toString() const override;

protected:
    void writeBody(ByteWriter& w) const override;
};

using CKestFWAttrInt = CKestFWAttr<FW_ATTR_VAL_INT>;
using CKestFWAttrUInt = CKestFWAttr<FW_ATTR_VAL_UINT>;
using CKestFWAttrString = CKestFWAttr<FW_ATTR_VAL_STRING>;
using CKestFWAttrSID = CKestFWAttr<FW_ATTR_VAL_SID>;

extern template class CKestFWAttr<FW_ATTR_VAL_INT>;
extern template class CKestFWAttr<FW_ATTR_VAL_UINT>;
extern template class CKestFWAttr<FW_ATTR_VAL_STRING>;
extern template class CKestFWAttr<FW_ATTR_VAL_SID>;

}  // namespace KestFirewall
