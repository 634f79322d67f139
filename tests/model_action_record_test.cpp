// Rule actions against their 330-byte records written by hand from the record table: every action
// kind with and without flags, reading records back, broken records and constructor limits.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frame/KestFWException.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv4Range.h"
#include "model/KestFWAddressIPv6Range.h"
#include "model/KestFWAddressList.h"
#include "model/KestFWRuleActionAccept.h"
#include "model/KestFWRuleActionClear.h"
#include "model/KestFWRuleActionCopy.h"
#include "model/KestFWRuleActionDNAT.h"
#include "model/KestFWRuleActionDivert.h"
#include "model/KestFWRuleActionDrop.h"
#include "model/KestFWRuleActionEncrypt.h"
#include "model/KestFWRuleActionFactory.h"
#include "model/KestFWRuleActionGoToFilter.h"
#include "model/KestFWRuleActionIDPDetect.h"
#include "model/KestFWRuleActionIDPProtect.h"
#include "model/KestFWRuleActionJumpto.h"
#include "model/KestFWRuleActionLB.h"
#include "model/KestFWRuleActionMacRewrite.h"
#include "model/KestFWRuleActionPbr.h"
#include "model/KestFWRuleActionPunt.h"
#include "model/KestFWRuleActionReject.h"
#include "model/KestFWRuleActionSNAT.h"

using namespace KestFirewall;

namespace {

// A patch: bytes given in hex, or as text (prefix "'"), written at an offset of a zeroed record.
using Patch = std::pair<unsigned, std::string>;

std::vector<uint8_t> recordOf(const std::vector<Patch>& patches) {
    std::vector<uint8_t> rec(330, 0);
    for (const Patch& p : patches) {
        std::vector<uint8_t> bytes;
        if (!p.second.empty() && p.second[0] == '\'') {
            bytes.assign(p.second.begin() + 1, p.second.end());
        } else {
            std::string digits;
            for (char c : p.second)
                if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
            for (size_t i = 0; i + 1 < digits.size(); i += 2)
                bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
        }
        std::copy(bytes.begin(), bytes.end(), rec.begin() + p.first);
    }
    return rec;
}

std::vector<uint8_t> serialise(CKestFWRuleAction& a) {
    std::vector<uint8_t> buf(330, 0xcc);
    unsigned used = 0;
    EXPECT_TRUE(a.toMessage(buf.data(), 330, &used));
    EXPECT_EQ(used, 330u);
    return buf;
}

using Make = std::function<CKestFWRuleAction*()>;

struct RecordCase {
    const char* name;
    Make make;
    std::vector<Patch> bytes;
    std::string text;
    // What reading the record back changes, when it does.
    std::string backText = "";
    std::vector<Patch> backBytes = {};
};

template <typename A>
Make with(std::function<void(CKestFWRuleAction&)> flags) {
    return [flags] {
        auto* a = new A();
        flags(*a);
        return a;
    };
}

in_addr v4(const char* text) {
    in_addr a{};
    inet_pton(AF_INET, text, &a);
    return a;
}

class ActionRecord : public ::testing::TestWithParam<RecordCase> {};

TEST_P(ActionRecord, WritesReadsAndPrints) {
    const RecordCase& c = GetParam();
    std::unique_ptr<CKestFWRuleAction> a(c.make());
    EXPECT_EQ(a->toString(), c.text);
    const std::vector<uint8_t> expected = recordOf(c.bytes);
    EXPECT_EQ(serialise(*a), expected);

    std::unique_ptr<CKestFWRuleAction> back(CKestFWRuleActionFactory::newFromMsgBuf(expected.data(), 330));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->getAction(), a->getAction());
    EXPECT_EQ(back->toString(), c.backText.empty() ? c.text : c.backText);
    EXPECT_EQ(serialise(*back), c.backBytes.empty() ? expected : recordOf(c.backBytes));
}

