// The configuration grammar: each statement and rule form against the command it builds, every
// refusal with its status and message, syntax-error wording, the loader's outputs, and whole texts
// loaded and evaluated through the simulated module.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cmd/KestFWCmdConfig.h"
#include "cmd/KestFWCmdCreateAddrSet.h"
#include "cmd/KestFWCmdCreateRuleSet.h"
#include "cmd/KestFWCmdList.h"
#include "cmd/KestFWCmdSetRootRuleSet.h"
#include "kestfw/kestfw.h"
#include "model/KestFWAddressList.h"
#include "model/KestFWRule.h"
#include "model/KestFWRuleList.h"
#include "sim/KestSimControl.h"
#include "support/LogCapture.h"
#include "support/SimHandle.h"

using namespace KestFirewall;

namespace {

struct Loaded {
    FWStatus_t status = 0;
    fwlibhandle_* handle = nullptr;
    void* config = nullptr;
    ~Loaded() {
        if (config != nullptr) FW_FreeConfigFile(config);
        if (handle != nullptr) FW_Exit(handle);
    }
    CKestFWCmdList* list() const { return static_cast<CKestFWCmdList*>(config); }
    CKestFWCmd* last() const { return list() && !list()->commands().empty() ? list()->commands().back() : nullptr; }
};

std::unique_ptr<Loaded> load(const std::string& text) {
    std::unique_ptr<Loaded> l(new Loaded());
    l->status = FW_LoadConfigString(text.c_str(), &l->handle, &l->config);
    return l;
}

std::string lastMessage() {
    FWParseError_ e;
    return FW_GetLastParseError(&e) == 0 ? e.message : "<none>";
}

// The rule set command a text ends with, and its only rule.
[[maybe_unused]] const CKestFWRule* onlyRule(const Loaded& l) {
    auto* cmd = dynamic_cast<CKestFWCmdCreateRuleSet*>(l.last());
    if (cmd == nullptr || cmd->getRuleList() == nullptr || cmd->getRuleList()->getRuleCount() != 1) return nullptr;
    return cmd->getRuleList()->getRules().front();
}

[[maybe_unused]] FWRule_ record(const CKestFWRule* rule) {
    FWRule_ r;
    memset(&r, 0, sizeof r);
    unsigned used = 0;
    const_cast<CKestFWRule*>(rule)->toMessage(&r, sizeof r, &used);
    return r;
}

// ---- Statements ------------------------------------------------------------------------------------

struct StatementRow {
    const char* text;
    unsigned opcode;
    const char* toString;
};

class Statements : public ::testing::TestWithParam<StatementRow> {};

TEST_P(Statements, BuildTheirCommand) {
    auto l = load(GetParam().text);
    ASSERT_EQ(l->status, 0u) << lastMessage();
    ASSERT_NE(l->last(), nullptr);
    EXPECT_EQ(l->list()->commands().size(), 1u);
    EXPECT_EQ(l->last()->getCommand(), GetParam().opcode);
    EXPECT_EQ(l->last()->toString(), GetParam().toString);
}

INSTANTIATE_TEST_SUITE_P(
    Lang, Statements,
    ::testing::Values(
        StatementRow{"create ruleset r1;", 3, "create ruleset r1"},
        StatementRow{
            "create ruleset r1 of filter f1 { rule 1 in protocol any from any to any drop; };", 3,
            "create ruleset r1 for filter f1 with {\nrule 1 at 0 in protocol any from any to any drop;\n\n}\n"},
        StatementRow{"create ruleset r1 with rule 3 out protocol udp from any to any port 53 pass;", 3,
                     "create ruleset r1 with {\nrule 3 at 0 out protocol udp from any to any port 53 accept;\n\n}\n"},
        StatementRow{"create ruleset r1 jumpto r2 with { rule 1 inout protocol any from any to any punt; };", 3,
                     "create ruleset r1 jumpto r2 with {\nrule 1 at 0 inout protocol any from any to any punt;\n\n}\n"},
        StatementRow{"describe root ruleset of filter f;", 4, "describe root ruleset  of filter f"},
        StatementRow{"set root ruleset r;", 3, "set root ruleset r for dvsport \":0\""},
        StatementRow{"set root ruleset a and b of vnic 01234567-89ab-cdef-0123-456789abcdef.2;", 3,
                     "set root ruleset a and b for dvsport \"01 23 45 67 89 ab cd ef-01 23 45 67 89 ab cd ef:2\""},
        StatementRow{"clear root ruleset;", 33, "clear root ruleset of dvsport \":0\""},
        StatementRow{"destroy ruleset r;", 7, "destroy ruleset r"},
        StatementRow{"destroy all ruleset to filter f;", 58, "destroy all ruleset  of filter f"},
        StatementRow{"set jumpto of ruleset a as b;", 59, "set jumpto of ruleset a as b "},
        StatementRow{"describe jumpto of ruleset a;", 60, "describe jumpto of ruleset a"},
        StatementRow{"clear jumpto of ruleset a;", 61, "clear jumpto of ruleset a"},
        StatementRow{"clear rule of ruleset a;", 6, "clear rule of ruleset a"},
        StatementRow{"describe count of ruleset;", 1, "describe count of ruleset "},
        StatementRow{"create addrset web with { ip 10.0.0.1, ip 10.0.0.2 };", 13,
                     "create addrset web with {ip 10.0.0.1, ip 10.0.0.2}"},
        StatementRow{"create addrset m with { 00:11:22:33:44:55, mac 00:11:22:33:44:66 };", 13,
                     "create addrset m with {mac 00:11:22:33:44:55, mac 00:11:22:33:44:66}"},
        StatementRow{"create addrset mix { 10.0.0.0/8, 00:11:22:33:44:55 };", 13,
                     "create addrset mix with {ip 10.0.0.0/8, mac 00:11:22:33:44:55}"},
        StatementRow{"create addrset e;", 13, "create addrset e with {}"},
        StatementRow{"create APP_ID attrset apps with { \"5\", \"7\" };", 13,
                     "create addrset apps with {int attr 5 APP_UNASSIGNED_5, int attr 7 APP_UNASSIGNED_7}"},
        StatementRow{"delete all from addrset s;", 62, "delete all from addrset s"},
        StatementRow{"destroy addrset s;", 14, "destroy addrset s"},
        StatementRow{"destroy all addrset;", 63, "destroy all addrset"},
        StatementRow{"delete attrprofile p;", 14, "destroy addrset p"},
        StatementRow{"destroy container c;", 14, "destroy addrset c"},
        StatementRow{"enable shared addrset;", 41, "enable shared addrset"},
        StatementRow{"disable shared addrset;", 41, "disable shared addrset"}));

// ---- Rule forms --------------------------------------------------------------------------------------

struct RuleRow {
    const char* rule;      // the text after "create ruleset r with "
    const char* toString;  // the rule as the model renders it
};

class RuleForms : public ::testing::TestWithParam<RuleRow> {};

TEST_P(RuleForms, BuildTheirRule) {
    auto l = load(std::string("create ruleset r with ") + GetParam().rule + ";");
    ASSERT_EQ(l->status, 0u) << lastMessage();
    const CKestFWRule* rule = onlyRule(*l);
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule->toString(), GetParam().toString);
}

