// The frame's shared state under threads and extreme arguments: the logger's level base, status texts
// of unknown codes, component registration against look-ups.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/KestFWLog.h"
#include "kestfw/kestfw.h"
#include "support/LogCapture.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

TEST(LoggerBase, AnyBaseGivesALevelWithinInt) {
    const struct {
        int base;
        int priority;
        int level;
    } cases[] = {
        {10, KFW_LOG_DEBUG, 11},
        {10, KFW_LOG_WARNING, 8},
        {INT_MAX, KFW_LOG_DEBUG, INT_MAX},
        {INT_MAX, KFW_LOG_INFO, INT_MAX},
        {INT_MAX, KFW_LOG_ERR, INT_MAX - 3},
        {INT_MIN, KFW_LOG_ERR, INT_MIN},
        {INT_MIN, KFW_LOG_DEBUG, INT_MIN + 1},
        {INT_MIN + 2, KFW_LOG_ERR, INT_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.base) + " " + std::to_string(c.priority));
        LogCapture log(c.base);
        Logger(c.priority, "line %d\n", 1);
        ASSERT_EQ(log.allLevels().size(), 1u);
        EXPECT_EQ(log.allLevels()[0], c.level);
        EXPECT_EQ(log.all()[0], "line 1\n");
    }
}

// Each thread names its own unknown codes; a text it holds must stay its own while others name theirs.
TEST(StatusText, UnknownCodesAreNamedPerThread) {
    constexpr int kThreads = 4, kRounds = 3000;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                const unsigned code = 1000u + unsigned(t) * 100000u + unsigned(i);
                char expected[64];
                snprintf(expected, sizeof expected, "unknown error code: %u", code);
                const char* text = FW_StatusToString(code);
                std::this_thread::yield();
                if (strcmp(text, expected) != 0) ++wrong;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_STREQ(FW_StatusToString(70), "failed to find uid to sid mapping");
}

// Registration fills the table while other threads look components up: whatever count a reader sees,
// every entry below it is complete.
TEST(Components, LookUpsDuringRegistrationSeeOnlyWholeEntries) {
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r)
        readers.emplace_back([&] {
            while (!done) {
                const unsigned n = FW_GetComponentCount();
                const char* name = FW_ComponentToString(n - 1);
                if (n > 19 && strncmp(name, "extra", 5) != 0) ++torn;
                int level = -1;
                if (FW_GetLibVerboseLevel(n - 1, &level) != 0 || level != 0) ++torn;
                if (n > 19 && FW_StringToComponent(name) != n - 1) ++torn;
            }
        });
    unsigned id = 0;
    for (unsigned i = FW_GetComponentCount(); i < KESTFW_MAX_COMPONENTS; ++i) {
        const std::string name = "extra" + std::to_string(i);
        ASSERT_EQ(FW_RegisterComponent(name.c_str(), &id), 0u);
        EXPECT_EQ(id, i);
    }
    EXPECT_EQ(FW_RegisterComponent("one-too-many", &id), 56u);
    done = true;
    for (auto& t : readers) t.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(FW_GetComponentCount(), unsigned(KESTFW_MAX_COMPONENTS));
}

}  // namespace
