// Starting a host program with a time limit, and the packet-filter framework's revalidation and
// filter-list calls. Nothing here keeps state between calls; every path closes what it opened and
// reaps what it started.
#include "kestfw/kestfw_runner.h"
#include "kestfw/kestfw_util.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/KestFWLog.h"
#include "util/ByteIO.h"
#include "util/KestForkExec.h"

using namespace KestFirewall;

namespace {

struct Pipe {
    int fd[2] = {-1, -1};  // read end, write end
    int& readEnd() { return fd[0]; }
    int& writeEnd() { return fd[1]; }
};

void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

void closePipes(Pipe* pipes, int n) {
    for (int i = 0; i < n; ++i) {
        closeFd(pipes[i].readEnd());
        closeFd(pipes[i].writeEnd());
    }
}

// Writes to the child's input without letting a child that already closed it raise SIGPIPE in the
// host process: the signal is held for this thread and a pending one is taken back afterwards.
ssize_t writeWithoutSigpipe(int fd, const void* data, size_t len) {
    sigset_t pipeSet, old;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet, &old);
    ssize_t n;
    do {
        n = write(fd, data, len);
    } while (n < 0 && errno == EINTR);
    int saved = errno;
    if (n < 0 && saved == EPIPE) {
        struct timespec zero = {0, 0};
        sigtimedwait(&pipeSet, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = saved;
    return n;
}

// Waits for the child to end. A child that outlives SIGTERM by two seconds is killed, so a program
// that ignores the signal cannot hold the caller forever.
void reap(pid_t pid, const char* path, bool terminated) {
    int status = 0;
    if (terminated) {
        for (int i = 0; i < 20; ++i) {
            pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid || (r < 0 && errno != EINTR)) {
                if (r == pid && WIFEXITED(status))
                    KFW_DEBUG(KFW_COMP_UTIL, 1, "Reaped child %s, exit status = %d\n\n", path, WEXITSTATUS(status));
                return;
            }
            usleep(100 * 1000);
        }
        kill(pid, SIGKILL);
    }
    for (;;) {
        errno = 0;
        pid_t r = waitpid(pid, &status, 0);
        if (r < 0) {
            if (errno == EINTR) continue;
            return;  // ECHILD or another failure: nothing left to reap
        }
        if (WIFEXITED(status)) {
            KFW_DEBUG(KFW_COMP_UTIL, 1, "Reaped child %s, exit status = %d\n\n", path, WEXITSTATUS(status));
            return;
        }
        if (WIFSIGNALED(status)) return;
    }
}

// Waits until `fd` is readable or closed, draining `drainFd` meanwhile so that a child blocked on a
// full output pipe can still reach its error output. False when `limitSeconds` (0: none) passed.
bool waitReadable(int fd, int drainFd, int limitSeconds) {
    int waited = 0;
    for (;;) {
        struct pollfd p[2] = {{fd, POLLIN, 0}, {drainFd, POLLIN, 0}};
        int n = poll(p, drainFd >= 0 ? 2 : 1, 1000);
        if (n < 0) {
            if (errno == EINTR) continue;
            return true;  // let the read itself report the failure
        }
        if (p[0].revents != 0) return true;
        if (drainFd >= 0 && p[1].revents != 0) {
            char scratch[256];
            ssize_t r = read(drainFd, scratch, sizeof scratch);
            if (r == 0 || (r < 0 && errno != EINTR && errno != EAGAIN)) drainFd = -1;
        }
        if (n == 0 && limitSeconds > 0 && ++waited >= limitSeconds) return false;
    }
}

}  // namespace

