#include "model/KestFWProtocolSpecTCPFlags.h"

#include "base/KestFWException.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWProtocolSpecTCPFlags::CKestFWProtocolSpecTCPFlags(unsigned char dir, unsigned short flags, bool negate)
    : CKestFWProtocolSpec(dir, negate), m_flags(flags) {
    if (flags >= kFlagLimit) throw CInvalidTCPFlagsException(flags);
}

std::string CKestFWProtocolSpecTCPFlags::toString() const {
    return notPrefix() + kestfwFormat("flag 0x%04x", m_flags);
}

bool CKestFWProtocolSpecTCPFlags::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (buf == nullptr || size < kBodySize) return false;
    ByteWriter w(const_cast<void*>(buf), kBodySize);
    w.u8(static_cast<uint8_t>(m_flags & 0xffu));
    w.u8(static_cast<uint8_t>((m_flags >> 8) & 1u));
    w.zeros(4);
    if (used) *used = kBodySize;
    return true;
}

}  // namespace KestFirewall