// Offsets: 0 body, 144/146 DNAT ports (network order), 148 LB type, 150/152 LB timeouts, 154 LB
// options, 282 NAT/LB bits, 284 pool parameter, 288/289 dynamic application, 290 code, 291 flags
// (1 log, 2 copy, 4 dynamic, 8 noflow, 16 rtt), 292 bit 0 LB rule, 293 key policy.
const std::string kPolicy = "01234567-89ab-cdef-0123-456789abcdef";
const RecordCase kRecords[] = {
    {"Accept", [] { return new CKestFWRuleActionAccept(); }, {{290, "01"}}, "accept"},
    {"AcceptLogRtt", with<CKestFWRuleActionAccept>([](CKestFWRuleAction& a) { a.enableRtt(), a.enableLogPacket(); }),
     {{290, "01 11"}}, "accept with {log,rtt}"},
    {"AcceptCopy", with<CKestFWRuleActionAccept>([](CKestFWRuleAction& a) { a.enableCopyPacket(); }),
     {{290, "01 02"}}, "accept with copy"},
    {"DropAllFlags",
     with<CKestFWRuleActionDrop>([](CKestFWRuleAction& a) {
         a.enableLBRule(), a.enableNoFlow(), a.enableRtt(), a.enableCopyPacket(), a.enableLogPacket();
     }),
     {{290, "02 1b 01"}}, "drop with {log,copy,noflow,rtt,lbrule}"},
    {"RejectNoflow", with<CKestFWRuleActionReject>([](CKestFWRuleAction& a) { a.enableNoFlow(); }),
     {{290, "03 08"}}, "reject with noflow"},
    {"RejectCopyNoflow",
     with<CKestFWRuleActionReject>([](CKestFWRuleAction& a) { a.enableNoFlow(), a.enableCopyPacket(); }),
     {{290, "03 0a"}}, "reject with {copy,noflow}"},
    {"Jumpto", [] { return new CKestFWRuleActionJumpto("web-tier"); }, {{0, "'web-tier"}, {290, "04"}},
     "jumpto web-tier"},
    {"JumptoLongestName", [] { return new CKestFWRuleActionJumpto(std::string(63, 'j').c_str()); },
     {{0, "'" + std::string(63, 'j')}, {290, "04"}}, "jumpto " + std::string(63, 'j')},
    {"PuntLbrule", with<CKestFWRuleActionPunt>([](CKestFWRuleAction& a) { a.enableLBRule(); }),
     {{290, "05 00 01"}}, "punt with lbrule"},
    {"Divert", [] { return new CKestFWRuleActionDivert(); }, {{290, "06"}}, "divert"},
    {"SnatHost", [] { return new CKestFWRuleActionSNAT(new CKestFWAddressIPv4("10.0.0.1", false)); },
     {{0, "01 00 00 00 0a 00 00 01"}, {290, "07"}}, "snat ip 10.0.0.1"},
    {"SnatSetWithLog",
     [] {
         auto* a = new CKestFWRuleActionSNAT(new CKestFWAddrSetID("pool1", false));
         a->enableLogPacket();
         return a;
     },
     {{0, "0b 00 00 00"}, {4, "'pool1"}, {290, "07 01"}}, "snat addrset pool1 with log"},
    {"DnatHostPort",
     [] {
         return new CKestFWRuleActionDNAT(new CKestFWAddressIPv4("192.168.1.10", false), FW_RULE_POOLOPT_NONE, 8080,
                                          0);
     },
     {{0, "01 00 00 00 c0 a8 01 0a"}, {144, "1f 90"}, {282, "01"}, {290, "08"}}, "dnat ip 192.168.1.10 port 8080"},
    {"DnatSetRangeRoundRobin",
     [] {
         return new CKestFWRuleActionDNAT(new CKestFWAddrSetID("web", false), FW_RULE_POOLOPT_ROUND_ROBIN, 80, 90,
                                          30);
     },
     {{0, "0b 00 00 00"}, {4, "'web"}, {144, "00 50 00 5a"}, {282, "13 00 1e 00"}, {290, "08"}},
     "dnat addrset web port 80-90 poolopt round-robin 30"},
    {"DnatSourceHashNoParam",
     [] { return new CKestFWRuleActionDNAT(new CKestFWAddrSetID("web", false), FW_RULE_POOLOPT_SOURCE_HASH, 0); },
     {{0, "0b 00 00 00"}, {4, "'web"}, {282, "0c"}, {290, "08"}}, "dnat addrset web poolopt source-hash"},
    {"DnatSourceHashParam",
     [] { return new CKestFWRuleActionDNAT(new CKestFWAddrSetID("web", false), FW_RULE_POOLOPT_SOURCE_HASH, 7); },
     {{0, "0b 00 00 00"}, {4, "'web"}, {282, "0c 00 07 00"}, {290, "08"}},
     "dnat addrset web poolopt source-hash 7"},
    {"DnatUnknownPool",
     [] {
         return new CKestFWRuleActionDNAT(new CKestFWAddrSetID("web", false), static_cast<FWRulePoolOpt_t>(7), 5);
     },
     {{0, "0b 00 00 00"}, {4, "'web"}, {282, "1c 00 05 00"}, {290, "08"}}, "dnat addrset web unknown"},
    {"DnatOnePortRange",
     [] {
         return new CKestFWRuleActionDNAT(new CKestFWAddressIPv4("10.1.1.1", true), FW_RULE_POOLOPT_NONE, 443, 443,
                                          0);
     },
     {{0, "01 00 01 00 0a 01 01 01"}, {144, "01 bb 01 bb"}, {282, "03"}, {290, "08"}},
     "dnat not ip 10.1.1.1 port 443-443"},
    {"MacRewrite",
     [] {
         const unsigned char mac[6] = {0x00, 0x1a, 0x2b, 0x03, 0x04, 0xff};
         return new CKestFWRuleActionMacRewrite(mac);
     },
     {{0, "00 1a 2b 03 04 ff"}, {290, "09"}}, "macrewrite 0:1a:2b:3:4:ff"},
    {"Copy", [] { return new CKestFWRuleActionCopy(); }, {{290, "0a"}}, "copy"},
    {"EncryptWithLog",
     [] {
         auto* a = new CKestFWRuleActionEncrypt(kPolicy.c_str());
         a->enableLogPacket();
         return a;
     },
     {{290, "0b 01"}, {293, "'" + kPolicy}}, "encrypt with log keypolicy " + kPolicy},
    {"EncryptNoPolicy", [] { return new CKestFWRuleActionEncrypt(); }, {{290, "0b"}}, "encrypt"},
    {"Clear", [] { return new CKestFWRuleActionClear(); }, {{290, "0c"}}, "clear"},
    {"PbrPassThrough", [] { return new CKestFWRuleActionPbr("ffffffff-ffff-ffff-ffff-ffffffffffff"); },
     {{290, "0d"}, {293, "'ffffffff-ffff-ffff-ffff-ffffffffffff"}}, "pbr pass-through"},
    {"PbrPolicyCutTo36", [] { return new CKestFWRuleActionPbr((kPolicy + "-and-more").c_str()); },
     {{290, "0d"}, {293, "'" + kPolicy}}, "pbr keypolicy " + kPolicy},
    {"PbrEmpty", [] { return new CKestFWRuleActionPbr(""); }, {{290, "0d"}}, "pbr"},
    {"LbL7WithEverything", [] { return new CKestFWRuleActionLB(2, 300, 60, "sticky"); },
     {{148, "02 00 2c 01 3c 00"}, {154, "'sticky"}, {282, "40"}, {290, "0e"}},
     "lb  lbtype L7 lbidletimeout 300 lbclosetimeout 60 lboptions sticky"},
    // Read back, an LB action always has its options text, here an empty one.
    {"LbL4Plain", [] { return new CKestFWRuleActionLB(0); }, {{290, "0e"}}, "lb  lbtype L4",
     "lb  lbtype L4 lboptions ", {{282, "40"}, {290, "0e"}}},
    {"LbTimeoutsLbrule",
     [] {
         auto* a = new CKestFWRuleActionLB(1, 0, 15);
         a->enableLBRule();
         return a;
     },
     {{148, "01 00 00 00 0f 00"}, {290, "0e 00 01"}}, "lb  lbtype L7 lbclosetimeout 15 with lbrule",
     "lb  lbtype L7 lbclosetimeout 15 lboptions  with lbrule", {{148, "01 00 00 00 0f 00"}, {282, "40"},
                                                                {290, "0e 00 01"}}},
    {"IdpDetect", [] { return new CKestFWRuleActionIDPDetect(); }, {{290, "0f"}}, "idp_detect"},
    {"IdpProtectRtt", with<CKestFWRuleActionIDPProtect>([](CKestFWRuleAction& a) { a.enableRtt(); }),
     {{290, "10 10"}}, "idp_protect with rtt"},
    {"GoToFilter", [] { return new CKestFWRuleActionGoToFilter(); }, {{290, "11"}}, "goto_filter"},
    // Dynamic application: helper flags in the low nibble of 288, the application in the next 8 bits.
    {"AcceptAsFtp", with<CKestFWRuleActionAccept>([](CKestFWRuleAction& a) { a.enableDynamic(FW_DYNAPP_FTP); }),
     {{288, "13 00 01 04"}}, "accept as ftp"},
    {"AcceptAsOracle",
     with<CKestFWRuleActionAccept>([](CKestFWRuleAction& a) { a.enableDynamic(FW_DYNAPP_ORACLE, false); }),
     {{288, "21 00 01 04"}}, "accept as oracle"},
    {"AcceptAsDcerpc", with<CKestFWRuleActionAccept>([](CKestFWRuleAction& a) { a.enableDynamic(FW_DYNAPP_DCERPC); }),
     {{288, "45 00 01 04"}}, "accept as dcerpc"},
    // The helper flags are derived again from the application when read back.
    {"AcceptAsSunrpcVariant",
     with<CKestFWRuleActionAccept>([](CKestFWRuleAction& a) { a.enableDynamic(FW_DYNAPP_SUNRPC, false); }),
     {{288, "34 00 01 04"}}, "accept as sunrpc", "", {{288, "35 00 01 04"}}},
    {"AcceptAsSunrpcVariantOn",
     with<CKestFWRuleActionAccept>([](CKestFWRuleAction& a) { a.enableDynamic(FW_DYNAPP_SUNRPC, true); }),
     {{288, "31 00 01 04"}}, "accept as sunrpc", "", {{288, "35 00 01 04"}}},
    {"DropLogCopyAsTftp",
     with<CKestFWRuleActionDrop>([](CKestFWRuleAction& a) {
         a.enableDynamic(FW_DYNAPP_TFTP), a.enableCopyPacket(), a.enableLogPacket();
     }),
     {{288, "58 00 02 07"}}, "drop with {log,copy} as tftp"},
};