extern "C" int RunCommandWithTimeout(const char* path, char* const argv[], char* out, int* outLen, char* err,
                                     int* errLen, const void* input, int inputLen, int timeout) {
    if (path == nullptr || argv == nullptr || (out != nullptr && outLen == nullptr) ||
        (err != nullptr && errLen == nullptr))
        return 0;
    errno = 0;
    // Index 0: the child's standard error, 1: its standard output, 2: its standard input.
    Pipe pipes[3];
    static const char* const kWhich[3] = {"stderr", "stdout", "stdin"};
    for (int i = 0; i < 3; ++i) {
        if (pipe2(pipes[i].fd, O_CLOEXEC) != 0) {
            KFW_ERROR("Failed to create %s pipe: %d\n\n", kWhich[i], errno);
            closePipes(pipes, i);
            return 0;
        }
    }
    if (kfwVerboseAtLeast(KFW_COMP_UTIL, 1))
        for (int i = 0; i < 10 && argv[i] != nullptr; ++i)
            KFW_DEBUG(KFW_COMP_UTIL, 1, "%s: args[%d](%s)\n", path, i, argv[i]);

    int childFds[3] = {pipes[2].readEnd(), pipes[1].writeEnd(), pipes[0].writeEnd()};
    pid_t pid = -1;
    int rc = kestForkExec(path, argv, childFds, &pid);
    if (rc != 0) {
        KFW_ERROR("Failed to fork child process (%s), status: %d\n\n", path, rc);
        closePipes(pipes, 3);
        return 0;
    }
    closeFd(pipes[2].readEnd());
    closeFd(pipes[1].writeEnd());
    closeFd(pipes[0].writeEnd());
    KFW_DEBUG(KFW_COMP_UTIL, 1, "Forked child %s: %d\n\n", path, static_cast<int>(pid));

    if (input != nullptr && inputLen > 0) {
        // One write of what the pipe takes now: a child that never reads its input must not stall us.
        fcntl(pipes[2].writeEnd(), F_SETFL, fcntl(pipes[2].writeEnd(), F_GETFL) | O_NONBLOCK);
        ssize_t n = writeWithoutSigpipe(pipes[2].writeEnd(), input, static_cast<size_t>(inputLen));
        KFW_DEBUG(KFW_COMP_UTIL, 1, "write returned bytes %ld\n\n", static_cast<long>(n));
    }
    closeFd(pipes[2].writeEnd());

    bool terminated = false;
    int outFd = pipes[1].readEnd();
    if (out != nullptr) {
        int capacity = std::max(*outLen, 0);
        *outLen = 0;
        bool nonBlocking = false;
        if (timeout > 0) {
            int flags = fcntl(outFd, F_GETFL);
            nonBlocking = flags >= 0 && fcntl(outFd, F_SETFL, flags | O_NONBLOCK) == 0;
            if (!nonBlocking) KFW_WARN("Use blocking read to read from child %s: %s\n", path, strerror(errno));
        }
        int idle = 0;
        while (*outLen < capacity) {
            size_t want = static_cast<size_t>(std::min(4096, capacity - *outLen));
            ssize_t n = read(outFd, out + *outLen, want);
            if (n > 0) {
                *outLen += static_cast<int>(n);
                idle = 0;
                KFW_DEBUG(KFW_COMP_UTIL, 2, "Reading %d bytes from child %s\n", static_cast<int>(n), path);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && nonBlocking && errno == EAGAIN) {
                if (++idle >= timeout) {
                    KFW_WARN("Kill stuck child process %s.\n", path);
                    kill(pid, SIGTERM);
                    terminated = true;
                    break;
                }
                KFW_DEBUG(KFW_COMP_UTIL, 2, "Sleeping to wait for child %s\n", path);
                sleep(1);
                continue;
            }
            KFW_DEBUG(KFW_COMP_UTIL, 2, "Reading from child %s stops: %d - %s\n", path, static_cast<int>(n),
                      n == 0 ? "no data" : strerror(errno));
            break;
        }
        if (capacity > 0) {
            if (*outLen < capacity) out[*outLen] = '\0';
            else out[capacity - 1] = '\0';
        }
    }

    if (err != nullptr) {
        int capacity = std::max(*errLen, 0);
        *errLen = 0;
        if (!terminated && !waitReadable(pipes[0].readEnd(), outFd, timeout)) {
            KFW_WARN("Kill stuck child process %s.\n", path);
            kill(pid, SIGTERM);
            terminated = true;
        }
        ssize_t n;
        do {
            n = terminated ? 0 : read(pipes[0].readEnd(), err, static_cast<size_t>(capacity));
        } while (n < 0 && errno == EINTR);
        *errLen = static_cast<int>(n);
    }

    // Drain the rest of the output so the child is not left blocked on a full pipe.
    if (!terminated) {
        fcntl(outFd, F_SETFL, fcntl(outFd, F_GETFL) & ~O_NONBLOCK);
        char scratch[256];
        for (;;) {
            ssize_t n = read(outFd, scratch, sizeof scratch);
            if (n > 0) continue;
            if (n < 0 && errno == EINTR) continue;
            break;
        }
    }
    reap(pid, path, terminated);
    closePipes(pipes, 3);
    return 1;
}

extern "C" int RunCommand(const char* path, char* const argv[], char* out, int* outLen, char* err, int* errLen,
                          const void* input, int inputLen) {
    return RunCommandWithTimeout(path, argv, out, outLen, err, errLen, input, inputLen, 0);
}

namespace {

constexpr size_t kRevalidateRecordSize = 20;
constexpr size_t kFilterControlSize = 20;
constexpr size_t kFilterPayloadSize = 116;
constexpr size_t kAgentNameSize = 100;

bool revalidateVm(int fd, unsigned worldId, const uint8_t uuid[16]) {
    uint8_t record[kRevalidateRecordSize] = {};
    ByteWriter w(record, sizeof record);
    w.put<uint32_t>(worldId);
    w.bytes(uuid, 16);
    return ioctl(fd, KESTFW_PLK_REVALIDATE_VM, record) == 0;
}

// One filter-list control call; answers the kernel's result word, or -1 when the call failed.
long filterListCall(int fd, unsigned op, uint8_t* payload) {
    uint8_t control[kFilterControlSize] = {};
    ByteWriter w(control, sizeof control);
    w.put<uint32_t>(op);
    w.put<uint32_t>(0);
    w.put<uint32_t>(kFilterPayloadSize);
    w.put<uint64_t>(reinterpret_cast<uintptr_t>(payload));
    if (ioctl(fd, op, control) != 0) return -1;
    return ByteReader(control, sizeof control).getAt<uint32_t>(4);
}

}  // namespace

