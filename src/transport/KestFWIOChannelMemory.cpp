#include "transport/KestFWIOChannelMemory.h"

#include <cstring>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "transport/KestFWPort.h"

namespace KestFirewall {

unsigned int CKestFWIOChannelMemory::sendIOCTL(dvs_port_* port, void* msg, unsigned int msgLen, void*) {
    const uint64_t needed = uint64_t(msgLen) + (port != nullptr ? uint64_t(DVS_PORT_SIZE) : 0);
    // An area without an address has no room at all.
    const uint64_t room = m_target != nullptr ? m_capacity : 0;
    if (needed > room) throw COutOfMemoryException(unsigned(needed));
    validateMessage(msg, msgLen);
    uint8_t* out = m_target;
    if (port != nullptr) {
        memcpy(out, port, DVS_PORT_SIZE);
        out += DVS_PORT_SIZE;
    }
    if (msgLen != 0) memcpy(out, msg, msgLen);
    KFW_DEBUG(KFW_COMP_IO, 2, "copied message of %u bytes%s to memory\n", msgLen, port != nullptr ? " with port" : "");
    return 0;
}

}  // namespace KestFirewall
