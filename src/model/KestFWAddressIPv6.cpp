#include "model/KestFWAddressIPv6.h"

#include "model/KestFWAddressUtil.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWAddressIPv6::CKestFWAddressIPv6(const char* text, bool negate)
    : CKestFWAddress(negate), m_address(AddressUtil::parseIPv6Host(text)) {}

CKestFWAddressIPv6::CKestFWAddressIPv6(in6_addr address, bool negate) : CKestFWAddress(negate), m_address(address) {}

CKestFWAddressIPv6::CKestFWAddressIPv6(const FWAddress_* rec) {
    AddressUtil::checkRecord(rec, FW_ADDRESS_IPV6);
    m_negate = AddressUtil::recordNegate(rec);
    AddressUtil::recordBytes(rec, 4, &m_address, 16);
}

std::string CKestFWAddressIPv6::toString() const {
    return std::string(notPrefix()) + "ip " + AddressUtil::formatIPv6(m_address);
}

bool CKestFWAddressIPv6::getAddress(in6_addr* address) const {
    if (address != nullptr) *address = m_address;
    return m_negate;
}

void CKestFWAddressIPv6::writeBody(ByteWriter& w) const { w.bytes(&m_address, 16); }

bool CKestFWAddressIPv6::lessSameType(const CKestFWAddress& other) const {
    const auto& o = dynamic_cast<const CKestFWAddressIPv6&>(other);
    return AddressUtil::compareIPv6Words(m_address, o.m_address) < 0;
}

}  // namespace KestFirewall
