// The socket channel against peers that misbehave: closing inside an answer, answering byte by byte,
// never answering, answering another message; threads sharing one handle; the time limit's key.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "frame/KestFWLibHandle.h"
#include "kestfw/kestfw.h"
#include "support/WireBytes.h"
#include "transport/KestFWIOChannelSocket.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

int g_reserved = 0;

bool readAll(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t r = recv(fd, p, n, 0);
        if (r <= 0) return false;
        p += r;
        n -= size_t(r);
    }
    return true;
}

void sendBytes(int fd, const uint8_t* p, size_t n, bool oneByOne) {
    for (size_t i = 0; i < n; i += oneByOne ? 1 : n) {
        if (send(fd, p + i, oneByOne ? 1 : n - i, MSG_NOSIGNAL) <= 0) return;
        if (oneByOne) usleep(200);
    }
}

// A loopback peer that serves each accepted connection with `serve` on a thread of its own until the
// peer is destroyed. `serve` gets the connection and a flag that says when to give up waiting.
class FakePeer {
public:
    typedef std::function<void(int fd, const std::atomic<bool>& stopping)> Serve;

    explicit FakePeer(Serve serve) : m_serve(std::move(serve)) {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(m_listener, 8) != 0 ||
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        m_port = std::to_string(ntohs(a.sin_port));
        m_acceptor = std::thread([this] {
            while (!m_stopping) {
                pollfd p{m_listener, POLLIN, 0};
                if (poll(&p, 1, 20) <= 0) continue;
                int fd = accept(m_listener, nullptr, nullptr);
                if (fd < 0) continue;
                m_fds.push_back(fd);
                m_served.emplace_back([this, fd] { m_serve(fd, m_stopping); });
            }
        });
    }
    ~FakePeer() {
        m_stopping = true;
        if (m_acceptor.joinable()) m_acceptor.join();
        for (int fd : m_fds) shutdown(fd, SHUT_RDWR);
        for (auto& t : m_served) t.join();
        for (int fd : m_fds) close(fd);
        close(m_listener);
    }
    const std::string& port() const { return m_port; }

private:
    Serve m_serve;
    int m_listener = -1;
    std::string m_port;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptor;
    std::vector<std::thread> m_served;
    std::vector<int> m_fds;
};

// The answer to a 36-byte count message: status 0 and the count `n`.
Bytes answered(Bytes msg, uint32_t n) {
    memcpy(&msg[32], &n, 4);
    return msg;
}

fwlibhandle_* socketHandle(const std::string& port, const char* timeoutMs, FWStatus_t* status) {
    std::string host = "127.0.0.1", service = port;
    std::vector<void*> args = {const_cast<char*>(KESTFW_IO_ADDRESS), &host[0], const_cast<char*>(KESTFW_IO_PORT),
                               &service[0]};
    if (timeoutMs != nullptr) {
        args.push_back(const_cast<char*>(KESTFW_IO_TIMEOUT_MS));
        args.push_back(const_cast<char*>(timeoutMs));
    }
    fwlibhandle_* h = nullptr;
    *status = FW_Initialize(0x10000, &g_reserved, FW_IO_SOCKET, int(args.size()), args.data(), &h);
    return h;
}

struct PeerCase {
    const char* name;
    FakePeer::Serve serve;
    FWStatus_t status;  // of the first exchange
    uint32_t count;     // what the caller sees afterwards (77: untouched)
};

TEST(SocketPeer, EachMisbehaviourHasItsStatusAndABrokenConnectionStaysBroken) {
    auto stall = [](int fd, const std::atomic<bool>& stopping) {
        uint8_t m[36];
        readAll(fd, m, sizeof m);
        while (!stopping) usleep(10000);
    };
    const PeerCase cases[] = {
        {"answers byte by byte",
         [](int fd, const std::atomic<bool>&) {
             Bytes m(36);
             while (readAll(fd, m.data(), m.size())) {
                 Bytes a = answered(m, 5);
                 sendBytes(fd, a.data(), a.size(), true);
             }
         },
         0, 5},
        {"closes inside the answer",
         [](int fd, const std::atomic<bool>&) {
             Bytes m(36);
             if (readAll(fd, m.data(), m.size())) sendBytes(fd, m.data(), 30, false);
             shutdown(fd, SHUT_RDWR);
         },
         11, 77},
        {"never answers", stall, 11, 77},
        {"answers another message",
         [](int fd, const std::atomic<bool>&) {
             Bytes m(36);
             if (!readAll(fd, m.data(), m.size())) return;
             Bytes a = answered(m, 5);
             a[24] = 2;  // another opcode
             sendBytes(fd, a.data(), a.size(), false);
         },
         11, 77},
    };
    for (const PeerCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakePeer peer(c.serve);
        FWStatus_t st = 1;
        fwlibhandle_* h = socketHandle(peer.port(), "300", &st);
        ASSERT_EQ(st, 0u);
        uint32_t count = 77;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), c.status);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(count, c.count);
        // A broken connection answers 11 at once, every time, until the handle is replaced.
        if (c.status != 0) {
            EXPECT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), 11u);
        }
        EXPECT_EQ(FW_Exit(h), 0u);
    }
}

