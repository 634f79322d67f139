#include "sim/host/SimForward.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <mutex>
#include <vector>

#include "sim/host/SimSocketIO.h"

namespace KestSim {
namespace Forward {

namespace {

std::mutex g_mutex;
bool g_override = false;  // kestsim_set_forward was given a path (possibly empty)
std::string g_path;

int fail(int err) {
    errno = err;
    return -1;
}

// A connected stream socket to `path`, -1 when there is none.
int connectTo(const std::string& path) {
    sockaddr_un addr;
    memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return -1;
    memcpy(addr.sun_path, path.data(), path.size());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int r;
    do {
        r = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::string target() {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_override) return g_path;
    }
    // Read at every call, so a test can point an already running process at a daemon and back.
    const char* env = getenv("KESTSIM_SOCKET");
    return env ? std::string(env) : std::string();
}

bool setTarget(const char* path) {
    if (path && strlen(path) >= sizeof(sockaddr_un::sun_path)) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_override = path != nullptr;
    g_path = path ? path : "";
    return true;
}

int call(const std::string& socketPath, const uint8_t* port, uint8_t* msg, uint32_t len, int refused) {
    // What the module could not read in this process does not travel either: only the refusal does.
    // (in the order the module checks: the address first, then the length)
    if (!refused && !msg) refused = EFAULT;
    if (!refused && len > kMaxMessage) refused = EINVAL;
    uint32_t sendLen = refused ? 0 : len;

    int fd = connectTo(socketPath);
    if (fd < 0) return fail(kTransportErrno);
    uint8_t head[kRequestHead];
    if (port)
        memcpy(head, port, kPortSize);
    else
        memset(head, 0, kPortSize);
    SocketIO::putU32(head + kPortSize, static_cast<uint32_t>(refused));
    SocketIO::putU32(head + kPortSize + 4, sendLen);

    int err = kTransportErrno;  // until a whole answer arrived
    uint8_t answer[kAnswerHead];
    if (SocketIO::writeFull(fd, head, sizeof head) && SocketIO::writeFull(fd, msg, sendLen) &&
        SocketIO::readFull(fd, answer, sizeof answer) == ssize_t(sizeof answer)) {
        uint32_t callErr = SocketIO::getU32(answer);
        uint32_t answerLen = SocketIO::getU32(answer + 4);
        if (callErr != 0 && callErr <= 4095 && answerLen == 0) {
            err = static_cast<int>(callErr);
        } else if (callErr == 0 && answerLen == sendLen) {
            // Received aside and copied over only when complete: a daemon that breaks off mid-answer
            // leaves the message as it was sent.
            std::vector<uint8_t> reply(answerLen);
            if (SocketIO::readFull(fd, reply.data(), answerLen) == ssize_t(answerLen)) {
                if (answerLen) memcpy(msg, reply.data(), answerLen);
                err = 0;
            }
        }
    }
    ::close(fd);
    return err ? fail(err) : 0;
}

}  // namespace Forward
}  // namespace KestSim
