// The rule builder and the rule: the checks that refuse a rule (in the builder and in the rule
// itself), misuse of the builder, what the setters make, the operations on a finished rule (kept
// record, strict mode, tenancy, family, merging), rule lists, and the output-size rules of the
// record renderers.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/KestFWException.h"
#include "kestfw/kestfw_rule.h"
#include "model/KestFWAddressEther.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressList.h"
#include "model/KestFWProtocol.h"
#include "model/KestFWProtocolSpecICMPType.h"
#include "model/KestFWProtocolSpecL4Port.h"
#include "model/KestFWRule.h"
#include "model/KestFWRuleActionAccept.h"
#include "model/KestFWRuleActionLB.h"
#include "model/KestFWRuleActionSNAT.h"
#include "model/KestFWRuleBuilder.h"
#include "model/KestFWRuleFactory.h"
#include "model/KestFWRuleList.h"
#include "support/LogCapture.h"

using namespace KestFirewall;
using kestfw_test::LogCapture;

namespace {

uint32_t ip4(const char* text) {
    in_addr a;
    inet_pton(AF_INET, text, &a);
    return a.s_addr;
}

CKestFWAddress* host4(const char* text) { return new CKestFWAddressIPv4(text, false); }

std::string proto(unsigned n) { return CKestFWProtocol::protocolName(n); }

using Fill = std::function<void(CKestFWRuleBuilder&)>;

// A builder holding a plain layer-3 rule of the given protocol, then `fill`.
void tcpAccept(CKestFWRuleBuilder& b, unsigned short protocol = 6) {
    b.setType(true);
    b.setProtocol(protocol, false);
    b.setAction(FW_RULE_ACTION_ACCEPT, "");
}

std::unique_ptr<CKestFWRule> built(const Fill& fill) {
    CKestFWRuleBuilder b;
    fill(b);
    return std::unique_ptr<CKestFWRule>(b.buildRule());
}

std::vector<uint8_t> serialise(CKestFWRule& r) {
    std::vector<uint8_t> buf(FW_RULE_RECORD_SIZE);
    unsigned used = 0;
    EXPECT_TRUE(r.toMessage(buf.data(), static_cast<unsigned>(buf.size()), &used));
    return buf;
}

// ---------------------------------------------------------------------------------------------
// Pieces that do not make a rule. The builder logs the reason and answers null; the rule's own
// constructor raises with the same words.

struct RefusalCase {
    const char* name;
    Fill fill;
    std::string message;
    // The fault is found by the rule itself, after the builder handed its pieces over.
    bool byRule = false;
};

std::ostream& operator<<(std::ostream& os, const RefusalCase& c) { return os << c.name; }

class RuleBuilderRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RuleBuilderRefusal, LogsTheReasonAndAnswersNull) {
    LogCapture log;
    CKestFWRuleBuilder b;
    b.setId(77);
    GetParam().fill(b);
    EXPECT_EQ(b.buildRule(), nullptr);
    EXPECT_TRUE(log.has("buildRule error 7: " + GetParam().message)) << (log.all().empty() ? "" : log.all().back());
    if (!GetParam().byRule) {
        // Nothing was handed over: the builder still refuses for the same reason.
        log.clear();
        EXPECT_EQ(b.buildRule(), nullptr);
        EXPECT_TRUE(log.has(GetParam().message));
    } else {
        // The pieces went to the rule and died with it; the builder is empty again.
        try {
            b.validateRule();
            ADD_FAILURE() << "empty builder validated";
        } catch (const CUnsupportedException& e) {
            EXPECT_STREQ(e.what(), "no protocol is defined");
        }
    }
}

