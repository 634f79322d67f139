// The component table (names, lookups, registration up to the 64-entry limit, levels) and the report
// frame: reports of many threads never interleave, the print function is never entered twice at once,
// and a report that fails halfway still lets the next one print.
//
// Registration changes the table for the rest of the process, so every registering case runs in a fresh
// copy of this program; the lookups below it then always see the 19 built-in components.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "cmd/KestFWCmdApi.h"
#include "frame/KestFWException.h"
#include "frame/KestFWLog.h"
#include "frame/KestFWReport.h"
#include "kestfw/kestfw.h"
#include "sim/KestSimControl.h"
#include "support/LogCapture.h"
#include "util/ByteIO.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

// Fails the fresh process with a message on its standard error.
#define CHILD_CHECK(COND, ...)                      \
    do {                                            \
        if (!(COND)) {                              \
            fprintf(stderr, "failed: %s: ", #COND); \
            fprintf(stderr, __VA_ARGS__);           \
            fprintf(stderr, "\n");                  \
            std::exit(1);                           \
        }                                           \
    } while (0)

std::string upper(std::string s) {
    for (char& c : s) c = char(toupper(static_cast<unsigned char>(c)));
    return s;
}

// ---- Lookups on the built-in table ------------------------------------------------------------------

struct NameCase {
    unsigned component;
    const char* name;
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.component << " " << c.name; }

class ComponentNames : public ::testing::TestWithParam<NameCase> {};

struct LookupCase {
    const char* text;
    unsigned component;
};
void PrintTo(const LookupCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ComponentLookup : public ::testing::TestWithParam<LookupCase> {};

}  // namespace

TEST_P(ComponentNames, IndexToName) {
    EXPECT_EQ(FW_GetComponentCount(), 19u);
    EXPECT_STREQ(FW_ComponentToString(GetParam().component), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Cases, ComponentNames,
                         ::testing::Values(NameCase{0, "misc"}, NameCase{1, "api"}, NameCase{5, "io"},
                                           NameCase{7, "cmd"}, NameCase{12, "protobuf"}, NameCase{18, "cache"},
                                           NameCase{19, "unknown"}, NameCase{63, "unknown"}, NameCase{64, "unknown"},
                                           NameCase{254, "unknown"}, NameCase{255, "all"},
                                           NameCase{0xFFFFFFFFu, "unknown"}));

TEST_P(ComponentLookup, NameToIndexIgnoringCase) {
    EXPECT_EQ(FW_StringToComponent(GetParam().text), GetParam().component);
}

INSTANTIATE_TEST_SUITE_P(Cases, ComponentLookup,
                         ::testing::Values(LookupCase{"IO", 5}, LookupCase{"io", 5}, LookupCase{"Cache", 18},
                                           LookupCase{"MISC", 0}, LookupCase{"msgBuf", 6},
                                           LookupCase{"all", 64},  // "all" is an index, not a name
                                           LookupCase{"unknown", 64}, LookupCase{"", 64},
                                           LookupCase{"cach", 64},    // a prefix is not the name
                                           LookupCase{"caches", 64},  // nor is a longer text
                                           LookupCase{"io ", 64}));

TEST(ComponentLookup, NullNameIsNotFound) { EXPECT_EQ(FW_StringToComponent(nullptr), 64u); }

// ---- Levels on the built-in table (each case restores what it changed) ---------------------------------

namespace {

struct LevelCase {
    const char* name;
    unsigned component;
    FWStatus_t getResult;
    bool setsOne;  // only that component changes
    bool setsAll;  // every component changes
    const char* warning;
};
void PrintTo(const LevelCase& c, std::ostream* os) { *os << c.name; }

class ComponentLevels : public ::testing::TestWithParam<LevelCase> {};

std::vector<int> allLevels() {
    std::vector<int> v;
    for (unsigned i = 0; i < FW_GetComponentCount(); ++i) v.push_back(g_kestfw_verbose[i].level);
    return v;
}

}  // namespace

TEST_P(ComponentLevels, SetAndGet) {
    const LevelCase& c = GetParam();
    const std::vector<int> before = allLevels();
    LogCapture log;
    FW_SetLibVerboseLevel(c.component, 3);
    std::vector<int> after = allLevels();
    for (unsigned i = 0; i < after.size(); ++i) {
        bool changed = c.setsAll || (c.setsOne && i == c.component);
        EXPECT_EQ(after[i], changed ? 3 : before[i]) << "component " << i;
    }
    if (c.warning != nullptr) {
        EXPECT_TRUE(log.has(std::string(c.warning) + std::to_string(c.component) + "\n"));
    }
    int level = -7;
    EXPECT_EQ(FW_GetLibVerboseLevel(c.component, &level), c.getResult);
    EXPECT_EQ(level, c.getResult == 0 ? 3 : -7);
    for (unsigned i = 0; i < before.size(); ++i) g_kestfw_verbose[i].level = before[i];
}

INSTANTIATE_TEST_SUITE_P(Cases, ComponentLevels,
                         ::testing::Values(LevelCase{"one built-in", 5, 0, true, false, nullptr},
                                           LevelCase{"the last built-in", 18, 0, true, false, nullptr},
                                           LevelCase{"all of them", 255, 55, false, true, nullptr},
                                           LevelCase{"past the count", 19, 55, false, false,
                                                     "attempting to set verbose level of unknown component "},
                                           LevelCase{"past the table", 64, 55, false, false,
                                                     "attempting to set verbose level of unknown component "}));

// ---- Registration, each case in a fresh process ------------------------------------------------------

namespace {

struct RegisterCase {
    const char* name;
    unsigned before;      // components registered first ("c00", "c01", ...)
    const char* regName;  // null: no name
    bool nullId;
    FWStatus_t result;
    unsigned id;  // expected index on success
};
void PrintTo(const RegisterCase& c, std::ostream* os) { *os << c.name; }

class ComponentRegistration : public ::testing::TestWithParam<RegisterCase> {};

const unsigned kUntouched = 0xC0FFEEu;

}  // namespace

namespace {

[[noreturn]] void registerInFreshProcess(const RegisterCase& c) {
    for (unsigned i = 0; i < c.before; ++i) {
        char name[16];
        snprintf(name, sizeof name, "c%02u", i);
        unsigned id = 0;
        CHILD_CHECK(FW_RegisterComponent(name, &id) == 0 && id == 19 + i, "registering %s", name);
    }
    const unsigned countBefore = FW_GetComponentCount();
    unsigned id = kUntouched;
    FWStatus_t st = FW_RegisterComponent(c.regName, c.nullId ? nullptr : &id);
    CHILD_CHECK(st == c.result, "status %u", st);
    if (st == 0) {
        CHILD_CHECK(id == c.id, "id %u", id);
        CHILD_CHECK(FW_GetComponentCount() == countBefore + 1, "count %u", FW_GetComponentCount());
        CHILD_CHECK(strcmp(FW_ComponentToString(id), c.regName) == 0, "name %s", FW_ComponentToString(id));
        CHILD_CHECK(FW_StringToComponent(upper(c.regName).c_str()) == id, "lookup");
        int level = -1;
        CHILD_CHECK(FW_GetLibVerboseLevel(id, &level) == 0 && level == 0, "level %d", level);
        // The name is NUL-padded to the end of its 16 bytes.
        const char* entry = g_kestfw_verbose[id].name;
        for (size_t i = strlen(c.regName); i < sizeof g_kestfw_verbose[id].name; ++i)
            CHILD_CHECK(entry[i] == '\0', "padding at %zu", i);
    } else {
        CHILD_CHECK(id == kUntouched, "id written: %u", id);
        CHILD_CHECK(FW_GetComponentCount() == countBefore, "count %u", FW_GetComponentCount());
    }
    CHILD_CHECK(FW_UnregisterComponent(19) == 7 && FW_GetComponentCount() == countBefore + (st == 0),
                "unregistering changed something");
    std::exit(0);
}

}  // namespace

TEST_P(ComponentRegistration, FreshProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(registerInFreshProcess(GetParam()), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, ComponentRegistration,
                         ::testing::Values(RegisterCase{"fifteen characters", 0, "abcdefghijklmno", false, 0, 19},
                                           RegisterCase{"sixteen characters", 0, "abcdefghijklmnop", false, 3, 0},
                                           RegisterCase{"empty name", 0, "", false, 0, 19},
                                           RegisterCase{"null id", 0, "netflow", true, 3, 0},
                                           RegisterCase{"null name", 0, nullptr, false, 3, 0},
                                           RegisterCase{"last free entry", 44, "last", false, 0, 63},
                                           RegisterCase{"table full", 45, "one-too-many", false, 56, 0},
                                           RegisterCase{"full table refuses a bad name first", 45, "abcdefghijklmnop",
                                                        false, 3, 0}));

namespace {

[[noreturn]] void sameNameAndLevelsInFreshProcess() {
    unsigned a = 0, b = 0, io = 0;
    CHILD_CHECK(FW_RegisterComponent("Dup", &a) == 0 && FW_RegisterComponent("Dup", &b) == 0, "register");
    CHILD_CHECK(a == 19 && b == 20, "ids %u %u", a, b);
    CHILD_CHECK(FW_StringToComponent("dup") == 19, "first of two");
    // A registered name equal to a built-in one is found after it.
    CHILD_CHECK(FW_RegisterComponent("IO", &io) == 0 && FW_StringToComponent("io") == 5, "built-in first");

    FW_SetLibVerboseLevel(255, 2);
    for (unsigned i = 0; i < FW_GetComponentCount(); ++i) {
        int level = -1;
        CHILD_CHECK(FW_GetLibVerboseLevel(i, &level) == 0 && level == 2, "component %u level %d", i, level);
    }
    int level = -1;
    CHILD_CHECK(FW_GetLibVerboseLevel(255, &level) == 55 && level == -1, "all has no level");
    CHILD_CHECK(FW_GetLibVerboseLevel(22, &level) == 55, "past the count");
    FW_SetLibVerboseLevel(21, 6);
    CHILD_CHECK(g_kestfw_verbose[21].level == 6 && g_kestfw_verbose[20].level == 2, "one registered");
    std::exit(0);
}

}  // namespace

TEST(ComponentRegistrationFresh, SameNameTwiceAndLevelsForAll) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(sameNameAndLevelsInFreshProcess(), ::testing::ExitedWithCode(0), "");
}

// ---- Reports -----------------------------------------------------------------------------------------

namespace {

// Records what the print function is given and whether it was ever entered while already running.
struct Printer {
    std::mutex mutex;  // only for the record; the library's lock is what is under test
    std::vector<std::string> lines;
    std::vector<void*> contexts;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};

    void reset() {
        std::lock_guard<std::mutex> lock(mutex);
        lines.clear();
        contexts.clear();
        overlaps = 0;
    }
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

// A query whose reply check prints a report of several lines: "report <id> line <k> of <n>". The id
// travels in the body, so it comes back in the reply whatever the channel does with the request.
class MultiLineReportCmd : public CKestFWCmd {
public:
    MultiLineReportCmd(uint32_t id, unsigned lines, unsigned throwAfter = 0)
        : CKestFWCmd(nullptr), m_id(id), m_lines(lines), m_throwAfter(throwAfter) {}
    unsigned int getMsgSize() const override { return 4; }
    unsigned int getType() const override { return 9998; }
    unsigned int getCommand() const override { return 1; }
    std::string toString() const override { return "report " + std::to_string(m_id); }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) override {
        if (avail < 4) return false;
        ByteWriter(writable(body), 4).u32(m_id);
        *written = 4;
        return true;
    }
    void checkCmdReply(const void* body, unsigned int size) override {
        ByteReader r(body, size);
        uint32_t id = r.u32();
        CKestFWReport report;
        for (unsigned k = 1; k <= m_lines; ++k) {
            if (k == m_throwAfter + 1 && m_throwAfter != 0) throw CInvalidInputDataException("report broke off");
            report.line("report %u line %u of %u\n", id, k, m_lines);
        }
    }

private:
    uint32_t m_id;
    unsigned m_lines;
    unsigned m_throwAfter;
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

fwlibhandle_* deviceHandle() {
    int reserved = 0;
    fwlibhandle_* h = nullptr;
    EXPECT_EQ(FW_Initialize(0x10000, &reserved, FW_IO_DEVICE, 0, nullptr, &h), 0u);
    return h;
}

class Reports : public ::testing::Test {
protected:
    void SetUp() override {
        kestsim_reset();
        g_printer.reset();
    }
    void TearDown() override {
        FW_SetLibPrettyPrinting(nullptr, nullptr);
        kestsim_reset();
    }
};

}  // namespace

TEST_F(Reports, ThreadsNeverInterleaveTheirReports) {
    const unsigned kThreads = 8, kQueries = 20, kLines = 6;
    kestsim_seed_ruleset_count(nullptr, 4);
    fwlibhandle_* generic = echoHandle();
    fwlibhandle_* device = deviceHandle();
    ASSERT_NE(generic, nullptr);
    ASSERT_NE(device, nullptr);
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
                if (t % 2 == 0) {
                    MultiLineReportCmd cmd(t * 1000 + q, kLines);
                    if (kfwExecuteCommand(cmd, generic, nullptr) != 0) ++failures;
                } else {
                    uint32_t count = 0;
                    if (FW_GetRuleSetCount(device, nullptr, nullptr, &count) != 0 || count != 4) ++failures;
                }
            }
        });
    go = true;
    for (std::thread& th : threads) th.join();
    FW_SetLibPrettyPrinting(nullptr, nullptr);
    EXPECT_EQ(FW_Exit(generic), 0u);
    EXPECT_EQ(FW_Exit(device), 0u);

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(g_printer.overlaps.load(), 0);
    const std::vector<std::string>& lines = g_printer.lines;
    ASSERT_EQ(lines.size(), (kThreads / 2) * kQueries * (kLines + 1));
    for (void* c : g_printer.contexts) ASSERT_EQ(c, &context);
    // Walk the record: each report's lines stand together and in order.
    std::vector<unsigned> seen(kThreads * 1000, 0);
    for (size_t i = 0; i < lines.size();) {
        if (lines[i] == "ruleset count : 4\n") {
            ++i;
            continue;
        }
        unsigned id = 0, k = 0, n = 0;
        ASSERT_EQ(sscanf(lines[i].c_str(), "report %u line %u of %u", &id, &k, &n), 3) << lines[i];
        ASSERT_EQ(k, 1u) << "a report starts inside another at line " << i;
        for (unsigned j = 1; j <= kLines; ++j, ++i)
            ASSERT_EQ(lines[i], "report " + std::to_string(id) + " line " + std::to_string(j) + " of 6\n")
                << "line " << i;
        ++seen[id];
    }
    for (unsigned t = 0; t < kThreads; t += 2)
        for (unsigned q = 0; q < kQueries; ++q) EXPECT_EQ(seen[t * 1000 + q], 1u) << t * 1000 + q;
}

