// The query, connection, identity, attribute and settings statements: each text against the command
// it builds (the bytes of the same command built directly, and its display text), the text the
// configuration writer gives back (read again, the same bytes), and every refusal with its status
// and message.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cmd/KestFWCmdAddDomain2IPMapping.h"
#include "cmd/KestFWCmdClearAllConnection.h"
#include "cmd/KestFWCmdClearKifStat.h"
#include "cmd/KestFWCmdConfigTCPStrict.h"
#include "cmd/KestFWCmdDeleteSpoofGuard.h"
#include "cmd/KestFWCmdEnableVerbose.h"
#include "cmd/KestFWCmdGetAddrSetCount.h"
#include "cmd/KestFWCmdGetAddrSetInfo.h"
#include "cmd/KestFWCmdGetAddrSetList.h"
#include "cmd/KestFWCmdGetAddrSetStatList.h"
#include "cmd/KestFWCmdGetAddrSetTypeAndSize.h"
#include "cmd/KestFWCmdGetAddressOfAddrSet.h"
#include "cmd/KestFWCmdGetConnectionCount.h"
#include "cmd/KestFWCmdGetConnectionStat.h"
#include "cmd/KestFWCmdGetHopoverExportver.h"
#include "cmd/KestFWCmdGetKifStat.h"
#include "cmd/KestFWCmdGetLBConfig.h"
#include "cmd/KestFWCmdGetLBStat.h"
#include "cmd/KestFWCmdGetRuleCountOfRuleSet.h"
#include "cmd/KestFWCmdGetRuleOfRuleSet.h"
#include "cmd/KestFWCmdGetRuleSetInfo.h"
#include "cmd/KestFWCmdGetRuleSetList.h"
#include "cmd/KestFWCmdGetSharedAddrSet.h"
#include "cmd/KestFWCmdGetStatOfRuleSet.h"
#include "cmd/KestFWCmdGetTCPStrict.h"
#include "cmd/KestFWCmdGetTimeout.h"
#include "cmd/KestFWCmdList.h"
#include "cmd/KestFWCmdSetAllConnection.h"
#include "cmd/KestFWCmdSetConnectionByFilter.h"
#include "cmd/KestFWCmdSetHopoverExportver.h"
#include "cmd/KestFWCmdSetTimeout.h"
#include "kestfw/kestfw.h"
#include "lang/KestFWConfigWriter.h"
#include "model/KestFWAddressEther.h"
#include "model/KestFWAddressIPv4.h"

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
    CKestFWCmd* only() const { return list() && list()->commands().size() == 1 ? list()->commands().front() : nullptr; }
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

std::vector<uint8_t> body(CKestFWCmd& cmd) {
    std::vector<uint8_t> b(cmd.getMsgSize());
    unsigned written = 0;
    EXPECT_TRUE(cmd.writeCmdBody(b.data(), unsigned(b.size()), &written, 0));
    b.resize(written);
    return b;
}

dvs_port_ defaultPort() {
    dvs_port_ p;
    memset(&p, 0, sizeof p);
    strcpy(p.agent, "orbane-wyb-kest");
    return p;
}

dvs_port_ filterPort(const char* name) {
    dvs_port_ p;
    memset(&p, 0, sizeof p);
    strcpy(p.id, name);
    p.type = 7;
    return p;
}

FWRuleSetID_t rs(const char* n) {
    FWRuleSetID_t id{};
    strcpy(id.name, n);
    return id;
}

FWAddrSetID_t as(const char* n) {
    FWAddrSetID_t id{};
    strcpy(id.name, n);
    return id;
}

// ---- Statements built, shown and written back ----------------------------------------------------

struct Row {
    const char* text;
    std::function<CKestFWCmd*()> direct;  // the same command built by hand; null where only the text says it
    const char* toString;                 // prefix of the display text
    const char* written;                  // what the writer gives back
};

class Statements : public ::testing::TestWithParam<Row> {};

