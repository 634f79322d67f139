// kestsimd against bad peers and through its life: malformed or broken-off input on each socket closes
// only that connection while others are served, the client bound holds, SIGTERM ends it cleanly with
// its socket files removed, --daemon detaches with a pid file, and bad command lines are refused.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "support/SimProcess.h"

using KestSim::DaemonProcess;
using namespace kestsim_test;

namespace {

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }
// What a peer gets when it sends `input` and ends its side.
Bytes answerTo(int fd, const Bytes& input) {
    if (fd < 0 || !sendAll(fd, input)) return Bytes{0xFF};
    shutdown(fd, SHUT_WR);
    Bytes got = drain(fd);
    close(fd);
    return got;
}

// A daemon whose host-wide filter has 3 rule sets, and a well-behaved client connected before any bad
// one: it must be served throughout.
class DaemonPeer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(d.start()) << d.error();
        ASSERT_EQ(d.control("seed rulesets host 3"), "ok");
        good = d.connectTcp();
        expectGoodServed();
    }
    void TearDown() override {
        expectGoodServed();
        close(good);
        EXPECT_EQ(d.stop(), 0);
    }
    void expectGoodServed() {
        Bytes m = countMessage();
        ASSERT_EQ(exchange(good, m), 36u);
        EXPECT_EQ(get32(&m[32]), 3u);
    }

    DaemonProcess d;
    int good = -1;
};

