// Rule-set commands on their own: identities, the bodies they write (laid out here by hand from the
// record tables), their text forms, the root jump rules, refusals at construction, bodies that do not
// fit, and what they keep of a reply.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdarg>
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
#include "frame/KestFWException.h"
#include "frame/KestFWLog.h"
#include "kestfw/kestfw.h"
#include "model/KestFWRuleBuilder.h"
#include "model/KestFWRuleFactory.h"
#include "support/LogCapture.h"
#include "support/TestCommands.h"
#include "util/ByteIO.h"

using namespace KestFirewall;
using namespace kestfw_test;
using Bytes = std::vector<uint8_t>;

namespace {

FWRuleSetID_t rsId(const std::string& name) {
    FWRuleSetID_t id{};
    memcpy(id.name, name.data(), name.size() < 64 ? name.size() : 64);
    return id;
}

void put32(Bytes& b, size_t off, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[off + i] = uint8_t(v >> (8 * i));
}
uint32_t get32(const Bytes& b, size_t off) {
    return uint32_t(b[off]) | uint32_t(b[off + 1]) << 8 | uint32_t(b[off + 2]) << 16 | uint32_t(b[off + 3]) << 24;
}
void putText(Bytes& b, size_t off, const std::string& s) { memcpy(&b[off], s.data(), s.size()); }

// Three different rules: TCP to a port with drop, UDP from a host with accept and log, an Ethertype
// rule with reject.
CKestFWRule* sampleRule(unsigned i) {
    CKestFWRuleBuilder b;
    b.setId(10 + i);
    b.setPosition(int(i));
    switch (i % 3) {
        case 0:
            b.setType(true);
            b.setProtocol(6, false);
            b.setDestPort(uint16_t(8000 + i), false);
            b.setAction(FW_RULE_ACTION_DROP, "");
            break;
        case 1:
            b.setType(true);
            b.setProtocol(17, false);
            b.setSource(htonl(0x0A000000u + i), 32);
            b.setAction(FW_RULE_ACTION_ACCEPT, "");
            b.setEnableLog();
            break;
        default:
            b.setType(false);
            b.setProtocol(0x0806, false);
            b.setAction(FW_RULE_ACTION_REJECT, "");
            break;
    }
    return b.buildRule();
}

CKestFWRuleList* sampleList(unsigned n) {
    auto* list = new CKestFWRuleList(false);
    for (unsigned i = 0; i < n; ++i) list->addRule(sampleRule(i));
    return list;
}

// The body as the command writes it into a buffer of exactly its size (filled with 0xEE first, so
// an unwritten byte shows).
Bytes body(CKestFWCmd& cmd, bool* ok = nullptr) {
    Bytes b(cmd.getMsgSize(), 0xEE);
    unsigned int written = 0;
    bool r = cmd.writeCmdBody(b.data(), unsigned(b.size()), &written, 0);
    if (ok) *ok = r;
    EXPECT_EQ(written, b.size());
    return b;
}

// The rule-set head of opcode 3 laid out by hand.
Bytes head(const std::string& name, uint32_t count) {
    Bytes b(176, 0);
    putText(b, 64, name);
    put32(b, 136, count);
    b[140] = 0x03;
    return b;
}

dvs_port_ g_filter = makePort(7, "f1", 3);

}  // namespace

// ---- Identity, body and text of every command -------------------------------------------------------

struct CmdCase {
    const char* name;
    std::function<CKestFWCmd*()> make;
    unsigned opcode;
    unsigned type;
    Bytes body;
    std::string text;
};
void PrintTo(const CmdCase& c, std::ostream* os) { *os << c.name; }

