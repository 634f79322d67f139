// The root interface of everything that serialises into a kernel message: commands, command lists and
// the firewall objects they carry.
#pragma once

#include <string>

#include "kestfw/kestfw_types.h"

namespace KestFirewall {

class KESTFW_API IKestFWObject {
public:
    // Bytes toMessage will write.
    virtual unsigned int getMsgSize() const = 0;
    // The object-type number of the class.
    virtual unsigned int getType() const = 0;
    // The object in the configuration language (for a command: the statement that creates it).
    virtual std::string toString() const = 0;
    // Serialises into `buf` (at most `size` bytes) and reports the bytes written. The buffer is the
    // caller's writable memory; it is typed const for the sake of long-standing callers.
    virtual bool toMessage(const void* buf, unsigned int size, unsigned int* written) = 0;
    virtual ~IKestFWObject() = default;
};

}  // namespace KestFirewall
