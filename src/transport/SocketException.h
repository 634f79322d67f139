// Failures of the socket layer. They are not library exceptions: the socket channel catches them and
// answers with a status of its own, so nothing of the socket layer reaches a caller raw.
#pragma once

#include <exception>
#include <string>

namespace Sockets {

class SocketException : public std::exception {
public:
    explicit SocketException(std::string message) : m_message(std::move(message)) {}
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

// A failed system call: "SocketError on sd <sd>, in <operation>: <strerror> (<errno>)".
class SocketError : public SocketException {
public:
    SocketError(const std::string& operation, int err, int sd);
    // For calls whose failures are not errno values (name resolution): `text` explains `err`.
    SocketError(const std::string& operation, int err, int sd, const char* text);

    const std::string& operation() const noexcept { return m_operation; }
    int error() const noexcept { return m_error; }
    int descriptor() const noexcept { return m_sd; }

private:
    std::string m_operation;
    int m_error;
    int m_sd;
};

// The peer closed its side: a receive found the end of the stream.
class SocketShutdown : public SocketException {
public:
    SocketShutdown() : SocketException("SocketShutdown") {}
};

}  // namespace Sockets
