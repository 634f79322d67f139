// kestsimd against peers that hold on to it: stalled connections give their places back, control keeps
// places of its own, announced bodies cost memory only as they arrive, and a refused record never goes
// back with status 0.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support/SimProcess.h"

using KestSim::DaemonProcess;
using namespace kestsim_test;

namespace {

// Resident memory of a process in KiB, from /proc.
long residentKiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 6, "VmRSS:") == 0) return std::stol(line.substr(6));
    return -1;
}

// `b` with the little-endian value `v` in `width` bytes at `off`.
Bytes set(Bytes b, size_t off, uint32_t v, size_t width) {
    for (size_t i = 0; i < width; ++i) b.at(off + i) = uint8_t(v >> (8 * i));
    return b;
}

bool served(DaemonProcess& d) {
    int fd = d.connectTcp();
    Bytes m = countMessage();
    bool ok = exchange(fd, m) == 36;
    close(fd);
    return ok;
}

TEST(DaemonLimits, StalledPeersLoseTheirPlacesAndControlKeepsItsOwn) {
    DaemonProcess d;
    DaemonProcess::Options o;
    o.extraArgs = {"--max-clients", "2", "--idle-ms", "300"};
    ASSERT_TRUE(d.start(o)) << d.error();
    // Both data places taken by peers that sent one byte of a header and nothing more.
    int a = d.connectTcp(), b = d.connectTcp();
    ASSERT_TRUE(sendAll(a, Bytes{'K'}) && sendAll(b, Bytes{'K'}));
    usleep(50000);
    EXPECT_EQ(d.control("seed rulesets host 4"), "ok") << "control has places of its own";
    EXPECT_FALSE(served(d)) << "a third data connection has no place";
    // Within the idle limit (and some slack) the stalled peers are closed and their places free again.
    for (int fd : {a, b}) {
        timeval tv{5, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        uint8_t byte;
        EXPECT_EQ(recv(fd, &byte, 1, 0), 0) << "closed by the daemon";
        close(fd);
    }
    bool ok = false;
    for (int i = 0; i < 100 && !ok; ++i)
        if (!(ok = served(d))) usleep(20000);
    EXPECT_TRUE(ok);
    EXPECT_EQ(d.stop(), 0);
}

TEST(DaemonLimits, AnnouncedBodiesCostMemoryOnlyAsTheyArrive) {
    DaemonProcess d;
    ASSERT_TRUE(d.start()) << d.error();
    const long before = residentKiB(d.pid());
    ASSERT_GT(before, 0);
    // Headers announcing the largest body the daemon takes, and a few bytes of it.
    std::vector<int> fds;
    for (int i = 0; i < 6; ++i) {
        int fd = d.connectTcp();
        Bytes head = countMessage();
        const uint32_t announced = (64u << 20) - 20;
        memcpy(&head[4], &announced, 4);
        ASSERT_TRUE(sendAll(fd, head));
        fds.push_back(fd);
    }
    usleep(300000);
    EXPECT_TRUE(served(d));
    EXPECT_LT(residentKiB(d.pid()) - before, 32 * 1024) << "KiB grown for 6 announced 64 MiB bodies";
    for (int fd : fds) close(fd);
    EXPECT_EQ(d.stop(), 0);
}

// Messages the module refuses as malformed: the records lying inside the message carry the failure,
// the one whose body overruns included.
TEST(DaemonLimits, RefusedRecordsCarryTheFailure) {
    DaemonProcess d;
    ASSERT_TRUE(d.start()) << d.error();
    ASSERT_EQ(d.control("seed rulesets host 3"), "ok");
    const Bytes count = countMessage();
    const struct {
        const char* name;
        Bytes input;
    } cases[] = {
        {"record body past the end", set(count, 20, 5, 4)},
        {"record body short of the end", set(count, 20, 3, 4)},
        {"header counting no record", set(count, 16, 0, 2)},
        {"second record past the end", set(count, 16, 2, 2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int fd = d.connectTcp();
        Bytes m = c.input;
        ASSERT_EQ(exchange(fd, m), m.size());
        EXPECT_EQ(get32(&m[28]), 19u) << "the first record's status";
        EXPECT_EQ(get32(&m[32]), 0u) << "no answer in the body";
        close(fd);
    }
}

}  // namespace
