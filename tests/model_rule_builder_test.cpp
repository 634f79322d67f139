// The rule builder and the rule: refusals, builder misuse, what the setters make, operations on a
// finished rule, rule lists, and the output-size rules of the record renderers.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/KestFWAddressEther.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressList.h"
#include "model/KestFWProtocolSpecICMPType.h"
#include "model/KestFWProtocolSpecL4Port.h"
#include "model/KestFWRuleActionSNAT.h"
#include "model/KestFWRuleList.h"
#include "support/LogCapture.h"
#include "support/RecordBytes.h"
#include "support/RuleBuild.h"

using namespace KestFirewall;
using namespace kestfw_test;
using B = CKestFWRuleBuilder;

namespace {

const unsigned char kMac[6] = {0, 1, 2, 3, 4, 5};
const unsigned int kV6[4] = {htonl(0x20010db8), 0, 0, htonl(5)};

CKestFWAddress* host4(const char* text) { return new CKestFWAddressIPv4(text, false); }

RuleFill l3(unsigned short protocol = 6) {
    return [=](B& b) {
        b.setType(true);
        b.setProtocol(protocol, false);
        b.setAction(FW_RULE_ACTION_ACCEPT, "");
    };
}
RuleFill then(RuleFill first, RuleFill second) {
    return [=](B& b) {
        first(b);
        second(b);
    };
}
const RuleFill l3v4 = then(l3(), [](B& b) { b.setSource(ip4("10.0.0.1"), 32); });
const RuleFill l2 = [](B& b) {
    b.setType(false);
    b.setAction(FW_RULE_ACTION_ACCEPT, "");
};
const RuleFill anyProtocol = [](B& b) {
    b.setType(true);
    b.setAction(FW_RULE_ACTION_ACCEPT, "");
};
const RuleFill none = [](B&) {};

std::unique_ptr<CKestFWRule> tcpRule(unsigned id, unsigned short dstPort) {
    return built([=](B& b) {
        b.setId(id);
        l3()(b);
        b.setDestPort(dstPort, false);
    });
}

// Pieces that do not make a rule: the builder logs the reason and answers null.
struct RefusalCase {
    const char* name;
    RuleFill base, spoil;
    std::string message;
    bool byRule = false;  // found by the rule itself, after the builder handed its pieces over
};

std::ostream& operator<<(std::ostream& os, const RefusalCase& c) { return os << c.name; }

class RuleBuilderRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RuleBuilderRefusal, LogsTheReasonAndAnswersNull) {
    LogCapture log;
    B b;
    GetParam().base(b);
    GetParam().spoil(b);
    EXPECT_EQ(std::unique_ptr<CKestFWRule>(b.buildRule()), nullptr);
    EXPECT_TRUE(log.has("buildRule error 7: " + GetParam().message)) << (log.all().empty() ? "" : log.all().back());
    if (GetParam().byRule) {
        // The pieces went to the rule and died with it; the builder is empty again.
        EXPECT_EQ(raised([&] { b.validateRule(); }), "7: no protocol is defined");
    } else {
        log.clear();
        EXPECT_EQ(std::unique_ptr<CKestFWRule>(b.buildRule()), nullptr);
        EXPECT_TRUE(log.has(GetParam().message));
    }
}

const std::string kNotTcpUdp = "cannot accept tcp/udp port while tcp/udp protocol is not specified";
const std::string kNotTcp = "cannot accept tcp flags/options while tcp protocol is not specified";
const std::string kNotIcmp = "cannot accept icmp type while icmp protocol is not specified";

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleBuilderRefusal,
    ::testing::Values(
        RefusalCase{"NoProtocol", none, [](B& b) { b.setAction(FW_RULE_ACTION_DROP, ""); }, "no protocol is defined"},
        RefusalCase{"NoAction", none, [](B& b) { b.setType(true); }, "no action is defined"},
        RefusalCase{"LoadBalancerOnEthertype", l2, [](B& b) { b.setAction(0, 0, 0, nullptr); },
                    "cannot accept layer2 NAT rule!"},
        RefusalCase{"SourceNATInout", anyProtocol,
                    [](B& b) { b.setAction(new CKestFWRuleActionSNAT(host4("1.2.3.4"))); },
                    "SNAT rule direction is not out!"},
        RefusalCase{"Layer3MacSource", l3(), [](B& b) { b.setSource(kMac); }, "layer3 rule src address is MAC"},
        RefusalCase{"MixedIPVersions", l3v4, [](B& b) { b.setDest(kV6, 128); },
                    "rule src and dst are different version of IP addresses"},
        RefusalCase{"IcmpTypeOnTcp", l3(), [](B& b) { b.addICMPType(8, false); }, kNotIcmp},
        RefusalCase{"PortOnIcmp", l3(1), [](B& b) { b.setDestPort(80, false); }, kNotTcpUdp},
        RefusalCase{"TcpFlagsOnUdp", l3(17), [](B& b) { b.addTCPFlags(2, false); }, kNotTcp},
        RefusalCase{"ConnectionAndDestinationPort", then(l3(), [](B& b) { b.setDestPort(80, false); }),
                    [](B& b) { b.addProtocolSpec(new CKestFWProtocolSpecL4Port(0, 22, false)); },
                    "cannot accept both connection-level and direction-level specification for port", true},
        RefusalCase{"FamilyContradictsSource", l3v4, [](B& b) { b.setInetAF(true); }, "af conflicts with rule address",
                    true}),
    ::testing::PrintToStringParamName());

