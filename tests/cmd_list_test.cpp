// A command list one message per command, or packed into 256000-byte batches; the switch between them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

#include "cmd/KestFWCmdList.h"
#include "base/KestFWException.h"
#include "support/FakeChannel.h"
#include "support/LogCapture.h"
#include "support/TestCommands.h"
#include "support/Wire.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

struct Fixture {
    CKestFWCmdList list;
    std::vector<PatternCmd*> cmds;
    explicit Fixture(const std::vector<unsigned>& sizes, dvs_port_* port = nullptr) {
        for (unsigned s : sizes) {
            cmds.push_back(new PatternCmd(port, s, 1, uint8_t(cmds.size())));
            list.addCmd(cmds.back());
        }
    }
};

void numberReplies(unsigned index, uint16_t, uint8_t* body, uint32_t len) {
    if (len >= 4) ByteWriter(body, len).u32(1000 + index);
}

std::vector<size_t> sentSizes(const FakeHandle& fh) {
    std::vector<size_t> out;
    for (const FakeSend& s : fh.sends) out.push_back(s.message.size());
    return out;
}

class CmdListTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_old = CKestFWCmd::setRetryPause([](unsigned) {});
    }
    void TearDown() override { CKestFWCmd::setRetryPause(m_old); }

private:
    CKestFWCmd::RetryPause m_old = nullptr;
};

}  // namespace

TEST(CmdList, TextSizeOwnershipAndNoMessageOfItsOwn) {
    Fixture a({8, 300}), b({3, 4});
    auto* front = new PatternCmd(nullptr, 9);
    a.list.insertCmd(front);
    EXPECT_TRUE(a.list.mergeCmdList(&b.list));
    EXPECT_TRUE(b.list.commands().empty());
    EXPECT_TRUE(a.list.mergeCmdList(&a.list));
    EXPECT_EQ(a.list.commands(), (std::vector<CKestFWCmd*>{front, a.cmds[0], a.cmds[1], b.cmds[0], b.cmds[1]}));
    EXPECT_EQ(a.list.toString(), "pattern 9;\npattern 8;\npattern 300;\npattern 3;\npattern 4;\n");
    EXPECT_EQ(a.list.getMsgSize(), 300u);
    expectRaises([&] { a.list.toMessage(nullptr, 0, nullptr); }, 7,
                 "CKestFWCmdList::toMessage is not supported! Call CKestFWCmd::eval method instead.");
}

struct SingleCase {
    const char* name;
    std::vector<uint32_t> statuses;  // kernel status per send
    unsigned commands;
    bool withPort;
    FWStatus_t result;
    size_t sends;
};
void PrintTo(const SingleCase& c, std::ostream* os) { *os << c.name; }

class CmdListSingle : public CmdListTest, public ::testing::WithParamInterface<SingleCase> {};

