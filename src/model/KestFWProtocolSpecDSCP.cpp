#include "model/KestFWProtocolSpecDSCP.h"

#include "frame/KestFWException.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWProtocolSpecDSCP::CKestFWProtocolSpecDSCP(unsigned char value)
    : CKestFWProtocolSpec(FW_SPEC_DIR_PROTOCOL, false), m_value(value) {
    if (value >= kLimit) throw CUnsupportedException(60, "bad dscp markings");
}

// A marking is never negated, so the text has no "not ".
std::string CKestFWProtocolSpecDSCP::toString() const { return "dscp " + std::to_string(m_value); }

bool CKestFWProtocolSpecDSCP::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (buf == nullptr || size < kBodySize) return false;
    ByteReader r(buf, kBodySize);
    const uint16_t mode = r.u16();
    ByteWriter w(const_cast<void*>(buf), kBodySize);
    w.u16(static_cast<uint16_t>(mode | (m_value & 0x3fu) << kShift));
    if (used) *used = kBodySize;
    return true;
}

}  // namespace KestFirewall
