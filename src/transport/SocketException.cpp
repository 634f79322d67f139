#include "transport/SocketException.h"

#include <cstring>

namespace Sockets {

namespace {

std::string describe(const std::string& operation, int err, int sd, const char* text) {
    return "SocketError on sd " + std::to_string(sd) + ", in " + operation + ": " + text + " (" + std::to_string(err) +
           ")";
}

}  // namespace

SocketError::SocketError(const std::string& operation, int err, int sd)
    : SocketException(describe(operation, err, sd, strerror(err))), m_operation(operation), m_error(err), m_sd(sd) {}

SocketError::SocketError(const std::string& operation, int err, int sd, const char* text)
    : SocketException(describe(operation, err, sd, text)), m_operation(operation), m_error(err), m_sd(sd) {}

}  // namespace Sockets