// The rule's own constructor checks what the builder cannot hand it, and releases whatever was
// handed in (the sanitiser build checks); a kernel record reaches the rest (rule record tests).
CKestFWRule* rule(CKestFWProtocol* p, CKestFWAddress* src, CKestFWAddress* dst = nullptr) {
    return new CKestFWRule(1, -1, FW_RULE_DIR_IN, p, nullptr, src, nullptr, dst, nullptr, nullptr, true, false, false,
                           nullptr, nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr, false, false, 0);
}

TEST(RuleConstructor, RaisesUnsupportedWithTheReason) {
    EXPECT_EQ(raised([] {
                  delete rule(new CKestFWProtocol(true), nullptr, new CKestFWAddressEther("00:01:02:03:04:05", false));
              }),
              "7: layer3 rule dst address is MAC");
    EXPECT_EQ(raised([] {
                  auto* l = new CKestFWAddressList(false);
                  l->addAddress(host4("1.1.1.1"));
                  delete rule(new CKestFWProtocol(true), l);
              }),
              "7: rule address is not a single address: {ip 1.1.1.1}");
}

// Misuse of the builder: each raises at once, and the builder keeps working.
TEST(RuleBuilder, MisuseRaisesAndTheBuilderStillBuilds) {
    const std::pair<RuleFill, std::string> cases[] = {
        {[](B& b) { b.setProtocol(6, false); }, "7: no protocol is defined"},
        {[](B& b) { b.setEnableLog(); }, "7: no action is defined"},
        {then(anyProtocol, [](B& b) { b.setALG(static_cast<FWDynamicApp_t>(6), false); }),
         "7: unknown dynamic application"},
        {then([](B& b) { b.setDestPort(80, false); }, [](B& b) { b.addDestPort(81); }),
         "7: rule port is not a port set: port 80"},
        {[](B& b) { b.negateSourcePort(); }, "7: no rule port is defined"},
        {[](B& b) { b.setRuleAddress(static_cast<CKestFWRuleField>(3), "x"); }, "7: unsupported rule address field 3"},
        {[](B& b) { b.setRuleAddress(KFW_RULE_FIELD_EXT_SRC_IP, 0x1ul); }, "7: extended source address cannot be MAC"},
        {[](B& b) { b.setAction(3, 0, 0, "x"); }, "7: Invalid LB Type"},
    };
    for (const auto& c : cases) {
        B b;
        EXPECT_EQ(raised([&] { c.first(b); }), c.second);
        l3()(b);
        EXPECT_NE(std::unique_ptr<CKestFWRule>(b.buildRule()), nullptr) << c.second;
    }
}

