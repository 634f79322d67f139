// The scanner: every keyword spelling, every literal form with its value, the lexical errors with
// their status and message, line counting, tracing and the input paths (string, stream, parser).
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frame/KestFWLog.h"
#include "lang/kestfw_parser.hpp"
#include "lang/kestfw_scanner.hpp"

namespace {

struct Token {
    int code;
    YYSTYPE value;
    int line;  // the scanner's line number once the token was read
};

struct Scan {
    std::vector<Token> tokens;
    fw_lex_extra_ extra;
    int finalLine = 0;
};

Scan scanText(const std::string& text) {
    Scan s;
    memset(&s.extra, 0, sizeof s.extra);
    yyscan_t scanner = nullptr;
    EXPECT_EQ(yylex_init(&scanner), 0);
    yyset_extra(&s.extra, scanner);
    YY_BUFFER_STATE buffer = yy_scan_bytes(text.data(), static_cast<int>(text.size()), scanner);
    yyset_lineno(1, scanner);
    YYSTYPE value;
    YYLTYPE location{};
    for (;;) {
        memset(&value, 0, sizeof value);
        int code = yylex(&value, &location, scanner);
        if (code == 0) break;
        s.tokens.push_back({code, value, yyget_lineno(scanner)});
    }
    // The stream stays ended once it has ended.
    EXPECT_EQ(yylex(&value, &location, scanner), 0);
    s.finalLine = yyget_lineno(scanner);
    yy_delete_buffer(buffer, scanner);
    EXPECT_EQ(yylex_destroy(scanner), 0);
    return s;
}

std::string kind(int code) {
    std::string name = kestfwTokenName(code);
    if (name.size() >= 2 && name.front() == '"') return name.substr(1, name.size() - 2);
    return name;
}

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

// "kind=value" with the member the token kind carries.
std::string render(const Token& t) {
    const YYSTYPE& v = t.value;
    std::string k = kind(t.code);
    switch (t.code) {
        case STRING:
        case IPV4:
        case IPV4_CIDR:
        case IPV4_MASK:
        case IPV4_PORT:
        case ANY_PORT:
        case IPV6:
        case IPV6_CIDR:
            return k + "=" + v.text;
        case DEC:
            return k + "=" + std::to_string(v.int64Value);
        case HEX:
            return k + "=" + std::to_string(v.uint64Value);
        case RANGE:
            return k + "=" + std::to_string(v.numRange.low) + ".." + std::to_string(v.numRange.high);
        case IPV4_RANGE:
            return k + "=" + addr(AF_INET, v.ipv4Range.first) + "-" + addr(AF_INET, v.ipv4Range.last);
        case IPV6_RANGE:
            return k + "=" + addr(AF_INET6, v.ipv6Range.first) + "-" + addr(AF_INET6, v.ipv6Range.last);
        case MAC:
            return k + "=" + macText(v.mac);
        case MAC_RANGE:
        case MAC_MASK:
            return k + "=" + macText(v.macPair) + "|" + macText(v.macPair + 6);
        case UUID_PORT:
            return k + "=" + v.vnicPort.text + "#" + std::to_string(v.vnicPort.port);
        default:
            return k;
    }
}

std::vector<std::string> rendered(const Scan& s) {
    std::vector<std::string> out;
    for (const Token& t : s.tokens) out.push_back(render(t));
    return out;
}

}  // namespace

struct KeywordCase {
    const char* word;
    int code;
    const char* kind;
};

