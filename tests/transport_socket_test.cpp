// The socket channel against the simulator daemon on loopback and against small local peers that
// misbehave: real round trips that return the module's state, the exact bytes on the wire, refused
// messages, peers that vanish or answer out of step, connections that cannot be made; and the socket
// layer underneath.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "cmd/KestFWCmd.h"
#include "cmd/KestFWCmdGetRuleSetCount.h"
#include "cmd/KestFWCmdList.h"
#include "kestfw/kestfw.h"
#include "sim/daemon/KestSimDaemonClient.h"
#include "support/LogCapture.h"
#include "support/TestCommands.h"
#include "transport/KestFWIOChannelSocket.h"
#include "transport/Socket.h"
#include "transport/SocketException.h"
#include "transport/SocketFactory.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

int g_reserved = 0;

// The rule-set count as the first message of its handle, written by hand from the header layouts.
std::vector<uint8_t> countMessage() {
    return {'K', 'E', 'S', 'T', 16, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0,
            0,   0,   4,   0,   0,  0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

std::vector<std::string> g_report;
int capturePrint(void*, const char* fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    g_report.push_back(buf);
    return n;
}

void noPause(unsigned) {}

fwlibhandle_* socketHandle(int type, const std::string& host, const std::string& port, FWStatus_t* status) {
    std::string h = host, p = port;
    void* args[4] = {const_cast<char*>(KESTFW_IO_ADDRESS), &h[0], const_cast<char*>(KESTFW_IO_PORT), &p[0]};
    fwlibhandle_* out = nullptr;
    *status = FW_Initialize(0x10000, &g_reserved, type, 4, args, &out);
    return out;
}

// One kestsimd for the whole program; every test starts from a reset module.
class SocketChannel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_daemon = new KestSim::DaemonProcess();
        KestSim::DaemonProcess::Options o;
        o.forward = false;
        if (!s_daemon->start(o)) s_error = s_daemon->error();
    }
    static void TearDownTestSuite() {
        delete s_daemon;
        s_daemon = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(s_error.empty()) << s_error;
        ASSERT_EQ(d().control("reset"), "ok");
        m_oldPause = CKestFWCmd::setRetryPause(noPause);
        g_report.clear();
    }
    void TearDown() override {
        FW_SetLibPrettyPrinting(nullptr, nullptr);
        CKestFWCmd::setRetryPause(m_oldPause);
    }

    static KestSim::DaemonProcess& d() { return *s_daemon; }
    static std::string port() { return std::to_string(s_daemon->tcpPort()); }
    // How many messages reached the daemon over TCP.
    static std::string tcpRequests() {
        std::string r = d().control("show requests");
        return r.substr(0, r.find(" unix"));
    }

    fwlibhandle_* connect() {
        FWStatus_t st = 0;
        fwlibhandle_* h = socketHandle(FW_IO_SOCKET, "127.0.0.1", port(), &st);
        EXPECT_EQ(st, 0u);
        return h;
    }

    static KestSim::DaemonProcess* s_daemon;
    static std::string s_error;
    CKestFWCmd::RetryPause m_oldPause = nullptr;
};
KestSim::DaemonProcess* SocketChannel::s_daemon = nullptr;
std::string SocketChannel::s_error;

// ---- Round trips -------------------------------------------------------------------------------------

struct TripCase {
    const char* name;
    const char* setup;  // a control line, or null
    bool withPort;
    FWStatus_t result;
    uint32_t count;  // expected on success
    int messages;    // messages that reached the daemon
};
void PrintTo(const TripCase& c, std::ostream* os) { *os << c.name; }

class SocketRoundTrip : public SocketChannel, public ::testing::WithParamInterface<TripCase> {};

}  // namespace

