// The rule-set count from the exported function down to the simulated kernel module and back: the
// exact message and device request, the retry on a bad state, failed control calls, and the frame of
// the exported function.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "frame/KestFWLog.h"
#include "kestfw/kestfw.h"
#include "sim/KestSimControl.h"
#include "support/LogCapture.h"
#include "support/SimHandle.h"
#include "support/TestCommands.h"
#include "util/ByteIO.h"

using namespace kestfw_test;
using KestFirewall::ByteReader;

namespace {

const uint8_t kVnicId[] = "50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8";

std::vector<uint8_t> lastMessage() {
    std::vector<uint8_t> m(4096);
    m.resize(kestsim_last_message(m.data(), uint32_t(m.size())));
    return m;
}

std::vector<uint8_t> lastRequest() {
    std::vector<uint8_t> r(KESTSIM_REQUEST_SIZE);
    if (kestsim_last_request(r.data()) != 0) r.clear();
    return r;
}

std::vector<std::string> g_report;
int capturePrint(void*, const char* fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    g_report.push_back(buf);
    return n;
}

}  // namespace

struct CountCase {
    const char* name;
    unsigned portType;  // 99: no port at all
    uint32_t seeded;
};
void PrintTo(const CountCase& c, std::ostream* os) { *os << c.name; }

class RuleSetCount : public SimTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(RuleSetCount, ReturnsWhatTheModuleHoldsWithTheExactMessage) {
    const CountCase& c = GetParam();
    dvs_port_ port = makePort(c.portType == 99 ? 0 : c.portType, reinterpret_cast<const char*>(kVnicId), 4, "agent-a");
    dvs_port_* arg = c.portType == 99 ? nullptr : &port;
    ASSERT_EQ(kestsim_seed_ruleset_count(c.portType == 99 || c.portType == 0 ? nullptr : &port, c.seeded), 0);

    uint32_t count = 0xFFFFFFFF;
    ASSERT_EQ(FW_GetRuleSetCount(handle, arg, nullptr, &count), 0u);
    EXPECT_EQ(count, c.seeded);
    EXPECT_EQ(kestsim_ioctl_count(), 1u);

