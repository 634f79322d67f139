// Test helper: a kestsimd child process on a free loopback port and Unix sockets in a fresh temporary
// directory, with its control socket at hand.
//
//   KestSim::DaemonProcess d;
//   ASSERT_TRUE(d.start()) << d.error();
//   ASSERT_EQ(d.control("seed rulesets host 3"), "ok");
//   ... socket channel to 127.0.0.1:d.tcpPort(), or
//   KestSim::ScopedForward fwd(d.forwardPath());  // this process's devices now reach the daemon
//   EXPECT_EQ(d.control("show rulesets host"), "rulesets 3");
//   EXPECT_EQ(d.stop(), 0);                        // SIGTERM; the exit code
//
// The program is $KESTSIMD when set, else <build>/sim/kestsimd beside <build>/tests/<this program>.
// Header-only; ScopedForward needs the simulator's control interface (kestsim or kestsim_testsupport).
#pragma once

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "sim/KestSimControl.h"

extern char** environ;

namespace KestSim {

class DaemonProcess {
public:
    struct Options {
        bool tcp = true;       // the socket channel's port (a free one)
        bool forward = true;   // the interposer's forwarding socket
        bool control = true;   // the control socket
        bool verbose = false;  // one log line per request on the test's stderr
        std::string binary;    // empty: defaultBinary()
        std::vector<std::string> extraArgs;
        int readyTimeoutMs = 30000;
    };

    DaemonProcess() = default;
    ~DaemonProcess() { stop(SIGKILL); }
    DaemonProcess(const DaemonProcess&) = delete;
    DaemonProcess& operator=(const DaemonProcess&) = delete;

    // Starts the daemon and waits until it listens on everything asked for. False, with error() saying
    // why, when it did not come up (it is then stopped again).
    bool start() { return start(Options()); }
    bool start(const Options& o) {
        stop(SIGKILL);
        m_error.clear();
        char dir[] = "/tmp/kestsimd-XXXXXX";
        if (!mkdtemp(dir)) return failed("mkdtemp: " + std::string(strerror(errno)));
        m_dir = dir;
        m_tcpWanted = o.tcp;
        m_forwardPath = o.forward ? m_dir + "/forward.sock" : std::string();
        m_controlPath = o.control ? m_dir + "/control.sock" : std::string();
        std::string binary = o.binary.empty() ? defaultBinary() : o.binary;
        std::vector<std::string> args{binary};
        if (o.tcp) args.insert(args.end(), {"--tcp", "127.0.0.1:0"});
        if (o.forward) args.insert(args.end(), {"--unix", m_forwardPath});
        if (o.control) args.insert(args.end(), {"--control", m_controlPath});
        if (o.verbose) args.push_back("--verbose");
        args.insert(args.end(), o.extraArgs.begin(), o.extraArgs.end());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);

        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return failed("pipe: " + std::string(strerror(errno)));
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        pid_t pid = -1;
        int rc = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (rc != 0) {
            ::close(out[0]);
            return failed("cannot start " + binary + ": " + strerror(rc));
        }
        m_pid = pid;
        bool ready = awaitReady(out[0], o.readyTimeoutMs);
        ::close(out[0]);
        if (!ready) {
            std::string why = m_error;
            stop(SIGKILL);
            m_error = why;
            return false;
        }
        return true;
    }

    // Sends `sig` (SIGTERM: the orderly way out) and waits; SIGKILL follows after `timeoutMs`. Returns
    // the exit code, 128 + the signal when a signal ended it, -1 when nothing was running. Removes the
    // temporary directory with anything the daemon left in it.
    int stop(int sig = SIGTERM, int timeoutMs = 30000) {
        closeControl();
        int result = -1;
        if (m_pid > 0) {
            ::kill(m_pid, sig);
            result = wait(timeoutMs);
            if (m_pid > 0) {
                ::kill(m_pid, SIGKILL);
                result = wait(-1);
            }
        }
        if (!m_dir.empty()) {
            if (!m_forwardPath.empty()) ::unlink(m_forwardPath.c_str());
            if (!m_controlPath.empty()) ::unlink(m_controlPath.c_str());
            ::rmdir(m_dir.c_str());
            m_dir.clear();
        }
        m_tcpPort = 0;
        return result;
    }

    // Waits for the daemon to end by itself (after a signal the test sent) for at most `timeoutMs`
    // (-1: no limit), leaving its directory as it is. Returns what stop() returns, or -1 while it still
    // runs.
    int wait(int timeoutMs) {
        if (m_pid <= 0) return -1;
        int status = 0;
        pid_t r;
        for (int waited = 0; (r = waitpid(m_pid, &status, timeoutMs < 0 ? 0 : WNOHANG)) == 0; waited += 5) {
            if (waited >= timeoutMs) return -1;
            sleepMs(5);
        }
        if (r < 0 && errno == EINTR) return wait(timeoutMs);
        m_pid = -1;
        if (r < 0) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    bool running() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }
    uint16_t tcpPort() const { return m_tcpPort; }
    const std::string& forwardPath() const { return m_forwardPath; }
    const std::string& controlPath() const { return m_controlPath; }
    const std::string& dir() const { return m_dir; }
    const std::string& error() const { return m_error; }