const unsigned char kMac[6] = {0, 1, 2, 3, 4, 5};

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleBuilderRefusal,
    ::testing::Values(RefusalCase{"NoProtocol", [](CKestFWRuleBuilder& b) { b.setAction(FW_RULE_ACTION_DROP, ""); },
                                  "no protocol is defined"},
                      RefusalCase{"NoAction", [](CKestFWRuleBuilder& b) { b.setType(true); }, "no action is defined"},
                      RefusalCase{"UnknownActionCodeLeavesNone",
                                  [](CKestFWRuleBuilder& b) {
                                      b.setType(true);
                                      b.setAction(FW_RULE_ACTION_JUMPTO, "");
                                  },
                                  "no action is defined"},
                      RefusalCase{"LoadBalancerOnEthertype",
                                  [](CKestFWRuleBuilder& b) {
                                      b.setType(false);
                                      b.setAction(0, 0, 0, nullptr);
                                  },
                                  "cannot accept layer2 NAT rule!"},
                      RefusalCase{"SourceNATInbound",
                                  [](CKestFWRuleBuilder& b) {
                                      b.setType(true);
                                      b.setDirection(FW_RULE_DIR_IN);
                                      b.setAction(new CKestFWRuleActionSNAT(host4("1.2.3.4")));
                                  },
                                  "SNAT rule direction is not out!"},
                      RefusalCase{"Layer3MacSource",
                                  [](CKestFWRuleBuilder& b) {
                                      tcpAccept(b);
                                      b.setSource(kMac);
                                  },
                                  "layer3 rule src address is MAC"},
                      RefusalCase{"Layer3MacDest",
                                  [](CKestFWRuleBuilder& b) {
                                      tcpAccept(b);
                                      b.setDest(0x0102030405ul);
                                  },
                                  "layer3 rule dst address is MAC"},
                      RefusalCase{"Layer2IPSource",
                                  [](CKestFWRuleBuilder& b) {
                                      b.setType(false);
                                      b.setAction(FW_RULE_ACTION_ACCEPT, "");
                                      b.setSource(ip4("10.0.0.1"), 32);
                                  },
                                  "layer2 rule src address is IP"},
                      RefusalCase{"Layer2IPDest",
                                  [](CKestFWRuleBuilder& b) {
                                      b.setType(false);
                                      b.setAction(FW_RULE_ACTION_ACCEPT, "");
                                      const unsigned int v6[4] = {htonl(0x20010db8), 0, 0, 1};
                                      b.setDest(v6, 64);
                                  },
                                  "layer2 rule dst address is IP"},
                      RefusalCase{"MixedIPVersions",
                                  [](CKestFWRuleBuilder& b) {
                                      tcpAccept(b);
                                      const unsigned int v6[4] = {htonl(0x20010db8), 0, 0, 1};
                                      b.setSource(ip4("10.0.0.1"), 32);
                                      b.setDest(v6, 128);
                                  },
                                  "rule src and dst are different version of IP addresses"},
                      RefusalCase{"IcmpTypeOnTcp",
                                  [](CKestFWRuleBuilder& b) {
                                      tcpAccept(b);
                                      b.addICMPType(8, false);
                                  },
                                  "cannot accept icmp type while icmp protocol is not specified"},
                      RefusalCase{"IcmpTypeOnNegatedIcmp",
                                  [](CKestFWRuleBuilder& b) {
                                      b.setType(true);
                                      b.setProtocol(1, true);
                                      b.setAction(FW_RULE_ACTION_ACCEPT, "");
                                      b.addICMPType(8, false);
                                  },
                                  "cannot accept icmp type while icmp protocol is not specified"},
                      RefusalCase{"PortOnIcmp",
                                  [](CKestFWRuleBuilder& b) {
                                      tcpAccept(b, 1);
                                      b.setDestPort(80, false);
                                  },
                                  "cannot accept tcp/udp port while tcp/udp protocol is not specified"},
                      RefusalCase{"PortOnAnyProtocol",
                                  [](CKestFWRuleBuilder& b) {
                                      b.setType(true);
                                      b.setAction(FW_RULE_ACTION_ACCEPT, "");
                                      b.addSourcePort(80);
                                  },
                                  "cannot accept tcp/udp port while tcp/udp protocol is not specified"},
                      RefusalCase{"TcpFlagsOnUdp",
                                  [](CKestFWRuleBuilder& b) {
                                      tcpAccept(b, 17);
                                      b.addTCPFlags(2, false);
                                  },
                                  "cannot accept tcp flags/options while tcp protocol is not specified"},
                      RefusalCase{"StrictOnUdp",
                                  [](CKestFWRuleBuilder& b) {
                                      tcpAccept(b, 17);
                                      b.setStrict();
                                  },
                                  "cannot accept tcp flags/options while tcp protocol is not specified"},
                      RefusalCase{"ConnectionAndDestinationPort",
                                  [](CKestFWRuleBuilder& b) {
                                      tcpAccept(b);
                                      b.addProtocolSpec(new CKestFWProtocolSpecL4Port(0, 22, false));
                                      b.setDestPort(80, false);
                                  },
                                  "cannot accept both connection-level and direction-level specification for port",
                                  true},
                      RefusalCase{"FamilyContradictsSource",
                                  [](CKestFWRuleBuilder& b) {
                                      tcpAccept(b);
                                      b.setSource(ip4("10.0.0.1"), 32);
                                      b.setInetAF(true);
                                  },
                                  "af conflicts with rule address", true}),
    [](const ::testing::TestParamInfo<RefusalCase>& i) { return std::string(i.param.name); });

struct ConstructorCase {
    const char* name;
    std::function<CKestFWRule*()> make;
    std::string message;
};

std::ostream& operator<<(std::ostream& os, const ConstructorCase& c) { return os << c.name; }

CKestFWRule* rule(CKestFWProtocol* p, FWRuleDirection_t dir, CKestFWProtocolSpecList* conn, CKestFWAddress* src,
                  CKestFWAddress* dst, CKestFWProtocolSpecList* dstPorts, CKestFWRuleAction* action) {
    return new CKestFWRule(1, -1, dir, p, conn, src, nullptr, dst, dstPorts, action, true, false, false, nullptr,
                           nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr, false, false, 0);
}

CKestFWProtocolSpecList* listOf(unsigned char dir, CKestFWProtocolSpec* spec) {
    auto* l = new CKestFWProtocolSpecList(dir);
    l->addSpec(spec);
    return l;
}

