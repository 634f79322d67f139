#include "model/KestFWAddressAttr.h"

#include <cstring>

#include "model/KestFWAddressUtil.h"
#include "util/ByteIO.h"

namespace KestFirewall {

static_assert(CKestFWAddressAttr::kBodySize == 139, "attribute body is record bytes 4..142");
static_assert(CKestFWAddressAttr::kTextOff + CKestFWAddressAttr::kStringWidth == CKestFWAddressAttr::kBodySize,
              "string value ends at record byte 142");

CKestFWAddressAttr::CKestFWAddressAttr(FWAttrIDType id, FWAttrIDValType valType, bool negate) : CKestFWAddress(negate) {
    memset(m_body, 0, sizeof m_body);
    ByteWriter w(m_body, sizeof m_body);
    w.putAt<uint32_t>(kIdOff, id);
    w.putAt<uint32_t>(kValTypeOff, valType);
}

CKestFWAddressAttr::CKestFWAddressAttr(const FWAddress_* rec) {
    m_negate = AddressUtil::recordNegate(rec);
    AddressUtil::recordBytes(rec, 4, m_body, kBodySize);
}

FWAttrIDType CKestFWAddressAttr::getAttrID() const {
    ByteReader r(m_body, sizeof m_body);
    return r.getAt<uint32_t>(kIdOff);
}

FWAttrIDValType CKestFWAddressAttr::getValueType() const {
    ByteReader r(m_body, sizeof m_body);
    return r.getAt<uint32_t>(kValTypeOff);
}

int64_t CKestFWAddressAttr::getIntValue() const {
    ByteReader r(m_body, sizeof m_body);
    return r.getAt<int64_t>(kNumberOff);
}

uint64_t CKestFWAddressAttr::getUIntValue() const {
    ByteReader r(m_body, sizeof m_body);
    return r.getAt<uint64_t>(kNumberOff);
}

std::string CKestFWAddressAttr::getTextValue(size_t width) const {
    ByteReader r(m_body, sizeof m_body);
    r.seek(kTextOff);
    return r.text(width);
}

void CKestFWAddressAttr::setNumber(uint64_t bits) {
    ByteWriter w(m_body, sizeof m_body);
    w.putAt<uint64_t>(kNumberOff, bits);
}

void CKestFWAddressAttr::setText(const char* text, size_t width) {
    ByteWriter w(m_body, sizeof m_body);
    w.seek(kTextOff);
    w.text(text, width);
}

}  // namespace KestFirewall
