// The scanner: every keyword spelling, every literal form with its value, the lexical errors with
// their status and message, line counting, tracing and the input paths (string, stream, parser).
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/KestFWLog.h"
#include "cmd/KestFWCmdConfig.h"
#include "cmd/KestFWCmdList.h"
#include "lang/kestfw_parser.hpp"
#include "lang/kestfw_scanner.hpp"
#include "support/LogCapture.h"

namespace {

using V = std::vector<std::string>;

std::string macText(const uint8_t* m) {
    char buf[32];
    snprintf(buf, sizeof buf, "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
    return buf;
}

std::string addr(int af, const void* a) {
    char buf[INET6_ADDRSTRLEN];
    inet_ntop(af, a, buf, sizeof buf);
    return buf;
}

// "tag=value" for a literal token, the grammar's name for any other.
std::string render(int code, const YYSTYPE& v) {
    const char* tag = code == STRING      ? "id"
                      : code == IPV4      ? "v4"
                      : code == IPV4_CIDR ? "v4/"
                      : code == IPV4_MASK ? "v4m"
                      : code == IPV4_PORT ? "v4p"
                      : code == ANY_PORT  ? "anyp"
                      : code == IPV6      ? "v6"
                      : code == IPV6_CIDR ? "v6/"
                                          : nullptr;
    if (tag != nullptr) return std::string(tag) + "=" + v.text;
    switch (code) {
        case DEC:
            return "dec=" + std::to_string(v.int64Value);
        case HEX:
            return "hex=" + std::to_string(v.uint64Value);
        case RANGE:
            return "range=" + std::to_string(v.numRange.low) + ".." + std::to_string(v.numRange.high);
        case IPV4_RANGE:
            return "v4-=" + addr(AF_INET, v.ipv4Range.first) + "-" + addr(AF_INET, v.ipv4Range.last);
        case IPV6_RANGE:
            return "v6-=" + addr(AF_INET6, v.ipv6Range.first) + "-" + addr(AF_INET6, v.ipv6Range.last);
        case MAC:
            return "mac=" + macText(v.mac);
        case MAC_RANGE:
            return "mac-=" + macText(v.macPair) + "-" + macText(v.macPair + 6);
        case MAC_MASK:
            return "mac/=" + macText(v.macPair) + "/" + macText(v.macPair + 6);
        case UUID_PORT:
            return "uuidp=" + std::string(v.vnicPort.text) + "#" + std::to_string(v.vnicPort.port);
        default: {  // a keyword by its word ("\"keyword any\"" -> "any"), punctuation as declared ("'.'")
            std::string name = kestfwTokenName(code);
            if (name.front() == '"') name = name.substr(1, name.size() - 2);
            return name.rfind("keyword ", 0) == 0 ? name.substr(8) : name;
        }
    }
}

struct Scan {
    std::vector<int> codes;
    V tokens;
    std::vector<int> lines;  // the scanner's line number once each token was read
    fw_lex_extra_ extra{};
    int finalLine = 0;
};

// Scans `text`, or the stream `in` when one is given.
Scan scanText(const std::string& text, FILE* in = nullptr) {
    Scan s;
    yyscan_t scanner = nullptr;
    EXPECT_EQ(yylex_init_extra(&s.extra, &scanner), 0);
    YY_BUFFER_STATE buffer = in ? nullptr : yy_scan_bytes(text.data(), static_cast<int>(text.size()), scanner);
    if (in)
        yyset_in(in, scanner);
    else
        yyset_lineno(1, scanner);
    YYSTYPE value;
    YYLTYPE location{};
    for (;;) {
        memset(&value, 0, sizeof value);
        int code = yylex(&value, &location, scanner);
        if (code == 0) break;
        s.codes.push_back(code);
        s.tokens.push_back(render(code, value));
        s.lines.push_back(yyget_lineno(scanner));
    }
    EXPECT_EQ(yylex(&value, &location, scanner), 0) << "the stream stays ended once it has ended";
    s.finalLine = yyget_lineno(scanner);
    if (buffer) yy_delete_buffer(buffer, scanner);
    EXPECT_EQ(yylex_destroy(scanner), 0);
    return s;
}

struct Keyword {
    const char* word;
    int code;
};

// clang-format off
const Keyword kKeywords[] = {
    {"create", KW_CREATE}, {"add", KW_ADD}, {"delete", KW_DELETE}, {"replace", KW_REPLACE}, {"describe", KW_DESCRIBE},
    {"destroy", KW_DESTROY}, {"enable", KW_ENABLE}, {"shared", KW_SHARED}, {"disable", KW_DISABLE}, {"set", KW_SET},
    {"reorder", KW_REORDER}, {"clear", KW_CLEAR}, {"ruleset", KW_RULESET}, {"address", KW_ADDRESS},
    {"addrset", KW_ADDRSET}, {"attribute", KW_ATTRIBUTE}, {"attrset", KW_ATTRSET}, {"rule", KW_RULE},
    {"dvswitch", KW_DVSWITCH}, {"port", KW_PORT}, {"root", KW_ROOT}, {"default", KW_DEFAULT}, {"agent", KW_AGENT},
    {"dvsport", KW_DVSPORT}, {"inet", KW_INET}, {"inet6", KW_INET6}, {"ip", KW_IP}, {"mac", KW_MAC}, {"vnic", KW_VNIC},
    {"filter", KW_FILTER}, {"vif", KW_VIF}, {"size", KW_SIZE}, {"info", KW_INFO}, {"stat", KW_STAT},
    {"revision", KW_REVISION}, {"checksum", KW_CHECKSUM}, {"at", KW_AT}, {"inout", KW_INOUT}, {"in", KW_IN},
    {"out", KW_OUT}, {"of", KW_OF}, {"to", KW_TO}, {"as", KW_AS}, {"with", KW_WITH}, {"keypolicy", KW_KEYPOLICY},
    {"and", KW_AND}, {"into", KW_INTO}, {"from", KW_FROM}, {"all", KW_ALL}, {"pass", KW_PASS}, {"encrypt", KW_ENCRYPT},
    {"accept", KW_PASS}, {"drop", KW_DROP}, {"deny", KW_REJECT}, {"reject", KW_REJECT}, {"jumpto", KW_JUMPTO},
    {"punt", KW_PUNT}, {"pbr", KW_PBR}, {"snat", KW_SNAT}, {"dnat", KW_DNAT}, {"idp_detect", KW_IDP_DETECT},
    {"idp_protect", KW_IDP_PROTECT}, {"dne", KW_DNE}, {"lb", KW_LB}, {"poolopt", KW_POOLOPT}, {"lbtype", KW_LBTYPE},
    {"lbidletimeout", KW_LBIDLETIMEOUT}, {"lbclosetimeout", KW_LBCLOSETIMEOUT}, {"lboptions", KW_LBOPTIONS},
    {"random", KW_RANDOM}, {"round-robin", KW_ROUND_ROBIN}, {"l4", KW_LB_L4}, {"l7", KW_LB_L7},
    {"tcp-conn-balance", KW_TCP_CONN_BALANCE}, {"stateless", KW_STATELESS}, {"dscp", KW_DSCP}, {"rtt", KW_RTT},
    {"log", KW_LOG}, {"noflow", KW_NOFLOW}, {"lbrule", KW_LBRULE}, {"tag", KW_TAG}, {"ftp", KW_FTP},
    {"oracle", KW_ORACLE}, {"dcerpc", KW_DCERPC}, {"sunrpc", KW_SUNRPC}, {"tftp", KW_TFTP}, {"divert", KW_DIVERT},
    {"macrewrite", KW_MACREWRITE}, {"copy", KW_COPY}, {"not", KW_NOT}, {"ethertype", KW_ETHERTYPE},
    {"protocol", KW_PROTOCOL}, {"flag", KW_FLAG}, {"flags", KW_FLAGS}, {"SYN", KW_SYN}, {"FIN", KW_FIN},
    {"RST", KW_RST}, {"PSH", KW_PSH}, {"ACK", KW_ACK}, {"URG", KW_URG}, {"ECE", KW_ECE}, {"CWR", KW_CWR},
    {"NS", KW_NS}, {"option", KW_OPTION}, {"options", KW_OPTION}, {"icmptype", KW_ICMPTYPE}, {"typecode", KW_TYPECODE},
    {"list", KW_LIST}, {"connection", KW_CONNECTION}, {"connections", KW_CONNECTION}, {"exportver", KW_EXPORTVER},
    {"count", KW_COUNT}, {"spoofguard", KW_SPOOFGUARD}, {"kif", KW_KIF}, {"any", KW_ANY}, {"config", KW_CONFIG},
    {"device", KW_DEVICE}, {"socket", KW_SOCKET}, {"save", KW_SAVE}, {"file", KW_FILE}, {"ghsock", KW_GHSOCK},
    {"debug", KW_DEBUG}, {"strict", KW_STRICT}, {"sloppy", KW_SLOPPY}, {"timeout", KW_TIMEOUT},
    {"extsrcprofile", KW_EXTSRCPROFILE}, {"extsrcip", KW_EXTSRCIP}, {"excludesrcip", KW_EXCLUDESRCIP},
    {"excludedstip", KW_EXCLUDEDSTIP}, {"malsrc", KW_MALSRC}, {"maldst", KW_MALDST}, {"profile", KW_PROFILE},
    {"attrprofile", KW_ATTRPROFILE}, {"tbrprofile", KW_TBRPROFILE}, {"idsprofile", KW_IDSPROFILE},
    {"container", KW_CONTAINER}, {"uuid", KW_UUID}, {"mapped", KW_MAPPED}, {"goto_filter", KW_GOTO_FILTER},
    {"connattr", KW_CONNATTR}, {"domain2ip", KW_DOMAIN2IP}, {"domain", KW_DOMAIN}, {"domainuuidmap", KW_DOMAINUUIDMAP},
    {"uid2sidmap", KW_UID2SIDMAP}, {"categoryid", KW_CATEGORYID}, {"bucketid", KW_BUCKETID}};
// clang-format on

}  // namespace

// Keywords match in their own case only, except the application-level gateways, "not" and "any"; a
// keyword with anything more glued on is an identifier.
TEST(ScannerKeywords, SpellingCaseAndWholeWord) {
    const std::string anyCase = " ftp oracle dcerpc sunrpc tftp not any ";
    for (const Keyword& k : kKeywords) {
        Scan s = scanText(k.word);
        ASSERT_EQ(s.codes, std::vector<int>{k.code}) << k.word;
        bool folds = anyCase.find(" " + std::string(k.word) + " ") != std::string::npos;
        std::string upper = k.word, mixed = k.word;
        for (size_t i = 0; i < upper.size(); ++i) {
            upper[i] = static_cast<char>(toupper(upper[i]));
            mixed[i] = static_cast<char>(i % 2 ? toupper(mixed[i]) : tolower(mixed[i]));
        }
        for (const std::string& variant : {upper, mixed}) {
            if (variant == k.word) continue;
            s = scanText(variant);
            if (folds)
                EXPECT_EQ(s.codes, std::vector<int>{k.code}) << variant;
            else
                EXPECT_EQ(s.tokens, V{"id=" + variant});
        }
        for (const char* tail : {"x", "-x", "_1", ".a", "/b"})
            EXPECT_EQ(scanText(k.word + std::string(tail)).tokens, V{"id=" + (k.word + std::string(tail))});
    }
}

struct LiteralCase {
    const char* text;
    V tokens;
};

class ScannerLiterals : public ::testing::TestWithParam<LiteralCase> {};

TEST_P(ScannerLiterals, TokensAndValues) {
    testing::internal::CaptureStderr();  // an unmatched quote is reported there
    Scan s = scanText(GetParam().text);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(s.extra.status, 0u) << s.extra.message;
    EXPECT_EQ(s.tokens, GetParam().tokens) << GetParam().text;
}

const std::string kUuidPort = "uuidp=01 23 45 67 89 ab cd ef-01 23 45 67 89 ab cd ef#";

INSTANTIATE_TEST_SUITE_P(
    Forms, ScannerLiterals,
    ::testing::Values(
        LiteralCase{"CREATE Any ANY syn SYN accept deny l4 options connections",
                    V{"id=CREATE", "any", "any", "id=syn", "SYN", "pass/accept", "reject/deny", "lb-l4", "option",
                      "connection"}},
        LiteralCase{". [ ] { } ; , :", V{"'.'", "'['", "']'", "'{'", "'}'", "';'", "','", "':'"}},
        // IPv4 forms: a lone address is not checked here, a range end is.
        LiteralCase{"999.999.999.999 1.2.3.4/123", V{"v4=999.999.999.999", "v4/=1.2.3.4/12", "dec=3"}},        LiteralCase{"any:123456", V{"anyp=any:12345", "dec=6"}},

        LiteralCase{"10.0.0.0/255.0.0.0", V{"v4m=10.0.0.0/255.0.0.0"}},
        LiteralCase{"10.1.2.3-255 10.0.0.1-10.0.1.9", V{"v4-=10.1.2.3-10.1.2.255", "v4-=10.0.0.1-10.0.1.9"}},
        LiteralCase{"1.2.3.4:8080", V{"v4p=1.2.3.4:8080"}},
        // IPv6 forms.
        LiteralCase{":: ::1 1:: fe80::1:2 ABCD:ef01::",
                    V{"v6=::", "v6=::1", "v6=1::", "v6=fe80::1:2", "v6=ABCD:ef01::"}},
        LiteralCase{"1:2:3:4:5:6:7:8:9", V{"v6=1:2:3:4:5:6:7:8", "':'", "dec=9"}},
        LiteralCase{"2001:db8::/32 2001:db8::/ffff:ffff::", V{"v6/=2001:db8::/32", "v6/=2001:db8::/ffff:ffff::"}},
        LiteralCase{"2001:db8::1-2001:db8::9", V{"v6-=2001:db8::1-2001:db8::9"}},
        LiteralCase{"2001:db8::1-5", V{"v6=2001:db8::1", "dec=-5"}},
        // Ethernet forms.
        LiteralCase{"ab:cd:ef:01:23:45", V{"mac=ab:cd:ef:01:23:45"}},
        LiteralCase{"AB:CD:EF:01:23:45-ab:cd:ef:01:23:ff", V{"mac-=ab:cd:ef:01:23:45-ab:cd:ef:01:23:ff"}},
        LiteralCase{"00:11:22:33:44:55/ff:ff:ff:00:00:00", V{"mac/=00:11:22:33:44:55/ff:ff:ff:00:00:00"}},
        // UUIDs: a plain one is a name; with a port after ':' or '.' it is a switch port (5 digits at most).
        LiteralCase{"01234567-89AB-CDEF-0123-456789ABCDEF:7 01234567-89ab-cdef-0123-456789abcdef.7",
                    V{kUuidPort + "7", kUuidPort + "7"}},
        LiteralCase{"01234567-89ab-cdef-0123-456789abcdef:1234", V{kUuidPort + "123", "dec=4"}},
        // Strings, identifiers and comments.
        LiteralCase{"\"a b; c\" 'single \"q\"' \"\"", V{"id=a b; c", "id=single \"q\"", "id="}},
        LiteralCase{"\"a\\\"b\"", V{"id=a\\", "id=b"}},
        LiteralCase{"_a.b/c-d /x .5 .", V{"id=_a.b/c-d", "id=/x", "id=.5", "'.'"}},
        LiteralCase{"/* a */ b */ /* multi\nline */x#to the end\nc", V{"id=b", "id=/", "id=x", "id=c"}},
        // Numbers and ranges; range bounds keep their low 32 bits.
        LiteralCase{"1-5 1:5 9-2", V{"range=1..5", "range=1..5", "range=9..2"}},
        LiteralCase{"4294967297-4294967295 -1-5 42L", V{"range=1..-1", "dec=-1", "dec=-5", "dec=42"}},
        LiteralCase{"9223372036854775807 -9223372036854775808",
                    V{"dec=9223372036854775807", "dec=-9223372036854775808"}},
        LiteralCase{"31ul 18446744073709551615u 0x1fL 0x7fffffffffffffff 0xffffffffffffffffUL",
                    V{"hex=31", "hex=18446744073709551615", "dec=31", "dec=9223372036854775807",
                      "hex=18446744073709551615"}},
        LiteralCase{"0X1F 12abc", V{"dec=0", "id=X1F", "dec=12", "id=abc"}},
        LiteralCase{"  \t\r\n# only a comment", V{}}));

struct ErrorCase {
    std::string text;
    FWStatus_t status;
    std::string message;
    size_t tokensBefore;
};

class ScannerErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ScannerErrors, StatusAndMessageEndTheStream) {
    const ErrorCase& c = GetParam();
    Scan s = scanText(c.text);
    EXPECT_EQ(s.extra.status, c.status) << c.text;
    EXPECT_STREQ(s.extra.message, c.message.c_str());
    EXPECT_EQ(s.tokens.size(), c.tokensBefore);
}

