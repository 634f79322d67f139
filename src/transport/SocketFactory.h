// Builds connected sockets by kind.
#pragma once

#include <memory>

#include "transport/Socket.h"

namespace Sockets {

enum SocketType_t : int {
    SOCKET_TYPE_TCP = 0,  // a blocking IPv4 stream connection
};

class SocketFactory {
public:
    // A socket of `type` connected to `host` and `service`. Only SOCKET_TYPE_TCP exists; any other type
    // raises CUnknownSocketTypeException (status 11). Connection failures raise as Socket::Connect does.
    static std::unique_ptr<Socket> createSocket(SocketType_t type, const char* host, const char* service);
};

}  // namespace Sockets
