// The simulated module's address-set, shared-switch and reputation-chunk handlers against bodies built
// byte by byte: what a well-formed request leaves behind, every refusal with its status and no change
// of state, and arbitrary bodies that must never hurt it.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/SimMessages.h"

using KestSim::AddrSet;
using KestSim::Engine;
using namespace kestsim_test;

namespace {

// A member record of the given address type with one distinguishing byte.
Bytes member(uint16_t type, uint8_t tag) {
    Bytes r(144, 0);
    put(&r[0], type, 2);
    r[4] = 10, r[7] = tag;
    return r;
}

// Create body: name (38), request word, count, 1, count x 144, flags 0x03, then the records.
Bytes createBody(const std::string& name, const std::vector<Bytes>& members) {
    Bytes b = named(name, 94);
    put(&b[46], members.size(), 4);
    put(&b[50], 1, 4);
    put(&b[54], members.size() * 144, 4);
    b[58] = 0x03;
    for (const Bytes& m : members) b = cat(b, m);
    return b;
}

// Chunk body: number, entry count, a 16-byte database id, then 16-byte entries (address, mask length).
Bytes chunkBody(uint32_t number, uint32_t count, std::vector<uint8_t> maskLens) {
    Bytes b(24, 0);
    put(&b[0], number, 4);
    put(&b[4], count, 4);
    for (int i = 0; i < 16; ++i) b[8 + i] = uint8_t(0xD0 + i);
    for (uint8_t m : maskLens) b = cat(b, with(with(Bytes(16, 0), 0, 0x0A000000u + m, 4), 12, m, 1));
    return b;
}

AddrSet addrSet(const Engine& e, const std::string& name) {
    AddrSet as;
    e.addrSet(nullptr, name, as);
    return as;
}

TEST(SimAddrSet, CreateReplaceClearDestroyKeepRecordsAndGenerations) {
    Engine e;
    Bytes reply;
    const std::vector<Bytes> two = {member(1, 1), member(6, 2)};
    ASSERT_EQ(perform(e, 13, createBody("web", two), &reply), 0u);
    EXPECT_EQ(addrSet(e, "web").members, two);
    // The answer names the change: generation, member count and kind in the id, generation as the word.
    EXPECT_EQ(reply[58], 0x03);
    EXPECT_EQ(get32(&reply[62]), 1u);
    EXPECT_EQ(get32(&reply[66]), 2u);
    EXPECT_EQ(get32(&reply[70]), 1u);
    EXPECT_EQ(get64(&reply[78]), 1u);
    ASSERT_EQ(perform(e, 13, createBody("web", {member(3, 9)})), 0u);
    EXPECT_EQ(addrSet(e, "web").members, std::vector<Bytes>{member(3, 9)});
    EXPECT_EQ(addrSet(e, "web").generation, 2u);
    ASSERT_EQ(perform(e, 62, named("web", 46), &reply), 0u);
    EXPECT_EQ(get32(&reply[38]), 1u) << "members removed";
    EXPECT_EQ(addrSet(e, "web").generation, 3u);
    EXPECT_EQ(addrSet(e, "web").kind, 1u) << "a cleared set keeps its kind";

    ASSERT_EQ(perform(e, 13, createBody("mac", {member(7, 1), member(9, 2)})), 0u);
    ASSERT_EQ(perform(e, 14, named("mac", 42), &reply), 0u);
    EXPECT_EQ(get32(&reply[38]), 2u) << "members the set had";
    EXPECT_EQ(e.addrSetNames(nullptr), std::vector<std::string>{"web"});
    ASSERT_EQ(perform(e, 13, createBody("a", {})), 0u);
    for (uint32_t destroyed : {2u, 0u}) {
        ASSERT_EQ(perform(e, 63, Bytes(4, 0), &reply), 0u);
        EXPECT_EQ(get32(&reply[0]), destroyed);
    }
    EXPECT_TRUE(e.addrSetNames(nullptr).empty());
}

struct Refusal {
    const char* name;
    uint16_t opcode;
    Bytes body;
    uint32_t status;
};
void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class SimAddrSetRefusal : public ::testing::TestWithParam<Refusal> {};

// The module before and after: one set "kept" of kind IP with one member, the shared switch off,
// chunk 1 loaded.
TEST_P(SimAddrSetRefusal, AnswersItsStatusAndChangesNothing) {
    Engine e;
    ASSERT_EQ(perform(e, 13, createBody("kept", {member(1, 1)})), 0u);
    ASSERT_EQ(perform(e, 95, chunkBody(1, 1, {8})), 0u);
    EXPECT_EQ(perform(e, GetParam().opcode, GetParam().body), GetParam().status);
    EXPECT_EQ(addrSet(e, "kept").members, std::vector<Bytes>{member(1, 1)});
    EXPECT_EQ(addrSet(e, "kept").generation, 1u);
    EXPECT_EQ(e.addrSetNames(nullptr).size(), 1u);
    EXPECT_FALSE(e.sharedAddrSets(nullptr));
    EXPECT_EQ(e.ipRepChunks(nullptr).size(), 1u);
}

const Bytes kCreate = createBody("x", {member(1, 1), member(2, 2)});

INSTANTIATE_TEST_SUITE_P(
    Cases, SimAddrSetRefusal,
    ::testing::Values(Refusal{"create shorter than its fixed part", 13, Bytes(93, 0), 25},
                      Refusal{"create size field disagrees", 13, with(kCreate, 46, 1, 4), 25},
                      Refusal{"create huge count", 13, with(with(kCreate, 46, ~0u, 4), 54, 0xFFFFFF70, 4), 25},
                      Refusal{"create without the constant 1", 13, with(kCreate, 50, 2, 4), 25},
                      Refusal{"create name without NUL", 13, createBody(std::string(38, 'n'), {}), 31},
                      Refusal{"create empty name", 13, createBody("", {}), 3},
                      Refusal{"create set reference member", 13, createBody("x", {member(11, 1)}), 34},
                      Refusal{"replace with another kind", 13, createBody("kept", {member(15, 1)}), 34},
                      Refusal{"clear unknown set", 62, named("gone", 46), 29},
                      Refusal{"destroy short body", 14, named("kept", 41), 25},
                      Refusal{"shared with other bits", 41, Bytes{3, 0, 0, 0}, 3},
                      Refusal{"chunk count beyond the body", 95, with(chunkBody(2, 1, {8}), 4, 2, 4), 25},
                      Refusal{"chunk prefix too long", 95, chunkBody(2, 2, {8, 33}), 3},
                      Refusal{"destroy chunk not loaded", 98, chunkBody(7, 0, {}), 3}),
    [](const ::testing::TestParamInfo<Refusal>& i) { return "case" + std::to_string(i.index); });

TEST(SimAddrSet, SharedSwitchAndChunks) {
    Engine e;
    ASSERT_EQ(perform(e, 41, Bytes{1, 0, 0, 0}), 0u);
    EXPECT_TRUE(e.sharedAddrSets(nullptr));
    const Bytes body = chunkBody(5, 2, {24, 32});
    ASSERT_EQ(perform(e, 95, body), 0u);
    ASSERT_EQ(perform(e, 95, chunkBody(6, 0, {})), 0u);
    auto chunks = e.ipRepChunks(nullptr);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(Bytes(chunks[5].entries.begin(), chunks[5].entries.end()), Bytes(body.begin() + 24, body.end()));
    EXPECT_EQ(chunks[5].database[0], 0xD0);
    EXPECT_TRUE(chunks[6].entries.empty());
    ASSERT_EQ(perform(e, 98, chunkBody(5, 0, {})), 0u);
    EXPECT_EQ(e.ipRepChunks(nullptr).count(5), 0u);
}

TEST(SimAddrSet, LimitsRefuseWithOutOfMemory) {
    KestSim::Limits limits;
    limits.addrSetsPerFilter = 2, limits.ipRepChunksPerFilter = 1, limits.recordBytes = 3 * 144;
    Engine e(limits);
    ASSERT_EQ(perform(e, 13, createBody("a", {member(1, 1), member(1, 2)})), 0u);
    EXPECT_EQ(perform(e, 13, createBody("b", {member(1, 1), member(1, 2)})), 8u) << "record budget";
    ASSERT_EQ(perform(e, 13, createBody("b", {member(1, 3)})), 0u);
    EXPECT_EQ(perform(e, 13, createBody("c", {})), 8u) << "set count";
    ASSERT_EQ(perform(e, 13, createBody("a", {member(1, 4), member(1, 5)})), 0u) << "the old members given back";
    ASSERT_EQ(perform(e, 95, chunkBody(1, 0, {})), 0u);
    EXPECT_EQ(perform(e, 95, chunkBody(2, 0, {})), 8u);
}

// Random bodies for every opcode of the family, with valid create heads mixed in so that deeper checks
// are reached: every one is answered, and what is kept stays within its bounds.
TEST(SimAddrSet, ArbitraryBodiesNeverHurt) {
    KestSim::Limits limits;
    limits.recordBytes = 64 * 144;
    Engine e(limits);
    std::mt19937 rng(1234);
    const uint16_t opcodes[] = {13, 14, 41, 62, 63, 95, 98};
    for (int i = 0; i < 3000; ++i) {
        uint16_t op = opcodes[rng() % 7];
        Bytes body(rng() % 700);
        for (uint8_t& b : body) b = uint8_t(rng() % 4 == 0 ? rng() : rng() % 3);
        if (op == 13 && body.size() >= 94 && rng() % 2) {
            uint32_t n = uint32_t((body.size() - 94) / 144);
            put(&body[46], n, 4), put(&body[50], 1, 4), put(&body[54], n * 144, 4), body[5] = 0;
        }
        Bytes m = message({{op, body}});
        ASSERT_EQ(e.process(nullptr, m.data(), uint32_t(m.size())), 0);
    }
    for (const std::string& n : e.addrSetNames(nullptr)) {
        EXPECT_LT(n.size(), 38u);
        for (const Bytes& r : addrSet(e, n).members) EXPECT_EQ(r.size(), 144u);
    }
}

}  // namespace