TEST_P(Statements, BuildShowAndWriteBack) {
    const Row& row = GetParam();
    auto l = load(row.text);
    ASSERT_EQ(l->status, 0u) << lastMessage();
    CKestFWCmd* cmd = l->only();
    ASSERT_NE(cmd, nullptr);
    std::vector<uint8_t> bytes = body(*cmd);
    if (row.direct) {
        std::unique_ptr<CKestFWCmd> expected(row.direct());
        EXPECT_EQ(cmd->getCommand(), expected->getCommand());
        EXPECT_EQ(bytes, body(*expected)) << "body differs from the command built directly";
        EXPECT_EQ(0, memcmp(&cmd->getDVSPort(), &expected->getDVSPort(), sizeof(dvs_port_)));
    }
    EXPECT_EQ(cmd->toString().compare(0, strlen(row.toString), row.toString), 0) << cmd->toString();

    std::string text;
    ASSERT_NO_THROW(text = CKestFWConfigWriter::command(*cmd));
    EXPECT_EQ(text, row.written);
    auto again = load(text + ";");
    ASSERT_EQ(again->status, 0u) << text << ": " << lastMessage();
    ASSERT_NE(again->only(), nullptr);
    EXPECT_EQ(body(*again->only()), bytes) << text;
    EXPECT_EQ(0, memcmp(&again->only()->getDVSPort(), &cmd->getDVSPort(), sizeof(dvs_port_)));
}

dvs_port_ P = defaultPort();
dvs_port_ F = filterPort("f");

INSTANTIATE_TEST_SUITE_P(
    Queries, Statements,
    ::testing::Values(
        Row{"describe rule count of ruleset r;", [] { return new CKestFWCmdGetRuleCountOfRuleSet(&P, rs("r"), 0); },
            "describe rule count of ruleset", "describe rule count of ruleset r"},
        Row{"describe snat rule count of ruleset r of filter f;",
            [] { return new CKestFWCmdGetRuleCountOfRuleSet(&F, rs("r"), 1); }, "describe snat rule count",
            "describe snat rule count of ruleset r of filter f"},
        Row{"describe info of ruleset r;", [] { return new CKestFWCmdGetRuleSetInfo(&P, rs("r")); },
            "describe info of ruleset", "describe info of ruleset r"},
        Row{"describe rule of ruleset r;", [] { return new CKestFWCmdGetRuleOfRuleSet(&P, rs("r"), 10000u, 0u, 0u); },
            "describe rule of ruleset r from 0", "describe rule of ruleset r"},
        Row{"describe snat rule of ruleset r from 7;",
            [] { return new CKestFWCmdGetRuleOfRuleSet(&P, rs("r"), 10000u, 7u, 1u); },
            "describe snat rule of ruleset r from 7", "describe snat rule of ruleset r from 7"},
        Row{"describe dnat rule of ruleset r with {3,1,3};",
            [] {
                unsigned ids[] = {1, 3};
                return new CKestFWCmdGetRuleOfRuleSet(&P, rs("r"), 2, ids, 2);
            },
            "describe dnat rule of ruleset r with {1,3}", "describe dnat rule of ruleset r with {1,3}"},
        Row{"describe stat of ruleset r with 5;",
            [] {
                unsigned ids[] = {5};
                return new CKestFWCmdGetStatOfRuleSet(&P, rs("r"), 1, ids, 0);
            },
            "describe stat of ruleset r with {5}", "describe stat of ruleset r with {5}"},
        Row{"describe snat stat of ruleset r from 4294967295;",
            [] { return new CKestFWCmdGetStatOfRuleSet(&P, rs("r"), 10000u, 4294967295u, 1u); },
            "describe snat stat of ruleset r from 4294967295", "describe snat stat of ruleset r from 4294967295"},
        Row{"describe dnat stat of ruleset r to filter f;",
            [] { return new CKestFWCmdGetStatOfRuleSet(&F, rs("r"), 10000u, 0u, 2u); }, "describe dnat stat",
            "describe dnat stat of ruleset r of filter f"},
        Row{"describe list of ruleset from 9 of filter f;", [] { return new CKestFWCmdGetRuleSetList(&F, 10000, 9); },
            "describe list of ruleset of filter f from 9", "describe list of ruleset from 9 of filter f"},
        Row{"describe size of addrset s;", [] { return new CKestFWCmdGetAddrSetTypeAndSize(&P, as("s")); },
            "describe size of addrset s", "describe size of addrset s"},
        Row{"describe stat of addrset;", [] { return new CKestFWCmdGetAddrSetStatList(&P, 0, 20000, 0); },
            "describe stat of addrsets", "describe stat of addrset"},
        Row{"describe address of addrset s from 12;",
            [] { return new CKestFWCmdGetAddressOfAddrSet(&P, as("s"), 50000, 12); },
            "describe address of addrset s from 12", "describe address of addrset s from 12"},
        Row{"describe count of addrset;", [] { return new CKestFWCmdGetAddrSetCount(&P, 0); },
            "describe count of addrset", "describe count of addrset"},
        Row{"describe list of addrset from 3;", [] { return new CKestFWCmdGetAddrSetList(&P, 0, 20000, 3); },
            "describe list of addrset  from 3", "describe list of addrset from 3"}));

