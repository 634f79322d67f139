// Every exported command function meets replies the simulated module damaged at random: inflated
// counts, names without their NUL, bodies cut short, bytes flipped and statuses it did not earn. Each
// call must come back with a status (no exception, crash or overread: the sanitizer build watches the
// caller's buffers), leave no fault behind and leave the handle fit for the next clean call.
#include <gtest/gtest.h>

#include <map>

#include "sim/engine/SimFaults.h"
#include "support/ApiCalls.h"
#include "support/FdCount.h"
#include "support/LogCapture.h"
#include "support/SimHandle.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

namespace kestfw_test {
namespace {

constexpr uint32_t kSeedsPerCall = 150;

class ReplyMutation : public SimTest, public ::testing::WithParamInterface<ApiCall> {
protected:
    void SetUp() override {
        SimTest::SetUp();
        FW_SetLibPrettyPrinting(&countingPrinter, &lines);
    }
    void TearDown() override {
        FW_SetLibPrettyPrinting(nullptr, nullptr);
        SimTest::TearDown();
    }
    unsigned long lines = 0;
};

TEST_P(ReplyMutation, EveryDamagedReplyEndsInAStatusAndTheHandleStaysUsable) {
    const ApiCall& c = GetParam();
    LogCapture log;  // refusals are logged; keep them out of the test output
    std::map<bool, unsigned> outcomes;
    unsigned sent = 0;
    for (uint32_t seed = 1; seed <= kSeedsPerCall; ++seed) {
        kestsim_reset();
        seedEveryFamily(nullptr);
        ASSERT_EQ(kestsim_fault_reply(KESTSIM_REPLY_MUTATE, seed * 2654435761u, 1, -1), 0);
        FWStatus_t s = c.call(handle, nullptr);
        outcomes[s == 0]++;
        if (kestsim_fault_pending() == 0) ++sent;
        kestsim_fault_clear();
    }
    // The call really reached the module and its damaged reply was read.
    EXPECT_EQ(sent, kSeedsPerCall) << c.name;
    // A clean round trip on the same handle still works after all that.
    kestsim_reset();
    uint32_t n = 99;
    EXPECT_EQ(FW_GetRuleSetCount(handle, nullptr, nullptr, &n), 0u) << c.name;
    EXPECT_EQ(n, 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryFunction, ReplyMutation, ::testing::ValuesIn(apiCalls()),
                         [](const ::testing::TestParamInfo<ApiCall>& i) { return std::string(i.param.name); });

// The mutation is a function of its seed: a failing seed replays exactly, and damage does happen.
TEST(ReplyMutationPlan, SameSeedSameDamageAndDamageHappens) {
    std::vector<uint8_t> request(96, 0x11), reply(96, 0);
    for (size_t i = 0; i < reply.size(); i += 4) reply[i] = static_cast<uint8_t>(i);
    unsigned changed = 0, statusChanged = 0;
    for (uint32_t seed = 0; seed < 500; ++seed) {
        std::vector<uint8_t> a = reply, b = reply;
        uint32_t sa = KestSim::mutateReply(seed, a.data(), request.data(), 96, 0);
        uint32_t sb = KestSim::mutateReply(seed, b.data(), request.data(), 96, 0);
        ASSERT_EQ(a, b);
        ASSERT_EQ(sa, sb);
        changed += a != reply;
        statusChanged += sa != 0;
    }
    EXPECT_GT(changed, 400u);
    EXPECT_GT(statusChanged, 20u);
    EXPECT_LT(statusChanged, 250u);  // most damaged replies still claim success, so they get read
}

}  // namespace
}  // namespace kestfw_test