// What the setters make, as the finished rule prints it.
TEST(RuleBuilder, SettersPrintWhereTheyBelong) {
    std::unique_ptr<CKestFWRule> negated = built([](B& b) {
        l3()(b);
        b.setSource(ip4("10.0.0.5"), 24);
        b.negateRuleAddress(KFW_RULE_FIELD_SOURCE);
        b.setExtSrcIP(ip4("10.9.9.9"), 32);
        b.negateExtSrcIP();
        b.addSourcePort(1, 2);
        b.negateSourcePort();
        b.setDestPort(443, false);
        b.negateDestPort();
        b.setEnableLog();
        b.setDisableFlowRecord();
        b.setEnableLBRule();
        b.setALG(FW_DYNAPP_FTP, true);
    });
    ASSERT_NE(negated, nullptr);
    EXPECT_EQ(negated->toString(),
              "rule 0 at 0 inout protocol " + proto(6) +
                  " from not ip 10.0.0.5/24 not port {1-2} to any not port 443 with ext_src_ip not "
                  "ip 10.9.9.9 accept with {log,noflow,lbrule} as ftp;");

    std::unique_ptr<CKestFWRule> excluding = built([](B& b) {
        l3()(b);
        b.setRuleAddress(KFW_RULE_FIELD_SOURCE, host4("10.0.0.1"), host4("10.0.0.2"), true);
        b.setRuleAddress(KFW_RULE_FIELD_DEST, "dst", true);
        b.setRuleAddress(KFW_RULE_FIELD_EXT_SRC_IP, "ext", "ignored", true);
        b.setAction(1, 0, 0, "");
        b.setAction(0, 10, 20, "opts");
    });
    ASSERT_NE(excluding, nullptr);
    EXPECT_EQ(excluding->toString(), "rule 0 at 0 inout protocol " + proto(6) +
                                         " from ip 10.0.0.1 with malicious excluding ip 10.0.0.2 to addrset dst with "
                                         "malicious with ext_src_ip addrset ext lb  lbtype L4 lbidletimeout 10 "
                                         "lbclosetimeout 20 lboptions opts;");

    std::unique_ptr<CKestFWRule> mac = built([](B& b) {
        l2(b);
        b.setSource(0x665544332211ul);  // the value's low byte goes first
        b.setRuleAddress(KFW_RULE_FIELD_DEST, kMac);
        b.setId(4000000000u);
        b.setPosition(-1);
        b.setDirection(FW_RULE_DIR_OUT);
        b.setInternal();
        b.setTag("t");
        b.setOversubscription(FW_RULE_OVERSUB_BYPASS);
    });
    ASSERT_NE(mac, nullptr);
    EXPECT_EQ(mac->toString(),
              "# internal # rule 4000000000 out ethertype any from mac 11:22:33:44:55:66 to mac 00:01:02:03:04:05 "
              "accept tag 't' oversubscription bypass;");
}

TEST(RuleBuilder, ActionCodesBuildTheirActions) {
    const std::string prefix = "rule 0 at 0 inout protocol any from any to any ";
    std::string actions;
    for (FWRuleAction_t code :
         {FW_RULE_ACTION_ACCEPT, FW_RULE_ACTION_DROP, FW_RULE_ACTION_REJECT, FW_RULE_ACTION_PUNT, FW_RULE_ACTION_DIVERT,
          FW_RULE_ACTION_COPY, FW_RULE_ACTION_CLEAR, FW_RULE_ACTION_IDP_DETECT, FW_RULE_ACTION_IDP_PROTECT,
          FW_RULE_ACTION_GOTO_FILTER, FW_RULE_ACTION_ENCRYPT, FW_RULE_ACTION_PBR}) {
        std::unique_ptr<CKestFWRule> r = built([&](B& b) {
            b.setType(true);
            b.setAction(code, "k1");
        });
        const std::string text = r ? r->toString() : "null";
        actions += (text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text) + " ";
    }
    EXPECT_EQ(actions,
              "accept; drop; reject; punt; divert; copy; clear; idp_detect; idp_protect; goto_filter; "
              "encrypt keypolicy k1; pbr keypolicy k1; ");
}

TEST(RuleBuilder, TagOf40IsLoggedAndCutTo39) {
    LogCapture log;
    const std::string tag40(40, 'x'), tag39(39, 'y');
    EXPECT_EQ(built(then(l3(), [&](B& b) { b.setTag(tag39); }))->getTag(), tag39);
    EXPECT_TRUE(log.all().empty());
    EXPECT_EQ(built(then(l3(), [&](B& b) { b.setTag(tag40); }))->getTag(), tag40.substr(0, 39));
    EXPECT_TRUE(log.has("rule tag is longer than 39 chars: " + tag40));
}

TEST(RuleBuilder, FailedBuildKeepsThePiecesAndSuccessEmptiesAllButTheTag) {
    LogCapture log;
    B b;
    b.setId(5);
    b.setTag("kept");
    b.setAction(FW_RULE_ACTION_DROP, "");
    b.setDestPort(80, false);
    EXPECT_EQ(b.buildRule(), nullptr);
    b.setType(true);
    b.setProtocol(6, false);
    std::unique_ptr<CKestFWRule> first(b.buildRule());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->toString(),
              "rule 5 at 0 inout protocol " + proto(6) + " from any to any port 80 drop tag 'kept';");
    b.setType(true);
    b.setAction(FW_RULE_ACTION_ACCEPT, "");
    std::unique_ptr<CKestFWRule> second(b.buildRule());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->toString(), "rule 0 at 0 inout protocol any from any to any accept tag 'kept';");
}

