#include "transport/SocketFactory.h"

#include "base/KestFWException.h"

namespace Sockets {

std::unique_ptr<Socket> SocketFactory::createSocket(SocketType_t type, const char* host, const char* service) {
    if (type != SOCKET_TYPE_TCP) throw KestFirewall::CUnknownSocketTypeException(int(type));
    std::unique_ptr<Socket> socket(new Socket());
    socket->Connect(host, service, true);
    return socket;
}

}  // namespace Sockets
