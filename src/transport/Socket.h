// A connected IPv4 stream socket with the few operations the socket channel needs. Failures of system
// calls raise SocketError, the peer's end of stream raises SocketShutdown. A non-blocking socket that
// cannot move more bytes reports it through the would-block flag instead of raising.
#pragma once

#include <cstddef>

namespace Sockets {

class Socket {
public:
    Socket() = default;
    virtual ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Resolves `host` and `service` for IPv4 stream sockets and connects to the first address found.
    // A null host raises std::invalid_argument("addr"), a null service std::invalid_argument("port").
    // A non-blocking connect that is still in progress is accepted. A socket already open is closed first.
    void Connect(const char* host, const char* service);
    void Connect(const char* host, const char* service, bool blocking);

    // One send or receive: the bytes moved. EAGAIN moves 0 bytes and sets `wouldBlock`; a receive at the
    // end of the stream raises SocketShutdown. EINTR is retried.
    size_t Send(const void* buf, size_t len, bool& wouldBlock);
    size_t Recv(void* buf, size_t len, bool& wouldBlock);
    // Repeat until all `len` bytes are moved or the socket would block; the bytes moved.
    size_t SendAll(const void* buf, size_t len);
    size_t RecvAll(void* buf, size_t len);

    void SetBlockingMode(bool blocking);
    void SetBlocking() { SetBlockingMode(true); }
    void SetNonBlocking() { SetBlockingMode(false); }
    void SetNoDelay(bool on = true);
    // Bounds every later send and receive by `ms` milliseconds (0: no bound). A receive or send that
    // moves nothing within the bound reports would-block, as a non-blocking socket would.
    void SetTimeouts(unsigned int ms);
    // The pending error of the socket (SO_ERROR), 0 when none.
    int GetErrorStatus() const;
    int GetDescriptor() const { return m_sd; }

    // Shuts both directions down; the descriptor stays open.
    void Shutdown();
    // Closes the descriptor (an interrupted close counts as closed); closing a closed socket does nothing.
    void Close();

private:
    int m_sd = -1;
};

}  // namespace Sockets