INSTANTIATE_TEST_SUITE_P(Kinds, ActionRecord, ::testing::ValuesIn(kRecords),
                         [](const auto& info) { return std::string(info.param.name); });

// Records the factory refuses; nothing is handed out and nothing leaks.
struct BadRecordCase {
    const char* name;
    std::vector<Patch> bytes;
    FWStatus_t code;
    const char* message;  // null: the code is checked alone
};

class ActionBadRecord : public ::testing::TestWithParam<BadRecordCase> {};

TEST_P(ActionBadRecord, RaisesCleanly) {
    const BadRecordCase& c = GetParam();
    const std::vector<uint8_t> rec = recordOf(c.bytes);
    try {
        std::unique_ptr<CKestFWRuleAction> a(CKestFWRuleActionFactory::newFromMsgBuf(rec.data(), 330));
        FAIL() << "built " << a->toString();
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), c.code);
        if (c.message) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

const BadRecordCase kBadRecords[] = {
    {"CodeZero", {}, 37, "invalid rule action: 0"},
    {"CodeIcmpResp", {{290, "12"}}, 37, "invalid rule action: 18"},
    {"CodeMax", {{290, "ff"}}, 37, "invalid rule action: 255"},
    {"ReservedFlagBit5", {{290, "01 20"}}, 37, "invalid rule action: 1"},
    {"ReservedFlagBit7", {{290, "02 80"}}, 37, "invalid rule action: 2"},
    {"ReservedFlag2Bit1", {{290, "01 00 02"}}, 37, "invalid rule action: 1"},
    {"DynamicApplicationSix", {{288, "60 00 01 04"}}, 7, "unknown dynamic application"},
    {"DynamicApplicationZero", {{288, "03 00 01 04"}}, 7, "unknown dynamic application"},
    {"DynamicApplicationHighNibble", {{288, "10 01 01 04"}}, 7, "unknown dynamic application"},
    {"LbTypeThree", {{148, "03"}, {290, "0e"}}, 7, "Invalid LB Type"},
    {"LbOptionsWithoutEnd", {{154, "'" + std::string(128, 'o')}, {290, "0e"}}, 7, "Invalid LB Options"},
    {"JumptoNameWithoutEnd", {{0, "'" + std::string(64, 'n')}, {290, "04"}}, 32, nullptr},
    {"SnatUnknownAddressType", {{0, "08 00"}, {290, "07"}}, 33, nullptr},
    {"SnatAddressListType", {{0, "10 00"}, {290, "07"}}, 33, nullptr},
    {"SnatBadRange", {{0, "03 00 00 00 0a 00 00 09 0a 00 00 01"}, {290, "07"}}, 33, nullptr},
    {"DnatReversedRange", {{0, "01 00 00 00 0a 00 00 01"}, {144, "00 5a 00 50"}, {282, "03"}, {290, "08"}}, 7,
     "reversed port range"},
    {"DnatBadAddressWithFlags", {{0, "0a 00"}, {282, "01"}, {290, "08 01"}}, 33, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Records, ActionBadRecord, ::testing::ValuesIn(kBadRecords),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ActionRecordBuffer, ShortInputAndOutput) {
    const std::vector<uint8_t> rec = recordOf({{290, "01"}});
    EXPECT_THROW(CKestFWRuleActionFactory::newFromMsgBuf(rec.data(), 329), CInsufficientMsgBufException);
    EXPECT_THROW(CKestFWRuleActionFactory::newFromMsgBuf(nullptr, 330), CInsufficientMsgBufException);
    CKestFWRuleActionAccept a;
    std::vector<uint8_t> out(330, 0xcc);
    unsigned used = 3;
    EXPECT_FALSE(a.toMessage(out.data(), 329, &used));
    EXPECT_EQ(used, 3u);
    EXPECT_EQ(out, std::vector<uint8_t>(330, 0xcc));
    // A record given as the C struct reads the same as its bytes.
    fw_rule_action_ s;
    memcpy(&s, rec.data(), sizeof s);
    std::unique_ptr<CKestFWRuleAction> back(CKestFWRuleActionFactory::newFromMsgBuf(&s));
    EXPECT_EQ(back->toString(), "accept");
}

TEST(ActionFlags, OrIntoARecordAndToggle) {
    CKestFWRuleActionAccept a;
    EXPECT_TRUE(a.enableLogPacket());
    EXPECT_FALSE(a.disableCopyPacket());
    EXPECT_TRUE(a.enableNoFlow());
    EXPECT_FALSE(a.disableNoFlow());
    a.enableDynamic(FW_DYNAPP_FTP);
    std::vector<uint8_t> rec = recordOf({{288, "80 00 00 20 00"}});
    fw_rule_action_ s;
    memcpy(&s, rec.data(), sizeof s);
    a.setActionFlag(&s);
    memcpy(rec.data(), &s, sizeof s);
    EXPECT_EQ(rec, recordOf({{288, "93 00 00 25 00"}}));
    EXPECT_FALSE(a.disableDynamic());
    EXPECT_FALSE(a.isDynamic());
    EXPECT_EQ(a.getDynamicApp(), 0u);
    EXPECT_EQ(a.toString(), "accept with log");
    EXPECT_EQ(a.toString(0), "accept\n with log");
    EXPECT_EQ(CKestFWRuleActionDrop().toString(0), "drop");
    EXPECT_EQ(CKestFWRuleActionSNAT(new CKestFWAddressIPv4("10.0.0.1", false)).toString(0), "snat");
}

struct LimitCase {
    const char* name;
    std::function<void()> act;
    FWStatus_t code;
    const char* message;
};

class ActionLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ActionLimit, Raises) {
    const LimitCase& c = GetParam();
    try {
        c.act();
        FAIL() << "no exception";
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), c.code);
        if (c.message) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

