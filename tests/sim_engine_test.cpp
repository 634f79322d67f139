// The simulated module against messages built byte by byte: header and record checks, answers in
// place, per-filter state, the fault plan, and arbitrary input that must never hurt it.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "sim/engine/SimEngine.h"

using KestSim::Engine;
using KestSim::Fault;
using KestSim::FaultKind;
using Bytes = std::vector<uint8_t>;

namespace {

void putLE(Bytes& b, size_t off, uint64_t v, int width) {
    for (int i = 0; i < width; ++i) b[off + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t getLE32(const Bytes& b, size_t off) {
    return uint32_t(b[off]) | uint32_t(b[off + 1]) << 8 | uint32_t(b[off + 2]) << 16 | uint32_t(b[off + 3]) << 24;
}

struct Cmd {
    uint16_t opcode;
    Bytes body;
};

// A request message as the library lays it out: "KEST", body length, sequence, versions 1.1, type 0,
// category 1, record count, padding; then per command its 12-byte header and body.
Bytes message(const std::vector<Cmd>& cmds, uint32_t sequence = 7) {
    Bytes m(20, 0);
    m[0] = 'K', m[1] = 'E', m[2] = 'S', m[3] = 'T';
    putLE(m, 8, sequence, 4);
    m[12] = 1, m[13] = 1, m[14] = 0, m[15] = 1;
    for (const Cmd& c : cmds) {
        size_t off = m.size();
        m.resize(off + 12 + c.body.size(), 0);
        putLE(m, off, c.body.size(), 4);
        putLE(m, off + 4, c.opcode, 2);
        putLE(m, off + 6, 0xBEEF, 2);  // reserved: the module must leave it alone
        std::copy(c.body.begin(), c.body.end(), m.begin() + off + 12);
    }
    putLE(m, 4, m.size() - 20, 4);
    putLE(m, 16, cmds.size(), 2);
    return m;
}

Bytes countMessage() { return message({{1, Bytes(4, 0)}}); }

// Status word and first body word of the command record at `off`.
uint32_t statusAt(const Bytes& m, size_t off) { return getLE32(m, off + 8); }
uint32_t replyAt(const Bytes& m, size_t off) { return getLE32(m, off + 12); }

struct PortRec {
    uint8_t b[100] = {};
    PortRec(const char* id, uint8_t type, uint32_t index = 0, const char* agent = "agent") {
        strncpy(reinterpret_cast<char*>(b), id, 63);
        strncpy(reinterpret_cast<char*>(b + 64), agent, 31);
        b[96] = index & 0xFF, b[97] = (index >> 8) & 0xFF, b[98] = (index >> 16) & 0xFF;
        b[99] = type;
    }
};

int run(Engine& e, const uint8_t* port, Bytes& m, int* err = nullptr) {
    errno = 0;
    int rc = e.process(port, m.data(), static_cast<uint32_t>(m.size()));
    if (err) *err = errno;
    return rc;
}

}  // namespace

// ---- message header and record structure --------------------------------------------------------------

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
    Bytes sent = m;
    int err = 0;
    int rc = run(e, nullptr, m, &err);
    if (GetParam().err) {
        EXPECT_EQ(rc, -1);
        EXPECT_EQ(err, GetParam().err);
        EXPECT_EQ(m, sent) << "a refused message must come back as it was sent";
        EXPECT_EQ(e.commands(), 0u);
    } else {
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(statusAt(m, 20), 0u);
        EXPECT_EQ(replyAt(m, 20), 2u);
    }
    EXPECT_EQ(e.calls(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, EngineHeader,
    ::testing::Values(HeaderCase{"Valid", [](Bytes&) {}, 0},
                      HeaderCase{"AnyMinorVersion", [](Bytes& m) { m[13] = 9; }, 0},
                      HeaderCase{"AnySequenceAndPadding",
                                 [](Bytes& m) { putLE(m, 8, 0xFFFFFFFF, 4), putLE(m, 18, 3, 2); }, 0},
                      HeaderCase{"StatusWordOfRequestIgnored", [](Bytes& m) { putLE(m, 28, 77, 4); }, 0},
                      HeaderCase{"SignatureCase", [](Bytes& m) { m[3] = 't'; }, EINVAL},
                      HeaderCase{"SignatureOrder", [](Bytes& m) { std::swap(m[0], m[3]); }, EINVAL},
                      HeaderCase{"MajorVersion", [](Bytes& m) { m[12] = 2; }, EINVAL},
                      HeaderCase{"ResponseType", [](Bytes& m) { m[14] = 1; }, EINVAL},
                      HeaderCase{"Category", [](Bytes& m) { m[15] = 0; }, EINVAL},
                      HeaderCase{"BodyLengthShort", [](Bytes& m) { putLE(m, 4, 15, 4); }, EINVAL},
                      HeaderCase{"BodyLengthLong", [](Bytes& m) { putLE(m, 4, 17, 4); }, EINVAL},
                      HeaderCase{"BodyLengthHuge", [](Bytes& m) { putLE(m, 4, 0xFFFFFFF0u, 4); }, EINVAL},
                      HeaderCase{"CountZeroWithRecord", [](Bytes& m) { putLE(m, 16, 0, 2); }, EINVAL},
                      HeaderCase{"CountTooLarge", [](Bytes& m) { putLE(m, 16, 2, 2); }, EINVAL},
                      HeaderCase{"CountMax", [](Bytes& m) { putLE(m, 16, 0xFFFF, 2); }, EINVAL},
                      HeaderCase{"RecordPastEnd", [](Bytes& m) { putLE(m, 20, 5, 4); }, EINVAL},
                      HeaderCase{"RecordShortOfEnd", [](Bytes& m) { putLE(m, 20, 3, 4); }, EINVAL},
                      HeaderCase{"RecordLengthWraps", [](Bytes& m) { putLE(m, 20, 0xFFFFFFF8u, 4); }, EINVAL},
                      HeaderCase{"TrailingByte", [](Bytes& m) { m.push_back(0), putLE(m, 4, 17, 4); }, EINVAL},
                      HeaderCase{"HeaderOnly", [](Bytes& m) { m.resize(19); }, EINVAL}),
    [](const ::testing::TestParamInfo<HeaderCase>& i) { return std::string(i.param.name); });

TEST(Engine, NullMessageIsAFault) {
    Engine e;
    errno = 0;
    EXPECT_EQ(e.process(nullptr, nullptr, 36), -1);
    EXPECT_EQ(errno, EFAULT);
}

TEST(Engine, EmptyMessageIsAnsweredWithNothingToDo) {
    Engine e;
    Bytes m = message({});
    ASSERT_EQ(m.size(), 20u);
    EXPECT_EQ(run(e, nullptr, m), 0);
    EXPECT_EQ(e.commands(), 0u);
}

TEST(Engine, EveryRecordOfAMessageIsAnsweredInPlace) {
    Engine e;
    ASSERT_TRUE(e.seedRuleSetCount(nullptr, 3));
    Bytes big(8, 0xAA);
    Bytes m = message({{1, Bytes(4, 0)}, {99, Bytes{1, 2, 3}}, {1, big}, {1, Bytes{}}, {0x1234, Bytes(2, 9)}});
    Bytes sent = m;
    ASSERT_EQ(run(e, nullptr, m), 0);
    EXPECT_EQ(e.commands(), 5u);
    // offsets of the five records: 20, 36, 51, 71, 83
    EXPECT_EQ(statusAt(m, 20), 0u);
    EXPECT_EQ(replyAt(m, 20), 3u);
    EXPECT_EQ(statusAt(m, 36), 7u) << "an opcode without a handler is not supported";
    EXPECT_EQ(Bytes(m.begin() + 48, m.begin() + 51), (Bytes{1, 2, 3}));
    EXPECT_EQ(statusAt(m, 51), 0u);
    EXPECT_EQ(replyAt(m, 51), 3u);
    EXPECT_EQ(Bytes(m.begin() + 67, m.begin() + 71), Bytes(4, 0xAA)) << "bytes past the answer stay";
    EXPECT_EQ(statusAt(m, 71), 9u) << "no room for the count";
    EXPECT_EQ(statusAt(m, 83), 7u);
    // Nothing but status words and reply bodies changes: header, lengths, opcodes, reserved words stay.
    for (size_t off : {20u, 36u, 51u, 71u, 83u}) {
        EXPECT_EQ(Bytes(m.begin() + off, m.begin() + off + 8), Bytes(sent.begin() + off, sent.begin() + off + 8));
    }
    EXPECT_EQ(Bytes(m.begin(), m.begin() + 20), Bytes(sent.begin(), sent.begin() + 20));
}

TEST(Engine, KeepsTheLastMessageAsReceivedAndAsAnswered) {
    Engine e;
    ASSERT_TRUE(e.seedRuleSetCount(nullptr, 4));
    Bytes m = countMessage();
    Bytes sent = m;
    ASSERT_EQ(run(e, nullptr, m), 0);
    uint32_t len = 0;
    EXPECT_EQ(e.lastMessage(&len), sent);
    EXPECT_EQ(len, 36u);
    EXPECT_EQ(e.lastReply(&len), m);
    EXPECT_EQ(replyAt(e.lastReply(nullptr), 20), 4u);
    // A refused message is kept as received, with no reply.
    Bytes bad = countMessage();
    bad[0] = 'X';
    ASSERT_EQ(run(e, nullptr, bad), -1);
    EXPECT_EQ(e.lastMessage(&len), bad);
    EXPECT_TRUE(e.lastReply(&len).empty());
    EXPECT_EQ(len, 0u);
}

// ---- state per filter --------------------------------------------------------------------------------

TEST(Engine, RuleSetCountIsPerFilter) {
    Engine e;
    PortRec a("00 11 22 33 44 55 66 77-88 99 aa bb cc dd ee ff", 1, 5), b("dvs-switch-1", 2, 17), f("filter-x", 7);
    ASSERT_TRUE(e.seedRuleSetCount(a.b, 3));
    ASSERT_TRUE(e.seedRuleSetCount(b.b, 5));
    ASSERT_TRUE(e.seedRuleSetCount(nullptr, 1));
    struct Case {
        const uint8_t* port;
        uint32_t count;
    };
    PortRec aOtherIndex("00 11 22 33 44 55 66 77-88 99 aa bb cc dd ee ff", 1, 6);
    PortRec typeZero("dvs-switch-1", 0, 17);
    uint8_t zero[100] = {};
    for (const Case& c : {Case{a.b, 3}, Case{b.b, 5}, Case{nullptr, 1}, Case{zero, 1}, Case{typeZero.b, 1},
                          Case{f.b, 0}, Case{aOtherIndex.b, 0}}) {
        Bytes m = countMessage();
        ASSERT_EQ(run(e, c.port, m), 0);
        EXPECT_EQ(replyAt(m, 20), c.count);
    }
    EXPECT_EQ(e.ruleSetCount(a.b), 3u);
    EXPECT_EQ(e.ruleSetCount(f.b), 0u);
}

TEST(Engine, PortTextsCountUpToTheirNulAndTypeByItsLowBits) {
    Engine e;
    PortRec a("filter-x", 7);
    ASSERT_TRUE(e.seedRuleSetCount(a.b, 2));
    PortRec same("filter-x", 7 | 0xA0);
    memset(same.b + 9, 'z', 20);  // leftovers behind the identifier's NUL
    same.b[90] = 'q';             // and behind the agent's
    Bytes m = countMessage();
    ASSERT_EQ(run(e, same.b, m), 0);
    EXPECT_EQ(replyAt(m, 20), 2u);
    PortRec otherAgent("filter-x", 7, 0, "other");
    m = countMessage();
    ASSERT_EQ(run(e, otherAgent.b, m), 0);
    EXPECT_EQ(replyAt(m, 20), 0u);
}

TEST(Engine, SeedingKeepsRulesInOrderAndRefusesBadInput) {
    Engine e;
    Bytes rules(3 * 1420);
    for (size_t i = 0; i < rules.size(); ++i) rules[i] = static_cast<uint8_t>(i / 1420 + 1);
    PortRec p("f", 7);
    EXPECT_TRUE(e.seedRuleSet(p.b, "web", rules.data(), 3));
    EXPECT_EQ(e.ruleCount(p.b, "web"), 3);
    EXPECT_TRUE(e.seedRuleSet(p.b, "web", rules.data(), 1));  // replaces
    EXPECT_EQ(e.ruleCount(p.b, "web"), 1);
    EXPECT_EQ(e.ruleCount(p.b, "other"), -1);
    EXPECT_FALSE(e.seedRuleSet(p.b, "", nullptr, 0));
    EXPECT_FALSE(e.seedRuleSet(p.b, std::string(64, 'n'), nullptr, 0));
    EXPECT_TRUE(e.seedRuleSet(p.b, std::string(63, 'n'), nullptr, 0));
    EXPECT_FALSE(e.seedRuleSet(p.b, "x", nullptr, 2));
    EXPECT_EQ(e.ruleSetCount(p.b), 2u);
    EXPECT_TRUE(e.seedRuleSetCount(p.b, 0));
    EXPECT_EQ(e.ruleSetCount(p.b), 0u);
}

TEST(Engine, StateStaysWithinItsLimits) {
    KestSim::Limits lim;
    lim.filters = 2;
    lim.ruleSetsPerFilter = 3;
    lim.recordBytes = 2 * 1420;
    Engine e(lim);
    PortRec a("a", 7), b("b", 7), c("c", 7);
    Bytes rules(3 * 1420, 1);
    EXPECT_TRUE(e.seedRuleSetCount(a.b, 3));
    EXPECT_FALSE(e.seedRuleSetCount(a.b, 4));
    EXPECT_TRUE(e.seedRuleSetCount(b.b, 1));
    EXPECT_FALSE(e.seedRuleSetCount(c.b, 1)) << "a third filter passes the filter limit";
    EXPECT_FALSE(e.seedRuleSet(b.b, "r", rules.data(), 3)) << "three rules pass the record budget";
    EXPECT_TRUE(e.seedRuleSet(b.b, "r", rules.data(), 2));
    EXPECT_FALSE(e.seedRuleSet(a.b, "s", rules.data(), 1));
    EXPECT_TRUE(e.seedRuleSet(b.b, "r", rules.data(), 1));  // replacing frees the old records
    EXPECT_TRUE(e.seedRuleSet(a.b, "ruleset-0", rules.data(), 1));
}

// ---- known filters ----------------------------------------------------------------------------------

TEST(Engine, UndeclaredFiltersAreNotFoundOnceAnyIsDeclared) {
    Engine e;
    PortRec a("a", 7), b("b", 7), c("c", 2, 4);
    auto errFor = [&](const uint8_t* port) {
        Bytes m = countMessage();
        Bytes sent = m;
        int err = 0;
        int rc = run(e, port, m, &err);
        if (rc == 0) return 0;
        EXPECT_EQ(m, sent);
        return err;
    };
    EXPECT_EQ(errFor(c.b), 0) << "before any declaration every port is accepted";
    ASSERT_TRUE(e.declareFilter(a.b));
    ASSERT_TRUE(e.declareFilter(b.b));
    EXPECT_EQ(errFor(a.b), 0);
    EXPECT_EQ(errFor(c.b), ENOENT);
    EXPECT_EQ(errFor(nullptr), 0) << "the host-wide filter always exists";
    ASSERT_TRUE(e.seedRuleSetCount(b.b, 2));
    EXPECT_TRUE(e.forgetFilter(b.b));
    EXPECT_FALSE(e.forgetFilter(b.b));
    EXPECT_EQ(errFor(b.b), ENOENT);
    EXPECT_EQ(e.ruleSetCount(b.b), 0u) << "a forgotten filter loses its state";
    e.reset();
    EXPECT_EQ(errFor(c.b), 0);
}

// ---- fault plan -------------------------------------------------------------------------------------

struct FaultCase {
    const char* name;
    std::vector<Fault> faults;
    // Per call: -1 with this errno, or the status and reply word of the message's one count command.
    struct Expect {
        int err;
        uint32_t status;
        uint32_t reply;
    };
    std::vector<Expect> calls;
    uint16_t opcode = 1;
    size_t leftOver = 0;  // entries still waiting afterwards
};

class EngineFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(EngineFaults, AppliedInOrderAndUsedUp) {
    Engine e;
    ASSERT_TRUE(e.seedRuleSetCount(nullptr, 3));
    for (const Fault& f : GetParam().faults) ASSERT_TRUE(e.addFault(f));
    size_t i = 0;
    for (const auto& x : GetParam().calls) {
        SCOPED_TRACE("call " + std::to_string(i++));
        Bytes m = message({{GetParam().opcode, Bytes{0xD0, 0xD1, 0xD2, 0xD3}}});
        Bytes sent = m;
        int err = 0;
        int rc = run(e, nullptr, m, &err);
        if (x.err) {
            EXPECT_EQ(rc, -1);
            EXPECT_EQ(err, x.err);
            EXPECT_EQ(m, sent);
        } else {
            ASSERT_EQ(rc, 0);
            EXPECT_EQ(statusAt(m, 20), x.status);
            EXPECT_EQ(replyAt(m, 20), x.reply);
        }
    }
    EXPECT_EQ(e.pendingFaults(), GetParam().leftOver);
}

constexpr uint32_t kUntouched = 0xD3D2D1D0;  // the request body read as a word
INSTANTIATE_TEST_SUITE_P(
    Plans, EngineFaults,
    ::testing::Values(FaultCase{"BadStateTwiceThenAnswered",
                                {{FaultKind::Status, 26, 2, -1}},
                                {{0, 26, kUntouched}, {0, 26, kUntouched}, {0, 0, 3}}},
                      FaultCase{"StatusForOtherOpcodeWaits",
                                {{FaultKind::Status, 28, 1, 2}, {FaultKind::Status, 26, 1, 1}},
                                {{0, 26, kUntouched}, {0, 0, 3}},
                                1,
                                1},
                      FaultCase{"ErrnoThenAnswered",
                                {{FaultKind::Errno, ENOMEM, 1, -1}, {FaultKind::Errno, ENOENT, 1, -1}},
                                {{ENOMEM, 0, 0}, {ENOENT, 0, 0}, {0, 0, 3}}},
                      FaultCase{"ErrnoBeforeStatus",
                                {{FaultKind::Status, 26, 1, -1}, {FaultKind::Errno, EIO, 1, -1}},
                                {{EIO, 0, 0}, {0, 26, kUntouched}, {0, 0, 3}}},
                      FaultCase{"LyingCount", {{FaultKind::ReplyLieCount, 1000, 1, 1}}, {{0, 0, 1003}, {0, 0, 3}}},
                      FaultCase{"ShortReplyKeepsRequestBytes",
                                {{FaultKind::ReplyShort, 1, 2, -1}, {FaultKind::ReplyShort, 0, 1, -1}},
                                {{0, 0, 0xD3D2D103}, {0, 0, 0xD3D2D103}, {0, 0, kUntouched}, {0, 0, 3}}},
                      FaultCase{"DelayDoesNotChangeTheAnswer", {{FaultKind::Delay, 1, 1, -1}}, {{0, 0, 3}}},
                      FaultCase{"UnsupportedOpcodeStillTakesStatusFault",
                                {{FaultKind::Status, 26, 1, -1}},
                                {{0, 26, kUntouched}, {0, 7, kUntouched}},
                                200}),
    [](const ::testing::TestParamInfo<FaultCase>& i) { return std::string(i.param.name); });

TEST(Engine, FaultsApplyPerCommandWithinOneMessage) {
    Engine e;
    ASSERT_TRUE(e.addFault({FaultKind::Status, 26, 2, -1}));
    Bytes m = message({{1, Bytes(4, 0)}, {1, Bytes(4, 0)}, {1, Bytes(4, 0)}});
    ASSERT_EQ(run(e, nullptr, m), 0);
    EXPECT_EQ(statusAt(m, 20), 26u);
    EXPECT_EQ(statusAt(m, 36), 26u);
    EXPECT_EQ(statusAt(m, 52), 0u);
}

TEST(Engine, FaultQueueIsBoundedAndRefusesUselessEntries) {
    Engine e;
    EXPECT_FALSE(e.addFault({FaultKind::Status, 26, 0, -1})) << "zero uses";
    EXPECT_FALSE(e.addFault({FaultKind::Errno, 0, 1, -1})) << "errno 0 is no failure";
    EXPECT_FALSE(e.addFault({FaultKind::Delay, 10001, 1, -1}));
    EXPECT_FALSE(e.addFault({FaultKind::Status, 26, 1, 0x10000}));
    EXPECT_FALSE(e.addFault({FaultKind::None, 0, 1, -1}));
    for (int i = 0; i < 256; ++i) ASSERT_TRUE(e.addFault({FaultKind::Status, 26, 1, -1}));
    EXPECT_FALSE(e.addFault({FaultKind::Status, 26, 1, -1}));
    EXPECT_EQ(e.pendingFaults(), 256u);
    e.clearFaults();
    EXPECT_EQ(e.pendingFaults(), 0u);
}

// ---- arbitrary input ----------------------------------------------------------------------------------

TEST(Engine, EveryTruncationOfAValidMessageIsRefused) {
    Engine e;
    const Bytes full = message({{1, Bytes(4, 0)}, {99, Bytes(10, 1)}, {1, Bytes(8, 0)}});
    for (size_t n = 1; n < full.size(); ++n) {
        Bytes m(full.begin(), full.begin() + n);
        int err = 0;
        EXPECT_EQ(run(e, nullptr, m, &err), -1) << n;
        EXPECT_EQ(err, EINVAL) << n;
        // Also with the header's body length adjusted to match the cut.
        if (n >= 20) {
            putLE(m, 4, n - 20, 4);
            EXPECT_EQ(run(e, nullptr, m, &err), -1) << n;
        }
    }
    Bytes m = full;
    EXPECT_EQ(run(e, nullptr, m), 0);
}

TEST(Engine, RandomMutationsNeverHurtIt) {
    Engine e;
    ASSERT_TRUE(e.seedRuleSetCount(nullptr, 1));
    std::mt19937 rng(12345);
    const Bytes base = message({{1, Bytes(4, 0)}, {2, Bytes(6, 0)}, {1, Bytes(5, 0)}});
    for (int round = 0; round < 20000; ++round) {
        Bytes m = base;
        int edits = 1 + rng() % 4;
        for (int k = 0; k < edits; ++k) {
            switch (rng() % 4) {
                case 0:
                    if (!m.empty()) m[rng() % m.size()] = static_cast<uint8_t>(rng());
                    break;
                case 1:
                    if (m.size() > 1) m.resize(rng() % m.size());
                    break;
                case 2:
                    m.insert(m.begin() + rng() % (m.size() + 1), static_cast<uint8_t>(rng()));
                    break;
                default:  // a length word: the message's body length or a record's
                    if (m.size() >= 36) putLE(m, rng() % 2 ? 4 : 20 + 16 * (rng() % 2), rng() % 64, 4);
                    break;
            }
        }
        if (m.empty()) m.push_back(0);
        int rc = e.process(nullptr, m.data(), static_cast<uint32_t>(m.size()));
        ASSERT_TRUE(rc == 0 || rc == -1);
    }
    // A mutated opcode may have reached a command that changes rule sets (destroy all, create): the
    // module must still answer, from whatever state it now has.
    ASSERT_TRUE(e.seedRuleSetCount(nullptr, 1));
    Bytes m = countMessage();
    ASSERT_EQ(run(e, nullptr, m), 0);
    EXPECT_EQ(replyAt(m, 20), 1u);
}