TEST_P(SocketRoundTrip, TheModulesAnswerComesBack) {
    const TripCase& c = GetParam();
    ASSERT_EQ(d().control("seed rulesets host 7"), "ok");
    if (c.setup != nullptr) {
        ASSERT_EQ(d().control(c.setup), "ok");
    }
    fwlibhandle_* h = connect();
    ASSERT_NE(h, nullptr);
    FW_SetLibPrettyPrinting(capturePrint, nullptr);
    dvs_port_ vnic = makePort(1, "50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8", 2);
    uint32_t count = 77;
    EXPECT_EQ(FW_GetRuleSetCount(h, c.withPort ? &vnic : nullptr, nullptr, &count), c.result);
    EXPECT_EQ(count, c.result == 0 ? c.count : 77u);
    EXPECT_EQ(g_report, c.result == 0 ? std::vector<std::string>{"ruleset count : " + std::to_string(c.count) + "\n"}
                                      : std::vector<std::string>{});
    EXPECT_EQ(tcpRequests(), "requests tcp " + std::to_string(c.messages));
    // The whole message went over, exactly as it stood, and no more: no port record travels.
    // A retry sends the same message again, sequence number included.
    const std::vector<uint8_t> expected = countMessage();
    EXPECT_EQ(d().control("show last-message"), "message 36 " + KestSim::DaemonProcess::hex(expected.data(), 36));
    EXPECT_EQ(FW_Exit(h), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SocketRoundTrip,
    ::testing::Values(TripCase{"seeded count", nullptr, false, 0, 7, 1},
                      TripCase{"a port does not travel: the host-wide filter answers", nullptr, true, 0, 7, 1},
                      TripCase{"the module's status comes back", "fault status 28 1 1", false, 28, 0, 1},
                      TripCase{"bad state is retried on the socket", "fault status 26 2 1", false, 0, 7, 3},
                      TripCase{"a failed call says kernel out of memory", "fault errno ENOMEM 1", false, 65, 0, 1},
                      TripCase{"a failed call says ioctl failed", "fault errno EIO 1", false, 19, 0, 1},
                      TripCase{"a slow module is waited for", "fault delay 200 1", false, 0, 7, 1}),
    [](const ::testing::TestParamInfo<TripCase>& i) { return "case" + std::to_string(i.index); });

TEST_F(SocketChannel, OneConnectionCarriesManyMessages) {
    fwlibhandle_* h = connect();
    ASSERT_NE(h, nullptr);
    for (uint32_t n = 0; n < 20; ++n) {
        ASSERT_EQ(d().control("seed rulesets host " + std::to_string(n)), "ok");
        uint32_t count = 77;
        ASSERT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), 0u);
        EXPECT_EQ(count, n);
    }
    EXPECT_EQ(tcpRequests(), "requests tcp 20");
    EXPECT_EQ(FW_Exit(h), 0u);
}

// ---- Refused messages --------------------------------------------------------------------------------

namespace {

struct RefusalCase {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> spoil;
    unsigned int result;
    const char* why;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class SocketRefusal : public SocketChannel, public ::testing::WithParamInterface<RefusalCase> {};

}  // namespace

TEST_P(SocketRefusal, NothingLeavesAndTheConnectionStays) {
    const RefusalCase& c = GetParam();
    ASSERT_EQ(d().control("seed rulesets host 3"), "ok");
    CKestFWIOChannelSocket channel(0, "127.0.0.1", port().c_str());
    std::vector<uint8_t> msg = countMessage();
    c.spoil(msg);
    const std::vector<uint8_t> sent = msg;
    LogCapture log;
    EXPECT_EQ(channel.sendIOCTL(nullptr, msg.empty() ? nullptr : msg.data(), unsigned(msg.size()), nullptr), c.result);
    EXPECT_TRUE(log.has(std::string("socket channel refuses a message of ") + std::to_string(sent.size()) +
                        " bytes: " + c.why + "\n"))
        << c.why;
    EXPECT_EQ(msg, sent);
    EXPECT_TRUE(channel.connected());
    EXPECT_EQ(tcpRequests(), "requests tcp 0");

    // The next good message goes through on the same connection.
    std::vector<uint8_t> good = countMessage();
    ASSERT_EQ(channel.sendIOCTL(nullptr, good.data(), unsigned(good.size()), nullptr), 0u);
    EXPECT_EQ(good[32], 3);
    EXPECT_EQ(tcpRequests(), "requests tcp 1");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SocketRefusal,
    ::testing::Values(
        RefusalCase{"no signature", [](std::vector<uint8_t>& m) { m[0] = 'k'; }, 72, "no message signature"},
        RefusalCase{"signature of a short message",
                    [](std::vector<uint8_t>& m) {
                        m.assign({'K', 'E', 'S', 'X'});
                    },
                    72, "no message signature"},
        RefusalCase{"three bytes", [](std::vector<uint8_t>& m) { m.resize(3); }, 73, "shorter than a message header"},
        RefusalCase{"nineteen bytes", [](std::vector<uint8_t>& m) { m.resize(19); }, 73,
                    "shorter than a message header"},
        RefusalCase{"nothing", [](std::vector<uint8_t>& m) { m.clear(); }, 73, "shorter than a message header"},
        RefusalCase{"header body length too long", [](std::vector<uint8_t>& m) { m[4] = 17; }, 74,
                    "message body length disagrees with the message length"},
        RefusalCase{"message cut after the header",
                    [](std::vector<uint8_t>& m) {
                        m.resize(20);
                        m[4] = 0;
                    },
                    74, "command body length disagrees with the message length"},
        RefusalCase{"no command", [](std::vector<uint8_t>& m) { m[16] = 0; }, 7, "not exactly one command"},
        RefusalCase{"two commands", [](std::vector<uint8_t>& m) { m[16] = 2; }, 7, "not exactly one command"},
        RefusalCase{"command body length too short", [](std::vector<uint8_t>& m) { m[20] = 3; }, 74,
                    "command body length disagrees with the message length"}),
    [](const ::testing::TestParamInfo<RefusalCase>& i) { return "case" + std::to_string(i.index); });

TEST_F(SocketChannel, BatchOfTwoCommandsIsRefused) {
    fwlibhandle_* h = connect();
    ASSERT_NE(h, nullptr);
    CKestFWCmdList list;
    list.addCmd(new CKestFWCmdGetRuleSetCount(nullptr));
    list.addCmd(new CKestFWCmdGetRuleSetCount(nullptr));
    LogCapture log;
    EXPECT_EQ(list.evalBatch(h, nullptr, nullptr), 7u);
    EXPECT_TRUE(log.has("not exactly one command\n"));
    EXPECT_EQ(tcpRequests(), "requests tcp 0");
    // One message per command goes through.
    EXPECT_EQ(list.evalSingle(h, nullptr, nullptr), 0u);
    EXPECT_EQ(tcpRequests(), "requests tcp 2");
    EXPECT_EQ(FW_Exit(h), 0u);
}

// ---- Peers that vanish or answer out of step --------------------------------------------------------

namespace {

// One connection on a free loopback port, served by a thread: reads what one message holds, then writes
// what `answer` makes of it and closes.
class LocalPeer {
public:
    typedef std::function<std::vector<uint8_t>(std::vector<uint8_t>)> Answer;

