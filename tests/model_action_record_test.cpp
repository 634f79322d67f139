// Rule actions against their 330-byte records written by hand: every kind with its flags, reading
// records back, broken records and constructor limits.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
#include "support/RecordBytes.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

std::vector<uint8_t> recordOf(const std::string& patches) { return patched(330, patches); }

std::vector<uint8_t> serialise(CKestFWRuleAction& a) {
    std::vector<uint8_t> buf(330, 0xcc);
    unsigned used = 0;
    EXPECT_TRUE(a.toMessage(buf.data(), 330, &used));
    EXPECT_EQ(used, 330u);
    return buf;
}

using Make = std::function<CKestFWRuleAction*()>;
enum Flag : unsigned { kLog = 1, kCopy = 2, kNoFlow = 4, kRtt = 8, kLBRule = 16 };

// The action `make` makes, with the flags, and with a dynamic application (and its variant) when given.
Make flagged(Make make, unsigned flags, unsigned app = 0, int variant = -1) {
    return [=] {
        CKestFWRuleAction* a = make();
        if (flags & kLog) a->enableLogPacket();
        if (flags & kCopy) a->enableCopyPacket();
        if (flags & kNoFlow) a->enableNoFlow();
        if (flags & kRtt) a->enableRtt();
        if (flags & kLBRule) a->enableLBRule();
        if (app && variant < 0) a->enableDynamic(app);
        if (app && variant >= 0) a->enableDynamic(app, variant != 0);
        return a;
    };
}

template <typename A>
Make flagged(unsigned flags = 0, unsigned app = 0, int variant = -1) {
    return flagged([] { return new A(); }, flags, app, variant);
}

CKestFWAddress* set(const char* name) { return new CKestFWAddrSetID(name, false); }

struct RecordCase {
    const char* name;
    Make make;
    std::string bytes;
    std::string text;
    // What reading the record back changes, when it does.
    std::string backText = "";
    std::string backBytes = "";
};

