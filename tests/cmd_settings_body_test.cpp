// Settings, kernel-interface and load-balancer commands without a module: the bodies they write, their
// texts, the constructor refusals and the reports printed from hand-made replies.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "base/KestFWLog.h"
#include "cmd/KestFWCmdClearKifStat.h"
#include "cmd/KestFWCmdClearLBStat.h"
#include "cmd/KestFWCmdConfigICMPErrPktDrop.h"
#include "cmd/KestFWCmdConfigL7CopyMode.h"
#include "cmd/KestFWCmdConfigTCPStrict.h"
#include "cmd/KestFWCmdDebugComponent.h"
#include "cmd/KestFWCmdDebugStatus.h"
#include "cmd/KestFWCmdDeleteSpoofGuard.h"
#include "cmd/KestFWCmdEnableVerbose.h"
#include "cmd/KestFWCmdGetAlgPorts.h"
#include "cmd/KestFWCmdGetAlgs.h"
#include "cmd/KestFWCmdGetFailPolicy.h"
#include "cmd/KestFWCmdGetHopoverExportver.h"
#include "cmd/KestFWCmdGetIDSMode.h"
#include "cmd/KestFWCmdGetKifFlags.h"
#include "cmd/KestFWCmdGetKifStat.h"
#include "cmd/KestFWCmdGetLBConfig.h"
#include "cmd/KestFWCmdGetOversubscription.h"
#include "cmd/KestFWCmdGetTCPStrict.h"
#include "cmd/KestFWCmdGetTimeout.h"
#include "cmd/KestFWCmdIpRepLookup.h"
#include "cmd/KestFWCmdKifFp.h"
#include "cmd/KestFWCmdSetHopoverExportver.h"
#include "cmd/KestFWCmdSetIDSFlowAttribute.h"
#include "cmd/KestFWCmdSetIDSMode.h"
#include "cmd/KestFWCmdSetKifFlags.h"
#include "cmd/KestFWCmdSetOversubscription.h"
#include "cmd/KestFWCmdSetTimeout.h"
#include "support/LogCapture.h"
#include "support/Wire.h"
#include "support/WireBytes.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

using Make = std::function<CKestFWCmd*()>;

Bytes bodyOf(CKestFWCmd& cmd) {
    Bytes b(cmd.getMsgSize(), 0xEE);
    unsigned int written = 0;
    EXPECT_TRUE(cmd.writeCmdBody(b.data(), unsigned(b.size()), &written, 0));
    EXPECT_EQ(written, b.size());
    return b;
}

const char kFlagName45[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrs";

struct BodyCase {
    const char* name;
    Make make;
    unsigned opcode;
    std::string text;
    std::string hex;  // the whole body
};
void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }

class Body : public ::testing::TestWithParam<BodyCase> {};

}  // namespace