INSTANTIATE_TEST_SUITE_P(
    Connections, Statements,
    ::testing::Values(
        Row{"describe connection count;", [] { return new CKestFWCmdGetConnectionCount(&P, nullptr); },
            "describe connection count", "describe connection count"},
        Row{"set connection of filter f;", [] { return new CKestFWCmdSetConnectionByFilter(&F, nullptr); },
            "set connection  of filter f", "set connection of filter f"},
        Row{"set connection with from 10.0.0.1 port 80 to any port 443;", nullptr,
            "set connection  with { from 10.0.0.1:80 to 0.0.0.0:443}",
            "set connection with { from 10.0.0.1:80 to 0.0.0.0:443 }"},
        Row{"set connection with { from 10.0.0.1:80 to 10.0.0.2:81, from any:53 to 10.0.0.3:1053 };", nullptr,
            "set connection  with { from 0.0.0.0:53 to 10.0.0.3:1053, from 10.0.0.1:80 to 10.0.0.2:81}",
            "set connection with { from 0.0.0.0:53 to 10.0.0.3:1053, from 10.0.0.1:80 to 10.0.0.2:81 }"},
        Row{"set all connection;", [] { return new CKestFWCmdSetAllConnection(&P); }, "set all connection",
            "set all connection"},
        Row{"describe connection stat from 5;", [] { return new CKestFWCmdGetConnectionStat(&P, nullptr, 50000, 5); },
            "describe connection stat", "describe connection stat from 5"},
        Row{"clear all connection;", [] { return new CKestFWCmdClearAllConnection(&P); }, "clear all connection",
            "clear all connection"}));