class RuleConstructorRefusal : public ::testing::TestWithParam<ConstructorCase> {};

// Whatever was handed in is released by the refusing constructor (the sanitiser build checks).
TEST_P(RuleConstructorRefusal, RaisesUnsupportedWithTheReason) {
    try {
        std::unique_ptr<CKestFWRule> r(GetParam().make());
        ADD_FAILURE() << "accepted: " << r->toString();
    } catch (const CUnsupportedException& e) {
        EXPECT_EQ(std::string(e.what()).rfind(GetParam().message, 0), 0u) << e.what();
        EXPECT_EQ(e.retcode(), 7u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleConstructorRefusal,
    ::testing::Values(
        ConstructorCase{
            "NoProtocol",
            [] { return rule(nullptr, FW_RULE_DIR_IN, nullptr, host4("1.1.1.1"), nullptr, nullptr, nullptr); },
            "no protocol is defined"},
        ConstructorCase{"SourceNATOnEthertype",
                        [] {
                            return rule(new CKestFWProtocol(false, 0x0800, false), FW_RULE_DIR_OUT, nullptr, nullptr,
                                        nullptr, nullptr, new CKestFWRuleActionSNAT(host4("1.2.3.4")));
                        },
                        "cannot accept layer2 NAT rule!"},
        ConstructorCase{"LoadBalancerOnEthertype",
                        [] {
                            return rule(new CKestFWProtocol(false), FW_RULE_DIR_IN, nullptr, nullptr, nullptr, nullptr,
                                        new CKestFWRuleActionLB(1));
                        },
                        "cannot accept layer2 NAT rule!"},
        ConstructorCase{"SourceNATInout",
                        [] {
                            return rule(new CKestFWProtocol(true), FW_RULE_DIR_INOUT, nullptr, nullptr, nullptr,
                                        nullptr, new CKestFWRuleActionSNAT(host4("1.2.3.4")));
                        },
                        "SNAT rule direction is not out!"},
        ConstructorCase{"IcmpTypeOnTcp",
                        [] {
                            return rule(new CKestFWProtocol(true, 6, false), FW_RULE_DIR_IN,
                                        listOf(0, new CKestFWProtocolSpecICMPType(0, 3, false)), nullptr, nullptr,
                                        nullptr, nullptr);
                        },
                        "cannot accept icmp type while icmp protocol is not specified"},
        ConstructorCase{"PortsOnIcmp6",
                        [] {
                            return rule(new CKestFWProtocol(true, 58, false), FW_RULE_DIR_IN, nullptr, nullptr, nullptr,
                                        listOf(2, new CKestFWProtocolSpecL4Port(2, 80, false)), nullptr);
                        },
                        "cannot accept tcp/udp port while tcp/udp protocol is not specified"},
        ConstructorCase{"ConnectionAndDestinationPort",
                        [] {
                            return rule(new CKestFWProtocol(true, 17, false), FW_RULE_DIR_IN,
                                        listOf(0, new CKestFWProtocolSpecL4Port(0, 53, false)), nullptr, nullptr,
                                        listOf(2, new CKestFWProtocolSpecL4Port(2, 80, false)), nullptr);
                        },
                        "cannot accept both connection-level and direction-level specification for port"},
        ConstructorCase{"MacDestOnLayer3",
                        [] {
                            return rule(new CKestFWProtocol(true), FW_RULE_DIR_IN, nullptr, nullptr,
                                        new CKestFWAddressEther("00:01:02:03:04:05", false), nullptr, nullptr);
                        },
                        "layer3 rule dst address is MAC"},
        ConstructorCase{"AddressListAsSource",
                        [] {
                            auto* l = new CKestFWAddressList(false);
                            l->addAddress(host4("1.1.1.1"));
                            return rule(new CKestFWProtocol(true), FW_RULE_DIR_IN, nullptr, l, nullptr, nullptr,
                                        nullptr);
                        },
                        "rule address is not a single address"}),
    [](const ::testing::TestParamInfo<ConstructorCase>& i) { return std::string(i.param.name); });

// ---------------------------------------------------------------------------------------------
// Misuse of the builder: each raises at once, the builder keeps working.

struct MisuseCase {
    const char* name;
    Fill fill;
    FWStatus_t status;
    std::string message;
};

std::ostream& operator<<(std::ostream& os, const MisuseCase& c) { return os << c.name; }

class RuleBuilderMisuse : public ::testing::TestWithParam<MisuseCase> {};

TEST_P(RuleBuilderMisuse, Raises) {
    CKestFWRuleBuilder b;
    try {
        GetParam().fill(b);
        ADD_FAILURE() << "no exception";
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), GetParam().status) << e.what();
        EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
    }
    tcpAccept(b);
    std::unique_ptr<CKestFWRule> r(b.buildRule());
    EXPECT_NE(r, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleBuilderMisuse,
    ::testing::Values(
        MisuseCase{"ProtocolValueBeforeType", [](CKestFWRuleBuilder& b) { b.setProtocol(6, false); }, 7,
                   "no protocol is defined"},
        MisuseCase{"LogWithoutAction", [](CKestFWRuleBuilder& b) { b.setEnableLog(); }, 7, "no action is defined"},
        MisuseCase{"HelperWithoutAction", [](CKestFWRuleBuilder& b) { b.setALG(FW_DYNAPP_FTP, true); }, 7,
                   "no action is defined"},
        MisuseCase{"LBRuleWithoutAction", [](CKestFWRuleBuilder& b) { b.setEnableLBRule(); }, 7,
                   "no action is defined"},
        MisuseCase{"NoFlowWithoutAction", [](CKestFWRuleBuilder& b) { b.setDisableFlowRecord(); }, 7,
                   "no action is defined"},
        MisuseCase{"UnknownHelper",
                   [](CKestFWRuleBuilder& b) {
                       b.setAction(FW_RULE_ACTION_ACCEPT, "");
                       b.setALG(static_cast<FWDynamicApp_t>(6), false);
                   },
                   7, "unknown dynamic application"},
        MisuseCase{"AddToSinglePort",
                   [](CKestFWRuleBuilder& b) {
                       b.setDestPort(80, false);
                       b.addDestPort(81);
                   },
                   7, "rule port is not a port set: port 80"},
        MisuseCase{"AddToSourceRange",
                   [](CKestFWRuleBuilder& b) {
                       b.setSourcePort(1, 9, false);
                       b.addSourcePort(20, 30);
                   },
                   7, "rule port is not a port set"},
        MisuseCase{"ReversedRangeAdded", [](CKestFWRuleBuilder& b) { b.addDestPort(90, 80); }, 38,
                   "invalid TCP/UDP port range: 90 - 80"},
        MisuseCase{"SixteenPorts",
                   [](CKestFWRuleBuilder& b) {
                       for (unsigned short p = 1; p <= 16; ++p) b.addDestPort(p);
                   },
                   39, "16"},
        MisuseCase{"NegateMissingPort", [](CKestFWRuleBuilder& b) { b.negateSourcePort(); }, 7,
                   "no rule port is defined"},
        MisuseCase{"DirectionThree", [](CKestFWRuleBuilder& b) { b.setDirection(static_cast<FWRuleDirection_t>(3)); },
                   42, "3"},
        MisuseCase{"StatelessTwice",
                   [](CKestFWRuleBuilder& b) {
                       b.setStateless();
                       b.setStateless();
                   },
                   43, "duplicate definition of protocol spec of no state"},
        MisuseCase{"FieldThree", [](CKestFWRuleBuilder& b) { b.setRuleAddress(static_cast<CKestFWRuleField>(3), "x"); },
                   7, "unsupported rule address field 3"},
        MisuseCase{"MacAsExtendedSource",
                   [](CKestFWRuleBuilder& b) { b.setRuleAddress(KFW_RULE_FIELD_EXT_SRC_IP, 0x1ul); }, 7,
                   "extended source address cannot be MAC"},
        MisuseCase{"PrefixAbove32", [](CKestFWRuleBuilder& b) { b.setSource(ip4("10.0.0.0"), 33); }, 33,
                   "invalid ipv4 cidr: 33"},
        MisuseCase{"SetNameTooLong", [](CKestFWRuleBuilder& b) { b.setDest("an-address-set-name-of-38-characters-x"); },
                   32, "an-address-set-name"},
        MisuseCase{"LoadBalancerTypeThree", [](CKestFWRuleBuilder& b) { b.setAction(3, 0, 0, "x"); }, 7,
                   "Invalid LB Type"}),
    [](const ::testing::TestParamInfo<MisuseCase>& i) { return std::string(i.param.name); });

// ---------------------------------------------------------------------------------------------
// What the setters make, as the finished rule prints it.

struct SetterCase {
    const char* name;
    Fill fill;
    std::string text;
};

std::ostream& operator<<(std::ostream& os, const SetterCase& c) { return os << c.name; }

class RuleBuilderSetters : public ::testing::TestWithParam<SetterCase> {};

TEST_P(RuleBuilderSetters, BuildTheRuleThatPrints) {
    std::unique_ptr<CKestFWRule> r(built(GetParam().fill));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->toString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleBuilderSetters,
    ::testing::Values(
        SetterCase{"Defaults", [](CKestFWRuleBuilder& b) { tcpAccept(b); },
                   "rule 0 at 0 inout protocol " + proto(6) + " from any to any accept;"},
        SetterCase{"HostAndNetworkByPrefix",
                   [](CKestFWRuleBuilder& b) {
                       tcpAccept(b);
                       b.setSource(ip4("10.0.0.1"), 32);
                       b.setDest(ip4("10.0.0.1"), 24);
                   },
                   "rule 0 at 0 inout protocol " + proto(6) + " from ip 10.0.0.1 to ip 10.0.0.1/24 accept;"},
        SetterCase{"IPv6HostAndNetwork",
                   [](CKestFWRuleBuilder& b) {
                       tcpAccept(b);
                       const unsigned int a[4] = {htonl(0x20010db8), 0, 0, htonl(5)};
                       b.setRuleAddress(KFW_RULE_FIELD_SOURCE, a, 128);
                       b.setRuleAddress(KFW_RULE_FIELD_DEST, a, 64);
                   },
                   "rule 0 at 0 inout protocol " + proto(6) + " from ip 2001:db8::5 to ip 2001:db8::5/64 accept;"},
        SetterCase{"PortSetFromSinglesAndRanges",
                   [](CKestFWRuleBuilder& b) {
                       tcpAccept(b);
                       b.addDestPort(80);
                       b.addDestPort(8000, 8080);
                   },
                   "rule 0 at 0 inout protocol " + proto(6) + " from any to any port {8000-8080, 80} accept;"},
        SetterCase{"NegatedPortsAndAddresses",
                   [](CKestFWRuleBuilder& b) {
                       tcpAccept(b);
                       b.setSource(ip4("10.0.0.5"), 24);
                       b.negateRuleAddress(KFW_RULE_FIELD_SOURCE);
                       b.setExtSrcIP(ip4("10.9.9.9"), 32);
                       b.negateExtSrcIP();
                       b.addSourcePort(1, 2);
                       b.negateSourcePort();
                       b.setDestPort(443, false);
                       b.negateDestPort();
                       b.negateDest();  // nothing to negate
                   },
                   "rule 0 at 0 inout protocol " + proto(6) +
                       " from not ip 10.0.0.5/24 not port {1-2} to any not port 443 with ext_src_ip not ip 10.9.9.9 "
                       "accept;"},
        SetterCase{"MacValueLowByteFirstAndBytesInOrder",
                   [](CKestFWRuleBuilder& b) {
                       b.setType(false);
                       b.setAction(FW_RULE_ACTION_ACCEPT, "");
                       b.setSource(0x665544332211ul);
                       b.setRuleAddress(KFW_RULE_FIELD_DEST, kMac);
                   },
                   "rule 0 at 0 inout ethertype any from mac 11:22:33:44:55:66 to mac 00:01:02:03:04:05 accept;"},
        SetterCase{"AddressWithExclusionAndReputation",
                   [](CKestFWRuleBuilder& b) {
                       tcpAccept(b);
                       b.setRuleAddress(KFW_RULE_FIELD_SOURCE, host4("10.0.0.1"), host4("10.0.0.2"), true);
                       b.setRuleAddress(KFW_RULE_FIELD_DEST, "dst", true);
                       b.setRuleAddress(KFW_RULE_FIELD_EXT_SRC_IP, "ext", "ignored", true);
                   },
                   "rule 0 at 0 inout protocol " + proto(6) +
                       " from ip 10.0.0.1 with malicious excluding ip 10.0.0.2 to addrset dst with malicious with "
                       "ext_src_ip addrset ext accept;"},
        SetterCase{
            "ActionFlagsAndHelper",
            [](CKestFWRuleBuilder& b) {
                tcpAccept(b);
                b.setEnableLog();
                b.setDisableFlowRecord();
                b.setEnableLBRule();
                b.setALG(FW_DYNAPP_FTP, true);
            },
            "rule 0 at 0 inout protocol " + proto(6) + " from any to any accept with {log,noflow,lbrule} as ftp;"},
        SetterCase{"LoadBalancerWithAndWithoutOptions",
                   [](CKestFWRuleBuilder& b) {
                       tcpAccept(b);
                       b.setAction(1, 0, 0, "");
                       b.setAction(0, 10, 20, "opts");
                   },
                   "rule 0 at 0 inout protocol " + proto(6) +
                       " from any to any lb  lbtype L4 lbidletimeout 10 lbclosetimeout 20 lboptions opts;"},
        SetterCase{"BookkeepingInOrder",
                   [](CKestFWRuleBuilder& b) {
                       tcpAccept(b);
                       b.setId(4000000000u);
                       b.setPosition(-1);
                       b.setDirection(FW_RULE_DIR_OUT);
                       b.setInetAF(false);
                       b.setBucketId(1);
                       b.setCategoryId(2);
                       b.setOversubscription(FW_RULE_OVERSUB_BYPASS);
                       b.setInternal();
                       b.setTag("t");
                       b.setStateless();
                       b.setSloppy();
                   },
                   "# internal # rule 4000000000 out inet protocol " + proto(6) +
                       " with {stateless, sloppy} from any to any in pre_filter accept tag 't' oversubscription "
                       "bypass;"}),
    [](const ::testing::TestParamInfo<SetterCase>& i) { return std::string(i.param.name); });

TEST(RuleBuilder, ActionCodesBuildTheirActions) {
    const struct {
        FWRuleAction_t code;
        const char* text;
    } cases[] = {{FW_RULE_ACTION_ACCEPT, "accept"},
                 {FW_RULE_ACTION_DROP, "drop"},
                 {FW_RULE_ACTION_REJECT, "reject"},
                 {FW_RULE_ACTION_PUNT, "punt"},
                 {FW_RULE_ACTION_DIVERT, "divert"},
                 {FW_RULE_ACTION_COPY, "copy"},
                 {FW_RULE_ACTION_CLEAR, "clear"},
                 {FW_RULE_ACTION_IDP_DETECT, "idp_detect"},
                 {FW_RULE_ACTION_IDP_PROTECT, "idp_protect"},
                 {FW_RULE_ACTION_GOTO_FILTER, "goto_filter"},
                 {FW_RULE_ACTION_ENCRYPT, "encrypt keypolicy k1"},
                 {FW_RULE_ACTION_PBR, "pbr keypolicy k1"}};
    for (const auto& c : cases) {
        CKestFWRuleBuilder b;
        b.setType(true);
        b.setAction(c.code, "k1");
        std::unique_ptr<CKestFWRule> r(b.buildRule());
        ASSERT_NE(r, nullptr) << c.text;
        EXPECT_EQ(r->toString(), std::string("rule 0 at 0 inout protocol any from any to any ") + c.text + ";");
    }
    LogCapture log;
    CKestFWRuleBuilder b;
    b.setAction(FW_RULE_ACTION_ENCRYPT, "");
    EXPECT_TRUE(log.has("Adding Empty Key Policy "));
}

TEST(RuleBuilder, LongTagIsLoggedAndCut) {
    LogCapture log;
    const std::string tag45(45, 'x');
    std::unique_ptr<CKestFWRule> r(built([&](CKestFWRuleBuilder& b) {
        tcpAccept(b);
        b.setTag(tag45);
    }));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->getTag(), std::string(39, 'x'));
    EXPECT_TRUE(log.has("rule tag is longer than 39 chars: " + tag45));
    log.clear();
    CKestFWRuleBuilder b;
    b.setTag(std::string(39, 'y').c_str());
    EXPECT_EQ(b.getTag(), std::string(39, 'y'));
    EXPECT_FALSE(log.has("longer"));
}

