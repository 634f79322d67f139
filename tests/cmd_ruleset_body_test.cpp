// Rule-set commands alone: identities, hand-laid bodies never past the room offered, texts, root jump
// rules, construction refusals, what a create keeps of a reply, and the root report.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cmd/KestFWCmdClearRootRuleSet.h"
#include "cmd/KestFWCmdClearRuleSet.h"
#include "cmd/KestFWCmdClearRuleSetJump.h"
#include "cmd/KestFWCmdCreateRuleSet.h"
#include "cmd/KestFWCmdDestroyAllRuleSet.h"
#include "cmd/KestFWCmdDestroyRuleSet.h"
#include "cmd/KestFWCmdGetRootRuleSet.h"
#include "cmd/KestFWCmdGetRuleSetJump.h"
#include "cmd/KestFWCmdSetRootRuleSet.h"
#include "cmd/KestFWCmdSetRuleSetJump.h"
#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "support/LogCapture.h"
#include "support/SetSamples.h"
#include "support/TestCommands.h"
#include "support/Wire.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

// The body as the command writes it into a buffer of exactly its size, filled with 0xEE first so an
// unwritten byte shows.
Bytes body(CKestFWCmd& cmd) {
    Bytes b(cmd.getMsgSize(), 0xEE);
    unsigned int written = 0;
    EXPECT_TRUE(cmd.writeCmdBody(b.data(), unsigned(b.size()), &written, 0));
    EXPECT_EQ(written, b.size());
    return b;
}

// The rule-set head of opcode 3: name at 64, rule count at 136, both pending flags at 140.
Bytes head(const std::string& name, uint32_t count) {
    return Golden(176).text(64, name).le(136, count, 4).le(140, 3, 1).b;
}
Bytes names(const std::string& first, const std::string& second, size_t size) {
    return Golden(size).text(0, first).text(64, second).b;
}

dvs_port_ g_filter = makePort(7, "f1", 3);

struct CmdCase {
    const char* name;
    std::function<CKestFWCmd*()> make;
    unsigned opcode, type;
    Bytes body;
    std::string text;
};
void PrintTo(const CmdCase& c, std::ostream* os) { *os << c.name; }

const CmdCase kCmds[] = {
    {"create empty", [] { return new CKestFWCmdCreateRuleSet(&g_filter, rsId("web"), rsId("")); }, 3, 26,
     head("web", 0), "create ruleset web for filter f1"},
    {"create empty with jump target", [] { return new CKestFWCmdCreateRuleSet(&g_filter, rsId("web"), rsId("next")); },
     3, 26, head("web", 0), "create ruleset web for filter f1 jumpto next"},
    {"destroy", [] { return new CKestFWCmdDestroyRuleSet(&g_filter, rsId("web")); }, 7, 30, names("web", "", 64),
     "destroy ruleset web of filter f1"},
    {"clear", [] { return new CKestFWCmdClearRuleSet(&g_filter, rsId("web")); }, 6, 29, names("web", "", 72),
     "clear rule of ruleset web of filter f1"},
    {"get root", [] { return new CKestFWCmdGetRootRuleSet(&g_filter); }, 4, 27, Bytes(132, 0),
     "describe root ruleset  of filter f1"},
    {"clear root", [] { return new CKestFWCmdClearRootRuleSet(&g_filter); }, 33, 56, Bytes(4, 0),
     "clear root ruleset of dvsport \"f1:3\""},
    {"destroy all", [] { return new CKestFWCmdDestroyAllRuleSet(&g_filter); }, 58, 81, Bytes(4, 0),
     "destroy all ruleset  of filter f1"},
    {"set jump", [] { return new CKestFWCmdSetRuleSetJump(&g_filter, rsId("web"), rsId("next")); }, 59, 82,
     names("web", "next", 128), "set jumpto of ruleset web as next  of filter f1"},
    {"get jump", [] { return new CKestFWCmdGetRuleSetJump(&g_filter, rsId("web")); }, 60, 83, names("web", "", 128),
     "describe jumpto of ruleset web of filter f1"},
    {"clear jump", [] { return new CKestFWCmdClearRuleSetJump(&g_filter, rsId("web")); }, 61, 84, names("web", "", 64),
     "clear jumpto of ruleset web of filter f1"},
};

class RuleSetCmd : public ::testing::TestWithParam<CmdCase> {};

}  // namespace

