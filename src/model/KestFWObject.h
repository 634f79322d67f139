// Root interface of everything that serialises into a command message: commands, command lists and
// the firewall objects (addresses, lists, protocols, actions, rules, attributes, containers).
#pragma once

#include <string>

#include "kestfw/kestfw_types.h"

namespace KestFirewall {

class KESTFW_API IKestFWObject {
public:
    // Bytes toMessage will write.
    virtual unsigned int getMsgSize() const = 0;
    // Object-type number; each class has its own (addresses: their address type code).
    virtual unsigned int getType() const = 0;
    // The object's wording in the configuration language.
    virtual std::string toString() const = 0;
    // Serialises into at most `size` bytes of `buf` and reports the bytes written; false (writing
    // nothing) when the object does not fit. The buffer is the kernel's message memory, handed on as
    // const void* by the message layer.
    virtual bool toMessage(const void* buf, unsigned int size, unsigned int* written) = 0;
    virtual ~IKestFWObject() = default;
};

}  // namespace KestFirewall
