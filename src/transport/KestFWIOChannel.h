// A channel carries one finished message to the firewall and leaves the reply in the same memory.
#pragma once

#include "kestfw/kestfw_frame.h"

namespace KestFirewall {

class KESTFW_API CKestFWIOChannel {
public:
    CKestFWIOChannel() = default;
    CKestFWIOChannel(const CKestFWIOChannel&) = delete;
    CKestFWIOChannel& operator=(const CKestFWIOChannel&) = delete;

    // Sends `msg` (header included) for `port` (null: no port); 0 when the reply is in place.
    virtual unsigned int sendIOCTL(dvs_port_* port, void* msg, unsigned int msgLen, void* ctx) = 0;
    virtual ~CKestFWIOChannel() = default;

    // Diagnostic walk of a message, field by field at "io" verbosity 3; never fails, changes nothing.
    void validateMessage(const void* msg, unsigned int len) const;
};

// Channel types of FW_Initialize and the channel factory.
enum KestFWIOType : int {
    KFW_IO_DEVICE = FW_IO_DEVICE,
    KFW_IO_SOCKET = FW_IO_SOCKET,
    KFW_IO_SOCKET_ALT = FW_IO_SOCKET_ALT,
    KFW_IO_FILE = FW_IO_FILE,
    KFW_IO_MEMORY = FW_IO_MEMORY,
    KFW_IO_GENERIC = FW_IO_GENERIC,
};

class KESTFW_API CKestFWIOChannelFactory {
public:
    // Builds the channel of `type`; the further arguments depend on the type:
    //   1 device   none (every device channel shares the control device's one descriptor)
    //   2 socket   const char* host, const char* service   (socket type 0)
    //   3 socket   const char* host, const char* service   (socket type 1)
    //   4 file     const char* path
    //   5 memory   void* area, unsigned int capacity
    //   6 generic  const FWLibGenericIO_* ops, void* init argument, void** where the context goes (or null)
    // An unknown type raises CUnknownIOTypeException.
    static CKestFWIOChannel* newIOChannel(int type, ...);
};

}  // namespace KestFirewall