const KeywordCase kKeywords[] = {
    {"create", KW_CREATE, "keyword create"},
    {"add", KW_ADD, "keyword add"},
    {"delete", KW_DELETE, "keyword delete"},
    {"replace", KW_REPLACE, "keyword replace"},
    {"describe", KW_DESCRIBE, "keyword describe"},
    {"destroy", KW_DESTROY, "keyword destroy"},
    {"enable", KW_ENABLE, "keyword enable"},
    {"shared", KW_SHARED, "keyword shared"},
    {"disable", KW_DISABLE, "keyword disable"},
    {"set", KW_SET, "keyword set"},
    {"reorder", KW_REORDER, "keyword reorder"},
    {"clear", KW_CLEAR, "keyword clear"},
    {"ruleset", KW_RULESET, "keyword ruleset"},
    {"address", KW_ADDRESS, "keyword address"},
    {"addrset", KW_ADDRSET, "keyword addrset"},
    {"attribute", KW_ATTRIBUTE, "keyword attribute"},
    {"attrset", KW_ATTRSET, "keyword attrset"},
    {"rule", KW_RULE, "keyword rule"},
    {"dvswitch", KW_DVSWITCH, "keyword dvswitch"},
    {"port", KW_PORT, "keyword port"},
    {"root", KW_ROOT, "keyword root"},
    {"default", KW_DEFAULT, "keyword default"},
    {"agent", KW_AGENT, "keyword agent"},
    {"dvsport", KW_DVSPORT, "keyword dvsport"},
    {"inet", KW_INET, "keyword inet"},
    {"inet6", KW_INET6, "keyword inet6"},
    {"ip", KW_IP, "keyword ip"},
    {"mac", KW_MAC, "keyword mac"},
    {"vnic", KW_VNIC, "keyword vnic"},
    {"filter", KW_FILTER, "keyword filter"},
    {"vif", KW_VIF, "keyword vif"},
    {"size", KW_SIZE, "keyword size"},
    {"info", KW_INFO, "keyword info"},
    {"stat", KW_STAT, "keyword stat"},
    {"revision", KW_REVISION, "keyword revision"},
    {"checksum", KW_CHECKSUM, "keyword checksum"},
    {"at", KW_AT, "keyword at"},
    {"inout", KW_INOUT, "keyword inout"},
    {"in", KW_IN, "keyword in"},
    {"out", KW_OUT, "keyword out"},
    {"of", KW_OF, "keyword of"},
    {"to", KW_TO, "keyword to"},
    {"as", KW_AS, "keyword as"},
    {"with", KW_WITH, "keyword with"},
    {"keypolicy", KW_KEYPOLICY, "keyword keypolicy"},
    {"and", KW_AND, "keyword and"},
    {"into", KW_INTO, "keyword into"},
    {"from", KW_FROM, "keyword from"},
    {"all", KW_ALL, "keyword all"},
    {"pass", KW_PASS, "keyword pass/accept"},
    {"encrypt", KW_ENCRYPT, "keyword encrypt"},
    {"accept", KW_PASS, "keyword pass/accept"},
    {"drop", KW_DROP, "keyword drop"},
    {"deny", KW_REJECT, "keyword reject/deny"},
    {"reject", KW_REJECT, "keyword reject/deny"},
    {"jumpto", KW_JUMPTO, "keyword jumpto"},
    {"punt", KW_PUNT, "keyword punt"},
    {"pbr", KW_PBR, "keyword pbr"},
    {"snat", KW_SNAT, "keyword snat"},
    {"dnat", KW_DNAT, "keyword dnat"},
    {"idp_detect", KW_IDP_DETECT, "keyword idp_detect"},
    {"idp_protect", KW_IDP_PROTECT, "keyword idp_protect"},
    {"dne", KW_DNE, "keyword dne"},
    {"lb", KW_LB, "keyword lb"},
    {"poolopt", KW_POOLOPT, "keyword poolopt"},
    {"lbtype", KW_LBTYPE, "keyword lbtype"},
    {"lbidletimeout", KW_LBIDLETIMEOUT, "keyword lbidletimeout"},
    {"lbclosetimeout", KW_LBCLOSETIMEOUT, "keyword lbclosetimeout"},
    {"lboptions", KW_LBOPTIONS, "keyword lboptions"},
    {"random", KW_RANDOM, "keyword random"},
    {"round-robin", KW_ROUND_ROBIN, "keyword round-robin"},
    {"l4", KW_LB_L4, "keyword lb-l4"},
    {"l7", KW_LB_L7, "keyword lb-l7"},
    {"tcp-conn-balance", KW_TCP_CONN_BALANCE, "keyword tcp-conn-balance"},
    {"stateless", KW_STATELESS, "keyword stateless"},
    {"dscp", KW_DSCP, "keyword dscp"},
    {"rtt", KW_RTT, "keyword rtt"},
    {"log", KW_LOG, "keyword log"},
    {"noflow", KW_NOFLOW, "keyword noflow"},
    {"lbrule", KW_LBRULE, "keyword lbrule"},
    {"tag", KW_TAG, "keyword tag"},
    {"ftp", KW_FTP, "keyword ftp"},
    {"oracle", KW_ORACLE, "keyword oracle"},
    {"dcerpc", KW_DCERPC, "keyword dcerpc"},
    {"sunrpc", KW_SUNRPC, "keyword sunrpc"},
    {"tftp", KW_TFTP, "keyword tftp"},
    {"divert", KW_DIVERT, "keyword divert"},
    {"macrewrite", KW_MACREWRITE, "keyword macrewrite"},
    {"copy", KW_COPY, "keyword copy"},
    {"not", KW_NOT, "keyword not"},
    {"ethertype", KW_ETHERTYPE, "keyword ethertype"},
    {"protocol", KW_PROTOCOL, "keyword protocol"},
    {"flag", KW_FLAG, "keyword flag"},
    {"flags", KW_FLAGS, "keyword flags"},
    {"SYN", KW_SYN, "keyword SYN"},
    {"FIN", KW_FIN, "keyword FIN"},
    {"RST", KW_RST, "keyword RST"},
    {"PSH", KW_PSH, "keyword PSH"},
    {"ACK", KW_ACK, "keyword ACK"},
    {"URG", KW_URG, "keyword URG"},
    {"ECE", KW_ECE, "keyword ECE"},
    {"CWR", KW_CWR, "keyword CWR"},
    {"NS", KW_NS, "keyword NS"},
    {"option", KW_OPTION, "keyword option"},
    {"options", KW_OPTION, "keyword option"},
    {"icmptype", KW_ICMPTYPE, "keyword icmptype"},
    {"typecode", KW_TYPECODE, "keyword typecode"},
    {"list", KW_LIST, "keyword list"},
    {"connection", KW_CONNECTION, "keyword connection"},
    {"connections", KW_CONNECTION, "keyword connection"},
    {"exportver", KW_EXPORTVER, "keyword exportver"},
    {"count", KW_COUNT, "keyword count"},
    {"spoofguard", KW_SPOOFGUARD, "keyword spoofguard"},
    {"kif", KW_KIF, "keyword kif"},
    {"any", KW_ANY, "keyword any"},
    {"config", KW_CONFIG, "keyword config"},
    {"device", KW_DEVICE, "keyword device"},
    {"socket", KW_SOCKET, "keyword socket"},
    {"save", KW_SAVE, "keyword save"},
    {"file", KW_FILE, "keyword file"},
    {"ghsock", KW_GHSOCK, "keyword ghsock"},
    {"debug", KW_DEBUG, "keyword debug"},
    {"strict", KW_STRICT, "keyword strict"},
    {"sloppy", KW_SLOPPY, "keyword sloppy"},
    {"timeout", KW_TIMEOUT, "keyword timeout"},
    {"extsrcprofile", KW_EXTSRCPROFILE, "keyword extsrcprofile"},
    {"extsrcip", KW_EXTSRCIP, "keyword extsrcip"},
    {"excludesrcip", KW_EXCLUDESRCIP, "keyword excludesrcip"},
    {"excludedstip", KW_EXCLUDEDSTIP, "keyword excludedstip"},
    {"malsrc", KW_MALSRC, "keyword malsrc"},
    {"maldst", KW_MALDST, "keyword maldst"},
    {"profile", KW_PROFILE, "keyword profile"},
    {"attrprofile", KW_ATTRPROFILE, "keyword attrprofile"},
    {"tbrprofile", KW_TBRPROFILE, "keyword tbrprofile"},
    {"idsprofile", KW_IDSPROFILE, "keyword idsprofile"},
    {"container", KW_CONTAINER, "keyword container"},
    {"uuid", KW_UUID, "keyword uuid"},
    {"mapped", KW_MAPPED, "keyword mapped"},
    {"goto_filter", KW_GOTO_FILTER, "keyword goto_filter"},
    {"connattr", KW_CONNATTR, "keyword connattr"},
    {"domain2ip", KW_DOMAIN2IP, "keyword domain2ip"},
    {"domain", KW_DOMAIN, "keyword domain"},
    {"domainuuidmap", KW_DOMAINUUIDMAP, "keyword domainuuidmap"},
    {"uid2sidmap", KW_UID2SIDMAP, "keyword uid2sidmap"},
    {"categoryid", KW_CATEGORYID, "keyword rule category id"},
    {"bucketid", KW_BUCKETID, "keyword rule bucket filter id"},
};

