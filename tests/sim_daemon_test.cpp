// kestsimd serving one simulated module: the socket channel's exchange on its TCP port and control
// calls forwarded by the device interposer of this and of other processes reach the same state; the
// daemon's own faults; its control language.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/SimProcess.h"
#include "support/FdCount.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

using KestSim::DaemonProcess;
using KestSim::ScopedForward;
using namespace kestsim_test;

namespace {

// One control call on this process's control device: 0, or the errno of the failed call.
int deviceCall(Bytes& msg, const uint8_t* port = nullptr, void (*mutate)(uint8_t*) = nullptr) {
    int fd = open("/dev/wyb-kest", O_RDWR);
    Request r(msg, port);
    if (mutate) mutate(r.b);
    errno = 0;
    int err = ioctl(fd, 15, r.b) == 0 ? 0 : errno;
    close(fd);
    return err;
}

class Daemon : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("KESTSIM_SOCKET");
        kestsim_reset();
        ASSERT_TRUE(d.start()) << d.error();
    }
    void TearDown() override {
        kestsim_set_forward(nullptr);
        unsetenv("KESTSIM_SOCKET");
        kestsim_reset();
        EXPECT_EQ(d.stop(), 0);
    }
    // A fresh module, then the given control lines, each answered "ok".
    void fresh(const std::vector<std::string>& lines) {
        ASSERT_EQ(d.control("reset"), "ok");
        for (const std::string& l : lines) ASSERT_EQ(d.control(l), "ok") << l;
    }

    DaemonProcess d;
};

// The count message on either road, answered by the daemon's module: the socket channel gets the
// failed call's status in the status word; the forwarded device call fails with its errno.
TEST_F(Daemon, CountIsAnsweredOnBothRoads) {
    struct Scenario {
        std::vector<std::string> setup;
        uint32_t status, count;
        int err;
    };
    const Scenario scenarios[] = {
        {{"seed rulesets host 5"}, 0, 5, 0},
        {{"seed rulesets host 5", "fault status 26 1 1"}, 26, 0, 0},
        // The host-wide filter always exists: no ENOENT becomes "switch port not found".
        {{"fault errno ENOENT 1"}, 19, 0, ENOENT},
    };
    for (const Scenario& s : scenarios) {
        for (bool tcp : {true, false}) {
            SCOPED_TRACE(s.setup.back() + (tcp ? " over tcp" : " forwarded"));
            fresh(s.setup);
            Bytes m = countMessage(41);
            const Bytes sent = m;
            if (tcp) {
                int fd = d.connectTcp();
                EXPECT_EQ(exchange(fd, m), 36u);
                close(fd);
                EXPECT_EQ(get32(&m[28]), s.status);
            } else {
                ScopedForward fwd(d.forwardPath());
                EXPECT_EQ(deviceCall(m), s.err);
                EXPECT_EQ(get32(&m[28]), s.err ? 0u : s.status) << "a failed call leaves the message alone";
            }
            EXPECT_EQ(get32(&m[32]), s.count);
            EXPECT_EQ(Bytes(m.begin(), m.begin() + 28), Bytes(sent.begin(), sent.begin() + 28));
            EXPECT_EQ(d.control("show requests"), tcp ? "requests tcp 1 unix 0" : "requests tcp 0 unix 1");
            EXPECT_EQ(d.control("show calls"), "calls 1");
            EXPECT_EQ(d.control("show faults"), "faults 0") << "each scripted fault was used up";
        }
    }
    EXPECT_EQ(kestsim_ioctl_count(), 0u) << "this process's own module saw nothing";
}

TEST_F(Daemon, ManyClientsAtOnceShareOneModule) {
    ASSERT_EQ(kestsim_seed_ruleset_count(nullptr, 2), 0);  // this process's own module: not asked
    fresh({"seed rulesets host 11"});
    constexpr int kTcp = 6, kDevice = 3, kRounds = 40;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kTcp; ++t)
        threads.emplace_back([&, t] {
            int fd = d.connectTcp();
            for (int i = 0; i < kRounds; ++i) {
                Bytes m = countMessage(uint32_t(t * 1000 + i));
                if (exchange(fd, m) != 36 || get32(&m[8]) != uint32_t(t * 1000 + i) || get32(&m[32]) != 11) ++wrong;
            }
            close(fd);
        });
    ScopedForward fwd(d.forwardPath());
    for (int t = 0; t < kDevice; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                Bytes m = countMessage();
                if (deviceCall(m) != 0 || get32(&m[32]) != 11) ++wrong;
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(d.control("show requests"), "requests tcp 240 unix 120");
    EXPECT_EQ(kestsim_ioctl_count(), 0u);
}

