// The component table (names, lookups, registration up to the 64-entry limit, levels) and the report
// frame: reports of many threads never interleave and the print function is never entered twice at once.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cmd/KestFWCmdApi.h"
#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "base/KestFWReport.h"
#include "kestfw/kestfw.h"
#include "sim/KestSimControl.h"
#include "support/LogCapture.h"
#include "support/SimHandle.h"
#include "support/TestCommands.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

// Fails the fresh process with a message on its standard error.
#define CHILD_CHECK(COND, ...)                      \
    do {                                            \
        if (!(COND)) {                              \
            fprintf(stderr, "failed: %s: ", #COND); \
            fprintf(stderr, __VA_ARGS__);           \
            std::exit(1);                           \
        }                                           \
    } while (0)

TEST(Components, NamesAndLookupsOfTheBuiltInTable) {
    EXPECT_EQ(FW_GetComponentCount(), 19u);
    const struct {
        unsigned component;
        const char* name;
    } names[] = {{0, "misc"}, {18, "cache"}, {19, "unknown"}, {255, "all"}, {0xFFFFFFFFu, "unknown"}};
    for (const auto& n : names) EXPECT_STREQ(FW_ComponentToString(n.component), n.name) << n.component;
    // Names are found whatever their case, whole or not at all; "all" is an index, not a name.
    const struct {
        const char* text;
        unsigned component;
    } lookups[] = {{"Cache", 18}, {"msgBuf", 6}, {"all", 64}, {"", 64}, {"cach", 64}, {"caches", 64}};
    for (const auto& l : lookups) EXPECT_EQ(FW_StringToComponent(l.text), l.component) << '"' << l.text << '"';
    EXPECT_EQ(FW_StringToComponent(nullptr), 64u);
}

TEST(Components, LevelsOfOneOrAllBuiltIns) {
    const struct {
        unsigned component;
        FWStatus_t getResult;
        bool warns;
    } cases[] = {{18, 0, false}, {19, 55, true}, {255, 55, false}};
    for (const auto& c : cases) {
        std::vector<int> before;
        for (unsigned i = 0; i < 19; ++i) before.push_back(g_kestfw_verbose[i].level);
        LogCapture log;
        FW_SetLibVerboseLevel(c.component, 3);
        for (unsigned i = 0; i < 19; ++i)
            EXPECT_EQ(g_kestfw_verbose[i].level, c.component == 255 || c.component == i ? 3 : before[i])
                << c.component << " " << i;
        EXPECT_EQ(log.has("attempting to set verbose level of unknown component " + std::to_string(c.component)),
                  c.warns);
        int level = -7;
        EXPECT_EQ(FW_GetLibVerboseLevel(c.component, &level), c.getResult);
        EXPECT_EQ(level, c.getResult == 0 ? 3 : -7);
        for (unsigned i = 0; i < 19; ++i) g_kestfw_verbose[i].level = before[i];
    }
}

// One process fills the table: names of 15 characters fit and 16 do not, a name may be registered twice
// (the first is found, a built-in before both), and the 64th entry is the last.
[[noreturn]] void registerUpToTheLimit() {
    unsigned id = 0xC0FFEEu, dup = 0;
    CHILD_CHECK(FW_RegisterComponent("abcdefghijklmnop", &id) == 3 && FW_RegisterComponent(nullptr, &id) == 3 &&
                    FW_RegisterComponent("netflow", nullptr) == 3,
                "refused names");
    CHILD_CHECK(id == 0xC0FFEEu && FW_GetComponentCount() == 19, "id %u", id);
    CHILD_CHECK(FW_RegisterComponent("abcdefghijklmno", &id) == 0 && id == 19, "id %u", id);
    CHILD_CHECK(strcmp(FW_ComponentToString(19), "abcdefghijklmno") == 0, "%s", FW_ComponentToString(19));
    CHILD_CHECK(FW_StringToComponent("ABCDEFGHIJKLMNO") == 19 && g_kestfw_verbose[19].name[15] == '\0', "entry");
    int level = -1;
    CHILD_CHECK(FW_GetLibVerboseLevel(19, &level) == 0 && level == 0, "level %d", level);
    CHILD_CHECK(FW_RegisterComponent("Dup", &id) == 0 && FW_RegisterComponent("Dup", &dup) == 0 &&
                    FW_RegisterComponent("IO", &id) == 0,
                "same names");
    CHILD_CHECK(FW_StringToComponent("dup") == dup - 1 && FW_StringToComponent("io") == 5, "lookups");
    for (unsigned i = FW_GetComponentCount(); i < 64; ++i)
        CHILD_CHECK(FW_RegisterComponent("c", &id) == 0 && id == i, "entry %u got %u", i, id);
    id = 0xC0FFEEu;
    CHILD_CHECK(FW_RegisterComponent("one-too-many", &id) == 56 && id == 0xC0FFEEu, "table full");
    CHILD_CHECK(FW_GetComponentCount() == 64 && FW_UnregisterComponent(19) == 7, "count");
    FW_SetLibVerboseLevel(255, 2);
    for (unsigned i = 0; i < 64; ++i)
        CHILD_CHECK(FW_GetLibVerboseLevel(i, &level) == 0 && level == 2, "component %u level %d", i, level);
    FW_SetLibVerboseLevel(63, 6);
    CHILD_CHECK(g_kestfw_verbose[63].level == 6 && g_kestfw_verbose[62].level == 2, "one registered");
    std::exit(0);
}

TEST(Components, RegistrationInAFreshProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(registerUpToTheLimit(), ::testing::ExitedWithCode(0), "");
}

// Records what the print function is given and whether it was ever entered while already running.
struct Printer {
    std::mutex mutex;  // only for the record; the library's lock is what is under test
    std::vector<std::string> lines;
    std::vector<void*> contexts;
    std::atomic<int> inside{0}, overlaps{0};
};
Printer g_printer;

int recordLine(void* context, const char* fmt, ...) {
    if (g_printer.inside.fetch_add(1) != 0) ++g_printer.overlaps;
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    std::this_thread::yield();  // give another thread the chance to barge in
    {
        std::lock_guard<std::mutex> lock(g_printer.mutex);
        g_printer.lines.push_back(buf);
        g_printer.contexts.push_back(context);
    }
    g_printer.inside.fetch_sub(1);
    return n;
}

// A query whose reply check prints "report <id> line <k> of <n>", breaking off after `throwAfter` lines.
// The id is the body's fill byte, which comes back in the reply.
class ReportCmd : public PatternCmd {
public:
    ReportCmd(uint8_t id, unsigned lines, unsigned throwAfter = ~0u)
        : PatternCmd(nullptr, 4, 1, id), m_lines(lines), m_throwAfter(throwAfter) {}
    void checkCmdReply(const void* body, unsigned int) override {
        CKestFWReport report;
        for (unsigned k = 1; k <= m_lines; ++k) {
            if (k == m_throwAfter + 1) throw CInvalidInputDataException("report broke off");
            report.line("report %u line %u of %u\n", unsigned(*static_cast<const uint8_t*>(body)), k, m_lines);
        }
    }

private:
    unsigned m_lines, m_throwAfter;
};

// A generic channel that leaves every message as it is: each query reads back its own request.
int echoInit(void*, void** ctx) {
    *ctx = nullptr;
    return 0;
}
void echoExit(void*) {}
int echoRequest(void*, void*, unsigned int, void*) { return 0; }
const FWLibGenericIO_ kEcho = {echoInit, echoExit, echoRequest, nullptr};

fwlibhandle_* echoHandle() {
    int reserved = 0;
    void* args[2] = {const_cast<char*>(KESTFW_IO_GENERIC_IO), const_cast<FWLibGenericIO_*>(&kEcho)};
    fwlibhandle_* h = nullptr;
    EXPECT_EQ(FW_Initialize(0x10000, &reserved, FW_IO_GENERIC, 2, args, &h), 0u);
    return h;
}

// `handle` is on the device channel to this program's simulated module.
class Reports : public SimTest {
protected:
    void TearDown() override {
        FW_SetLibPrettyPrinting(nullptr, nullptr);
        g_printer.lines.clear();
        g_printer.contexts.clear();
        g_printer.overlaps = 0;
        SimTest::TearDown();
    }
};

TEST_F(Reports, ThreadsNeverInterleaveTheirReports) {
    const unsigned kThreads = 8, kQueries = 20, kLines = 6;
    kestsim_seed_ruleset_count(nullptr, 4);
    fwlibhandle_* generic = echoHandle();
    int context = 0;
    FW_SetLibPrettyPrinting(recordLine, &context);
    // Half the threads print six-line reports, the other half the real rule-set count, all at once.
    std::atomic<int> failures{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (unsigned q = 0; q < kQueries; ++q) {
                uint32_t count = 0;
                ReportCmd cmd(uint8_t(t * kQueries + q), kLines);
                if (t % 2 == 0 ? kfwExecuteCommand(cmd, generic, nullptr) != 0
                               : FW_GetRuleSetCount(handle, nullptr, nullptr, &count) != 0 || count != 4)
                    ++failures;
            }
        });
    go = true;
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(FW_Exit(generic), 0u);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(g_printer.overlaps.load(), 0);
    const std::vector<std::string>& lines = g_printer.lines;
    ASSERT_EQ(lines.size(), (kThreads / 2) * kQueries * (kLines + 1));
    for (void* c : g_printer.contexts) ASSERT_EQ(c, &context);
    // Each report's lines stand together and in order, and every report is there once.
    std::vector<unsigned> seen(kThreads * kQueries, 0);
    for (size_t i = 0; i < lines.size();) {
        if (lines[i] == "ruleset count : 4\n") {
            ++i;
            continue;
        }
        unsigned id = 0;
        ASSERT_EQ(sscanf(lines[i].c_str(), "report %u line", &id), 1) << lines[i];
        for (unsigned j = 1; j <= kLines; ++j, ++i)
            ASSERT_EQ(lines[i], "report " + std::to_string(id) + " line " + std::to_string(j) + " of 6\n") << i;
        ++seen.at(id);
    }
    for (unsigned t = 0; t < kThreads; t += 2)
        for (unsigned q = 0; q < kQueries; ++q) EXPECT_EQ(seen[t * kQueries + q], 1u) << t * kQueries + q;
}

TEST_F(Reports, WithoutAPrinterOrBrokenOffTheNextReportStillPrints) {
    kestsim_seed_ruleset_count(nullptr, 2);
    fwlibhandle_* echo = echoHandle();
    uint32_t count = 0;
    EXPECT_EQ(FW_GetRuleSetCount(handle, nullptr, nullptr, &count), 0u);
    EXPECT_EQ(count, 2u);
    FW_SetLibPrettyPrinting(recordLine, nullptr);
    ReportCmd broken(7, 3, 2);
    EXPECT_EQ(kfwExecuteCommand(broken, echo, nullptr), 4u);
    ReportCmd after(8, 1);
    EXPECT_EQ(kfwExecuteCommand(after, echo, nullptr), 0u);
    EXPECT_EQ(g_printer.lines,
              (std::vector<std::string>{"report 7 line 1 of 3\n", "report 7 line 2 of 3\n", "report 8 line 1 of 1\n"}));
    EXPECT_EQ(FW_Exit(echo), 0u);
}

}  // namespace
