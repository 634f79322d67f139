#include "model/KestFWAddressIPv4CIDR.h"

#include <arpa/inet.h>

#include "base/KestFWException.h"
#include "kestfw/kestfw_util.h"
#include "model/KestFWAddressUtil.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWAddressIPv4CIDR::CKestFWAddressIPv4CIDR(const char* text, bool negate) : CKestFWAddress(negate) {
    std::string copy = AddressUtil::copyText(text);
    std::string host, len;
    try {
        if (!AddressUtil::splitAt(copy, '/', &host, &len)) throw CInvalidAddressException(text);
        m_address = AddressUtil::parseIPv4Host(host.c_str());
        unsigned prefix = 0;
        if (len.find('.') != std::string::npos) {
            m_mask = AddressUtil::parseIPv4Host(len.c_str());
            if (!ipv4mask2cidr(m_mask.s_addr, &prefix)) throw CInvalidAddressException(text);
        } else {
            long n = 0;
            uint32_t mask = 0;
            if (!Str2CIDR4(len.c_str(), &n) || !cidr2ipv4mask(static_cast<unsigned>(n), &mask))
                throw CInvalidAddressException(text);
            prefix = static_cast<unsigned>(n);
            m_mask.s_addr = mask;
        }
        m_prefix = static_cast<unsigned char>(prefix);
    } catch (const CKestFWException&) {
        throw CInvalidAddressException(text);
    }
}

CKestFWAddressIPv4CIDR::CKestFWAddressIPv4CIDR(in_addr address, unsigned char prefix, bool negate)
    : CKestFWAddress(negate), m_address(address) {
    setPrefix(prefix);
}

CKestFWAddressIPv4CIDR::CKestFWAddressIPv4CIDR(const FWAddress_* rec) {
    AddressUtil::checkRecord(rec, FW_ADDRESS_IPV4_CIDR);
    m_negate = AddressUtil::recordNegate(rec);
    AddressUtil::recordBytes(rec, 4, &m_address, 4);
    uint8_t prefix = 0;
    AddressUtil::recordBytes(rec, 8, &prefix, 1);
    setPrefix(prefix);
}

void CKestFWAddressIPv4CIDR::setPrefix(unsigned prefix) {
    uint32_t mask = 0;
    if (prefix > 32 || !cidr2ipv4mask(prefix, &mask))
        throw CInvalidAddressException(kestfwFormat("invalid ipv4 cidr: %d", static_cast<int>(prefix)).c_str());
    m_prefix = static_cast<unsigned char>(prefix);
    m_mask.s_addr = mask;
}

std::string CKestFWAddressIPv4CIDR::toString() const {
    return std::string(notPrefix()) + "ip " + AddressUtil::formatIPv4(m_address) + "/" + std::to_string(m_prefix);
}

bool CKestFWAddressIPv4CIDR::getAddress(in_addr* address, unsigned char* prefix) const {
    if (address != nullptr) *address = m_address;
    if (prefix != nullptr) *prefix = m_prefix;
    return m_negate;
}

bool CKestFWAddressIPv4CIDR::getAddress(in_addr* address, unsigned char* prefix, in_addr* mask) const {
    if (mask != nullptr) *mask = m_mask;
    return getAddress(address, prefix);
}

void CKestFWAddressIPv4CIDR::writeBody(ByteWriter& w) const {
    // The kernel matches on the network, so the host bits never leave the library.
    uint32_t network = m_address.s_addr & m_mask.s_addr;
    w.bytes(&network, 4);
    w.u8(m_prefix);
}

bool CKestFWAddressIPv4CIDR::lessSameType(const CKestFWAddress& other) const {
    const auto& o = dynamic_cast<const CKestFWAddressIPv4CIDR&>(other);
    if (m_prefix != o.m_prefix) return m_prefix < o.m_prefix;
    return AddressUtil::nativeWord(m_address) < AddressUtil::nativeWord(o.m_address);
}

}  // namespace KestFirewall
