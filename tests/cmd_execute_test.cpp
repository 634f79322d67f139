// Executing one command on a handle: the command record, the retry on a bad state, the reply handed
// back, and every failure turned into a status with the message given back.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <set>
#include <string>

#include "cmd/KestFWCmd.h"
#include "cmd/KestFWCmdCatalogue.h"
#include "cmd/KestFWCmdGetRuleSetCount.h"
#include "frame/KestFWException.h"
#include "frame/KestFWLog.h"
#include "support/FakeChannel.h"
#include "support/LogCapture.h"
#include "support/TestCommands.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

unsigned g_pauses = 0;
void countPause(unsigned seconds) { g_pauses += seconds; }

class CmdExecute : public ::testing::Test {
protected:
    void SetUp() override {
        g_pauses = 0;
        m_old = CKestFWCmd::setRetryPause(countPause);
    }
    void TearDown() override { CKestFWCmd::setRetryPause(m_old); }

private:
    CKestFWCmd::RetryPause m_old = nullptr;
};

}  // namespace

TEST_F(CmdExecute, RuleSetCountRecordAndReply) {
    FakeHandle fh({FakeStep{}}, [](unsigned, uint16_t, uint8_t* body, uint32_t) { body[0] = 7; });
    CKestFWCmdGetRuleSetCount cmd(nullptr);
    void* reply = nullptr;
    unsigned len = 0;
    ASSERT_EQ(cmd.execute(&fh.handle, &reply, &len, nullptr), 0u);
    ASSERT_EQ(fh.sends.size(), 1u);
    const uint8_t expected[36] = {'K', 'E', 'S', 'T', 16, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0,
                                  0,   0,   4,   0,   0,  0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(fh.sends[0].message.size(), 36u);
    EXPECT_EQ(0, memcmp(fh.sends[0].message.data(), expected, 36));
    EXPECT_FALSE(fh.sends[0].hasPort);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(len, 4u);
    EXPECT_EQ(static_cast<uint8_t*>(reply)[0], 7);
    EXPECT_EQ(static_cast<const uint8_t*>(reply) - 32, fh.sends[0].address);
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

TEST_P(CmdRetry, BadStateIsRetriedThreeTimesOthersAreFinal) {
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
    // Every attempt asks the kernel with a clean status word.
    for (const FakeSend& s : fh.sends)
        EXPECT_EQ(ByteReader(s.message.data(), s.message.size()).getAt<uint32_t>(28), 0u);
    if (c.result == 0) {
        EXPECT_NE(reply, nullptr);
        cmd.releaseCmdBuffer(&fh.handle, reply);
    } else {
        EXPECT_EQ(reply, nullptr);
        EXPECT_EQ(len, 0u);
        EXPECT_EQ(log.count("failed to execute command GetRuleSetCount: "), c.sends);
        EXPECT_TRUE(log.has(std::string("GetRuleSetCount: ") + FW_StatusToString(c.result) + "\n"));
    }
    EXPECT_EQ(fh.spy->outstanding, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, CmdRetry,
                         ::testing::Values(RetryCase{"ok", {0}, 0, 1, 0},
                                           RetryCase{"bad state thrice", {26, 26, 26, 0}, 26, 3, 3},
                                           RetryCase{"bad state then ok", {26, 0}, 0, 2, 1},
                                           RetryCase{"bad state twice then ok", {26, 26, 0}, 0, 3, 2},
                                           RetryCase{"no ruleset is final", {28, 0}, 28, 1, 0},
                                           RetryCase{"bad state then other", {26, 28, 0}, 28, 2, 1},
                                           RetryCase{"garbage status", {0xDEADBEEF, 0}, 0xDEADBEEF, 1, 0}));

struct FailureCase {
    const char* name;
    FakeStep step;
    unsigned shortBy;
    int throwOnReply;
    FWStatus_t result;
    const char* log;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class CmdFailure : public CmdExecute, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CmdFailure, BecomesAStatusAndGivesTheMessageBack) {
    const FailureCase& c = GetParam();
    FakeHandle fh({c.step});
    PatternCmd cmd(nullptr, 16);
    cmd.shortBy = c.shortBy;
    cmd.throwOnReply = c.throwOnReply;
    LogCapture log;
    void* reply = reinterpret_cast<void*>(1);
    unsigned len = 99;
    EXPECT_EQ(cmd.execute(&fh.handle, &reply, &len, nullptr), c.result);
    EXPECT_EQ(reply, nullptr);
    EXPECT_EQ(len, 0u);
    EXPECT_EQ(fh.spy->outstanding, 0);
    if (c.log != nullptr) {
        EXPECT_TRUE(log.has(c.log)) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CmdFailure,
    ::testing::Values(
        FailureCase{
            "channel status", FakeStep{0, 22}, 0, 0, 22,
            "IOCTL return failure. command: GetRuleSetCount description: pattern 16 status: 22 cmdbuf size: 28"},
        FailureCase{"control call fails", FakeStep{0, 0, true, EIO}, 0, 0, 19, "ioctl failed"},
        FailureCase{"kernel out of memory", FakeStep{0, 0, true, ENOMEM}, 0, 0, 65, "ioctl failed"},
        // A body shorter than announced is caught before it is sent.
        FailureCase{"short body", FakeStep{}, 4, 0, 8, "message buffer [28] has a bad size"},
        FailureCase{"reply raises", FakeStep{}, 0, 1, 4, "reply does not parse"},
        FailureCase{"reply raises anything", FakeStep{}, 0, 2, 5, nullptr}));

TEST_F(CmdExecute, FailedSendsNeverLeaveWithNothingSent) {
    FakeHandle fh({FakeStep{0, 22}});
    PatternCmd cmd(nullptr, 4);
    EXPECT_EQ(cmd.execute(nullptr, nullptr, nullptr, nullptr), 2u);
    EXPECT_TRUE(fh.sends.empty());
    // A handle without a channel cannot send.
    CKestFWLibHandle bare;
    EXPECT_EQ(cmd.execute(&bare, nullptr, nullptr, nullptr), 1u);
}

TEST_F(CmdExecute, OpcodesBeyondTheCatalogueLogAsUnknown) {
    FakeHandle fh({FakeStep{0, 22}});
    PatternCmd cmd(nullptr, 4, 150);
    LogCapture log;
    EXPECT_EQ(cmd.execute(&fh.handle, nullptr, nullptr, nullptr), 22u);
    EXPECT_TRUE(log.has("IOCTL return failure. command: Unknown description: pattern 4"));
    // The record still carries the opcode as given.
    EXPECT_EQ(ByteReader(fh.sends[0].message.data(), 36).getAt<uint16_t>(24), 150u);
}

TEST_F(CmdExecute, PortIsSentOnlyWhenTyped) {
    dvs_port_ typed = makePort(DVS_PORT_TYPE_FILTER, "nic-1.1", 0);
    dvs_port_ untyped = makePort(0, "ignored", 3);
    FakeHandle fh({FakeStep{}});
    PatternCmd a(&typed, 4), b(&untyped, 4);
    void* reply = nullptr;
    ASSERT_EQ(a.execute(&fh.handle, &reply, nullptr, nullptr), 0u);
    a.releaseCmdBuffer(&fh.handle, reply);
    ASSERT_EQ(b.execute(&fh.handle, &reply, nullptr, nullptr), 0u);
    b.releaseCmdBuffer(&fh.handle, reply);
    ASSERT_TRUE(fh.sends[0].hasPort);
    EXPECT_EQ(0, memcmp(&fh.sends[0].port, &typed, sizeof typed));
    EXPECT_FALSE(fh.sends[1].hasPort);
}

TEST(CmdMessage, ToMessageWritesHeaderAndBody) {
    PatternCmd cmd(nullptr, 5, 0x1234, 0x5A);
    uint8_t rec[32];
    memset(rec, 0xEE, sizeof rec);
    unsigned written = 0;
    EXPECT_TRUE(cmd.toMessage(rec, sizeof rec, &written));
    EXPECT_EQ(written, 17u);
    const uint8_t expected[17] = {5, 0, 0, 0, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A};
    EXPECT_EQ(0, memcmp(rec, expected, 17));
    EXPECT_EQ(rec[17], 0xEE);
}

TEST(CmdMessage, BodyThatDoesNotFitReportsAnImpossibleLength) {
    PatternCmd cmd(nullptr, 40);
    uint8_t rec[20] = {};
    unsigned written = 0;
    EXPECT_TRUE(cmd.toMessage(rec, sizeof rec, &written));
    EXPECT_EQ(ByteReader(rec, 20).getAt<uint32_t>(0), 0xFFFFFFFFu);
    EXPECT_NE(written, 52u);
}

TEST(CmdPort, SetDVSPortKeepsANamedPortUnlessForced) {
    dvs_port_ a = makePort(DVS_PORT_TYPE_DVSPORT, "sw-a", 1), b = makePort(DVS_PORT_TYPE_DVSPORT, "sw-b", 2);
    dvs_port_ none = makePort(0, "", 0);
    PatternCmd cmd(&a, 4);
    EXPECT_TRUE(cmd.setDVSPort(&b, false));
    EXPECT_STREQ(cmd.getDVSPort().id, "sw-a");
    EXPECT_TRUE(cmd.setDVSPort(nullptr, true));
    EXPECT_STREQ(cmd.getDVSPort().id, "sw-a");
    EXPECT_TRUE(cmd.setDVSPort(&b, true));
    EXPECT_STREQ(cmd.getDVSPort().id, "sw-b");
    EXPECT_FALSE(cmd.setDVSPort(&none, true));
    EXPECT_TRUE(cmd.setDVSPort(&a, false));
    EXPECT_STREQ(cmd.getDVSPort().id, "sw-a");
    EXPECT_STREQ(cmd.getInitialDVSPort().id, "sw-a");
}

struct PortTextCase {
    unsigned type;
    const char* id;
    unsigned index;
    const char* prefix;
    const char* text;
};
void PrintTo(const PortTextCase& c, std::ostream* os) { *os << (c.text[0] ? c.text : "(none)"); }

class CmdPortText : public ::testing::TestWithParam<PortTextCase> {};

TEST_P(CmdPortText, TextForms) {
    const PortTextCase& c = GetParam();
    dvs_port_ p = makePort(c.type, c.id, c.index);
    PatternCmd cmd(&p, 4);
    EXPECT_EQ(cmd.dvsportToString(c.prefix), c.text);
}

INSTANTIATE_TEST_SUITE_P(Cases, CmdPortText,
                         ::testing::Values(PortTextCase{0, "anything", 5, "of", ""},
                                           PortTextCase{1, "50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8", 4, "of",
                                                        " of vnic 501a2b3c-4d5e-6f70-8192-a3b4c5d6e7f8.004"},
                                           PortTextCase{1, "00 01 02 03 04 05 06 07-08 09 0a 0b 0c 0d 0e 0f", 1234,
                                                        nullptr, " vnic 00010203-0405-0607-0809-0a0b0c0d0e0f.1234"},
                                           PortTextCase{2, "a3 5c-77", 9, "on", " on dvsport \"a3 5c-77:9\""},
                                           PortTextCase{2, "sw", 0xFFFFFF, nullptr, " dvsport \"sw:16777215\""},
                                           PortTextCase{7, "nic-9.2", 0, "of", " of filter nic-9.2"},
                                           PortTextCase{8, "vif-42", 0, nullptr, " vif vif-42"},
                                           // Only the low nibble is the type.
                                           PortTextCase{0xF7, "nic-1", 0, nullptr, " filter nic-1"}));

TEST(CmdPortText, UnreadablePortsRaise) {
    struct Case {
        unsigned type;
        const char* id;
        const char* msg;
    } cases[] = {{3, "x", "unsupported dvsport type 3"},
                 {1, "50 1a 2b", "dvs switch id format is wrong"},
                 {1, "", "dvs switch id format is wrong"}};
    for (const Case& c : cases) {
        dvs_port_ p = makePort(c.type, c.id, 0);
        PatternCmd cmd(&p, 4);
        try {
            cmd.dvsportToString("of");
            ADD_FAILURE() << c.msg;
        } catch (const CKestFWException& e) {
            EXPECT_STREQ(e.what(), c.msg);
            EXPECT_EQ(e.retcode(), 7u);
        }
    }
}

TEST(CmdPortText, IdentifierWithoutTerminatorIsBounded) {
    dvs_port_ p = makePort(DVS_PORT_TYPE_FILTER, "", 0);
    memset(p.id, 'f', sizeof p.id);
    memset(p.agent, 'a', sizeof p.agent);
    PatternCmd cmd(&p, 4);
    EXPECT_EQ(cmd.dvsportToString(nullptr), " filter " + std::string(64, 'f'));
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
        if (row.className != nullptr) {
            EXPECT_TRUE(classes.insert(row.className).second) << row.className;
        }
    }
    EXPECT_STREQ(kfwCmdLogName(101), "Unknown");
    EXPECT_STREQ(kfwCmdLogName(0xFFFF), "Unknown");
}

TEST(Catalogue, SampleRows) {
    struct Case {
        const char* cls;
        unsigned opcode, type;
        const char* name;
    } cases[] = {{"CKestFWCmdConfig", 0, 23, "unknown"},
                 {"CKestFWCmdSetRootRuleSet", 3, 28, "CreateRuleSet"},
                 {"CKestFWCmdClearKifStat", 27, 50, "SetKifStat"},
                 {"CKestFWCmdGetAlgs", 44, 67, "GetAlgInfo"},
                 {"CKestFWCmdClearAddrSet", 62, 85, "Unimplemented"},
                 {"CKestFWCmdCreateContainer", 75, 98, "CreateAddrSet"},
                 {"CKestFWCmdIpRepLookup", 99, 122, "GetIpRepInfo"}};
    for (const Case& c : cases) {
        const KestFWCmdInfo& row = kfwCmdInfo(c.cls);
        EXPECT_EQ(row.opcode, c.opcode) << c.cls;
        EXPECT_EQ(row.objectType, c.type) << c.cls;
        EXPECT_STREQ(row.logName, c.name) << c.cls;
    }
    EXPECT_STREQ(kfwCmdLogName(54), "GetCpsStat");
    EXPECT_STREQ(kfwCmdLogName(100), "GetIoctlData");
    CKestFWCmdGetRuleSetCount cmd(nullptr);
    EXPECT_EQ(cmd.getCommand(), 1u);
    EXPECT_EQ(cmd.getType(), 24u);
}
