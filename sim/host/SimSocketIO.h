// Whole-buffer reads and writes on a stream socket, shared by the daemon and the forwarding client.
#pragma once

#include <errno.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace KestSim {
namespace SocketIO {

// Reads exactly `n` bytes. Returns n, or the bytes read before the peer closed (fewer than n), or -1
// on an error (errno set).
inline ssize_t readFull(int fd, void* buf, size_t n) {
    size_t got = 0;
    while (got < n) {
        ssize_t r = ::recv(fd, static_cast<uint8_t*>(buf) + got, n - got, 0);
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    return static_cast<ssize_t>(got);
}

// Writes all `n` bytes; false on an error or a closed peer. Never raises SIGPIPE.
inline bool writeFull(int fd, const void* buf, size_t n) {
    size_t put = 0;
    while (put < n) {
        ssize_t r = ::send(fd, static_cast<const uint8_t*>(buf) + put, n - put, MSG_NOSIGNAL);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        put += static_cast<size_t>(r);
    }
    return true;
}

inline void putU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t getU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace SocketIO
}  // namespace KestSim
