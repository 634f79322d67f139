// The simulated module against messages built byte by byte: header and record checks, answers in
// place, per-filter state and its limits, the fault plan, and arbitrary input that must never hurt it.
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <random>
#include <string>

#include "support/SimMessages.h"

using KestSim::Engine;
using KestSim::Fault;
using KestSim::FaultKind;
using namespace kestsim_test;

namespace {

// 0 when the call succeeded, else its errno (-1 for a failure without one).
int run(Engine& e, const uint8_t* port, Bytes& m) {
    errno = 0;
    if (e.process(port, m.data(), static_cast<uint32_t>(m.size())) == 0) return 0;
    return errno ? errno : -1;
}

// The count a count message gets for `port`, 0xFFFFFFFF when the call failed.
uint32_t countFor(Engine& e, const uint8_t* port) {
    Bytes m = countMessage();
    return run(e, port, m) == 0 ? get32(&m[32]) : 0xFFFFFFFF;
}

struct HeaderCase {
    const char* name;
    void (*mutate)(Bytes&);
    int err;  // 0: accepted
};

class EngineHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(EngineHeader, RefusedUntouchedOrAnswered) {
    Engine e;
    ASSERT_TRUE(e.seedRuleSetCount(nullptr, 2));
    Bytes m = countMessage();
    GetParam().mutate(m);
    const Bytes sent = m;
    ASSERT_EQ(run(e, nullptr, m), GetParam().err);
    if (GetParam().err) {
        EXPECT_EQ(m, sent) << "a refused message comes back as it was sent";
        EXPECT_EQ(e.commands(), 0u);
    } else {
        EXPECT_EQ(get32(&m[28]), 0u);
        EXPECT_EQ(get32(&m[32]), 2u);
    }
    EXPECT_EQ(e.calls(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, EngineHeader,
    ::testing::Values(HeaderCase{"Valid", [](Bytes&) {}, 0},
                      HeaderCase{"FreeFields",
                                 [](Bytes& m) { m[13] = 9, put(&m[8], ~0u, 4), put(&m[18], 3, 2), m[28] = 77; }, 0},
                      HeaderCase{"SignatureCase", [](Bytes& m) { m[3] = 't'; }, EINVAL},
                      HeaderCase{"MajorVersion", [](Bytes& m) { m[12] = 2; }, EINVAL},
                      HeaderCase{"ResponseType", [](Bytes& m) { m[14] = 1; }, EINVAL},
                      HeaderCase{"Category", [](Bytes& m) { m[15] = 0; }, EINVAL},
                      HeaderCase{"BodyLengthShort", [](Bytes& m) { put(&m[4], 15, 4); }, EINVAL},
                      HeaderCase{"BodyLengthHuge", [](Bytes& m) { put(&m[4], 0xFFFFFFF0u, 4); }, EINVAL},
                      HeaderCase{"CountZeroWithRecord", [](Bytes& m) { put(&m[16], 0, 2); }, EINVAL},
                      HeaderCase{"CountTooLarge", [](Bytes& m) { put(&m[16], 2, 2); }, EINVAL},
                      HeaderCase{"RecordPastEnd", [](Bytes& m) { put(&m[20], 5, 4); }, EINVAL},
                      HeaderCase{"RecordLengthWraps", [](Bytes& m) { put(&m[20], 0xFFFFFFF8u, 4); }, EINVAL},
                      HeaderCase{"TrailingByte", [](Bytes& m) { m.push_back(0), put(&m[4], 17, 4); }, EINVAL}),
    [](const ::testing::TestParamInfo<HeaderCase>& i) { return std::string(i.param.name); });

TEST(Engine, EveryRecordOfAMessageIsAnsweredInPlace) {
    Engine e;
    ASSERT_TRUE(e.seedRuleSetCount(nullptr, 3));
    Bytes m = message({{1, Bytes(4, 0)}, {57, Bytes{1, 2, 3}}, {1, Bytes(8, 0xAA)}, {1, Bytes{}}, {0x1234, Bytes(2)}});
    const Bytes sent = m;
    ASSERT_EQ(run(e, nullptr, m), 0);
    EXPECT_EQ(e.commands(), 5u);
    // Records at 20, 36, 51, 71, 83: status and reply word of each.
    EXPECT_EQ(get32(&m[28]), 0u);
    EXPECT_EQ(get32(&m[32]), 3u);
    EXPECT_EQ(get32(&m[44]), 7u) << "an opcode without a handler is not supported";
    EXPECT_EQ(Bytes(m.begin() + 48, m.begin() + 51), (Bytes{1, 2, 3}));
    EXPECT_EQ(get32(&m[59]), 0u);
    EXPECT_EQ(get32(&m[63]), 3u);
    EXPECT_EQ(Bytes(m.begin() + 67, m.begin() + 71), Bytes(4, 0xAA)) << "bytes past the answer stay";
    EXPECT_EQ(get32(&m[79]), 9u) << "no room for the count";
    EXPECT_EQ(get32(&m[91]), 7u);
    // Header, lengths, opcodes and reserved words stay as sent.
    EXPECT_EQ(Bytes(m.begin(), m.begin() + 20), Bytes(sent.begin(), sent.begin() + 20));
    for (size_t off : {20u, 36u, 51u, 71u, 83u})
        EXPECT_EQ(Bytes(m.begin() + off, m.begin() + off + 8), Bytes(sent.begin() + off, sent.begin() + off + 8));
}

TEST(Engine, StateIsPerFilterNamedByItsTextsUpToTheNulAndTheTypeLowBits) {
    Engine e;
    PortRec a("00 11 22 33 44 55 66 77-88 99 aa bb cc dd ee ff", 1, 5), b("dvs-switch-1", 2, 17), f("f", 7);
    ASSERT_TRUE(e.seedRuleSetCount(a.b, 3));
    ASSERT_TRUE(e.seedRuleSetCount(b.b, 5));
    ASSERT_TRUE(e.seedRuleSetCount(nullptr, 1));
    ASSERT_TRUE(e.seedRuleSetCount(f.b, 2));
    PortRec fLeftovers("f", 7 | 0xA0), otherIndex("00 11 22 33 44 55 66 77-88 99 aa bb cc dd ee ff", 1, 6);
    memset(fLeftovers.b + 2, 'z', 20), fLeftovers.b[90] = 'q';  // behind the identifier's and agent's NUL
    PortRec typeZero("dvs-switch-1", 0, 17), otherAgent("f", 7, 0, "other");
    const std::pair<const uint8_t*, uint32_t> cases[] = {{a.b, 3},          {b.b, 5},          {nullptr, 1},
                                                         {typeZero.b, 1},   {otherIndex.b, 0}, {fLeftovers.b, 2},
                                                         {otherAgent.b, 0}};
    for (const auto& c : cases) EXPECT_EQ(countFor(e, c.first), c.second);
}

TEST(Engine, SeedingStaysWithinNamesAndLimits) {
    KestSim::Limits lim;
    lim.filters = 2, lim.ruleSetsPerFilter = 3, lim.recordBytes = 2 * 1420;
    Engine e(lim);
    PortRec a("a", 7), b("b", 7), c("c", 7);
    Bytes rules(3 * 1420, 1);
    EXPECT_TRUE(e.seedRuleSetCount(a.b, 3));
    EXPECT_FALSE(e.seedRuleSetCount(a.b, 4));
    EXPECT_TRUE(e.seedRuleSetCount(b.b, 1));
    EXPECT_FALSE(e.seedRuleSetCount(c.b, 1)) << "a third filter passes the filter limit";
    EXPECT_FALSE(e.seedRuleSet(b.b, "r", rules.data(), 3)) << "three rules pass the record budget";
    EXPECT_TRUE(e.seedRuleSet(b.b, "r", rules.data(), 2));
    EXPECT_TRUE(e.seedRuleSet(b.b, "r", rules.data(), 1)) << "replacing gives the old records back";
    EXPECT_FALSE(e.seedRuleSet(b.b, std::string(64, 'n'), nullptr, 0));
    EXPECT_TRUE(e.seedRuleSet(b.b, std::string(63, 'n'), nullptr, 0));
}

TEST(Engine, UndeclaredFiltersAreNotFoundOnceAnyIsDeclared) {
    Engine e;
    PortRec a("a", 7), b("b", 7), c("c", 2, 4);
    Bytes m = countMessage();
    const Bytes sent = m;
    EXPECT_EQ(run(e, c.b, m), 0) << "before any declaration every port is accepted";
    ASSERT_TRUE(e.declareFilter(a.b));
    ASSERT_TRUE(e.declareFilter(b.b));
    ASSERT_TRUE(e.seedRuleSetCount(b.b, 2));
    EXPECT_EQ(countFor(e, a.b), 0u);
    EXPECT_EQ(countFor(e, nullptr), 0u) << "the host-wide filter always exists";
    m = sent;
    EXPECT_EQ(run(e, c.b, m), ENOENT);
    EXPECT_EQ(m, sent);
    EXPECT_TRUE(e.forgetFilter(b.b));
    EXPECT_EQ(run(e, b.b, m), ENOENT);
    EXPECT_EQ(e.ruleSetCount(b.b), 0u) << "a forgotten filter loses its state";
    e.reset();
    EXPECT_EQ(run(e, c.b, m), 0);
}

struct FaultCase {
    const char* name;
    std::vector<Fault> faults;
    std::vector<std::array<uint32_t, 3>> calls;  // per call: errno, or 0 and the status and reply word
    size_t leftOver = 0;                         // entries still waiting afterwards
};

class EngineFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(EngineFaults, AppliedInOrderAndUsedUp) {
    Engine e;
    ASSERT_TRUE(e.seedRuleSetCount(nullptr, 3));
    for (const Fault& f : GetParam().faults) ASSERT_TRUE(e.addFault(f));
    for (const auto& x : GetParam().calls) {
        Bytes m = message({{1, Bytes{0xD0, 0xD1, 0xD2, 0xD3}}});
        const Bytes sent = m;
        ASSERT_EQ(run(e, nullptr, m), int(x[0]));
        if (x[0] != 0) {
            EXPECT_EQ(m, sent);
        } else {
            EXPECT_EQ(get32(&m[28]), x[1]);
            EXPECT_EQ(get32(&m[32]), x[2]);
        }
    }
    EXPECT_EQ(e.pendingFaults(), GetParam().leftOver);
}

constexpr uint32_t kSent = 0xD3D2D1D0;  // the request body read as a word
INSTANTIATE_TEST_SUITE_P(
    Plans, EngineFaults,
    ::testing::Values(FaultCase{"OtherOpcodeWaits",
                                {{FaultKind::Status, 28, 1, 2}, {FaultKind::Status, 26, 1, 1}},
                                {{0, 26, kSent}, {0, 0, 3}},
                                1},
                      FaultCase{"ErrnoBeforeStatus",
                                {{FaultKind::Status, 26, 1, -1}, {FaultKind::Errno, ENOMEM, 1, -1}},
                                {{ENOMEM, 0, 0}, {0, 26, kSent}, {0, 0, 3}}},
                      FaultCase{"LyingCount", {{FaultKind::ReplyLieCount, 1000, 1, 1}}, {{0, 0, 1003}, {0, 0, 3}}},
                      FaultCase{"ShortReplyKeepsRequestBytes",
                                {{FaultKind::ReplyShort, 1, 2, -1}, {FaultKind::ReplyShort, 0, 1, -1}},
                                {{0, 0, 0xD3D2D103}, {0, 0, 0xD3D2D103}, {0, 0, kSent}, {0, 0, 3}}}),
    [](const ::testing::TestParamInfo<FaultCase>& i) { return std::string(i.param.name); });

TEST(Engine, FaultsApplyPerCommandAndTheQueueIsBounded) {
    Engine e;
    ASSERT_TRUE(e.addFault({FaultKind::Status, 26, 2, -1}));
    Bytes m = message({{1, Bytes(4, 0)}, {1, Bytes(4, 0)}, {1, Bytes(4, 0)}});
    ASSERT_EQ(run(e, nullptr, m), 0);
    EXPECT_EQ(get32(&m[28]), 26u);
    EXPECT_EQ(get32(&m[44]), 26u);
    EXPECT_EQ(get32(&m[60]), 0u);

    for (const Fault& bad : {Fault{FaultKind::Status, 26, 0, -1}, Fault{FaultKind::Errno, 0, 1, -1},
                             Fault{FaultKind::Delay, 10001, 1, -1}, Fault{FaultKind::Status, 26, 1, 0x10000}})
        EXPECT_FALSE(e.addFault(bad));
    EXPECT_TRUE(e.addFault({FaultKind::Delay, 10000, 1, -1}));
    for (int i = 1; i < 256; ++i) ASSERT_TRUE(e.addFault({FaultKind::Status, 26, 1, -1}));
    EXPECT_FALSE(e.addFault({FaultKind::Status, 26, 1, -1}));
    e.clearFaults();
    EXPECT_EQ(e.pendingFaults(), 0u);
}

TEST(Engine, NullTruncatedAndRandomlyMutatedMessagesNeverHurtIt) {
    Engine e;
    errno = 0;
    EXPECT_EQ(e.process(nullptr, nullptr, 36), -1);
    EXPECT_EQ(errno, EFAULT);
    const Bytes full = message({{1, Bytes(4, 0)}, {99, Bytes(10, 1)}, {1, Bytes(8, 0)}});
    for (size_t n = 1; n < full.size(); ++n) {
        Bytes m(full.begin(), full.begin() + n);
        EXPECT_EQ(run(e, nullptr, m), EINVAL) << n;
        if (n < 20) continue;
        put(&m[4], n - 20, 4);  // also with the header's body length matching the cut
        EXPECT_EQ(run(e, nullptr, m), EINVAL) << n;
    }
    std::mt19937 rng(12345);
    for (int round = 0; round < 20000; ++round) {
        Bytes m = full;
        for (int k = 1 + rng() % 4; k > 0; --k) {
            const int kind = rng() % 4;
            if (kind == 0) m[rng() % m.size()] = static_cast<uint8_t>(rng());
            if (kind == 1 && m.size() > 1) m.resize(1 + rng() % (m.size() - 1));
            if (kind == 2) m.insert(m.begin() + rng() % (m.size() + 1), static_cast<uint8_t>(rng()));
            if (kind == 3 && m.size() >= 36) put(&m[rng() % 2 ? 4 : 20 + 16 * (rng() % 2)], rng() % 64, 4);
        }
        int rc = e.process(nullptr, m.data(), static_cast<uint32_t>(m.size()));
        ASSERT_TRUE(rc == 0 || rc == -1);
    }
    // A mutated opcode may have reached a command that changes rule sets: the module still answers.
    ASSERT_TRUE(e.seedRuleSetCount(nullptr, 1));
    EXPECT_EQ(countFor(e, nullptr), 1u);
}

}  // namespace