    // Header (body 16, one command, first message of this handle), command header, zero body.
    const std::vector<uint8_t> expected = {'K', 'E', 'S', 'T', 16, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0,
                                           0,   0,   4,   0,   0,  0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(lastMessage(), expected);

    const std::vector<uint8_t> req = lastRequest();
    ASSERT_EQ(req.size(), 132u);
    ByteReader r(req.data(), req.size());
    EXPECT_EQ(r.getAt<uint32_t>(0), 15u);
    EXPECT_EQ(r.getAt<uint32_t>(4), 0u);
    EXPECT_EQ(r.getAt<uint32_t>(8), 112u);
    EXPECT_NE(r.getAt<uint64_t>(12), 0u);
    EXPECT_EQ(r.getAt<uint32_t>(120), 36u);
    EXPECT_NE(r.getAt<uint64_t>(124), 0u);
    std::vector<uint8_t> portArea(req.begin() + 20, req.begin() + 120);
    std::vector<uint8_t> expectedPort(100, 0);
    if (c.portType != 99 && c.portType != 0) memcpy(expectedPort.data(), &port, 100);
    EXPECT_EQ(portArea, expectedPort);
}

INSTANTIATE_TEST_SUITE_P(Cases, RuleSetCount,
                         ::testing::Values(CountCase{"no port", 99, 3}, CountCase{"untyped port", 0, 0},
                                           CountCase{"vnic", 1, 12}, CountCase{"filter", 7, 1000}),
                         [](const ::testing::TestParamInfo<CountCase>& i) { return "case" + std::to_string(i.index); });

struct StatusCase {
    const char* name;
    uint32_t status;
    uint32_t times;
    FWStatus_t result;
    uint64_t calls;
    unsigned pauses;
};
void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

class RuleSetCountStatus : public SimTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(RuleSetCountStatus, BadStateIsRetriedOthersReturnedAtOnce) {
    const StatusCase& c = GetParam();
    kestsim_seed_ruleset_count(nullptr, 5);
    ASSERT_EQ(kestsim_fault_status(c.status, c.times, 1), 0);
    uint32_t count = 77;
    EXPECT_EQ(FW_GetRuleSetCount(handle, nullptr, nullptr, &count), c.result);
    EXPECT_EQ(kestsim_ioctl_count(), c.calls);
    EXPECT_EQ(pauses(), c.pauses);
    EXPECT_EQ(count, c.result == 0 ? 5u : 77u);
}

INSTANTIATE_TEST_SUITE_P(Cases, RuleSetCountStatus,
                         ::testing::Values(StatusCase{"bad state thrice", 26, 3, 26, 3, 3},
                                           StatusCase{"bad state once", 26, 1, 0, 2, 1},
                                           StatusCase{"no ruleset", 28, 1, 28, 1, 0},
                                           StatusCase{"garbage status word", 0xDEADBEEF, 1, 0xDEADBEEF, 1, 0}));

struct ErrnoCase {
    const char* name;
    int err;
    unsigned portType;  // 99: no port
    FWStatus_t result;
};
void PrintTo(const ErrnoCase& c, std::ostream* os) { *os << c.name; }

class RuleSetCountErrno : public SimTest, public ::testing::WithParamInterface<ErrnoCase> {};

TEST_P(RuleSetCountErrno, FailedControlCallBecomesAStatus) {
    const ErrnoCase& c = GetParam();
    dvs_port_ port = makePort(c.portType == 99 ? 0 : c.portType, "nic-1", 0);
    ASSERT_EQ(kestsim_fault_errno(c.err, 1), 0);
    LogCapture log;
    uint32_t count = 77;
    EXPECT_EQ(FW_GetRuleSetCount(handle, c.portType == 99 ? nullptr : &port, nullptr, &count), c.result);
    EXPECT_EQ(count, 77u);
    EXPECT_EQ(kestsim_ioctl_count(), 1u);
    EXPECT_TRUE(log.has(c.result == 21 ? "ioctl failed because switch port is not found\n"
                                       : "ioctl failed, errno=" + std::to_string(c.err) + "\n"))
        << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RuleSetCountErrno,
    ::testing::Values(ErrnoCase{"missing, no port", ENOENT, 99, 19}, ErrnoCase{"missing, untyped port", ENOENT, 0, 19},
                      ErrnoCase{"missing vnic", ENOENT, 1, 21}, ErrnoCase{"missing filter", ENOENT, 7, 21},
                      ErrnoCase{"kernel memory", ENOMEM, 0, 65}, ErrnoCase{"kernel memory with port", ENOMEM, 1, 65},
                      ErrnoCase{"other", EIO, 1, 19}));

TEST_F(SimTest, UnknownFilterIsAMissingSwitchPort) {
    dvs_port_ known = makePort(7, "nic-known", 0), unknown = makePort(7, "nic-gone", 0);
    ASSERT_EQ(kestsim_declare_filter(&known), 0);
    kestsim_seed_ruleset_count(&known, 2);
    uint32_t count = 0;
    EXPECT_EQ(FW_GetRuleSetCount(handle, &unknown, nullptr, &count), 21u);
    EXPECT_EQ(FW_GetRuleSetCount(handle, &known, nullptr, &count), 0u);
    EXPECT_EQ(count, 2u);
}

TEST_F(SimTest, KernelFailingEveryCall) {
    ASSERT_EQ(kestsim_fault_errno(EIO, 1000), 0);
    uint32_t count = 77;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(FW_GetRuleSetCount(handle, nullptr, nullptr, &count), 19u);
    EXPECT_EQ(count, 77u);
    kestsim_fault_clear();
    kestsim_seed_ruleset_count(nullptr, 1);
    EXPECT_EQ(FW_GetRuleSetCount(handle, nullptr, nullptr, &count), 0u);
    EXPECT_EQ(count, 1u);
}

TEST_F(SimTest, SequenceNumbersAdvancePerMessage) {
    uint32_t count = 0;
    for (uint32_t i = 0; i < 3; ++i) {
        ASSERT_EQ(FW_GetRuleSetCount(handle, nullptr, nullptr, &count), 0u);
        EXPECT_EQ(ByteReader(lastMessage().data(), 20).getAt<uint32_t>(8), i);
    }
}

TEST_F(SimTest, ThreadsShareOneHandle) {
    kestsim_seed_ruleset_count(nullptr, 3);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                uint32_t count = 0;
                if (FW_GetRuleSetCount(handle, nullptr, nullptr, &count) != 0 || count != 3) ++failures;
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(kestsim_ioctl_count(), 200u);
}

TEST_F(SimTest, ReportIsPrintedThroughTheRegisteredPrinter) {
    kestsim_seed_ruleset_count(nullptr, 9);
    g_report.clear();
    FW_SetLibPrettyPrinting(capturePrint, nullptr);
    uint32_t count = 0;
    EXPECT_EQ(FW_GetRuleSetCount(handle, nullptr, nullptr, &count), 0u);
    FW_SetLibPrettyPrinting(nullptr, nullptr);
    EXPECT_EQ(FW_GetRuleSetCount(handle, nullptr, nullptr, &count), 0u);
    EXPECT_EQ(g_report, std::vector<std::string>{"ruleset count : 9\n"});
}

TEST_F(SimTest, NullHandleAndNullCount) {
    Verbosity api(KestFirewall::KFW_COMP_API, 1);
    LogCapture log;
    uint32_t count = 0;
    EXPECT_EQ(FW_GetRuleSetCount(nullptr, nullptr, nullptr, &count), 2u);
    EXPECT_EQ(log.count("KestFWCmdGetRuleSetCount.cpp:FW_GetRuleSetCount():"), 2u);
    EXPECT_TRUE(log.has(" FW_GetRuleSetCount.\n"));
    EXPECT_TRUE(log.has("FW_GetRuleSetCount: invalid lib handle\n"));
    log.clear();
    EXPECT_EQ(FW_GetRuleSetCount(handle, nullptr, nullptr, nullptr), 3u);
    // A missing output returns before the exit trace.
    EXPECT_EQ(log.count("FW_GetRuleSetCount"), 1u);
    EXPECT_EQ(kestsim_ioctl_count(), 0u);
}

TEST_F(SimTest, TracesAtApiVerbosity) {
    Verbosity api(KestFirewall::KFW_COMP_API, 1);
    Verbosity io(KestFirewall::KFW_COMP_IO, 2);
    Verbosity cmd(KestFirewall::KFW_COMP_CMD, 2);
    LogCapture log;
    dvs_port_ port = makePort(1, reinterpret_cast<const char*>(kVnicId), 4, "agent-a");
    uint32_t count = 0;
    ASSERT_EQ(FW_GetRuleSetCount(handle, &port, nullptr, &count), 0u);
    const std::vector<std::string> expected = {
        "kestfw:api KestFWCmdGetRuleSetCount.cpp:FW_GetRuleSetCount():",
        "kestfw:cmd KestFWCmd.cpp:CKestFWCmd():",
        "cmd initial dvsport: [type 1, 50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8:4]\n",
        "command GetRuleSetCount [agent agent-a, type 1, uuid 50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8, idx "
        "4]\n",
        "called ioctl [type 1 uuid 50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8 idx 4]: 0\n",
        "FW_GetRuleSetCount: ok\n"};
    for (const std::string& e : expected) EXPECT_TRUE(log.has(e)) << e;
}

TEST_F(SimTest, DefaultHandleServesAndSurvivesExit) {
    kestsim_seed_ruleset_count(nullptr, 4);
    fwlibhandle_* def = FW_GetDefaultLibHandle();
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(FW_GetDefaultLibHandle(), def);
    Verbosity api(KestFirewall::KFW_COMP_API, 1);
    LogCapture log;
    EXPECT_EQ(FW_Exit(def), 0u);
    EXPECT_TRUE(log.has("Not delete the lib handle since it's the global default one.\n"));
    EXPECT_TRUE(log.has("Kest Firewall library KESTFW 0.3 has exited.\n"));
    uint32_t count = 0;
    EXPECT_EQ(FW_GetRuleSetCount(def, nullptr, nullptr, &count), 0u);
    EXPECT_EQ(count, 4u);
}