TEST(RuleBuilder, FailedBuildKeepsThePiecesAndSuccessEmptiesAllButTheTag) {
    LogCapture log;
    CKestFWRuleBuilder b;
    b.setId(5);
    b.setTag("kept");
    b.setAction(FW_RULE_ACTION_DROP, "");
    b.setDestPort(80, false);
    EXPECT_EQ(b.buildRule(), nullptr);
    EXPECT_TRUE(log.has("buildRule error 7: no protocol is defined"));

    b.setType(true);
    b.setProtocol(6, false);
    std::unique_ptr<CKestFWRule> first(b.buildRule());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->toString(),
              "rule 5 at 0 inout protocol " + proto(6) + " from any to any port 80 drop tag 'kept';");

    // Reused: the defaults again, only the tag carried over.
    b.setType(true);
    b.setAction(FW_RULE_ACTION_ACCEPT, "");
    std::unique_ptr<CKestFWRule> second(b.buildRule());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->toString(), "rule 0 at 0 inout protocol any from any to any accept tag 'kept';");
}

// ---------------------------------------------------------------------------------------------
// Operations on a finished rule.

std::unique_ptr<CKestFWRule> tcpRule(unsigned id, unsigned short dstPort) {
    return built([=](CKestFWRuleBuilder& b) {
        b.setId(id);
        tcpAccept(b);
        b.setDestPort(dstPort, false);
    });
}