    LocalPeer(size_t readBytes, Answer answer) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(m_listener, 1) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this, readBytes, answer] {
            int fd = ::accept(m_listener, nullptr, nullptr);
            if (fd < 0) return;
            std::vector<uint8_t> got(readBytes);
            size_t have = 0;
            while (have < readBytes) {
                ssize_t n = ::recv(fd, got.data() + have, readBytes - have, 0);
                if (n <= 0) break;
                have += size_t(n);
            }
            got.resize(have);
            std::vector<uint8_t> out = answer(got);
            if (!out.empty()) ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
            ::close(fd);
        });
    }
    ~LocalPeer() {
        if (m_listener >= 0) ::shutdown(m_listener, SHUT_RDWR);
        if (m_thread.joinable()) m_thread.join();
        if (m_listener >= 0) ::close(m_listener);
    }
    std::string port() const { return std::to_string(m_port); }

private:
    int m_listener = -1;
    uint16_t m_port = 0;
    std::thread m_thread;
};

struct PeerCase {
    const char* name;
    LocalPeer::Answer answer;
    unsigned int result;
    const char* log;
};
void PrintTo(const PeerCase& c, std::ostream* os) { *os << c.name; }

class SocketPeer : public ::testing::TestWithParam<PeerCase> {};

std::vector<uint8_t> withByte(std::vector<uint8_t> m, size_t at, uint8_t value) {
    m[at] = value;
    return m;
}

}  // namespace

TEST_P(SocketPeer, OnlyAWholeAnswerOfTheSameMessageIsTaken) {
    const PeerCase& c = GetParam();
    LocalPeer peer(36, c.answer);
    CKestFWIOChannelSocket channel(0, "127.0.0.1", peer.port().c_str());
    std::vector<uint8_t> msg = countMessage();
    LogCapture log;
    EXPECT_EQ(channel.sendIOCTL(nullptr, msg.data(), unsigned(msg.size()), nullptr), c.result);
    if (c.log != nullptr) {
        EXPECT_TRUE(log.has(c.log)) << c.log;
    }
    if (c.result == 0) {
        EXPECT_EQ(msg, c.answer(countMessage()));
        EXPECT_TRUE(channel.connected());
    } else {
        // The request is left as it was sent, and the connection, out of step now, is closed: the next
        // message fails at once.
        EXPECT_EQ(msg, countMessage());
        EXPECT_FALSE(channel.connected());
        log.clear();
        EXPECT_EQ(channel.sendIOCTL(nullptr, msg.data(), unsigned(msg.size()), nullptr), 11u);
        EXPECT_TRUE(log.has("not connected (an earlier exchange failed)\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SocketPeer,
    ::testing::Values(PeerCase{"answers in place",
                               [](std::vector<uint8_t> m) { return withByte(withByte(m, 32, 9), 14, 1); }, 0, nullptr},
                      PeerCase{"closes without answering", [](std::vector<uint8_t>) { return std::vector<uint8_t>(); },
                               11, "socket exchange of 36 bytes failed: SocketShutdown\n"},
                      PeerCase{"closes halfway through the answer",
                               [](std::vector<uint8_t> m) {
                                   m.resize(18);
                                   return m;
                               },
                               11, "socket exchange of 36 bytes failed: SocketShutdown\n"},
                      PeerCase{"answers another signature", [](std::vector<uint8_t> m) { return withByte(m, 0, 'X'); },
                               11, "the peer answered with a different message\n"},
                      PeerCase{"answers another body length",
                               [](std::vector<uint8_t> m) { return withByte(m, 4, 200); }, 11,
                               "the peer answered with a different message\n"},
                      PeerCase{"answers another command", [](std::vector<uint8_t> m) { return withByte(m, 24, 2); }, 11,
                               "the peer answered with a different message\n"}),
    [](const ::testing::TestParamInfo<PeerCase>& i) { return "case" + std::to_string(i.index); });

TEST_F(SocketChannel, DaemonDroppingTheConnectionMidReplyGivesSocketError) {
    ASSERT_EQ(d().control("seed rulesets host 5"), "ok");
    ASSERT_EQ(d().control("fault drop 1 10"), "ok");
    fwlibhandle_* h = connect();
    ASSERT_NE(h, nullptr);
    LogCapture log;
    uint32_t count = 77;
    EXPECT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), 11u);
    EXPECT_EQ(count, 77u);
    EXPECT_TRUE(
        log.has("IOCTL return failure. command: GetRuleSetCount description: describe count of ruleset "
                " status: 11 cmdbuf size: 16\n"));
    // The connection is gone for good; the daemon sees nothing more from this handle.
    EXPECT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), 11u);
    EXPECT_EQ(tcpRequests(), "requests tcp 1");
    EXPECT_EQ(FW_Exit(h), 0u);
    // A new handle connects afresh.
    h = connect();
    EXPECT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), 0u);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(FW_Exit(h), 0u);
}