const std::string k256(256, 'a');

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ScannerErrors,
    ::testing::Values(
        ErrorCase{"create 10.0.0.1-300 ruleset", 33, "invalid ip address - 10.0.0.300", 1},
        ErrorCase{"10.0.0.1-10.0.0.256", 33, "invalid ip address - 10.0.0.256", 0},
        ErrorCase{"::1-::1.2.3.999", 33, "invalid ip address - ::1.2.3.999", 0},
        ErrorCase{"9223372036854775808", 16, "decimal integer overflows - 9223372036854775808", 0},
        ErrorCase{"18446744073709551616u", 16, "decimal integer overflows - 18446744073709551616u", 0},
        ErrorCase{"0x8000000000000000", 16, "hex integer overflows - 0x8000000000000000", 0},
        ErrorCase{"a 99999999999999999999-1", 16, "low bound of decimal range overflows - 99999999999999999999-1", 1},
        ErrorCase{"1:99999999999999999999", 16, "high bound of decimal range overflows - 1:99999999999999999999", 0},
        ErrorCase{"x \"" + k256 + "\"", 31, ("identifier too long - \"" + k256).substr(0, 255), 1},
        ErrorCase{k256, 31, ("identifier is too long - " + k256).substr(0, 255), 0}));

TEST(ScannerErrors, LongestAcceptedNames) {
    const std::string name(255, 'n');
    for (const std::string& text : {name, "'" + name + "'"}) {
        Scan s = scanText(text);
        EXPECT_EQ(s.extra.status, 0u);
        EXPECT_EQ(s.tokens, V{"id=" + name});
    }
}