INSTANTIATE_TEST_SUITE_P(
    Lang, RuleForms,
    ::testing::Values(
        RuleRow{"rule 1 at 7 inout protocol tcp from any to any pass",
                "rule 1 at 7 inout protocol tcp from any to any accept;"},
        RuleRow{"rule 1 in inet protocol 17 from 10.0.0.1 to 10.0.0.0/8 port 53 pass",
                "rule 1 at 0 in inet protocol udp from ip 10.0.0.1 to ip 10.0.0.0/8 port 53 accept;"},
        RuleRow{"rule 1 out inet6 protocol any from ip 2001:db8::1 to 2001:db8::/32 drop",
                "rule 1 at 0 out inet6 protocol any from ip 2001:db8::1 to ip 2001:db8::/32 drop;"},
        RuleRow{"rule 1 in not protocol udp from any to any drop",
                "rule 1 at 0 in not protocol udp from any to any drop;"},
        RuleRow{"rule 1 in not protocol 6 from any to any drop",
                "rule 1 at 0 in not protocol tcp from any to any drop;"},
        RuleRow{"rule 1 in ethertype any from 00:11:22:33:44:55 to any drop",
                "rule 1 at 0 in ethertype any from mac 00:11:22:33:44:55 to any drop;"},
        RuleRow{"rule 1 in ethertype 2054 from mac 00:11:22:33:44:55 to 00:11:22:33:44:00/ff:ff:ff:ff:ff:00 pass",
                "rule 1 at 0 in ethertype 0x0806 from mac 00:11:22:33:44:55 to mac 00:11:22:33:44:00/ff:ff:ff:ff:ff:00 "
                "accept;"},
        RuleRow{"rule 1 in not ethertype 2048 from 00:11:22:33:44:00-00:11:22:33:44:ff to any drop",
                "rule 1 at 0 in not ethertype 0x0800 from mac 00:11:22:33:44:00-00:11:22:33:44:ff to any drop;"},
        RuleRow{"rule 1 in protocol tcp stateless from any to any pass",
                "rule 1 at 0 in protocol tcp stateless from any to any accept;"},
        RuleRow{
            "rule 1 in protocol tcp with { strict, flag {SYN,ACK}, not option \"ab\" } from any to any pass",
            "rule 1 at 0 in protocol tcp with {strict, flag 0x0012, not tcpoptions 0x6162} from any to any accept;"},
        RuleRow{"rule 1 in protocol tcp with { sloppy, dscp \"1f\", not flag 3, } from any to any pass",
                "rule 1 at 0 in protocol tcp with {sloppy, dscp 31, not flag 0x0003} from any to any accept;"},
        RuleRow{"rule 1 in protocol icmp with { not typecode 3-1, } from any to any pass",
                "rule 1 at 0 in protocol icmp not typecode 3:1 from any to any accept;"},
        RuleRow{"rule 1 in protocol icmp not icmptype 0 from any to any pass",
                "rule 1 at 0 in protocol icmp not icmptype 0 from any to any accept;"},
        RuleRow{"rule 1 in protocol udp dscp 46 from any port 1000-2000 to any not port {53, 60-70,} pass",
                "rule 1 at 0 in protocol udp dscp 46 from any port 1000-2000 to any not port {60-70, 53} accept;"},
        RuleRow{"rule 1 in protocol tcp from any not port 22 to any not port 1-1023 pass",
                "rule 1 at 0 in protocol tcp from any not port 22 to any not port 1-1023 accept;"},
        RuleRow{"rule 1 in protocol any from addrset a to not addrset b drop",
                "rule 1 at 0 in protocol any from addrset a to not addrset b drop;"},
        RuleRow{"rule 1 in protocol any from webs to not dbs drop",
                "rule 1 at 0 in protocol any from addrset webs to not addrset dbs drop;"},
        RuleRow{"rule 1 in protocol any from not ip 10.0.0.1 to not 10.0.0.0/24 drop",
                "rule 1 at 0 in protocol any from not ip 10.0.0.1 to not ip 10.0.0.0/24 drop;"},
        RuleRow{"rule 1 in ethertype any from not mac 00:11:22:33:44:55 to not 00:11:22:33:44:56 drop",
                "rule 1 at 0 in ethertype any from not mac 00:11:22:33:44:55 to not mac 00:11:22:33:44:56 drop;"},
        RuleRow{"rule 1 in protocol any from any to any reject", "rule 1 at 0 in protocol any from any to any reject;"},
        RuleRow{"rule 1 in protocol any from any to any clear", "rule 1 at 0 in protocol any from any to any clear;"},
        RuleRow{"rule 1 in protocol any from any to any copy", "rule 1 at 0 in protocol any from any to any copy;"},
        RuleRow{"rule 1 in protocol any from any to any divert", "rule 1 at 0 in protocol any from any to any divert;"},
        RuleRow{"rule 1 in protocol any from any to any idp_detect",
                "rule 1 at 0 in protocol any from any to any idp_detect;"},
        RuleRow{"rule 1 in protocol any from any to any idp_protect",
                "rule 1 at 0 in protocol any from any to any idp_protect;"},
        RuleRow{"rule 1 in protocol any from any to any goto_filter",
                "rule 1 at 0 in protocol any from any to any goto_filter;"},
        RuleRow{"rule 1 in protocol any from any to any jumpto inner",
                "rule 1 at 0 in protocol any from any to any jumpto inner;"},
        RuleRow{"rule 1 in protocol any from any to any encrypt keypolicy 01234567-89ab-cdef-0123-456789abcdef",
                "rule 1 at 0 in protocol any from any to any encrypt keypolicy 01234567-89ab-cdef-0123-456789abcdef;"},
        RuleRow{"rule 1 in protocol any from any to any pbr keypolicy 01234567-89ab-cdef-0123-456789abcdef",
                "rule 1 at 0 in protocol any from any to any pbr keypolicy 01234567-89ab-cdef-0123-456789abcdef;"},
        RuleRow{"rule 1 in protocol any from any to any macrewrite 00:11:22:33:44:55",
                "rule 1 at 0 in protocol any from any to any macrewrite 0:11:22:33:44:55;"},
        RuleRow{"rule 1 out protocol any from any to any snat addrset pool",
                "rule 1 at 0 out protocol any from any to any snat addrset pool;"},
        RuleRow{"rule 1 out protocol any from any to any snat ip 192.168.0.1",
                "rule 1 at 0 out protocol any from any to any snat ip 192.168.0.1;"},
        RuleRow{"rule 1 in protocol tcp from any to any dnat addrset pool port 80",
                "rule 1 at 0 in protocol tcp from any to any dnat addrset pool port 80;"},
        RuleRow{"rule 1 in protocol tcp from any to any dnat addrset pool port 80-90 poolopt random 30",
                "rule 1 at 0 in protocol tcp from any to any dnat addrset pool port 80-90 poolopt random 30;"},
        RuleRow{"rule 1 in protocol tcp from any to any dnat addrset pool port 80-90",
                "rule 1 at 0 in protocol tcp from any to any dnat addrset pool port 80-90;"},
        RuleRow{"rule 1 in protocol tcp from any to any dnat addrset pool poolopt round-robin",
                "rule 1 at 0 in protocol tcp from any to any dnat addrset pool poolopt round-robin;"},
        RuleRow{"rule 1 in protocol tcp from any to any dnat addrset pool",
                "rule 1 at 0 in protocol tcp from any to any dnat addrset pool;"},
        RuleRow{"rule 1 in protocol tcp from any to any dnat ip 10.1.1.1 port 8080",
                "rule 1 at 0 in protocol tcp from any to any dnat ip 10.1.1.1 port 8080;"},
        RuleRow{"rule 1 in protocol tcp from any to any dnat ip 10.1.1.1 port 8080-8081",
                "rule 1 at 0 in protocol tcp from any to any dnat ip 10.1.1.1 port 8080-8081;"},
        RuleRow{"rule 1 in protocol tcp from any to any dnat ip 10.1.1.1",
                "rule 1 at 0 in protocol tcp from any to any dnat ip 10.1.1.1;"},
        RuleRow{"rule 1 in protocol tcp from any to any lb lbtype l4",
                "rule 1 at 0 in protocol tcp from any to any lb  lbtype L4;"},
        RuleRow{"rule 1 in protocol tcp from any to any lb lbtype l7 lbidletimeout 30",
                "rule 1 at 0 in protocol tcp from any to any lb  lbtype L7 lbidletimeout 30;"},
        RuleRow{"rule 1 in protocol tcp from any to any lb lbtype l4 lbclosetimeout 5",
                "rule 1 at 0 in protocol tcp from any to any lb  lbtype L4 lbclosetimeout 5;"},
        RuleRow{"rule 1 in protocol tcp from any to any lb lbtype l4 lbidletimeout 30 lbclosetimeout 5",
                "rule 1 at 0 in protocol tcp from any to any lb  lbtype L4 lbidletimeout 30 lbclosetimeout 5;"},
        RuleRow{"rule 1 in protocol tcp from any to any lb lbtype l4 lboptions \"o\"",
                "rule 1 at 0 in protocol tcp from any to any lb  lbtype L4 lboptions o;"},
        RuleRow{"rule 1 in protocol tcp from any to any lb lbtype l4 lbidletimeout 30 lboptions \"o\"",
                "rule 1 at 0 in protocol tcp from any to any lb  lbtype L4 lbidletimeout 30 lboptions o;"},
        RuleRow{"rule 1 in protocol tcp from any to any lb lbtype l4 lbclosetimeout 5 lboptions \"o\"",
                "rule 1 at 0 in protocol tcp from any to any lb  lbtype L4 lbclosetimeout 5 lboptions o;"},
        RuleRow{
            "rule 1 in protocol tcp from any to any lb lbtype l7 lbidletimeout 3 lbclosetimeout 4 lboptions \"o\"",
            "rule 1 at 0 in protocol tcp from any to any lb  lbtype L7 lbidletimeout 3 lbclosetimeout 4 lboptions o;"},
        RuleRow{"rule 1 in protocol tcp from any to any pass with log",
                "rule 1 at 0 in protocol tcp from any to any accept with log;"},
        RuleRow{"rule 1 in protocol tcp from any to any pass with {log, rtt} as ftp",
                "rule 1 at 0 in protocol tcp from any to any accept with {log,rtt} as ftp;"},
        RuleRow{"rule 1 in protocol tcp from any to any pass with {copy, noflow, lbrule,}",
                "rule 1 at 0 in protocol tcp from any to any accept with {copy,noflow,lbrule};"},
        RuleRow{"rule 1 in protocol tcp from any to any pass as tftp",
                "rule 1 at 0 in protocol tcp from any to any accept as tftp;"},
        RuleRow{
            "rule 1 in protocol tcp from any to any extsrcprofile e attrprofile a idsprofile {1, 2} "
            "tbrprofile t pass tag web categoryid 3 bucketid 4 extsrcip not x excludesrcip y excludedstip z "
            "malsrc 1 maldst 1",
            "rule 1 at 0 in protocol tcp from any with malicious excluding addrset y to any with malicious excluding "
            "addrset z with extended src e with ext_src_ip not addrset x with attribute profile a with time attribute "
            "profile t with ids profile 01000000-0000-0000-0200-000000000000 in pre_filter accept tag 'web' active;"},
        RuleRow{"rule 1 in protocol tcp from any to any with attribute profile a pass",
                "rule 1 at 0 in protocol tcp from any to any with attribute profile a accept;"},
        RuleRow{"rule 1 in protocol tcp from any to any pass extsrcip x",
                "rule 1 at 0 in protocol tcp from any to any with ext_src_ip addrset x accept;"}));