TEST_P(Body, IsWrittenWithItsOpcodeAndText) {
    std::unique_ptr<CKestFWCmd> cmd(GetParam().make());
    EXPECT_EQ(cmd->getCommand(), GetParam().opcode);
    EXPECT_EQ(cmd->toString(), GetParam().text);
    EXPECT_EQ(bodyOf(*cmd), hexBytes(GetParam().hex));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Body,
    ::testing::Values(
        BodyCase{"TCPStrictOn", [] { return new CKestFWCmdConfigTCPStrict(nullptr, true); }, 55, "enable tcp strict",
                 "01 00*3"},
        BodyCase{"TCPStrictOff", [] { return new CKestFWCmdConfigTCPStrict(nullptr, false); }, 55, "disable tcp strict",
                 "00*4"},
        BodyCase{"ICMPDropFromFive", [] { return new CKestFWCmdConfigICMPErrPktDrop(nullptr, 5); }, 46,
                 "enable ICMP err pkt drop", "01 00*3"},
        BodyCase{"L7CopyOff", [] { return new CKestFWCmdConfigL7CopyMode(nullptr, false); }, 85, "disable l7 copy mode",
                 "00*4"},
        BodyCase{"IDSOn", [] { return new CKestFWCmdSetIDSMode(nullptr, true); }, 92, "enable ids", "01 00*3"},
        BodyCase{"OversubscriptionDrop", [] { return new CKestFWCmdSetOversubscription(nullptr, false); }, 96,
                 "ids oversubscription drop", "00*4"},
        BodyCase{"ReadTCPStrict", [] { return new CKestFWCmdGetTCPStrict(nullptr); }, 56, "describe tcp strict",
                 "00*4"},
        BodyCase{"ReadOversubscription", [] { return new CKestFWCmdGetOversubscription(nullptr); }, 97,
                 "get oversubscription toggle value currently set", "00*4"},
        BodyCase{"FailPolicy", [] { return new CKestFWCmdGetFailPolicy(nullptr); }, 32, "describe filter fail policy",
                 "00"},
        BodyCase{"TimeoutByCapitalName", [] { return new CKestFWCmdGetTimeout(nullptr, "DFW.TCP.OPENING"); }, 39,
                 "describe timeout", "00*92 00 01 00*22"},
        BodyCase{"SetTimeoutByNameThenIndex",
                 [] {
                     auto* c = new CKestFWCmdSetTimeout(nullptr, "dfw.udp.single", 0x01020304);
                     c->setTimeout(22, 7);
                     return c;
                 },
                 38, "unimplemented", "00*28 04030201 00*56 07000000 00*7 01 00*14 01 00"},
        BodyCase{"SetExportVer", [] { return new CKestFWCmdSetHopoverExportver(nullptr, 0x0A0B0C0D); }, 51,
                 "set exportver  168496141", "0D0C0B0A"},
        BodyCase{"GetExportVer", [] { return new CKestFWCmdGetHopoverExportver(nullptr); }, 52, "describe exportver",
                 "00*4"},
        BodyCase{"IDSFlowInvalidate",
                 [] { return new CKestFWCmdSetIDSFlowAttribute(nullptr, 0x0102030405060708, false); }, 94,
                 "invalidate flow", "0807060504030201 00*4"},
        BodyCase{"IDSFlowMark", [] { return new CKestFWCmdSetIDSFlowAttribute(nullptr, 1, true); }, 94, "",
                 "01 00*7 01 00*3"},
        BodyCase{"DebugAllComponents", [] { return new CKestFWCmdDebugComponent(nullptr, 255, 15); }, 30,
                 "debug invalid component 15", "FF 00 00 0F"},
        BodyCase{"DebugTcp", [] { return new CKestFWCmdDebugComponent(nullptr, 4, 3); }, 30, "debug tcp 3",
                 "04 00 00 03"},
        BodyCase{"VerboseControlPath", [] { return new CKestFWCmdEnableVerbose(nullptr, 2, 1); }, 29, "debug cp 1",
                 "02 00 00 01"},
        BodyCase{"DebugStatus", [] { return new CKestFWCmdDebugStatus(nullptr); }, 31, "debug status", "00*28 1C 00"},
        BodyCase{"KifFlagNameCut", [] { return new CKestFWCmdSetKifFlags(nullptr, kFlagName45, 0x101); }, 37,
                 "set kif flags",
                 "00*4 4142434445464748494A4B4C4D4E4F505152535455565758595A6162636465666768696A6B6C6D 00 00*1240 01 "
                 "00*31"},
        BodyCase{"KifFastFlag", [] { return new CKestFWCmdKifFp(nullptr, 3, 1); }, 66, "Set/show kif fast flag",
                 "03000000 01000000"},
        BodyCase{"IpRepLookup", [] { return new CKestFWCmdIpRepLookup(nullptr, 0x0A000001); }, 99,
                 "lookup ip in iprepdb ", "00 0100000A 00*16"},
        BodyCase{"Algs", [] { return new CKestFWCmdGetAlgs(nullptr, 12, 2); }, 44, "describe algs",
                 "0C000000 02000000 00*12"},
        BodyCase{"AlgPorts", [] { return new CKestFWCmdGetAlgPorts(nullptr, 0, 0); }, 45, "describe alg ports", "00*8"},
        BodyCase{
            "SpoofGuard",
            [] { return new CKestFWCmdDeleteSpoofGuard(nullptr, new CKestFWAddressEther("00:50:56:01:02:03", false)); },
            25, "delete spoofguard", "005056010203 0000"},
        BodyCase{"SpoofGuardWithoutAddress", [] { return new CKestFWCmdDeleteSpoofGuard(nullptr, nullptr); }, 25,
                 "delete spoofguard", "00*8"},
        BodyCase{"ClearKifStat", [] { return new CKestFWCmdClearKifStat(nullptr); }, 27, "clear stat of kif",
                 "00*2032"}),
    [](const ::testing::TestParamInfo<BodyCase>& i) { return std::string(i.param.name); });