INSTANTIATE_TEST_SUITE_P(
    Identity, Statements,
    ::testing::Values(
        Row{"create attrprofile p with { [APP_ID : \"APP_DNS\", \"APP_FTP\"], [TLS_VERSION : \"TLS_V12\"], };", nullptr,
            "create attrprofile p with {[ APP_ID : APP_DNS, APP_ID : APP_FTP][ TLS_VERSION : TLS_V12]}",
            "create attrprofile p with { [APP_ID : APP_DNS, APP_FTP], [TLS_VERSION : TLS_V12] }"},
        Row{"create container c { [FQDN : \"web\" uuid \"01234567-89ab-cdef-0123-456789abcdef\"], "
            "[PROCESS_HASH : 0x1fu] };",
            nullptr, "create attrprofile c with {",
            "create attrprofile c with { [FQDN : web uuid \"01234567-89ab-cdef-0123-456789abcdef\"], "
            "[PROCESS_HASH : 31u] }"},
        Row{"create tbrprofile t with { [TB_INTRV_ID : \"9:00,17:30\"], [DNS_TXN : \"a.com\" 1 0] };", nullptr,
            "create attrprofile t with {[ TB_INTRV_ID : 9:0,17:30][ DNS_TXN : fqdn: a.com",
            "create attrprofile t with { [TB_INTRV_ID : \"9:0,17:30\"], [DNS_TXN : a.com 1 0] }"},
        Row{"add domainuuidmap { domain a.com 7 { \"01234567-89ab-cdef-0123-456789abcdef\" }; domain b.com 0 { }; };",
            nullptr, "add domainuuid {a.com {01234567-89ab-cdef-0123-456789abcdef}, b.com {no uuids}}",
            "add domainuuidmap { domain a.com 7 {\"01234567-89ab-cdef-0123-456789abcdef\"}; domain b.com 0 {}; }"},
        Row{"add domain2ip a.com with { 10.0.0.1, 10.0.0.2 };",
            [] {
                auto* c = new CKestFWCmdAddDomain2IPMapping(&P, "a.com");
                c->addAddress(std::unique_ptr<CKestFWAddress>(new CKestFWAddressIPv4("10.0.0.1", false)), 100);
                c->addAddress(std::unique_ptr<CKestFWAddress>(new CKestFWAddressIPv4("10.0.0.2", false)), 100);
                return c;
            },
            "add domain2ip mapping a.com {ip 10.0.0.1 [ttl: 100", "add domain2ip a.com with { 10.0.0.1, 10.0.0.2 }"},
        Row{"set uid2sidmap \"S-1-5-21-1-2-3-1000\" { \"S-1-5-32-544\", \"S-1-5-32-545\" };", nullptr,
            "add uid2sid mapping UID: S-1-5-21-1-2-3-1000 {S-1-5-32-544, S-1-5-32-545}",
            "set uid2sidmap \"S-1-5-21-1-2-3-1000\" { \"S-1-5-32-544\", \"S-1-5-32-545\" }"},
        Row{"set connattr 10.0.0.1 1000 10.0.0.2 80 tcp dir_in with { [APP_ID : \"APP_DNS\"] };", nullptr,
            "set connection attr", "set connattr 10.0.0.1 1000 10.0.0.2 80 tcp dir_in with { [APP_ID : APP_DNS] }"},
        Row{"set connattr 2001:db8::1 1 2001:db8::2 2 udp dir_out with { [APP_ID : 7], [USER_SID : \"S-1-5-32-544\"] "
            "};",
            nullptr, "set connection attr",
            "set connattr 2001:db8::1 1 2001:db8::2 2 udp dir_out with { [APP_ID : APP_UNASSIGNED_7], "
            "[USER_SID : S-1-5-32-544] }"},
        Row{"set connattr of filter f 77 with { [APP_ID : 7] };", nullptr, "set connection attr",
            "set connattr of filter f 77 with { [APP_ID : APP_UNASSIGNED_7] }"}));

