#include "model/KestFWAddressIPv4.h"

#include "model/KestFWAddressUtil.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWAddressIPv4::CKestFWAddressIPv4(const char* text, bool negate)
    : CKestFWAddress(negate), m_address(AddressUtil::parseIPv4Host(text)) {}

CKestFWAddressIPv4::CKestFWAddressIPv4(in_addr address, bool negate) : CKestFWAddress(negate), m_address(address) {}

CKestFWAddressIPv4::CKestFWAddressIPv4(const FWAddress_* rec) {
    AddressUtil::checkRecord(rec, FW_ADDRESS_IPV4);
    m_negate = AddressUtil::recordNegate(rec);
    AddressUtil::recordBytes(rec, 4, &m_address, 4);
}

std::string CKestFWAddressIPv4::toString() const {
    return std::string(notPrefix()) + "ip " + AddressUtil::formatIPv4(m_address);
}

bool CKestFWAddressIPv4::getAddress(in_addr* address) const {
    if (address != nullptr) *address = m_address;
    return m_negate;
}

void CKestFWAddressIPv4::writeBody(ByteWriter& w) const { w.bytes(&m_address, 4); }

bool CKestFWAddressIPv4::lessSameType(const CKestFWAddress& other) const {
    const auto& o = dynamic_cast<const CKestFWAddressIPv4&>(other);
    return AddressUtil::nativeWord(m_address) < AddressUtil::nativeWord(o.m_address);
}

}  // namespace KestFirewall
