// One command on a handle: message, bad-state retry, reply in place, failures as statuses, port texts.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <set>
#include <string>

#include "cmd/KestFWCmd.h"
#include "cmd/KestFWCmdCatalogue.h"
#include "cmd/KestFWCmdGetRuleSetCount.h"
#include "support/FakeChannel.h"
#include "support/LogCapture.h"
#include "support/TestCommands.h"
#include "support/Wire.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

unsigned g_pauses = 0;

class CmdExecute : public ::testing::Test {
protected:
    void SetUp() override {
        g_pauses = 0;
        m_old = CKestFWCmd::setRetryPause([](unsigned seconds) { g_pauses += seconds; });
    }
    void TearDown() override { CKestFWCmd::setRetryPause(m_old); }

private:
    CKestFWCmd::RetryPause m_old = nullptr;
};

}  // namespace

TEST_F(CmdExecute, RuleSetCountMessageAndTheReplyInPlace) {
    FakeHandle fh({FakeStep{}}, [](unsigned, uint16_t, uint8_t* body, uint32_t) { body[0] = 7; });
    CKestFWCmdGetRuleSetCount cmd(nullptr);
    void* reply = nullptr;
    unsigned len = 0;
    ASSERT_EQ(cmd.execute(&fh.handle, &reply, &len, nullptr), 0u);
    ASSERT_EQ(fh.sends.size(), 1u);
    EXPECT_EQ(fh.sends[0].message, countMessage());
    EXPECT_FALSE(fh.sends[0].hasPort);
    ASSERT_EQ(len, 4u);
    EXPECT_EQ(static_cast<const uint8_t*>(reply) - 32, fh.sends[0].address);
    EXPECT_EQ(static_cast<uint8_t*>(reply)[0], 7);
    EXPECT_EQ(fh.spy->outstanding, 1);
    EXPECT_TRUE(cmd.releaseCmdBuffer(&fh.handle, reply));
    EXPECT_EQ(fh.spy->outstanding, 0);
}

struct RetryCase {
    const char* name;
    std::vector<uint32_t> statuses;  // one per send
    FWStatus_t result;
    size_t sends;
    unsigned pauses;
};
void PrintTo(const RetryCase& c, std::ostream* os) { *os << c.name; }

