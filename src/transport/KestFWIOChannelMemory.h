// The memory channel leaves the last message in a caller's area: the 100-byte port record first when
// the message is for a port, then the whole message. Every message overwrites the one before; no
// reply comes back. Two threads sending through one memory channel overwrite each other's copy.
#pragma once

#include <cstdint>

#include "transport/KestFWIOChannel.h"

namespace KestFirewall {

class KESTFW_API CKestFWIOChannelMemory : public CKestFWIOChannel {
public:
    // Keeps the caller's area and its size; nothing is allocated.
    CKestFWIOChannelMemory(void* target, uint32_t capacity)
        : m_target(static_cast<uint8_t*>(target)), m_capacity(capacity) {}

    // COutOfMemoryException (8) with the bytes needed when the area is too small.
    unsigned int sendIOCTL(dvs_port_* port, void* msg, unsigned int msgLen, void* ctx) override;

    uint8_t* target() const { return m_target; }
    uint32_t capacity() const { return m_capacity; }

private:
    uint8_t* m_target;
    uint32_t m_capacity;
};

}  // namespace KestFirewall
