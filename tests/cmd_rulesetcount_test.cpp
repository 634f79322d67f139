// The rule-set count through the exported function and the simulated module: message and request per
// port kind, failures leaving the output alone, threads on one handle, the report, the default handle.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "kestfw/kestfw.h"
#include "support/LogCapture.h"
#include "support/SimHandle.h"
#include "support/TestCommands.h"
#include "support/Wire.h"

using namespace kestfw_test;

namespace {

const char kVnicId[] = "50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8";

class RuleSetCount : public SimTest, public ::testing::WithParamInterface<unsigned> {};  // port type, 99: none

}  // namespace

TEST_P(RuleSetCount, ReturnsWhatTheModuleHoldsWithTheExactMessageAndRequest) {
    const unsigned type = GetParam();
    dvs_port_ port = makePort(type == 99 ? 0 : type, kVnicId, 4, "agent-a");
    const bool typed = type != 99 && type != 0;
    ASSERT_EQ(kestsim_seed_ruleset_count(typed ? &port : nullptr, 1000 + type), 0);
    uint32_t count = 0xFFFFFFFF;
    ASSERT_EQ(FW_GetRuleSetCount(handle, type == 99 ? nullptr : &port, nullptr, &count), 0u);
    EXPECT_EQ(count, 1000 + type);
    EXPECT_EQ(kestsim_ioctl_count(), 1u);
    EXPECT_EQ(simLastMessage(), countMessage());
    // The request carries the port only when it is typed.
    Bytes req(KESTSIM_REQUEST_SIZE), expectedPort(100, 0);
    ASSERT_EQ(kestsim_last_request(req.data()), 0);
    if (typed) memcpy(expectedPort.data(), &port, 100);
    EXPECT_EQ(Bytes(req.begin() + 20, req.begin() + 120), expectedPort);
}

INSTANTIATE_TEST_SUITE_P(Ports, RuleSetCount, ::testing::Values(99u, 0u, 7u));

struct FailCase {
    const char* name;
    uint32_t status;  // scripted for `times` calls, else the call fails with `err`
    uint32_t times;
    int err;
    unsigned portType;  // 99: no port
    FWStatus_t result;
    uint64_t calls;
};
void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }

class RuleSetCountFailure : public SimTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(RuleSetCountFailure, BecomesAStatusAndLeavesTheCountAlone) {
    const FailCase& c = GetParam();
    kestsim_seed_ruleset_count(nullptr, 5);
    if (c.status != 0) kestsim_fault_status(c.status, c.times, 1);
    if (c.err != 0) kestsim_fault_errno(c.err, 1);
    dvs_port_ port = makePort(c.portType == 99 ? 0 : c.portType, "nic-1", 0);
    uint32_t count = 77;
    EXPECT_EQ(FW_GetRuleSetCount(handle, c.portType == 99 ? nullptr : &port, nullptr, &count), c.result);
    EXPECT_EQ(kestsim_ioctl_count(), c.calls);
    EXPECT_EQ(pauses(), c.calls - 1);
    EXPECT_EQ(count, c.result == 0 ? 5u : 77u);
}

INSTANTIATE_TEST_SUITE_P(Cases, RuleSetCountFailure,
                         ::testing::Values(FailCase{"bad state once", 26, 1, 0, 99, 0, 2},
                                           FailCase{"no ruleset", 28, 1, 0, 99, 28, 1},
                                           FailCase{"missing, no port", 0, 0, ENOENT, 99, 19, 1},
                                           FailCase{"missing vnic", 0, 0, ENOENT, 1, 21, 1}));

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

TEST_F(SimTest, ReportIsPrintedThroughTheRegisteredPrinterOnly) {
    kestsim_seed_ruleset_count(nullptr, 9);
    uint32_t count = 0;
    ReportCapture report;
    EXPECT_EQ(FW_GetRuleSetCount(handle, nullptr, nullptr, &count), 0u);
    EXPECT_EQ(report.lines(), std::vector<std::string>{"ruleset count : 9\n"});
}

TEST_F(SimTest, NullHandleAndNullCountAreRefusedBeforeSending) {
    uint32_t count = 0;
    EXPECT_EQ(FW_GetRuleSetCount(nullptr, nullptr, nullptr, &count), 2u);
    EXPECT_EQ(FW_GetRuleSetCount(handle, nullptr, nullptr, nullptr), 3u);
    EXPECT_EQ(kestsim_ioctl_count(), 0u);
}

TEST_F(SimTest, DefaultHandleServesAndSurvivesExit) {
    kestsim_seed_ruleset_count(nullptr, 4);
    fwlibhandle_* def = FW_GetDefaultLibHandle();
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(FW_GetDefaultLibHandle(), def);
    EXPECT_EQ(FW_Exit(def), 0u);
    uint32_t count = 0;
    EXPECT_EQ(FW_GetRuleSetCount(def, nullptr, nullptr, &count), 0u);
    EXPECT_EQ(count, 4u);
}
