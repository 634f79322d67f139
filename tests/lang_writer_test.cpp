// The configuration writer: rules (from objects and through their records), commands with their port
// clauses and members, names as tokens, what it refuses, and the two exported functions.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/KestFWException.h"
#include "cmd/KestFWCmdClearRuleSet.h"
#include "cmd/KestFWCmdConfigSharedAddrSet.h"
#include "cmd/KestFWCmdCreateAddrSet.h"
#include "cmd/KestFWCmdCreateRuleSet.h"
#include "cmd/KestFWCmdDestroyAllAddrSet.h"
#include "cmd/KestFWCmdDestroyAllRuleSet.h"
#include "cmd/KestFWCmdDestroyRuleSet.h"
#include "cmd/KestFWCmdList.h"
#include "cmd/KestFWCmdSetRootRuleSet.h"
#include "kestfw/kestfw.h"
#include "lang/KestFWConfigWriter.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddressEther.h"
#include "model/KestFWAddressEtherMask.h"
#include "model/KestFWAddressEtherRange.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv4CIDR.h"
#include "model/KestFWAddressIPv4Range.h"
#include "model/KestFWAddressIPv6.h"
#include "model/KestFWAddressList.h"
#include "model/KestFWContainerID.h"
#include "model/KestFWL7Attribute.h"
#include "model/KestFWRuleActionAccept.h"
#include "model/KestFWRuleActionDNAT.h"
#include "model/KestFWRuleActionEncrypt.h"
#include "model/KestFWRuleActionJumpto.h"
#include "model/KestFWRuleActionLB.h"
#include "model/KestFWRuleActionMacRewrite.h"
#include "model/KestFWRuleActionSNAT.h"
#include "model/KestFWRuleList.h"
#include "support/LogCapture.h"
#include "support/RuleBuild.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

const char kUuid[] = "01234567-89ab-cdef-0123-456789abcdef";

// The port a fresh parse gives a command written without a port clause.
dvs_port_ defaultPort() {
    dvs_port_ p{};
    strcpy(p.agent, CKestFWConfigWriter::kDefaultAgent);
    return p;
}

dvs_port_ filterPort(const char* name) {
    dvs_port_ p{};
    strcpy(p.id, name);
    p.type = DVS_PORT_TYPE_FILTER;
    return p;
}

dvs_port_ spacedPort(unsigned type, unsigned index) {
    dvs_port_ p = defaultPort();
    strcpy(p.id, "01 23 45 67 89 ab cd ef-01 23 45 67 89 ab cd ef");
    p.index[0] = index & 0xff;
    p.index[1] = (index >> 8) & 0xff;
    p.index[2] = (index >> 16) & 0xff;
    p.type = static_cast<uint8_t>(type);
    return p;
}

FWRuleSetID_t rsId(const std::string& name) {
    FWRuleSetID_t id{};
    strncpy(id.name, name.c_str(), sizeof id.name - 1);
    return id;
}

in_addr v4(const char* text) {
    in_addr a{};
    inet_pton(AF_INET, text, &a);
    return a;
}

fw_ether_ mac(uint8_t last) { return fw_ether_{{0x00, 0x11, 0x22, 0x33, 0x44, last}}; }

