// A long-lived agent's life in miniature: 100 000 command round trips through kestsimd on the socket
// channel (and a share of them on the forwarded device road), after which this process's and the
// daemon's resident memory and descriptors are where they were once warmed up.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/ApiCalls.h"
#include "support/DaemonRoads.h"
#include "support/FdCount.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

namespace kestfw_test {
namespace {

// Resident set of process `pid` ("self" for this one) in KiB, from its status file.
long rssKiB(const std::string& pid) {
    std::ifstream in("/proc/" + pid + "/status");
    std::string key;
    long value = -1;
    while (in >> key) {
        if (key == "VmRSS:") {
            in >> value;
            break;
        }
        in.ignore(1 << 12, '\n');
    }
    return value;
}

// AddressSanitizer keeps freed blocks resident in its quarantine, so resident memory grows there by
// design; in that build LeakSanitizer is what proves nothing leaks, and only descriptors are counted.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentMemoryIsMeaningful = false;
#else
constexpr bool kResidentMemoryIsMeaningful = true;
#endif

class LongRun : public DaemonRoadTest {};

TEST_P(LongRun, HundredThousandRoundTripsKeepMemoryAndDescriptorsFlat) {
    const unsigned total = 100000;
    ASSERT_EQ(daemon.control("seed rulesets host 3"), "ok");
    auto roundTrips = [&](unsigned n) {
        unsigned bad = 0;
        for (unsigned i = 0; i < n; ++i) {
            uint32_t count = 0;
            if (FW_GetRuleSetCount(handle, nullptr, nullptr, &count) != 0 || count != 3) ++bad;
        }
        return bad;
    };
    // Warm up: allocator pools, the message buffer and the daemon's client thread reach their size.
    ASSERT_EQ(roundTrips(total / 10), 0u);
    const std::string daemonPid = std::to_string(daemon.pid());
    const long selfBefore = rssKiB("self"), daemonBefore = rssKiB(daemonPid);
    const auto fdsBefore = openDescriptors();
    ASSERT_GT(selfBefore, 0);
    ASSERT_GT(daemonBefore, 0);

    EXPECT_EQ(roundTrips(total - total / 10), 0u);

    // A leak of even a few bytes per round trip would show as megabytes here.
    if (kResidentMemoryIsMeaningful) {
        EXPECT_LT(rssKiB("self") - selfBefore, 2048) << "library process grew";
        EXPECT_LT(rssKiB(daemonPid) - daemonBefore, 2048) << "daemon grew";
    }
    EXPECT_EQ(openDescriptors().size(), fdsBefore.size());
}

INSTANTIATE_TEST_SUITE_P(Roads, LongRun, ::testing::Values(Road::Socket, Road::Device), roadName);

}  // namespace
}  // namespace kestfw_test
