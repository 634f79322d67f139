#include "cmd/KestFWCmdSwitch.h"

#include "util/ByteIO.h"

namespace KestFirewall {

bool CKestFWCmdSwitch::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    if (m_on) writable(body)[0] = 1;
    return true;
}

bool CKestFWCmdSwitch::replyBit(const void* body, unsigned int size, bool* on) {
    ByteReader r(body, size);
    uint8_t b = r.u8();
    if (!r.ok()) return false;
    *on = (b & 1) != 0;
    return true;
}

}  // namespace KestFirewall
