// Identifier, SID, number, list and time conversions: round trips on valid texts, refusal of malformed
// ones, and outputs left alone on failure.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "util/KestFWUtil.h"

using namespace KestFirewall;

namespace {

const uint8_t kUuid[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                           0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};

std::vector<uint8_t> bytes(const uint8_t* p, size_t n) { return std::vector<uint8_t>(p, p + n); }

}  // namespace

TEST(UuidText, PrintsTheThreeForms) {
    char buf[64];
    ASSERT_EQ(uuid2normalstr(kUuid, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "01234567-89ab-cdef-0123-456789abcdef");
    ASSERT_EQ(uuid2rvqstr(kUuid, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "01 23 45 67 89 ab cd ef-01 23 45 67 89 ab cd ef");
    ASSERT_EQ(uuid2vnicstr(kUuid, 5, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "01234567-89ab-cdef-0123-456789abcdef.005");
    ASSERT_EQ(rvqstr2vnicstr("01 23 45 67 89 ab cd ef-01 23 45 67 89 ab cd ef", 12, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "01234567-89ab-cdef-0123-456789abcdef.012");
}

TEST(UuidText, OutputMustHoldTextAndNul) {
    struct Case {
        int (*print)(const uint8_t*, char*, unsigned);
        unsigned exact;
    };
    const Case cases[] = {{uuid2normalstr, KESTFW_UUID_NORMAL_LEN}, {uuid2rvqstr, KESTFW_UUID_RVQ_LEN}};
    for (const Case& c : cases) {
        char buf[64];
        memset(buf, 'x', sizeof buf);
        EXPECT_EQ(c.print(kUuid, buf, c.exact - 1), 0);
        EXPECT_EQ(buf[0], 'x') << "nothing is written when the text does not fit";
        EXPECT_EQ(c.print(kUuid, buf, c.exact), 1);
        EXPECT_EQ(strlen(buf), c.exact - 1);
    }
    char buf[64];
    EXPECT_EQ(uuid2vnicstr(kUuid, 7, buf, KESTFW_UUID_VNIC_LEN - 1), 0);
    EXPECT_EQ(uuid2vnicstr(kUuid, 7, buf, KESTFW_UUID_VNIC_LEN), 1);
    EXPECT_EQ(uuid2normalstr(nullptr, buf, sizeof buf), 0);
    EXPECT_EQ(uuid2normalstr(kUuid, nullptr, sizeof buf), 0);
}

struct UuidReadCase {
    const char* text;
    int normal, rvq, vnic;  // expected result of each reader
    unsigned index;
};

class UuidRead : public ::testing::TestWithParam<UuidReadCase> {};

TEST_P(UuidRead, EachReaderAcceptsItsOwnForm) {
    const UuidReadCase& c = GetParam();
    uint8_t u[16];
    unsigned index = 99;
    memset(u, 0, sizeof u);
    EXPECT_EQ(normalstr2uuid(u, c.text), c.normal);
    if (c.normal) {
        EXPECT_EQ(bytes(u, 16), bytes(kUuid, 16));
    }
    memset(u, 0, sizeof u);
    EXPECT_EQ(rvqstr2uuid(u, c.text), c.rvq);
    if (c.rvq) {
        EXPECT_EQ(bytes(u, 16), bytes(kUuid, 16));
    }
    memset(u, 0, sizeof u);
    EXPECT_EQ(vnicstr2uuid(u, &index, c.text), c.vnic);
    if (c.vnic) {
        EXPECT_EQ(bytes(u, 16), bytes(kUuid, 16));
        EXPECT_EQ(index, c.index);
    } else {
        EXPECT_EQ(index, 99u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, UuidRead,
    ::testing::Values(UuidReadCase{"01234567-89ab-cdef-0123-456789abcdef", 1, 0, 0, 0},
                      UuidReadCase{"01234567-89AB-CDEF-0123-456789ABCDEF", 1, 0, 0, 0},
                      UuidReadCase{"01 23 45 67 89 ab cd ef-01 23 45 67 89 ab cd ef", 0, 1, 0, 0},
                      UuidReadCase{"01234567-89ab-cdef-0123-456789abcdef.5", 1, 0, 1, 5},
                      UuidReadCase{"01234567-89ab-cdef-0123-456789abcdef.005", 1, 0, 1, 5},
                      UuidReadCase{"01 23 45 67 89 ab cd ef-01 23 45 67 89 ab cd ef:5", 0, 1, 1, 5},
                      UuidReadCase{"01 23 45 67 89 ab cd ef-01 23 45 67 89 ab cd ef.999", 0, 1, 1, 999},
                      UuidReadCase{"01234567-89ab-cdef-0123-456789abcd", 0, 0, 0, 0},
                      UuidReadCase{"01234567-89ab-cdef-0123", 0, 0, 0, 0},
                      UuidReadCase{"0123456789abcdef0123456789abcdef", 0, 0, 0, 0},
                      UuidReadCase{"01234567-89ab-cdef-0123-456789abcdef:5", 1, 0, 0, 0},
                      UuidReadCase{"0123456g-89ab-cdef-0123-456789abcdef", 0, 0, 0, 0}, UuidReadCase{"", 0, 0, 0, 0}));

TEST(UuidText, ParseUUIDStringTellsVnicFromPlain) {
    uint8_t u[16];
    unsigned index = 7, isVnic = 7;
    ASSERT_EQ(ParseUUIDString("01234567-89ab-cdef-0123-456789abcdef.42", u, &index, &isVnic), 1);
    EXPECT_EQ(index, 42u);
    EXPECT_EQ(isVnic, 1u);
    ASSERT_EQ(ParseUUIDString("01 23 45 67 89 ab cd ef-01 23 45 67 89 ab cd ef", u, &index, &isVnic), 1);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(isVnic, 0u);
    ASSERT_EQ(ParseUUIDString("01234567-89ab-cdef-0123-456789abcdef", u, &index, &isVnic), 1);
    EXPECT_EQ(bytes(u, 16), bytes(kUuid, 16));
    index = isVnic = 7;
    EXPECT_EQ(ParseUUIDString("nonsense", u, &index, &isVnic), 0);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(isVnic, 0u);
}

TEST(UuidText, RoundTripsEveryByteValue) {
    for (int start = 0; start < 256; start += 16) {
        uint8_t u[16], back[16];
        for (int i = 0; i < 16; ++i) u[i] = static_cast<uint8_t>(start + i);
        char text[64];
        unsigned index = 0;
        ASSERT_EQ(uuid2normalstr(u, text, sizeof text), 1);
        ASSERT_EQ(normalstr2uuid(back, text), 1);
        EXPECT_EQ(bytes(back, 16), bytes(u, 16));
        ASSERT_EQ(uuid2rvqstr(u, text, sizeof text), 1);
        ASSERT_EQ(rvqstr2uuid(back, text), 1);
        EXPECT_EQ(bytes(back, 16), bytes(u, 16));
        ASSERT_EQ(uuid2vnicstr(u, static_cast<unsigned>(start), text, sizeof text), 1);
        ASSERT_EQ(vnicstr2uuid(back, &index, text), 1);
        EXPECT_EQ(bytes(back, 16), bytes(u, 16));
        EXPECT_EQ(index, static_cast<unsigned>(start));
    }
}

TEST(SidText, WindowsAndLinuxRoundTrip) {
    const char* const texts[] = {"S-1-5-21-1-2-3", "S-1-0", "S-1-281474976710655-4294967295",
                                 "S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15",
                                 "L-01234567-89ab-cdef-0123-456789abcdef:4294967295"};
    for (const char* text : texts) {
        fwattr_sid sid;
        ASSERT_EQ(sid_str2bin(text, &sid), 1) << text;
        char out[256];
        ASSERT_EQ(sid_bin2str(&sid, out, sizeof out), 1) << text;
        EXPECT_STREQ(out, text);
    }
}

TEST(SidText, BinaryLayout) {
    static_assert(sizeof(fwattr_sid) == 72, "SID record");
    static_assert(sizeof(fwattr_intrv) == 20, "interval record");
    fwattr_sid sid;
    ASSERT_EQ(winsid_str2bin("s-1-5-21-1-2-3", &sid), 1) << "the Windows reader takes either case of S";
    uint8_t raw[72];
    memcpy(raw, &sid, sizeof raw);
    uint8_t expect[72] = {0, 0, 0, 0, 1, 4, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
    EXPECT_EQ(bytes(raw, 72), bytes(expect, 72));

    ASSERT_EQ(sid_str2bin("L-01234567-89ab-cdef-0123-456789abcdef:258", &sid), 1);
    memcpy(raw, &sid, sizeof raw);
    uint8_t lexpect[72] = {0, 0, 0, 0, 2, 20};
    memcpy(lexpect + 6, kUuid, 16);
    lexpect[22] = 2;
    lexpect[23] = 1;
    EXPECT_EQ(bytes(raw, 72), bytes(lexpect, 72));
}

TEST(SidText, RejectsMalformed) {
    const char* const bad[] = {"S-2-5",
                               "X-1-5",
                               "S-1",
                               "S-1-",
                               "S-1-5-",
                               "S-1--5",
                               "S-1-281474976710656",
                               "S-1-5-4294967296",
                               "S-1-5-+3",
                               "S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16",
                               "L-01234567-89ab-cdef-0123-456789abcdef",
                               "L-01234567-89ab-cdef-0123-456789abcdef:4294967296",
                               "L:01234567-89ab-cdef-0123-456789abcdef:1",
                               "",
                               "s-1-5",
                               "-1-5"};
    for (const char* text : bad) {
        fwattr_sid sid;
        memset(&sid, 0xee, sizeof sid);
        EXPECT_EQ(sid_str2bin(text, &sid), 0) << text;
        EXPECT_EQ(reinterpret_cast<uint8_t*>(&sid)[4], 0xee) << "output untouched for " << text;
    }
    EXPECT_EQ(sid_str2bin(nullptr, nullptr), 0);
}

TEST(SidText, BinaryChecksAndSizes) {
    fwattr_sid sid;
    ASSERT_EQ(sid_str2bin("S-1-5-21", &sid), 1);
    char out[64];
    EXPECT_EQ(sid_bin2str(&sid, out, 9), 1);  // "S-1-5-21" and its NUL
    EXPECT_EQ(sid_bin2str(&sid, out, 8), 0);
    EXPECT_STREQ(out, "") << "the output is cleared first";
    sid.count = 16;
    EXPECT_EQ(sid_bin2str(&sid, out, sizeof out), 0);
    sid.kind = 3;
    EXPECT_EQ(sid_bin2str(&sid, out, sizeof out), 0);
    ASSERT_EQ(sid_str2bin("L-01234567-89ab-cdef-0123-456789abcdef:1", &sid), 1);
    EXPECT_EQ(sid_bin2str(&sid, out, 49), 0);
    EXPECT_EQ(sid_bin2str(&sid, out, 50), 1);
    sid.count = 19;
    EXPECT_EQ(sid_bin2str(&sid, out, sizeof out), 0);
}

TEST(Numbers, LongConversions) {
    struct Case {
        const char* text;
        int base;
        int ok;
        long value;
    } cases[] = {{"0", 10, 1, 0},
                 {"-12", 10, 1, -12},
                 {"9223372036854775807", 10, 1, 9223372036854775807L},
                 {"9223372036854775808", 10, 0, 0},
                 {"0x1f", 0, 1, 31},
                 {"017", 0, 1, 15},
                 {"12a", 10, 0, 0},
                 {"", 10, 0, 0},
                 {"-", 10, 0, 0}};
    for (const Case& c : cases) {
        long v = 0;
        EXPECT_EQ(Str2Long(c.text, c.base, &v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    long v = 0;
    Str2Long("12a", 10, &v);
    EXPECT_EQ(v, 12) << "the output is written even on failure";
    unsigned long u = 0;
    EXPECT_EQ(Str2ULong("18446744073709551615", 10, &u), 1);
    EXPECT_EQ(u, 18446744073709551615UL);
    EXPECT_EQ(Str2ULong("18446744073709551616", 10, &u), 0);
    EXPECT_EQ(Str2ULong("-1", 10, &u), 0);
    unsigned x = 5;
    EXPECT_EQ(Str2Uint("0x100000001", 0, &x), 1);
    EXPECT_EQ(x, 1u) << "truncated to 32 bits";
    x = 5;
    EXPECT_EQ(Str2Uint("1z", 10, &x), 0);
    EXPECT_EQ(x, 5u);
}

TEST(Numbers, BoundedConversions) {
    struct Case {
        int (*fn)(const char*, long*);
        const char* text;
        int ok;
    } cases[] = {{Str2Port, "65535", 1}, {Str2Port, "65536", 0}, {Str2Port, "80x", 0}, {Str2Port, "-1", 0},
                 {Str2Port, "0", 1},     {Str2CIDR4, "32", 1},   {Str2CIDR4, "33", 0}, {Str2CIDR6, "128", 1},
                 {Str2CIDR6, "129", 0},  {Str2CIDR6, "", 0}};
    for (const Case& c : cases) {
        long v = -7;
        EXPECT_EQ(c.fn(c.text, &v), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_EQ(v, -7) << c.text;
        }
    }
}

TEST(Numbers, PortRanges) {
    struct Case {
        const char* text;
        int orRange, strict;
        long lo, hi;
    } cases[] = {{"80-80", 1, 0, 80, 80}, {"80-90", 1, 1, 80, 90}, {"80:90", 1, 1, 80, 90},     {"80--90", 0, 0, 0, 0},
                 {"90-80", 0, 0, 0, 0},   {"80", 0, 0, 0, 0},      {"0-65535", 1, 1, 0, 65535}, {"1-65536", 0, 0, 0, 0},
                 {"-80", 0, 0, 0, 0},     {"80-", 0, 0, 0, 0},     {"80- 90", 0, 0, 0, 0}};
    for (const Case& c : cases) {
        long lo = -1, hi = -1;
        EXPECT_EQ(Str2PortOrRange(c.text, &lo, &hi), c.orRange) << c.text;
        if (c.orRange) {
            EXPECT_EQ(std::make_pair(lo, hi), std::make_pair(c.lo, c.hi)) << c.text;
        }
        EXPECT_EQ(Str2PortRange(c.text, &lo, &hi), c.strict) << c.text;
    }
}

TEST(Numbers, ParsePortStringStoresNetworkOrder) {
    unsigned short port = 1;
    uint8_t end[2] = {9, 9};
    ASSERT_EQ(ParsePortString("8080", &port, end), 1);
    EXPECT_EQ(port, htons(8080));
    EXPECT_EQ(end[0], 0);
    EXPECT_EQ(end[1], 0);
    ASSERT_EQ(ParsePortString("1000-1025", &port, end), 1);
    EXPECT_EQ(port, htons(1000));
    EXPECT_EQ(end[0], 0x04);
    EXPECT_EQ(end[1], 0x01);
    port = 1;
    end[0] = 9;
    EXPECT_EQ(ParsePortString("80-80", &port, end), 0);
    EXPECT_EQ(port, 0) << "outputs are cleared first";
    EXPECT_EQ(end[0], 0);
}

TEST(Lists, ParseCompString) {
    const char* names[] = {"misc", "api", "lexer"};
    struct Case {
        const char* text;
        int ok;
        unsigned value;
    } cases[] = {{"ALL", 1, 255}, {"all", 1, 255}, {"LEXER", 1, 2}, {"api", 1, 1}, {"nope", 0, 0}, {"64", 0, 0},
                 {"63", 1, 63},   {"0x3f", 1, 63}, {"255", 1, 255}, {"256", 0, 0}, {"010", 1, 8},  {"1x", 0, 0}};
    for (const Case& c : cases) {
        unsigned v = 1000;
        EXPECT_EQ(ParseCompString(c.text, &v, names, 3), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : 1000u) << c.text;
    }
}

TEST(Lists, ParseTimeoutList) {
    unsigned v[3] = {7, 7, 7};
    ASSERT_EQ(ParseTimeoutList("10, 20:30", v, 3), 1);
    EXPECT_EQ(std::vector<unsigned>(v, v + 3), (std::vector<unsigned>{10, 20, 30}));
    const char* const bad[] = {"10 20", "10 20 30 40", "10 -1 30", "10 x 30", ""};
    for (const char* text : bad) {
        unsigned w[3] = {7, 7, 7};
        EXPECT_EQ(ParseTimeoutList(text, w, 3), 0) << text;
        EXPECT_EQ(w[0], 7u) << text;
    }
}

TEST(Lists, TimeoutNames) {
    EXPECT_EQ(TimeoutName2ID("DFW.TCP.OPENING"), 1u);
    EXPECT_EQ(TimeoutName2ID("dfw.tcp.first_packet"), 0u);
    EXPECT_EQ(TimeoutName2ID("dfw.tbr_revalidation"), 22u);
    EXPECT_EQ(TimeoutName2ID("dfw.tcp"), 24u);
    EXPECT_EQ(TimeoutName2ID(nullptr), 24u);
    for (unsigned i = 0; i < KESTFW_TIMEOUT_COUNT; ++i) EXPECT_EQ(TimeoutName2ID(g_kestfw_timeout_name[i]), i);
}

TEST(Lists, EtherTypesAndProtocols) {
    unsigned short et[4];
    unsigned n = 99;
    ASSERT_EQ(ParseEtherTypeString("0x800, 0x86dd\t2054", et, 4, &n), 1);
    ASSERT_EQ(n, 3u);
    EXPECT_EQ(et[0], htons(0x800));
    EXPECT_EQ(et[1], htons(0x86dd));
    EXPECT_EQ(et[2], htons(2054));
    n = 99;
    EXPECT_EQ(ParseEtherTypeString("0x10000", et, 4, &n), 0);
    EXPECT_EQ(ParseEtherTypeString("1,2,3", et, 2, &n), 0);
    EXPECT_EQ(n, 99u);

    uint8_t pr[4];
    ASSERT_EQ(ParseProtocolString("tcp,udp 1", pr, 4, &n), 1);
    ASSERT_EQ(n, 3u);
    EXPECT_EQ(pr[0], 6);
    EXPECT_EQ(pr[1], 17);
    EXPECT_EQ(pr[2], 1);
    EXPECT_EQ(ParseProtocolString("256", pr, 4, &n), 0);
    EXPECT_EQ(ParseProtocolString("notaprotocol", pr, 4, &n), 0);
}

TEST(Strncpy, AlwaysTerminates) {
    char buf[8];
    memset(buf, 'x', sizeof buf);
    EXPECT_EQ(Strncpy(buf, "abcdefghij", sizeof buf), 1);
    EXPECT_STREQ(buf, "abcdefg");
    EXPECT_EQ(Strncpy(buf, "ab", sizeof buf), 1);
    EXPECT_STREQ(buf, "ab");
    EXPECT_EQ(Strncpy(buf, "zz", 0), 1);
    EXPECT_STREQ(buf, "ab");
}

TEST(IpPort, SplitsAddressAndPort) {
    in_addr a;
    unsigned short port = 0;
    ASSERT_EQ(fw_str2ipport("10.1.2.3:8080", &a, &port), 1);
    EXPECT_EQ(a.s_addr, htonl(0x0a010203));
    EXPECT_EQ(port, 8080);
    EXPECT_EQ(fw_str2ipport("10.1.2.3:65536", &a, &port), 0);
    EXPECT_EQ(fw_str2ipport("10.1.2.3", &a, &port), 0);
    EXPECT_EQ(fw_str2ipport("10.1.2:80", &a, &port), 0);
    EXPECT_EQ(fw_str2ipport("::1:80", &a, &port), 0);
}

TEST(InetPton, SkipsSpaceAndIgnoresTrailingWords) {
    in_addr a;
    EXPECT_EQ(kest_inet_pton(AF_INET, "  10.0.0.1  trailing", &a), 1);
    EXPECT_EQ(a.s_addr, htonl(0x0a000001));
    EXPECT_EQ(kest_inet_pton(AF_INET, "   ", &a), 0);
    std::string longText(46, '1');
    EXPECT_EQ(kest_inet_pton(AF_INET6, longText.c_str(), &a), 0);
    in6_addr b;
    EXPECT_EQ(kest_inet_pton(AF_INET6, "0000:0000:0000:0000:0000:ffff:255.255.255.255", &b), 1)
        << "45 characters is the longest address text";
}

TEST(TimeText, IntervalsAndDays) {
    unsigned long s = 0;
    EXPECT_EQ(timeStrToSecs("09:05", &s), 1);
    EXPECT_EQ(s, 32700u);
    EXPECT_EQ(secstoTimeStr(32700), "9:5");
    EXPECT_EQ(timeStrToSecs("24:00", &s), 0);
    EXPECT_EQ(timeStrToSecs("9", &s), 0);
    EXPECT_EQ(ConvertIntToDayStr(0), "SUNDAY");
    EXPECT_EQ(ConvertIntToDayStr(6), "SATURDAY");
    EXPECT_EQ(ConvertIntToDayStr(7), "INVALID");

    struct Case {
        const char* text;
        int ok;
        uint64_t start, end;
        unsigned day;
        const char* printed;
    } cases[] = {{"9:00,17:30", 1, 32400, 63000, 7, "9:0,17:30"},
                 {"9:00,17:30,1", 1, 32400, 63000, 1, "9:0,17:30,MONDAY"},
                 {"0:0,23:59,saturday", 1, 0, 86340, 6, "0:0,23:59,SATURDAY"},
                 {"9:00", 0, 0, 0, 0, nullptr},
                 {"9:00,10:00,8", 0, 0, 0, 0, nullptr},
                 {"9:00,10:00,1,2", 0, 0, 0, 0, nullptr},
                 {"9:00,x", 0, 0, 0, 0, nullptr}};
    for (const Case& c : cases) {
        fwattr_intrv iv{1, 1, 1};
        ASSERT_EQ(strToAttrIvl(c.text, &iv), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_EQ(iv.day, 1u);
            continue;
        }
        EXPECT_EQ(iv.start, c.start);
        EXPECT_EQ(iv.end, c.end);
        EXPECT_EQ(iv.day, c.day);
        std::string out;
        ASSERT_EQ(attrIvlToStr(iv, out), 1);
        EXPECT_EQ(out, c.printed);
        fwattr_intrv back{};
        ASSERT_EQ(strToAttrIvl(out, &back), 1) << out;
        EXPECT_EQ(memcmp(&back, &iv, sizeof iv), 0) << out;
    }
}

TEST(Dpi, NamesFromTheRegisteredMap) {
    DpiClearNames();
    EXPECT_EQ(DpiString(67), "");
    DpiRegisterName(67, "APP_HTTP");
    EXPECT_EQ(DpiString(67), "APP_HTTP");
    DpiClearNames();
    EXPECT_EQ(getDPIString(1, nullptr, 0), 1);
}

TEST(ByteOrder, SixtyFourBitSwap) {
    EXPECT_EQ(htonll(0x0102030405060708ull), 0x0807060504030201ull);
    EXPECT_EQ(ntohll(htonll(0xdeadbeefcafef00dull)), 0xdeadbeefcafef00dull);
    uint64_t wire = htonll(0x0102030405060708ull);
    uint8_t b[8];
    memcpy(b, &wire, 8);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[7], 8);
}

TEST(BootTime, SecondsSinceBootMapToNow) {
    time_t boot = bootsec2time(0);
    time_t now = time(nullptr);
    EXPECT_LE(boot, now);
    EXPECT_EQ(bootsec2time(100) - boot, 100);
}
