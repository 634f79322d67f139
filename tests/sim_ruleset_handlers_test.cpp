// The simulated module's rule-set commands against messages and rule records laid out by hand: what
// it accepts and keeps, what it refuses and with which status (the filter left as it was), and bodies
// that are short, malformed or state counts that lie — never a crash.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "sim/engine/SimEngine.h"

using Bytes = std::vector<uint8_t>;
using KestSim::Engine;

namespace {

constexpr size_t kRule = 1420;
constexpr size_t kAction = 950;

void put(uint8_t* p, uint64_t v, int width) {
    for (int i = 0; i < width; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint64_t get64(const uint8_t* p) { return uint64_t(get32(p)) | uint64_t(get32(p + 4)) << 32; }

void putName(Bytes& b, size_t off, const std::string& name) {
    std::memset(&b[off], 0, 64);
    std::memcpy(&b[off], name.data(), name.size() < 64 ? name.size() : 64);
}

// A rule record as a writer lays it out: id and position, accept action, profile flag "none",
// any protocol of the given layer.
Bytes rule(uint32_t id, bool layer3 = true) {
    Bytes r(kRule, 0);
    put(&r[0], id, 4);
    put(&r[4], id, 4);
    r[kAction + 290] = 1;  // accept
    r[1281] = layer3 ? 0x02 : 0x00;
    r[1283] = 0x80;  // active
    put(&r[1384], 1, 4);
    return r;
}

Bytes jumpRule(uint32_t id, const std::string& target, bool layer3 = true) {
    Bytes r = rule(id, layer3);
    r[kAction + 290] = 4;
    putName(r, kAction, target);
    return r;
}

// The rule-set body of opcode 3: name at 64, count at 136, flags 3 at 140, then the records.
Bytes ruleSetBody(const std::string& name, const std::vector<Bytes>& rules, int countOverride = -1) {
    Bytes b(176, 0);
    putName(b, 64, name);
    put(&b[136], countOverride >= 0 ? uint32_t(countOverride) : uint32_t(rules.size()), 4);
    b[140] = 0x03;
    for (const Bytes& r : rules) b.insert(b.end(), r.begin(), r.end());
    return b;
}

// A body of `size` bytes starting with the name field (cut short when the body is).
Bytes nameBody(const std::string& name, size_t size) {
    Bytes b(size < 64 ? 64 : size, 0);
    putName(b, 0, name);
    b.resize(size);
    return b;
}

Bytes jumpBody(const std::string& name, const std::string& target) {
    Bytes b(128, 0);
    putName(b, 0, name);
    putName(b, 64, target);
    return b;
}

// One command in a message of its own, laid out by hand.
Bytes message(uint16_t opcode, const Bytes& body) {
    Bytes m(32, 0);
    std::memcpy(m.data(), "KEST", 4);
    m[12] = 1, m[13] = 1, m[15] = 1;
    put(&m[4], 12 + body.size(), 4);
    put(&m[16], 1, 2);
    put(&m[20], body.size(), 4);
    put(&m[24], opcode, 2);
    m.insert(m.end(), body.begin(), body.end());
    return m;
}

// Sends one command for the host-wide filter; its status, with the answered body in `reply`.
uint32_t run(Engine& e, uint16_t opcode, const Bytes& body, Bytes* reply = nullptr) {
    Bytes m = message(opcode, body);
    if (e.process(nullptr, m.data(), uint32_t(m.size())) != 0) return 0xFFFFFFFF;
    if (reply) reply->assign(m.begin() + 32, m.end());
    return get32(&m[28]);
}

std::vector<Bytes> records(const Engine& e, const std::string& name) {
    KestSim::RuleSet rs;
    return e.ruleSet(nullptr, name, rs) ? rs.rules : std::vector<Bytes>{};
}

bool exists(const Engine& e, const std::string& name) {
    KestSim::RuleSet rs;
    return e.ruleSet(nullptr, name, rs);
}

}  // namespace

// ---- Creating and replacing ---------------------------------------------------------------------

struct RuleDamage {
    const char* name;
    std::function<void(Bytes&)> damage;
};
void PrintTo(const RuleDamage& c, std::ostream* os) { *os << c.name; }

class MalformedRule : public ::testing::TestWithParam<RuleDamage> {};

TEST_P(MalformedRule, IsRefusedWith45AndNothingChanges) {
    Engine e;
    ASSERT_EQ(run(e, 3, ruleSetBody("web", {rule(1)})), 0u);
    Bytes bad = rule(2);
    GetParam().damage(bad);
    // The damaged rule sits between two good ones, both as a new rule set and as a replacement.
    EXPECT_EQ(run(e, 3, ruleSetBody("fresh", {rule(1), bad, rule(3)})), 45u);
    EXPECT_FALSE(exists(e, "fresh"));
    EXPECT_EQ(run(e, 3, ruleSetBody("web", {rule(1), bad, rule(3)})), 45u);
    EXPECT_EQ(records(e, "web"), std::vector<Bytes>{rule(1)});
    KestSim::RuleSet rs;
    ASSERT_TRUE(e.ruleSet(nullptr, "web", rs));
    EXPECT_EQ(rs.generation, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Records, MalformedRule,
    ::
        testing::
            Values(
                RuleDamage{"reserved word at 8", [](Bytes& r) { r[9] = 1; }},
                RuleDamage{"reserved word at 664", [](Bytes& r) { r[664] = 1; }},
                RuleDamage{"reserved word at 850", [](Bytes& r) { r[853] = 1; }},
                RuleDamage{"reserved word at 892", [](Bytes& r) { r[892] = 1; }},
                RuleDamage{"reserved byte 1282", [](Bytes& r) { r[1282] = 1; }},
                RuleDamage{"reserved word at 1388", [](Bytes& r) { r[1391] = 1; }},
                RuleDamage{"action code 0", [](Bytes& r) { r[kAction + 290] = 0; }},
                RuleDamage{"action code 19", [](Bytes& r) { r[kAction + 290] = 19; }},
                RuleDamage{"action flag bit 5", [](Bytes& r) { r[kAction + 291] = 0x20; }},
                RuleDamage{"lb rule bit 1", [](Bytes& r) { r[kAction + 292] = 0x02; }},
                RuleDamage{"key policy without NUL", [](Bytes& r) { r[kAction + 329] = 'x'; }},
                RuleDamage{"match bits 6..7", [](Bytes& r) { r[1281] |= 0x40; }},
                RuleDamage{"direction 3", [](Bytes& r) { r[1281] |= 0x0C; }},
                RuleDamage{"family 3", [](Bytes& r) { r[1281] |= 0x30; }},
                RuleDamage{"unknown mark bit", [](Bytes& r) { r[1283] |= 0x01; }},
                RuleDamage{"protocol value without protocol", [](Bytes& r) { r[1284] = 6; }},
                RuleDamage{"negated any protocol", [](Bytes& r) { r[1281] |= 0x01; }},
                RuleDamage{"tag without NUL", [](Bytes& r) { std::memset(&r[1342], 'a', 40); }},
                RuleDamage{"unknown profile flag", [](Bytes& r) { put(&r[1384], 0x81, 4); }},
                RuleDamage{"oversubscription 4", [](Bytes& r) { r[1392] = 4; }},
                RuleDamage{"tenancy without NUL", [](Bytes& r) { std::memset(&r[1402], 'b', 9); }},
                RuleDamage{"jump without target", [](Bytes& r) { r[kAction + 290] = 4; }},
                RuleDamage{
                    "jump target without NUL",
                    [](Bytes& r) {
                        r[kAction + 290] = 4;
                        std::memset(&r[kAction], 'c', 64);
                    }}),
    [](const ::testing::TestParamInfo<RuleDamage>& i) { return "case" + std::to_string(i.index); });

struct BodyCase {
    const char* name;
    Bytes body;
    uint32_t status;
};
void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }

class CreateBody : public ::testing::TestWithParam<BodyCase> {};

TEST_P(CreateBody, AnswersItsStatusAndKeepsNothingRefused) {
    const BodyCase& c = GetParam();
    Engine e;
    ASSERT_EQ(run(e, 3, ruleSetBody("target", {})), 0u);
    EXPECT_EQ(run(e, 3, c.body), c.status);
    EXPECT_EQ(e.ruleSetCount(nullptr), c.status == 0 ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, CreateBody,
    ::testing::Values(BodyCase{"empty rule set", ruleSetBody("a", {}), 0},
                      BodyCase{"three rules", ruleSetBody("a", {rule(1), rule(2), rule(3)}), 0},
                      BodyCase{"jump to an existing rule set", ruleSetBody("a", {jumpRule(1, "target")}), 0},
                      BodyCase{"no body", Bytes(), 25}, BodyCase{"short head", Bytes(175, 0), 25},
                      BodyCase{"count above the records", ruleSetBody("a", {rule(1), rule(2)}, 3), 25},
                      BodyCase{"count below the records", ruleSetBody("a", {rule(1), rule(2)}, 1), 25},
                      BodyCase{"count near 2^32", ruleSetBody("a", {}, int(0x7FFFFFFF)), 25},
                      BodyCase{"a partial record",
                               [] {
                                   Bytes b = ruleSetBody("a", {rule(1)});
                                   b.resize(b.size() - 1);
                                   return b;
                               }(),
                               25},
                      BodyCase{"name without NUL", ruleSetBody(std::string(64, 'n'), {}), 31},
                      BodyCase{"jump to a missing rule set", ruleSetBody("a", {jumpRule(1, "nowhere")}), 44},
                      BodyCase{"jump to itself", ruleSetBody("a", {rule(1), jumpRule(2, "a")}), 46}),
    [](const ::testing::TestParamInfo<BodyCase>& i) { return "case" + std::to_string(i.index); });

TEST(SimRuleSets, CreateKeepsRecordsAsReceivedAndAnswersATransaction) {
    Engine e;
    Bytes r1 = rule(7), r2 = jumpRule(8, "next");
    r1[1342] = 't';  // a tag: records are kept byte for byte
    ASSERT_EQ(run(e, 3, ruleSetBody("next", {})), 0u);
    Bytes reply;
    ASSERT_EQ(run(e, 3, ruleSetBody("main", {r1, r2}), &reply), 0u);
    EXPECT_EQ(records(e, "main"), (std::vector<Bytes>{r1, r2}));
    KestSim::RuleSet rs;
    ASSERT_TRUE(e.ruleSet(nullptr, "main", rs));
    EXPECT_EQ(rs.generation, 1u);
    // Flags bits 0 and 1 cleared: a transaction was opened; id = generation, rules, rule sets, "KEST".
    EXPECT_EQ(reply[140], 0);
    EXPECT_EQ(get32(&reply[144]), 1u);
    EXPECT_EQ(get32(&reply[148]), 2u);
    EXPECT_EQ(get32(&reply[152]), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&reply[156]), 4), "KEST");
    EXPECT_EQ(get64(&reply[160]), rs.realizationTime);
    // The name, the count and the records stay as sent.
    const Bytes sent = ruleSetBody("main", {r1, r2});
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 140), Bytes(sent.begin(), sent.begin() + 140));
    EXPECT_EQ(Bytes(reply.begin() + 176, reply.end()), Bytes(sent.begin() + 176, sent.end()));
}