TEST(Rule, RecordIsWholeOrNothingAndKeptExceptForStrictAndTenancy) {
    std::unique_ptr<CKestFWRule> r = tcpRule(1, 80);
    std::vector<uint8_t> buf(FW_RULE_RECORD_SIZE, 0xcc);
    unsigned used = 99;
    EXPECT_FALSE(r->toMessage(buf.data(), FW_RULE_RECORD_SIZE - 1, &used));
    EXPECT_EQ(used, 99u);
    EXPECT_EQ(buf, std::vector<uint8_t>(FW_RULE_RECORD_SIZE, 0xcc));

    const std::vector<uint8_t> first = serialise(*r);
    r->setTag("changed");
    r->setDirection(FW_RULE_DIR_OUT);
    r->setInternal();
    EXPECT_EQ(serialise(*r), first);

    r->setTCPStrict(true);
    std::vector<uint8_t> strict = serialise(*r);
    EXPECT_EQ(strict[1287], 0x08);
    strict[1287] = 0;
    EXPECT_EQ(strict, first);
    EXPECT_NE(r->toString().find(" strict "), std::string::npos);
    r->setTCPStrict(false);

    FWRuleTenancyInfo_ t;
    memset(&t, 'z', sizeof t);  // unterminated fields keep 8 characters
    memcpy(t.field[1], "ab\0", 3);
    r->setTenantCtx(t);
    std::vector<uint8_t> tenant = serialise(*r);
    EXPECT_EQ(std::vector<uint8_t>(tenant.begin() + 1393, tenant.end()),
              hex("7a7a7a7a7a7a7a7a00 616200" + zeros(6) + " 7a7a7a7a7a7a7a7a00"));
    std::fill(tenant.begin() + 1393, tenant.end(), 0);
    EXPECT_EQ(tenant, first);

    std::unique_ptr<CKestFWRule> udp = built(l3(17));
    const std::vector<uint8_t> udpRecord = serialise(*udp);
    udp->setTCPStrict(true);  // only a TCP rule takes it
    EXPECT_EQ(serialise(*udp), udpRecord);
}

TEST(Rule, FamilyAndDirectionSettersCheck) {
    std::unique_ptr<CKestFWRule> v4 = built(then(l3(), [](B& b) { b.setDest(ip4("10.0.0.1"), 32); }));
    EXPECT_EQ(raised([&] { v4->setAF(FW_RULE_AF_INET6); }), "7: af conflicts with rule address");
    EXPECT_EQ(raised([&] { v4->setAF(static_cast<FWRuleAF_t>(3)); }), "7: unsupported address family 3");
    EXPECT_EQ(raised([&] { v4->setDirection(static_cast<FWRuleDirection_t>(3)); }), "42: invalid rule action id: 3");
}

TEST(Rule, CombineFoldsDestinationPortsOfOtherwiseEqualRules) {
    std::unique_ptr<CKestFWRule> a = tcpRule(9, 80), b = tcpRule(9, 443), c = tcpRule(10, 22);
    EXPECT_FALSE(a->combineRule(c.get()));  // other id
    EXPECT_TRUE(a->combineRule(b.get()));
    EXPECT_EQ(a->toString(), "rule 9 at 0 inout protocol " + proto(6) + " from any to any port {80, 443} accept;");
    EXPECT_EQ(b->toString(), "rule 9 at 0 inout protocol " + proto(6) + " from any to any accept;");
    const std::vector<uint8_t> rec = serialise(*a);  // written after the merge: the merged set
    EXPECT_EQ(std::vector<uint8_t>(rec.begin() + 626, rec.begin() + 664), hex("1a00 0200 0050 01bb" + zeros(30)));

    auto other = [](FWRuleAction_t code, bool dynamic) {
        return built([=](B& b) {
            b.setId(9);
            l3()(b);
            b.setAction(code, "");
            if (dynamic) b.setALG(FW_DYNAPP_FTP, true);
            b.setDestPort(1, false);
        });
    };
    EXPECT_FALSE(a->combineRule(other(FW_RULE_ACTION_DROP, false).get()));
    EXPECT_FALSE(a->combineRule(other(FW_RULE_ACTION_ACCEPT, true).get()));
}

TEST(Rule, ReportFormShowsExclusionsOnTheirOwnLines) {
    std::unique_ptr<CKestFWRule> r = built([](B& b) {
        b.setId(3);
        b.setPosition(-1);
        b.setDirection(FW_RULE_DIR_IN);
        l3()(b);
        b.setInetAF(false);
        b.setSource(ip4("10.0.0.1"), 32);
        b.negateSource();
        b.setDestPort(22, false);
    });
    EXPECT_EQ(r->toString2(), "Rule : 3\nPosition : -1\nDirection : in\nAf : inet\nProtocol : " + proto(6) +
                                  "\nConn_Spec : \nSource : ip 10.0.0.1\nSource_Excluded : Yes\nDestination : "
                                  "any\nDestination_Port : port 22\nAction : accept\n");
}