const LimitCase kLimits[] = {
    {"JumptoName64", [] { CKestFWRuleActionJumpto(std::string(64, 'x').c_str()); }, 32, nullptr},
    {"DnatReversedPorts",
     [] { CKestFWRuleActionDNAT(new CKestFWAddressIPv4("10.0.0.1", false), FW_RULE_POOLOPT_NONE, 90, 80, 0); }, 7,
     "reversed port range"},
    {"DnatReversedPortsFromRecord",
     [] {
         FWAddress_ rec{};
         rec.type[0] = FW_ADDRESS_ANY;
         CKestFWRuleActionDNAT(&rec, 0, 90, 80, 0);
     },
     7, "reversed port range"},
    {"DnatPoolOf16",
     [] { CKestFWRuleActionDNAT(new CKestFWAddrSetID("s", false), static_cast<FWRulePoolOpt_t>(16), 0); }, 7,
     "invalid pool option: 16"},
    {"LbType3", [] { CKestFWRuleActionLB(3); }, 7, "Invalid LB Type"},
    {"LbOptions128", [] { CKestFWRuleActionLB(0, 0, 0, std::string(128, 'o').c_str()); }, 7, "Invalid LB Options"},
    {"DynamicSix", [] { CKestFWRuleActionAccept().enableDynamic(6); }, 7, "unknown dynamic application"},
    {"DynamicZeroVariant", [] { CKestFWRuleActionAccept().enableDynamic(0, true); }, 7,
     "unknown dynamic application"},
    {"SnatWithoutAddress", [] { CKestFWRuleActionSNAT(static_cast<CKestFWAddress*>(nullptr)); }, 33, nullptr},
    {"SnatWithList", [] { CKestFWRuleActionSNAT(new CKestFWAddressList(false)); }, 33, nullptr},
    {"ReplaceWithLongName",
     [] {
         CKestFWRuleActionSNAT a(new CKestFWAddressIPv4("10.0.0.1", false));
         a.replaceIPRangeAddress(std::string(38, 'n').c_str());
     },
     32, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Constructors, ActionLimit, ::testing::ValuesIn(kLimits),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ActionLimitsAccepted, LongestNamesAndOptions) {
    EXPECT_EQ(CKestFWRuleActionLB(0, 0, 0, std::string(127, 'o').c_str()).getOptions().size(), 127u);
    EXPECT_EQ(CKestFWRuleActionLB(0, 0, 0, nullptr).hasOptions(), false);
    CKestFWRuleActionSNAT a(new CKestFWAddressIPv4Range("10.0.0.1-10.0.0.9", false));
    std::unique_ptr<CKestFWAddress> old(a.replaceIPRangeAddress(std::string(37, 'n').c_str()));
    EXPECT_NE(old, nullptr);
}

// NAT targets given as ranges are swapped for set references; anything else stays.
TEST(ActionReplaceRange, SwapsRangesOnly) {
    CKestFWRuleActionSNAT snat(new CKestFWAddressIPv4Range("10.0.0.1-10.0.0.9", false));
    std::unique_ptr<CKestFWAddress> range(snat.replaceIPRangeAddress("target5"));
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->toString(), "ip 10.0.0.1-10.0.0.9");
    EXPECT_EQ(snat.toString(), "snat addrset target5");
    EXPECT_EQ(snat.replaceIPRangeAddress("again"), nullptr);

    CKestFWRuleActionDNAT dnat(new CKestFWAddressIPv6Range("2001:db8::1-2001:db8::9", false), FW_RULE_POOLOPT_RANDOM,
                               8080, 0);
    std::unique_ptr<CKestFWAddress> range6(dnat.replaceIPRangeAddress("target6"));
    ASSERT_NE(range6, nullptr);
    EXPECT_EQ(dnat.toString(), "dnat addrset target6 port 8080 poolopt random");

    CKestFWRuleActionSNAT host(new CKestFWAddressIPv4(v4("10.0.0.1"), false));
    EXPECT_EQ(host.replaceIPRangeAddress("target7"), nullptr);
    EXPECT_EQ(host.toString(), "snat ip 10.0.0.1");
    EXPECT_EQ(CKestFWRuleActionAccept().replaceIPRangeAddress("x"), nullptr);
}

