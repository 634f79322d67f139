#include "model/KestFWAddressIPv6Range.h"

#include <cstring>

#include "base/KestFWException.h"
#include "model/KestFWAddressUtil.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWAddressIPv6Range::CKestFWAddressIPv6Range(const char* text, bool negate) : CKestFWAddress(negate) {
    std::string copy = AddressUtil::copyText(text);
    std::string lo, hi;
    try {
        if (!AddressUtil::splitAt(copy, '-', &lo, &hi)) throw CInvalidAddressException(text);
        m_start = AddressUtil::parseIPv6Host(lo.c_str());
        m_end = AddressUtil::parseIPv6Host(hi.c_str());
    } catch (const CKestFWException&) {
        throw CInvalidAddressException(text);
    }
    // As written, the ends compare as 128-bit numbers; equal ends name one address.
    if (memcmp(&m_start, &m_end, sizeof m_start) > 0) throw CInvalidAddressException(text);
}

CKestFWAddressIPv6Range::CKestFWAddressIPv6Range(in6_addr start, in6_addr end, bool negate)
    : CKestFWAddress(negate), m_start(start), m_end(end) {
    checkWords();
}

CKestFWAddressIPv6Range::CKestFWAddressIPv6Range(const FWAddress_* rec) {
    AddressUtil::checkRecord(rec, FW_ADDRESS_IPV6_RANGE);
    m_negate = AddressUtil::recordNegate(rec);
    AddressUtil::recordBytes(rec, 4, &m_start, 16);
    AddressUtil::recordBytes(rec, 20, &m_end, 16);
    checkWords();
}

// Ends given in binary are held to the kernel's rule: every 32-bit word of the start, in host
// order, lies at or below the end's word.
void CKestFWAddressIPv6Range::checkWords() const {
    for (int i = 3; i >= 0; --i)
        if (AddressUtil::hostWord(m_start, i) > AddressUtil::hostWord(m_end, i))
            throw CInvalidIPv6RangeException(m_start.s6_addr, m_end.s6_addr);
}

std::string CKestFWAddressIPv6Range::toString() const {
    return std::string(notPrefix()) + "ip " + AddressUtil::formatIPv6(m_start) + "-" + AddressUtil::formatIPv6(m_end);
}

bool CKestFWAddressIPv6Range::getAddress(in6_addr* start, in6_addr* end) const {
    if (start != nullptr) *start = m_start;
    if (end != nullptr) *end = m_end;
    return m_negate;
}

void CKestFWAddressIPv6Range::writeBody(ByteWriter& w) const {
    w.bytes(&m_start, 16);
    w.bytes(&m_end, 16);
}

bool CKestFWAddressIPv6Range::lessSameType(const CKestFWAddress& other) const {
    const auto& o = dynamic_cast<const CKestFWAddressIPv6Range&>(other);
    int c = AddressUtil::compareIPv6Words(m_end, o.m_end);
    if (c != 0) return c < 0;
    return AddressUtil::compareIPv6Words(m_start, o.m_start) < 0;
}

}  // namespace KestFirewall