INSTANTIATE_TEST_SUITE_P(
    Settings, Statements,
    ::testing::Values(
        Row{"describe exportver;", [] { return new CKestFWCmdGetHopoverExportver(&P); }, "describe exportver",
            "describe exportver"},
        Row{"set exportver 3 of filter f;", [] { return new CKestFWCmdSetHopoverExportver(&F, 3u); }, "set exportver",
            "set exportver 3 of filter f"},
        Row{"delete spoofguard;", [] { return new CKestFWCmdDeleteSpoofGuard(&P, nullptr); }, "delete spoofguard",
            "delete spoofguard"},
        Row{"delete spoofguard with mac 00:11:22:33:44:55 of filter f;",
            [] {
                fw_ether_ e = {{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}};
                return new CKestFWCmdDeleteSpoofGuard(&F, new CKestFWAddressEther(e, false));
            },
            "delete spoofguard", "delete spoofguard with mac 00:11:22:33:44:55 of filter f"},
        Row{"clear stat of kif;", [] { return new CKestFWCmdClearKifStat(&P); }, "clear stat of kif",
            "clear stat of kif"},
        Row{"describe config of lb;", [] { return new CKestFWCmdGetLBConfig(&P); }, "describe config of lb",
            "describe config of lb"},
        Row{"describe stat of lb;", [] { return new CKestFWCmdGetLBStat(&P); }, "describe statistics of lb",
            "describe stat of lb"},
        Row{"enable TCP strict;", [] { return new CKestFWCmdConfigTCPStrict(&P, true); }, "enable tcp strict",
            "enable tcp strict"},
        Row{"describe Tcp strict;", [] { return new CKestFWCmdGetTCPStrict(&P); }, "describe tcp strict",
            "describe tcp strict"},
        Row{"set timeout \"dfw.tcp.established\" to 3600;",
            [] { return new CKestFWCmdSetTimeout(&P, "dfw.tcp.established", 3600); }, "",
            "set timeout \"dfw.tcp.established\" to 3600"},
        Row{"set timeout to \"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23\";",
            [] {
                FWInstTimeout_ t;
                for (unsigned i = 0; i < 23; ++i) t.value[i] = i + 1, t.present[i] = 1;
                t.pad = 0;
                return new CKestFWCmdSetTimeout(&P, &t);
            },
            "", "set timeout to \"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23\""},
        Row{"describe timeout \"DFW.UDP.SINGLE\";", [] { return new CKestFWCmdGetTimeout(&P, "dfw.udp.single"); },
            "describe timeout", "describe timeout \"dfw.udp.single\""},
        Row{"describe timeout;",
            [] {
                FWInstTimeout_ t;
                memset(&t, 0, sizeof t);
                memset(t.present, 1, sizeof t.present);
                return new CKestFWCmdGetTimeout(&P, &t);
            },
            "describe timeout", "describe timeout"},
        Row{"describe shared addrset;", [] { return new CKestFWCmdGetSharedAddrSet(&P); }, "describe shared addrset",
            "describe shared addrset"},
        Row{"debug pf 3;", [] { return new CKestFWCmdEnableVerbose(&P, 1, 3); }, "debug dp 3", "debug dp 3"},
        Row{"debug CP 15 of filter f;", [] { return new CKestFWCmdEnableVerbose(&F, 2, 15); }, "debug cp 15",
            "debug cp 15 of filter f"}));

// ---- Refusals --------------------------------------------------------------------------------------

struct ErrorRow {
    const char* text;
    FWStatus_t status;
    const char* message;
};

class Refusals : public ::testing::TestWithParam<ErrorRow> {};

TEST_P(Refusals, FailWithStatusAndMessage) {
    auto l = load(GetParam().text);
    EXPECT_EQ(l->status, GetParam().status);
    EXPECT_EQ(l->config, nullptr);
    EXPECT_EQ(lastMessage(), GetParam().message);
}

#define NAME38 "a234567890123456789012345678901234567x"
#define NAME64 "a23456789012345678901234567890123456789012345678901234567890123x"