// ---- Refusals ----------------------------------------------------------------------------------------

struct RefusalRow {
    std::string text;
    FWStatus_t status;
    std::string message;
};

class Refusals : public ::testing::TestWithParam<RefusalRow> {};

// A refused text leaves the loader's outputs as they were and names the failure for the thread.
TEST_P(Refusals, FailWithStatusAndMessage) {
    fwlibhandle_* handle = reinterpret_cast<fwlibhandle_*>(0x1);
    void* config = reinterpret_cast<void*>(0x2);
    EXPECT_EQ(FW_LoadConfigString(GetParam().text.c_str(), &handle, &config), GetParam().status);
    EXPECT_EQ(handle, reinterpret_cast<fwlibhandle_*>(0x1));
    EXPECT_EQ(config, reinterpret_cast<void*>(0x2));
    FWParseError_ e;
    ASSERT_EQ(FW_GetLastParseError(&e), 0u);
    EXPECT_EQ(e.status, GetParam().status);
    EXPECT_EQ(std::string(e.message), GetParam().message);
    EXPECT_STREQ(e.input, "<cmd>");
}

const std::string k64(64, 'n');
const std::string k61(61, 'n');
const std::string k38(38, 'n');
const std::string kRule = "create ruleset r with rule ";

INSTANTIATE_TEST_SUITE_P(
    Lang, Refusals,
    ::testing::Values(
        RefusalRow{"create ruleset " + k64 + ";", 32, "ruleset name (" + k64 + ") is too long"},
        RefusalRow{"set root ruleset " + k61 + ";", 32, "root ruleset name (" + k61 + ") is too long"},
        RefusalRow{"destroy addrset " + k38 + ";", 32, "addrset name (" + k38 + ") is too long"},
        RefusalRow{"clear root ruleset of filter " + k64 + ";", 62, "filter name is too long (" + k64 + ")"},
        RefusalRow{"clear root ruleset of vif nope;", 63, "invalid vif uuid (nope)"},
        RefusalRow{"clear root ruleset of vnic nope;", 47, "invalid vnic uuid (nope)"},
        RefusalRow{"clear root ruleset of dvsport nope;", 47, "invalid vnic uuid (nope)"},
        RefusalRow{"clear root ruleset of dvswitch nope port 1;", 54, "invalid switch id (nope)"},
        RefusalRow{"clear root ruleset of dvswitch \"00 11 22 33 44 55 66 77-88 99 aa bb cc dd ee ff\" port 16777216;",
                   17, "switch port number overflows"},
        RefusalRow{kRule + "1 in protocol 300 from any to any drop;", 17, "ip protocol value overflows"},
        RefusalRow{kRule + "1 in protocol udpx from any to any drop;", 52, "unknown protocol (udpx)"},
        RefusalRow{kRule + "1 in ethertype 70000 from any to any drop;", 17, "ether type value overflows"},
        RefusalRow{kRule + "1 in protocol tcp from any port 70000 to any drop;", 38,
                   "TCP/UDP port number (70000) is invalid"},
        RefusalRow{kRule + "1 in protocol tcp from any to any port {80, 1-70000} drop;", 38,
                   "TCP/UDP port number (70000) is invalid"},
        RefusalRow{kRule + "1 in protocol tcp flag 512 from any to any drop;", 17, "TCP flag value overflows"},
        RefusalRow{kRule + "1 in protocol icmp icmptype 256 from any to any drop;", 17, "icmp type overflows"},
        RefusalRow{kRule + "1 in protocol icmp typecode 1-256 from any to any drop;", 17, "icmp code overflows"},
        RefusalRow{kRule + "4294967296 in protocol any from any to any drop;", 17, "rule id value overflows"},
        RefusalRow{kRule + "1 at 4294967296 in protocol any from any to any drop;", 17,
                   "rule position value overflows"},
        RefusalRow{kRule + "1 in protocol any from any to any encrypt keypolicy bad;", 3, "bad uuid (bad)"},
        RefusalRow{"create NO_SUCH_KEY attrset s with x;", 16, "unknown attribute type 4294967295"},
        RefusalRow{"create addrset s with 10.0.0.1-300;", 33, "invalid ip address - 10.0.0.300"},
        RefusalRow{"create addrset s with { 2001:db8::1-2001:db9::1 };", 16,
                   "failed to replace ip range ip 2001:db8::1-2001:db9::1 to cidr list"},
        // Values the object model refuses leave the parse as its exceptions.
        RefusalRow{kRule + "1 in protocol tcp from any port 90-80 to any drop;", 16, "invalid port range"},
        RefusalRow{kRule + "1 in protocol tcp dscp \"zz\" from any to any drop;", 60, "bad dscp markings"}));

}  // namespace
