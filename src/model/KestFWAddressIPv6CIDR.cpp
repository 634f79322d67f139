#include "model/KestFWAddressIPv6CIDR.h"

#include <cstring>

#include "base/KestFWException.h"
#include "kestfw/kestfw_util.h"
#include "model/KestFWAddressUtil.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWAddressIPv6CIDR::CKestFWAddressIPv6CIDR(const char* text, bool negate) : CKestFWAddress(negate) {
    std::string copy = AddressUtil::copyText(text);
    std::string host, len;
    try {
        if (!AddressUtil::splitAt(copy, '/', &host, &len)) throw CInvalidAddressException(text);
        m_address = AddressUtil::parseIPv6Host(host.c_str());
        unsigned prefix = 0;
        uint32_t mask[4] = {0, 0, 0, 0};
        if (len.find(':') != std::string::npos) {
            in6_addr m = AddressUtil::parseIPv6Host(len.c_str());
            memcpy(mask, &m, sizeof mask);
            if (!ipv6mask2cidr(mask, &prefix)) throw CInvalidAddressException(text);
        } else {
            long n = 0;
            if (!Str2CIDR6(len.c_str(), &n) || !cidr2ipv6mask(static_cast<unsigned>(n), mask))
                throw CInvalidAddressException(text);
            prefix = static_cast<unsigned>(n);
        }
        memcpy(&m_mask, mask, sizeof mask);
        m_prefix = static_cast<unsigned char>(prefix);
    } catch (const CKestFWException&) {
        throw CInvalidAddressException(text);
    }
}

CKestFWAddressIPv6CIDR::CKestFWAddressIPv6CIDR(in6_addr address, unsigned char prefix, bool negate)
    : CKestFWAddress(negate), m_address(address) {
    setPrefix(prefix);
}

CKestFWAddressIPv6CIDR::CKestFWAddressIPv6CIDR(const FWAddress_* rec) {
    AddressUtil::checkRecord(rec, FW_ADDRESS_IPV6_CIDR);
    m_negate = AddressUtil::recordNegate(rec);
    AddressUtil::recordBytes(rec, 4, &m_address, 16);
    uint8_t prefix = 0;
    AddressUtil::recordBytes(rec, 20, &prefix, 1);
    setPrefix(prefix);
}

void CKestFWAddressIPv6CIDR::setPrefix(unsigned prefix) {
    uint32_t mask[4] = {0, 0, 0, 0};
    if (prefix > 128 || !cidr2ipv6mask(prefix, mask))
        throw CInvalidAddressException(kestfwFormat("invalid ipv6 cidr: %d", static_cast<int>(prefix)).c_str());
    m_prefix = static_cast<unsigned char>(prefix);
    memcpy(&m_mask, mask, sizeof mask);
}

std::string CKestFWAddressIPv6CIDR::toString() const {
    return std::string(notPrefix()) + "ip " + AddressUtil::formatIPv6(m_address) + "/" + std::to_string(m_prefix);
}

bool CKestFWAddressIPv6CIDR::getAddress(in6_addr* address, unsigned char* prefix) const {
    if (address != nullptr) *address = m_address;
    if (prefix != nullptr) *prefix = m_prefix;
    return m_negate;
}

bool CKestFWAddressIPv6CIDR::getAddress(in6_addr* address, unsigned char* prefix, in6_addr* mask) const {
    if (mask != nullptr) *mask = m_mask;
    return getAddress(address, prefix);
}

void CKestFWAddressIPv6CIDR::writeBody(ByteWriter& w) const {
    // Network only: each 32-bit word of the address ANDed with the mask's word.
    for (unsigned i = 0; i < 4; ++i) {
        uint32_t word = AddressUtil::nativeWord(m_address, i) & AddressUtil::nativeWord(m_mask, i);
        w.bytes(&word, 4);
    }
    w.u8(m_prefix);
}

bool CKestFWAddressIPv6CIDR::lessSameType(const CKestFWAddress& other) const {
    const auto& o = dynamic_cast<const CKestFWAddressIPv6CIDR&>(other);
    if (m_prefix != o.m_prefix) return m_prefix < o.m_prefix;
    return AddressUtil::compareIPv6Words(m_address, o.m_address) < 0;
}

}  // namespace KestFirewall