// A forwarded call names its port; a request record the caller refuses is refused the same way
// through the daemon, where it still counts as a call and meets the call faults first.
TEST_F(Daemon, ForwardedCallsCarryTheirPortAndRecordRefusals) {
    PortRec port("vnic-7", 1, 3), other("vnic-8", 1);
    fresh({"declare " + DaemonProcess::portToken(port.b), "seed rulesets " + DaemonProcess::portToken(port.b) + " 6"});
    EXPECT_EQ(d.control("show rulesets 1:3:vnic-7"), "rulesets 6") << "the short port form names the same filter";
    ScopedForward fwd(d.forwardPath());
    Bytes m = countMessage();
    ASSERT_EQ(deviceCall(m, port.b), 0);
    EXPECT_EQ(get32(&m[32]), 6u);
    EXPECT_EQ(deviceCall(m, other.b), ENOENT) << "a filter the module does not know";

    const std::pair<void (*)(uint8_t*), int> records[] = {
        {[](uint8_t* r) { memset(r + 124, 0, 8); }, EFAULT},
        {[](uint8_t* r) { put(r + 120, 0xFFFFFFFF, 4); }, EINVAL},
    };
    for (const auto& rec : records) {
        fresh({});
        m = countMessage();
        const Bytes sent = m;
        EXPECT_EQ(deviceCall(m, nullptr, rec.first), rec.second);
        EXPECT_EQ(m, sent);
        EXPECT_EQ(d.control("show calls"), "calls 1");
        ASSERT_EQ(d.control("fault errno EBUSY 1"), "ok");
        EXPECT_EQ(deviceCall(m, nullptr, rec.first), EBUSY);
    }
}

TEST_F(Daemon, ControlCallsGoWhereTheyArePointedAtCallTime) {
    ASSERT_EQ(kestsim_seed_ruleset_count(nullptr, 3), 0);
    fresh({"seed rulesets host 8"});
    struct Target {
        const char* env;       // KESTSIM_SOCKET: nullptr unset, "@" the daemon
        const char* override;  // kestsim_set_forward: nullptr follow the environment, "@" the daemon
        int err;
        uint32_t count;  // 3 from this process, 8 from the daemon, 0 when the call failed
    };
    const Target targets[] = {{nullptr, nullptr, 0, 3}, {"@", nullptr, 0, 8},
                              {"", nullptr, 0, 3},      {"@", "", 0, 3},
                              {nullptr, "@", 0, 8},     {"/tmp/kestsimd-none/f.sock", nullptr, EIO, 0}};
    auto resolve = [&](const char* v) { return std::string(v[0] == '@' ? d.forwardPath().c_str() : v); };
    for (const Target& t : targets) {
        SCOPED_TRACE(std::string(t.env ? t.env : "unset") + " / " + (t.override ? t.override : "unset"));
        unsetenv("KESTSIM_SOCKET");
        if (t.env) setenv("KESTSIM_SOCKET", resolve(t.env).c_str(), 1);
        ASSERT_EQ(kestsim_set_forward(t.override ? resolve(t.override).c_str() : nullptr), 0);
        Bytes m = countMessage();
        EXPECT_EQ(deviceCall(m), t.err);
        EXPECT_EQ(get32(&m[32]), t.count);
    }
}

TEST(DaemonForwardTarget, RefusesPathsLongerThanAUnixSocketTakes) {
    EXPECT_EQ(kestsim_set_forward(std::string(108, 'x').c_str()), -1);
    EXPECT_EQ(kestsim_set_forward(std::string(107, 'x').c_str()), 0);
    EXPECT_EQ(kestsim_set_forward(nullptr), 0);
}

