// Identifier, SID, number, list and time conversions: exact texts and bytes of valid forms, refusal of
// malformed ones at their boundaries, and outputs left alone on failure. Each table runs its inputs
// through the conversion and compares what came out, "-" standing for a refusal.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/TextTable.h"
#include "util/KestFWUtil.h"

using namespace KestFirewall;
using kestfw_test::each;

namespace {

using Bytes = std::vector<uint8_t>;
using V = std::vector<std::string>;

// Every hexadecimal digit appears once in each half.
const uint8_t kUuid[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                           0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
const char* const kNormal = "01234567-89ab-cdef-0123-456789abcdef";
const char* const kRvq = "01 23 45 67 89 ab cd ef-01 23 45 67 89 ab cd ef";

Bytes bytes(const void* p, size_t n) {
    return Bytes(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
}

}  // namespace

TEST(UuidText, PrintsEachFormIntoAnOutputThatHoldsItExactly) {
    char buf[64];
    ASSERT_EQ(uuid2normalstr(kUuid, buf, KESTFW_UUID_NORMAL_LEN), 1);
    EXPECT_STREQ(buf, kNormal);
    ASSERT_EQ(uuid2rvqstr(kUuid, buf, KESTFW_UUID_RVQ_LEN), 1);
    EXPECT_STREQ(buf, kRvq);
    ASSERT_EQ(uuid2vnicstr(kUuid, 5, buf, KESTFW_UUID_VNIC_LEN), 1);
    EXPECT_STREQ(buf, "01234567-89ab-cdef-0123-456789abcdef.005");
    ASSERT_EQ(rvqstr2vnicstr(kRvq, 12, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "01234567-89ab-cdef-0123-456789abcdef.012");

    memset(buf, 'x', sizeof buf);
    EXPECT_EQ(uuid2normalstr(kUuid, buf, KESTFW_UUID_NORMAL_LEN - 1), 0);
    EXPECT_EQ(uuid2rvqstr(kUuid, buf, KESTFW_UUID_RVQ_LEN - 1), 0);
    EXPECT_EQ(uuid2vnicstr(kUuid, 7, buf, KESTFW_UUID_VNIC_LEN - 1), 0);
    EXPECT_EQ(buf[0], 'x') << "nothing is written when the text does not fit";
}

TEST(UuidText, EachReaderAcceptsItsOwnForm) {
    // Per text: N if the normal reader takes it, R if the rvq reader does, V<index> if the vNIC one does.
    // ParseUUIDString takes any of them and tells a vNIC form apart.
    auto readers = [](const char* t) {
        uint8_t n[16] = {}, r[16] = {}, v[16] = {}, p[16];
        unsigned index = 99, pIndex = 7, pVnic = 7;
        bool isN = normalstr2uuid(n, t), isR = rvqstr2uuid(r, t), isV = vnicstr2uuid(v, &index, t);
        EXPECT_TRUE((!isN || bytes(n, 16) == bytes(kUuid, 16)) && (!isR || bytes(r, 16) == bytes(kUuid, 16)) &&
                    (!isV || bytes(v, 16) == bytes(kUuid, 16)) && (isV || index == 99))
            << t;
        EXPECT_EQ(ParseUUIDString(t, p, &pIndex, &pVnic), isN || isR || isV) << t;
        EXPECT_EQ(std::make_pair(pIndex, pVnic), std::make_pair(isV ? index : 0u, isV ? 1u : 0u)) << t;
        return std::string(isN ? "N" : "-") + (isR ? "R" : "-") + (isV ? "V" + std::to_string(index) : "-");
    };
    EXPECT_EQ(each({kNormal, "01234567-89AB-CDEF-0123-456789ABCDEF", kRvq, "01234567-89ab-cdef-0123-456789abcdef.005",
                    std::string(kRvq) + ":5", std::string(kRvq) + ".999", "01234567-89ab-cdef-0123-456789abcdef:5",
                    "01234567-89ab-cdef-0123-456789abcd", "0123456g-89ab-cdef-0123-456789abcdef", ""},
                   readers),
              (V{"N--", "N--", "-R-", "N-V5", "-RV5", "-RV999", "N--", "---", "---", "---"}));
}

TEST(SidText, RoundTripsRefusalsAndBinaryLayout) {
    static_assert(sizeof(fwattr_sid) == 72, "SID record");
    static_assert(sizeof(fwattr_intrv) == 20, "interval record");
    // A refused text leaves the output as it was.
    auto roundTrip = [](const char* t) {
        fwattr_sid sid;
        memset(&sid, 0xee, sizeof sid);
        char out[256];
        if (!sid_str2bin(t, &sid)) return std::string(reinterpret_cast<uint8_t*>(&sid)[4] == 0xee ? "-" : "written");
        return sid_bin2str(&sid, out, sizeof out) ? std::string(out) : "unprintable";
    };
    const V good = {"S-1-5-21-1-2-3", "S-1-0", "S-1-281474976710655-4294967295",
                    "S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15", "L-01234567-89ab-cdef-0123-456789abcdef:4294967295"};
    EXPECT_EQ(each(good, roundTrip), good);
    EXPECT_EQ(each({"S-2-5", "S-1", "S-1-5-", "S-1--5", "S-1-281474976710656", "S-1-5-4294967296", "S-1-5-+3",
                    "S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16", "L-01234567-89ab-cdef-0123-456789abcdef",
                    "L-01234567-89ab-cdef-0123-456789abcdef:4294967296", "s-1-5"},
                   roundTrip),
              V(11, "-"));

    fwattr_sid sid;
    ASSERT_EQ(winsid_str2bin("s-1-5-21-1-2-3", &sid), 1) << "the Windows reader takes either case of S";
    uint8_t want[72] = {0, 0, 0, 0, 1, 4, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
    EXPECT_EQ(bytes(&sid, 72), bytes(want, 72));
    ASSERT_EQ(sid_str2bin("L-01234567-89ab-cdef-0123-456789abcdef:258", &sid), 1);
    uint8_t lwant[72] = {0, 0, 0, 0, 2, 20};
    memcpy(lwant + 6, kUuid, 16);
    lwant[22] = 2;
    lwant[23] = 1;
    EXPECT_EQ(bytes(&sid, 72), bytes(lwant, 72));

    // Printing needs room for the text and its NUL, and refuses counts and kinds a record cannot hold.
    char out[64];
    ASSERT_EQ(sid_str2bin("S-1-5-21", &sid), 1);
    EXPECT_EQ(sid_bin2str(&sid, out, 9), 1);
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

TEST(Numbers, WholeTextConversionsAtTheirLimits) {
    EXPECT_EQ(each({"-12", "9223372036854775807", "9223372036854775808", "0x1f", "017", "", "-"},
                   [](const char* t) {
                       long v = 0;
                       return Str2Long(t, 0, &v) ? std::to_string(v) : "-";
                   }),
              (V{"-12", "9223372036854775807", "-", "31", "15", "-", "-"}));
    unsigned long u = 0;
    EXPECT_TRUE(Str2ULong("18446744073709551615", 10, &u) && u == 18446744073709551615UL);
    EXPECT_FALSE(Str2ULong("18446744073709551616", 10, &u) || Str2ULong("-1", 10, &u));
    unsigned x = 5;
    EXPECT_EQ(Str2Uint("0x100000001", 0, &x), 1);
    EXPECT_EQ(x, 1u) << "truncated to 32 bits";

    // Bounded readers leave the output alone when they refuse.
    auto bounded = [](int (*fn)(const char*, long*)) {
        return [fn](const char* t) {
            long w = -7;
            return fn(t, &w) ? std::to_string(w) : w == -7 ? "-" : "written";
        };
    };
    // Signed decimals are read; a negative one is the narrowest value: port 0, a host prefix.
    EXPECT_EQ(each({"65535", "65536", "80x", "-1", "0", "+80"}, bounded(Str2Port)),
              (V{"65535", "-", "-", "0", "0", "80"}));
    EXPECT_EQ(each({"32", "33", "-1"}, bounded(Str2CIDR4)), (V{"32", "-", "32"}));
    EXPECT_EQ(each({"128", "129", "", "-5"}, bounded(Str2CIDR6)), (V{"128", "-", "-", "128"}));
}

TEST(Numbers, PortRanges) {
    // Str2PortOrRange takes a one-port range, Str2PortRange does not.
    const V texts = {"80-80", "80:90", "80--90", "90-80", "80", "0-65535", "1-65536", "-80"};
    auto range = [](int (*fn)(const char*, long*, long*)) {
        return [fn](const char* t) {
            long lo = -1, hi = -1;
            return fn(t, &lo, &hi) ? std::to_string(lo) + ".." + std::to_string(hi) : "-";
        };
    };
    EXPECT_EQ(each(texts, range(Str2PortOrRange)),
              (V{"80..80", "80..90", "-", "-", "-", "0..65535", "-", "-"}));
    EXPECT_EQ(each(texts, range(Str2PortRange)),
              (V{"-", "80..90", "-", "-", "-", "0..65535", "-", "-"}));

    // ParsePortString stores network order; a one-port range is refused with both outputs cleared.
    // It writes exactly the two bytes at portEnd.
    unsigned short port = 1;
    uint8_t guarded[3] = {9, 9, 9};
    uint8_t* end = guarded;
    ASSERT_EQ(ParsePortString("8080", &port, end), 1);
    EXPECT_EQ(std::make_tuple(port, end[0], end[1]), std::make_tuple(htons(8080), 0, 0));
    ASSERT_EQ(ParsePortString("1000-1025", &port, end), 1);
    EXPECT_EQ(std::make_tuple(port, end[0], end[1]), std::make_tuple(htons(1000), 0x04, 0x01));
    EXPECT_EQ(ParsePortString("80-80", &port, end), 0);
    EXPECT_EQ(std::make_tuple(port, end[0], end[1]), std::make_tuple(0, 0, 0));
    EXPECT_EQ(guarded[2], 9);
}

TEST(Lists, ComponentsTimeoutsEtherTypesProtocols) {
    EXPECT_EQ(each({"ALL", "LEXER", "nope", "63", "64", "0x3f", "256", "010", "1x"},
                   [](const char* t) {
                       const char* names[] = {"misc", "api", "lexer"};
                       unsigned v = 1000;
                       return ParseCompString(t, &v, names, 3) ? std::to_string(v) : v == 1000 ? "-" : "written";
                   }),
              (V{"255", "2", "-", "63", "-", "63", "-", "8", "-"}));

    auto timeouts = [](const char* t) {
        unsigned v[3] = {7, 7, 7};
        if (!ParseTimeoutList(t, v, 3)) return std::string(v[0] == 7 ? "-" : "written");
        return std::to_string(v[0]) + "," + std::to_string(v[1]) + "," + std::to_string(v[2]);
    };
    // A value past 32 bits is held at the largest one.
    EXPECT_EQ(each({"10, 20:30", "10 20", "10 20 30 40", "10 -1 30", "10 x 30", "", "+10 4294967296 -0"}, timeouts),
              (V{"10,20,30", "-", "-", "-", "-", "-", "10,4294967295,0"}));
    EXPECT_EQ(TimeoutName2ID("DFW.TCP.OPENING"), 1u);
    EXPECT_EQ(TimeoutName2ID("dfw.tcp"), 24u);
    for (unsigned i = 0; i < KESTFW_TIMEOUT_COUNT; ++i) EXPECT_EQ(TimeoutName2ID(g_kestfw_timeout_name[i]), i);

    unsigned short et[4];
    unsigned n = 99;
    ASSERT_EQ(ParseEtherTypeString("0x800, 0x86dd\t2054", et, 4, &n), 1);
    const unsigned short wantEt[3] = {htons(0x800), htons(0x86dd), htons(2054)};
    EXPECT_EQ(bytes(et, n * 2), bytes(wantEt, 6));
    n = 99;
    EXPECT_FALSE(ParseEtherTypeString("0x10000", et, 4, &n) || ParseEtherTypeString("1,x", et, 4, &n));
    EXPECT_EQ(n, 99u);
    // A list longer than `max` is taken up to `max`; nothing is written past it. A negative value is 0.
    unsigned short etFence[4] = {7, 7, 7, 7};
    ASSERT_EQ(ParseEtherTypeString("-1 2 3 x", etFence, 2, &n), 1);
    EXPECT_EQ(n, 2u);
    const unsigned short wantFence[4] = {0, htons(2), 7, 7};
    EXPECT_EQ(bytes(etFence, 8), bytes(wantFence, 8));
    uint8_t pr[4];
    ASSERT_EQ(ParseProtocolString("tcp,udp 1", pr, 4, &n), 1);
    EXPECT_EQ(bytes(pr, n), (Bytes{6, 17, 1}));
    EXPECT_FALSE(ParseProtocolString("256", pr, 4, &n) || ParseProtocolString("notaprotocol", pr, 4, &n));
    uint8_t prFence[4] = {7, 7, 7, 7};
    ASSERT_EQ(ParseProtocolString("+6 -1 17", prFence, 2, &n), 1);
    EXPECT_EQ(bytes(prFence, 4), (Bytes{6, 0, 7, 7}));
}

TEST(Text, CopiesAddressesAndByteOrder) {
    char buf[8];
    EXPECT_EQ(Strncpy(buf, "abcdefghij", sizeof buf), 1);
    EXPECT_STREQ(buf, "abcdefg");

    EXPECT_EQ(each({"10.1.2.3:8080", "10.1.2.3:65536", "10.1.2.3", "10.1.2:80"},
                   [](const char* t) {
                       in_addr a;
                       unsigned short port = 0;
                       return fw_str2ipport(t, &a, &port) ? std::to_string(ntohl(a.s_addr)) + ":" + std::to_string(port)
                                                          : "-";
                   }),
              (V{"167838211:8080", "-", "-", "-"}));

    in_addr a;
    EXPECT_EQ(kest_inet_pton(AF_INET, "  10.0.0.1  trailing", &a), 1);
    EXPECT_EQ(a.s_addr, htonl(0x0a000001));
    EXPECT_EQ(kest_inet_pton(AF_INET, "   ", &a), 0);
    in6_addr b;
    EXPECT_EQ(kest_inet_pton(AF_INET6, "0000:0000:0000:0000:0000:ffff:255.255.255.255", &b), 1) << "45 characters";
    EXPECT_EQ(kest_inet_pton(AF_INET6, std::string(46, '1').c_str(), &b), 0);

    uint64_t wire = htonll(0x0102030405060708ull);
    EXPECT_EQ(bytes(&wire, 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(ntohll(wire), 0x0102030405060708ull);
}

TEST(TimeText, IntervalsAndDays) {
    unsigned long s = 0;
    EXPECT_EQ(timeStrToSecs("09:05", &s), 1);
    EXPECT_EQ(s, 32700u);
    EXPECT_EQ(secstoTimeStr(32700), "9:5");
    EXPECT_FALSE(timeStrToSecs("24:00", &s) || timeStrToSecs("9", &s));
    // Only HH:MM is read; what follows it is left alone.
    EXPECT_TRUE(timeStrToSecs("9:00:30", &s) && s == 32400u);
    EXPECT_TRUE(timeStrToSecs("17:30 pm", &s) && s == 63000u);
    EXPECT_EQ(ConvertIntToDayStr(7), "INVALID");

    // Per text: the stored start, end and day, then the interval printed and read back unchanged.
    auto interval = [](const char* t) {
        fwattr_intrv iv{1, 1, 1}, back{};
        std::string out;
        if (!strToAttrIvl(t, &iv)) return std::string(iv.day == 1 ? "-" : "written");
        EXPECT_EQ(attrIvlToStr(iv, out), 1);
        EXPECT_TRUE(strToAttrIvl(out, &back) && bytes(&back, sizeof back) == bytes(&iv, sizeof iv)) << out;
        return std::to_string(iv.start) + " " + std::to_string(iv.end) + " " + std::to_string(iv.day) + " " + out;
    };
    EXPECT_EQ(
        each({"9:00,17:30", "9:00,17:30,1", "0:0,23:59,saturday", "9:00", "9:00,10:00,8", "9:00,10:00,1,2", "9:00,x"},
             interval),
        (V{"32400 63000 7 9:0,17:30", "32400 63000 1 9:0,17:30,MONDAY", "0 86340 6 0:0,23:59,SATURDAY", "-", "-", "-",
           "-"}));
}