TEST(ScannerKeywords, EverySpellingGivesItsToken) {
    EXPECT_EQ(sizeof kKeywords / sizeof kKeywords[0], 146u);
    for (const KeywordCase& k : kKeywords) {
        Scan s = scanText(k.word);
        ASSERT_EQ(s.tokens.size(), 1u) << k.word;
        EXPECT_EQ(s.tokens[0].code, k.code) << k.word;
        EXPECT_EQ(kind(k.code), k.kind) << k.word;
        EXPECT_EQ(s.extra.status, 0u);
    }
}

TEST(ScannerKeywords, CaseAndWholeWordRules) {
    const char* const anyCase[] = {"ftp", "oracle", "dcerpc", "sunrpc", "tftp", "not", "any"};
    for (const KeywordCase& k : kKeywords) {
        bool folds = false;
        for (const char* w : anyCase) folds |= strcmp(w, k.word) == 0;
        std::string upper = k.word, lower = k.word, mixed = k.word;
        for (size_t i = 0; i < upper.size(); ++i) {
            upper[i] = static_cast<char>(toupper(upper[i]));
            lower[i] = static_cast<char>(tolower(lower[i]));
            mixed[i] = static_cast<char>(i % 2 ? toupper(mixed[i]) : tolower(mixed[i]));
        }
        for (const std::string& variant : {upper, lower, mixed}) {
            if (variant == k.word) continue;
            Scan s = scanText(variant);
            ASSERT_EQ(s.tokens.size(), 1u) << variant;
            if (folds) {
                EXPECT_EQ(s.tokens[0].code, k.code) << variant;
            } else if (variant.find_first_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ") !=
                       std::string::npos) {
                EXPECT_EQ(render(s.tokens[0]), "double-quoted string=" + variant) << variant;
            }
        }
        // A longer word is an identifier, whatever it continues with.
        for (const char* tail : {"x", "-x", "_1", ".a", "/b"}) {
            std::string longer = std::string(k.word) + tail;
            Scan s = scanText(longer);
            ASSERT_EQ(s.tokens.size(), 1u) << longer;
            EXPECT_EQ(render(s.tokens[0]), "double-quoted string=" + longer);
        }
    }
}