// The daemon answers what was whole and valid (a call the module fails gets status 19 in the records
// lying wholly inside), and closes on the rest without an answer.
TEST_F(DaemonPeer, BadSocketChannelInputClosesOnlyThatConnection) {
    const Bytes count = countMessage(), answer = with(count, 32, 3, 4);
    const struct {
        const char* name;
        Bytes input, answer;
    } cases[] = {
        {"truncated body", Bytes(count.begin(), count.begin() + 27), Bytes()},
        {"wrong signature", with(count, 3, 'X', 1), Bytes()},
        {"body length one past 64 MiB", with(count, 4, (64u << 20) - 19, 4), Bytes()},
        {"records not tiling the body", with(count, 16, 2, 2), with(with(count, 16, 2, 2), 28, 19, 4)},
        {"two good then half a header", cat(cat(count, count), Bytes(count.begin(), count.begin() + 5)),
         cat(answer, answer)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(answerTo(d.connectTcp(), c.input), c.answer);
        expectGoodServed();
    }
}

// Forwarding requests: port (100 bytes), refused errno, message length, message; answers: error,
// length, message.
TEST_F(DaemonPeer, BadForwardingInputClosesOnlyThatConnection) {
    auto request = [](uint32_t refused, uint32_t len, const Bytes& msg) {
        return cat(with(with(Bytes(108, 0), 100, refused, 4), 104, len, 4), msg);
    };
    const struct {
        const char* name;
        Bytes input;
        Bytes answer;
    } cases[] = {
        {"answered", request(0, 36, countMessage()),
         cat(Bytes{0, 0, 0, 0, 36, 0, 0, 0}, with(countMessage(), 32, 3, 4))},
        {"malformed message", request(0, 5, Bytes(5, 'K')), Bytes{EINVAL, 0, 0, 0, 0, 0, 0, 0}},
        {"largest refusal", request(4095, 0, Bytes()), Bytes{0xFF, 0x0F, 0, 0, 0, 0, 0, 0}},
        {"refusal not an errno", request(4096, 0, Bytes()), Bytes()},
        {"refusal with a message", request(EINVAL, 36, countMessage()), Bytes()},
        {"truncated message", request(0, 36, Bytes(20, 0)), Bytes()},
        {"length over 64 MiB", request(0, (64u << 20) + 1, Bytes()), Bytes()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(answerTo(d.connectForward(), c.input), c.answer);
        expectGoodServed();
    }
}

TEST_F(DaemonPeer, PeersVanishingIdlingNotReadingOrSendingBinaryHarmNoOne) {
    int rude = d.connectTcp(), idle = d.connectTcp(), deaf = d.connectTcp();
    Bytes m = countMessage();
    ASSERT_TRUE(sendAll(rude, Bytes(m.begin(), m.begin() + 25)));
    linger abort{1, 0};
    setsockopt(rude, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    close(rude);  // reset in the middle of a body
    expectGoodServed();
    int small = 4096;
    setsockopt(deaf, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    setsockopt(deaf, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    int sent = 0;
    while (sent < 200000 && send(deaf, m.data(), m.size(), MSG_DONTWAIT | MSG_NOSIGNAL) == ssize_t(m.size())) ++sent;
    EXPECT_LT(sent, 200000) << "the daemon stopped taking requests it could not answer";
    expectGoodServed();
    close(deaf);
    close(idle);
    Bytes junk = {0, 1, 2, 0xFF, 0xFE, '\n', 'p', 'i'};
    EXPECT_EQ(answerTo(d.connectControl(), junk), named("error unknown request\n", 22))
        << "the unfinished line is dropped";
    EXPECT_EQ(d.control("show rulesets host"), "rulesets 3");
}

TEST(DaemonBound, ConnectionsBeyondTheBoundAreRefusedUntilOneEnds) {
    DaemonProcess d;
    DaemonProcess::Options o;
    o.control = false;
    o.extraArgs = {"--max-clients", "2"};
    ASSERT_TRUE(d.start(o)) << d.error();
    int a = d.connectTcp(), b = d.connectTcp();
    for (int fd : {a, b}) {
        Bytes m = countMessage();
        ASSERT_EQ(exchange(fd, m), 36u) << "the first two are served";
    }
    EXPECT_TRUE(answerTo(d.connectTcp(), Bytes()).empty()) << "the third is closed at once";
    close(a);
    bool served = false;  // once the daemon has noticed a's end, a new connection gets its place
    for (int i = 0; i < 200 && !served; ++i) {
        int n = d.connectTcp();
        Bytes m = countMessage();
        served = exchange(n, m) == 36;
        close(n);
        if (!served) usleep(20000);
    }
    EXPECT_TRUE(served);
    close(b);
    EXPECT_EQ(d.stop(), 0);
}

// With connections in every state (idle, mid-message, forwarding, control) the daemon still ends at
// once, exits 0 and leaves no socket files behind.
TEST(DaemonSignal, SigtermEndsItCleanlyAndRemovesItsSockets) {
    DaemonProcess d;
    ASSERT_TRUE(d.start()) << d.error();
    const std::string forward = d.forwardPath(), control = d.controlPath();
    ASSERT_TRUE(exists(forward) && exists(control));
    int idle = d.connectTcp(), partial = d.connectTcp(), fwd = d.connectForward();
    const Bytes m = countMessage();
    ASSERT_TRUE(sendAll(partial, Bytes(m.begin(), m.begin() + 30)));
    ASSERT_EQ(d.control("ping"), "pong");
    ASSERT_EQ(kill(d.pid(), SIGTERM), 0);  // by hand, so the files can be checked before the helper tidies up
    EXPECT_EQ(d.wait(10000), 0) << "kestsimd ends within 10 s and exits 0";
    EXPECT_FALSE(exists(forward));
    EXPECT_FALSE(exists(control));
    for (int fd : {idle, partial, fwd}) close(fd);
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/kestsimd-test-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override {
        for (const char* f : {"/a.sock", "/b.sock", "/file", "/pid"}) unlink((m_dir + f).c_str());
        rmdir(m_dir.c_str());
    }
    std::string path(const char* name) const { return m_dir + "/" + name; }
    RunResult kestsimd(const std::string& args) {
        return runCommand("'" + DaemonProcess::defaultBinary() + "' " + args);
    }
    std::string m_dir;
};

// Exit 2 for a bad command line, 1 for one that cannot be served; nothing listens, nothing is left.
TEST_F(TempDir, BadCommandLinesAreRefusedWithoutListeningAnywhere) {
    std::ofstream(path("file")) << "not a socket\n";
    const struct {
        std::string args;
        int exitCode;
        const char* says;
    } cases[] = {
        {"--control " + path("a.sock"), 2, "nothing to serve"},
        {"--tcp 127.0.0.1:0 --frob", 2, "unknown argument --frob"},
        {"--tcp 127.0.0.1:65536", 2, "HOST:PORT"},
        {"--tcp 10.1.2.3:0", 1, "not a loopback IPv4 address: 10.1.2.3"},
        {"--unix " + path("a.sock") + " --control " + path("file"), 1, "is not a socket"},
        {"--unix " + path(std::string(100, 'a').c_str()), 1, "too long"},
    };
    for (const auto& c : cases) {
        RunResult r = kestsimd(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args << ": " << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("ready"), std::string::npos) << r.out;
        EXPECT_FALSE(exists(path("a.sock"))) << "a socket file made before the failure is removed again";
    }
}

// A socket file nobody listens on (what SIGKILL leaves) is taken over, a live one is not; a detached
// daemon records its pid, serves from its new home directory and still ends cleanly on SIGTERM.
TEST_F(TempDir, DetachesTakesOverAStaleSocketAndEndsCleanly) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    strcpy(a.sun_path, path("a.sock").c_str());
    int s = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    close(s);
    RunResult r = kestsimd("--daemon --pidfile " + path("pid") + " --tcp 127.0.0.1:0 --unix " + path("a.sock") +
                           " --control " + path("b.sock"));
    ASSERT_EQ(r.exitCode, 0) << r.out;
    unsigned port = 0;
    ASSERT_EQ(sscanf(r.out.c_str(), "listening tcp 127.0.0.1:%u\n", &port), 1) << r.out;
    EXPECT_EQ(r.out, "listening tcp 127.0.0.1:" + std::to_string(port) + "\nlistening unix " + path("a.sock") +
                         "\nlistening control " + path("b.sock") + "\nready\n");
    long pid = 0;
    std::ifstream(path("pid")) >> pid;
    ASSERT_GT(pid, 0);
    RunResult second = kestsimd("--unix " + path("a.sock"));
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.out.find("in use"), std::string::npos) << second.out;
    strcpy(a.sun_path, path("b.sock").c_str());
    s = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(answerTo(s, named("ping\n", 5)), named("pong\n", 5));
    ASSERT_EQ(kill(pid_t(pid), SIGTERM), 0);
    // Not our child: wait until its files are gone, which it does last.
    for (int i = 0; i < 1000 && (exists(path("pid")) || exists(path("a.sock"))); ++i) usleep(10000);
    EXPECT_FALSE(exists(path("a.sock")));
    EXPECT_FALSE(exists(path("b.sock")));
    EXPECT_FALSE(exists(path("pid")));
}

}  // namespace
