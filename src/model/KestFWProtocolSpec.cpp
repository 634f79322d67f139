#include "model/KestFWProtocolSpec.h"

#include "base/KestFWException.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWProtocolSpec::CKestFWProtocolSpec(unsigned char dir, bool negate) : m_dir(dir), m_negate(negate) {
    if (dir > FW_SPEC_DIR_DEST) throw CInvalidProtocolSpecDirException(dir);
}

void CKestFWProtocolSpec::setDir(unsigned char dir) {
    if (dir > FW_SPEC_DIR_DEST) throw CInvalidProtocolSpecDirException(dir);
    m_dir = dir;
}

bool CKestFWProtocolSpec::orModeWord(const void* buf, unsigned int size, unsigned int* used, uint16_t bits) {
    const unsigned int blockSize = 56;
    if (buf == nullptr || size < blockSize) return false;
    ByteReader r(buf, blockSize);
    const uint16_t mode = r.u16();
    ByteWriter w(const_cast<void*>(buf), blockSize);
    w.u16(static_cast<uint16_t>(mode | bits));
    if (used) *used = blockSize;
    return true;
}

bool CKestFWProtocolSpec::toRecord(void* buf, unsigned int size, unsigned int* used) {
    const unsigned int body = getMsgSize();
    if (buf == nullptr || size < 2 || size - 2 < body) return false;
    ByteWriter w(buf, size);
    w.u16(header());
    unsigned int bodyUsed = 0;
    if (!toMessage(static_cast<uint8_t*>(buf) + 2, size - 2, &bodyUsed)) return false;
    if (used) *used = 2 + bodyUsed;
    return true;
}

}  // namespace KestFirewall