TEST(ScannerLines, NewlinesInCommentsStringsAndLineEnds) {
    Scan s = scanText("a\n/* x\ny */\n\"p\nq\"\r\nb\rc # z\n");
    ASSERT_EQ(s.tokens.size(), 4u);
    EXPECT_EQ(s.tokens[1], "id=p\nq");
    // A lone carriage return ends a line without counting one.
    EXPECT_EQ(s.lines, (std::vector<int>{1, 5, 6, 6}));
    EXPECT_EQ(s.finalLine, 7);
}

TEST(ScannerUnrecognized, ReportedOnStandardErrorAndSkipped) {
    testing::internal::CaptureStderr();
    Scan s = scanText("a @ b \"c");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unrecognized token:  @\nUnrecognized token:  \"\n");
    EXPECT_EQ(s.tokens, (V{"id=a", "id=b", "id=c"}));
    EXPECT_EQ(s.extra.status, 0u) << "an unrecognised character is no error of the parse";
}

TEST(ScannerTrace, LexerComponentWritesOneLinePerRule) {
    kestfw_test::LogCapture log(6);
    scanText("create");
    kestfw_test::Verbosity lexer(KestFirewall::KFW_COMP_LEXER, 1);
    scanText("10.0.0.0/8");
    ASSERT_EQ(log.all().size(), 1u) << "silent while the lexer's verbosity is 0";
    EXPECT_THAT(log.all()[0],
                testing::MatchesRegex("kestfw:lexer kestfw_scanner.l:yylex\\(\\):[0-9]+ IPv4_CIDR\\(10.0.0.0/8\\) \n"));
}

