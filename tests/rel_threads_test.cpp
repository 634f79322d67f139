// Many threads through every command family at once, reports printed: eight threads share one
// handle and eight more each own one, all talking to the simulated module of this process. Run in the
// ThreadSanitizer build (KESTFW_TSAN) this proves the locking; in every build it proves that no call
// is lost, crashes or sees another thread's reply.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "cmd/KestFWCmd.h"
#include "support/ApiCalls.h"
#include "support/FdCount.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

namespace kestfw_test {
namespace {

constexpr int kShared = 8, kOwn = 8, kRounds = 40;

// Formats each log line and drops it: safe from any thread, unlike the collecting test logger.
void quietLog(int, const char* fmt, va_list ap) {
    char buf[1024];
    vsnprintf(buf, sizeof buf, fmt, ap);
}

struct Outcome {
    std::atomic<unsigned> rounds{0};
    std::atomic<unsigned> badCount{0};
    std::atomic<unsigned> failed{0};
};

// One round: every call of the table once, then a query whose answer no other call changes: the
// filter has exactly one rule set, so a reply meant for another thread would show here.
void round(fwlibhandle_* h, Outcome& out) {
    for (const ApiCall& c : apiCalls()) c.call(h, nullptr);
    uint32_t n = 0;
    if (FW_GetRuleSetCount(h, nullptr, nullptr, &n) != 0)
        out.failed++;
    else if (n != 1)
        out.badCount++;
    out.rounds++;
}

class ManyThreads : public ::testing::Test {
protected:
    void SetUp() override {
        kestsim_reset();
        seedEveryFamily(nullptr);
        m_oldPause = KestFirewall::CKestFWCmd::setRetryPause([](unsigned) {});
        FW_SetLibPrettyPrinting(&countingPrinter, &lines);
        FW_RegisterLogger(&quietLog, 0);
    }
    void TearDown() override {
        FW_UnregisterLogger();
        FW_SetLibPrettyPrinting(nullptr, nullptr);
        KestFirewall::CKestFWCmd::setRetryPause(m_oldPause);
        kestsim_reset();
    }
    unsigned long lines = 0;

private:
    KestFirewall::CKestFWCmd::RetryPause m_oldPause = nullptr;
};

TEST_F(ManyThreads, SharedAndOwnHandlesAcrossEveryFamily) {
    int reserved = 0;
    fwlibhandle_* shared = nullptr;
    ASSERT_EQ(FW_Initialize(0x10000, &reserved, 1, 0, nullptr, &shared), 0u);
    Outcome out;
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kShared; ++t)
        threads.emplace_back([&] {
            while (!go) std::this_thread::yield();
            for (int r = 0; r < kRounds; ++r) round(shared, out);
        });
    for (int t = 0; t < kOwn; ++t)
        threads.emplace_back([&] {
            int res = 0;
            fwlibhandle_* own = nullptr;
            if (FW_Initialize(0x10000, &res, 1, 0, nullptr, &own) != 0) {
                out.failed++;
                return;
            }
            while (!go) std::this_thread::yield();
            for (int r = 0; r < kRounds; ++r) round(own, out);
            if (FW_Exit(own) != 0) out.failed++;
        });
    go = true;
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(FW_Exit(shared), 0u);

    EXPECT_EQ(out.rounds.load(), unsigned((kShared + kOwn) * kRounds));
    EXPECT_EQ(out.failed.load(), 0u);
    EXPECT_EQ(out.badCount.load(), 0u);
    EXPECT_GT(lines, 0u);
}

// Logging, component registration and the default handle, raced from many threads at once.
TEST_F(ManyThreads, FrameSingletonsAndComponentsUnderRace) {
    std::vector<std::thread> threads;
    std::atomic<unsigned> failures{0};
    std::vector<fwlibhandle_*> defaults(kShared + kOwn, nullptr);
    std::vector<unsigned> ids(kShared + kOwn, 0);
    for (int t = 0; t < kShared + kOwn; ++t)
        threads.emplace_back([&, t] {
            std::string name = "race-" + std::to_string(t);
            if (FW_RegisterComponent(name.c_str(), &ids[t]) != 0) failures++;
            for (int r = 0; r < 50; ++r) {
                int level = 0;
                if (FW_GetLibVerboseLevel(ids[t], &level) != 0) failures++;
            }
            defaults[t] = FW_GetDefaultLibHandle();
            uint32_t n = 0;
            if (FW_GetRuleSetCount(defaults[t], nullptr, nullptr, &n) != 0) failures++;
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0u);
    for (fwlibhandle_* h : defaults) EXPECT_EQ(h, defaults[0]);  // created once
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::unique(ids.begin(), ids.end()), ids.end());  // every component got its own number
}

}  // namespace
}  // namespace kestfw_test