TEST(ActionNames, TablesServePrinterAndParser) {
    EXPECT_EQ(&CKestFWRuleAction::rule_action_name, &g_kestfw_rule_action_name);
    EXPECT_EQ(&CKestFWRuleAction::rule_poolopt_name, &g_kestfw_rule_poolopt_name);
    EXPECT_STREQ(CKestFWRuleAction::rule_action_name[0], "unknown");
    EXPECT_STREQ(CKestFWRuleAction::rule_action_name[18], "icmp_resp");
    EXPECT_STREQ(CKestFWRuleAction::rule_poolopt_name[5], "tcp-conn-balance");
    for (unsigned code = 1; code < FW_RULE_ACTION_COUNT; ++code)
        EXPECT_EQ(CKestFWRuleAction::actionFromName(CKestFWRuleAction::actionName(code)), static_cast<int>(code));
    for (unsigned opt = 0; opt < FW_RULE_POOLOPT_COUNT; ++opt)
        EXPECT_EQ(CKestFWRuleAction::poolOptFromName(CKestFWRuleAction::poolOptName(opt)), static_cast<int>(opt));
    for (unsigned app = FW_DYNAPP_FTP; app <= FW_DYNAPP_TFTP; ++app)
        EXPECT_EQ(CKestFWRuleAction::dynamicAppFromName(CKestFWRuleAction::dynamicAppName(app)),
                  static_cast<int>(app));
    EXPECT_EQ(CKestFWRuleAction::actionFromName("unknown"), -1);
    EXPECT_EQ(CKestFWRuleAction::actionFromName("nat"), -1);
    EXPECT_EQ(CKestFWRuleAction::poolOptFromName("SOURCE-HASH"), 3);
    EXPECT_EQ(CKestFWRuleAction::dynamicAppFromName(""), -1);
}

}  // namespace
