#include "model/KestFWProtocolSpecL4PortRange.h"

#include "base/KestFWException.h"
#include "kestfw/kestfw_util.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWProtocolSpecL4PortRange::CKestFWProtocolSpecL4PortRange(unsigned char dir, unsigned short start,
                                                               unsigned short end, bool negate)
    : CKestFWProtocolSpec(dir, negate), m_start(start), m_end(end) {
    if (start > end) throw CInvalidL4PortRangeException(start, end);
}

CKestFWProtocolSpecL4PortRange::CKestFWProtocolSpecL4PortRange(unsigned char dir, const char* text)
    : CKestFWProtocolSpec(dir, false), m_start(0), m_end(0) {
    long lo = 0, hi = 0;
    if (text == nullptr || !Str2PortRange(text, &lo, &hi)) throw CInvalidL4PortRangeException(text ? text : "");
    m_start = static_cast<unsigned short>(lo);
    m_end = static_cast<unsigned short>(hi);
}

std::string CKestFWProtocolSpecL4PortRange::toString() const {
    return notPrefix() + "port " + std::to_string(m_start) + "-" + std::to_string(m_end);
}

bool CKestFWProtocolSpecL4PortRange::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (buf == nullptr || size < kBodySize) return false;
    ByteWriter w(const_cast<void*>(buf), kBodySize);
    w.be16(m_start);
    w.be16(m_end);
    w.zeros(2);
    if (used) *used = kBodySize;
    return true;
}

}  // namespace KestFirewall