std::vector<CmdCase> cmdCases() {
    Bytes name64(64, 0), jump(128, 0), clear(72, 0);
    putText(name64, 0, "web");
    putText(jump, 0, "web");
    putText(jump, 64, "next");
    putText(clear, 0, "web");
    Bytes long63(64, 0);
    putText(long63, 0, std::string(63, 'z'));
    return {
        {"create empty", [] { return new CKestFWCmdCreateRuleSet(&g_filter, rsId("web"), rsId("")); }, 3, 26,
         head("web", 0), "create ruleset web for filter f1"},
        {"create empty with jump target",
         [] { return new CKestFWCmdCreateRuleSet(&g_filter, rsId("web"), rsId("next")); }, 3, 26, head("web", 0),
         "create ruleset web for filter f1 jumpto next"},
        {"create by text without port", [] { return new CKestFWCmdCreateRuleSet(nullptr, "web"); }, 3, 26,
         head("web", 0), "create ruleset web"},
        {"destroy", [] { return new CKestFWCmdDestroyRuleSet(&g_filter, rsId("web")); }, 7, 30, name64,
         "destroy ruleset web of filter f1"},
        {"destroy 63 characters", [] { return new CKestFWCmdDestroyRuleSet(nullptr, rsId(std::string(63, 'z'))); }, 7,
         30, long63, "destroy ruleset " + std::string(63, 'z')},
        {"clear", [] { return new CKestFWCmdClearRuleSet(&g_filter, rsId("web")); }, 6, 29, clear,
         "clear rule of ruleset web of filter f1"},
        {"get root", [] { return new CKestFWCmdGetRootRuleSet(&g_filter); }, 4, 27, Bytes(132, 0),
         "describe root ruleset  of filter f1"},
        {"clear root", [] { return new CKestFWCmdClearRootRuleSet(&g_filter); }, 33, 56, Bytes(4, 0),
         "clear root ruleset of dvsport \"f1:3\""},
        {"clear root without port", [] { return new CKestFWCmdClearRootRuleSet(nullptr); }, 33, 56, Bytes(4, 0),
         "clear root ruleset of dvsport \":0\""},
        {"destroy all", [] { return new CKestFWCmdDestroyAllRuleSet(&g_filter); }, 58, 81, Bytes(4, 0),
         "destroy all ruleset  of filter f1"},
        {"set jump", [] { return new CKestFWCmdSetRuleSetJump(&g_filter, rsId("web"), rsId("next")); }, 59, 82, jump,
         "set jumpto of ruleset web as next  of filter f1"},
        {"get jump", [] { return new CKestFWCmdGetRuleSetJump(&g_filter, rsId("web")); }, 60, 83,
         [&] {
             Bytes b(128, 0);
             putText(b, 0, "web");
             return b;
         }(),
         "describe jumpto of ruleset web of filter f1"},
        {"clear jump", [] { return new CKestFWCmdClearRuleSetJump(&g_filter, rsId("web")); }, 61, 84, name64,
         "clear jumpto of ruleset web of filter f1"},
    };
}

class RuleSetCmd : public ::testing::TestWithParam<CmdCase> {};

TEST_P(RuleSetCmd, IdentityBodyAndText) {
    const CmdCase& c = GetParam();
    std::unique_ptr<CKestFWCmd> cmd(c.make());
    EXPECT_EQ(cmd->getCommand(), c.opcode);
    EXPECT_EQ(cmd->getType(), c.type);
    EXPECT_EQ(cmd->getMsgSize(), c.body.size());
    bool ok = false;
    EXPECT_EQ(body(*cmd, &ok), c.body);
    EXPECT_TRUE(ok);
    EXPECT_EQ(cmd->toString(), c.text);
}