struct LiteralCase {
    const char* text;
    std::vector<std::string> tokens;
};

class ScannerLiterals : public ::testing::TestWithParam<LiteralCase> {};

TEST_P(ScannerLiterals, TokensAndValues) {
    const LiteralCase& c = GetParam();
    testing::internal::CaptureStderr();
    Scan s = scanText(c.text);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(s.extra.status, 0u) << s.extra.message;
    EXPECT_EQ(rendered(s), c.tokens) << c.text;
}

using V = std::vector<std::string>;
const char* const kUuidText = "01 23 45 67 89 ab cd ef-01 23 45 67 89 ab cd ef";

INSTANTIATE_TEST_SUITE_P(
    Forms, ScannerLiterals,
    ::testing::Values(
        LiteralCase{"create ruleset r1 ;", V{"keyword create", "keyword ruleset", "double-quoted string=r1", "';'"}},
        LiteralCase{"CREATE Any ANY syn SYN", V{"double-quoted string=CREATE", "keyword any", "keyword any",
                                                "double-quoted string=syn", "keyword SYN"}},
        LiteralCase{"accept deny l4 l7 options connections",
                    V{"keyword pass/accept", "keyword reject/deny", "keyword lb-l4", "keyword lb-l7", "keyword option",
                      "keyword connection"}},
        LiteralCase{". [ ] { } ; , :", V{"'.'", "'['", "']'", "'{'", "'}'", "';'", "','", "':'"}},
        LiteralCase{"any:80", V{"Any:port=any:80"}}, LiteralCase{"ANY:80", V{"keyword any", "':'", "decimal=80"}},
        LiteralCase{"any:123456", V{"Any:port=any:12345", "decimal=6"}},
        // IPv4 forms.
        LiteralCase{"10.0.0.1", V{"IPv4 address=10.0.0.1"}},
        LiteralCase{"999.999.999.999", V{"IPv4 address=999.999.999.999"}},
        LiteralCase{"10.0.0.0/8", V{"IPv4 address with CIDR=10.0.0.0/8"}},
        LiteralCase{"1.2.3.4/123", V{"IPv4 address with CIDR=1.2.3.4/12", "decimal=3"}},
        LiteralCase{"10.0.0.0/255.0.0.0", V{"IPv4 address with mask=10.0.0.0/255.0.0.0"}},
        LiteralCase{"10.0.0.1-5", V{"IPv4 address with range=10.0.0.1-10.0.0.5"}},
        LiteralCase{"10.1.2.3-255", V{"IPv4 address with range=10.1.2.3-10.1.2.255"}},
        LiteralCase{"10.0.0.1-10.0.1.9", V{"IPv4 address with range=10.0.0.1-10.0.1.9"}},
        LiteralCase{"1.2.3.4:8080", V{"IPv4:port=1.2.3.4:8080"}},
        LiteralCase{"1.2.3.4:123456", V{"IPv4:port=1.2.3.4:12345", "decimal=6"}},
        // IPv6 forms.
        LiteralCase{":: ::1 1:: fe80::1:2",
                    V{"IPv6 address=::", "IPv6 address=::1", "IPv6 address=1::", "IPv6 address=fe80::1:2"}},
        LiteralCase{"1:2:3:4:5:6:7:8 ABCD:ef01::", V{"IPv6 address=1:2:3:4:5:6:7:8", "IPv6 address=ABCD:ef01::"}},
        LiteralCase{
            "::ffff:1.2.3.4 1:2:3:4:5:6:1.2.3.4 1::5:6:1.2.3.4",
            V{"IPv6 address=::ffff:1.2.3.4", "IPv6 address=1:2:3:4:5:6:1.2.3.4", "IPv6 address=1::5:6:1.2.3.4"}},
        LiteralCase{"1:2:3:4:5:6:7:8:9", V{"IPv6 address=1:2:3:4:5:6:7:8", "':'", "decimal=9"}},
        LiteralCase{"2001:db8::/32", V{"IPv6 address with CIDR=2001:db8::/32"}},
        LiteralCase{"2001:db8::/ffff:ffff::", V{"IPv6 address with CIDR=2001:db8::/ffff:ffff::"}},
        LiteralCase{"2001:db8::1-2001:db8::9", V{"IPv6 address with range=2001:db8::1-2001:db8::9"}},
        LiteralCase{"2001:db8::1-5", V{"IPv6 address=2001:db8::1", "decimal=-5"}},
        // Ethernet forms.
        LiteralCase{"ab:cd:ef:01:23:45", V{"Ethernet address=ab:cd:ef:01:23:45"}},
        LiteralCase{"AB:CD:EF:01:23:45-ab:cd:ef:01:23:ff",
                    V{"Ethernet address with range=ab:cd:ef:01:23:45|ab:cd:ef:01:23:ff"}},
        LiteralCase{"00:11:22:33:44:55/ff:ff:ff:00:00:00",
                    V{"Ethernet address with mask=00:11:22:33:44:55|ff:ff:ff:00:00:00"}},
        LiteralCase{"a:b:c:d:e:f",
                    V{"double-quoted string=a", "':'", "double-quoted string=b", "':'", "double-quoted string=c", "':'",
                      "double-quoted string=d", "':'", "double-quoted string=e", "':'", "double-quoted string=f"}},
        // UUIDs.
        LiteralCase{"01234567-89ab-cdef-0123-456789abcdef",
                    V{"double-quoted string=01234567-89ab-cdef-0123-456789abcdef"}},
        LiteralCase{"01234567-89AB-CDEF-0123-456789ABCDEF:7", V{std::string("UUID:port=") + kUuidText + "#7"}},
        LiteralCase{"01234567-89ab-cdef-0123-456789abcdef.7", V{std::string("UUID:port=") + kUuidText + "#7"}},
        LiteralCase{"01234567-89ab-cdef-0123-456789abcdef:1234",
                    V{std::string("UUID:port=") + kUuidText + "#123", "decimal=4"}},
        // Strings and identifiers.
        LiteralCase{"\"a b; c\" 'single \"q\"'", V{"double-quoted string=a b; c", "double-quoted string=single \"q\""}},
        LiteralCase{"\"\"", V{"double-quoted string="}},
        LiteralCase{"\"a\\\"b\"", V{"double-quoted string=a\\", "double-quoted string=b"}},
        LiteralCase{"_a.b/c-d /x .5 .",
                    V{"double-quoted string=_a.b/c-d", "double-quoted string=/x", "double-quoted string=.5", "'.'"}},
        LiteralCase{"/* a */ b */", V{"double-quoted string=b", "double-quoted string=/"}},
        LiteralCase{"/* multi\nline */x # to the end", V{"double-quoted string=x"}},
        LiteralCase{"a#b\nc", V{"double-quoted string=a", "double-quoted string=c"}},
        // Numbers and ranges.
        LiteralCase{"1-5 1:5", V{"range=1..5", "range=1..5"}}, LiteralCase{"9-2", V{"range=9..2"}},
        LiteralCase{"4294967297-4294967295", V{"range=1..-1"}}, LiteralCase{"-1-5", V{"decimal=-1", "decimal=-5"}},
        LiteralCase{"0 -0 42 42l 42L", V{"decimal=0", "decimal=0", "decimal=42", "decimal=42", "decimal=42"}},
        LiteralCase{"9223372036854775807 -9223372036854775808",
                    V{"decimal=9223372036854775807", "decimal=-9223372036854775808"}},
        LiteralCase{"31u 31U 31ul 18446744073709551615u", V{"hex=31", "hex=31", "hex=31", "hex=18446744073709551615"}},
        LiteralCase{"0x1f 0x1F 0x1fL", V{"decimal=31", "decimal=31", "decimal=31"}},
        LiteralCase{"0x7fffffffffffffff", V{"decimal=9223372036854775807"}},
        LiteralCase{"0x1fu 0xffffffffffffffffUL", V{"hex=31", "hex=18446744073709551615"}},
        LiteralCase{"0X1F", V{"decimal=0", "double-quoted string=X1F"}},
        LiteralCase{"12abc", V{"decimal=12", "double-quoted string=abc"}}, LiteralCase{"", V{}},
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
const std::string k300(300, 'b');

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ScannerErrors,
    ::testing::Values(
        ErrorCase{"create 10.0.0.1-300 ruleset", 33, "invalid ip address - 10.0.0.300", 1},
        ErrorCase{"300.0.0.1-10.0.0.1", 33, "invalid ip address - 300.0.0.1", 0},
        ErrorCase{"10.0.0.1-10.0.0.256", 33, "invalid ip address - 10.0.0.256", 0},
        ErrorCase{"::1-::1.2.3.999", 33, "invalid ip address - ::1.2.3.999", 0},
        ErrorCase{"::1.2.3.999-::1", 33, "invalid ip address - ::1.2.3.999", 0},
        ErrorCase{"99999999999999999999", 16, "decimal integer overflows - 99999999999999999999", 0},
        ErrorCase{"9223372036854775808", 16, "decimal integer overflows - 9223372036854775808", 0},
        ErrorCase{"-9223372036854775809", 16, "decimal integer overflows - -9223372036854775809", 0},
        ErrorCase{"18446744073709551616u", 16, "decimal integer overflows - 18446744073709551616u", 0},
        ErrorCase{"0x8000000000000000", 16, "hex integer overflows - 0x8000000000000000", 0},
        ErrorCase{"0x10000000000000000u", 16, "hex integer overflows - 0x10000000000000000u", 0},
        ErrorCase{"a 99999999999999999999-1", 16, "low bound of decimal range overflows - 99999999999999999999-1", 1},
        ErrorCase{"1:99999999999999999999", 16, "high bound of decimal range overflows - 1:99999999999999999999", 0},
        ErrorCase{"x \"" + k256 + "\"", 31, ("identifier too long - \"" + k256).substr(0, 255), 1},
        ErrorCase{"'" + k300 + "'", 31, ("identifier too long - '" + k300).substr(0, 255), 0},
        ErrorCase{k256, 31, ("identifier is too long - " + k256).substr(0, 255), 0}));

TEST(ScannerErrors, LongestAcceptedNames) {
    const std::string name(255, 'n');
    for (const std::string& text : {name, "\"" + name + "\"", "'" + name + "'"}) {
        Scan s = scanText(text);
        EXPECT_EQ(s.extra.status, 0u);
        ASSERT_EQ(s.tokens.size(), 1u);
        EXPECT_EQ(s.tokens[0].code, STRING);
        EXPECT_EQ(std::string(s.tokens[0].value.text), name);
    }
}

TEST(ScannerLines, NewlinesInCommentsStringsAndLineEnds) {
    Scan s = scanText("a\n/* x\ny */\n\"p\nq\"\r\nb\rc # z\n");
    ASSERT_EQ(s.tokens.size(), 4u);
    EXPECT_EQ(s.tokens[0].line, 1);
    EXPECT_EQ(s.tokens[1].line, 5) << "after the string with its own newline";
    EXPECT_EQ(render(s.tokens[1]), "double-quoted string=p\nq");
    EXPECT_EQ(s.tokens[2].line, 6);
    EXPECT_EQ(s.tokens[3].line, 6) << "a lone carriage return ends a line without counting one";
    EXPECT_EQ(s.finalLine, 7);
}

TEST(ScannerUnrecognized, ReportedOnStandardErrorAndSkipped) {
    testing::internal::CaptureStderr();
    Scan s = scanText("a @ b \"c");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rendered(s), (V{"double-quoted string=a", "double-quoted string=b", "double-quoted string=c"}));
    EXPECT_EQ(err, "Unrecognized token:  @\nUnrecognized token:  \"\n");
    EXPECT_EQ(s.extra.status, 0u) << "an unrecognised character is no error of the parse";
}