TEST(SocketPeer, TimeLimitKeyTakesMillisecondsOnly) {
    FakePeer peer([](int, const std::atomic<bool>&) {});
    const struct {
        const char* text;
        FWStatus_t status;
        unsigned ms;
    } cases[] = {{"0", 0, 0},   {"250", 0, 250}, {"86400000", 0, 86400000}, {"86400001", 10, 0}, {"", 10, 0},
                 {"-1", 10, 0}, {"5s", 10, 0},   {"123456789", 10, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        FWStatus_t st = 1;
        fwlibhandle_* h = socketHandle(peer.port(), c.text, &st);
        EXPECT_EQ(st, c.status);
        if (h == nullptr) continue;
        auto* channel = dynamic_cast<CKestFWIOChannelSocket*>(h->getIOChannel());
        ASSERT_NE(channel, nullptr);
        EXPECT_EQ(channel->timeoutMs(), c.ms);
        EXPECT_EQ(FW_Exit(h), 0u);
    }
    FWStatus_t st = 1;
    fwlibhandle_* h = socketHandle(peer.port(), nullptr, &st);
    ASSERT_EQ(st, 0u);
    auto* channel = dynamic_cast<CKestFWIOChannelSocket*>(h->getIOChannel());
    EXPECT_EQ(channel->timeoutMs(), CKestFWIOChannelSocket::kDefaultTimeoutMs);
    EXPECT_EQ(FW_Exit(h), 0u);
}

// Threads sharing one socket channel: each exchange must get its own answer whole, however the peer
// trickles it, and a failing exchange must not pull the connection from under another thread.
TEST(SocketPeer, ThreadsSharingOneChannelTakeTurns) {
    FakePeer peer([](int fd, const std::atomic<bool>&) {
        Bytes m(36);
        while (readAll(fd, m.data(), m.size())) {
            uint32_t v = 0;
            memcpy(&v, &m[32], 4);
            Bytes a = answered(m, v + 1);
            sendBytes(fd, a.data(), a.size(), true);
        }
    });
    CKestFWIOChannelSocket channel(0, "127.0.0.1", peer.port().c_str());
    constexpr int kThreads = 4, kRounds = 15;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                uint32_t v = uint32_t(t * 1000 + i);
                Bytes m = answered(countMessage(), v);
                if (channel.sendIOCTL(nullptr, m.data(), unsigned(m.size()), nullptr) != 0 ||
                    answered(countMessage(), v + 1) != m)
                    ++wrong;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_TRUE(channel.connected());
}

// One thread's exchange fails (the peer closes after its request) while others wait for theirs: every
// exchange ends with 0 or 11, and none touches a closed connection.
TEST(SocketPeer, AFailingExchangeLeavesTheOthersAClosedConnectionNotAFreedOne) {
    FakePeer peer([](int fd, const std::atomic<bool>&) {
        Bytes m(36);
        for (int served = 0; readAll(fd, m.data(), m.size()); ++served) {
            if (served == 3) {
                shutdown(fd, SHUT_RDWR);
                return;
            }
            Bytes a = answered(m, 1);
            sendBytes(fd, a.data(), a.size(), true);
        }
    });
    CKestFWIOChannelSocket channel(0, "127.0.0.1", peer.port().c_str());
    std::atomic<int> ok{0}, broken{0}, other{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 5; ++i) {
                Bytes m = countMessage();
                unsigned r = channel.sendIOCTL(nullptr, m.data(), unsigned(m.size()), nullptr);
                (r == 0 ? ok : r == 11 ? broken : other)++;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(ok.load(), 3);
    EXPECT_EQ(broken.load(), 17);
    EXPECT_EQ(other.load(), 0);
    EXPECT_FALSE(channel.connected());
}

}  // namespace
