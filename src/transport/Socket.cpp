#include "transport/Socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "transport/SocketException.h"

namespace Sockets {

Socket::~Socket() {
    if (m_sd >= 0) ::close(m_sd);
}

void Socket::Connect(const char* host, const char* service) { Connect(host, service, true); }

void Socket::Connect(const char* host, const char* service, bool blocking) {
    if (host == nullptr) throw std::invalid_argument("addr");
    if (service == nullptr) throw std::invalid_argument("port");
    Close();

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(host, service, &hints, &found);
    if (rc != 0) {
        if (rc == EAI_SYSTEM) throw SocketError("getaddrinfo", errno, m_sd);
        throw SocketError("getaddrinfo", rc, m_sd, gai_strerror(rc));
    }
    struct Release {
        addrinfo* list;
        ~Release() { freeaddrinfo(list); }
    } release{found};

    m_sd = ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol);
    if (m_sd < 0) throw SocketError("socket", errno, m_sd);
    if (!blocking) SetBlockingMode(false);
    if (::connect(m_sd, found->ai_addr, found->ai_addrlen) != 0) {
        int err = errno;
        if (blocking || err != EINPROGRESS) {
            int sd = m_sd;
            ::close(m_sd);
            m_sd = -1;
            throw SocketError("connect", err, sd);
        }
    }
}

size_t Socket::Send(const void* buf, size_t len, bool& wouldBlock) {
    wouldBlock = false;
    for (;;) {
        ssize_t n = ::send(m_sd, buf, len, MSG_NOSIGNAL);
        if (n >= 0) return size_t(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            wouldBlock = true;
            return 0;
        }
        throw SocketError("send", errno, m_sd);
    }
}

size_t Socket::Recv(void* buf, size_t len, bool& wouldBlock) {
    wouldBlock = false;
    if (len == 0) return 0;  // recv would answer 0, which means the end of the stream
    for (;;) {
        ssize_t n = ::recv(m_sd, buf, len, 0);
        if (n > 0) return size_t(n);
        if (n == 0) throw SocketShutdown();
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            wouldBlock = true;
            return 0;
        }
        throw SocketError("recv", errno, m_sd);
    }
}

size_t Socket::SendAll(const void* buf, size_t len) {
    const char* p = static_cast<const char*>(buf);
    size_t done = 0;
    bool wouldBlock = false;
    while (done < len && !wouldBlock) done += Send(p + done, len - done, wouldBlock);
    return done;
}

size_t Socket::RecvAll(void* buf, size_t len) {
    char* p = static_cast<char*>(buf);
    size_t done = 0;
    bool wouldBlock = false;
    while (done < len && !wouldBlock) done += Recv(p + done, len - done, wouldBlock);
    return done;
}

void Socket::SetBlockingMode(bool blocking) {
    int flags = fcntl(m_sd, F_GETFL);
    if (flags < 0) throw SocketError("fcntl", errno, m_sd);
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    if (fcntl(m_sd, F_SETFL, flags) != 0) throw SocketError("fcntl", errno, m_sd);
}

void Socket::SetNoDelay(bool on) {
    int value = on ? 1 : 0;
    if (setsockopt(m_sd, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) != 0)
        throw SocketError("setsockopt", errno, m_sd);
}

void Socket::SetTimeouts(unsigned int ms) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(ms / 1000);
    tv.tv_usec = static_cast<suseconds_t>(ms % 1000) * 1000;
    if (setsockopt(m_sd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) throw SocketError("setsockopt", errno, m_sd);
    if (setsockopt(m_sd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) != 0) throw SocketError("setsockopt", errno, m_sd);
}

int Socket::GetErrorStatus() const {
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(m_sd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) throw SocketError("getsockopt", errno, m_sd);
    return err;
}

void Socket::Shutdown() {
    if (::shutdown(m_sd, SHUT_RDWR) != 0) throw SocketError("shutdown", errno, m_sd);
}

void Socket::Close() {
    if (m_sd < 0) return;
    int sd = m_sd;
    m_sd = -1;
    // Linux frees the descriptor even when close is interrupted, so EINTR must not lead to a retry.
    if (::close(sd) != 0 && errno != EINTR) throw SocketError("close", errno, sd);
}

}  // namespace Sockets
