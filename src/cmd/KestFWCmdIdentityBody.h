// Helpers shared by the identity, name-mapping and container commands: the size check every body
// writer starts with, and the checked arithmetic of bodies that grow with their entries.
#pragma once

#include <cstdint>
#include <cstring>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "cmd/KestFWCmd.h"

namespace KestFirewall {
namespace IdentityBody {

// Largest body a command may ask for: the message layer cannot allocate 0xFFFFFFEC bytes or more,
// and the command and message headers travel in front of the body.
constexpr uint64_t kMaxBody = 0xFFFFFFECull - 12 - 20 - 1;

// A body of `need` bytes into `avail`: refused (logged) when it does not fit, else zero-filled.
inline bool begin(const void* body, unsigned int avail, uint64_t need) {
    if (body == nullptr || need > avail) {
        KFW_ERROR("failed to write command body buffer size: %u required size: %u\n", avail,
                  static_cast<unsigned>(need > 0xFFFFFFFFull ? 0xFFFFFFFFull : need));
        return false;
    }
    memset(const_cast<void*>(body), 0, static_cast<size_t>(need));
    return true;
}

// `head` + `count` x `each`, refused with "integer too large" when it cannot be sent.
inline unsigned int sized(const char* what, uint64_t head, uint64_t count, uint64_t each) {
    const uint64_t total = head + count * each;
    if (count > kMaxBody || (each != 0 && count > kMaxBody / each) || total > kMaxBody)
        throw CIntegerOverflowException(what, static_cast<unsigned>(count > 0xFFFFFFFFull ? 0xFFFFFFFFull : count));
    return static_cast<unsigned int>(total);
}

}  // namespace IdentityBody
}  // namespace KestFirewall