TEST_P(RuleSetCmd, IdentityBodyTextAndNothingPastTheRoom) {
    const CmdCase& c = GetParam();
    std::unique_ptr<CKestFWCmd> cmd(c.make());
    EXPECT_EQ(cmd->getCommand(), c.opcode);
    EXPECT_EQ(cmd->getType(), c.type);
    EXPECT_EQ(body(*cmd), c.body);
    EXPECT_EQ(cmd->toString(), c.text);
    const unsigned size = cmd->getMsgSize();
    for (unsigned room : {0u, size - 1}) {
        Bytes b(size + 8, 0xEE);
        unsigned int written = 77;
        EXPECT_FALSE(cmd->writeCmdBody(b.data(), room, &written, 0)) << room;
        EXPECT_EQ(written, c.opcode == 3 ? 77u : written) << "a create reports nothing";
        EXPECT_EQ(b, Bytes(size + 8, 0xEE)) << room;
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, RuleSetCmd, ::testing::ValuesIn(kCmds));

TEST(CreateRuleSet, ThreeRulesFollowTheHeadInListOrder) {
    CKestFWRuleList* list = listOf({sampleRule(0), sampleRule(1), sampleRule(2)});
    Bytes expected = head("web", 3);
    for (CKestFWRule* r : list->getRules()) {
        Bytes rec(1420);
        ASSERT_TRUE(r->toMessage(rec.data(), 1420, nullptr));
        EXPECT_EQ(le32(rec.data()), r->getId()) << "the id leads each record";
        expected.insert(expected.end(), rec.begin(), rec.end());
    }
    CKestFWCmdCreateRuleSet cmd(&g_filter, rsId("web"), rsId("next"), list);
    ASSERT_EQ(cmd.getMsgSize(), 176u + 4260u);
    EXPECT_EQ(body(cmd), expected);
    std::string text = "create ruleset web for filter f1 jumpto next with {\n";
    for (CKestFWRule* r : list->getRules()) text += r->toString() + "\n";
    EXPECT_EQ(cmd.toString(), text + "\n}\n");
}

// A refused name destroys the adopted list too (the sanitizer build checks nothing leaks).
TEST(CreateRuleSet, SixtyThreeCharactersFitSixtyFourAreTooLong) {
    const std::string fits(63, 'n');
    CKestFWCmdCreateRuleSet ok(nullptr, fits.c_str(), listOf({sampleRule(0)}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&body(ok)[64])), fits);
    const std::string name(64, 'n'), message = "id is too long: " + name;
    expectRaises([&] { CKestFWCmdCreateRuleSet(nullptr, name.c_str()); }, 32, message.c_str());
    expectRaises([&] { CKestFWCmdCreateRuleSet(nullptr, name.c_str(), listOf({sampleRule(0)})); }, 32, message.c_str());
}

// ---- Set root: one stateless jump rule per name, numbered from one ------------------------------------

struct RootCase {
    const char* l3;
    const char* l2;
    std::string text;
};
void PrintTo(const RootCase& c, std::ostream* os) { *os << c.text; }

class SetRoot : public ::testing::TestWithParam<RootCase> {};

TEST_P(SetRoot, SendsOneJumpRulePerNameLayerThreeFirst) {
    const RootCase& c = GetParam();
    CKestFWCmdSetRootRuleSet cmd(&g_filter, rsId(c.l3), rsId(c.l2));
    EXPECT_EQ(cmd.getCommand(), 3u);
    EXPECT_EQ(cmd.getType(), 28u);
    EXPECT_EQ(cmd.toString(), c.text);
    std::vector<std::pair<std::string, bool>> jumps;  // target, layer 3
    if (*c.l3) jumps.emplace_back(c.l3, true);
    if (*c.l2) jumps.emplace_back(c.l2, false);
    const Bytes b = body(cmd);
    ASSERT_EQ(b.size(), 176 + 1420 * jumps.size());
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 176), head("", uint32_t(jumps.size())));
    for (size_t i = 0; i < jumps.size(); ++i) {
        const uint8_t* rec = &b[176 + 1420 * i];
        EXPECT_EQ(le32(rec), i + 1) << "id";
        EXPECT_EQ(le32(rec + 4), i + 1) << "position";
        EXPECT_EQ(rec[1280], 0) << "no addresses, any protocol";
        EXPECT_EQ(rec[1281], jumps[i].second ? 0x02 : 0x00) << "layer, direction inout, no family";
        EXPECT_EQ(rec[1284] | rec[1285], 0);
        EXPECT_EQ(le32(rec + 1286) & 0x0001u, 1u) << "stateless";
        EXPECT_EQ(rec[950 + 290], 4) << "jumpto";
        EXPECT_EQ(Bytes(rec + 950, rec + 950 + 64), Golden(64).text(0, jumps[i].first).b);
        EXPECT_EQ(le32(rec + 1384), 1u) << "no profile";
        EXPECT_EQ(decodeRules(Bytes(rec, rec + 1420)), Texts{cmd.getRuleList().getRules()[i]->toString()});
    }
}