TEST(Rule, KeptRecordIgnoresLaterSettersExceptStrictAndTenancy) {
    std::unique_ptr<CKestFWRule> r = tcpRule(1, 80);
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
    EXPECT_EQ(serialise(*r), first);
    EXPECT_EQ(r->toString().find("strict"), std::string::npos);

    FWRuleTenancyInfo_ t;
    memset(&t, 'z', sizeof t);  // unterminated fields keep 8 characters
    memcpy(t.field[1], "ab\0", 3);
    r->setTenantCtx(t);
    std::vector<uint8_t> tenant = serialise(*r);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&tenant[1393])), "zzzzzzzz");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&tenant[1402])), "ab");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&tenant[1411])), "zzzzzzzz");
    EXPECT_EQ(tenant[1419], 0);
    std::fill(tenant.begin() + 1393, tenant.end(), 0);
    EXPECT_EQ(tenant, first);
}

TEST(Rule, StrictLeavesOtherProtocolsAlone) {
    std::unique_ptr<CKestFWRule> r = built([](CKestFWRuleBuilder& b) { tcpAccept(b, 17); });
    const std::vector<uint8_t> first = serialise(*r);
    r->setTCPStrict(true);
    EXPECT_EQ(serialise(*r), first);
    EXPECT_EQ(r->toString().find("strict"), std::string::npos);
}

