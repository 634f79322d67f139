#include "model/KestFWAddressEtherRange.h"

#include <cstring>

#include "base/KestFWException.h"
#include "model/KestFWAddressUtil.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWAddressEtherRange::CKestFWAddressEtherRange(const char* text, bool negate) : CKestFWAddress(negate) {
    AddressUtil::parseEtherPair(text, '-', &m_start, &m_end);
    checkOrder();
}

CKestFWAddressEtherRange::CKestFWAddressEtherRange(fw_ether_ start, fw_ether_ end, bool negate)
    : CKestFWAddress(negate), m_start(start), m_end(end) {
    checkOrder();
}

CKestFWAddressEtherRange::CKestFWAddressEtherRange(const FWAddress_* rec) {
    AddressUtil::checkRecord(rec, FW_ADDRESS_ETHER_RANGE);
    m_negate = AddressUtil::recordNegate(rec);
    AddressUtil::recordBytes(rec, 4, m_start.octet, 6);
    AddressUtil::recordBytes(rec, 10, m_end.octet, 6);
    checkOrder();
}

void CKestFWAddressEtherRange::checkOrder() const {
    if (AddressUtil::etherNumber(m_start) < AddressUtil::etherNumber(m_end)) return;
    const uint8_t* s = m_start.octet;
    const uint8_t* e = m_end.octet;
    std::string msg =
        kestfwFormat("invalid ethernet range: %02x:%02x:%02x:%02x:%02x:%02x-%02x:%02x:%02x:%02x:%02x:%02x", s[0], s[1],
                     s[2], s[3], s[4], s[5], e[0], e[1], e[2], e[3], e[4], e[5]);
    throw CInvalidEtherRangeException(msg.c_str());
}

std::string CKestFWAddressEtherRange::toString() const {
    return std::string(notPrefix()) + "mac " + AddressUtil::formatEther(m_start) + "-" +
           AddressUtil::formatEther(m_end);
}

bool CKestFWAddressEtherRange::getAddress(fw_ether_* start, fw_ether_* end) const {
    if (start != nullptr) *start = m_start;
    if (end != nullptr) *end = m_end;
    return m_negate;
}

void CKestFWAddressEtherRange::writeBody(ByteWriter& w) const {
    w.bytes(m_start.octet, 6);
    w.bytes(m_end.octet, 6);
}

bool CKestFWAddressEtherRange::lessSameType(const CKestFWAddress& other) const {
    const auto& o = dynamic_cast<const CKestFWAddressEtherRange&>(other);
    int c = memcmp(m_start.octet, o.m_start.octet, 6);
    if (c != 0) return c < 0;
    return memcmp(m_end.octet, o.m_end.octet, 6) < 0;
}

}  // namespace KestFirewall