// The layer-2 name is left out of the text when it is the layer-3 name followed by "_L2" in any case.
INSTANTIATE_TEST_SUITE_P(
    Names, SetRoot,
    ::testing::Values(RootCase{"main", "", "set root ruleset main and \"\" for dvsport \"f1:3\""},
                      RootCase{"main", "other", "set root ruleset main and other for dvsport \"f1:3\""},
                      RootCase{"main", "MAIN_l2", "set root ruleset main for dvsport \"f1:3\""},
                      RootCase{"main", "main_L3", "set root ruleset main and main_L3 for dvsport \"f1:3\""},
                      RootCase{"", "_l2", "set root ruleset \"\" for dvsport \"f1:3\""}));

TEST(SetRootRuleSet, EmptyNamesAndNamesWithoutNul) {
    try {
        CKestFWCmdSetRootRuleSet cmd(nullptr, rsId(""), rsId(""));
        ADD_FAILURE() << "no exception";
    } catch (const CUnsupportedException& e) {
        EXPECT_EQ(e.retcode(), 3u);
        EXPECT_NE(std::string(e.what()).find("root ruleset name is empty"), std::string::npos);
    }
    EXPECT_THROW(CKestFWCmdSetRootRuleSet(nullptr, rsId(std::string(64, 'x')), rsId("")), CIDTooLongException);
    // Without names at all only the head travels.
    CKestFWCmdSetRootRuleSet none(nullptr);
    EXPECT_EQ(body(none), head("", 0));
    // The size is reported whatever the rules could write, and nothing goes past the room offered.
    CKestFWCmdSetRootRuleSet both(nullptr, rsId("a"), rsId("b"));
    Bytes b(both.getMsgSize(), 0xEE);
    unsigned int written = 0;
    EXPECT_TRUE(both.writeCmdBody(b.data(), 176 + 1420 + 100, &written, 0));
    EXPECT_EQ(written, 176u + 2840u);
    EXPECT_EQ(Bytes(b.begin() + 176 + 1420 + 100, b.end()), Bytes(b.size() - 176 - 1420 - 100, 0xEE));
}

// ---- What a create keeps of the reply -----------------------------------------------------------------

TEST(CreateRuleSetReply, TransactionIsKeptUnlessBothPendingBitsStaySet) {
    const Bytes txId = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0xEF, 0xBE, 0xAD, 0xDE};
    const std::pair<uint8_t, bool> cases[] = {{0x01, true}, {0x02, true}, {0xFF, false}, {0xFC, true}};
    for (const auto& c : cases) {
        CKestFWCmdCreateRuleSet cmd(nullptr, "web");
        Bytes reply = Golden(176).raw(0, head("web", 0)).raw(144, txId).le(160, 0x1716151413121110ull, 8).b;
        // An earlier transaction is there to be kept or cleared; replies too short to hold it change nothing.
        Bytes earlier = Golden(176).raw(0, reply).le(140, 0, 1).le(144, 0x77, 1).b;
        cmd.checkCmdReply(earlier.data(), unsigned(earlier.size()));
        cmd.checkCmdReply(reply.data(), 167);
        cmd.checkCmdReply(nullptr, 0);
        ASSERT_EQ(cmd.getTransactionId()[0], 0x77);
        Verbosity v(KFW_COMP_CMD, 1);
        LogCapture log;
        reply[140] = c.first;
        cmd.checkCmdReply(reply.data(), unsigned(reply.size()));
        EXPECT_EQ(Bytes(cmd.getTransactionId(), cmd.getTransactionId() + 16), c.second ? txId : Bytes(16, 0));
        EXPECT_EQ(cmd.getTransactionWord(), c.second ? 0x1716151413121110ull : 0u) << int(c.first);
        EXPECT_EQ(cmd.getRequestWord(), 0u);
        EXPECT_EQ(log.has("transaction id: 0x00000001, 0x00000002, 0x00000003, 0xdeadbeef\n"), c.second);
    }
}

TEST(GetRootRuleSet, PrintsBothNamesAsFarAsTheirFieldsGo) {
    CKestFWCmdGetRootRuleSet cmd(nullptr);
    // The layer-2 name fills its field and is followed by other bytes: printed without running on.
    Bytes reply = Golden(132).text(0, "main").text(64, std::string(64, 'e')).le(128, 0x41414141, 4).b;
    {
        ReportCapture report;
        cmd.checkCmdReply(reply.data(), 132);
        cmd.checkCmdReply(reply.data(), 100);  // cut short: nothing printed
        EXPECT_EQ(report.lines(), (std::vector<std::string>{"layer3 root ruleset : main\n",
                                                            "layer2 root ruleset : " + std::string(64, 'e') + "\n"}));
    }
    cmd.checkCmdReply(reply.data(), 132);  // no print function: nothing happens
}