TEST(Rule, FamilySetterChecks) {
    std::unique_ptr<CKestFWRule> v4 = built([](CKestFWRuleBuilder& b) {
        tcpAccept(b);
        b.setDest(ip4("10.0.0.1"), 32);
    });
    std::unique_ptr<CKestFWRule> l2 = built([](CKestFWRuleBuilder& b) {
        b.setType(false);
        b.setAction(FW_RULE_ACTION_ACCEPT, "");
        b.setSource(kMac);
    });
    EXPECT_THROW(v4->setAF(FW_RULE_AF_INET6), CUnsupportedException);
    EXPECT_THROW(l2->setAF(FW_RULE_AF_INET), CUnsupportedException);
    try {
        v4->setAF(static_cast<FWRuleAF_t>(3));
        ADD_FAILURE();
    } catch (const CUnsupportedException& e) {
        EXPECT_STREQ(e.what(), "unsupported address family 3");
    }
    v4->setAF(FW_RULE_AF_INET);
    EXPECT_EQ(v4->getAF(), FW_RULE_AF_INET);
    EXPECT_THROW(v4->setDirection(static_cast<FWRuleDirection_t>(3)), CInvalidRuleDirectionException);
}

TEST(Rule, CombineFoldsDestinationPortsOfOtherwiseEqualRules) {
    std::unique_ptr<CKestFWRule> a = tcpRule(9, 80), b = tcpRule(9, 443), c = tcpRule(10, 22);
    EXPECT_FALSE(a->combineRule(c.get()));  // other id
    EXPECT_FALSE(a->combineRule(a.get()));
    EXPECT_TRUE(a->combineRule(b.get()));
    EXPECT_EQ(a->toString(), "rule 9 at 0 inout protocol " + proto(6) + " from any to any port {80, 443} accept;");
    EXPECT_EQ(b->toString(), "rule 9 at 0 inout protocol " + proto(6) + " from any to any accept;");

    // The record written after the merge carries the merged set.
    const std::vector<uint8_t> rec = serialise(*a);
    EXPECT_EQ(rec[626], 0x1a);
    EXPECT_EQ(rec[628], 2);

    auto withAction = [](FWRuleAction_t code, bool dynamic) {
        return built([=](CKestFWRuleBuilder& b) {
            b.setId(9);
            b.setType(true);
            b.setProtocol(6, false);
            b.setAction(code, "");
            if (dynamic) b.setALG(FW_DYNAPP_FTP, true);
            b.setDestPort(1, false);
        });
    };
    std::unique_ptr<CKestFWRule> drop = withAction(FW_RULE_ACTION_DROP, false);
    std::unique_ptr<CKestFWRule> ftp = withAction(FW_RULE_ACTION_ACCEPT, true);
    std::unique_ptr<CKestFWRule> plain = withAction(FW_RULE_ACTION_ACCEPT, false);
    EXPECT_FALSE(a->combineRule(drop.get()));
    EXPECT_FALSE(a->combineRule(ftp.get()));
    EXPECT_TRUE(a->combineRule(plain.get()));
    EXPECT_NE(a->toString().find("port {1, 80, 443}"), std::string::npos);
}

