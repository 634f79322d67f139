// kestsimd under load while bad peers hammer it: many well-behaved clients on both sockets exchange
// messages at once while others send malformed framing, lengths far past the limit, truncated bodies
// and garbage. Every bad connection is refused and logged, every good message is answered with its
// own sequence number, and the daemon goes on serving. Loopback only, bounded in count and time.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/FdCount.h"
#include "support/SimProcess.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

using KestSim::DaemonProcess;
using namespace kestsim_test;

namespace {

constexpr int kGoodTcp = 24, kGoodForward = 8, kRounds = 150, kBadPeers = 6, kBadEach = 20;

// Bad inputs of the socket channel (a count message bent out of shape) and of the forwarding socket.
std::vector<Bytes> badTcpInputs() {
    const Bytes count = countMessage();
    return {
        with(count, 0, 0x4B455358, 4),             // wrong signature
        with(count, 4, 0xFFFFFFF0u, 4),            // body length far past the limit
        with(count, 4, (64u << 20), 4),            // one past the limit
        Bytes(count.begin(), count.begin() + 27),  // body cut short
        Bytes(200, 0xFF),                          // garbage
        Bytes(7, 'K'),                             // not even a header
    };
}
std::vector<Bytes> badForwardInputs() {
    auto request = [](uint32_t refused, uint32_t len, const Bytes& msg) {
        return cat(with(with(Bytes(108, 0), 100, refused, 4), 104, len, 4), msg);
    };
    return {
        request(0, 0xFFFFFFFFu, Bytes()),  // oversized length
        request(5000, 0, Bytes()),         // refusal that is no errno
        request(0, 36, Bytes(20, 0)),      // message cut short
        Bytes(50, 0xAB),                   // head cut short
    };
}

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(DaemonUnderLoad, GoodClientsAreServedWhileBadPeersAreRefusedAndLogged) {
    char dir[] = "/tmp/kestsim-load-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string logPath = std::string(dir) + "/kestsimd.log";
    DaemonProcess d;
    DaemonProcess::Options o;
    o.extraArgs = {"--log", logPath};
    ASSERT_TRUE(d.start(o)) << d.error();
    ASSERT_EQ(d.control("seed rulesets host 5"), "ok");

    std::atomic<int> wrong{0}, badAnswered{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kGoodTcp; ++t)
        threads.emplace_back([&, t] {
            int fd = d.connectTcp();
            for (int i = 0; i < kRounds; ++i) {
                const uint32_t seq = uint32_t(t * 100000 + i);
                Bytes m = countMessage(seq);
                if (exchange(fd, m) != 36 || get32(&m[8]) != seq || get32(&m[32]) != 5) ++wrong;
            }
            close(fd);
        });
    for (int t = 0; t < kGoodForward; ++t)
        threads.emplace_back([&] {
            int fd = d.connectForward();
            for (int i = 0; i < kRounds; ++i) {
                Bytes m = countMessage();
                Bytes req = cat(with(with(Bytes(108, 0), 100, 0, 4), 104, m.size(), 4), m);
                if (!sendAll(fd, req)) {
                    ++wrong;
                    break;
                }
                Bytes head = receive(fd, 8);
                Bytes body = head.size() == 8 ? receive(fd, get32(&head[4])) : Bytes();
                if (head.size() != 8 || get32(&head[0]) != 0 || body.size() != 36 || get32(&body[32]) != 5) ++wrong;
            }
            close(fd);
        });
    for (int t = 0; t < kBadPeers; ++t)
        threads.emplace_back([&, t] {
            const std::vector<Bytes> tcp = badTcpInputs(), fwd = badForwardInputs();
            for (int i = 0; i < kBadEach; ++i) {
                const bool onTcp = (t + i) % 2 == 0;
                int fd = onTcp ? d.connectTcp() : d.connectForward();
                const Bytes& in = onTcp ? tcp[size_t(i) % tcp.size()] : fwd[size_t(i) % fwd.size()];
                if (fd < 0) continue;
                sendAll(fd, in);
                shutdown(fd, SHUT_WR);
                if (!drain(fd).empty()) ++badAnswered;
                close(fd);
            }
        });
    for (std::thread& t : threads) t.join();

    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(badAnswered.load(), 0) << "a malformed request got an answer";
    // Exactly the good messages reached the module.
    EXPECT_EQ(d.control("show requests"),
              "requests tcp " + std::to_string(kGoodTcp * kRounds) + " unix " + std::to_string(kGoodForward * kRounds));
    // Still serving.
    int fd = d.connectTcp();
    Bytes m = countMessage(42);
    EXPECT_EQ(exchange(fd, m), 36u);
    close(fd);
    EXPECT_EQ(d.stop(), 0);

    const std::string log = fileText(logPath);
    for (const char* needle :
         {"without the KEST signature", "is over", "ended inside a message body", "malformed request"})
        EXPECT_NE(log.find(needle), std::string::npos) << "no log line with: " << needle;
    unlink(logPath.c_str());
    rmdir(dir);
}

}  // namespace