std::ostream& operator<<(std::ostream& os, const RecordCase& c) { return os << c.name; }

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
// options, 282 NAT/LB bits, 284 pool parameter, 288/289 dynamic application (helper flags in the
// low nibble, the application in the next 8 bits), 290 code, 291 flags (1 log, 2 copy, 4 dynamic,
// 8 noflow, 16 rtt), 292 bit 0 LB rule, 293 key policy.
const std::string kPolicy = "01234567-89ab-cdef-0123-456789abcdef";
const RecordCase kRecords[] = {
    {"Accept", flagged<CKestFWRuleActionAccept>(), "290: 01", "accept"},
    {"DropAllFlags", flagged<CKestFWRuleActionDrop>(kLog | kCopy | kNoFlow | kRtt | kLBRule), "290: 02 1b 01",
     "drop with {log,copy,noflow,rtt,lbrule}"},
    {"JumptoLongestName", [] { return new CKestFWRuleActionJumpto(std::string(63, 'j').c_str()); },
     "0: '" + std::string(63, 'j') + "; 290: 04", "jumpto " + std::string(63, 'j')},
    // An identifier that fills its 64 bytes is carried as it is and printed up to the field's end.
    {"JumptoFullIdWithoutNul",
     [] {
         FWRuleSetID_t id;
         memset(id.name, 'n', sizeof id.name);
         return new CKestFWRuleActionJumpto(&id);
     },
     "0: '" + std::string(64, 'n') + "; 290: 04", "jumpto " + std::string(64, 'n')},
    {"PuntLbrule", flagged<CKestFWRuleActionPunt>(kLBRule), "290: 05 00 01", "punt with lbrule"},
    {"Divert", flagged<CKestFWRuleActionDivert>(), "290: 06", "divert"},
    {"SnatSetWithLog", flagged([] { return new CKestFWRuleActionSNAT(set("pool1")); }, kLog),
     "0: 0b 00 00 00; 4: 'pool1; 290: 07 01", "snat addrset pool1 with log"},
    {"DnatHostPort",
     [] {
         return new CKestFWRuleActionDNAT(new CKestFWAddressIPv4("192.168.1.10", false), FW_RULE_POOLOPT_NONE, 8080, 0);
     },
     "0: 01 00 00 00 c0 a8 01 0a; 144: 1f 90; 282: 01; 290: 08", "dnat ip 192.168.1.10 port 8080"},
    {"DnatSetRangeRoundRobin",
     [] { return new CKestFWRuleActionDNAT(set("web"), FW_RULE_POOLOPT_ROUND_ROBIN, 80, 90, 30); },
     "0: 0b 00 00 00; 4: 'web; 144: 00 50 00 5a; 282: 13 00 1e 00; 290: 08",
     "dnat addrset web port 80-90 poolopt round-robin 30"},
    {"DnatUnknownPool", [] { return new CKestFWRuleActionDNAT(set("web"), static_cast<FWRulePoolOpt_t>(7), 5); },
     "0: 0b 00 00 00; 4: 'web; 282: 1c 00 05 00; 290: 08", "dnat addrset web unknown"},
    {"MacRewrite",
     [] {
         const unsigned char mac[6] = {0x00, 0x1a, 0x2b, 0x03, 0x04, 0xff};
         return new CKestFWRuleActionMacRewrite(mac);
     },
     "0: 00 1a 2b 03 04 ff; 290: 09", "macrewrite 0:1a:2b:3:4:ff"},
    {"Copy", flagged<CKestFWRuleActionCopy>(), "290: 0a", "copy"},
    {"EncryptWithLog", flagged([] { return new CKestFWRuleActionEncrypt(kPolicy.c_str()); }, kLog),
     "290: 0b 01; 293: '" + kPolicy, "encrypt with log keypolicy " + kPolicy},
    {"Clear", flagged<CKestFWRuleActionClear>(), "290: 0c", "clear"},
    {"PbrPassThrough", [] { return new CKestFWRuleActionPbr("ffffffff-ffff-ffff-ffff-ffffffffffff"); },
     "290: 0d; 293: 'ffffffff-ffff-ffff-ffff-ffffffffffff", "pbr pass-through"},
    {"PbrPolicyCutTo36", [] { return new CKestFWRuleActionPbr((kPolicy + "-and-more").c_str()); },
     "290: 0d; 293: '" + kPolicy, "pbr keypolicy " + kPolicy},
    {"LbL7WithEverything", [] { return new CKestFWRuleActionLB(2, 300, 60, "sticky"); },
     "148: 02 00 2c 01 3c 00; 154: 'sticky; 282: 40; 290: 0e",
     "lb  lbtype L7 lbidletimeout 300 lbclosetimeout 60 lboptions sticky"},
    // Read back, an LB action always has its options text, here an empty one.
    {"LbTimeoutsLbrule", flagged([] { return new CKestFWRuleActionLB(1, 0, 15); }, kLBRule),
     "148: 01 00 00 00 0f 00; 290: 0e 00 01", "lb  lbtype L7 lbclosetimeout 15 with lbrule",
     "lb  lbtype L7 lbclosetimeout 15 lboptions  with lbrule", "148: 01 00 00 00 0f 00; 282: 40; 290: 0e 00 01"},
    {"IdpDetect", flagged<CKestFWRuleActionIDPDetect>(), "290: 0f", "idp_detect"},
    {"IdpProtectRtt", flagged<CKestFWRuleActionIDPProtect>(kRtt), "290: 10 10", "idp_protect with rtt"},
    {"GoToFilter", flagged<CKestFWRuleActionGoToFilter>(), "290: 11", "goto_filter"},
    // The helper flags are derived again from the application when read back.
    {"AcceptAsSunrpcVariant", flagged<CKestFWRuleActionAccept>(0, FW_DYNAPP_SUNRPC, 0), "288: 34 00 01 04",
     "accept as sunrpc", "", "288: 35 00 01 04"},
    {"DropLogCopyAsTftp", flagged<CKestFWRuleActionDrop>(kLog | kCopy, FW_DYNAPP_TFTP), "288: 58 00 02 07",
     "drop with {log,copy} as tftp"},
};

INSTANTIATE_TEST_SUITE_P(Kinds, ActionRecord, ::testing::ValuesIn(kRecords), ::testing::PrintToStringParamName());

// Records the factory refuses and constructor limits: each raises cleanly, nothing leaks.
struct RefusalCase {
    const char* name;
    std::function<void()> act;
    std::string raised;
};

std::ostream& operator<<(std::ostream& os, const RefusalCase& c) { return os << c.name; }

class ActionRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ActionRefusal, Raises) { EXPECT_EQ(raised(GetParam().act), GetParam().raised); }

std::function<void()> fromRecord(const std::string& patches) {
    return [=] { delete CKestFWRuleActionFactory::newFromMsgBuf(recordOf(patches).data(), 330); };
}

const RefusalCase kRefusals[] = {
    {"CodeZero", fromRecord(""), "37: invalid rule action: 0"},
    {"ReservedFlagBit5", fromRecord("290: 01 20"), "37: invalid rule action: 1"},
    {"DynamicApplicationSix", fromRecord("288: 60 00 01 04"), "7: unknown dynamic application"},
    {"LbTypeThree", fromRecord("148: 03; 290: 0e"), "7: Invalid LB Type"},
    {"LbOptionsWithoutEnd", fromRecord("154: '" + std::string(128, 'o') + "; 290: 0e"), "7: Invalid LB Options"},
    {"SnatAddressListType", fromRecord("0: 10 00; 290: 07"), "33: unknown address type: 16"},
    {"DnatReversedRange", fromRecord("0: 01 00 00 00 0a 00 00 01; 144: 00 5a 00 50; 282: 03; 290: 08"),
     "7: reversed port range"},
    {"DnatPoolOf16", [] { CKestFWRuleActionDNAT(set("s"), static_cast<FWRulePoolOpt_t>(16), 0); },
     "7: invalid pool option: 16"},
    {"SnatWithoutAddress", [] { CKestFWRuleActionSNAT(static_cast<CKestFWAddress*>(nullptr)); },
     "33: missing translated address"},
    {"SnatWithList", [] { CKestFWRuleActionSNAT(new CKestFWAddressList(false)); }, "33: invalid address type: 141"},
};