TEST_P(RuleSetCmd, NeverWritesPastTheRoomOffered) {
    std::unique_ptr<CKestFWCmd> cmd(GetParam().make());
    const unsigned size = cmd->getMsgSize();
    for (unsigned room : {0u, 1u, size / 2, size - 1}) {
        Bytes b(size + 8, 0xEE);
        unsigned int written = 0;
        cmd->writeCmdBody(b.data(), room, &written, 0);
        EXPECT_EQ(Bytes(b.begin() + room, b.end()), Bytes(size + 8 - room, 0xEE)) << room;
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, RuleSetCmd, ::testing::ValuesIn(cmdCases()),
                         [](const ::testing::TestParamInfo<CmdCase>& i) { return "case" + std::to_string(i.index); });

// ---- Create with rules ----------------------------------------------------------------------------

TEST(CreateRuleSet, ThreeRulesFollowTheHeadInListOrder) {
    CKestFWRuleList* list = sampleList(3);
    std::vector<Bytes> records;
    for (CKestFWRule* r : list->getRules()) {
        Bytes rec(1420);
        unsigned int used = 0;
        ASSERT_TRUE(r->toMessage(rec.data(), 1420, &used));
        records.push_back(rec);
    }
    CKestFWCmdCreateRuleSet cmd(&g_filter, rsId("web"), rsId("next"), list);
    ASSERT_EQ(cmd.getMsgSize(), 176u + 4260u);
    Bytes expected = head("web", 3);
    for (const Bytes& r : records) expected.insert(expected.end(), r.begin(), r.end());
    bool ok = false;
    EXPECT_EQ(body(cmd, &ok), expected);
    EXPECT_TRUE(ok);
    // Rule ids 10, 11, 12 at the start of each record.
    for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(get32(expected, 176 + 1420 * i), 10 + i);

    std::string text = "create ruleset web for filter f1 jumpto next with {\n";
    for (CKestFWRule* r : list->getRules()) text += r->toString() + "\n";
    EXPECT_EQ(cmd.toString(), text + "\n}\n");
}

TEST(CreateRuleSet, RefusesABodyThatDoesNotFitAndWritesNothing) {
    CKestFWCmdCreateRuleSet cmd(nullptr, "web", sampleList(2));
    Bytes b(cmd.getMsgSize(), 0xEE);
    unsigned int written = 77;
    EXPECT_FALSE(cmd.writeCmdBody(b.data(), cmd.getMsgSize() - 1, &written, 0));
    EXPECT_EQ(written, 77u);
    EXPECT_EQ(b, Bytes(b.size(), 0xEE));
}

struct NameCase {
    const char* name;
    size_t length;
    bool withList;
    bool throws;
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class CreateRuleSetName : public ::testing::TestWithParam<NameCase> {};

// A refused name destroys the adopted list too (the sanitizer build checks nothing leaks).
TEST_P(CreateRuleSetName, SixtyFourCharactersOrMoreAreTooLong) {
    const NameCase& c = GetParam();
    const std::string name(c.length, 'n');
    auto make = [&] {
        return c.withList ? new CKestFWCmdCreateRuleSet(nullptr, name.c_str(), sampleList(2))
                          : new CKestFWCmdCreateRuleSet(nullptr, name.c_str());
    };
    if (!c.throws) {
        std::unique_ptr<CKestFWCmd> cmd(make());
        Bytes b = body(*cmd);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(&b[64])), name);
        return;
    }
    try {
        delete make();
        FAIL() << "no exception";
    } catch (const CIDTooLongException& e) {
        EXPECT_EQ(e.retcode(), 32u);
        EXPECT_NE(std::string(e.what()).find(name), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, CreateRuleSetName,
                         ::testing::Values(NameCase{"63 characters", 63, true, false},
                                           NameCase{"64 characters", 64, false, true},
                                           NameCase{"64 characters with rules", 64, true, true},
                                           NameCase{"200 characters with rules", 200, true, true}),
                         [](const ::testing::TestParamInfo<NameCase>& i) { return "case" + std::to_string(i.index); });

// ---- Set root -----------------------------------------------------------------------------------------

struct RootCase {
    const char* name;
    const char* l3;
    const char* l2;
    std::vector<std::pair<std::string, bool>> jumps;  // target, layer 3; rule n is jumps[n-1]
    std::string text;
};
void PrintTo(const RootCase& c, std::ostream* os) { *os << c.name; }

class SetRoot : public ::testing::TestWithParam<RootCase> {};

TEST_P(SetRoot, SendsOneStatelessJumpRulePerNameNumberedFromOne) {
    const RootCase& c = GetParam();
    CKestFWCmdSetRootRuleSet cmd(&g_filter, rsId(c.l3), rsId(c.l2));
    EXPECT_EQ(cmd.getCommand(), 3u);
    EXPECT_EQ(cmd.getType(), 28u);
    EXPECT_EQ(cmd.toString(), c.text);
    const Bytes b = body(cmd);
    ASSERT_EQ(b.size(), 176 + 1420 * c.jumps.size());
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 176), head("", uint32_t(c.jumps.size())));
    for (size_t i = 0; i < c.jumps.size(); ++i) {
        const Bytes rec(b.begin() + 176 + 1420 * i, b.begin() + 176 + 1420 * (i + 1));
        EXPECT_EQ(get32(rec, 0), i + 1) << "id";
        EXPECT_EQ(get32(rec, 4), i + 1) << "position";
        EXPECT_EQ(rec[1280], 0) << "no addresses, any protocol";
        EXPECT_EQ(rec[1281], c.jumps[i].second ? 0x02 : 0x00) << "layer, direction inout, no family";
        EXPECT_EQ(rec[1284] | rec[1285], 0);
        EXPECT_EQ(get32(rec, 1286) & 0x0001u, 1u) << "stateless";
        EXPECT_EQ(rec[950 + 290], 4) << "jumpto";
        Bytes target(64, 0);
        putText(target, 0, c.jumps[i].first);
        EXPECT_EQ(Bytes(rec.begin() + 950, rec.begin() + 950 + 64), target);
        EXPECT_EQ(get32(rec, 1384), 1u) << "no profile";

        // The record reads back as the rule that was built.
        std::unique_ptr<CKestFWRule> back(
            CKestFWRuleFactory::newFromMsgBuf(reinterpret_cast<const FWRule_*>(rec.data())));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->toString(), cmd.getRuleList().getRules()[i]->toString());
        EXPECT_TRUE(cmd.getRuleList().getRules()[i]->isActive());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, SetRoot,
    ::testing::Values(
        RootCase{"layer 3 only", "main", "", {{"main", true}}, "set root ruleset main and \"\" for dvsport \"f1:3\""},
        RootCase{"layer 2 only", "", "eth", {{"eth", false}}, "set root ruleset \"\" and eth for dvsport \"f1:3\""},
        RootCase{"both",
                 "main",
                 "other",
                 {{"main", true}, {"other", false}},
                 "set root ruleset main and other for dvsport \"f1:3\""},
        RootCase{"layer 2 named after layer 3",
                 "main",
                 "MAIN_l2",
                 {{"main", true}, {"MAIN_l2", false}},
                 "set root ruleset main for dvsport \"f1:3\""},
        RootCase{"the suffix alone is not enough",
                 "main",
                 "main_L3",
                 {{"main", true}, {"main_L3", false}},
                 "set root ruleset main and main_L3 for dvsport \"f1:3\""},
        RootCase{"layer 2 named _L2 without layer 3",
                 "",
                 "_l2",
                 {{"_l2", false}},
                 "set root ruleset \"\" for dvsport \"f1:3\""}),
    [](const ::testing::TestParamInfo<RootCase>& i) { return "case" + std::to_string(i.index); });