// A list writes its rules' records back to back; the renderer needs room for the texts plus one
// NUL, and leaves the caller's buffer empty on any failure.
TEST(RuleList, RecordsBackToBackAndRenderedWithExactRoom) {
    CKestFWRuleList list(false);
    unsigned used = 7;
    std::vector<uint8_t> want;
    std::string texts[2];
    for (unsigned i = 0; i < 3; ++i) {
        std::unique_ptr<CKestFWRule> r = tcpRule(i + 1, static_cast<unsigned short>(1000 + i));
        const std::vector<uint8_t> one = serialise(*r);
        want.insert(want.end(), one.begin(), one.end());
        texts[0] += r->toString();
        texts[1] += r->toString2();
        list.addRule(r.release());
    }
    EXPECT_EQ(list.getMsgSize(), 4260u);
    std::vector<uint8_t> recs(4260);
    EXPECT_FALSE(list.toMessage(recs.data(), 4259, &used));
    ASSERT_TRUE(list.toMessage(recs.data(), 4260, &used));
    EXPECT_EQ(recs, want);

    for (int detailed : {0, 1}) {
        const std::string& text = texts[detailed];
        std::vector<char> out(text.size() + 1, 'x');
        ASSERT_EQ(FW_GetRuleString(asRule(recs), 3, out.data(), static_cast<unsigned>(out.size()), detailed), 0u);
        EXPECT_EQ(std::string(out.data()), text);
        EXPECT_EQ(FW_GetRuleString(asRule(recs), 3, out.data(), static_cast<unsigned>(text.size()), detailed), 9u);
        EXPECT_EQ(out[0], '\0');
    }
}

TEST(RuleList, BorrowedListLeavesRulesAndSizeOverflowRaises) {
    std::unique_ptr<CKestFWRule> r = tcpRule(1, 80);
    {
        CKestFWRuleList borrowed(true);
        for (unsigned i = 0; i < 3024624; ++i) borrowed.addRule(r.get());
        EXPECT_EQ(borrowed.getMsgSize(), 3024624u * 1420u);
        borrowed.addRule(r.get());
        EXPECT_EQ(raised([&] { borrowed.getMsgSize(); }), "17: too manu rules: 3024625");
    }
    EXPECT_EQ(r->getId(), 1u);  // still alive
}

TEST(RuleRender, MissingArgumentsAreInvalid) {
    const std::vector<uint8_t> rec = serialise(*tcpRule(1, 80));
    const FWRule_* p = asRule(rec);
    char out[256];
    EXPECT_EQ(FW_GetRuleString(nullptr, 1, out, sizeof out, 0), 3u);
    EXPECT_EQ(FW_GetRuleString(p, 0, out, sizeof out, 0), 3u);
    EXPECT_EQ(FW_GetRuleString(p, 1, nullptr, sizeof out, 0), 3u);
    FWAddress_ a{};
    EXPECT_EQ(FW_GetAddressString(&a, 1, out, 0), 3u);
}

TEST(AddressRender, ExactRoomFitsOneByteLessIsOutOfMemory) {
    FWAddress_ recs[3];
    memset(recs, 0, sizeof recs);
    recs[0].type[0] = FW_ADDRESS_IPV4;
    memcpy(recs[0].body, hex("0a000001").data(), 4);
    recs[1].type[0] = FW_ADDRESS_ADDRSET;
    recs[1].flags = FW_ADDRESS_FLAG_NEGATE;
    memcpy(recs[1].body, "web", 3);
    const std::string want = "ip 10.0.0.1not addrset web";
    std::vector<char> out(want.size() + 1);
    ASSERT_EQ(FW_GetAddressString(recs, 2, out.data(), static_cast<unsigned>(out.size())), 0u);
    EXPECT_EQ(std::string(out.data()), want);
    EXPECT_EQ(FW_GetAddressString(recs, 2, out.data(), static_cast<unsigned>(want.size())), 8u);
    EXPECT_EQ(out[0], '\0');

    recs[2].type[0] = FW_ADDRESS_ETHER_RANGE;
    char big[256];
    EXPECT_EQ(FW_GetAddressString(recs, 3, big, sizeof big), 33u);
    EXPECT_STREQ(big, "");
}

}  // namespace