namespace {
std::vector<std::string> g_logLines;
void collect(int, const char* fmt, va_list ap) {
    char buf[1024];
    vsnprintf(buf, sizeof buf, fmt, ap);
    g_logLines.push_back(buf);
}
}  // namespace

TEST(ScannerTrace, LexerComponentWritesOneLinePerRule) {
    g_logLines.clear();
    FW_RegisterLogger(collect, 6);
    scanText("create");
    EXPECT_TRUE(g_logLines.empty()) << "silent while the lexer's verbosity is 0";

    FW_SetLibVerboseLevel(KestFirewall::KFW_COMP_LEXER, 1);
    testing::internal::CaptureStderr();
    scanText("create Any { 10.0.0.0/8 01234567-89ab-cdef-0123-456789abcdef:7 x 5 0x1fu 2-3 @ # c\n");
    testing::internal::GetCapturedStderr();
    FW_SetLibVerboseLevel(KestFirewall::KFW_COMP_LEXER, 0);
    FW_UnregisterLogger();

    const std::vector<std::string> tags = {"*CREATE* \n",
                                           "*ANY* \n",
                                           "{ \n",
                                           "IPv4_CIDR(10.0.0.0/8) \n",
                                           "UUID.port(01234567-89ab-cdef-0123-456789abcdef:7) \n",
                                           std::string("  rvq UUID.port(") + kUuidText + ":7) \n",
                                           "ID(x) \n",
                                           "INT<5> \n",
                                           "UHEX<0x1fu> \n",
                                           "INT_Range<2-3> \n",
                                           "*COMMENT* \n",
                                           "\n"};
    ASSERT_EQ(g_logLines.size(), tags.size());
    for (size_t i = 0; i < tags.size(); ++i) {
        const std::string& line = g_logLines[i];
        EXPECT_EQ(line.rfind("kestfw:lexer ", 0), 0u) << line;
        EXPECT_NE(line.find(":yylex():"), std::string::npos) << line;
        ASSERT_GE(line.size(), tags[i].size());
        EXPECT_EQ(line.substr(line.size() - tags[i].size()), tags[i]) << line;
    }
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
    fw_lex_extra_ extra{};
    yyscan_t scanner = nullptr;
    ASSERT_EQ(yylex_init_extra(&extra, &scanner), 0);
    EXPECT_EQ(yyget_extra(scanner), &extra);
    yyset_in(in, scanner);
    std::vector<std::string> fromStream;
    YYSTYPE value;
    YYLTYPE location{};
    for (int code; (code = yylex(&value, &location, scanner)) != 0;) fromStream.push_back(render({code, value, 0}));
    EXPECT_EQ(yyget_lineno(scanner), 3001);
    yylex_destroy(scanner);
    fclose(in);
    EXPECT_EQ(extra.status, 0u);
    EXPECT_EQ(fromStream.size(), 3000u * 12);
    EXPECT_EQ(fromStream, rendered(fromString));
}

