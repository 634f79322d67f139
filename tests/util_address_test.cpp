// MAC and IP texts with masks and ranges, prefix lengths, IP ranges cut into CIDR blocks, and the
// lookup3 hashes against the algorithm's published values.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "util/KestFWUtil.h"

namespace {

std::string v4(uint32_t netOrder) {
    char buf[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &netOrder, buf, sizeof buf);
    return buf;
}

std::string v6(const void* net) {
    char buf[INET6_ADDRSTRLEN];
    inet_ntop(AF_INET6, net, buf, sizeof buf);
    return buf;
}

std::string macText(const uint8_t* m) {
    char buf[32];
    snprintf(buf, sizeof buf, "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
    return buf;
}

}  // namespace

struct MacCase {
    const char* text;
    int ok;
    const char* mac;
    const char* mask;
};

class MacParse : public ::testing::TestWithParam<MacCase> {};

TEST_P(MacParse, AddressAndMask) {
    const MacCase& c = GetParam();
    uint8_t mac[6] = {9, 9, 9, 9, 9, 9}, mask[6] = {9, 9, 9, 9, 9, 9};
    ASSERT_EQ(ParseMACString(c.text, mac, mask), c.ok) << c.text;
    if (!c.ok) {
        EXPECT_EQ(mac[0], 9);
        return;
    }
    EXPECT_EQ(macText(mac), c.mac);
    EXPECT_EQ(macText(mask), c.mask);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, MacParse,
    ::testing::Values(MacCase{"00:50:56:AB:cd:ef", 1, "00:50:56:ab:cd:ef", "ff:ff:ff:ff:ff:ff"},
                      MacCase{"00-50-56-ab-cd-ef", 1, "00:50:56:ab:cd:ef", "ff:ff:ff:ff:ff:ff"},
                      MacCase{"0:50:56:ab:cd:ef", 1, "00:50:56:ab:cd:ef", "ff:ff:ff:ff:ff:ff"},
                      MacCase{"00:50:56:ab:cd:ef/ff:ff:ff:00:00:00", 1, "00:50:56:00:00:00", "ff:ff:ff:00:00:00"},
                      MacCase{"00-50-56-ab-cd-ef/ff-ff-00-00-00-00", 1, "00:50:00:00:00:00", "ff:ff:00:00:00:00"},
                      MacCase{"00:50:56:ab:cd", 0, "", ""}, MacCase{"00:50:56:ab:cd:ef:01", 0, "", ""},
                      MacCase{"00:50:56:ab:cd:ef/", 0, "", ""}, MacCase{"00:50:56:ab:cd:eg", 0, "", ""},
                      MacCase{"00:50:56-ab:cd:ef", 0, "", ""}, MacCase{"", 0, "", ""}));

struct V4Case {
    const char* text;
    int ok;
    const char* address;
    const char* maskOrEnd;
    unsigned isRange;
};

class IPv4Parse : public ::testing::TestWithParam<V4Case> {};

TEST_P(IPv4Parse, AddressMaskOrRange) {
    const V4Case& c = GetParam();
    uint32_t a = 1, m = 1;
    unsigned r = 9;
    ASSERT_EQ(ParseIPv4String(c.text, &a, &m, &r), c.ok) << c.text;
    if (!c.ok) {
        EXPECT_EQ(r, 9u);
        return;
    }
    EXPECT_EQ(v4(a), c.address);
    EXPECT_EQ(v4(m), c.maskOrEnd);
    EXPECT_EQ(r, c.isRange);
}

INSTANTIATE_TEST_SUITE_P(Forms, IPv4Parse,
                         ::testing::Values(V4Case{"10.0.0.1", 1, "10.0.0.1", "255.255.255.255", 0},
                                           V4Case{"10.0.0.1/255.255.255.0", 1, "10.0.0.0", "255.255.255.0", 0},
                                           V4Case{"10.1.2.3/8", 1, "10.0.0.0", "255.0.0.0", 0},
                                           V4Case{"10.1.2.3/0", 1, "0.0.0.0", "0.0.0.0", 0},
                                           V4Case{"10.1.2.3/32", 1, "10.1.2.3", "255.255.255.255", 0},
                                           V4Case{"10.0.0.1-10.0.0.9", 1, "10.0.0.1", "10.0.0.9", 1},
                                           V4Case{"9.255.255.255-10.0.0.0", 1, "9.255.255.255", "10.0.0.0", 1},
                                           V4Case{"10.0.0.5-10.0.0.5", 0, "", "", 0},
                                           V4Case{"10.0.0.9-10.0.0.1", 0, "", "", 0},
                                           V4Case{"10.1.2.3/33", 0, "", "", 0}, V4Case{"10.1.2.3/", 0, "", "", 0},
                                           V4Case{"10.1.2/8", 0, "", "", 0}, V4Case{"999.0.0.1", 0, "", "", 0},
                                           V4Case{"10.0.0.1-", 0, "", "", 0}, V4Case{"::1", 0, "", "", 0}));

struct V6Case {
    const char* text;
    int ok;
    const char* address;
    const char* maskOrEnd;
    unsigned isRange;
};

class IPv6Parse : public ::testing::TestWithParam<V6Case> {};

TEST_P(IPv6Parse, AddressMaskOrRange) {
    const V6Case& c = GetParam();
    uint32_t a[4] = {1, 1, 1, 1}, m[4] = {1, 1, 1, 1};
    unsigned r = 9;
    ASSERT_EQ(ParseIPv6String(c.text, a, m, &r), c.ok) << c.text;
    if (!c.ok) {
        EXPECT_EQ(r, 9u);
        EXPECT_EQ(a[0], 1u);
        return;
    }
    EXPECT_EQ(v6(a), c.address);
    EXPECT_EQ(v6(m), c.maskOrEnd);
    EXPECT_EQ(r, c.isRange);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, IPv6Parse,
    ::testing::Values(V6Case{"2001:db8::1", 1, "2001:db8::1", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", 0},
                      V6Case{"2001:db8::1/64", 1, "2001:db8::", "ffff:ffff:ffff:ffff::", 0},
                      V6Case{"2001:db8::1/0", 1, "::", "::", 0},
                      V6Case{"2001:db8:0:0:ffff::1/ffff:ffff::", 1, "2001:db8::", "ffff:ffff::", 0},
                      V6Case{"2001:db8::1-2001:db8::ff", 1, "2001:db8::1", "2001:db8::ff", 1},
                      V6Case{"2001:db8::1-2001:db8::1", 0, "", "", 0}, V6Case{"2001:db8::1-2001:db9::ff", 0, "", "", 0},
                      V6Case{"2001:db8::1/129", 0, "", "", 0}, V6Case{"2001:db8:::1", 0, "", "", 0},
                      V6Case{"10.0.0.1", 0, "", "", 0}));

TEST(Masks, PrefixesRoundTrip) {
    for (unsigned p = 0; p <= 32; ++p) {
        uint32_t m = 0;
        unsigned back = 99;
        ASSERT_EQ(cidr2ipv4mask(p, &m), 1);
        ASSERT_EQ(ipv4mask2cidr(m, &back), 1) << p;
        EXPECT_EQ(back, p);
    }
    for (unsigned p = 0; p <= 128; ++p) {
        uint32_t m[4];
        unsigned back = 999;
        ASSERT_EQ(cidr2ipv6mask(p, m), 1);
        ASSERT_EQ(ipv6mask2cidr(m, &back), 1) << p;
        EXPECT_EQ(back, p);
    }
    uint32_t m = 0;
    EXPECT_EQ(cidr2ipv4mask(33, &m), 0);
    uint32_t m6[4];
    EXPECT_EQ(cidr2ipv6mask(129, m6), 0);
    ASSERT_EQ(cidr2ipv4mask(24, &m), 1);
    EXPECT_EQ(v4(m), "255.255.255.0");
}

TEST(Masks, NonContiguousMasksAreRefused) {
    unsigned p = 99;
    uint32_t m = 0;
    inet_pton(AF_INET, "255.255.0.255", &m);
    EXPECT_EQ(ipv4mask2cidr(m, &p), 0);
    inet_pton(AF_INET, "0.0.0.1", &m);
    EXPECT_EQ(ipv4mask2cidr(m, &p), 0);
    EXPECT_EQ(p, 99u);
    uint32_t m6[4];
    inet_pton(AF_INET6, "ffff::1", m6);
    EXPECT_EQ(ipv6mask2cidr(m6, &p), 0);
    inet_pton(AF_INET6, "ffff:ffff:ffff:ffff:7fff::", m6);
    EXPECT_EQ(ipv6mask2cidr(m6, &p), 0);
}

namespace {

std::vector<std::string> blocks4(const char* first, const char* last, int stopAfter = -1, int* result = nullptr) {
    struct Ctx {
        std::vector<std::string> out;
        int stopAfter;
    } ctx{{}, stopAfter};
    in_addr a, b;
    inet_pton(AF_INET, first, &a);
    inet_pton(AF_INET, last, &b);
    int r = ipv4range2cidr(a, b, &ctx, [](void* p, in_addr net, unsigned prefix) {
        Ctx* c = static_cast<Ctx*>(p);
        c->out.push_back(v4(net.s_addr) + "/" + std::to_string(prefix));
        return c->stopAfter < 0 || static_cast<int>(c->out.size()) < c->stopAfter;
    });
    if (result) *result = r;
    return ctx.out;
}

std::vector<std::string> blocks6(const char* first, const char* last, int* result) {
    std::vector<std::string> out;
    in6_addr a, b;
    inet_pton(AF_INET6, first, &a);
    inet_pton(AF_INET6, last, &b);
    *result = ipv6range2cidr(a, b, &out, [](void* p, in6_addr net, unsigned prefix) {
        static_cast<std::vector<std::string>*>(p)->push_back(v6(&net) + "/" + std::to_string(prefix));
        return true;
    });
    return out;
}

}  // namespace

TEST(RangeToCidr, IPv4MinimalCover) {
    using V = std::vector<std::string>;
    EXPECT_EQ(blocks4("0.0.0.1", "0.0.0.6"), (V{"0.0.0.1/32", "0.0.0.2/31", "0.0.0.4/31", "0.0.0.6/32"}));
    EXPECT_EQ(blocks4("10.0.0.0", "10.0.0.255"), (V{"10.0.0.0/24"}));
    EXPECT_EQ(blocks4("10.0.0.7", "10.0.0.7"), (V{"10.0.0.7/32"}));
    EXPECT_EQ(blocks4("0.0.0.0", "255.255.255.255"), (V{"0.0.0.0/0"}));
    EXPECT_EQ(blocks4("255.255.255.254", "255.255.255.255"), (V{"255.255.255.254/31"}));
    EXPECT_EQ(blocks4("255.255.255.255", "255.255.255.255"), (V{"255.255.255.255/32"})) << "no wrap past the top";
    EXPECT_EQ(blocks4("0.0.0.1", "255.255.255.255").size(), 32u);
    EXPECT_EQ(blocks4("0.0.0.0", "255.255.255.254").size(), 32u);
    EXPECT_EQ(blocks4("10.0.0.9", "10.0.0.1"), V{}) << "an inverted range covers nothing";
    int r = 1;
    EXPECT_EQ(blocks4("0.0.0.1", "0.0.0.6", 2, &r), (V{"0.0.0.1/32", "0.0.0.2/31"}));
    EXPECT_EQ(r, 0) << "a refusing callback stops the walk";
}

TEST(RangeToCidr, IPv4CoverIsExact) {
    const char* const ends[][2] = {{"10.0.0.3", "10.0.7.200"}, {"1.2.3.4", "1.3.0.0"}, {"192.168.0.1", "192.168.1.0"}};
    for (const auto& e : ends) {
        uint32_t lo, hi;
        inet_pton(AF_INET, e[0], &lo);
        inet_pton(AF_INET, e[1], &hi);
        uint64_t next = ntohl(lo);
        for (const std::string& b : blocks4(e[0], e[1])) {
            size_t slash = b.find('/');
            uint32_t net;
            inet_pton(AF_INET, b.substr(0, slash).c_str(), &net);
            unsigned prefix = static_cast<unsigned>(std::stoul(b.substr(slash + 1)));
            EXPECT_EQ(ntohl(net), next) << b << " continues the cover";
            uint64_t size = 1ull << (32 - prefix);
            EXPECT_EQ(ntohl(net) % size, 0u) << b << " is aligned";
            next += size;
        }
        EXPECT_EQ(next, static_cast<uint64_t>(ntohl(hi)) + 1) << e[0];
    }
}

TEST(RangeToCidr, IPv6Extremes) {
    using V = std::vector<std::string>;
    int r = 0;
    EXPECT_EQ(blocks6("2001:db8::", "2001:db8::ffff:ffff:ffff:ffff", &r), (V{"2001:db8::/64"}));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(blocks6("::", "::ffff:ffff:ffff:ffff", &r), (V{"::/64"}));
    EXPECT_EQ(blocks6("::1", "::6", &r), (V{"::1/128", "::2/127", "::4/127", "::6/128"}));
    EXPECT_EQ(blocks6("ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", &r),
              (V{"ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff/128"}));
    EXPECT_EQ(blocks6("::1", "::ffff:ffff:ffff:ffff", &r).size(), 64u);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(blocks6("::", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", &r), V{});
    EXPECT_EQ(r, 0) << "ends must share their upper 64 bits";
}

TEST(Lookup3, PublishedValues) {
    const char* four = "Four score and seven years ago";
    EXPECT_EQ(jhash32("", 0, 0), 0xdeadbeefu);
    EXPECT_EQ(jhash32(four, 30, 0), 0x17770551u);
    EXPECT_EQ(jhash32(four, 30, 1), 0xcd628161u);

    // seed = secondary << 32 | primary; answer = secondary hash << 32 | primary hash.
    struct Case {
        const char* key;
        size_t len;
        uint32_t pc, pb;
        uint32_t c, b;
    } cases[] = {{"", 0, 0, 0, 0xdeadbeef, 0xdeadbeef},
                 {"", 0, 0, 0xdeadbeef, 0xbd5b7dde, 0xdeadbeef},
                 {"", 0, 0xdeadbeef, 0xdeadbeef, 0x9c093ccd, 0xbd5b7dde},
                 {four, 30, 0, 0, 0x17770551, 0xce7226e6},
                 {four, 30, 0, 1, 0xe3607cae, 0xbd371de4},
                 {four, 30, 1, 0, 0xcd628161, 0x6cbea4b3}};
    for (const Case& c : cases) {
        uint64_t h = jhash64(c.key, c.len, static_cast<uint64_t>(c.pb) << 32 | c.pc);
        EXPECT_EQ(static_cast<uint32_t>(h), c.c) << c.key << " " << c.pc << "," << c.pb;
        EXPECT_EQ(static_cast<uint32_t>(h >> 32), c.b) << c.key << " " << c.pc << "," << c.pb;
        if (c.pb == 0) {
            EXPECT_EQ(static_cast<uint32_t>(h), jhash32(c.key, c.len, c.pc)) << "primary is jhash32";
        }
    }
}

TEST(Lookup3, AlignmentDoesNotChangeTheHash) {
    alignas(8) uint8_t buf[80];
    for (size_t i = 0; i < sizeof buf; ++i) buf[i] = static_cast<uint8_t>(i * 37 + 11);
    for (size_t len = 0; len <= 72; ++len) {
        uint32_t aligned = jhash32(buf, len, 7);
        for (size_t shift = 1; shift < 4; ++shift) {
            uint8_t moved[80];
            memcpy(moved + shift, buf, len);
            EXPECT_EQ(jhash32(moved + shift, len, 7), aligned) << len << "+" << shift;
        }
    }
    // Every length class of the tail gives a different value from its neighbours.
    for (size_t len = 1; len <= 24; ++len) EXPECT_NE(jhash32(buf, len, 0), jhash32(buf, len - 1, 0)) << len;
}