// ---- Connections that cannot be made -----------------------------------------------------------------

namespace {

std::string closedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);  // bound once, never listened on: nothing answers there
    return std::to_string(ntohs(a.sin_port));
}

struct ConnectCase {
    const char* name;
    int type;
    const char* host;
    bool daemonPort;  // else a port nobody listens on, or `service`
    const char* service;
    const char* log;
};
void PrintTo(const ConnectCase& c, std::ostream* os) { *os << c.name; }

class SocketConnect : public SocketChannel, public ::testing::WithParamInterface<ConnectCase> {};

}  // namespace

TEST_P(SocketConnect, FailsWithSocketError) {
    const ConnectCase& c = GetParam();
    std::string service = c.daemonPort ? port() : c.service ? c.service : closedPort();
    LogCapture log;
    FWStatus_t st = 0;
    fwlibhandle_* h = socketHandle(c.type, c.host, service, &st);
    EXPECT_EQ(st, 11u);
    EXPECT_EQ(h, nullptr);
    EXPECT_TRUE(log.has(c.log)) << c.log;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SocketConnect,
    ::testing::Values(ConnectCase{"socket type 1, whoever listens", FW_IO_SOCKET_ALT, "127.0.0.1", true, nullptr,
                                  "error 11: unknown socket type: 1\n"},
                      ConnectCase{"nobody listens", FW_IO_SOCKET, "127.0.0.1", false, nullptr,
                                  ", in connect: Connection refused (111)\n"},
                      ConnectCase{"unknown service name", FW_IO_SOCKET, "127.0.0.1", false, "no-such-kestfw-service",
                                  "SocketError on sd -1, in getaddrinfo: "},
                      ConnectCase{"not an IPv4 address", FW_IO_SOCKET, "::1", false, "80",
                                  "SocketError on sd -1, in getaddrinfo: "}),
    [](const ::testing::TestParamInfo<ConnectCase>& i) { return "case" + std::to_string(i.index); });

// ---- The socket layer --------------------------------------------------------------------------------

TEST(Sockets, ErrorTextsAndArguments) {
    Sockets::SocketError e("recv", ECONNRESET, 9);
    EXPECT_STREQ(e.what(), "SocketError on sd 9, in recv: Connection reset by peer (104)");
    EXPECT_EQ(e.operation(), "recv");
    EXPECT_EQ(e.error(), ECONNRESET);
    EXPECT_EQ(e.descriptor(), 9);
    EXPECT_STREQ(Sockets::SocketShutdown().what(), "SocketShutdown");

    Sockets::Socket s;
    try {
        s.Connect(nullptr, "1");
        ADD_FAILURE() << "connected without an address";
    } catch (const std::invalid_argument& a) {
        EXPECT_STREQ(a.what(), "addr");
    }
    try {
        s.Connect("127.0.0.1", nullptr);
        ADD_FAILURE() << "connected without a port";
    } catch (const std::invalid_argument& a) {
        EXPECT_STREQ(a.what(), "port");
    }
    EXPECT_EQ(s.GetDescriptor(), -1);
    s.Close();  // closing a closed socket does nothing
    EXPECT_THROW(Sockets::SocketFactory::createSocket(static_cast<Sockets::SocketType_t>(1), "127.0.0.1", "1"),
                 CUnknownSocketTypeException);
}
