// The simulated module's address-set, shared-switch and reputation-chunk handlers against bodies built
// byte by byte: what a well-formed request leaves behind, every refusal with its status and no change
// of state, and arbitrary bodies that must never hurt it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "sim/engine/SimEngine.h"

using KestSim::AddrSet;
using KestSim::Engine;
using Bytes = std::vector<uint8_t>;

namespace {

void putLE(Bytes& b, size_t off, uint64_t v, int width) {
    for (int i = 0; i < width; ++i) b[off + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint64_t getLE(const Bytes& b, size_t off, int width) {
    uint64_t v = 0;
    for (int i = 0; i < width; ++i) v |= uint64_t(b[off + i]) << (8 * i);
    return v;
}

// One command in a message: header "KEST", versions 1.1, type 0, category 1, one record.
Bytes message(uint16_t opcode, const Bytes& body) {
    Bytes m(32, 0);
    m[0] = 'K', m[1] = 'E', m[2] = 'S', m[3] = 'T';
    m[12] = 1, m[13] = 1, m[15] = 1;
    putLE(m, 4, 12 + body.size(), 4);
    putLE(m, 16, 1, 2);
    putLE(m, 20, body.size(), 4);
    putLE(m, 24, opcode, 2);
    m.insert(m.end(), body.begin(), body.end());
    return m;
}

// Performs one command for the host-wide filter; the status, and the answered body in `reply`.
uint32_t perform(Engine& e, uint16_t opcode, const Bytes& body, Bytes* reply = nullptr) {
    Bytes m = message(opcode, body);
    if (e.process(nullptr, m.data(), uint32_t(m.size())) != 0) return 0xFFFFFFFF;
    if (reply) reply->assign(m.begin() + 32, m.end());
    return uint32_t(getLE(m, 28, 4));
}

// A member record of the given address type with one distinguishing byte.
Bytes member(uint16_t type, uint8_t tag) {
    Bytes r(144, 0);
    putLE(r, 0, type, 2);
    r[4] = 10, r[7] = tag;
    return r;
}

// Create body: name, request word 0, count, 1, count x 144, flags 0x03, then the records.
Bytes createBody(const std::string& name, const std::vector<Bytes>& members) {
    Bytes b(94, 0);
    memcpy(b.data(), name.data(), name.size());
    putLE(b, 46, members.size(), 4);
    putLE(b, 50, 1, 4);
    putLE(b, 54, members.size() * 144, 4);
    b[58] = 0x03;
    for (const Bytes& m : members) b.insert(b.end(), m.begin(), m.end());
    return b;
}

Bytes namedBody(const std::string& name, size_t size) {
    Bytes b(size, 0);
    memcpy(b.data(), name.data(), name.size());
    return b;
}

Bytes chunkBody(uint32_t number, uint32_t count, std::vector<uint8_t> maskLens) {
    Bytes b(24, 0);
    putLE(b, 0, number, 4);
    putLE(b, 4, count, 4);
    for (int i = 0; i < 16; ++i) b[8 + i] = uint8_t(0xD0 + i);
    for (uint8_t m : maskLens) {
        Bytes e(16, 0);
        putLE(e, 0, 0x0A000000u + m, 4);
        e[12] = m;
        b.insert(b.end(), e.begin(), e.end());
    }
    return b;
}

}  // namespace

TEST(SimAddrSet, CreateReplaceClearDestroyKeepRecordsAndGenerations) {
    Engine e;
    Bytes reply;
    const std::vector<Bytes> two = {member(1, 1), member(6, 2)};
    ASSERT_EQ(perform(e, 13, createBody("web", two), &reply), 0u);
    AddrSet as;
    ASSERT_TRUE(e.addrSet(nullptr, "web", as));
    EXPECT_EQ(as.kind, 1u);
    EXPECT_EQ(as.members, two);
    EXPECT_EQ(as.generation, 1u);
    // The answer names the change: generation, member count and kind in the id, generation as the word.
    EXPECT_EQ(getLE(reply, 62, 4), 1u);
    EXPECT_EQ(getLE(reply, 66, 4), 2u);
    EXPECT_EQ(getLE(reply, 70, 4), 1u);
    EXPECT_EQ(getLE(reply, 78, 8), 1u);
    EXPECT_EQ(reply[58], 0x03);

    ASSERT_EQ(perform(e, 13, createBody("web", {member(3, 9)})), 0u);
    ASSERT_TRUE(e.addrSet(nullptr, "web", as));
    EXPECT_EQ(as.members, std::vector<Bytes>{member(3, 9)});
    EXPECT_EQ(as.generation, 2u);

    ASSERT_EQ(perform(e, 62, namedBody("web", 46), &reply), 0u);
    EXPECT_EQ(getLE(reply, 38, 4), 1u);  // members removed
    ASSERT_TRUE(e.addrSet(nullptr, "web", as));
    EXPECT_TRUE(as.members.empty());
    EXPECT_EQ(as.generation, 3u);
    EXPECT_EQ(as.kind, 1u);

    ASSERT_EQ(perform(e, 13, createBody("mac", {member(7, 1), member(9, 2)})), 0u);
    ASSERT_EQ(perform(e, 14, namedBody("mac", 42), &reply), 0u);
    EXPECT_EQ(getLE(reply, 38, 4), 2u);  // members the set had
    EXPECT_EQ(e.addrSetNames(nullptr), std::vector<std::string>{"web"});

    ASSERT_EQ(perform(e, 13, createBody("a", {})), 0u);
    ASSERT_EQ(perform(e, 63, Bytes(4, 0), &reply), 0u);
    EXPECT_EQ(getLE(reply, 0, 4), 2u);  // sets destroyed
    EXPECT_TRUE(e.addrSetNames(nullptr).empty());
    ASSERT_EQ(perform(e, 63, Bytes(4, 0), &reply), 0u);
    EXPECT_EQ(getLE(reply, 0, 4), 0u);
}

struct Refusal {
    const char* name;
    uint16_t opcode;
    Bytes body;
    uint32_t status;
};
void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

Bytes with(Bytes b, size_t off, uint64_t v, int width) {
    putLE(b, off, v, width);
    return b;
}

class SimAddrSetRefusal : public ::testing::TestWithParam<Refusal> {};

// Each refused request leaves the module exactly as it was: one set "kept" of kind IP with one
// member, the shared switch off, chunk 1 loaded.
TEST_P(SimAddrSetRefusal, AnswersItsStatusAndChangesNothing) {
    const Refusal& r = GetParam();
    Engine e;
    ASSERT_EQ(perform(e, 13, createBody("kept", {member(1, 1)})), 0u);
    ASSERT_EQ(perform(e, 95, chunkBody(1, 1, {8})), 0u);
    EXPECT_EQ(perform(e, r.opcode, r.body), r.status);
    AddrSet as;
    ASSERT_TRUE(e.addrSet(nullptr, "kept", as));
    EXPECT_EQ(as.members, std::vector<Bytes>{member(1, 1)});
    EXPECT_EQ(as.generation, 1u);
    EXPECT_EQ(e.addrSetNames(nullptr).size(), 1u);
    EXPECT_FALSE(e.sharedAddrSets(nullptr));
    EXPECT_EQ(e.ipRepChunks(nullptr).size(), 1u);
}

const Bytes kCreate = createBody("x", {member(1, 1), member(2, 2)});
const std::string k38(38, 'n');

INSTANTIATE_TEST_SUITE_P(
    Cases, SimAddrSetRefusal,
    ::testing::Values(Refusal{"create shorter than its fixed part", 13, Bytes(93, 0), 25},
                      Refusal{"create count beyond the body", 13, with(with(kCreate, 46, 3, 4), 54, 3 * 144, 4), 25},
                      Refusal{"create size field disagrees with count", 13, with(kCreate, 46, 1, 4), 25},

                      Refusal{"create huge count", 13, with(with(kCreate, 46, 0xFFFFFFFF, 4), 54, 0xFFFFFF70, 4), 25},
                      Refusal{"create without the constant 1", 13, with(kCreate, 50, 2, 4), 25},
                      Refusal{"create name without NUL", 13, createBody(k38, {}), 31},
                      Refusal{"create empty name", 13, createBody("", {}), 3},
                      Refusal{"create set reference member", 13, createBody("x", {member(11, 1)}), 34},
                      Refusal{"create unknown member type", 13, createBody("x", {member(200, 1)}), 34},
                      Refusal{"create mixing IP and MAC", 13, createBody("x", {member(1, 1), member(7, 1)}), 34},
                      Refusal{"replace with another kind", 13, createBody("kept", {member(15, 1)}), 34},
                      Refusal{"clear unknown set", 62, namedBody("gone", 46), 29},
                      Refusal{"clear short body", 62, namedBody("kept", 45), 25},
                      Refusal{"clear name without NUL", 62, namedBody(k38, 46), 31},
                      Refusal{"destroy unknown set", 14, namedBody("gone", 42), 29},
                      Refusal{"destroy short body", 14, namedBody("kept", 41), 25},
                      Refusal{"destroy all short body", 63, Bytes(3, 0), 25},
                      Refusal{"shared with other bits", 41, Bytes{3, 0, 0, 0}, 3},
                      Refusal{"shared short body", 41, Bytes{1, 0}, 25},
                      Refusal{"chunk shorter than its head", 95, Bytes(23, 0), 25},
                      Refusal{"chunk count beyond the body", 95, with(chunkBody(2, 1, {8}), 4, 2, 4), 25},
                      Refusal{"chunk prefix too long", 95, chunkBody(2, 2, {8, 33}), 3},
                      Refusal{"destroy chunk not loaded", 98, chunkBody(7, 0, {}), 3},
                      Refusal{"destroy chunk short body", 98, Bytes(20, 0), 25}),
    [](const ::testing::TestParamInfo<Refusal>& i) { return "case" + std::to_string(i.index); });

TEST(SimAddrSet, SharedSwitchAndChunks) {
    Engine e;
    ASSERT_EQ(perform(e, 41, Bytes{1, 0, 0, 0}), 0u);
    EXPECT_TRUE(e.sharedAddrSets(nullptr));
    ASSERT_EQ(perform(e, 41, Bytes(4, 0)), 0u);
    EXPECT_FALSE(e.sharedAddrSets(nullptr));

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
    limits.addrSetsPerFilter = 2;
    limits.ipRepChunksPerFilter = 1;
    limits.recordBytes = 3 * 144;
    Engine e(limits);
    ASSERT_EQ(perform(e, 13, createBody("a", {member(1, 1), member(1, 2)})), 0u);
    EXPECT_EQ(perform(e, 13, createBody("b", {member(1, 1), member(1, 2)})), 8u);  // record budget
    ASSERT_EQ(perform(e, 13, createBody("b", {member(1, 3)})), 0u);
    EXPECT_EQ(perform(e, 13, createBody("c", {})), 8u);  // set count
    // Replacing within the budget is fine: the old members' bytes are given back.
    ASSERT_EQ(perform(e, 13, createBody("a", {member(1, 4), member(1, 5)})), 0u);
    ASSERT_EQ(perform(e, 63, Bytes(4, 0)), 0u);
    ASSERT_EQ(perform(e, 95, chunkBody(1, 0, {})), 0u);
    EXPECT_EQ(perform(e, 95, chunkBody(2, 0, {})), 8u);
}

// Random bodies of random sizes for every opcode of the family, with valid heads mixed in so that
// deeper checks are reached: the module must answer each without harm and keep its bounds.
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
            putLE(body, 46, n, 4), putLE(body, 50, 1, 4), putLE(body, 54, n * 144, 4);
            body[5] = 0;
        }
        Bytes m = message(op, body);
        ASSERT_EQ(e.process(nullptr, m.data(), uint32_t(m.size())), 0);
    }
    for (const std::string& n : e.addrSetNames(nullptr)) {
        AddrSet as;
        ASSERT_TRUE(e.addrSet(nullptr, n, as));
        EXPECT_LT(n.size(), 38u);
        for (const Bytes& r : as.members) EXPECT_EQ(r.size(), 144u);
    }
}
