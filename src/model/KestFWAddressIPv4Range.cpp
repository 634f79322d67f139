#include "model/KestFWAddressIPv4Range.h"

#include <arpa/inet.h>

#include "base/KestFWException.h"
#include "model/KestFWAddressUtil.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWAddressIPv4Range::CKestFWAddressIPv4Range(const char* text, bool negate) : CKestFWAddress(negate) {
    std::string copy = AddressUtil::copyText(text);
    std::string lo, hi;
    try {
        if (!AddressUtil::splitAt(copy, '-', &lo, &hi)) throw CInvalidAddressException(text);
        m_start = AddressUtil::parseIPv4Host(lo.c_str());
        m_end = AddressUtil::parseIPv4Host(hi.c_str());
    } catch (const CKestFWException&) {
        throw CInvalidAddressException(text);
    }
    // A range names at least two addresses.
    if (ntohl(m_end.s_addr) <= ntohl(m_start.s_addr)) throw CInvalidAddressException(text);
}

CKestFWAddressIPv4Range::CKestFWAddressIPv4Range(in_addr start, in_addr end, bool negate)
    : CKestFWAddress(negate), m_start(start), m_end(end) {
    if (ntohl(m_start.s_addr) >= ntohl(m_end.s_addr))
        throw CInvalidIPv4RangeException(reinterpret_cast<const unsigned char*>(&m_start),
                                         reinterpret_cast<const unsigned char*>(&m_end));
}

CKestFWAddressIPv4Range::CKestFWAddressIPv4Range(const FWAddress_* rec) {
    AddressUtil::checkRecord(rec, FW_ADDRESS_IPV4_RANGE);
    m_negate = AddressUtil::recordNegate(rec);
    AddressUtil::recordBytes(rec, 4, &m_start, 4);
    AddressUtil::recordBytes(rec, 8, &m_end, 4);
    if (ntohl(m_start.s_addr) >= ntohl(m_end.s_addr))
        throw CInvalidIPv4RangeException(reinterpret_cast<const unsigned char*>(&m_start),
                                         reinterpret_cast<const unsigned char*>(&m_end));
}

std::string CKestFWAddressIPv4Range::toString() const {
    return std::string(notPrefix()) + "ip " + AddressUtil::formatIPv4(m_start) + "-" + AddressUtil::formatIPv4(m_end);
}

bool CKestFWAddressIPv4Range::getAddress(in_addr* start, in_addr* end) const {
    if (start != nullptr) *start = m_start;
    if (end != nullptr) *end = m_end;
    return m_negate;
}

void CKestFWAddressIPv4Range::writeBody(ByteWriter& w) const {
    w.bytes(&m_start, 4);
    w.bytes(&m_end, 4);
}

bool CKestFWAddressIPv4Range::lessSameType(const CKestFWAddress& other) const {
    const auto& o = dynamic_cast<const CKestFWAddressIPv4Range&>(other);
    uint32_t e1 = AddressUtil::nativeWord(m_end), e2 = AddressUtil::nativeWord(o.m_end);
    if (e1 != e2) return e1 < e2;
    return AddressUtil::nativeWord(m_start) < AddressUtil::nativeWord(o.m_start);
}

}  // namespace KestFirewall
