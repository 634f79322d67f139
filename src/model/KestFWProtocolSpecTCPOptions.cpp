#include "model/KestFWProtocolSpecTCPOptions.h"

#include "base/KestFWException.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWProtocolSpecTCPOptions::CKestFWProtocolSpecTCPOptions(unsigned char dir, const unsigned char* bytes,
                                                             unsigned int length, bool negate)
    : CKestFWProtocolSpec(dir, negate) {
    if (length > kMaxLength) throw CTCPOptionsTooLongException(static_cast<int>(length));
    if (length != 0 && bytes != nullptr) m_bytes.assign(bytes, bytes + length);
}

std::string CKestFWProtocolSpecTCPOptions::toString() const {
    std::string s = notPrefix() + "tcpoptions 0x";
    for (uint8_t b : m_bytes) s += kestfwFormat("%02x", b);
    return s;
}

bool CKestFWProtocolSpecTCPOptions::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (buf == nullptr || size < kBodySize) return false;
    ByteWriter w(const_cast<void*>(buf), kBodySize);
    w.zeros(kBodySize);
    w.seek(0);
    w.u16(static_cast<uint16_t>(m_bytes.size()));
    w.bytes(m_bytes.data(), m_bytes.size());
    if (used) *used = kBodySize;
    return w.ok();
}

}  // namespace KestFirewall