TEST(SimRuleSets, ReplaceBumpsTheGenerationAndKeepsTheJumpTarget) {
    Engine e;
    ASSERT_EQ(run(e, 3, ruleSetBody("b", {})), 0u);
    ASSERT_EQ(run(e, 3, ruleSetBody("a", {rule(1), rule(2)})), 0u);
    ASSERT_EQ(run(e, 59, jumpBody("a", "b")), 0u);
    ASSERT_EQ(run(e, 3, ruleSetBody("a", {rule(5)})), 0u);
    KestSim::RuleSet rs;
    ASSERT_TRUE(e.ruleSet(nullptr, "a", rs));
    EXPECT_EQ(rs.rules, std::vector<Bytes>{rule(5)});
    EXPECT_EQ(rs.generation, 3u);  // created, jump set, replaced
    EXPECT_EQ(rs.jumpTarget, "b");
}

// ---- Roots ----------------------------------------------------------------------------------------

struct RootCase {
    const char* name;
    std::vector<Bytes> rules;
    uint32_t status;
    const char* l3;
    const char* l2;
};
void PrintTo(const RootCase& c, std::ostream* os) { *os << c.name; }

class Roots : public ::testing::TestWithParam<RootCase> {};

TEST_P(Roots, AreJumpRulesOnePerLayerToExistingRuleSets) {
    const RootCase& c = GetParam();
    Engine e;
    ASSERT_EQ(run(e, 3, ruleSetBody("ip", {})), 0u);
    ASSERT_EQ(run(e, 3, ruleSetBody("eth", {})), 0u);
    ASSERT_EQ(run(e, 3, ruleSetBody("", {jumpRule(1, "eth"), jumpRule(2, "ip", false)})), 0u);  // the old roots
    EXPECT_EQ(run(e, 3, ruleSetBody("", c.rules)), c.status);
    std::string l3, l2;
    std::vector<Bytes> kept;
    e.roots(nullptr, l3, l2, kept);
    EXPECT_EQ(l3, c.l3);
    EXPECT_EQ(l2, c.l2);
    if (c.status == 0) {
        EXPECT_EQ(kept, c.rules);
    }
    EXPECT_EQ(e.ruleSetCount(nullptr), 2u);  // the roots are no rule set of their own

    Bytes reply;
    ASSERT_EQ(run(e, 4, Bytes(132, 0), &reply), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&reply[0])), c.l3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&reply[64])), c.l2);
    EXPECT_EQ(get32(&reply[128]), uint32_t(kept.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Roots,
    ::testing::Values(
        RootCase{"layer 3 only", {jumpRule(1, "ip")}, 0, "ip", ""},
        RootCase{"layer 2 only", {jumpRule(1, "eth", false)}, 0, "", "eth"},
        RootCase{"both", {jumpRule(1, "ip"), jumpRule(2, "eth", false)}, 0, "ip", "eth"},
        RootCase{"no rules", {}, 3, "eth", "ip"},
        RootCase{"two for layer 3", {jumpRule(1, "ip"), jumpRule(2, "eth")}, 45, "eth", "ip"},
        RootCase{"three", {jumpRule(1, "ip"), jumpRule(2, "eth", false), jumpRule(3, "ip")}, 45, "eth", "ip"},
        RootCase{"not a jump", {rule(1)}, 45, "eth", "ip"},
        RootCase{"to a missing rule set", {jumpRule(1, "ip"), jumpRule(2, "gone", false)}, 44, "eth", "ip"}),
    [](const ::testing::TestParamInfo<RootCase>& i) { return "case" + std::to_string(i.index); });

TEST(SimRuleSets, ClearRootAndDestroyAllForgetTheRoots) {
    Engine e;
    ASSERT_EQ(run(e, 3, ruleSetBody("ip", {})), 0u);
    ASSERT_EQ(run(e, 3, ruleSetBody("", {jumpRule(1, "ip")})), 0u);
    EXPECT_EQ(run(e, 33, Bytes(4, 0)), 0u);
    std::string l3 = "x", l2 = "x";
    std::vector<Bytes> kept{Bytes(1)};
    e.roots(nullptr, l3, l2, kept);
    EXPECT_EQ(l3 + l2, "");
    EXPECT_TRUE(kept.empty());

    ASSERT_EQ(run(e, 3, ruleSetBody("", {jumpRule(1, "ip")})), 0u);
    ASSERT_EQ(run(e, 3, ruleSetBody("other", {jumpRule(1, "ip")})), 0u);
    EXPECT_EQ(run(e, 58, Bytes(4, 0)), 0u);
    EXPECT_EQ(e.ruleSetCount(nullptr), 0u);
    e.roots(nullptr, l3, l2, kept);
    EXPECT_EQ(l3, "");
    EXPECT_TRUE(kept.empty());
    // Both on a filter that was never touched.
    EXPECT_EQ(run(e, 33, Bytes(4, 0)), 0u);
    EXPECT_EQ(run(e, 58, Bytes(4, 0)), 0u);
}

// ---- Commands on one named rule set ----------------------------------------------------------------

struct NamedCase {
    const char* name;
    uint16_t opcode;
    Bytes body;
    uint32_t status;
};
void PrintTo(const NamedCase& c, std::ostream* os) { *os << c.name; }

class NamedCommand : public ::testing::TestWithParam<NamedCase> {};

// The filter: "a" (two rules, jumps to "b"), "b", "c" (jump rule to "d"), "d", root "r" (layer 3).
TEST_P(NamedCommand, RefusalsLeaveTheFilterAsItWas) {
    const NamedCase& c = GetParam();
    Engine e;
    for (const char* n : {"b", "d", "r"}) ASSERT_EQ(run(e, 3, ruleSetBody(n, {})), 0u);
    ASSERT_EQ(run(e, 3, ruleSetBody("a", {rule(1), rule(2)})), 0u);
    ASSERT_EQ(run(e, 3, ruleSetBody("c", {jumpRule(1, "d")})), 0u);
    ASSERT_EQ(run(e, 59, jumpBody("a", "b")), 0u);
    ASSERT_EQ(run(e, 3, ruleSetBody("", {jumpRule(1, "r")})), 0u);
    auto snapshot = [&] {
        std::string out;
        for (const char* n : {"a", "b", "c", "d", "r"}) {
            KestSim::RuleSet rs;
            if (!e.ruleSet(nullptr, n, rs)) continue;
            out += std::string(n) + ":" + std::to_string(rs.rules.size()) + ":" + std::to_string(rs.generation) + ":" +
                   rs.jumpTarget + " ";
        }
        return out;
    };
    const std::string before = snapshot();
    EXPECT_EQ(run(e, c.opcode, c.body), c.status);
    if (c.status != 0) {
        EXPECT_EQ(snapshot(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NamedCommand,
    ::testing::Values(NamedCase{"clear a missing rule set", 6, nameBody("zz", 72), 28},
                      NamedCase{"clear with a short body", 6, nameBody("a", 71), 9},
                      NamedCase{"clear a name without NUL", 6, nameBody(std::string(64, 'a'), 72), 31},
                      NamedCase{"destroy a missing rule set", 7, nameBody("zz", 64), 28},
                      NamedCase{"destroy with a short body", 7, nameBody("a", 10), 9},
                      NamedCase{"destroy a root", 7, nameBody("r", 64), 24},
                      NamedCase{"destroy a jump target", 7, nameBody("b", 64), 24},
                      NamedCase{"destroy the target of a jump rule", 7, nameBody("d", 64), 24},
                      NamedCase{"destroy one nothing leads to", 7, nameBody("c", 64), 0},
                      NamedCase{"set jump of a missing rule set", 59, jumpBody("zz", "b"), 28},
                      NamedCase{"set jump to a missing rule set", 59, jumpBody("c", "zz"), 44},
                      NamedCase{"set jump to itself", 59, jumpBody("b", "b"), 46},
                      NamedCase{"set jump closing a loop", 59, jumpBody("b", "a"), 46},
                      NamedCase{"set jump to nothing", 59, jumpBody("c", ""), 3},
                      NamedCase{"set jump with a short body", 59, Bytes(127, 0), 9},
                      NamedCase{"set jump target without NUL", 59, jumpBody("c", std::string(64, 'd')), 31},
                      NamedCase{"get jump of a missing rule set", 60, jumpBody("zz", ""), 28},
                      NamedCase{"get jump with a short body", 60, nameBody("a", 64), 9},
                      NamedCase{"clear jump of a missing rule set", 61, nameBody("zz", 64), 28},
                      NamedCase{"clear root with no body", 33, Bytes(), 9},
                      NamedCase{"destroy all with no body", 58, Bytes(), 9},
                      NamedCase{"get root with a short body", 4, Bytes(131, 0), 9}),
    [](const ::testing::TestParamInfo<NamedCase>& i) { return "case" + std::to_string(i.index); });

TEST(SimRuleSets, ClearEmptiesTheRulesAndAnswersHowMany) {
    Engine e;
    ASSERT_EQ(run(e, 3, ruleSetBody("b", {})), 0u);
    ASSERT_EQ(run(e, 3, ruleSetBody("a", {rule(1), rule(2), rule(3)})), 0u);
    ASSERT_EQ(run(e, 59, jumpBody("a", "b")), 0u);
    Bytes reply;
    ASSERT_EQ(run(e, 6, nameBody("a", 72), &reply), 0u);
    EXPECT_EQ(get32(&reply[64]), 3u);
    KestSim::RuleSet rs;
    ASSERT_TRUE(e.ruleSet(nullptr, "a", rs));
    EXPECT_TRUE(rs.rules.empty());
    EXPECT_EQ(rs.jumpTarget, "b");
    EXPECT_EQ(rs.generation, 3u);
}

TEST(SimRuleSets, JumpTargetIsSetReadAndCleared) {
    Engine e;
    for (const char* n : {"a", "b", "c"}) ASSERT_EQ(run(e, 3, ruleSetBody(n, {})), 0u);
    ASSERT_EQ(run(e, 59, jumpBody("a", "b")), 0u);
    ASSERT_EQ(run(e, 59, jumpBody("b", "c")), 0u);
    EXPECT_EQ(run(e, 59, jumpBody("c", "a")), 46u);  // a loop through three
    Bytes reply;
    ASSERT_EQ(run(e, 60, jumpBody("a", ""), &reply), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&reply[0])), "a");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&reply[64])), "b");
    ASSERT_EQ(run(e, 61, nameBody("a", 64)), 0u);
    ASSERT_EQ(run(e, 61, nameBody("a", 64)), 0u);  // clearing twice changes nothing more
    KestSim::RuleSet rs;
    ASSERT_TRUE(e.ruleSet(nullptr, "a", rs));
    EXPECT_EQ(rs.jumpTarget, "");
    EXPECT_EQ(rs.generation, 3u);
    EXPECT_EQ(run(e, 7, nameBody("b", 64)), 0u);  // nothing leads to it any more
}

