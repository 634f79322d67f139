// Base of the attribute matches: an attribute id, a value type and a value area, held as the 139
// record bytes 4..142 exactly as they came, so a record read back writes the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressAttr : public CKestFWAddress {
public:
    static constexpr size_t kBodySize = 139;  // record bytes 4..142
    // Offsets inside the held body (record offset minus 4).
    static constexpr size_t kIdOff = 0;
    static constexpr size_t kValTypeOff = 4;
    static constexpr size_t kTextOff = 8;
    static constexpr size_t kNumberOff = 12;
    static constexpr size_t kStringWidth = 131;  // record bytes 12..142
    static constexpr size_t kSidWidth = 76;      // record bytes 12..87

    std::string toString() const override { return std::string(); }
    bool isContainer() const override { return true; }

    FWAttrIDType getAttrID() const;
    FWAttrIDValType getValueType() const;
    int64_t getIntValue() const;
    uint64_t getUIntValue() const;
    // The value text of string and SID matches, up to its NUL or the field's end.
    std::string getTextValue(size_t width) const;

protected:
    CKestFWAddressAttr(FWAttrIDType id, FWAttrIDValType valType, bool negate);
    explicit CKestFWAddressAttr(const FWAddress_* rec);

    // Attribute matches carry no order among themselves.
    bool lessSameType(const CKestFWAddress&) const override { return false; }

    void setNumber(uint64_t bits);
    void setText(const char* text, size_t width);

    uint8_t m_body[kBodySize];
};

}  // namespace KestFirewall
