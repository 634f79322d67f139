#include "sim/daemon/SimDaemon.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "sim/daemon/SimControlCommands.h"
#include "sim/engine/SimBytes.h"
#include "sim/engine/SimWire.h"
#include "sim/host/SimForward.h"
#include "sim/host/SimSocketIO.h"

namespace KestSim {

using SocketIO::getU32;
using SocketIO::putU32;
using SocketIO::readFull;
using SocketIO::writeFull;

namespace {

// The largest body the socket channel may announce: the module takes no message above 64 MiB.
constexpr uint32_t kMaxTcpBody = Engine::kMaxMessage - MsgHeader::kSize;

// Appends `len` bytes read from `fd` to `buf`, growing it as they arrive rather than by the announced
// length up front: a peer that announces a large body and sends little costs little. Returns the bytes
// appended (fewer when the peer closed), or -1 on an error (errno set; EAGAIN when idle too long).
ssize_t readAppend(int fd, std::vector<uint8_t>& buf, size_t len) {
    constexpr size_t kFirstStep = 64 * 1024;
    size_t got = 0;
    while (got < len) {
        const size_t step = std::min(len - got, std::max(kFirstStep, buf.size()));
        const size_t at = buf.size();
        buf.resize(at + step);
        ssize_t n = readFull(fd, buf.data() + at, step);
        if (n < 0) {
            buf.resize(at);
            return -1;
        }
        buf.resize(at + size_t(n));
        got += size_t(n);
        if (size_t(n) < step) break;
    }
    return static_cast<ssize_t>(got);
}

const char* kindName(int kind) {
    static const char* const kNames[] = {"tcp", "unix", "control"};
    return kNames[kind];
}

std::string absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return path;
    return std::string(cwd) + "/" + path;
}

// A listening Unix socket at `path`. A socket file nobody listens on any more (left by a daemon that was
// killed) is replaced; anything else at the path is left alone and refused.
int listenUnix(const std::string& path, std::string& error) {
    sockaddr_un addr;
    memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        error = "unix socket path too long or empty: " + path;
        return -1;
    }
    memcpy(addr.sun_path, path.data(), path.size());
    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error = path + " exists and is not a socket";
            return -1;
        }
        int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        bool live = probe >= 0 && ::connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        if (probe >= 0) ::close(probe);
        if (live) {
            error = path + " is in use by a running server";
            return -1;
        }
        ::unlink(path.c_str());
    }
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0) {
        error = "cannot listen on " + path + ": " + strerror(errno);
        if (fd >= 0) ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

Daemon::Daemon(const DaemonOptions& options) : m_options(options) {}

Daemon::~Daemon() {
    reap(true);
    closeListeners();
    for (int& fd : m_wake)
        if (fd >= 0) ::close(fd), fd = -1;
}

void Daemon::log(const char* fmt, ...) {
    char line[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    std::lock_guard<std::mutex> lock(m_logMutex);
    fprintf(stderr, "kestsimd: %s\n", line);
    fflush(stderr);
}

bool Daemon::listen(std::string& error) {
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("cannot make the wake-up pipe: ") + strerror(errno);
        return false;
    }
    if (m_options.tcp) {
        std::string host = m_options.tcpHost == "localhost" ? "127.0.0.1" : m_options.tcpHost;
        sockaddr_in addr;
        memset(&addr, 0, sizeof addr);
        addr.sin_family = AF_INET;
        addr.sin_port = htons(m_options.tcpPort);
        // Only the loopback network: the simulator answers for a kernel module, never for the network.
        if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1 || (ntohl(addr.sin_addr.s_addr) >> 24) != 127) {
            error = "not a loopback IPv4 address: " + m_options.tcpHost;
            return false;
        }
        m_tcp = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        int on = 1;
        socklen_t len = sizeof addr;
        if (m_tcp < 0 || setsockopt(m_tcp, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
            ::bind(m_tcp, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_tcp, 64) != 0 ||
            getsockname(m_tcp, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
            error = "cannot listen on " + host + ":" + std::to_string(m_options.tcpPort) + ": " + strerror(errno);
            return false;
        }
        m_boundPort = ntohs(addr.sin_port);
    }
    if (!m_options.unixPath.empty()) {
        if ((m_unix = listenUnix(m_options.unixPath, error)) < 0) return false;
        m_unixPath = absolute(m_options.unixPath);
    }
    if (!m_options.controlPath.empty()) {
        if ((m_control = listenUnix(m_options.controlPath, error)) < 0) return false;
        m_controlPath = absolute(m_options.controlPath);
    }
    return true;
}

void Daemon::stop() {
    m_stopping.store(true);
    if (m_wake[1] >= 0) {
        char c = 's';
        ssize_t r = ::write(m_wake[1], &c, 1);
        (void)r;  // a full pipe already wakes the loop
    }
}

void Daemon::serve() {
    while (!m_stopping.load()) {
        pollfd fds[4];
        nfds_t n = 0;
        fds[n++] = pollfd{m_wake[0], POLLIN, 0};
        const int listeners[3] = {m_tcp, m_unix, m_control};
        for (int fd : listeners)
            if (fd >= 0) fds[n++] = pollfd{fd, POLLIN, 0};
        if (::poll(fds, n, -1) < 0 && errno != EINTR) {
            log("poll failed: %s", strerror(errno));
            break;
        }
        if (fds[0].revents) {
            char drain[64];
            while (::read(m_wake[0], drain, sizeof drain) > 0) {
            }
        }
        reap(false);
        if (m_stopping.load()) break;
        for (nfds_t i = 1; i < n; ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            Kind kind = fds[i].fd == m_tcp ? Kind::Tcp : fds[i].fd == m_unix ? Kind::Forward : Kind::Control;
            accept(fds[i].fd, kind);
        }
    }
    // New connections first, then the open ones: a shut-down socket wakes a thread blocked on it.
    closeListeners();
    for (auto& c : m_clients) ::shutdown(c->fd, SHUT_RDWR);
    reap(true);
    if (m_options.verbose) log("stopped");
}

void Daemon::accept(int listener, Kind kind) {
    int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;  // the peer went away before we took it
    // Control connections have places of their own: data peers holding every place cannot lock out the
    // socket that inspects and resets the module.
    size_t same = 0;
    for (const auto& c : m_clients)
        if ((c->kind == Kind::Control) == (kind == Kind::Control)) ++same;
    const size_t bound = kind == Kind::Control ? m_options.maxControl : m_options.maxClients;
    if (same >= bound) {
        log("%s: %zu clients already, refusing another", kindName(int(kind)), same);
        ::close(fd);
        return;
    }
    if (kind == Kind::Tcp) {
        int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    if (kind != Kind::Control && m_options.idleMs != 0) {
        // A receive that waits longer fails with EAGAIN and ends the connection.
        timeval tv{};
        tv.tv_sec = static_cast<time_t>(m_options.idleMs / 1000);
        tv.tv_usec = static_cast<suseconds_t>(m_options.idleMs % 1000) * 1000;
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
    auto c = std::make_unique<Client>();
    c->id = m_nextId++;
    c->kind = kind;
    c->fd = fd;
    Client* raw = c.get();
    if (m_options.verbose) log("%s client %u: connected", kindName(int(kind)), raw->id);
    try {
        raw->thread = std::thread([this, raw] {
            if (raw->kind == Kind::Tcp)
                serveTcp(*raw);
            else if (raw->kind == Kind::Forward)
                serveForward(*raw);
            else
                serveControl(*raw);
            raw->done.store(true);
            char w = 'r';
            ssize_t r = ::write(m_wake[1], &w, 1);
            (void)r;
        });
    } catch (const std::exception& e) {
        log("%s client %u: cannot start a thread: %s", kindName(int(kind)), raw->id, e.what());
        ::close(fd);
        return;
    }
    m_clients.push_back(std::move(c));
}

void Daemon::reap(bool all) {
    // Only this thread closes client descriptors, after joining: a descriptor never gets reused while a
    // shutdown() of it might still be issued.
    for (auto it = m_clients.begin(); it != m_clients.end();) {
        Client& c = **it;
        if (!all && !c.done.load()) {
            ++it;
            continue;
        }
        if (c.thread.joinable()) c.thread.join();
        ::close(c.fd);
        if (m_options.verbose) log("%s client %u: closed", kindName(int(c.kind)), c.id);
        it = m_clients.erase(it);
    }
}

void Daemon::closeListeners() {
    if (m_tcp >= 0) ::close(m_tcp), m_tcp = -1;
    if (m_unix >= 0) {
        ::close(m_unix), m_unix = -1;
        ::unlink(m_unixPath.c_str());
    }
    if (m_control >= 0) {
        ::close(m_control), m_control = -1;
        ::unlink(m_controlPath.c_str());
    }
}

bool Daemon::answer(Client& c, const uint8_t* data, size_t len, const char* what) {
    long cut = m_shared.drops.take(len);
    if (cut >= 0) {
        writeFull(c.fd, data, static_cast<size_t>(cut));
        log("%s client %u: %s: dropped the connection after %ld of %zu bytes (scripted)", kindName(int(c.kind)), c.id,
            what, cut, len);
        return false;
    }
    if (m_options.verbose) log("%s client %u: %s", kindName(int(c.kind)), c.id, what);
    return writeFull(c.fd, data, len);
}

void Daemon::markFailed(uint8_t* msg, size_t len, uint32_t status) {
    // A failed call may be a malformed one: every record whose command header lies inside the message
    // says why, the one whose body overruns included (and the first record even when the header counts
    // none), so no record the module refused reads as performed. The walk stops at the first overrun.
    Window m(msg, len);
    uint16_t count = 0;
    m.u16(MsgHeader::kOffCount, count);
    size_t off = MsgHeader::kSize;
    for (uint32_t i = 0; i < std::max<uint32_t>(count, 1); ++i) {
        uint32_t cmdLen = 0;
        if (!m.u32(off + CmdHeader::kOffBodyLen, cmdLen) || !m.has(off, CmdHeader::kSize)) break;
        m.putU32(off + CmdHeader::kOffStatus, status);
        if (!m.has(off + CmdHeader::kSize, cmdLen)) break;
        off += CmdHeader::kSize + size_t(cmdLen);
    }
}

void Daemon::serveTcp(Client& c) {
    for (;;) {
        uint8_t head[MsgHeader::kSize];
        ssize_t n = readFull(c.fd, head, sizeof head);
        if (n == 0) return;
        if (n < 0 && errno == EAGAIN) {
            log("tcp client %u: nothing received for %u ms, closing", c.id, m_options.idleMs);
            return;
        }
        if (n != ssize_t(sizeof head)) {
            log("tcp client %u: connection ended inside a message header (%zd of %u bytes)", c.id, n < 0 ? 0 : n,
                MsgHeader::kSize);
            return;
        }
        if (memcmp(head + MsgHeader::kOffSignature, MsgHeader::kSignature, 4) != 0) {
            log("tcp client %u: message without the KEST signature, closing", c.id);
            return;
        }
        uint32_t bodyLen = getU32(head + MsgHeader::kOffBodyLen);
        if (bodyLen > kMaxTcpBody) {
            log("tcp client %u: body length %u is over %u, closing", c.id, bodyLen, kMaxTcpBody);
            return;
        }
        std::vector<uint8_t> msg(head, head + sizeof head);
        n = readAppend(c.fd, msg, bodyLen);
        if (n != ssize_t(bodyLen)) {
            if (n < 0 && errno == EAGAIN)
                log("tcp client %u: stalled inside a message body for %u ms (%zu of %u bytes), closing", c.id,
                    m_options.idleMs, msg.size() - MsgHeader::kSize, bodyLen);
            else
                log("tcp client %u: connection ended inside a message body (%zu of %u bytes)", c.id,
                    msg.size() - MsgHeader::kSize, bodyLen);
            return;
        }
        ++m_shared.tcpRequests;
        uint32_t sequence = getU32(head + MsgHeader::kOffSequence);
        unsigned count = unsigned(head[MsgHeader::kOffCount]) | unsigned(head[MsgHeader::kOffCount + 1]) << 8;
        char what[160];
        if (m_shared.engine.process(nullptr, msg.data(), static_cast<uint32_t>(msg.size())) == 0) {
            snprintf(what, sizeof what, "message %u, %u command(s), %zu bytes: answered", sequence, count, msg.size());
        } else {
            int err = errno;
            uint32_t status = statusOfErrno(err);
            markFailed(msg.data(), msg.size(), status);
            snprintf(what, sizeof what, "message %u, %u command(s), %zu bytes: call failed (%s), status %u", sequence,
                     count, msg.size(), strerror(err), status);
        }
        if (!answer(c, msg.data(), msg.size(), what)) return;
    }
}

void Daemon::serveForward(Client& c) {
    for (;;) {
        uint8_t head[Forward::kRequestHead];
        ssize_t n = readFull(c.fd, head, sizeof head);
        if (n == 0) return;
        if (n != ssize_t(sizeof head)) {
            if (n < 0 && errno == EAGAIN)
                log("unix client %u: nothing received for %u ms, closing", c.id, m_options.idleMs);
            else
                log("unix client %u: connection ended inside a request head (%zd of %u bytes)", c.id, n < 0 ? 0 : n,
                    Forward::kRequestHead);
            return;
        }
        uint32_t refused = getU32(head + Forward::kPortSize);
        uint32_t len = getU32(head + Forward::kPortSize + 4);
        if (len > Forward::kMaxMessage || refused >= 4096 || (refused && len)) {
            log("unix client %u: malformed request (refused %u, length %u), closing", c.id, refused, len);
            return;
        }
        // Room for the answer head in front, and never a null message address, even for no message.
        std::vector<uint8_t> buf(Forward::kAnswerHead);
        n = readAppend(c.fd, buf, len);
        if (n != ssize_t(len)) {
            log("unix client %u: connection ended inside a message (%zu of %u bytes)", c.id,
                buf.size() - Forward::kAnswerHead, len);
            return;
        }
        buf.push_back(0);
        uint8_t* msg = buf.data() + Forward::kAnswerHead;
        ++m_shared.unixRequests;
        int err = 0;
        if (m_shared.engine.process(head, msg, len, static_cast<int>(refused)) != 0) err = errno ? errno : EIO;
        putU32(buf.data(), static_cast<uint32_t>(err));
        putU32(buf.data() + 4, err ? 0 : len);
        PortKey key = PortKey::fromRecord(head);
        std::string port = key.hostWide() ? std::string("host") : std::to_string(key.type()) + ":" + key.id();
        char what[200];
        if (err)
            snprintf(what, sizeof what, "port %s, %u bytes: call failed (%s)", port.c_str(), len, strerror(err));
        else
            snprintf(what, sizeof what, "port %s, %u bytes: answered", port.c_str(), len);
        if (!answer(c, buf.data(), Forward::kAnswerHead + (err ? 0 : size_t(len)), what)) return;
    }
}

void Daemon::serveControl(Client& c) {
    ControlCommands commands(m_shared);
    std::string pending;
    size_t scanned = 0;
    char chunk[65536];
    for (;;) {
        size_t eol = pending.find('\n', scanned);
        if (eol == std::string::npos) {
            if (pending.size() > kMaxControlLine) {
                log("control client %u: request line over %u bytes, closing", c.id, kMaxControlLine);
                writeFull(c.fd, "error line too long\n", 20);
                return;
            }
            scanned = pending.size();
            ssize_t n = ::recv(c.fd, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            pending.append(chunk, static_cast<size_t>(n));
            continue;
        }
        std::string line = pending.substr(0, eol);
        pending.erase(0, eol + 1);
        scanned = 0;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string reply = commands.run(line);
        if (m_options.verbose) log("control client %u: %.120s -> %.120s", c.id, line.c_str(), reply.c_str());
        reply += '\n';
        if (!writeFull(c.fd, reply.data(), reply.size())) return;
    }
}

}  // namespace KestSim