TEST(SimRuleSets, ReplyFaultsOnNamesAndWords) {
    Engine e;
    const std::string longName(63, 'q');
    ASSERT_EQ(run(e, 3, ruleSetBody(longName, {})), 0u);
    ASSERT_EQ(run(e, 3, ruleSetBody("", {jumpRule(1, longName)})), 0u);
    ASSERT_TRUE(e.addFault(KestSim::Fault{KestSim::FaultKind::ReplyNoNul, 0, 1, 4}));
    ASSERT_TRUE(e.addFault(KestSim::Fault{KestSim::FaultKind::ReplyLieCount, 5, 1, 4}));
    Bytes reply;
    ASSERT_EQ(run(e, 4, Bytes(132, 0xEE), &reply), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&reply[0]), 64), longName + '\0');  // 63 characters fill it
    ASSERT_EQ(run(e, 4, Bytes(132, 0), &reply), 0u);
    EXPECT_EQ(get32(&reply[128]), 6u);
}

// ---- Anything at all -------------------------------------------------------------------------------

TEST(SimRuleSets, ArbitraryBodiesNeverCrashAndNeverChangeOtherFilters) {
    Engine e;
    ASSERT_EQ(run(e, 3, ruleSetBody("keep", {rule(1)})), 0u);
    std::mt19937 rng(20240611);
    const uint16_t opcodes[] = {3, 4, 6, 7, 33, 58, 59, 60, 61};
    uint8_t port[100] = {};
    std::memcpy(port, "other", 5);
    port[99] = 7;
    for (int i = 0; i < 3000; ++i) {
        const uint16_t op = opcodes[rng() % 9];
        // Lengths around every fixed size and a few records; contents random or structured.
        size_t len =
            rng() % 4 == 0
                ? rng() % 4500
                : std::vector<size_t>{0, 4, 63, 64, 72, 128, 132, 175, 176, 176 + kRule, 176 + 2 * kRule}[rng() % 11];
        Bytes body(len);
        for (uint8_t& b : body) b = uint8_t(rng() % 3 == 0 ? rng() : 0);
        if (op == 3 && len >= 176) {
            put(&body[136], rng() % 3 == 0 ? rng() : (len - 176) / kRule, 4);
            if (rng() % 2) body[64 + rng() % 64] = 0;
        }
        Bytes m = message(op, body);
        ASSERT_EQ(e.process(port, m.data(), uint32_t(m.size())), 0) << i;
        ASSERT_EQ(m.size(), 32 + len);
    }
    EXPECT_EQ(records(e, "keep"), std::vector<Bytes>{rule(1)});
}
