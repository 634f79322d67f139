#include "model/KestFWProtocolSpecDSCP.h"

#include "base/KestFWException.h"

namespace KestFirewall {

CKestFWProtocolSpecDSCP::CKestFWProtocolSpecDSCP(unsigned char value)
    : CKestFWProtocolSpec(FW_SPEC_DIR_PROTOCOL, false), m_value(value) {
    if (value >= kLimit) throw CUnsupportedException("bad dscp markings");
}

// A marking is never negated, so the text has no "not ".
std::string CKestFWProtocolSpecDSCP::toString() const { return "dscp " + std::to_string(m_value); }

bool CKestFWProtocolSpecDSCP::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    return orModeWord(buf, size, used, static_cast<uint16_t>((m_value & 0x3fu) << kShift));
}

}  // namespace KestFirewall