TEST(ScannerInput, StreamAndStringGiveTheSameTokens) {
    // Far more than one 16 KiB buffer, so tokens straddle buffer refills.
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "create addrset s" + std::to_string(i) + " with { ip 10.0." + std::to_string(i % 256) +
                ".1-9, mac ab:cd:ef:01:23:45 };\n";
    Scan fromString = scanText(text);

    FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    ASSERT_NE(in, nullptr);
    Scan fromStream = scanText("", in);
    fclose(in);
    EXPECT_EQ(fromStream.finalLine, 3001);
    EXPECT_EQ(fromStream.extra.status, 0u);
    EXPECT_EQ(fromStream.tokens.size(), 3000u * 12);
    EXPECT_EQ(fromStream.tokens, fromString.tokens);
}

TEST(ScannerParser, LexicalStatusReachesTheParser) {
    const std::pair<std::string, FWStatus_t> cases[] = {
        {"create ruleset r1 { rule 1 at 1 inout protocol tcp from any to any pass; };", 0},
        {"create addrset a with { ip 10.0.0.1-300 };", 33},
        {"describe rule of ruleset r from 99999999999999999999;", 16},
        {std::string(300, 'x'), 31}};
    kestfw_test::LogCapture quiet(6);
    for (const auto& [text, want] : cases) {
        fw_lex_extra_ extra{};
        yyscan_t scanner = nullptr;
        yylex_init_extra(&extra, &scanner);
        YY_BUFFER_STATE buffer = yy_scan_string(text.c_str(), scanner);
        yyset_lineno(1, scanner);
        KestFirewall::CKestFWCmdList* list = nullptr;
        KestFirewall::CKestFWCmdConfig* config = nullptr;
        FWStatus_t status = 0;
        int r = yyparse(&status, scanner, "<cmd>", &list, &config);
        EXPECT_EQ(r != 0, want != 0) << text;
        EXPECT_EQ(status, want) << text;
        delete list;
        delete config;
        yy_delete_buffer(buffer, scanner);
        yylex_destroy(scanner);
    }
}