TEST(SetRootRuleSet, BothNamesEmptyIsRefused) {
    try {
        CKestFWCmdSetRootRuleSet cmd(nullptr, rsId(""), rsId(""));
        FAIL() << "no exception";
    } catch (const CUnsupportedException& e) {
        EXPECT_EQ(e.retcode(), 3u);
        EXPECT_NE(std::string(e.what()).find("root ruleset name is empty"), std::string::npos);
    }
    // A name without its NUL cannot be a jump target.
    FWRuleSetID_t full;
    memset(full.name, 'x', sizeof full.name);
    EXPECT_THROW(CKestFWCmdSetRootRuleSet(nullptr, full, rsId("")), CIDTooLongException);
}

TEST(SetRootRuleSet, WithoutNamesSendsTheHeadOnlyAndPrintsTheEmptyNames) {
    dvs_port_ vnic = makePort(1, "50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8", 9);
    CKestFWCmdSetRootRuleSet cmd(&vnic);
    EXPECT_EQ(body(cmd), head("", 0));
    EXPECT_EQ(cmd.toString(),
              "set root ruleset \"\" and \"\" for dvsport \"50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8:9\"");
    // The size is reported whatever the rules could write, and nothing goes past the room offered.
    CKestFWCmdSetRootRuleSet both(nullptr, rsId("a"), rsId("b"));
    Bytes b(both.getMsgSize(), 0xEE);
    unsigned int written = 0;
    const unsigned room = 176 + 1420 + 100;
    EXPECT_TRUE(both.writeCmdBody(b.data(), room, &written, 0));
    EXPECT_EQ(written, 176u + 2840u);
    EXPECT_EQ(Bytes(b.begin() + room, b.end()), Bytes(b.size() - room, 0xEE));
}