class CmdRetry : public CmdExecute, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(CmdRetry, BadStateIsRetriedUpToThreeSendsASecondApart) {
    const RetryCase& c = GetParam();
    std::vector<FakeStep> script;
    for (uint32_t s : c.statuses) script.push_back(FakeStep{s});
    FakeHandle fh(script);
    PatternCmd cmd(nullptr, 8);
    LogCapture log;
    void* reply = nullptr;
    unsigned len = 0;
    EXPECT_EQ(cmd.execute(&fh.handle, &reply, &len, nullptr), c.result);
    EXPECT_EQ(fh.sends.size(), c.sends);
    EXPECT_EQ(g_pauses, c.pauses);
    for (const FakeSend& s : fh.sends) EXPECT_EQ(le32(&s.message[28]), 0u);
    if (c.result == 0) {
        EXPECT_NE(reply, nullptr);
        cmd.releaseCmdBuffer(&fh.handle, reply);
    } else {
        EXPECT_EQ(reply, nullptr);
        EXPECT_EQ(len, 0u);
        EXPECT_TRUE(cmd.replies.empty()) << "a refused command reads no reply";
        EXPECT_TRUE(log.has(std::string("GetRuleSetCount: ") + FW_StatusToString(c.result) + "\n"));
    }
    EXPECT_EQ(fh.spy->outstanding, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, CmdRetry,
                         ::testing::Values(RetryCase{"bad state thrice", {26, 26, 26, 0}, 26, 3, 3},
                                           RetryCase{"bad state then ok", {26, 0}, 0, 2, 1},
                                           RetryCase{"bad state then another status", {26, 28, 0}, 28, 2, 1}));

struct FailureCase {
    const char* name;
    FakeStep step;
    unsigned shortBy;
    int throwOnReply;
    FWStatus_t result;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class CmdFailure : public CmdExecute, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CmdFailure, BecomesAStatusAndGivesTheMessageBack) {
    const FailureCase& c = GetParam();
    FakeHandle fh({c.step});
    PatternCmd cmd(nullptr, 16);
    cmd.shortBy = c.shortBy;
    cmd.throwOnReply = c.throwOnReply;
    void* reply = reinterpret_cast<void*>(1);
    unsigned len = 99;
    EXPECT_EQ(cmd.execute(&fh.handle, &reply, &len, nullptr), c.result);
    EXPECT_EQ(reply, nullptr);
    EXPECT_EQ(len, 0u);
    EXPECT_EQ(fh.spy->outstanding, 0);
    EXPECT_EQ(fh.sends.size(), c.shortBy == 0 ? 1u : 0u) << "a body shorter than announced is never sent";
}

INSTANTIATE_TEST_SUITE_P(Cases, CmdFailure,
                         ::testing::Values(FailureCase{"channel status", FakeStep{0, 22}, 0, 0, 22},
                                           FailureCase{"control call fails", FakeStep{0, 0, true, EIO}, 0, 0, 19},
                                           FailureCase{"short body", FakeStep{}, 4, 0, 8},
                                           FailureCase{"reply raises", FakeStep{}, 0, 1, 4},
                                           FailureCase{"reply raises anything", FakeStep{}, 0, 2, 5}));

TEST_F(CmdExecute, NoHandleOrNoChannelSendsNothing) {
    PatternCmd cmd(nullptr, 4);
    EXPECT_EQ(cmd.execute(nullptr, nullptr, nullptr, nullptr), 2u);
    CKestFWLibHandle bare;
    EXPECT_EQ(cmd.execute(&bare, nullptr, nullptr, nullptr), 1u);
}

TEST_F(CmdExecute, PortIsSentOnlyWhenTyped) {
    dvs_port_ typed = makePort(DVS_PORT_TYPE_FILTER, "nic-1.1", 0), untyped = makePort(0, "ignored", 3);
    FakeHandle fh({FakeStep{0, 22}});
    PatternCmd(&typed, 4).execute(&fh.handle, nullptr, nullptr, nullptr);
    PatternCmd(&untyped, 4).execute(&fh.handle, nullptr, nullptr, nullptr);
    ASSERT_TRUE(fh.sends[0].hasPort);
    EXPECT_EQ(0, memcmp(&fh.sends[0].port, &typed, sizeof typed));
    EXPECT_FALSE(fh.sends[1].hasPort);
}

TEST(CmdMessage, HeaderThenBodyAndAnImpossibleLengthWhenTheBodyDoesNotFit) {
    PatternCmd cmd(nullptr, 5, 0x1234, 0x5A);
    Bytes rec(32, 0xEE);
    unsigned written = 0;
    EXPECT_TRUE(cmd.toMessage(rec.data(), unsigned(rec.size()), &written));
    EXPECT_EQ(written, 17u);
    EXPECT_EQ(rec, Golden(32).le(0, 5, 4).le(4, 0x1234, 2).raw(12, Bytes(5, 0x5A)).raw(17, Bytes(15, 0xEE)).b);

    PatternCmd big(nullptr, 40);
    EXPECT_TRUE(big.toMessage(rec.data(), 20, &written));
    EXPECT_EQ(le32(rec.data()), 0xFFFFFFFFu);
}

struct PortTextCase {
    unsigned type;
    const char* id;
    unsigned index;
    const char* prefix;
    const char* text;  // else the message of what is raised
    bool raises;
};
void PrintTo(const PortTextCase& c, std::ostream* os) { *os << c.text; }

class CmdPortText : public ::testing::TestWithParam<PortTextCase> {};

TEST_P(CmdPortText, TextFormsAndUnreadablePorts) {
    const PortTextCase& c = GetParam();
    dvs_port_ p = makePort(c.type, c.id, c.index);
    PatternCmd cmd(&p, 4);
    if (c.raises) {
        expectRaises([&] { cmd.dvsportToString(c.prefix); }, 7, c.text);
    } else {
        EXPECT_EQ(cmd.dvsportToString(c.prefix), c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CmdPortText,
    ::testing::Values(PortTextCase{0, "anything", 5, "of", "", false},
                      PortTextCase{1, "50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8", 4, "of",
                                   " of vnic 501a2b3c-4d5e-6f70-8192-a3b4c5d6e7f8.004", false},
                      PortTextCase{2, "a3 5c-77", 0xFFFFFF, "on", " on dvsport \"a3 5c-77:16777215\"", false},
                      PortTextCase{0xF7, "nic-9.2", 0, nullptr, " filter nic-9.2", false},  // the low nibble
                      PortTextCase{3, "x", 0, "of", "unsupported dvsport type 3", true},
                      PortTextCase{1, "50 1a 2b", 0, "of", "dvs switch id format is wrong", true}));

TEST(CmdPortText, IdentifierWithoutTerminatorIsBounded) {
    dvs_port_ p = makePort(DVS_PORT_TYPE_FILTER, "", 0);
    memset(p.id, 'f', sizeof p.id);
    memset(p.agent, 'a', sizeof p.agent);
    EXPECT_EQ(PatternCmd(&p, 4).dvsportToString(nullptr), " filter " + std::string(64, 'f'));
}

TEST(Catalogue, EveryOpcodeHasOneLogNameAndClassesAreUnique) {
    std::set<std::string> classes;
    for (unsigned op = 0; op <= KFW_MAX_OPCODE; ++op) {
        std::set<std::string> names;
        for (const KestFWCmdInfo& row : kKestFWCmdCatalogue)
            if (row.opcode == op) names.insert(row.logName);
        EXPECT_EQ(names.size(), 1u) << op;
    }
    for (const KestFWCmdInfo& row : kKestFWCmdCatalogue) {
        EXPECT_LE(row.opcode, KFW_MAX_OPCODE);
        EXPECT_TRUE(row.className == nullptr || classes.insert(row.className).second) << row.className;
    }
    EXPECT_STREQ(kfwCmdLogName(0xFFFF), "Unknown");
}
