// kestsimd against bad peers and through its life: malformed or broken-off input on each socket closes
// only that connection, the client bound holds, signals end it cleanly with its socket files removed,
// --daemon detaches with a pid file, and bad command lines are refused.
#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "sim/daemon/KestSimDaemonClient.h"

using Bytes = std::vector<uint8_t>;
using KestSim::DaemonProcess;

namespace {

void put(uint8_t* p, uint64_t v, int width) {
    for (int i = 0; i < width; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A rule-set count request: header "KEST", body length 16, versions 1.1, category 1, one record of
// opcode 1 with a 4-byte body.
Bytes countMessage() {
    Bytes m(36, 0);
    memcpy(m.data(), "KEST", 4);
    put(&m[4], 16, 4);
    m[12] = 1, m[13] = 1, m[15] = 1;
    put(&m[16], 1, 2);
    put(&m[20], 4, 4);
    put(&m[24], 1, 2);
    return m;
}

Bytes prefix(Bytes a, size_t n) {
    a.resize(n);
    return a;
}

Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Everything the peer sends until it closes (10 s at most; a peer that neither answers nor closes
// leaves the test to fail on what was received).
Bytes drain(int fd) {
    timeval tv{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    Bytes got;
    uint8_t buf[4096];
    for (;;) {
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

bool sendAll(int fd, const Bytes& b) { return send(fd, b.data(), b.size(), MSG_NOSIGNAL) == ssize_t(b.size()); }

bool exists(const std::string& path) { return !path.empty() && access(path.c_str(), F_OK) == 0; }

class DaemonPeer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(d.start()) << d.error();
        ASSERT_EQ(d.control("seed rulesets host 3"), "ok");
        // A well-behaved client connected before the bad one: it must be served throughout.
        good = d.connectTcp();
        ASSERT_GE(good, 0);
        expectGoodServed();
    }
    void TearDown() override {
        expectGoodServed();
        close(good);
        EXPECT_EQ(d.stop(), 0);
    }
    void expectGoodServed() {
        Bytes m = countMessage();
        ASSERT_TRUE(sendAll(good, m));
        Bytes got(36);
        ASSERT_EQ(recv(good, got.data(), got.size(), MSG_WAITALL), 36);
        EXPECT_EQ(get32(&got[32]), 3u);
    }

    DaemonProcess d;
    int good = -1;
};

// ---- the socket channel's port ---------------------------------------------------------------------

struct TcpInput {
    const char* name;
    Bytes (*input)();
    size_t answered;  // bytes answered before the daemon closed: whole answers to the good part only
    uint32_t status;  // status word of the first answer, when there is one
};

class DaemonTcpInput : public DaemonPeer, public ::testing::WithParamInterface<TcpInput> {};

// The bad peer sends its bytes and then ends its side: the daemon answers what was whole and valid,
// closes on the rest, and keeps serving the good client.
TEST_P(DaemonTcpInput, OnlyTheBadConnectionIsClosed) {
    int bad = d.connectTcp();
    ASSERT_GE(bad, 0);
    ASSERT_TRUE(sendAll(bad, GetParam().input()));
    shutdown(bad, SHUT_WR);
    Bytes got = drain(bad);
    close(bad);
    EXPECT_EQ(got.size(), GetParam().answered);
    if (got.size() >= 32) {
        EXPECT_EQ(get32(&got[28]), GetParam().status);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, DaemonTcpInput,
    ::testing::Values(TcpInput{"Nothing", [] { return Bytes(); }, 0, 0},
                      TcpInput{"TruncatedHeader", [] { return prefix(countMessage(), 11); }, 0, 0},
                      TcpInput{"TruncatedBody", [] { return prefix(countMessage(), 27); }, 0, 0},
                      TcpInput{"WrongSignature",
                               [] {
                                   Bytes m = countMessage();
                                   m[3] = 'X';
                                   return m;
                               },
                               0, 0},
                      TcpInput{"BodyLength4GiB",
                               [] {
                                   Bytes m = countMessage();
                                   put(&m[4], 0xFFFFFFFF, 4);
                                   return m;
                               },
                               0, 0},
                      // The module takes messages of up to 64 MiB, header included.
                      TcpInput{"BodyLengthJustOverTheLimit",
                               [] {
                                   Bytes m = countMessage();
                                   put(&m[4], (64u << 20) - 19, 4);
                                   return m;
                               },
                               0, 0},
                      // Well framed but malformed inside: the module fails the call, the status words say so.
                      TcpInput{"RecordsDoNotTileTheBody",
                               [] {
                                   Bytes m = countMessage();
                                   put(&m[16], 2, 2);
                                   return m;
                               },
                               36, 19},
                      TcpInput{"UnknownMajorVersion",
                               [] {
                                   Bytes m = countMessage();
                                   m[12] = 2;
                                   return m;
                               },
                               36, 19},
                      TcpInput{"GoodThenGarbage", [] { return cat(countMessage(), Bytes(40, 0x5A)); }, 36, 0},
                      TcpInput{"TwoGoodThenHalfAHeader",
                               [] { return cat(cat(countMessage(), countMessage()), prefix(countMessage(), 5)); }, 72,
                               0}),
    [](const ::testing::TestParamInfo<TcpInput>& i) { return std::string(i.param.name); });

TEST_F(DaemonPeer, PeerVanishingMidMessageOrIdlingHarmsNoOne) {
    // One peer resets its connection in the middle of a body, another connects and says nothing.
    int rude = d.connectTcp(), idle = d.connectTcp();
    ASSERT_GE(rude, 0);
    ASSERT_GE(idle, 0);
    Bytes m = countMessage();
    ASSERT_TRUE(sendAll(rude, Bytes(m.begin(), m.begin() + 25)));
    linger abort{1, 0};
    setsockopt(rude, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    close(rude);
    expectGoodServed();
    // A peer that stops reading its answers only blocks itself.
    int deaf = d.connectTcp();
    ASSERT_GE(deaf, 0);
    int small = 4096;
    setsockopt(deaf, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    setsockopt(deaf, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    int sent = 0;
    while (sent < 200000 && send(deaf, m.data(), m.size(), MSG_DONTWAIT | MSG_NOSIGNAL) == ssize_t(m.size())) ++sent;
    EXPECT_LT(sent, 200000) << "the daemon stopped taking requests it could not answer";
    expectGoodServed();
    close(deaf);
    close(idle);
    EXPECT_EQ(d.control("ping"), "pong");
}

// ---- the forwarding socket -------------------------------------------------------------------------

// Request head: port (100 bytes), refused errno, message length.
Bytes forwardRequest(uint32_t refused, uint32_t len, const Bytes& msg) {
    Bytes r(108, 0);
    put(&r[100], refused, 4);
    put(&r[104], len, 4);
    return cat(r, msg);
}

struct ForwardInput {
    const char* name;
    Bytes (*input)();
    size_t answered;  // 0: closed without an answer
    uint32_t err;     // the answer's error word
};

class DaemonForwardInput : public DaemonPeer, public ::testing::WithParamInterface<ForwardInput> {};

TEST_P(DaemonForwardInput, AnswersWhatIsWellFramedAndClosesOnTheRest) {
    int fd = d.connectForward();
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(sendAll(fd, GetParam().input()));
    shutdown(fd, SHUT_WR);
    Bytes got = drain(fd);
    close(fd);
    ASSERT_EQ(got.size(), GetParam().answered);
    if (got.size() >= 8) {
        EXPECT_EQ(get32(&got[0]), GetParam().err);
        EXPECT_EQ(get32(&got[4]), got.size() - 8) << "the answer's length word";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, DaemonForwardInput,
    ::testing::Values(ForwardInput{"Answered", [] { return forwardRequest(0, 36, countMessage()); }, 44, 0},
                      ForwardInput{"RefusalTravelsAlone", [] { return forwardRequest(EFAULT, 0, Bytes()); }, 8, EFAULT},
                      ForwardInput{"MalformedMessage", [] { return forwardRequest(0, 5, Bytes(5, 'K')); }, 8, EINVAL},
                      ForwardInput{"TruncatedHead", [] { return Bytes(50, 0); }, 0, 0},
                      ForwardInput{"TruncatedMessage", [] { return forwardRequest(0, 36, Bytes(20, 0)); }, 0, 0},
                      ForwardInput{"LengthOver64MiB", [] { return forwardRequest(0, (64u << 20) + 1, Bytes()); }, 0, 0},
                      ForwardInput{"RefusalWithAMessage", [] { return forwardRequest(EINVAL, 36, countMessage()); }, 0,
                                   0},
                      ForwardInput{"RefusalNotAnErrno", [] { return forwardRequest(70000, 0, Bytes()); }, 0, 0}),
    [](const ::testing::TestParamInfo<ForwardInput>& i) { return std::string(i.param.name); });

// ---- the control socket ----------------------------------------------------------------------------

TEST_F(DaemonPeer, ControlPeerSendingBinaryOrVanishingHarmsNoOne) {
    int fd = d.connectControl();
    ASSERT_GE(fd, 0);
    Bytes junk = {0, 1, 2, 0xFF, 0xFE, '\n', 'p', 'i'};
    ASSERT_TRUE(sendAll(fd, junk));
    shutdown(fd, SHUT_WR);
    Bytes got = drain(fd);
    close(fd);
    EXPECT_EQ(std::string(got.begin(), got.end()), "error unknown request\n") << "the unfinished line is dropped";
    EXPECT_EQ(d.control("show rulesets host"), "rulesets 3");
}

// ---- the client bound ------------------------------------------------------------------------------

TEST(DaemonBound, ConnectionsBeyondTheBoundAreRefusedUntilOneEnds) {
    DaemonProcess d;
    DaemonProcess::Options o;
    o.control = false;
    o.extraArgs = {"--max-clients", "2"};
    ASSERT_TRUE(d.start(o)) << d.error();
    int a = d.connectTcp(), b = d.connectTcp();
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    Bytes m = countMessage();
    ASSERT_TRUE(sendAll(a, m));
    ASSERT_EQ(recv(a, m.data(), m.size(), MSG_WAITALL), 36) << "a is being served";
    m = countMessage();
    ASSERT_TRUE(sendAll(b, m));
    ASSERT_EQ(recv(b, m.data(), m.size(), MSG_WAITALL), 36) << "b is being served";
    int c = d.connectTcp();
    ASSERT_GE(c, 0) << "the kernel completes the connection; the daemon closes it at once";
    EXPECT_TRUE(drain(c).empty());
    close(c);

    close(a);
    // The daemon notices a's end on its own; a new connection then gets a's place.
    bool served = false;
    for (int i = 0; i < 200 && !served; ++i) {
        int n = d.connectTcp();
        m = countMessage();
        served = n >= 0 && sendAll(n, m) && recv(n, m.data(), m.size(), MSG_WAITALL) == 36;
        if (n >= 0) close(n);
        if (!served) usleep(20000);
    }
    EXPECT_TRUE(served);
    close(b);
    EXPECT_EQ(d.stop(), 0);
}

// ---- signals ---------------------------------------------------------------------------------------

class DaemonSignal : public ::testing::TestWithParam<int> {};

// With connections in every state (idle, mid-message, control) the daemon still ends at once, exits 0
// and leaves no socket files behind.
TEST_P(DaemonSignal, EndsCleanlyAndRemovesItsSockets) {
    DaemonProcess d;
    ASSERT_TRUE(d.start()) << d.error();
    const std::string forward = d.forwardPath(), control = d.controlPath();
    ASSERT_TRUE(exists(forward));
    ASSERT_TRUE(exists(control));
    int idle = d.connectTcp(), partial = d.connectTcp(), fwd = d.connectForward();
    ASSERT_GE(idle, 0);
    ASSERT_GE(partial, 0);
    ASSERT_GE(fwd, 0);
    ASSERT_TRUE(sendAll(partial, prefix(countMessage(), 30)));
    ASSERT_EQ(d.control("ping"), "pong");

    // Signalled by hand so the files can be checked before the helper tidies the directory.
    ASSERT_EQ(kill(d.pid(), GetParam()), 0);
    EXPECT_EQ(d.wait(10000), 0) << "kestsimd ends within 10 s and exits 0";
    EXPECT_FALSE(exists(forward));
    EXPECT_FALSE(exists(control));
    EXPECT_TRUE(drain(idle).empty());
    for (int fd : {idle, partial, fwd}) close(fd);
}

INSTANTIATE_TEST_SUITE_P(Signals, DaemonSignal, ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return std::string(i.param == SIGTERM ? "Term" : "Int");
                         });

// ---- command line ----------------------------------------------------------------------------------

struct RunResult {
    int exitCode;
    std::string out;
};

RunResult runKestsimd(const std::string& args) {
    std::string cmd = "'" + DaemonProcess::defaultBinary() + "' " + args + " 2>&1";
    RunResult r{-1, std::string()};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (fgets(buf, sizeof buf, p)) r.out += buf;
    int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
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
    std::string m_dir;
};

struct BadLine {
    const char* name;
    const char* args;  // "@" stands for the test's temporary directory
    int exitCode;
    const char* says;
};

class DaemonCommandLine : public TempDir, public ::testing::WithParamInterface<BadLine> {};

TEST_P(DaemonCommandLine, IsRefusedWithoutListeningAnywhere) {
    {
        std::ofstream f(path("file"));
        f << "not a socket\n";
    }
    std::string args = GetParam().args;
    for (size_t at; (at = args.find('@')) != std::string::npos;) args.replace(at, 1, m_dir);
    RunResult r = runKestsimd(args);
    EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.out;
    EXPECT_NE(r.out.find(GetParam().says), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("ready"), std::string::npos) << r.out;
    EXPECT_FALSE(exists(path("a.sock"))) << "a socket file made before the failure is removed again";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DaemonCommandLine,
    ::testing::Values(BadLine{"NothingToServe", "", 2, "nothing to serve"},
                      BadLine{"ControlAlone", "--control @/a.sock", 2, "nothing to serve"},
                      BadLine{"UnknownOption", "--tcp 127.0.0.1:0 --frob", 2, "unknown argument --frob"},
                      BadLine{"PortOutOfRange", "--tcp 127.0.0.1:65536", 2, "HOST:PORT"},
                      BadLine{"NoPort", "--tcp 127.0.0.1", 2, "HOST:PORT"},
                      BadLine{"MissingValue", "--unix", 2, "--unix needs a path"},
                      BadLine{"NotLoopback", "--tcp 10.1.2.3:0", 1, "not a loopback IPv4 address: 10.1.2.3"},
                      BadLine{"AnyAddress", "--tcp 0.0.0.0:0", 1, "not a loopback"},
                      BadLine{"HostName", "--tcp example.org:0", 1, "not a loopback"},
                      BadLine{"PathIsAFile", "--unix @/a.sock --control @/file", 1, "is not a socket"},
                      BadLine{"PathTooLong",
                              "--unix "
                              "@/"
                              "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                              "aaaaaaaaaaaaaaaaaaaa.sock",
                              1, "too long"},
                      BadLine{"ZeroClients", "--tcp 127.0.0.1:0 --max-clients 0", 2, "--max-clients"}),
    [](const ::testing::TestParamInfo<BadLine>& i) { return std::string(i.param.name); });

TEST_F(TempDir, SocketPathOfAKilledDaemonIsTakenOverButALiveOneIsNot) {
    // A socket file nobody listens on: what a daemon ended by SIGKILL leaves.
    int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    strcpy(a.sun_path, path("a.sock").c_str());
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    close(s);
    ASSERT_TRUE(exists(path("a.sock")));

    DaemonProcess first;
    DaemonProcess::Options o;
    o.forward = o.control = false;
    o.extraArgs = {"--unix", path("a.sock")};
    ASSERT_TRUE(first.start(o)) << first.error();
    RunResult second = runKestsimd("--unix " + path("a.sock"));
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.out.find("in use"), std::string::npos) << second.out;
    EXPECT_TRUE(exists(path("a.sock"))) << "the refused daemon left the live one's socket alone";
    EXPECT_EQ(first.stop(), 0);
    EXPECT_FALSE(exists(path("a.sock")));
}

TEST_F(TempDir, DetachesWithAPidFileAndStillEndsCleanly) {
    RunResult r = runKestsimd("--daemon --pidfile " + path("pid") + " --tcp 127.0.0.1:0 --unix " + path("a.sock") +
                              " --control " + path("b.sock"));
    ASSERT_EQ(r.exitCode, 0) << r.out;
    unsigned port = 0;
    ASSERT_EQ(sscanf(r.out.c_str(), "listening tcp 127.0.0.1:%u\n", &port), 1) << r.out;
    EXPECT_EQ(r.out, "listening tcp 127.0.0.1:" + std::to_string(port) + "\nlistening unix " + path("a.sock") +
                         "\nlistening control " + path("b.sock") + "\nready\n");
    long pid = 0;
    std::ifstream(path("pid")) >> pid;
    ASSERT_GT(pid, 0);
    ASSERT_EQ(kill(pid_t(pid), 0), 0) << "the detached daemon runs";

    // It serves from its new home directory: socket paths stayed absolute.
    int c = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    strcpy(a.sun_path, path("b.sock").c_str());
    ASSERT_EQ(connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_TRUE(sendAll(c, Bytes{'p', 'i', 'n', 'g', '\n'}));
    char answer[5] = {};
    EXPECT_EQ(recv(c, answer, 5, MSG_WAITALL), 5);
    EXPECT_EQ(std::string(answer, 5), "pong\n");
    close(c);

    ASSERT_EQ(kill(pid_t(pid), SIGTERM), 0);
    // Not our child: wait until its files are gone, which it does last.
    for (int i = 0; i < 1000 && (exists(path("pid")) || exists(path("a.sock"))); ++i) usleep(10000);
    EXPECT_FALSE(exists(path("a.sock")));
    EXPECT_FALSE(exists(path("b.sock")));
    EXPECT_FALSE(exists(path("pid")));
}

}  // namespace
