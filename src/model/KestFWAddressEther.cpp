#include "model/KestFWAddressEther.h"

#include <netinet/ether.h>

#include <cstring>

#include "base/KestFWException.h"
#include "model/KestFWAddressUtil.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWAddressEther::CKestFWAddressEther(const char* text, bool negate) : CKestFWAddress(negate) {
    ether_addr parsed;
    if (text == nullptr || ether_aton_r(text, &parsed) == nullptr) throw CInvalidAddressException(text ? text : "");
    memcpy(m_address.octet, parsed.ether_addr_octet, 6);
}

CKestFWAddressEther::CKestFWAddressEther(fw_ether_ address, bool negate) : CKestFWAddress(negate), m_address(address) {}

CKestFWAddressEther::CKestFWAddressEther(const FWAddress_* rec) {
    AddressUtil::checkRecord(rec, FW_ADDRESS_ETHER);
    m_negate = AddressUtil::recordNegate(rec);
    AddressUtil::recordBytes(rec, 4, m_address.octet, 6);
}

std::string CKestFWAddressEther::toString() const {
    return std::string(notPrefix()) + "mac " + AddressUtil::formatEther(m_address);
}

bool CKestFWAddressEther::getAddress(fw_ether_* address) const {
    if (address != nullptr) *address = m_address;
    return m_negate;
}

void CKestFWAddressEther::writeBody(ByteWriter& w) const { w.bytes(m_address.octet, 6); }

bool CKestFWAddressEther::lessSameType(const CKestFWAddress& other) const {
    const auto& o = dynamic_cast<const CKestFWAddressEther&>(other);
    return memcmp(m_address.octet, o.m_address.octet, 6) < 0;
}

}  // namespace KestFirewall