TEST(Rule, ReportFormShowsExclusionsOnTheirOwnLines) {
    std::unique_ptr<CKestFWRule> r = built([](CKestFWRuleBuilder& b) {
        b.setId(3);
        b.setPosition(-1);
        b.setDirection(FW_RULE_DIR_IN);
        tcpAccept(b);
        b.setInetAF(false);
        b.setSource(ip4("10.0.0.1"), 32);
        b.negateSource();
        b.setDestPort(22, false);
    });
    EXPECT_EQ(r->toString2(), "Rule : 3\nPosition : -1\nDirection : in\nAf : inet\nProtocol : " + proto(6) +
                                  "\nConn_Spec : \nSource : ip 10.0.0.1\nSource_Excluded : Yes\nDestination : "
                                  "any\nDestination_Port : port 22\nAction : accept\n");
}

TEST(Rule, RecordDoesNotFitOneByteShort) {
    std::unique_ptr<CKestFWRule> r = tcpRule(1, 80);
    std::vector<uint8_t> buf(FW_RULE_RECORD_SIZE, 0xcc);
    unsigned used = 99;
    EXPECT_FALSE(r->toMessage(buf.data(), FW_RULE_RECORD_SIZE - 1, &used));
    EXPECT_EQ(used, 99u);
    EXPECT_EQ(buf, std::vector<uint8_t>(FW_RULE_RECORD_SIZE, 0xcc));
}

TEST(RuleList, RecordsBackToBackInOrder) {
    CKestFWRuleList empty(false);
    unsigned used = 7;
    uint8_t none[1];
    EXPECT_EQ(empty.getMsgSize(), 0u);
    EXPECT_TRUE(empty.toMessage(none, 0, &used));
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(empty.toString(), "");

    dvs_port_ port;
    memset(&port, 0, sizeof port);
    strcpy(port.id, "filter-1");
    CKestFWRuleList list(port, false);
    EXPECT_STREQ(list.getPort().id, "filter-1");
    std::unique_ptr<CKestFWRule> a = tcpRule(1, 80), b = tcpRule(2, 443);
    const std::vector<uint8_t> ra = serialise(*a), rb = serialise(*b);
    const std::string text = a->toString() + "\n" + b->toString() + "\n";
    list.addRule(a.release());
    list.addRule(b.release());
    EXPECT_EQ(list.getRuleCount(), 2u);
    EXPECT_EQ(list.getMsgSize(), 2840u);
    EXPECT_EQ(list.to_string(), text);

    std::vector<uint8_t> buf(2840);
    EXPECT_FALSE(list.toMessage(buf.data(), 2839, &used));
    ASSERT_TRUE(list.toMessage(buf.data(), 2840, &used));
    EXPECT_EQ(used, 2840u);
    EXPECT_TRUE(std::equal(ra.begin(), ra.end(), buf.begin()));
    EXPECT_TRUE(std::equal(rb.begin(), rb.end(), buf.begin() + 1420));
}