// ---- Constructor refusals: nothing is built, so nothing can be sent ----------------------------------

struct RefusalCase {
    const char* name;
    Make make;
    FWStatus_t code;
    const char* message;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, RaisesItsStatusAndText) {
    expectRaises([&] { delete GetParam().make(); }, GetParam().code, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Constructors, Refusal,
    ::testing::Values(RefusalCase{"DebugComponent28", [] { return new CKestFWCmdDebugComponent(nullptr, 28, 0); }, 7,
                                  "unsupported debug component"},
                      RefusalCase{"DebugLevel16", [] { return new CKestFWCmdDebugComponent(nullptr, 27, 16); }, 7,
                                  "unsupported debug level"},
                      RefusalCase{"VerboseComponent0", [] { return new CKestFWCmdEnableVerbose(nullptr, 0, 1); }, 7,
                                  "unsupported debug component"},
                      RefusalCase{"VerboseLevel16", [] { return new CKestFWCmdEnableVerbose(nullptr, 1, 16); }, 7,
                                  "unsupported debug level"},
                      RefusalCase{"TimeoutIndex23", [] { return new CKestFWCmdGetTimeout(nullptr, 23u); }, 58,
                                  "unrecognized timeout id 23"},
                      RefusalCase{"TimeoutUnknownName",
                                  [] { return new CKestFWCmdGetTimeout(nullptr, "dfw.tcp.nope"); }, 58,
                                  "unrecognized timeout id 24"},
                      RefusalCase{"SetTimeoutUnknownName", [] { return new CKestFWCmdSetTimeout(nullptr, "nope", 1); },
                                  58, "unrecognized timeout nope"},
                      RefusalCase{"SetTimeoutIndex23",
                                  [] {
                                      std::unique_ptr<CKestFWCmdSetTimeout> c(
                                          new CKestFWCmdSetTimeout(nullptr, nullptr));
                                      c->setTimeout(23, 1);
                                      return c.release();
                                  },
                                  58, "unrecognized timeout id 23"}),
    [](const ::testing::TestParamInfo<RefusalCase>& i) { return std::string(i.param.name); });

TEST(TimeoutLimits, LastIndexIsAcceptedByEveryForm) {
    CKestFWCmdGetTimeout byIndex(nullptr, 22u);
    EXPECT_EQ(byIndex.getTimeouts().present[22], 1);
    CKestFWCmdSetTimeout byName(nullptr, "dfw.TBR_revalidation", 0xFFFFFFFFu);
    EXPECT_EQ(byName.getTimeouts().value[22], 0xFFFFFFFFu);
}

// ---- Reports from hand-made replies ------------------------------------------------------------------

namespace {

struct ReportCase {
    const char* name;
    Make make;
    Bytes reply;
    std::vector<std::string> lines;
};
void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.name; }

class Report : public ::testing::TestWithParam<ReportCase> {};

Bytes flagsReply() {
    return Golden(1316).le(0, 5, 1).text(4, "PF_KIF_FLAG_L7_RULES_PRESENT").text(44, "OTHER").le(1284, 1, 1).b;
}
// 16 for dfw.tcp.established, the only one selected.
Bytes timeoutReply() { return Golden(116).le(4 * 2, 16, 1).le(92 + 2, 1, 1).b; }
// 10.0.0.1 as a host-order number, threat mask 3, score 90, mask 24.
Bytes ipRepReply(bool found) {
    return Golden(21).le(0, found, 1).le(5, 0x0A000001, 4).le(9, 3, 1).le(13, 90, 1).le(17, 24, 1).b;
}
Bytes clearReply(uint8_t flags) { return Golden(KESTFW_LB_STAT_SIZE).le(140, flags, 1).b; }

const char kClearTail[] =
    " stats on datapath is cleared. In rare cases some of the counters may not be cleared and when that happens "
    "please try issuing the command again\"";

}  // namespace