// The probe links nothing of the simulator: it opens the device only with the interposer preloaded,
// and, pointed at the daemon by the environment, sees the daemon's module rather than the one it
// carries (which it seeds with 3).
TEST_F(Daemon, PreloadedProbeSeesTheSimulatedDevicesAndTheDaemonsModule) {
    if (access("/dev/wyb-kest", F_OK) == 0) GTEST_SKIP() << "a real control device is present";
    fresh({"seed rulesets host 6"});
    const struct {
        bool preload;
        std::string args, env;
        int exitCode;
        const char* out;
    } cases[] = {
        {false, "", "", 1, "open /dev/wyb-kest failed: 2\n"},
        {true, "/dev/wyb-kest 5", "", 0, "count 5 status 0\n"},
        {true, "/dev/pelkintbl 5", "", 0, "count 0 status 0\n"},  // pass-through: the message stays
        {true, "/dev/null", "", 1, "ioctl failed: 25\n"},         // an ordinary path knows no request 15
        {true, "/dev/wyb-kest 3", "KESTSIM_SOCKET='" + d.forwardPath() + "'", 0, "count 6 status 0\n"},
    };
    for (const auto& c : cases) {
        RunResult r = runCommand(probeCommand(c.args, c.preload, c.env));
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args << ": " << r.out;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
    EXPECT_EQ(d.control("show requests"), "requests tcp 0 unix 1");
}

TEST_F(Daemon, DelayedAnswerDoesNotHoldUpOtherConnections) {
    fresh({"fault delay 3000 1"});
    int slow = d.connectTcp(), quick = d.connectTcp();
    Bytes s = countMessage(1), q = countMessage(2);
    ASSERT_TRUE(sendAll(slow, s));
    for (int i = 0; i < 500 && d.control("show calls") != "calls 1"; ++i) usleep(10000);  // inside the module
    ASSERT_EQ(exchange(quick, q), 36u);
    EXPECT_EQ(get32(&q[8]), 2u);
    pollfd p{slow, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 0) << "the delayed answer is still on its way";
    EXPECT_EQ(receive(slow, 36), s);
    close(slow);
    close(quick);
}

// "fault drop": the answer breaks off after so many bytes (never all of it) and the connection
// closes; the module has performed the request, and the next ones are answered whole.
TEST_F(Daemon, DroppedAnswersBreakOffThenTheNextAreServed) {
    const std::pair<const char*, size_t> drops[] = {
        {"fault drop 1", 18}, {"fault drop 1 500", 35}};
    for (const auto& drop : drops) {
        SCOPED_TRACE(drop.first);
        fresh({"seed rulesets host 2", drop.first});
        int fd = d.connectTcp();
        Bytes m = countMessage();
        EXPECT_EQ(exchange(fd, m), drop.second);
        EXPECT_TRUE(drain(fd).empty()) << "the daemon closed the connection";
        close(fd);
        ASSERT_EQ(d.control(drop.first), "ok");
        ScopedForward fwd(d.forwardPath());
        m = countMessage();
        const Bytes sent = m;
        EXPECT_EQ(deviceCall(m), EIO);
        EXPECT_EQ(m, sent);
        EXPECT_EQ(d.control("show commands"), "commands 2");
        ASSERT_EQ(deviceCall(m), 0);
        EXPECT_EQ(get32(&m[32]), 2u);
    }
    int fd = d.connectTcp();
    Bytes m = countMessage();
    EXPECT_EQ(exchange(fd, m), 36u) << "and the next answer over the socket channel is whole";
    close(fd);
}

// One script against one daemon: each request and the exact answer line it must get; requests
// pipelined on one connection are answered in order.
TEST_F(Daemon, ControlLanguageAnswersLineByLine) {
    const std::string rule(2 * 1420, 'a');
    const std::string port = "hex:" + std::string(198, '0') + "01";  // type 1, index 0, empty identifier
    const std::pair<std::string, std::string> steps[] = {
        {"", "error empty request"},
        {"seed rulesets host 3", "ok"},
        {"seed rulesets host 5000", "error too many rule sets"},
        {"show rulesets hex:00", "error bad port"},
        {"seed ruleset " + port + " web " + rule + rule, "ok"},
        {"show rules 1:0: web", "rules 2"},  // the same filter in the short form
        {"fault status 26 1 65536", "error usage: fault status <status> <count> [<opcode>]"},
        {"fault delay 10001 1", "error fault refused"},
        {"fault drop 2", "ok"},
        {"fault clear", "ok"},
        {"show faults", "faults 0"},
        {"forget 1:1:vnic-a", "error filter was not declared"},
        {"reset", "ok"},
        {"show rulesets host", "rulesets 0"},
    };
    for (const auto& s : steps) EXPECT_EQ(d.control(s.first), s.second) << "request: " << s.first.substr(0, 80);

    int fd = d.connectTcp(), c = d.connectControl();
    Bytes m = countMessage(0x0A0B0C0D);
    const Bytes sent = m;
    ASSERT_EQ(exchange(fd, m), 36u);
    EXPECT_EQ(d.control("show last-message"), "message 36 " + DaemonProcess::hex(sent.data(), sent.size()));
    EXPECT_EQ(d.control("show last-reply"), "reply 36 " + DaemonProcess::hex(m.data(), m.size()));
    const std::string batch = "ping\r\nshow calls\nbogus\n", answers = "pong\ncalls 1\nerror unknown request\n";
    ASSERT_TRUE(sendAll(c, Bytes(batch.begin(), batch.end())));
    EXPECT_EQ(receive(c, answers.size()), Bytes(answers.begin(), answers.end()));
    close(fd);
    close(c);
}

}  // namespace