extern "C" int RevalidateOneVM(int fd, unsigned int worldId, const uint8_t uuid[16]) {
    static const uint8_t kNone[16] = {};
    if (!revalidateVm(fd, worldId, uuid != nullptr ? uuid : kNone)) {
        KFW_ERROR("Failed to revalidate vm of world id %u: %s\n\n", worldId, strerror(errno));
        return 0;
    }
    return 1;
}

extern "C" int RevalidateOneVMPort(int fd, unsigned int worldId, unsigned int portId) {
    uint8_t record[8] = {};
    ByteWriter w(record, sizeof record);
    w.put<uint32_t>(worldId);
    w.put<uint32_t>(portId);
    if (ioctl(fd, KESTFW_PLK_REVALIDATE_PORT, record) != 0) {
        KFW_ERROR("Failed to revalidate vm of world id %u: %s\n\n", worldId, strerror(errno));
        return 0;
    }
    return 1;
}

extern "C" int RevalidateAllVMs(int fd) {
    constexpr int kListSize = 32768;
    char* list = static_cast<char*>(calloc(1, kListSize));
    if (list == nullptr) {
        KFW_ERROR("Out of memory to get vm list\n\n");
        return 0;
    }
    std::string script = KESTFW_VM_LIST_SCRIPT;
    char* argv[] = {script.data(), nullptr};
    int len = kListSize - 1;
    if (!RunCommand(script.c_str(), argv, list, &len, nullptr, nullptr, nullptr, 0) || len < 0) {
        KFW_ERROR("Failed to get vm list: %d\n\n", len);
        free(list);
        return 0;
    }
    std::string text(list, strnlen(list, static_cast<size_t>(len)));
    free(list);

    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string world = line.substr(0, colon);
        long worldId = 0;
        if (!Str2Long(world.c_str(), 10, &worldId)) {
            KFW_ERROR("Failed to get world id for vm\n\n");
            return 0;
        }
        size_t next = line.find(':', colon + 1);
        std::string uuidText = line.substr(colon + 1, next == std::string::npos ? std::string::npos : next - colon - 1);
        uint8_t uuid[16];
        if (uuidText.empty() || !rvqstr2uuid(uuid, uuidText.c_str())) {
            KFW_ERROR("Failed to get vm uuid\n\n");
            return 0;
        }
        if (!revalidateVm(fd, static_cast<unsigned>(worldId), uuid)) {
            KFW_ERROR("Failed to revalidate vm %s of world %ld: %s\n\n", uuidText.c_str(), worldId, strerror(errno));
            return 0;
        }
    }
    return 1;
}

extern "C" void* GetFilterDetailList(int fd, const char* agent, unsigned int* count) {
    if (count == nullptr) return nullptr;
    *count = 0;
    uint8_t payload[kFilterPayloadSize] = {};
    if (agent != nullptr) memcpy(payload, agent, strnlen(agent, kAgentNameSize - 1));

    long result = filterListCall(fd, KESTFW_PLK_FILTER_COUNT, payload);
    if (result < 0) {
        KFW_ERROR("ioctl failed: %s\n\n", strerror(errno));
        return nullptr;
    }
    if (result != 0) {
        KFW_ERROR("ioctl failed to get filter count: %u\n\n", static_cast<unsigned>(result));
        return nullptr;
    }
    ByteReader counted(payload, sizeof payload);
    uint32_t n = counted.getAt<uint32_t>(kAgentNameSize);
    if (n == 0) {
        KFW_ERROR("there is no filter for agent %s\n\n", agent != nullptr ? agent : "");
        return nullptr;
    }
    if (n > UINT32_MAX / KESTFW_FILTER_RECORD_SIZE) {
        KFW_ERROR("invalid filter count: %u\n\n", n);
        return nullptr;
    }
    uint32_t bytes = n * KESTFW_FILTER_RECORD_SIZE;
    void* buffer = calloc(1, bytes);
    if (buffer == nullptr) {
        KFW_ERROR("no memory for getting filters: %u\n\n", n);
        return nullptr;
    }
    ByteWriter w(payload, sizeof payload);
    w.putAt<uint32_t>(kAgentNameSize + 4, bytes);
    w.putAt<uint64_t>(kAgentNameSize + 8, reinterpret_cast<uintptr_t>(buffer));
    result = filterListCall(fd, KESTFW_PLK_FILTER_FETCH, payload);
    if (result != 0) {
        if (result < 0) KFW_ERROR("ioctl failed: %s\n\n", strerror(errno));
        else KFW_ERROR("ioctl failed to get filters: %u\n\n", static_cast<unsigned>(result));
        free(buffer);
        return nullptr;
    }
    // The kernel may have fewer filters by now; never more than the buffer was sized for.
    uint32_t fetched = ByteReader(payload, sizeof payload).getAt<uint32_t>(kAgentNameSize);
    *count = std::min(fetched, n);
    return buffer;
}