namespace {

struct ReportCase {
    const char* name;
    bool printer;
    unsigned lines;       // 0: the rule-set count
    unsigned throwAfter;  // the report breaks off after this many lines (0: never)
    FWStatus_t result;
    std::vector<std::string> printed;
};
void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.name; }

class ReportCases : public Reports, public ::testing::WithParamInterface<ReportCase> {};

}  // namespace

TEST_P(ReportCases, PrintedWholeOrNotAtAll) {
    const ReportCase& c = GetParam();
    kestsim_seed_ruleset_count(nullptr, 2);
    fwlibhandle_* h = c.lines == 0 ? deviceHandle() : echoHandle();
    ASSERT_NE(h, nullptr);
    if (c.printer) FW_SetLibPrettyPrinting(recordLine, nullptr);
    FWStatus_t st;
    uint32_t count = 0;
    if (c.lines == 0) {
        st = FW_GetRuleSetCount(h, nullptr, nullptr, &count);
        if (st == 0) {
            EXPECT_EQ(count, 2u);
        }
    } else {
        MultiLineReportCmd cmd(7, c.lines, c.throwAfter);
        st = kfwExecuteCommand(cmd, h, nullptr);
    }
    EXPECT_EQ(st, c.result);
    EXPECT_EQ(g_printer.lines, c.printed);
    // Whatever happened, the printing lock is free again: the next report prints.
    g_printer.reset();
    FW_SetLibPrettyPrinting(recordLine, nullptr);
    fwlibhandle_* echo = echoHandle();
    MultiLineReportCmd after(8, 1);
    EXPECT_EQ(kfwExecuteCommand(after, echo, nullptr), 0u);
    EXPECT_EQ(g_printer.lines, std::vector<std::string>{"report 8 line 1 of 1\n"});
    EXPECT_EQ(FW_Exit(echo), 0u);
    EXPECT_EQ(FW_Exit(h), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportCases,
    ::testing::Values(ReportCase{"count with a printer", true, 0, 0, 0, {"ruleset count : 2\n"}},
                      ReportCase{"count without a printer", false, 0, 0, 0, {}},
                      ReportCase{"three lines",
                                 true,
                                 3,
                                 0,
                                 0,
                                 {"report 7 line 1 of 3\n", "report 7 line 2 of 3\n", "report 7 line 3 of 3\n"}},
                      ReportCase{"three lines without a printer", false, 3, 0, 0, {}},
                      ReportCase{
                          "broken off after two", true, 3, 2, 4, {"report 7 line 1 of 3\n", "report 7 line 2 of 3\n"}}),
    [](const ::testing::TestParamInfo<ReportCase>& i) { return "case" + std::to_string(i.index); });

TEST_F(Reports, PrinterSwitchedWhileAnotherThreadReports) {
    // Switching the printer waits for a report in progress: its lines all go to the printer it began with.
    fwlibhandle_* h = echoHandle();
    ASSERT_NE(h, nullptr);
    FW_SetLibPrettyPrinting(recordLine, nullptr);
    std::atomic<bool> stop{false};
    std::thread switcher([&] {
        while (!stop.load()) {
            FW_SetLibPrettyPrinting(nullptr, nullptr);
            FW_SetLibPrettyPrinting(recordLine, nullptr);
        }
    });
    for (uint32_t q = 0; q < 200; ++q) {
        MultiLineReportCmd cmd(q, 4);
        ASSERT_EQ(kfwExecuteCommand(cmd, h, nullptr), 0u);
    }
    stop = true;
    switcher.join();
    ASSERT_EQ(g_printer.lines.size() % 4, 0u);
    for (size_t i = 0; i < g_printer.lines.size(); i += 4)
        EXPECT_EQ(g_printer.lines[i].find(" line 1 of 4"), g_printer.lines[i].find(" line"))
            << "a report was cut by a printer change at line " << i;
    EXPECT_EQ(FW_Exit(h), 0u);
}
