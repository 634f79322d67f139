#include "model/KestFWAddressEtherMask.h"

#include <cstring>

#include "model/KestFWAddressUtil.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWAddressEtherMask::CKestFWAddressEtherMask(const char* text, bool negate) : CKestFWAddress(negate) {
    AddressUtil::parseEtherPair(text, '/', &m_address, &m_mask);
}

CKestFWAddressEtherMask::CKestFWAddressEtherMask(fw_ether_ address, fw_ether_ mask, bool negate)
    : CKestFWAddress(negate), m_address(address), m_mask(mask) {}

CKestFWAddressEtherMask::CKestFWAddressEtherMask(const FWAddress_* rec) {
    AddressUtil::checkRecord(rec, FW_ADDRESS_ETHER_MASK);
    m_negate = AddressUtil::recordNegate(rec);
    AddressUtil::recordBytes(rec, 4, m_address.octet, 6);
    AddressUtil::recordBytes(rec, 10, m_mask.octet, 6);
}

std::string CKestFWAddressEtherMask::toString() const {
    return std::string(notPrefix()) + "mac " + AddressUtil::formatEther(m_address) + "/" +
           AddressUtil::formatEther(m_mask);
}

bool CKestFWAddressEtherMask::getAddress(fw_ether_* address, fw_ether_* mask) const {
    if (address != nullptr) *address = m_address;
    if (mask != nullptr) *mask = m_mask;
    return m_negate;
}

void CKestFWAddressEtherMask::writeBody(ByteWriter& w) const {
    w.bytes(m_address.octet, 6);
    w.bytes(m_mask.octet, 6);
}

bool CKestFWAddressEtherMask::lessSameType(const CKestFWAddress& other) const {
    const auto& o = dynamic_cast<const CKestFWAddressEtherMask&>(other);
    int c = memcmp(m_address.octet, o.m_address.octet, 6);
    if (c != 0) return c < 0;
    return memcmp(m_mask.octet, o.m_mask.octet, 6) < 0;
}

}  // namespace KestFirewall
