// The simulated module's rule-set commands against rule records laid out by hand: what it accepts and
// keeps, what it refuses and with which status (the filter left as it was), and arbitrary bodies.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/SimMessages.h"

using KestSim::Engine;
using namespace kestsim_test;

namespace {

constexpr size_t kRule = 1420;
constexpr size_t kAction = 950;

// A rule record: id and position, accept, active, profile flag "none", any protocol of its layer.
Bytes rule(uint32_t id, bool layer3 = true) {
    Bytes r(kRule, 0);
    put(&r[0], id, 4);
    put(&r[4], id, 4);
    r[kAction + 290] = 1;
    r[1281] = layer3 ? 0x02 : 0x00;
    r[1283] = 0x80;
    put(&r[1384], 1, 4);
    return r;
}
Bytes jumpRule(uint32_t id, const std::string& target, bool layer3 = true) {
    Bytes r = rule(id, layer3);
    r[kAction + 290] = 4;
    Bytes t = named(target, 64);
    std::copy(t.begin(), t.end(), r.begin() + kAction);
    return r;
}

// Opcode 3's body: name at 64, count at 136, flags 3 at 140, the records from 176.
Bytes ruleSetBody(const std::string& name, const std::vector<Bytes>& rules, int count = -1) {
    Bytes b = cat(Bytes(64, 0), named(name, 112));
    put(&b[136], count >= 0 ? uint32_t(count) : uint32_t(rules.size()), 4);
    b[140] = 0x03;
    for (const Bytes& r : rules) b = cat(b, r);
    return b;
}
// A new rule set "new" whose middle rule has `n` bytes at `off` set to `v`.
Bytes badRule(size_t off, uint8_t v, size_t n = 1) {
    Bytes r = rule(2);
    memset(&r[off], v, n);
    return ruleSetBody("new", {rule(1), r, rule(3)});
}
Bytes jumpBody(const std::string& name, const std::string& target) { return cat(named(name, 64), named(target, 64)); }

KestSim::RuleSet ruleSet(const Engine& e, const std::string& name) {
    KestSim::RuleSet rs;
    e.ruleSet(nullptr, name, rs);
    return rs;
}

struct Case {
    const char* name;
    uint16_t opcode;
    Bytes body;
    uint32_t status;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class RuleSetCommand : public ::testing::TestWithParam<Case> {};

// The filter: "a" (two rules, jumps to "b"), "b", "c" (a jump rule to "d"), "d", root "r" (layer 3).
TEST_P(RuleSetCommand, AnswersItsStatusAndRefusalsLeaveTheFilterAsItWas) {
    const Case& c = GetParam();
    Engine e;
    for (const char* n : {"b", "d", "r"}) ASSERT_EQ(perform(e, 3, ruleSetBody(n, {})), 0u);
    ASSERT_EQ(perform(e, 3, ruleSetBody("a", {rule(1), rule(2)})), 0u);
    ASSERT_EQ(perform(e, 3, ruleSetBody("c", {jumpRule(1, "d")})), 0u);
    ASSERT_EQ(perform(e, 59, jumpBody("a", "b")), 0u);
    ASSERT_EQ(perform(e, 3, ruleSetBody("", {jumpRule(1, "r")})), 0u);
    auto snapshot = [&] {
        std::string l3, l2;
        std::vector<Bytes> roots;
        e.roots(nullptr, l3, l2, roots);
        std::string out = std::to_string(e.ruleSetCount(nullptr)) + " " + l3 + " " + l2;
        for (const char* n : {"a", "b", "c", "d", "r", "new"}) {
            KestSim::RuleSet rs = ruleSet(e, n);
            out += " " + std::to_string(rs.rules.size()) + ":" + std::to_string(rs.generation) + ":" + rs.jumpTarget;
        }
        return out;
    };
    const std::string before = snapshot();
    EXPECT_EQ(perform(e, c.opcode, c.body), c.status);
    if (c.status != 0) {
        EXPECT_EQ(snapshot(), before);
    } else {
        EXPECT_NE(snapshot(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, RuleSetCommand,
    ::testing::Values(
        Case{"create", 3, ruleSetBody("new", {rule(1), jumpRule(2, "b"), rule(3)}), 0},
        Case{"create, short head", 3, Bytes(175, 0), 25},
        Case{"create, count above", 3, ruleSetBody("new", {rule(1), rule(2)}, 3), 25},
        Case{"create, count near 2^32", 3, ruleSetBody("new", {}, int(0x7FFFFFFF)), 25},
        Case{"create, partial record", 3, ruleSetBody("new", {Bytes(kRule - 1)}, 1), 25},
        Case{"create, name no NUL", 3, ruleSetBody(std::string(64, 'n'), {}), 31},
        Case{"create, jump to missing", 3, ruleSetBody("new", {jumpRule(1, "zz")}), 44},
        Case{"create, jump to itself", 3, ruleSetBody("new", {rule(1), jumpRule(2, "new")}), 46},
        Case{"rule reserved word", 3, badRule(853, 1), 45},
        Case{"rule action 19", 3, badRule(kAction + 290, 19), 45},
        Case{"rule action flag", 3, badRule(kAction + 291, 0x20), 45},
        Case{"rule key policy no NUL", 3, badRule(kAction + 329, 'x'), 45},
        Case{"rule direction 3", 3, badRule(1281, 0x0E), 45},
        Case{"rule mark bit", 3, badRule(1283, 0x81), 45}, Case{"rule value, no protocol", 3, badRule(1284, 6), 45},
        Case{"rule tag no NUL", 3, badRule(1342, 'a', 40), 45}, Case{"rule profile flag", 3, badRule(1384, 0x81), 45},
        Case{"rule oversubscription 4", 3, badRule(1392, 4), 45},
        Case{"rule jump, no target", 3, badRule(kAction + 290, 4), 45},
        Case{"roots, none", 3, ruleSetBody("", {}), 3},
        Case{"roots, two for layer 3", 3, ruleSetBody("", {jumpRule(1, "r"), jumpRule(2, "d")}), 45},
        Case{"roots, not a jump", 3, ruleSetBody("", {rule(1)}), 45},
        Case{"roots, to missing", 3, ruleSetBody("", {jumpRule(1, "d"), jumpRule(2, "zz", false)}), 44},
        Case{"clear missing", 6, named("zz", 72), 28}, Case{"clear, short body", 6, named("a", 71), 9},
        Case{"clear, name no NUL", 6, named(std::string(64, 'a'), 72), 31},
        Case{"destroy, short body", 7, named("a", 63), 9}, Case{"destroy a root", 7, named("r", 64), 24},
        Case{"destroy a jump rule's target", 7, named("d", 64), 24},
        Case{"destroy one nothing leads to", 7, named("c", 64), 0},
        Case{"set jump to missing", 59, jumpBody("c", "zz"), 44},
        Case{"set jump closing a loop", 59, jumpBody("b", "a"), 46},
        Case{"set jump to nothing", 59, jumpBody("c", ""), 3}, Case{"set jump, short body", 59, Bytes(127, 0), 9},
        Case{"get jump, short body", 60, named("a", 127), 9}, Case{"get roots, short body", 4, Bytes(131, 0), 9}),
    [](const ::testing::TestParamInfo<Case>& i) { return "case" + std::to_string(i.index); });

TEST(SimRuleSets, CreateKeepsRecordsAsReceivedAndAnswersATransaction) {
    Engine e;
    Bytes r1 = rule(7), r2 = jumpRule(8, "next");
    r1[1342] = 't';  // a tag: records are kept byte for byte
    ASSERT_EQ(perform(e, 3, ruleSetBody("next", {})), 0u);
    const Bytes sent = ruleSetBody("main", {r1, r2});
    Bytes reply;
    ASSERT_EQ(perform(e, 3, sent, &reply), 0u);
    KestSim::RuleSet rs = ruleSet(e, "main");
    EXPECT_EQ(rs.rules, (std::vector<Bytes>{r1, r2}));
    EXPECT_EQ(rs.generation, 1u);
    // Flags bits 0 and 1 cleared: a transaction was opened; id = generation, rules, rule sets, "KEST".
    EXPECT_EQ(reply[140], 0);
    EXPECT_EQ(get32(&reply[144]), 1u);
    EXPECT_EQ(get32(&reply[148]), 2u);
    EXPECT_EQ(get32(&reply[152]), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&reply[156]), 4), "KEST");
    EXPECT_EQ(get64(&reply[160]), rs.realizationTime);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 140), Bytes(sent.begin(), sent.begin() + 140));
    EXPECT_EQ(Bytes(reply.begin() + 176, reply.end()), Bytes(sent.begin() + 176, sent.end()));
}

// Replace, clear, set, read and clear the jump target: each change bumps the generation once.
TEST(SimRuleSets, ChangesKeepTheirGenerationsAndJumpTargets) {
    Engine e;
    for (const char* n : {"b", "c"}) ASSERT_EQ(perform(e, 3, ruleSetBody(n, {})), 0u);
    ASSERT_EQ(perform(e, 3, ruleSetBody("a", {rule(1), rule(2)})), 0u);
    ASSERT_EQ(perform(e, 59, jumpBody("a", "b")), 0u);
    ASSERT_EQ(perform(e, 3, ruleSetBody("a", {rule(5), rule(6), rule(7)})), 0u);
    EXPECT_EQ(ruleSet(e, "a").jumpTarget, "b") << "replacing keeps the jump target";
    Bytes reply;
    ASSERT_EQ(perform(e, 6, named("a", 72), &reply), 0u);
    EXPECT_EQ(get32(&reply[64]), 3u) << "rules cleared";
    EXPECT_EQ(ruleSet(e, "a").generation, 4u);
    ASSERT_EQ(perform(e, 59, jumpBody("b", "c")), 0u);
    EXPECT_EQ(perform(e, 59, jumpBody("c", "a")), 46u) << "a loop through three";
    ASSERT_EQ(perform(e, 60, jumpBody("a", ""), &reply), 0u);
    EXPECT_EQ(reply, jumpBody("a", "b"));
    ASSERT_EQ(perform(e, 61, named("a", 64)), 0u);
    ASSERT_EQ(perform(e, 61, named("a", 64)), 0u);
    EXPECT_EQ(ruleSet(e, "a").jumpTarget, "");
    EXPECT_EQ(ruleSet(e, "a").generation, 5u) << "clearing twice changes nothing more";
}

// Roots are jump rules, at most one per layer, kept apart from the rule sets; get, clear and destroy
// all see them.
TEST(SimRuleSets, RootsAreSetReadAndForgotten) {
    Engine e;
    const std::string eth(63, 'q');
    for (const std::string& n : {std::string("ip"), eth}) ASSERT_EQ(perform(e, 3, ruleSetBody(n, {})), 0u);
    for (uint16_t forget : {33, 58}) {
        const std::vector<Bytes> roots = {jumpRule(1, "ip"), jumpRule(2, eth, false)};
        ASSERT_EQ(perform(e, 3, ruleSetBody("", roots)), 0u);
        std::string l3, l2;
        std::vector<Bytes> kept;
        e.roots(nullptr, l3, l2, kept);
        EXPECT_EQ(l3 + "|" + l2, "ip|" + eth);
        EXPECT_EQ(kept, roots);
        Bytes reply;
        ASSERT_EQ(perform(e, 4, Bytes(132, 0xEE), &reply), 0u);
        EXPECT_EQ(reply, cat(cat(named("ip", 64), named(eth, 64)), Bytes{2, 0, 0, 0}));
        EXPECT_EQ(perform(e, forget, Bytes(4, 0)), 0u);
        e.roots(nullptr, l3, l2, kept);
        EXPECT_EQ(l3 + l2, "");
        EXPECT_TRUE(kept.empty());
    }
    EXPECT_EQ(e.ruleSetCount(nullptr), 0u) << "destroy all";
}

TEST(SimRuleSets, ArbitraryBodiesNeverCrashAndNeverChangeOtherFilters) {
    Engine e;
    ASSERT_EQ(perform(e, 3, ruleSetBody("keep", {rule(1)})), 0u);
    std::mt19937 rng(20240611);
    const uint16_t opcodes[] = {3, 4, 6, 7, 33, 58, 59, 60, 61};
    const size_t sizes[] = {0, 64, 72, 128, 132, 176, 176 + kRule, 176 + 2 * kRule};
    PortRec port("other", 7);
    for (int i = 0; i < 3000; ++i) {
        const uint16_t op = opcodes[rng() % 9];
        Bytes body(rng() % 4 == 0 ? rng() % 4500 : sizes[rng() % 8]);
        for (uint8_t& b : body) b = uint8_t(rng() % 3 == 0 ? rng() : 0);
        if (op == 3 && body.size() >= 176) {  // a count that fits the records now and then, a name end
            put(&body[136], rng() % 3 == 0 ? rng() : (body.size() - 176) / kRule, 4);
            if (rng() % 2) body[64 + rng() % 64] = 0;
        }
        Bytes m = message({{op, body}});
        ASSERT_EQ(e.process(port.b, m.data(), uint32_t(m.size())), 0) << i;
        ASSERT_EQ(m.size(), 32 + body.size());
    }
    EXPECT_EQ(ruleSet(e, "keep").rules, std::vector<Bytes>{rule(1)});
}

}  // namespace
