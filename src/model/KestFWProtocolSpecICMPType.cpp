#include "model/KestFWProtocolSpecICMPType.h"

#include "base/KestFWException.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWProtocolSpecICMPType::CKestFWProtocolSpecICMPType(unsigned char dir, unsigned char type, bool negate)
    : CKestFWProtocolSpec(dir, negate), m_type(type), m_hasCode(false), m_code(0) {}

CKestFWProtocolSpecICMPType::CKestFWProtocolSpecICMPType(unsigned char dir, unsigned char type,
                                                         unsigned char code, bool negate)
    : CKestFWProtocolSpec(dir, negate), m_type(type), m_hasCode(true), m_code(code) {}

std::string CKestFWProtocolSpecICMPType::toString() const {
    if (m_hasCode) return notPrefix() + kestfwFormat("typecode %d:%d", m_type, m_code);
    return notPrefix() + kestfwFormat("icmptype %d", m_type);
}

bool CKestFWProtocolSpecICMPType::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (buf == nullptr || size < kBodySize) return false;
    ByteWriter w(const_cast<void*>(buf), kBodySize);
    w.u8(static_cast<uint8_t>(1u | (m_hasCode ? 2u : 0u)));
    w.zeros(3);
    w.u8(m_type);
    w.u8(m_hasCode ? m_code : 0);
    if (used) *used = kBodySize;
    return true;
}

}  // namespace KestFirewall