// The status a refusal or any other core failure carries; 0 when the call went through.
FWStatus_t statusOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const CKestFWException& e) {
        return e.retcode();
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Whole rules: the text from the built rule and from its record read back must agree.

struct RuleCase {
    const char* name;
    RuleFill fill;
    std::string text = "";  // empty: refused with 7
};

std::ostream& operator<<(std::ostream& os, const RuleCase& c) { return os << c.name; }

void tcpRule(CKestFWRuleBuilder& b, unsigned id) {
    b.setId(id);
    b.setType(true);
    b.setProtocol(6, false);
}

std::vector<RuleCase> ruleCases() {
    return {
        {"PortsSetsAndTag",
         [](CKestFWRuleBuilder& b) {
             tcpRule(b, 10);
             b.setPosition(3);
             b.setDirection(FW_RULE_DIR_IN);
             b.setSource("web");
             b.setDest(ip4("10.0.0.0"), 24);
             b.setSourcePort(1024, 65535, false);
             b.addDestPort(80);
             b.addDestPort(443);
             b.addDestPort(1000, 2000);
             b.setAction(FW_RULE_ACTION_ACCEPT, "");
             b.setEnableLog();
             b.setTag("web-in");
         },
         "rule 10 at 3 in protocol " + proto(6) +
             " from addrset web port 1024-65535 to ip 10.0.0.0/24 port {1000-2000, 80, 443} pass with log tag web-in"},
        {"NegationsAndConnectionSpecs",
         [](CKestFWRuleBuilder& b) {
             tcpRule(b, 1);
             b.setStrict();
             b.addTCPFlags(18, true);
             b.setSource(ip4("192.168.1.1"), 32);
             b.negateSource();
             b.setDest("bad");
             b.negateDest();
             b.setDestPort(22, true);
             b.setAction(FW_RULE_ACTION_REJECT, "");
         },
         "rule 1 inout protocol " + proto(6) +
             " with {strict, not flag {SYN, ACK}} from not ip 192.168.1.1 to not addrset bad not port 22 reject"},
        {"IcmpFamilyAndIpv6",
         [](CKestFWRuleBuilder& b) {
             const unsigned int net[4] = {htonl(0x20010db8), 0, 0, 0};
             b.setId(2);
             b.setInetAF(true);
             b.setType(true);
             b.setProtocol(58, false);
             b.addICMPTypeCode(3, 4, true);
             b.setDest(net, 64);
             b.setAction(FW_RULE_ACTION_DROP, "");
         },
         "rule 2 inout inet6 protocol " + proto(58) + " not typecode 3-4 from any to ip 2001:db8::/64 drop"},
        {"ProfilesAndTrailingClauses",
         [](CKestFWRuleBuilder& b) {
             FWuuid_ ids{};
             ids.bytes[0] = 1;
             ids.bytes[8] = 2;
             tcpRule(b, 9);
             b.setProtocol(253, true);
             b.setExtendedSource(new CKestFWContainerID("ext"));
             b.setAttributeProfile(new CKestFWContainerID("ap"));
             b.setIDSProfile(ids);
             b.setTimeAttributeProfile(new CKestFWContainerID("tp"));
             b.setAction(FW_RULE_ACTION_ACCEPT, "");
             b.setCategoryId(3);
             b.setBucketId(4);
             b.setExtSrcIP("ext-ips");
             b.negateExtSrcIP();
             b.setExcludeSrc("xs");
             b.setExcludeDest("xd");
             b.setIpReputationSrc(true);
             b.setIpReputationDst(true);
         },
         "rule 9 inout not protocol 253"
         " from any to any extsrcprofile ext attrprofile ap idsprofile {1, 2} tbrprofile tp pass categoryid 3"
         " bucketid 4 extsrcip not ext-ips excludesrcip xs excludedstip xd malsrc 1 maldst 1"},
        // The parser moves a range into an address set of its own.
        {"SourceRangeRefused",
         [](CKestFWRuleBuilder& b) {
             tcpRule(b, 1);
             b.setSource(new CKestFWAddressIPv4Range(v4("10.0.0.1"), v4("10.0.0.6"), false));
             b.setAction(FW_RULE_ACTION_ACCEPT, "");
         }},
        {"OverSubscriptionRefused",
         [](CKestFWRuleBuilder& b) {
             tcpRule(b, 1);
             b.setOversubscription(1);
             b.setAction(FW_RULE_ACTION_ACCEPT, "");
         }},
    };
}

class RuleText : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RuleText, ObjectAndRecordAgree) {
    std::unique_ptr<CKestFWRule> rule = built(GetParam().fill);
    ASSERT_TRUE(rule);
    std::vector<uint8_t> rec = serialise(*rule);
    std::vector<char> out(4096, 'x');
    const FWStatus_t status = FW_WriteRuleText(asRule(rec), out.data(), static_cast<unsigned>(out.size()));
    if (GetParam().text.empty()) {
        EXPECT_EQ(statusOf([&] { CKestFWConfigWriter::rule(*rule); }), 7u);
        EXPECT_EQ(status, 7u);
        EXPECT_EQ(out[0], '\0');
    } else {
        EXPECT_EQ(CKestFWConfigWriter::rule(*rule), GetParam().text);
        ASSERT_EQ(status, 0u);
        EXPECT_EQ(std::string(out.data()), GetParam().text + ";");
    }
}