TEST_P(CmdListSingle, StopsAtAFailureExceptAMissingPortWithoutAListPort) {
    const SingleCase& c = GetParam();
    std::vector<FakeStep> script;
    for (uint32_t s : c.statuses) script.push_back(FakeStep{s});
    FakeHandle fh(script);
    dvs_port_ own = makePort(DVS_PORT_TYPE_FILTER, "own", 0), listPort = makePort(DVS_PORT_TYPE_DVSPORT, "sw", 7);
    Fixture f(std::vector<unsigned>(c.commands, 8), &own);
    EXPECT_EQ(f.list.evalSingle(&fh.handle, c.withPort ? &listPort : nullptr, nullptr), c.result);
    ASSERT_EQ(fh.sends.size(), c.sends);
    for (const FakeSend& s : fh.sends) EXPECT_STREQ(s.port.id, c.withPort ? "sw" : "own");
    EXPECT_EQ(fh.spy->outstanding, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, CmdListSingle,
                         ::testing::Values(SingleCase{"all ok with the list port", {0}, 3, true, 0, 3},
                                           SingleCase{"missing port skipped", {0, 21, 0}, 3, false, 0, 3},
                                           SingleCase{"last missing port is the result", {0, 21}, 2, false, 21, 2},
                                           SingleCase{"missing port with list port stops", {21, 0}, 3, true, 21, 1},
                                           SingleCase{"other failure stops", {0, 28, 0}, 3, false, 28, 2}));

TEST_F(CmdListTest, BatchPacksOneHundredCommandsIntoOneMessage) {
    FakeHandle fh({FakeStep{}}, numberReplies);
    Fixture f(std::vector<unsigned>(100, 100));
    EXPECT_EQ(f.list.evalBatch(&fh.handle, nullptr, nullptr), 0u);
    ASSERT_EQ(sentSizes(fh), std::vector<size_t>{20 + 11200});
    EXPECT_EQ(fh.spy->requested, std::vector<unsigned>{256000});
    ByteReader hdr(fh.sends[0].message.data(), 20);
    EXPECT_EQ(hdr.getAt<uint32_t>(4), 11200u);
    EXPECT_EQ(hdr.getAt<uint16_t>(16), 100u);
    for (unsigned i = 0; i < 100; ++i) {
        EXPECT_EQ(fh.sends[0].message[20 + i * 112 + 12 + 5], uint8_t(i));
        ASSERT_EQ(f.cmds[i]->replies.size(), 1u);
        EXPECT_EQ(ByteReader(f.cmds[i]->replies[0].data(), 4).u32(), 1000 + i);
    }
    EXPECT_EQ(fh.spy->outstanding, 0);
}

struct BatchCase {
    const char* name;
    std::vector<unsigned> bodies;
    std::vector<size_t> messages;     // sizes of the messages sent, header included
    std::vector<unsigned> requested;  // message buffers asked for
};
void PrintTo(const BatchCase& c, std::ostream* os) { *os << c.name; }

class CmdListBatch : public CmdListTest, public ::testing::WithParamInterface<BatchCase> {};

TEST_P(CmdListBatch, MessagesAndBuffers) {
    const BatchCase& c = GetParam();
    FakeHandle fh({FakeStep{}}, numberReplies);
    Fixture f(c.bodies);
    EXPECT_EQ(f.list.evalBatch(&fh.handle, nullptr, nullptr), 0u);
    EXPECT_EQ(sentSizes(fh), c.messages);
    EXPECT_EQ(fh.spy->requested, c.requested);
    for (const PatternCmd* cmd : f.cmds) EXPECT_EQ(cmd->replies.size(), 1u);
    EXPECT_EQ(fh.spy->outstanding, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CmdListBatch,
    ::testing::Values(
        BatchCase{"one oversize command gets exactly its size", {300000}, {20 + 300012}, {300012}},
        // The oversize buffer is reused for what follows, which then cannot join the oversize command.
        BatchCase{"oversize between small", {100, 300000, 100}, {20 + 112, 20 + 300012, 20 + 112}, {256000, 300012}},
        BatchCase{"exactly full", {127988, 127988}, {20 + 256000}, {256000}},
        BatchCase{"one byte over", {127988, 127989}, {20 + 128000, 20 + 128001}, {256000}}));

TEST_F(CmdListTest, BatchIgnoresCommandStatusesAndCarriesOnlyTheListPort) {
    FakeHandle fh({FakeStep{28}});
    dvs_port_ own = makePort(DVS_PORT_TYPE_FILTER, "own", 0), listPort = makePort(DVS_PORT_TYPE_DVSPORT, "sw", 7);
    Fixture f({4, 4}, &own), g({4}, &own);
    EXPECT_EQ(f.list.evalBatch(&fh.handle, &listPort, nullptr), 0u);
    EXPECT_EQ(g.list.evalBatch(&fh.handle, nullptr, nullptr), 0u);
    ASSERT_EQ(fh.sends.size(), 2u);
    EXPECT_STREQ(fh.sends[0].port.id, "sw");
    EXPECT_EQ(f.cmds[0]->replies.size(), 1u);
    EXPECT_FALSE(fh.sends[1].hasPort) << "whatever the commands carry";
}

TEST_F(CmdListTest, BatchFlushFailureStopsAndGivesTheMessageBack) {
    FakeHandle fh({FakeStep{0, 19}});
    Fixture f({100, 300000, 100});
    EXPECT_EQ(f.list.evalBatch(&fh.handle, nullptr, nullptr), 19u);
    EXPECT_EQ(fh.sends.size(), 1u);
    EXPECT_TRUE(f.cmds[0]->replies.empty());
    EXPECT_EQ(fh.spy->outstanding, 0);
    FakeHandle thrown({FakeStep{0, 0, true, 12}});
    Fixture g({8});
    EXPECT_THROW(g.list.evalBatch(&thrown.handle, nullptr, nullptr), CKestFWException);
    EXPECT_EQ(thrown.spy->outstanding, 0);
}

// The batch switch is read once per process, so each case runs in a fresh copy of this program.
class CmdListSwitch : public ::testing::TestWithParam<std::pair<const char*, size_t>> {};

TEST_P(CmdListSwitch, EnvironmentChoosesBatchOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* value = GetParam().first;
    const size_t sends = GetParam().second;  // for three commands
    EXPECT_EXIT(
        {
            value ? setenv("kestfwlib_exec_batch_cmd", value, 1) : unsetenv("kestfwlib_exec_batch_cmd");
            FakeHandle fh({FakeStep{}});
            Fixture f({4, 4, 4});
            unsigned code = f.list.eval(&fh.handle, nullptr, nullptr);
            // A later change of the environment is not seen.
            setenv("kestfwlib_exec_batch_cmd", sends == 1 ? "false" : "true", 1);
            code |= f.list.eval(&fh.handle, nullptr, nullptr);
            std::exit(code == 0 && fh.sends.size() == 2 * sends ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, CmdListSwitch,
                         ::testing::Values(std::make_pair("TRUE", 1), std::make_pair("yes", 3),
                                           std::make_pair(nullptr, 3)));