    // One control request; the answer line without its end, or "error transport" when the daemon
    // cannot be reached. The control connection is kept open between requests.
    std::string control(const std::string& line) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (m_control < 0 && (m_control = connectControl()) < 0) break;
            std::string req = line + "\n";
            std::string answer;
            if (sendAll(m_control, req.data(), req.size()) && readLine(answer)) return answer;
            closeControl();  // a broken connection is tried once more on a fresh one
        }
        return "error transport";
    }
    bool controlOk(const std::string& line) { return control(line) == "ok"; }

    // Connected descriptors (the caller closes them), -1 on failure.
    int connectTcp() const {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return -1;
        sockaddr_in a;
        memset(&a, 0, sizeof a);
        a.sin_family = AF_INET;
        a.sin_port = htons(m_tcpPort);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    int connectForward() const { return connectUnix(m_forwardPath); }
    int connectControl() const { return connectUnix(m_controlPath); }

    // The control language's name of a 100-byte port record: "host" for null or an all-zero record,
    // else "hex:" and its bytes.
    static std::string portToken(const void* port) {
        static const uint8_t kZero[KESTSIM_PORT_SIZE] = {};
        if (!port || memcmp(port, kZero, sizeof kZero) == 0) return "host";
        return "hex:" + hex(port, KESTSIM_PORT_SIZE);
    }
    static std::string hex(const void* data, size_t n) {
        static const char kDigits[] = "0123456789abcdef";
        const uint8_t* p = static_cast<const uint8_t*>(data);
        std::string s;
        s.reserve(2 * n);
        for (size_t i = 0; i < n; ++i) s += kDigits[p[i] >> 4], s += kDigits[p[i] & 15];
        return s;
    }

    static std::string defaultBinary() {
        const char* env = getenv("KESTSIMD");
        if (env && *env) return env;
        char self[PATH_MAX];
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0) return "kestsimd";
        self[n] = '\0';
        std::string dir(self);
        dir = dir.substr(0, dir.rfind('/'));
        return dir.substr(0, dir.rfind('/')) + "/sim/kestsimd";
    }

private:
    static void sleepMs(int ms) {
        timespec ts{ms / 1000, (ms % 1000) * 1000000L};
        nanosleep(&ts, nullptr);
    }
    static bool sendAll(int fd, const char* p, size_t n) {
        while (n) {
            ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            p += w, n -= size_t(w);
        }
        return true;
    }
    static int connectUnix(const std::string& path) {
        sockaddr_un a;
        memset(&a, 0, sizeof a);
        a.sun_family = AF_UNIX;
        if (path.empty() || path.size() >= sizeof a.sun_path) return -1;
        memcpy(a.sun_path, path.data(), path.size());
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) ::close(fd), fd = -1;
        return fd;
    }

    bool failed(const std::string& why) {
        m_error = why;
        return false;
    }

    // Reads the daemon's start-up lines until "ready"; picks the port out of "listening tcp ...".
    bool awaitReady(int fd, int timeoutMs) {
        std::string buf;
        for (int waited = 0; waited < timeoutMs;) {
            size_t eol;
            while ((eol = buf.find('\n')) != std::string::npos) {
                std::string line = buf.substr(0, eol);
                buf.erase(0, eol + 1);
                if (line == "ready") return m_tcpPort != 0 || !m_tcpWanted ? true : failed("no tcp port announced");
                if (line.compare(0, 14, "listening tcp ") == 0)
                    m_tcpPort = static_cast<uint16_t>(atoi(line.c_str() + line.rfind(':') + 1));
            }
            pollfd p{fd, POLLIN, 0};
            int r = ::poll(&p, 1, 100);
            if (r < 0 && errno != EINTR) return failed("poll: " + std::string(strerror(errno)));
            if (r > 0) {
                char chunk[512];
                ssize_t n = ::read(fd, chunk, sizeof chunk);
                if (n <= 0) return failed("kestsimd exited before it was ready (see its messages above)");
                buf.append(chunk, size_t(n));
            } else {
                waited += 100;
            }
        }
        return failed("kestsimd was not ready in time");
    }

    bool readLine(std::string& line) {
        for (;;) {
            size_t eol = m_pending.find('\n');
            if (eol != std::string::npos) {
                line = m_pending.substr(0, eol);
                m_pending.erase(0, eol + 1);
                return true;
            }
            char chunk[4096];
            ssize_t n = ::recv(m_control, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            m_pending.append(chunk, size_t(n));
        }
    }

    void closeControl() {
        if (m_control >= 0) ::close(m_control);
        m_control = -1;
        m_pending.clear();
    }

    pid_t m_pid = -1;
    bool m_tcpWanted = true;
    uint16_t m_tcpPort = 0;
    std::string m_dir, m_forwardPath, m_controlPath, m_error, m_pending;
    int m_control = -1;
};

// Sends this process's control calls to a daemon's forwarding socket while it lives (see
// kestsim_set_forward), then back to whatever the environment says.
class ScopedForward {
public:
    explicit ScopedForward(const std::string& path) { kestsim_set_forward(path.c_str()); }
    ~ScopedForward() { kestsim_set_forward(nullptr); }
    ScopedForward(const ScopedForward&) = delete;
    ScopedForward& operator=(const ScopedForward&) = delete;
};

}  // namespace KestSim