INSTANTIATE_TEST_SUITE_P(Writer, RuleText, ::testing::ValuesIn(ruleCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Sizes and arguments; and a tenant context, lost when the record is read back, is refused rather than
// written without it.
TEST(RuleTextRecord, SizesArgumentsAndFieldsTheRuleDrops) {
    std::unique_ptr<CKestFWRule> rule = built([](CKestFWRuleBuilder& b) {
        tcpRule(b, 1);
        b.setAction(FW_RULE_ACTION_DROP, "");
    });
    ASSERT_TRUE(rule);
    std::vector<uint8_t> rec = serialise(*rule);
    const std::string want = "rule 1 inout protocol " + proto(6) + " from any to any drop;";
    char out[256];
    EXPECT_EQ(FW_WriteRuleText(asRule(rec), out, static_cast<unsigned>(want.size())), 8u);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(FW_WriteRuleText(asRule(rec), out, static_cast<unsigned>(want.size() + 1)), 0u);
    EXPECT_EQ(std::string(out), want);
    EXPECT_EQ(FW_WriteRuleText(nullptr, out, sizeof out), 3u);

    FWRuleTenancyInfo_ t{};
    strcpy(t.field[0], "t1");
    rule->setTenantCtx(t);
    rec = serialise(*rule);
    EXPECT_EQ(FW_WriteRuleText(asRule(rec), out, sizeof out), 7u);
    EXPECT_EQ(statusOf([&] { CKestFWConfigWriter::rule(*rule); }), 7u);
}

// Whatever a record holds, the function answers with a status and a whole text or none.
TEST(RuleTextRecord, EveryByteSpoiledInTurn) {
    kestfw_test::LogCapture quiet;
    std::unique_ptr<CKestFWRule> rule = built(ruleCases()[0].fill);
    const std::vector<uint8_t> good = serialise(*rule);
    char out[1024];
    for (size_t i = 0; i < good.size(); ++i) {
        std::vector<uint8_t> rec = good;
        rec[i] ^= 0xff;
        if (FW_WriteRuleText(asRule(rec), out, sizeof out) == 0)
            EXPECT_EQ(out[strlen(out) - 1], ';') << i;
        else
            EXPECT_EQ(out[0], '\0') << i;
    }
}

// ---------------------------------------------------------------------------------------------
// Actions with their flags, one per case.

struct ActionCase {
    const char* name;
    std::function<CKestFWRuleAction*()> make;
    std::string text;  // empty: refused with 7
};

std::ostream& operator<<(std::ostream& os, const ActionCase& c) { return os << c.name; }

CKestFWRuleAction* withFlags(CKestFWRuleAction* a, unsigned app, bool log, bool noflow, bool lbrule) {
    if (log) a->enableLogPacket();
    if (noflow) a->enableNoFlow();
    if (lbrule) a->enableLBRule();
    if (app != 0) a->enableDynamic(app);
    return a;
}

class ActionText : public ::testing::TestWithParam<ActionCase> {};

TEST_P(ActionText, WritesOrRefuses) {
    std::unique_ptr<CKestFWRuleAction> a(GetParam().make());
    if (GetParam().text.empty())
        EXPECT_EQ(statusOf([&] { CKestFWConfigWriter::action(*a); }), 7u);
    else
        EXPECT_EQ(CKestFWConfigWriter::action(*a), GetParam().text);
}

CKestFWAddress* host(const char* ip) { return new CKestFWAddressIPv4(v4(ip), false); }
CKestFWAddress* set(const char* name) { return new CKestFWAddrSetID(name, false); }

INSTANTIATE_TEST_SUITE_P(
    Writer, ActionText,
    ::testing::Values(
        ActionCase{"FlagsAndHelper",
                   [] { return withFlags(new CKestFWRuleActionAccept(), FW_DYNAPP_FTP, true, true, true); },
                   "pass with {log, noflow, lbrule} as ftp"},
        ActionCase{"SnatHost", [] { return new CKestFWRuleActionSNAT(host("10.1.1.1")); }, "snat ip 10.1.1.1"},
        ActionCase{"DnatHostPort",
                   [] { return new CKestFWRuleActionDNAT(host("10.2.2.2"), FW_RULE_POOLOPT_NONE, 8080, 0); },
                   "dnat ip 10.2.2.2 port 8080"},
        ActionCase{"DnatPool",
                   [] { return new CKestFWRuleActionDNAT(set("p"), FW_RULE_POOLOPT_ROUND_ROBIN, 80, 90, 30); },
                   "dnat addrset p port 80-90 poolopt round-robin 30"},
        ActionCase{"DnatPoolNoPort",
                   [] { return new CKestFWRuleActionDNAT(set("p"), FW_RULE_POOLOPT_TCP_CONN_BALANCE, 0); },
                   "dnat addrset p poolopt tcp-conn-balance"},
        ActionCase{"LoadBalancer", [] { return new CKestFWRuleActionLB(FW_LB_TYPE_L7, 30, 0, "x=1"); },
                   "lb lbtype l7 lbidletimeout 30 lboptions \"x=1\""},
        ActionCase{"KeyPolicy", [] { return new CKestFWRuleActionEncrypt(kUuid); },
                   std::string("encrypt keypolicy \"") + kUuid + "\""},
        ActionCase{"JumpToKeywordName", [] { return new CKestFWRuleActionJumpto("rule"); }, "jumpto \"rule\""},
        ActionCase{"MacRewritePadsBytes", [] { return new CKestFWRuleActionMacRewrite(mac(0x0a)); },
                   "macrewrite 00:11:22:33:44:0a"},
        ActionCase{
            "SnatRange",
            [] { return new CKestFWRuleActionSNAT(new CKestFWAddressIPv4Range(v4("1.1.1.1"), v4("1.1.1.9"), false)); },
            ""},
        ActionCase{"DnatPoolOnHost",
                   [] { return new CKestFWRuleActionDNAT(host("1.1.1.1"), FW_RULE_POOLOPT_RANDOM, 0); }, ""},
        ActionCase{"DnatPoolWithSinglePort",
                   [] { return new CKestFWRuleActionDNAT(set("p"), FW_RULE_POOLOPT_RANDOM, 80, 0); }, ""},
        ActionCase{"DnatSourceHash", [] { return new CKestFWRuleActionDNAT(set("p"), FW_RULE_POOLOPT_SOURCE_HASH, 0); },
                   ""},
        ActionCase{"ThirdBalancerType", [] { return new CKestFWRuleActionLB(FW_LB_TYPE_L7_ALT); }, ""},
        ActionCase{"KeyPolicyNotAUuid", [] { return new CKestFWRuleActionEncrypt("policy-7"); }, ""},
        ActionCase{"HelperFlagsOtherThanDefault",
                   [] {
                       auto* a = new CKestFWRuleActionAccept();
                       a->enableDynamic(FW_DYNAPP_SUNRPC, true);
                       return a;
                   },
                   ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Commands and their port clauses.

using CmdMaker = std::function<CKestFWCmd*()>;

struct CmdCase {
    const char* name;
    CmdMaker make;
    std::string text;  // empty: refused with 7
};

std::ostream& operator<<(std::ostream& os, const CmdCase& c) { return os << c.name; }

CKestFWAddressList* listOf(std::vector<CKestFWAddress*> members) {
    auto* l = new CKestFWAddressList(false);
    for (CKestFWAddress* m : members) l->addAddress(m);
    return l;
}

// Two rules in list order: the rule set writes each on its own line.
CKestFWRuleList* twoRules() {
    auto* rules = new CKestFWRuleList(false);
    for (unsigned id : {2u, 1u})
        rules->addRule(built([id](CKestFWRuleBuilder& b) {
                           tcpRule(b, id);
                           b.setAction(FW_RULE_ACTION_DROP, "");
                       }).release());
    return rules;
}

std::vector<CmdCase> cmdCases() {
    static dvs_port_ def = defaultPort();
    static dvs_port_ f1 = filterPort("f1");
    static dvs_port_ vnic = spacedPort(DVS_PORT_TYPE_VNIC, 7);
    static dvs_port_ sw = spacedPort(DVS_PORT_TYPE_DVSPORT, 999);
    static dvs_port_ vif = [] {
        dvs_port_ p{};
        strcpy(p.id, kUuid);
        p.type = DVS_PORT_TYPE_VIF;
        return p;
    }();
    static dvs_port_ otherAgent = [] {
        dvs_port_ p = spacedPort(DVS_PORT_TYPE_VNIC, 7);
        strcpy(p.agent, "agent-2");
        return p;
    }();
    static dvs_port_ bigIndex = spacedPort(DVS_PORT_TYPE_DVSPORT, 1000);
    static dvs_port_ zero{};
    const std::string ruleText = "    rule 2 inout protocol " + proto(6) +
                                 " from any to any drop;\n    rule 1 inout protocol " + proto(6) +
                                 " from any to any drop;\n";
    return {
        {"CreateRuleSetOnFilter", [] { return new CKestFWCmdCreateRuleSet(&f1, rsId("r1"), rsId(""), twoRules()); },
         "create ruleset r1 of filter f1 {\n" + ruleText + "}"},
        {"CreateRuleSetWithJump", [] { return new CKestFWCmdCreateRuleSet(&def, rsId("r1"), rsId("r2"), twoRules()); },
         "create ruleset r1 jumpto r2 with {\n" + ruleText + "}"},
        {"CreateEmptyRuleSetKeywordName", [] { return new CKestFWCmdCreateRuleSet(&def, "rule"); },
         "create ruleset \"rule\""},
        {"DestroyRuleSetOnVnic", [] { return new CKestFWCmdDestroyRuleSet(&vnic, rsId("r")); },
         "destroy ruleset r of vnic 01234567-89ab-cdef-0123-456789abcdef:7"},
        {"DestroyAllOnSwitchPort", [] { return new CKestFWCmdDestroyAllRuleSet(&sw); },
         "destroy all ruleset of dvsport 01234567-89ab-cdef-0123-456789abcdef:999"},
        {"ClearRulesOnVif", [] { return new CKestFWCmdClearRuleSet(&vif, rsId("r")); },
         std::string("clear rule of ruleset r of vif \"") + kUuid + "\""},
        {"SetRootWithDerivedLayer2", [] { return new CKestFWCmdSetRootRuleSet(&def, rsId("r"), rsId("r_L2")); },
         "set root ruleset r"},
        {"SetRootWithOwnLayer2", [] { return new CKestFWCmdSetRootRuleSet(&def, rsId("r"), rsId("r_l2")); },
         "set root ruleset r and r_l2"},
        {"IpSetKeepsSingleRange",
         [] {
             return new CKestFWCmdCreateAddrSet(
                 &def, "s", FW_ADDRSET_IP, listOf({new CKestFWAddressIPv4Range(v4("1.1.1.1"), v4("1.1.1.3"), false)}));
         },
         "create addrset s with 1.1.1.1-1.1.1.3"},
        {"IpSetMembersInBraces",
         [] {
             return new CKestFWCmdCreateAddrSet(&f1, "s", FW_ADDRSET_IP,
                                                listOf({new CKestFWAddressIPv4(v4("10.0.0.1"), false),
                                                        new CKestFWAddressIPv4CIDR(v4("10.1.0.0"), 16, false),
                                                        new CKestFWAddressIPv6("2001:db8::1", false)}));
         },
         "create addrset s of filter f1 with {10.0.0.1, 10.1.0.0/16, 2001:db8::1}"},
        {"IpSetWithoutMembers", [] { return new CKestFWCmdCreateAddrSet(&def, "s", FW_ADDRSET_IP); },
         "create addrset s"},
        {"MacSetForms",
         [] {
             return new CKestFWCmdCreateAddrSet(
                 &def, "m", FW_ADDRSET_MAC,
                 listOf({new CKestFWAddressEther(mac(1), false), new CKestFWAddressEtherRange(mac(2), mac(9), false),
                         new CKestFWAddressEtherMask(mac(0), mac(0xf0), false)}));
         },
         "create addrset m with {00:11:22:33:44:01, 00:11:22:33:44:02-00:11:22:33:44:09, "
         "00:11:22:33:44:00/00:11:22:33:44:f0}"},
        {"EmptyMixedSet", [] { return new CKestFWCmdCreateAddrSet(&def, "x", 0); }, "create addrset x {}"},
        {"DisableShared", [] { return new CKestFWCmdConfigSharedAddrSet(&f1, false); },
         "disable shared addrset of filter f1"},
        // Refused.
        {"RangeAmongSeveralMembers",
         [] {
             return new CKestFWCmdCreateAddrSet(
                 &def, "s", FW_ADDRSET_IP,
                 listOf({new CKestFWAddressIPv4(v4("9.9.9.9"), false),
                         new CKestFWAddressIPv4Range(v4("1.1.1.1"), v4("1.1.1.3"), false)}));
         },
         ""},
        {"NegatedMember",
         [] {
             return new CKestFWCmdCreateAddrSet(&def, "s", FW_ADDRSET_IP,
                                                listOf({new CKestFWAddressIPv4(v4("1.1.1.1"), true)}));
         },
         ""},
        {"EmptyMacSet", [] { return new CKestFWCmdCreateAddrSet(&def, "m", FW_ADDRSET_MAC); }, ""},
        {"PortOfAnotherAgent", [] { return new CKestFWCmdDestroyAllRuleSet(&otherAgent); }, ""},
        {"PortIndexBeyondThreeDigits", [] { return new CKestFWCmdDestroyAllRuleSet(&bigIndex); }, ""},
        {"PortNamingNoSwitchPort", [] { return new CKestFWCmdDestroyAllRuleSet(&zero); }, "destroy all ruleset"},
        {"RootWithoutLayer3", [] { return new CKestFWCmdSetRootRuleSet(&def); }, ""},
        {"RootNameOver60", [] { return new CKestFWCmdSetRootRuleSet(&def, rsId(std::string(61, 'r')), rsId("x")); },
         ""},
    };
}

class CommandText : public ::testing::TestWithParam<CmdCase> {};

TEST_P(CommandText, WritesOrRefuses) {
    std::unique_ptr<CKestFWCmd> cmd(GetParam().make());
    if (GetParam().text.empty()) {
        EXPECT_EQ(statusOf([&] { CKestFWConfigWriter::command(*cmd); }), 7u);
    } else {
        EXPECT_EQ(CKestFWConfigWriter::command(*cmd), GetParam().text);
    }
}

INSTANTIATE_TEST_SUITE_P(Writer, CommandText, ::testing::ValuesIn(cmdCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// L7 attribute lists: a bracket per run of one key and one kind of value.

using Attrs = std::vector<CKestFWL7Attribute>;

struct L7Case {
    const char* name;
    std::function<Attrs()> make;
    std::string text;  // empty: refused with 7
};

std::ostream& operator<<(std::ostream& os, const L7Case& c) { return os << c.name; }

class L7Text : public ::testing::TestWithParam<L7Case> {};

TEST_P(L7Text, WritesOrRefuses) {
    const Attrs attrs = GetParam().make();
    std::vector<const CKestFWL7Attribute*> ptrs;
    for (const auto& a : attrs) ptrs.push_back(&a);
    if (GetParam().text.empty())
        EXPECT_EQ(statusOf([&] { CKestFWConfigWriter::l7Attributes(ptrs); }), 7u);
    else
        EXPECT_EQ(CKestFWConfigWriter::l7Attributes(ptrs), GetParam().text);
}

const uint8_t kUuidBytes[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};

INSTANTIATE_TEST_SUITE_P(
    Writer, L7Text,
    ::testing::Values(L7Case{"NamesAndNumbers",
                             [] {
                                 return Attrs{{FW_ATTR_KEY_APP_ID, 67L, 0},
                                              {FW_ATTR_KEY_APP_ID, std::string("APP_SSL"), 0},
                                              {FW_ATTR_KEY_TLS_VERSION, std::string("TLS_V12"), 0},
                                              {FW_ATTR_KEY_PROCESS_HASH, 5UL, 0}};
                             },
                             "[APP_ID : APP_HTTP, APP_SSL], [TLS_VERSION : TLS_V12], [PROCESS_HASH : 5u]"},
                      L7Case{
                          "UuidSidIntervalDns",
                          [] {
                              return Attrs{{FW_ATTR_KEY_FQDN, kUuidBytes, "a.io", 0},
                                           {FW_ATTR_KEY_CTX_PROFILE_ID, kUuidBytes, "", 0},
                                           {FW_ATTR_KEY_WIN_SID, std::string("S-1-5-21-1-2-3"), 0},
                                           {FW_ATTR_KEY_TB_INTRV_ID, std::string("9:00,17:30"), 0},
                                           {FW_ATTR_KEY_DNS_TXN, std::string("x.org"), 1, 3, 0, 0}};
                          },
                          std::string("[FQDN : a.io uuid \"") + kUuid + "\"], [CTX_PROFILE_ID : uuid \"" + kUuid +
                              "\"], [WIN_SID : S-1-5-21-1-2-3], [TB_INTRV_ID : \"9:0,17:30\"], [DNS_TXN : x.org 1 3]"},
                      L7Case{"DnsTransactionId",
                             [] {
                                 return Attrs{{FW_ATTR_KEY_DNS_TXN, std::string("x.org"), 1, 3, 9, 0}};
                             },
                             ""},
                      L7Case{"OtherOperator",
                             [] {
                                 return Attrs{{FW_ATTR_KEY_PROCESS_HASH, 5UL, 1}};
                             },
                             ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Names as tokens.

struct WordCase {
    const char* name;
    std::string in;
    std::string out;  // empty: refused
};

std::ostream& operator<<(std::ostream& os, const WordCase& c) { return os << c.name; }

class WordToken : public ::testing::TestWithParam<WordCase> {};

TEST_P(WordToken, BareQuotedOrRefused) {
    if (GetParam().out.empty()) {
        EXPECT_EQ(statusOf([&] { CKestFWConfigWriter::word(GetParam().in); }), 7u);
    } else {
        EXPECT_EQ(CKestFWConfigWriter::word(GetParam().in), GetParam().out);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Writer, WordToken,
    ::testing::Values(WordCase{"Identifier", "web_1.a/b-c", "web_1.a/b-c"},
                      WordCase{"Keyword", "ruleset", "\"ruleset\""}, WordCase{"KeywordOfAnyCase", "Any", "\"Any\""},
                      WordCase{"UpperCaseIsNoKeyword", "CREATE", "CREATE"},
                      WordCase{"FlagKeywordIsUpperCaseOnly", "SYN", "\"SYN\""},
                      WordCase{"StartsWithDigit", "10.0.0.1", "\"10.0.0.1\""}, WordCase{"LoneDot", ".", "\".\""},
                      WordCase{"Space", "a b", "\"a b\""}, WordCase{"Empty", "", "\"\""},
                      WordCase{"UuidWithPortShape", std::string(kUuid) + ".5", "\"" + std::string(kUuid) + ".5\""},
                      WordCase{"DoubleQuoteInside", "say \"hi\"", "'say \"hi\"'"}, WordCase{"BothQuotes", "a\"b'c", ""},
                      WordCase{"Longest", std::string(255, 'n'), std::string(255, 'n')},
                      WordCase{"TooLong", std::string(256, 'n'), ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// The configuration function: a size query, an exact fit, one byte short, and a refusal.

TEST(WriteConfigText, SizesFitsAndRefusals) {
    dvs_port_ def = defaultPort();
    CKestFWCmdList list;
    list.addCmd(new CKestFWCmdDestroyAllRuleSet(&def));
    list.addCmd(new CKestFWCmdConfigSharedAddrSet(&def, true));
    const std::string want = "destroy all ruleset;\nenable shared addrset;\n";

    unsigned int needed = 0;
    EXPECT_EQ(FW_WriteConfigText(&list, nullptr, 0, &needed), 8u);
    EXPECT_EQ(needed, want.size() + 1);

    std::vector<char> out(needed, 'x');
    EXPECT_EQ(FW_WriteConfigText(&list, out.data(), needed - 1, nullptr), 8u);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(FW_WriteConfigText(&list, out.data(), needed, &needed), 0u);
    EXPECT_EQ(std::string(out.data()), want);

    EXPECT_EQ(FW_WriteConfigText(nullptr, out.data(), needed, &needed), 3u);
    EXPECT_EQ(FW_WriteConfigText(&list, nullptr, 10, &needed), 3u);

    dvs_port_ otherAgent = spacedPort(DVS_PORT_TYPE_VNIC, 7);
    strcpy(otherAgent.agent, "agent-2");
    list.addCmd(new CKestFWCmdDestroyAllAddrSet(&otherAgent));
    needed = 0;
    EXPECT_EQ(FW_WriteConfigText(&list, out.data(), needed, &needed), 7u);
    EXPECT_EQ(needed, 0u);
}

}  // namespace
