// kestsimd serving one simulated module: the socket channel's exchange on its TCP port, control calls
// forwarded by the device interposer of this and of other processes, both reaching the same state, the
// daemon's own faults, and its control language.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "sim/KestSimControl.h"
#include "sim/daemon/KestSimDaemonClient.h"

using Bytes = std::vector<uint8_t>;
using KestSim::DaemonProcess;
using KestSim::ScopedForward;

namespace {

void put(uint8_t* p, uint64_t v, int width) {
    for (int i = 0; i < width; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct Cmd {
    uint16_t opcode;
    Bytes body;
};

// A request message laid out by hand: "KEST", body length, sequence, versions 1.1, type 0, category 1,
// record count, padding; then per command its 12-byte header and body.
Bytes message(const std::vector<Cmd>& cmds, uint32_t sequence = 7) {
    Bytes m(20, 0);
    memcpy(m.data(), "KEST", 4);
    put(&m[8], sequence, 4);
    m[12] = 1, m[13] = 1, m[15] = 1;
    for (const Cmd& c : cmds) {
        size_t off = m.size();
        m.resize(off + 12 + c.body.size(), 0);
        put(&m[off], c.body.size(), 4);
        put(&m[off + 4], c.opcode, 2);
        std::copy(c.body.begin(), c.body.end(), m.begin() + off + 12);
    }
    put(&m[4], m.size() - 20, 4);
    put(&m[16], cmds.size(), 2);
    return m;
}

// One rule-set count command (opcode 1, a 4-byte body); status word at 28, count at 32.
Bytes countMessage(uint32_t sequence = 7) { return message({{1, Bytes(4, 0)}}, sequence); }

// The socket channel's side: the whole message out, as many bytes back. Returns the bytes received.
size_t exchange(int fd, Bytes& msg) {
    if (send(fd, msg.data(), msg.size(), MSG_NOSIGNAL) != ssize_t(msg.size())) return 0;
    size_t got = 0;
    while (got < msg.size()) {
        ssize_t n = recv(fd, msg.data() + got, msg.size() - got, 0);
        if (n <= 0) break;
        got += size_t(n);
    }
    return got;
}

// One control call on the control device of this process, as the library's device channel makes it.
struct DeviceCall {
    int result;
    int err;
};
DeviceCall deviceCall(Bytes& msg, const uint8_t* port = nullptr, void (*mutate)(uint8_t*) = nullptr) {
    int fd = open("/dev/wyb-kest", O_RDWR);
    if (fd < 0) return {-2, errno};
    uint8_t req[132] = {};
    put(req, 15, 4);
    put(req + 8, 112, 4);
    put(req + 12, reinterpret_cast<uintptr_t>(req + 20), 8);
    if (port) memcpy(req + 20, port, 100);
    put(req + 120, msg.size(), 4);
    put(req + 124, reinterpret_cast<uintptr_t>(msg.data()), 8);
    if (mutate) mutate(req);
    errno = 0;
    DeviceCall r{ioctl(fd, 15, req), errno};
    close(fd);
    return r;
}

class Daemon : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("KESTSIM_SOCKET");
        kestsim_set_forward(nullptr);
        kestsim_reset();
        ASSERT_TRUE(d.start()) << d.error();
    }
    void TearDown() override {
        kestsim_set_forward(nullptr);
        unsetenv("KESTSIM_SOCKET");
        kestsim_reset();
        EXPECT_EQ(d.stop(), 0);
    }
    void control(const std::string& line) { ASSERT_EQ(d.control(line), "ok") << line; }

    DaemonProcess d;
};

// ---- one request through either road --------------------------------------------------------------

enum class Road { SocketChannel, ForwardedDevice };

struct Scenario {
    const char* name;
    std::vector<const char*> setup;  // control lines, each answered "ok"
    uint32_t status;                 // status word of the answer
    uint32_t count;                  // count word of the answer
    int err;                         // errno of a failed call (the socket channel gets the status instead)
};

class DaemonRoad : public Daemon, public ::testing::WithParamInterface<std::tuple<Road, Scenario>> {};

TEST_P(DaemonRoad, RuleSetCountAnswersTheSharedModule) {
    Road road = std::get<0>(GetParam());
    const Scenario& s = std::get<1>(GetParam());
    for (const char* line : s.setup) control(line);
    Bytes m = countMessage(41);
    const Bytes sent = m;
    if (road == Road::SocketChannel) {
        int fd = d.connectTcp();
        ASSERT_GE(fd, 0);
        EXPECT_EQ(exchange(fd, m), sent.size());
        close(fd);
        EXPECT_EQ(get32(&m[28]), s.status);
        EXPECT_EQ(d.control("show requests"), "requests tcp 1 unix 0");
    } else {
        ScopedForward fwd(d.forwardPath());
        DeviceCall r = deviceCall(m);
        if (s.err) {
            EXPECT_EQ(r.result, -1);
            EXPECT_EQ(r.err, s.err);
            EXPECT_EQ(m, sent) << "a failed call leaves the message alone";
        } else {
            EXPECT_EQ(r.result, 0) << strerror(r.err);
            EXPECT_EQ(get32(&m[28]), s.status);
        }
        EXPECT_EQ(d.control("show requests"), "requests tcp 0 unix 1");
        EXPECT_EQ(kestsim_ioctl_count(), 0u) << "this process's own module saw nothing";
    }
    EXPECT_EQ(get32(&m[32]), s.count);
    // Everything but the status word and the reply body is as sent.
    EXPECT_EQ(Bytes(m.begin(), m.begin() + 28), Bytes(sent.begin(), sent.begin() + 28));
    EXPECT_EQ(d.control("show faults"), "faults 0") << "each scripted fault was used up";
    EXPECT_EQ(d.control("show calls"), "calls 1");
}

INSTANTIATE_TEST_SUITE_P(
    Daemon, DaemonRoad,
    ::testing::Combine(
        ::testing::Values(Road::SocketChannel, Road::ForwardedDevice),
        ::testing::Values(Scenario{"Seeded", {"seed rulesets host 5"}, 0, 5, 0}, Scenario{"Empty", {}, 0, 0, 0},
                          Scenario{"OtherFilterNotCounted", {"seed rulesets 1:3:vnic-a 4"}, 0, 0, 0},
                          Scenario{"BadState", {"seed rulesets host 5", "fault status 26 1 1"}, 26, 0, 0},
                          Scenario{"LyingCount", {"seed rulesets host 2", "fault reply lie 3 1"}, 0, 5, 0},
                          Scenario{
                              "KernelOutOfMemory", {"seed rulesets host 5", "fault errno ENOMEM 1"}, 65, 0, ENOMEM},
                          // The host-wide filter always exists: no ENOENT mapping to "switch port not found".
                          Scenario{"NotFoundOnHostWide", {"fault errno ENOENT 1"}, 19, 0, ENOENT},
                          Scenario{"OtherErrno", {"fault errno 22 1"}, 19, 0, EINVAL})),
    [](const ::testing::TestParamInfo<std::tuple<Road, Scenario>>& i) {
        return std::string(std::get<0>(i.param) == Road::SocketChannel ? "Tcp_" : "Unix_") + std::get<1>(i.param).name;
    });

// ---- shared state -----------------------------------------------------------------------------------

TEST_F(Daemon, SocketChannelAndForwardedDevicesShareOneModule) {
    ASSERT_EQ(kestsim_seed_ruleset_count(nullptr, 2), 0);  // this process's own module: not asked
    control("seed rulesets host 4");
    int a = d.connectTcp(), b = d.connectTcp();
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    ScopedForward fwd(d.forwardPath());
    for (uint32_t seeded : {4u, 9u}) {
        if (seeded == 9) control("seed rulesets host 9");
        for (int fd : {a, b}) {
            Bytes m = countMessage();
            ASSERT_EQ(exchange(fd, m), 36u);
            EXPECT_EQ(get32(&m[32]), seeded);
        }
        Bytes m = countMessage();
        ASSERT_EQ(deviceCall(m).result, 0);
        EXPECT_EQ(get32(&m[32]), seeded);
    }
    close(a);
    close(b);
    EXPECT_EQ(d.control("show requests"), "requests tcp 4 unix 2");
    EXPECT_EQ(d.control("show commands"), "commands 6");
    EXPECT_EQ(kestsim_ioctl_count(), 0u);
    EXPECT_EQ(kestsim_ruleset_count(nullptr), 2u);
}

TEST_F(Daemon, ForwardedCallsCarryTheirPort) {
    uint8_t port[100] = {};
    strcpy(reinterpret_cast<char*>(port), "vnic-7");
    port[96] = 3;
    port[99] = 1;
    control("declare " + DaemonProcess::portToken(port));
    control("seed rulesets " + DaemonProcess::portToken(port) + " 6");
    EXPECT_EQ(d.control("show rulesets 1:3:vnic-7"), "rulesets 6") << "the short port form names the same filter";
    ScopedForward fwd(d.forwardPath());
    Bytes m = countMessage();
    ASSERT_EQ(deviceCall(m, port).result, 0);
    EXPECT_EQ(get32(&m[32]), 6u);

    // A filter the module does not know fails the call with ENOENT, as the kernel does.
    uint8_t other[100] = {};
    strcpy(reinterpret_cast<char*>(other), "vnic-8");
    other[99] = 1;
    m = countMessage();
    DeviceCall r = deviceCall(m, other);
    EXPECT_EQ(r.result, -1);
    EXPECT_EQ(r.err, ENOENT);
}

struct RecordCase {
    const char* name;
    void (*mutate)(uint8_t* rec);
    int err;
};

class DaemonRecord : public Daemon, public ::testing::WithParamInterface<RecordCase> {};

// A request record the module would refuse is refused the same way through the daemon, and the refusal
// still counts as a call there (and meets the call faults there).
TEST_P(DaemonRecord, MalformedRequestRecordsFailAsInProcess) {
    ScopedForward fwd(d.forwardPath());
    Bytes m = countMessage();
    const Bytes sent = m;
    DeviceCall r = deviceCall(m, nullptr, GetParam().mutate);
    EXPECT_EQ(r.result, -1);
    EXPECT_EQ(r.err, GetParam().err);
    EXPECT_EQ(m, sent);
    EXPECT_EQ(d.control("show calls"), "calls 1");

    control("fault errno EBUSY 1");
    r = deviceCall(m, nullptr, GetParam().mutate);
    EXPECT_EQ(r.err, EBUSY) << "call faults come before the record's own refusal";
}

INSTANTIATE_TEST_SUITE_P(Records, DaemonRecord,
                         ::testing::Values(RecordCase{"NumberWord", [](uint8_t* r) { r[0] = 16; }, EINVAL},
                                           RecordCase{"PayloadElsewhere", [](uint8_t* r) { r[12] ^= 4; }, EFAULT},
                                           RecordCase{"NoMessage", [](uint8_t* r) { memset(r + 124, 0, 8); }, EFAULT},
                                           RecordCase{"LengthPastHeader", [](uint8_t* r) { r[120] = 35; }, EINVAL},
                                           RecordCase{"LengthTooShort", [](uint8_t* r) { r[120] = 19; }, EINVAL},
                                           RecordCase{"LengthHuge", [](uint8_t* r) { put(r + 120, 0xFFFFFFFF, 4); },
                                                      EINVAL}),
                         [](const ::testing::TestParamInfo<RecordCase>& i) { return std::string(i.param.name); });

// ---- choosing the module: environment, override, neither ------------------------------------------

struct TargetCase {
    const char* name;
    const char* env;       // KESTSIM_SOCKET: nullptr unset, "@" the daemon
    const char* override;  // kestsim_set_forward: nullptr follow the environment, "@" the daemon
    int expect;            // count answered: 3 this process, 8 the daemon; -1 the call fails with EIO
};

class DaemonTarget : public Daemon, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(DaemonTarget, ControlCallsGoWhereTheyArePointedAtCallTime) {
    const TargetCase& t = GetParam();
    ASSERT_EQ(kestsim_seed_ruleset_count(nullptr, 3), 0);
    control("seed rulesets host 8");
    auto resolve = [&](const char* v) { return std::string(v[0] == '@' ? d.forwardPath().c_str() : v); };
    if (t.env) setenv("KESTSIM_SOCKET", resolve(t.env).c_str(), 1);
    if (t.override) {
        ASSERT_EQ(kestsim_set_forward(resolve(t.override).c_str()), 0);
    }
    Bytes m = countMessage();
    DeviceCall r = deviceCall(m);
    if (t.expect < 0) {
        EXPECT_EQ(r.result, -1);
        EXPECT_EQ(r.err, EIO);
    } else {
        ASSERT_EQ(r.result, 0) << strerror(r.err);
        EXPECT_EQ(get32(&m[32]), uint32_t(t.expect));
    }
    // Back to this process's module without restarting anything.
    kestsim_set_forward("");
    m = countMessage();
    ASSERT_EQ(deviceCall(m).result, 0);
    EXPECT_EQ(get32(&m[32]), 3u);
}

INSTANTIATE_TEST_SUITE_P(Targets, DaemonTarget,
                         ::testing::Values(TargetCase{"Nothing", nullptr, nullptr, 3},
                                           TargetCase{"Environment", "@", nullptr, 8},
                                           TargetCase{"EmptyEnvironment", "", nullptr, 3},
                                           TargetCase{"OverrideBeatsEnvironment", "@", "", 3},
                                           TargetCase{"Override", nullptr, "@", 8},
                                           TargetCase{"NoDaemonThere", "/tmp/kestsimd-none/forward.sock", nullptr, -1}),
                         [](const ::testing::TestParamInfo<TargetCase>& i) { return std::string(i.param.name); });

TEST(DaemonForwardTarget, RefusesPathsLongerThanAUnixSocketTakes) {
    EXPECT_EQ(kestsim_set_forward(std::string(108, 'x').c_str()), -1);
    EXPECT_EQ(kestsim_set_forward(std::string(107, 'x').c_str()), 0);
    EXPECT_EQ(kestsim_set_forward(nullptr), 0);
}

// The simulator's preloaded interposer in a program that knows nothing of it, pointed at the daemon by
// the environment: it sees the daemon's module, not the one it carries (which it seeds with 3).
TEST_F(Daemon, AnotherProcessReachesTheSameModule) {
    if (access("/dev/wyb-kest", F_OK) == 0) GTEST_SKIP() << "a real control device is present";
    control("seed rulesets host 6");
    std::string bin = DaemonProcess::defaultBinary();
    std::string sim = bin.substr(0, bin.rfind('/'));
    const char* asan = getenv("ASAN_OPTIONS");
    std::string opts = std::string(asan && *asan ? asan : "") + (asan && *asan ? ":" : "") + "verify_asan_link_order=0";
    std::string cmd = "ASAN_OPTIONS='" + opts + "' KESTSIM_SOCKET='" + d.forwardPath() + "' LD_PRELOAD='" + sim +
                      "/libkestsim_preload.so' '" + sim + "/kestsim_probe' /dev/wyb-kest 3 2>&1";
    for (int run = 0; run < 2; ++run) {
        FILE* p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string out;
        char buf[256];
        while (fgets(buf, sizeof buf, p)) out += buf;
        int status = pclose(p);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
        EXPECT_EQ(out, "count 6 status 0\n");
    }
    EXPECT_EQ(d.control("show requests"), "requests tcp 0 unix 2");
}

// ---- several messages, several connections ---------------------------------------------------------

TEST_F(Daemon, BatchedMessageIsAnsweredCommandByCommand) {
    control("seed rulesets host 3");
    control("fault status 26 1 1");
    Bytes m = message({{1, Bytes(4, 0)}, {1, Bytes(4, 0)}, {250, Bytes(6, 0xAB)}});
    int fd = d.connectTcp();
    ASSERT_GE(fd, 0);
    ASSERT_EQ(exchange(fd, m), m.size());
    close(fd);
    EXPECT_EQ(get32(&m[28]), 26u) << "the first command met the scripted status";
    EXPECT_EQ(get32(&m[44]), 0u);
    EXPECT_EQ(get32(&m[48]), 3u);
    EXPECT_EQ(get32(&m[60]), 7u) << "an opcode the module lacks answers 7";
    EXPECT_EQ(Bytes(m.begin() + 64, m.end()), Bytes(6, 0xAB));
}

TEST_F(Daemon, ManyConnectionsAtOnceEachGetTheirOwnAnswers) {
    control("seed rulesets host 11");
    constexpr int kTcp = 6, kDevice = 3, kRounds = 40;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kTcp; ++t)
        threads.emplace_back([&, t] {
            int fd = d.connectTcp();
            if (fd < 0) return void(wrong += kRounds);
            for (int i = 0; i < kRounds; ++i) {
                uint32_t seq = uint32_t(t * 1000 + i);
                Bytes m = countMessage(seq);
                if (exchange(fd, m) != 36 || get32(&m[8]) != seq || get32(&m[32]) != 11) ++wrong;
            }
            close(fd);
        });
    ScopedForward fwd(d.forwardPath());
    for (int t = 0; t < kDevice; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                Bytes m = countMessage();
                if (deviceCall(m).result != 0 || get32(&m[32]) != 11) ++wrong;
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(d.control("show requests"),
              "requests tcp " + std::to_string(kTcp * kRounds) + " unix " + std::to_string(kDevice * kRounds));
}

TEST_F(Daemon, DelayedAnswerDoesNotHoldUpOtherConnections) {
    control("fault delay 3000 1");
    int slow = d.connectTcp(), quick = d.connectTcp();
    ASSERT_GE(slow, 0);
    ASSERT_GE(quick, 0);
    Bytes s = countMessage(1);
    ASSERT_EQ(send(slow, s.data(), s.size(), 0), 36);
    // Wait until the slow call is inside the module, then ask on the other connection.
    for (int i = 0; i < 500 && d.control("show calls") != "calls 1"; ++i) usleep(10000);
    Bytes q = countMessage(2);
    ASSERT_EQ(exchange(quick, q), 36u);
    EXPECT_EQ(get32(&q[8]), 2u);
    pollfd p{slow, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 0) << "the delayed answer is still on its way";
    size_t got = 0;
    while (got < s.size()) {
        ssize_t n = recv(slow, s.data() + got, s.size() - got, 0);
        if (n <= 0) break;
        got += size_t(n);
    }
    EXPECT_EQ(got, 36u);
    EXPECT_EQ(get32(&s[8]), 1u);
    close(slow);
    close(quick);
}

// ---- a peer dropped mid-answer ----------------------------------------------------------------------

struct DropCase {
    const char* name;
    const char* fault;
    size_t tcpBytes;  // what the socket channel receives before the connection closes
};

class DaemonDrop : public Daemon, public ::testing::WithParamInterface<DropCase> {};

TEST_P(DaemonDrop, AnswerBreaksOffThenTheNextConnectionIsServed) {
    control("seed rulesets host 2");
    control(GetParam().fault);
    int fd = d.connectTcp();
    ASSERT_GE(fd, 0);
    Bytes m = countMessage();
    EXPECT_EQ(exchange(fd, m), GetParam().tcpBytes);
    char extra;
    EXPECT_EQ(recv(fd, &extra, 1, 0), 0) << "the daemon closed the connection";
    close(fd);

    // The same through the forwarding road: the call fails and the message keeps what was sent.
    control(GetParam().fault);
    ScopedForward fwd(d.forwardPath());
    m = countMessage();
    const Bytes sent = m;
    DeviceCall r = deviceCall(m);
    EXPECT_EQ(r.result, -1);
    EXPECT_EQ(r.err, EIO);
    EXPECT_EQ(m, sent);

    // The module did perform both requests; the next ones are answered whole.
    EXPECT_EQ(d.control("show commands"), "commands 2");
    ASSERT_EQ(deviceCall(m).result, 0);
    EXPECT_EQ(get32(&m[32]), 2u);
    fd = d.connectTcp();
    m = countMessage();
    EXPECT_EQ(exchange(fd, m), 36u);
    close(fd);
}

INSTANTIATE_TEST_SUITE_P(Drops, DaemonDrop,
                         ::testing::Values(DropCase{"Half", "fault drop 1", 18},
                                           DropCase{"TenBytes", "fault drop 1 10", 10},
                                           DropCase{"Nothing", "fault drop 1 0", 0},
                                           // Never the whole answer: at most all but its last byte.
                                           DropCase{"MoreThanTheAnswer", "fault drop 1 500", 35}),
                         [](const ::testing::TestParamInfo<DropCase>& i) { return std::string(i.param.name); });

// ---- the control language ---------------------------------------------------------------------------

struct ControlStep {
    std::string request;
    std::string answer;
};

// One script against one daemon: each request and the exact answer line it must get.
TEST_F(Daemon, ControlLanguageAnswersLineByLine) {
    const std::string rule(2 * 1420, 'a');
    const std::string port = "hex:" + std::string(198, '0') + "01";  // type 1, index 0, empty identifier
    const ControlStep steps[] = {
        {"ping", "pong"},
        {"", "error empty request"},
        {"frobnicate", "error unknown request"},
        {"ping extra", "error unknown request"},
        {"show rulesets host", "rulesets 0"},
        {"seed rulesets host 3", "ok"},
        {"show rulesets host", "rulesets 3"},
        {"show rules host ruleset-2", "rules 0"},
        {"show rules host ruleset-3", "rules none"},
        {"seed rulesets host -1", "error bad count"},
        {"seed rulesets host 4294967296", "error bad count"},
        {"seed rulesets host 5000", "error too many rule sets"},
        {"seed rulesets 2:16777215:sw-port 1", "ok"},
        {"show rulesets 2:16777215:sw-port", "rulesets 1"},
        {"seed rulesets 16:0:x 1", "error bad port"},
        {"seed rulesets 1:16777216:x 1", "error bad port"},
        {"seed rulesets 1:x 1", "error bad port"},
        {"show rulesets hex:00", "error bad port"},
        {"show rulesets hex:zz", "error bad port"},
        {"show rulesets 0:0:anything", "rulesets 3"},  // every port of type 0 is the host-wide filter
        {"seed rulesets", "error unknown request"},
        {"seed roots host 1", "error unknown seed request"},
        {"seed ruleset " + port + " web " + rule + rule, "ok"},
        {"show rules " + port + " web", "rules 2"},
        {"show rules 1:0: web", "rules 2"},  // the same filter in the short form
        {"seed ruleset " + port + " web " + rule, "ok"},
        {"show rules 1:0: web", "rules 1"},
        {"seed ruleset host " + std::string(64, 'n'), "error rule set refused"},
        {"seed ruleset host half abc", "error rules are not whole rule records in hex"},
        {"seed ruleset host bad aa", "error rules are not whole rule records in hex"},
        {"fault status 26 2", "ok"},
        {"fault status 26 0", "error fault refused"},
        {"fault status 26 1 65536", "error usage: fault status <status> <count> [<opcode>]"},
        {"fault status 26 1 any", "ok"},
        {"fault errno ENOMEM 1", "ok"},
        {"fault errno EBOGUS 1", "error usage: fault errno <errno> <count>"},
        {"fault errno 0 1", "error usage: fault errno <errno> <count>"},
        {"fault delay 10000 1", "ok"},
        {"fault delay 10001 1", "error fault refused"},
        {"fault reply short 2 1 1", "ok"},
        {"fault reply sideways 2 1", "error usage: fault reply short|lie|nonul <param> <count> [<opcode>]"},
        {"fault drop 2", "ok"},
        {"fault drop 0", "error fault refused"},
        {"fault drop 1 x", "error usage: fault drop <count> [<bytes>]"},
        {"show faults", "faults 6"},
        {"fault clear", "ok"},
        {"show faults", "faults 0"},
        {"fault", "error unknown request"},
        {"declare 1:1:vnic-a", "ok"},
        {"declare 1:1:vnic-a", "ok"},
        {"forget 1:1:vnic-b", "error filter was not declared"},
        {"forget 1:1:vnic-a", "ok"},
        {"show calls", "calls 0"},
        {"show requests", "requests tcp 0 unix 0"},
        {"show last-message", "message 0"},
        {"reset", "ok"},
        {"show rulesets host", "rulesets 0"},
        {"show rulesets 2:16777215:sw-port", "rulesets 0"},
    };
    for (const ControlStep& s : steps)
        EXPECT_EQ(d.control(s.request), s.answer) << "request: " << s.request.substr(0, 80);
}

TEST_F(Daemon, ControlShowsWhatReachedTheModule) {
    control("seed rulesets host 1");
    int fd = d.connectTcp();
    Bytes m = countMessage(0x0A0B0C0D);
    const Bytes sent = m;
    ASSERT_EQ(exchange(fd, m), 36u);
    close(fd);
    EXPECT_EQ(d.control("show last-message"), "message 36 " + DaemonProcess::hex(sent.data(), sent.size()));
    EXPECT_EQ(d.control("show last-reply"), "reply 36 " + DaemonProcess::hex(m.data(), m.size()));
    EXPECT_EQ(d.control("show calls"), "calls 1");
    EXPECT_EQ(d.control("show commands"), "commands 1");
    // Requests pipelined on one control connection are answered in order.
    int c = d.connectControl();
    ASSERT_GE(c, 0);
    const char batch[] = "ping\r\nshow calls\nbogus\n";
    ASSERT_EQ(send(c, batch, sizeof batch - 1, 0), ssize_t(sizeof batch - 1));
    std::string got;
    char buf[256];
    while (std::count(got.begin(), got.end(), '\n') < 3) {
        ssize_t n = recv(c, buf, sizeof buf, 0);
        if (n <= 0) break;
        got.append(buf, size_t(n));
    }
    close(c);
    EXPECT_EQ(got, "pong\ncalls 1\nerror unknown request\n");
}

}  // namespace
