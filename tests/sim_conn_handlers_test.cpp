// The simulated module's connection handlers against bodies built byte by byte: a page never holds more
// records than its body has room for, malformed bodies are refused without a change, and arbitrary
// bodies never hurt the module.
#include <gtest/gtest.h>

#include <ostream>
#include <random>

#include "support/SimMessages.h"

using KestSim::Engine;
using KestSim::Flow;
using KestSim::FlowSeed;
using namespace kestsim_test;

namespace {

void seed(Engine& e, uint64_t first, uint64_t count) {
    for (uint64_t id = first; id < first + count; ++id) {
        FlowSeed s;
        s.id = id;
        s.src[0] = 10, s.src[3] = uint8_t(id);
        ASSERT_TRUE(e.seedFlow(nullptr, KestSim::flowFromSeed(s)));
    }
}

// A page request: start (network order) at 4, count at 12, body of 102 + 294 x room bytes.
Bytes pageBody(uint64_t start, uint32_t count, uint32_t room) {
    Bytes b(102 + 294 * size_t(room), 0);
    b[0] = 1;
    for (int i = 0; i < 8; ++i) b[4 + i] = uint8_t(start >> (56 - 8 * i));
    put(&b[12], count, 4);
    put(&b[28], b.size(), 4);
    return b;
}

TEST(SimConn, PagesHoldNoMoreThanTheirBody) {
    Engine e;
    seed(e, 1, 10);
    Bytes reply;
    ASSERT_EQ(perform(e, 24, pageBody(0, 50, 3), &reply), 0u);
    EXPECT_EQ(get32(&reply[16]), 3u);
    ASSERT_EQ(perform(e, 24, pageBody(9, 5, 5), &reply), 0u);
    EXPECT_EQ(get32(&reply[16]), 2u);
    EXPECT_EQ(reply[102 + 3 + 7], 9);  // flow identifiers in network order, from the start on
    EXPECT_EQ(reply[102 + 294 + 3 + 7], 10);
    ASSERT_EQ(perform(e, 24, pageBody(11, 5, 5), &reply), 0u);
    EXPECT_EQ(get32(&reply[16]), 0u);
}

struct Refusal {
    const char* name;
    uint16_t opcode;
    Bytes body;
    uint32_t status;
};
void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class SimConnRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(SimConnRefusal, AnswersItsStatusAndKeepsTheTable) {
    Engine e;
    seed(e, 1, 3);
    EXPECT_EQ(perform(e, GetParam().opcode, GetParam().body), GetParam().status);
    std::vector<Flow> flows = e.flows(nullptr);
    ASSERT_EQ(flows.size(), 3u);
    for (const Flow& f : flows) EXPECT_EQ(f.reevaluations + f.attrCount, 0u);
    EXPECT_EQ(e.failPolicy(nullptr), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, SimConnRefusal,
    ::testing::Values(Refusal{"CountShort", 23, Bytes(15, 0), 9}, Refusal{"PageShort", 24, Bytes(101, 0), 9},
                      Refusal{"PolicyEmpty", 28, Bytes(), 9}, Refusal{"PolicyTwo", 28, Bytes{2}, 3},
                      Refusal{"ListLongerThanBody", 34, with(Bytes(8 + 40, 0), 0, 2, 4), 25},
                      Refusal{"ClearShort", 40, Bytes(3, 0), 9}, Refusal{"ByFilterShort", 64, Bytes(83, 0), 9},
                      Refusal{"AttrShort", 73, Bytes(67, 0), 9},
                      Refusal{"AttrChainPastBody", 73, with(Bytes(68 + 4, 0), 64, 5, 4), 25},
                      Refusal{"AttrInfoShort", 74, Bytes(59, 0), 9},
                      Refusal{"DPISlotsPastBody", 77, with(Bytes(8 + 16, 0), 0, 2, 4), 25}),
    [](const ::testing::TestParamInfo<Refusal>& i) { return std::string(i.param.name); });

TEST(SimConn, ArbitraryBodiesNeverHurt) {
    Engine e;
    seed(e, 1, 4);
    std::mt19937 rng(11);
    const uint16_t opcodes[] = {23, 24, 28, 34, 40, 64, 65, 73, 74, 77};
    for (int round = 0; round < 3000; ++round) {
        Bytes body(rng() % 400);
        for (uint8_t& b : body) b = uint8_t(rng() % 4 == 0 ? rng() : 0);
        perform(e, opcodes[rng() % 10], body);
        if (e.flows(nullptr).empty()) seed(e, 1, 4);
    }
}

}  // namespace
