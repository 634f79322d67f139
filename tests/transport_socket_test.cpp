// The socket channel against the simulator daemon on loopback: round trips with the module's state, the
// exact bytes on the wire, refused messages, peers that vanish, connections that cannot be made.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw.h"
#include "sim/daemon/KestSimDaemonClient.h"
#include "support/LogCapture.h"
#include "support/TestCommands.h"
#include "support/WireBytes.h"
#include "transport/KestFWIOChannelSocket.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

int g_reserved = 0;

void noPause(unsigned) {}

fwlibhandle_* socketHandle(int type, std::string host, std::string port, FWStatus_t* status) {
    void* args[4] = {const_cast<char*>(KESTFW_IO_ADDRESS), &host[0], const_cast<char*>(KESTFW_IO_PORT), &port[0]};
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
    }
    void TearDown() override { CKestFWCmd::setRetryPause(m_oldPause); }

    static KestSim::DaemonProcess& d() { return *s_daemon; }
    static std::string port() { return std::to_string(s_daemon->tcpPort()); }
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

TEST_F(SocketChannel, TheModulesAnswerComesBack) {
    const struct {
        const char* fault;
        FWStatus_t result;
        int messages;  // messages that reached the daemon
    } cases[] = {{"fault clear", 0, 1},
                 {"fault status 28 1 1", 28, 1},
                 {"fault status 26 2 1", 0, 3},  // bad state is retried on the socket
                 {"fault errno ENOMEM 1", 65, 1},
                 {"fault delay 200 1", 0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        ASSERT_EQ(d().control("reset"), "ok");
        ASSERT_EQ(d().control("seed rulesets host 7"), "ok");
        ASSERT_EQ(d().control(c.fault), "ok");
        fwlibhandle_* h = connect();
        ASSERT_NE(h, nullptr);
        // A port does not travel: the host-wide filter answers.
        dvs_port_ vnic = makePort(1, "50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8", 2);
        uint32_t count = 77;
        EXPECT_EQ(FW_GetRuleSetCount(h, &vnic, nullptr, &count), c.result);
        EXPECT_EQ(count, c.result == 0 ? 7u : 77u);
        EXPECT_EQ(tcpRequests(), "requests tcp " + std::to_string(c.messages));
        // A retry sends the message again unchanged.
        EXPECT_EQ(d().control("show last-message"),
                  "message 36 " + KestSim::DaemonProcess::hex(countMessage().data(), 36));
        EXPECT_EQ(FW_Exit(h), 0u);
    }
}

TEST_F(SocketChannel, RefusedMessagesStayAndTheConnectionWithThem) {
    const struct {
        size_t length;  // of the count message, cut or as it is
        int at;         // a byte set to `value`, or -1
        uint8_t value;
        unsigned int result;
        const char* why;
    } cases[] = {{36, 0, 'k', 72, "no message signature"},
                 {19, -1, 0, 73, "shorter than a message header"},
                 {0, -1, 0, 73, "shorter than a message header"},
                 {36, 4, 17, 74, "message body length disagrees with the message length"},
                 {36, 16, 2, 7, "not exactly one command"},
                 {36, 20, 3, 74, "command body length disagrees with the message length"}};
    ASSERT_EQ(d().control("seed rulesets host 3"), "ok");
    CKestFWIOChannelSocket channel(0, "127.0.0.1", port().c_str());
    int sentOk = 0;
    for (const auto& c : cases) {
        Bytes msg = countMessage();
        msg.resize(c.length);
        if (c.at >= 0) msg[size_t(c.at)] = c.value;
        const Bytes before = msg;
        LogCapture log;
        EXPECT_EQ(channel.sendIOCTL(nullptr, msg.empty() ? nullptr : msg.data(), unsigned(msg.size()), nullptr),
                  c.result);
        EXPECT_TRUE(log.has("socket channel refuses a message of " + std::to_string(c.length) + " bytes: " + c.why))
            << c.length << " " << c.at;
        EXPECT_EQ(msg, before);
        EXPECT_EQ(tcpRequests(), "requests tcp " + std::to_string(sentOk));
        // The next good message goes through on the same connection.
        Bytes good = countMessage();
        ASSERT_EQ(channel.sendIOCTL(nullptr, good.data(), unsigned(good.size()), nullptr), 0u);
        EXPECT_EQ(good[32], 3);
        EXPECT_EQ(tcpRequests(), "requests tcp " + std::to_string(++sentOk));
    }
}

class SocketPeerVanishes : public SocketChannel, public ::testing::WithParamInterface<int> {};

TEST_P(SocketPeerVanishes, TheConnectionIsGoneForGood) {
    ASSERT_EQ(d().control("seed rulesets host 5"), "ok");
    ASSERT_EQ(d().control("fault drop 1 " + std::to_string(GetParam())), "ok");
    fwlibhandle_* h = connect();
    ASSERT_NE(h, nullptr);
    LogCapture log;
    uint32_t count = 77;
    EXPECT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), 11u);
    EXPECT_EQ(count, 77u);
    EXPECT_TRUE(log.has("socket exchange of 36 bytes failed: SocketShutdown\n"));
    EXPECT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), 11u);
    EXPECT_TRUE(log.has("not connected (an earlier exchange failed)\n"));
    EXPECT_EQ(tcpRequests(), "requests tcp 1");
    EXPECT_EQ(FW_Exit(h), 0u);
    h = connect();
    EXPECT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), 0u);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(FW_Exit(h), 0u);
}

// Bytes of the answer the daemon writes before it closes: none, or part of the header.
INSTANTIATE_TEST_SUITE_P(Cases, SocketPeerVanishes, ::testing::Values(0, 10));

TEST_F(SocketChannel, ConnectionsThatCannotBeMade) {
    // An unknown type is the library's own refusal (11); a connection the system cannot make is not,
    // and comes out as an internal error (5) after a warning that keeps the reason.
    const struct {
        int type;
        const char* host;
        std::string service;
        FWStatus_t status;
        const char* log;
    } cases[] = {{FW_IO_SOCKET_ALT, "127.0.0.1", port(), 11, "error 11: unknown socket type: 1\n"},
                 {FW_IO_SOCKET, "127.0.0.1", "1", 5, ", in connect: Connection refused (111)\n"},
                 {FW_IO_SOCKET, "::1", "80", 5, "cannot connect to ::1:80: SocketError on sd -1, in getaddrinfo: "}};
    for (const auto& c : cases) {
        LogCapture log;
        FWStatus_t st = 0;
        EXPECT_EQ(socketHandle(c.type, c.host, c.service, &st), nullptr);
        EXPECT_EQ(st, c.status);
        EXPECT_TRUE(log.has(c.log)) << c.log;
        EXPECT_EQ(log.has("FW_Initialize: encountered internal error\n"), c.status == 5);
    }
}

}  // namespace