TEST(RuleList, BorrowedListLeavesRulesAndSizeOverflowRaises) {
    std::unique_ptr<CKestFWRule> r = tcpRule(1, 80);
    {
        CKestFWRuleList borrowed(true);
        for (unsigned i = 0; i < 3024624; ++i) borrowed.addRule(r.get());
        EXPECT_EQ(borrowed.getMsgSize(), 3024624u * 1420u);
        borrowed.addRule(r.get());
        try {
            borrowed.getMsgSize();
            ADD_FAILURE();
        } catch (const CIntegerOverflowException& e) {
            EXPECT_STREQ(e.what(), "too manu rules: 3024625");
        }
    }
    EXPECT_EQ(r->getId(), 1u);  // still alive
}

// ---------------------------------------------------------------------------------------------
// Rendering: the texts plus one NUL must fit; the caller's buffer is empty on any failure.

std::vector<uint8_t> recordsOf(const std::vector<CKestFWRule*>& rules) {
    std::vector<uint8_t> all;
    for (CKestFWRule* r : rules) {
        const std::vector<uint8_t> one = serialise(*r);
        all.insert(all.end(), one.begin(), one.end());
        delete r;
    }
    return all;
}

struct RenderCase {
    const char* name;
    unsigned count;
    int detailed;
};

std::ostream& operator<<(std::ostream& os, const RenderCase& c) { return os << c.name; }

class RuleRender : public ::testing::TestWithParam<RenderCase> {};

TEST_P(RuleRender, ExactRoomFitsOneByteLessIsTooSmall) {
    std::vector<CKestFWRule*> rules;
    std::string want;
    for (unsigned i = 0; i < GetParam().count; ++i) {
        CKestFWRule* r = tcpRule(i + 1, static_cast<unsigned short>(1000 + i)).release();
        want += GetParam().detailed ? r->toString2() : r->toString();
        rules.push_back(r);
    }
    const std::vector<uint8_t> recs = recordsOf(rules);
    const FWRule_* p = reinterpret_cast<const FWRule_*>(recs.data());

    std::vector<char> out(want.size() + 1, 'x');
    ASSERT_EQ(FW_GetRuleString(p, GetParam().count, out.data(), static_cast<unsigned>(out.size()), GetParam().detailed),
              0u);
    EXPECT_EQ(std::string(out.data()), want);

    std::vector<char> shortOut(want.size(), 'x');
    EXPECT_EQ(FW_GetRuleString(p, GetParam().count, shortOut.data(), static_cast<unsigned>(shortOut.size()),
                               GetParam().detailed),
              9u);
    EXPECT_EQ(shortOut[0], '\0');
}

INSTANTIATE_TEST_SUITE_P(Rules, RuleRender,
                         ::testing::Values(RenderCase{"OneRule", 1, 0}, RenderCase{"ThreeRules", 3, 0},
                                           RenderCase{"OneReport", 1, 1}, RenderCase{"TwoReports", 2, 1}),
                         [](const ::testing::TestParamInfo<RenderCase>& i) { return std::string(i.param.name); });

TEST(RuleRender, MissingArgumentsAreInvalid) {
    const std::vector<uint8_t> rec = recordsOf({tcpRule(1, 80).release()});
    const FWRule_* p = reinterpret_cast<const FWRule_*>(rec.data());
    char out[256];
    EXPECT_EQ(FW_GetRuleString(nullptr, 1, out, sizeof out, 0), 3u);
    EXPECT_EQ(FW_GetRuleString(p, 0, out, sizeof out, 0), 3u);
    EXPECT_EQ(FW_GetRuleString(p, 1, nullptr, sizeof out, 0), 3u);
    EXPECT_EQ(FW_GetRuleString(p, 1, out, 0, 0), 3u);
    FWAddress_ a;
    memset(&a, 0, sizeof a);
    EXPECT_EQ(FW_GetAddressString(nullptr, 1, out, sizeof out), 3u);
    EXPECT_EQ(FW_GetAddressString(&a, 0, out, sizeof out), 3u);
    EXPECT_EQ(FW_GetAddressString(&a, 1, nullptr, sizeof out), 3u);
    EXPECT_EQ(FW_GetAddressString(&a, 1, out, 0), 3u);
}

TEST(AddressRender, ExactRoomFitsOneByteLessIsOutOfMemory) {
    FWAddress_ recs[3];
    memset(recs, 0, sizeof recs);
    recs[0].type[0] = FW_ADDRESS_IPV4;
    const uint8_t host[4] = {10, 0, 0, 1};
    memcpy(recs[0].body, host, 4);
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
