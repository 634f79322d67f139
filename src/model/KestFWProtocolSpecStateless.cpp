#include "model/KestFWProtocolSpecStateless.h"

#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWProtocolSpecStateless::CKestFWProtocolSpecStateless() : CKestFWProtocolSpec(FW_SPEC_DIR_PROTOCOL, false) {}

bool CKestFWProtocolSpecStateless::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (buf == nullptr || size < kBodySize) return false;
    ByteReader r(buf, kBodySize);
    const uint16_t mode = r.u16();
    ByteWriter w(const_cast<void*>(buf), kBodySize);
    w.u16(static_cast<uint16_t>(mode | kModeBit));
    if (used) *used = kBodySize;
    return true;
}

}  // namespace KestFirewall