INSTANTIATE_TEST_SUITE_P(Actions, ActionRefusal, ::testing::ValuesIn(kRefusals), ::testing::PrintToStringParamName());

TEST(ActionRecordBuffer, ShortInputAndOutput) {
    const std::vector<uint8_t> rec = recordOf("290: 01");
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
    EXPECT_EQ(std::unique_ptr<CKestFWRuleAction>(CKestFWRuleActionFactory::newFromMsgBuf(&s))->toString(), "accept");
}

TEST(ActionFlags, OrIntoARecordAndDynamicIsDropped) {
    CKestFWRuleActionAccept a;
    a.enableLogPacket();
    a.enableDynamic(FW_DYNAPP_FTP);
    fw_rule_action_ s;
    memcpy(&s, recordOf("288: 80 00 00 20 00").data(), sizeof s);
    a.setActionFlag(&s);
    std::vector<uint8_t> rec(330);
    memcpy(rec.data(), &s, sizeof s);
    EXPECT_EQ(rec, recordOf("288: 93 00 00 25 00"));
    a.disableDynamic();
    EXPECT_EQ(a.toString(0), "accept\n with log");
    EXPECT_EQ(CKestFWRuleActionSNAT(new CKestFWAddressIPv4("10.0.0.1", false)).toString(0), "snat");
}

// NAT targets given as ranges are swapped for set references (names up to 37); anything else stays.
TEST(ActionReplaceRange, SwapsRangesOnly) {
    EXPECT_EQ(CKestFWRuleActionLB(0, 0, 0, std::string(127, 'o').c_str()).getOptions().size(), 127u);
    const std::string name37(37, 'n');
    CKestFWRuleActionSNAT snat(new CKestFWAddressIPv4Range("10.0.0.1-10.0.0.9", false));
    std::unique_ptr<CKestFWAddress> range(snat.replaceIPRangeAddress(name37.c_str()));
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->toString(), "ip 10.0.0.1-10.0.0.9");
    EXPECT_EQ(snat.toString(), "snat addrset " + name37);
    EXPECT_EQ(snat.replaceIPRangeAddress("again"), nullptr);

    CKestFWRuleActionDNAT dnat(new CKestFWAddressIPv6Range("2001:db8::1-2001:db8::9", false), FW_RULE_POOLOPT_RANDOM,
                               8080, 0);
    std::unique_ptr<CKestFWAddress> range6(dnat.replaceIPRangeAddress("target6"));
    ASSERT_NE(range6, nullptr);
    EXPECT_EQ(dnat.toString(), "dnat addrset target6 port 8080 poolopt random");

    CKestFWRuleActionSNAT host(new CKestFWAddressIPv4("10.0.0.1", false));
    EXPECT_EQ(raised([&] { host.replaceIPRangeAddress(std::string(38, 'n').c_str()); }),
              "32: id is too long: " + std::string(38, 'n'));
    EXPECT_EQ(host.replaceIPRangeAddress("target7"), nullptr);
}

// The name tables serve both the printer and the parser.
TEST(ActionNames, EveryNameReadsBack) {
    for (unsigned code = 1; code < FW_RULE_ACTION_COUNT; ++code)
        EXPECT_EQ(CKestFWRuleAction::actionFromName(CKestFWRuleAction::actionName(code)), static_cast<int>(code));
    for (unsigned opt = 0; opt < FW_RULE_POOLOPT_COUNT; ++opt)
        EXPECT_EQ(CKestFWRuleAction::poolOptFromName(CKestFWRuleAction::poolOptName(opt)), static_cast<int>(opt));
    for (unsigned app = FW_DYNAPP_FTP; app <= FW_DYNAPP_TFTP; ++app)
        EXPECT_EQ(CKestFWRuleAction::dynamicAppFromName(CKestFWRuleAction::dynamicAppName(app)), static_cast<int>(app));
    EXPECT_EQ(CKestFWRuleAction::actionFromName("unknown"), -1);
    EXPECT_EQ(CKestFWRuleAction::poolOptFromName("SOURCE-HASH"), 3);
}

}  // namespace
