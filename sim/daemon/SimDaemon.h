// kestsimd's server: one simulated module served to many processes at once.
//
// Three kinds of connection, each served by a thread of its own. Socket-channel and forwarding
// connections share `maxClients` places, control connections have `maxControl` of their own, so peers
// that hold every data place still leave the control socket usable. A data connection that sends nothing
// for `idleMs` (inside a message or between messages) is closed, so stalled peers give their places
// back; bodies are stored as their bytes arrive, so an announced length costs nothing until it is sent.
//  - socket channel (loopback TCP): the library's socket channel sends each message exactly as it stands
//    in its buffer, the 20-byte message header followed by as many bytes as the header's body length
//    says. No port record travels, so the commands act on the host-wide filter. The daemon answers with
//    the same number of bytes: the message as the module answered it, status words included. When the
//    module fails the whole call, the message goes back unchanged except that every command's status
//    word says why: 65 ("kernel out of memory") for ENOMEM, 19 ("ioctl failed") for anything else.
//    The records of such a message lying inside it get that status word even when the module refused
//    them, so no refused record goes back with status 0. A header without the "KEST" signature, a body
//    longer than the module takes (64 MiB in all) or a peer that stops inside a message closes that
//    connection only.
//  - forwarding (Unix socket): the device interposer of another process hands its control calls over;
//    framing in sim/host/SimForward.h.
//  - control (Unix socket): the line language of sim/daemon/SimControlCommands.h.
#pragma once

#include <errno.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sim/daemon/SimDaemonState.h"

namespace KestSim {

struct DaemonOptions {
    bool tcp = false;
    std::string tcpHost = "127.0.0.1";  // a loopback address; nothing else is ever bound
    uint16_t tcpPort = 0;               // 0: any free port
    std::string unixPath;               // forwarding socket; empty for none
    std::string controlPath;            // control socket; empty for none
    bool verbose = false;               // one log line per request
    size_t maxClients = 64;
    size_t maxControl = 8;
    unsigned idleMs = 60000;  // 0: no limit
};

class Daemon {
public:
    // Status words of a call the module failed (ENOMEM, anything else).
    static constexpr uint32_t kStatusKernelNoMemory = 65;
    static constexpr uint32_t kStatusIoctlFailed = 19;
    static constexpr uint32_t kMaxControlLine = 64u << 20;

    explicit Daemon(const DaemonOptions& options);
    ~Daemon();
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;

    // Binds and listens on every configured socket; false with the reason in `error`.
    bool listen(std::string& error);
    uint16_t tcpPort() const { return m_boundPort; }
    // Absolute paths of the Unix sockets (they stay valid when the process changes directory).
    const std::string& unixPath() const { return m_unixPath; }
    const std::string& controlPath() const { return m_controlPath; }

    // Serves until stop(); then ends every connection, closes the listeners and removes the socket files.
    void serve();
    // Safe in a signal handler.
    void stop();

    // Writes one line to stderr, whole.
    void log(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    // The status word every command of a failed call gets, and how the message says it.
    static uint32_t statusOfErrno(int err) { return err == ENOMEM ? kStatusKernelNoMemory : kStatusIoctlFailed; }
    static void markFailed(uint8_t* msg, size_t len, uint32_t status);

private:
    enum class Kind { Tcp, Forward, Control };
    struct Client {
        unsigned id = 0;
        Kind kind = Kind::Tcp;
        int fd = -1;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void accept(int listener, Kind kind);
    void reap(bool all);
    void closeListeners();
    void serveTcp(Client& c);
    void serveForward(Client& c);
    void serveControl(Client& c);
    // Sends an answer, or the part of it a scripted drop allows; false when the connection is to end.
    bool answer(Client& c, const uint8_t* data, size_t len, const char* what);

    DaemonOptions m_options;
    DaemonShared m_shared;
    int m_tcp = -1, m_unix = -1, m_control = -1;
    uint16_t m_boundPort = 0;
    std::string m_unixPath, m_controlPath;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_stopping{false};
    std::list<std::unique_ptr<Client>> m_clients;  // the serving thread's alone
    unsigned m_nextId = 1;
    std::mutex m_logMutex;
};

}  // namespace KestSim