INSTANTIATE_TEST_SUITE_P(
    Lang, Refusals,
    ::testing::Values(
        ErrorRow{"describe rule of ruleset r from 4294967296;", 17, "rule position value overflows"},
        ErrorRow{"describe dnat stat of ruleset r from 4294967296;", 17, "rule position value overflows"},
        ErrorRow{"describe rule of ruleset r with {1, 4294967296};", 17, "rule id value overflows"},
        ErrorRow{"describe list of ruleset from 4294967296;", 17, "rule index value overflows"},
        ErrorRow{"describe address of addrset s from 4294967296;", 17, "addrset index value overflows"},
        ErrorRow{"describe list of addrset from 4294967296;", 17, "addrset list index value overflows"},
        ErrorRow{"describe info of ruleset " NAME64 ";", 32, "ruleset name (" NAME64 ") is too long"},
        ErrorRow{"describe size of addrset " NAME38 ";", 32, "addrset name (" NAME38 ") is too long"},
        ErrorRow{"create container " NAME38 " { [APP_ID : 7] };", 32, "addrset name (" NAME38 ") is too long"},
        ErrorRow{"set connection with from 10.0.0.1 port 65536 to any port 1;", 38,
                 "TCP/UDP port number (65536) is invalid"},
        ErrorRow{"set connection with from 2001:db8::1 port 1 to any port 1;", 16,
                 "connection address (2001:db8::1) is not an IPv4 address"},
        ErrorRow{"create attrprofile p with { [NO_SUCH_KEY : 1] };", 16, "invalid key NO_SUCH_KEY"},
        ErrorRow{"create attrprofile p with { [FQDN : uuid \"not-a-uuid\"] };", 16, "invalid uuid valuenot-a-uuid"},
        ErrorRow{"add domainuuidmap { domain a.com 1 { \"xyz\" }; };", 16, "invalid uuid valuexyz"},
        ErrorRow{"set uid2sidmap \"bogus\" { \"S-1-5-32-544\" };", 16, "invalid uid"},
        ErrorRow{"set uid2sidmap \"S-1-5-32-544\" { \"S-1-5-32-545\", \"bogus\" };", 16, "invalid sid : bogus\n"},
        ErrorRow{"set connattr with { [APP_ID : 7] };", 16, "connection attributes need a connection or a state id"},
        ErrorRow{"set connattr 0 with { [APP_ID : 7] };", 16, "connection attributes need a connection or a state id"},
        ErrorRow{"set connattr 10.0.0.1 1 2001:db8::2 2 tcp dir_in with { [APP_ID : 7] };", 16,
                 "connection addresses 10.0.0.1 and 2001:db8::2 are of different families"},
        ErrorRow{"set connattr 10.0.0.1 1 10.0.0.2 2 nosuchproto dir_in with { [APP_ID : 7] };", 16,
                 "unknown protocol (nosuchproto)"},
        ErrorRow{"enable udp strict;", 16, "expecting keyword tcp"},
        ErrorRow{"describe sctp strict;", 16, "expecting keyword tcp"},
        ErrorRow{"set timeout \"dfw.tcp.opening\" to 4294967296;", 17, "invalid timeout value"},
        ErrorRow{"set timeout to \"1 2 3\";", 16, "invalid timeouts"},
        ErrorRow{"debug dp 16;", 17, "debug level value overflows"},
        ErrorRow{"debug xx 1;", 16, "unknown debug component (xx)"},
        ErrorRow{"describe connection;", 16, "syntax error, unexpected ';', expecting keyword stat or keyword count"}));

// A constructor's own refusal leaves the parse with its status, and nothing of the text survives.
TEST(StatementExceptions, ConstructorRefusalsLeaveNothing) {
    auto unknownTimeout = load("describe exportver; set timeout \"dfw.none\" to 5;");
    EXPECT_EQ(unknownTimeout->status, 58u);
    EXPECT_EQ(unknownTimeout->config, nullptr);
    auto badValue = load("create attrprofile p with { [APP_ID : \"NOT_AN_APP\"] };");
    EXPECT_EQ(badValue->status, 67u);
    EXPECT_EQ(badValue->config, nullptr);
}

// What the writer cannot say it refuses rather than writing another command.
TEST(StatementWriter, RefusesWhatTheLanguageCannotSay) {
    FWInstTimeout_ two;
    memset(&two, 0, sizeof two);
    two.present[0] = two.present[3] = 1;
    CKestFWCmdSetTimeout timeouts(&P, &two);
    EXPECT_THROW(CKestFWConfigWriter::command(timeouts), CKestFWException);
    CKestFWCmdGetRuleSetList window(&P, 5, 0);
    EXPECT_THROW(CKestFWConfigWriter::command(window), CKestFWException);
    CKestFWCmdGetConnectionStat flows(&P, nullptr, 100, 0);
    EXPECT_THROW(CKestFWConfigWriter::command(flows), CKestFWException);
    unsigned repeated[] = {4, 4};
    CKestFWCmdGetRuleOfRuleSet byIds(&P, rs("r"), 2, repeated, 0);
    EXPECT_THROW(CKestFWConfigWriter::command(byIds), CKestFWException);
}

}  // namespace
