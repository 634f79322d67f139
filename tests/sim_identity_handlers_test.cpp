// The simulated module's identity handlers against bodies built byte by byte: refusals of bodies whose
// counts disagree with their bytes, with nothing changed, and arbitrary bodies that must never hurt it.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>

#include "support/SimMessages.h"

using KestSim::Engine;
using namespace kestsim_test;

namespace {

// Domain-to-UUID add of one domain with `uuids` UUIDs, carrying `sent` of them.
Bytes domainUuidBody(uint32_t uuids, uint32_t sent, uint8_t op = 0) {
    Bytes b(5 + 284 + 16 * sent, 0);
    b[0] = op;
    put(&b[1], 1, 4);
    b[5] = 'a', b[6] = '.', b[7] = 'i', b[8] = 'o';
    put(&b[5 + 276], uuids, 4);
    for (uint32_t i = 0; i < sent; ++i) b[5 + 284 + 16 * i] = uint8_t(i + 1);
    return b;
}

// Domain-to-address body of "a.io" with `count` addresses claimed and `sent` carried.
Bytes domainIpBody(uint32_t count, uint32_t sent) {
    Bytes b(10 + 5 + 148 * sent, 0);
    put(&b[0], count, 4);
    put(&b[4], b.size() - 8, 4);
    put(&b[8], 5, 2);
    b[10] = 'a', b[11] = '.', b[12] = 'i', b[13] = 'o';
    for (uint32_t i = 0; i < sent; ++i) put(&b[15 + 148 * i + 4], 1, 2);
    return b;
}

Bytes userBody(uint32_t groups, uint32_t sent) {
    Bytes b(88 + 72 * sent, 0);
    put(&b[8], groups, 4);
    b[16 + 4] = 1, b[16 + 5] = 1;
    return b;
}

// Domains the module answers to a fetch with room for everything.
uint32_t domainCount(Engine& e) {
    Bytes reply;
    Bytes get(18 + 4096, 0);
    get[0] = 3;
    put(&get[10], 4096, 4);
    EXPECT_EQ(perform(e, 72, get, &reply), 0u);
    return get32(&reply[14]);
}

struct BadBody {
    const char* name;
    uint16_t opcode;
    Bytes body;
    uint32_t status;
};
void PrintTo(const BadBody& c, std::ostream* os) { *os << c.name; }

class SimIdentityRefusal : public ::testing::TestWithParam<BadBody> {};

TEST_P(SimIdentityRefusal, ChangesNothing) {
    Engine e;
    ASSERT_EQ(perform(e, 71, domainUuidBody(1, 1)), 0u);
    ASSERT_EQ(perform(e, 76, domainIpBody(1, 1)), 0u);
    Bytes reply;
    EXPECT_EQ(perform(e, GetParam().opcode, GetParam().body, &reply), GetParam().status);
    EXPECT_EQ(domainCount(e), 1u);
    Bytes count(4, 0);
    ASSERT_EQ(perform(e, 68, count, &reply), 0u);
    EXPECT_EQ(get32(&reply[0]), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, SimIdentityRefusal,
    ::testing::Values(BadBody{"uuid count past the body", 71, domainUuidBody(3, 2), 25},
                      BadBody{"uuids left over", 71, domainUuidBody(1, 2), 25},
                      BadBody{"delete with a record past the body", 71, Bytes(5 + 200, 0), 25},
                      BadBody{"unknown modify operation", 71, domainUuidBody(0, 0, 2), 25},
                      BadBody{"addresses past the body", 76, domainIpBody(2, 1), 25},
                      BadBody{"domain length past the body", 76, with(domainIpBody(0, 0), 8, 500, 2), 25},
                      BadBody{"domain without its NUL", 76, with(domainIpBody(0, 0), 14, 'x', 1), 25},
                      BadBody{"group SIDs past the body", 80, userBody(2, 1), 25},
                      BadBody{"dns servers past the body", 83, with(Bytes(13, 0), 9, 1, 4), 25},
                      BadBody{"container chain size disagreeing", 75,
                              with(with(named("c", 94 + 12), 54, 13, 4), 58, 3, 1), 25},
                      BadBody{"unknown container", 53, with(named("none", 70 + 12), 38, 2, 4), 69},
                      BadBody{"uuid entries past the body", 70, with(Bytes(413, 0), 405, 1, 4), 25},
                      BadBody{"deleting an unknown user", 80, with(userBody(0, 0), 4, 1, 4), 70}));

TEST(SimIdentity, ReadsNeverClaimMoreThanTheRoomHolds) {
    Engine e;
    ASSERT_EQ(perform(e, 71, domainUuidBody(2, 2)), 0u);
    Bytes reply;
    Bytes get(18 + 284 + 31, 0);
    get[0] = 3;
    put(&get[10], 284 + 31, 4);
    ASSERT_EQ(perform(e, 72, get, &reply), 0u);
    EXPECT_EQ(get32(&reply[14]), 0u) << "the record with its two UUIDs needs 316 bytes";
    put(&get[10], 0xFFFFFFFF, 4);
    ASSERT_EQ(perform(e, 72, get, &reply), 0u);
    EXPECT_EQ(get32(&reply[14]), 0u) << "a room larger than the body counts only the body";
    ASSERT_EQ(perform(e, 80, userBody(3, 3)), 0u);
    Bytes page(84, 0);
    put(&page[4], 5, 4);
    ASSERT_EQ(perform(e, 81, page, &reply), 0u);
    EXPECT_EQ(get32(&reply[4]), 0u) << "an entry of 92 + 216 bytes does not fit 84";
}

TEST(SimIdentity, ArbitraryBodiesNeverHurtTheModule) {
    Engine e;
    std::mt19937 rng(4321);
    const uint16_t opcodes[] = {53, 67, 68, 69, 70, 71, 72, 75, 76, 80, 81, 82, 83, 84};
    for (int i = 0; i < 4000; ++i) {
        const uint16_t op = opcodes[rng() % 14];
        Bytes body(rng() % 800);
        for (uint8_t& b : body) b = uint8_t(rng() % 4 == 0 ? rng() : rng() % 3);
        Bytes m = message({{op, body}});
        ASSERT_EQ(e.process(nullptr, m.data(), uint32_t(m.size())), 0);
    }
}

}  // namespace