namespace {
void quiet(int, const char*, va_list) {}

int parseText(const std::string& text, FWStatus_t* status) {
    fw_lex_extra_ extra{};
    yyscan_t scanner = nullptr;
    yylex_init(&scanner);
    yyset_extra(&extra, scanner);
    YY_BUFFER_STATE buffer = yy_scan_string(text.c_str(), scanner);
    yyset_lineno(1, scanner);
    KestFirewall::CKestFWCmdList* list = nullptr;
    KestFirewall::CKestFWCmdConfig* config = nullptr;
    *status = 0;
    FW_RegisterLogger(quiet, 6);
    int r = yyparse(status, scanner, "<cmd>", &list, &config);
    FW_UnregisterLogger();
    yy_delete_buffer(buffer, scanner);
    yylex_destroy(scanner);
    return r;
}
}  // namespace

TEST(ScannerParser, LexicalStatusReachesTheParser) {
    FWStatus_t status = 99;
    EXPECT_EQ(parseText("create ruleset r1 { rule 1 at 1 inout protocol tcp from any to any pass };", &status), 0);
    EXPECT_EQ(status, 0u);
    EXPECT_NE(parseText("create addrset a with { ip 10.0.0.1-300 };", &status), 0);
    EXPECT_EQ(status, 33u);
    EXPECT_NE(parseText("describe rule of ruleset r from 99999999999999999999;", &status), 0);
    EXPECT_EQ(status, 16u);
    EXPECT_NE(parseText(std::string(300, 'x'), &status), 0);
    EXPECT_EQ(status, 31u);
}