TEST_P(Report, PrintsItsLines) {
    std::unique_ptr<CKestFWCmd> cmd(GetParam().make());
    ReportCapture report;
    cmd->checkCmdReply(GetParam().reply.data(), unsigned(GetParam().reply.size()));
    EXPECT_EQ(report.lines(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Report,
    ::testing::Values(
        ReportCase{"TCPStrict",
                   [] { return new CKestFWCmdGetTCPStrict(nullptr); },
                   {0xFF, 0, 0, 0},
                   {"tcp strict: enabled\n"}},
        ReportCase{
            "IDSOff", [] { return new CKestFWCmdGetIDSMode(nullptr); }, {0xFE, 0, 0, 0}, {"IDS Mode : disable\n"}},
        ReportCase{"Oversubscription",
                   [] { return new CKestFWCmdGetOversubscription(nullptr); },
                   {1, 0, 0, 0},
                   {"Oversubscription : bypass\n"}},
        ReportCase{"FailClose",
                   [] { return new CKestFWCmdGetFailPolicy(nullptr); },
                   {1},
                   {"filter fail policy: fail close\n"}},
        ReportCase{"FailPolicyUndefined",
                   [] { return new CKestFWCmdGetFailPolicy(nullptr); },
                   {7},
                   {"filter fail policy: undefined\n"}},
        ReportCase{"ExportVersion",
                   [] { return new CKestFWCmdGetHopoverExportver(nullptr); },
                   {2, 1, 0, 0},
                   {"Current export version: 258\n"}},
        ReportCase{"TimeoutsNoneSelected",
                   [] { return new CKestFWCmdGetTimeout(nullptr); },
                   Bytes(116, 0),
                   {"Connection Timeouts:\n"}},
        ReportCase{"TimeoutsOne",
                   [] { return new CKestFWCmdGetTimeout(nullptr); },
                   timeoutReply(),
                   {"Connection Timeouts:\n", "   dfw.tcp.established   : 16\n"}},
        ReportCase{"TimeoutsShortReply", [] { return new CKestFWCmdGetTimeout(nullptr); }, Bytes(115, 0), {}},
        ReportCase{"KifFlags",
                   [] { return new CKestFWCmdGetKifFlags(nullptr); },
                   flagsReply(),
                   {"kif flags: (0x5)\n", "    PF_KIF_FLAG_L7_RULES_PRESENT             1\n",
                    "    OTHER                                    0\n"}},
        ReportCase{"KifFast", [] { return new CKestFWCmdKifFp(nullptr, 0, 0); }, Bytes(8, 0), {"Kif flag not set\n"}},
        ReportCase{"AlgCount",
                   [] { return new CKestFWCmdGetAlgs(nullptr, 0, 0); },
                   {0, 0, 0, 0, 3, 0, 0, 0},
                   {"alg count : 3\n"}},
        ReportCase{"AlgPortCount",
                   [] { return new CKestFWCmdGetAlgPorts(nullptr, 0, 0); },
                   {0, 0, 0, 0, 2, 0, 0, 0},
                   {"alg port count : 2\n"}},
        ReportCase{"IpRepNotFound",
                   [] { return new CKestFWCmdIpRepLookup(nullptr, 7); },
                   ipRepReply(false),
                   {"ip:7 not found\n"}},
        ReportCase{"IpRepFound",
                   [] { return new CKestFWCmdIpRepLookup(nullptr, 7); },
                   ipRepReply(true),
                   {"ip:7 found\n", "ip:167772161 mask:24 threat_mask:3 score:90"}},
        ReportCase{"LBClearBoth",
                   [] { return new CKestFWCmdClearLBStat(nullptr, nullptr); },
                   clearReply(0x0C),
                   {"{\n", std::string("    \"result\": \"vs") + kClearTail, ",\n",
                    std::string("    \"result\": \"pool") + kClearTail, "\n", "}"}},
        ReportCase{
            "LBClearNone", [] { return new CKestFWCmdClearLBStat(nullptr, nullptr); }, clearReply(0x03), {"{\n", "}"}}),
    [](const ::testing::TestParamInfo<ReportCase>& i) { return std::string(i.param.name); });

TEST(DebugStatusReport, OneLinePerComponentInTheKernelsOrder) {
    Bytes reply(30, 0);
    reply[0] = 7, reply[27] = 2;
    CKestFWCmdDebugStatus cmd(nullptr);
    ReportCapture report;
    cmd.checkCmdReply(reply.data(), 30);
    ASSERT_EQ(report.lines().size(), 30u);
    EXPECT_EQ(report.lines()[0], "Filter debug status:\n");
    EXPECT_EQ(report.lines()[1], "    comp       level \n");
    EXPECT_EQ(report.lines()[2], "    fastpath   7     \n");
    EXPECT_EQ(report.lines()[29], "    fp_match   2     \n");
}

// ---- The kernel-interface statistics report ------------------------------------------------------------

namespace {

Golden kifStat() { return Golden(KESTFW_KIFSTAT_SIZE); }

std::vector<std::string> kifReport(const Bytes& reply) {
    CKestFWCmdGetKifStat cmd(nullptr);
    ReportCapture report;
    cmd.checkCmdReply(reply.data(), unsigned(reply.size()));
    return report.lines();
}

// The lines between "DROP REASON" and the filter information.
std::vector<std::string> reasonLines(const std::vector<std::string>& all) {
    std::vector<std::string> out;
    bool in = false;
    for (const std::string& l : all) {
        if (l == "FILTER INFO\n-----------\n") break;
        if (l == "DROP REASON\n-----------\n") in = true;
        if (in) out.push_back(l);
    }
    return out;
}

}  // namespace

TEST(KifStatReport, AllZeroShowsPassAndDropRowsAndTheFilterInfo) {
    const std::vector<std::string> lines = kifReport(kifStat().b);
    const std::vector<std::string> head = {"PACKETS                       IN                OUT\n",
                                           "-------                       --                ---\n",
                                           "v4 pass:                          0                  0\n",
                                           "v4 drop:                          0                  0\n",
                                           "\n",
                                           "v6 pass:                          0                  0\n",
                                           "v6 drop:                          0                  0\n",
                                           "\n",
                                           "L2 drop:                          0                  0\n",
                                           "\n",
                                           "BYTES                         IN                OUT\n"};
    ASSERT_GE(lines.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + long(head.size())), head);
    EXPECT_TRUE(reasonLines(lines).empty());
    const std::vector<std::string> tail = {"FILTER INFO\n-----------\n", "mac:            00:00:00:00:00:00\n",
                                           "sessions:       0\n",        "flags:          0x0\n",
                                           "states:         0\n",        "rules:          0\n",
                                           "table count:    0\n",        "filter version: 0\n",
                                           "ruleset gen:    0\n",        "hash:           0\n",
                                           "last purge:     0\n",        "fprn alloc err: 0\n"};
    EXPECT_EQ(std::vector<std::string>(lines.end() - long(tail.size()), lines.end()), tail);
    EXPECT_EQ(lines.size(), 20u + tail.size());
}

TEST(KifStatReport, RowsFollowThePacketCountersInBothTables) {
    Golden b = kifStat();
    b.le(KifStat::counter(KifStat::kOffPackets, 1, 1, 19), 5, 8);  // v6 lb out
    b.le(KifStat::counter(KifStat::kOffBytes, 0, 0, 4), 999, 8);   // v4 snat bytes, no packets
    b.le(KifStat::counter(KifStat::kOffBytes, 1, 1, 19), 700, 8);
    b.le(2027, 0x50, 1).le(2031, 0xAB, 1).le(2014, uint64_t(-5), 8);
    const std::vector<std::string> lines = kifReport(b.b);
    EXPECT_EQ(lines[7], "v6 lb:                            0                  5\n");
    EXPECT_EQ(lines[18], "v6 lb:                            0                700\n");
    for (const std::string& l : lines) EXPECT_EQ(l.find("snat"), std::string::npos);
    EXPECT_EQ(lines[lines.size() - 11], "mac:            00:50:00:00:00:ab\n");
    EXPECT_EQ(lines[lines.size() - 2], "last purge:     -5\n");
}

struct ReasonCase {
    const char* name;
    std::vector<std::pair<unsigned, uint64_t>> counters;
    std::vector<std::string> lines;
};
void PrintTo(const ReasonCase& c, std::ostream* os) { *os << c.name; }
class KifReasons : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(KifReasons, AreGroupedAndHeldBack) {
    Golden b = kifStat();
    for (const auto& c : GetParam().counters) b.le(1632 + 8 * c.first, c.second, 8);
    EXPECT_EQ(reasonLines(kifReport(b.b)), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, KifReasons,
    ::testing::Values(
        ReasonCase{"MatchIsNeverPrinted", {{0, 9}}, {}},
        ReasonCase{"SequenceReasonsAlone",
                   {{25, 1}, {26, 2}},
                   {"DROP REASON\n-----------\n", "seqno outside window: 1\n", "seqno old retrans:    2\n", "\n"}},
        ReasonCase{"SequenceReasonsUnderStateMismatch",
                   {{10, 3}, {25, 1}, {26, 2}, {31, 4}},
                   {"DROP REASON\n-----------\n", "UDP flood overlimit:  4\n", "state-mismatch:       3\n",
                    "  seqno outside window: 1\n", "  seqno old retrans:    2\n", "\n"}},
        ReasonCase{"MiscellaneousLast",
                   {{13, 1}, {19, 2}, {41, 3}},
                   {"DROP REASON\n-----------\n", "match drop rule tx packets: 3\n", "\n",
                    "MISCELLANEOUS\n-------------\n", "src-limit:            1\n", "L7 pending:           2\n", "\n"}}),
    [](const ::testing::TestParamInfo<ReasonCase>& i) { return std::string(i.param.name); });

TEST(KifStatReport, ShortReplyPrintsNothing) {
    Bytes b(KESTFW_KIFSTAT_SIZE - 1, 0);
    EXPECT_TRUE(kifReport(b).empty());
}

// ---- Load-balancer request bodies sized from the size records -----------------------------------------

TEST(LBConfigBody, SizedFromTheCountsWithSelectionAndOptionsCopied) {
    std::unique_ptr<FWLBConfigSize_> sizes(new FWLBConfigSize_());
    sizes->bytes[0] = 2;
    sizes->bytes[4] = 0x2A;
    memcpy(&sizes->bytes[8], "uuid-text", 9);
    sizes->bytes[72] = 0xFF;                     // only bits 0 to 5 travel
    sizes->bytes[73] = 1, sizes->bytes[77] = 2;  // service 0: one server, two pools
    sizes->bytes[93 + 16] = 3;                   // service 1: three LSPs applied
    CKestFWCmdGetLBConfig cmd(nullptr, sizes.get());
    const unsigned first = 465 + 201 + 2 * 128, second = 465 + 3 * 52;
    ASSERT_EQ(cmd.getMsgSize(), 485 + first + second);
    Verbosity cmdLevel(KFW_COMP_CMD, 2);
    LogCapture log;
    const Bytes b = bodyOf(cmd);
    EXPECT_EQ(le32(&b[0]), 485 + first + second);
    EXPECT_EQ(le32(&b[4]), 2u);
    EXPECT_EQ(le32(&b[8]), 0x2Au);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[12])), "uuid-text");
    EXPECT_EQ(b[76], 0x3F);
    EXPECT_EQ(Bytes(b.begin() + 485 + 428, b.begin() + 485 + 448), hexBytes("01000000 02000000 00*12"));
    EXPECT_EQ(Bytes(b.begin() + 485 + first + 428, b.begin() + 485 + first + 448), hexBytes("00*16 03000000"));
    EXPECT_TRUE(log.has("LB config: size 2028 lbs_cnt 2 options: (debug 7 id 42 uuid uuid-text)"));
    EXPECT_TRUE(log.has("LB config: LB-1: vs 0 pool 0 pm 0 lsp configured 0 lsp applied 3"));
}

TEST(LBConfigBody, MoreServicesThanTheRecordHoldsAreRefused) {
    std::unique_ptr<FWLBConfigSize_> sizes(new FWLBConfigSize_());
    sizes->bytes[0] = 0xE9, sizes->bytes[1] = 0x03;  // 1001
    expectRaises([&] { CKestFWCmdGetLBConfig cmd(nullptr, sizes.get()); }, 17);
    CKestFWCmdGetLBConfig none(nullptr);
    EXPECT_EQ(none.getMsgSize(), 485u);
}