// ---- What a create keeps of the reply -----------------------------------------------------------------

struct ReplyCase {
    uint8_t flags;
    bool kept;
};
void PrintTo(const ReplyCase& c, std::ostream* os) { *os << "flags " << int(c.flags); }

class CreateReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(CreateReply, TransactionIsKeptUnlessBothPendingBitsStaySet) {
    const ReplyCase& c = GetParam();
    CKestFWCmdCreateRuleSet cmd(nullptr, "web");
    Bytes reply = head("web", 0);
    const Bytes txId = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0xEF, 0xBE, 0xAD, 0xDE};
    std::copy(txId.begin(), txId.end(), reply.begin() + 144);
    for (int i = 0; i < 8; ++i) reply[160 + i] = uint8_t(0x10 + i);

    // An earlier transaction is there to be kept or cleared.
    Bytes earlier = reply;
    earlier[140] = 0;
    earlier[144] = 0x77;
    cmd.checkCmdReply(earlier.data(), unsigned(earlier.size()));
    ASSERT_EQ(cmd.getTransactionId()[0], 0x77);

    Verbosity v(KFW_COMP_CMD, 1);
    LogCapture log;
    reply[140] = c.flags;
    cmd.checkCmdReply(reply.data(), unsigned(reply.size()));
    const Bytes keptId(cmd.getTransactionId(), cmd.getTransactionId() + 16);
    EXPECT_EQ(keptId, c.kept ? txId : Bytes(16, 0));
    EXPECT_EQ(cmd.getTransactionWord(), c.kept ? 0x1716151413121110ull : 0u);
    EXPECT_EQ(cmd.getRequestWord(), 0u);
    EXPECT_EQ(log.has("transaction id: 0x00000001, 0x00000002, 0x00000003, 0xdeadbeef\n"), c.kept);
}

INSTANTIATE_TEST_SUITE_P(Flags, CreateReply,
                         ::testing::Values(ReplyCase{0x00, true}, ReplyCase{0x01, true}, ReplyCase{0x02, true},
                                           ReplyCase{0x03, false}, ReplyCase{0xFF, false}, ReplyCase{0xFC, true}));

TEST(CreateRuleSet, ReplyTooShortToReadIsIgnored) {
    CKestFWCmdCreateRuleSet cmd(nullptr, "web");
    Bytes earlier = head("web", 0);
    earlier[140] = 0;
    earlier[150] = 9;
    cmd.checkCmdReply(earlier.data(), unsigned(earlier.size()));
    Bytes shortReply(167, 0);
    cmd.checkCmdReply(shortReply.data(), unsigned(shortReply.size()));
    cmd.checkCmdReply(nullptr, 0);
    EXPECT_EQ(cmd.getTransactionId()[6], 9);
}

// ---- The root report --------------------------------------------------------------------------------

namespace {
std::vector<std::string> g_lines;
int record(void*, const char* fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    g_lines.push_back(buf);
    return n;
}
}  // namespace

TEST(GetRootRuleSet, PrintsBothNamesAsFarAsTheirFieldsGo) {
    CKestFWCmdGetRootRuleSet cmd(nullptr);
    Bytes reply(132, 0);
    putText(reply, 0, "main");
    putText(reply, 64, std::string(64, 'e'));  // fills its field: printed without running on
    put32(reply, 128, 0x41414141);
    g_lines.clear();
    FW_SetLibPrettyPrinting(record, nullptr);
    cmd.checkCmdReply(reply.data(), 132);
    cmd.checkCmdReply(reply.data(), 100);  // cut short: nothing printed
    FW_SetLibPrettyPrinting(nullptr, nullptr);
    cmd.checkCmdReply(reply.data(), 132);
    EXPECT_EQ(g_lines, (std::vector<std::string>{"layer3 root ruleset : main\n",
                                                 "layer2 root ruleset : " + std::string(64, 'e') + "\n"}));
}
