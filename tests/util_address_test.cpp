// MAC and IP texts with masks and ranges, prefix lengths, IP ranges cut into CIDR blocks, and the
// lookup3 hashes against the algorithm's published values. "-" stands for a refusal that left the
// outputs alone.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "support/TextTable.h"
#include "util/KestFWUtil.h"

using kestfw_test::each;
using V = std::vector<std::string>;

namespace {

std::string v4(uint32_t netOrder) {
    char buf[INET_ADDRSTRLEN];
    return inet_ntop(AF_INET, &netOrder, buf, sizeof buf);
}
std::string v6(const void* net) {
    char buf[INET6_ADDRSTRLEN];
    return inet_ntop(AF_INET6, net, buf, sizeof buf);
}

std::string macText(const uint8_t* m) {
    char buf[32];
    snprintf(buf, sizeof buf, "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
    return buf;
}

}  // namespace

TEST(AddressText, MacWithOptionalMask) {
    auto parse = [](const char* t) {
        uint8_t mac[6] = {9, 9, 9, 9, 9, 9}, mask[6] = {9, 9, 9, 9, 9, 9};
        if (!ParseMACString(t, mac, mask)) return std::string(mac[0] == 9 ? "-" : "written");
        return macText(mac) + "/" + macText(mask);
    };
    // Each group reads as "%hhx" does: blanks, a sign, "0x", any number of digits (the low byte is kept);
    // the text after the sixth group is not read.
    EXPECT_EQ(each({"00:50:56:AB:cd:ef", "00-50-56-ab-cd-ef/ff-ff-00-00-00-00", "00:50:56:ab:cd",
                    "00:50:56:ab:cd:ef:01", "00:50:56:ab:cd:ef/", "00:50:56:ab:cd:eg", "00:50:56-ab:cd:ef",
                    "0x0: 0X50:+56:-1:abc:fffffffffffffff1f", "0x:50:56:ab:cd:ef"},
                   parse),
              (V{"00:50:56:ab:cd:ef/ff:ff:ff:ff:ff:ff", "00:50:00:00:00:00/ff:ff:00:00:00:00", "-",
                 "00:50:56:ab:cd:ef/ff:ff:ff:ff:ff:ff", "-", "00:50:56:ab:cd:0e/ff:ff:ff:ff:ff:ff", "-",
                 "00:50:56:ff:bc:1f/ff:ff:ff:ff:ff:ff", "-"}));
}

// A network comes back with its host bits cleared and its mask; a range as its two ends.
TEST(AddressText, IPv4AddressNetworkOrRange) {
    auto parse = [](const char* t) {
        uint32_t a = 1, m = 1;
        unsigned r = 9;
        if (!ParseIPv4String(t, &a, &m, &r)) return std::string(r == 9 ? "-" : "written");
        return v4(a) + (r ? " to " : " mask ") + v4(m);
    };
    EXPECT_EQ(each({"10.0.0.1", "10.0.0.1/255.255.255.0", "10.1.2.3/8", "10.1.2.3/0", "9.255.255.255-10.0.0.0",
                    "10.0.0.5-10.0.0.5", "10.0.0.9-10.0.0.1", "10.1.2.3/33", "10.1.2/8", "::1"},
                   parse),
              (V{"10.0.0.1 mask 255.255.255.255", "10.0.0.0 mask 255.255.255.0", "10.0.0.0 mask 255.0.0.0",
                 "0.0.0.0 mask 0.0.0.0", "9.255.255.255 to 10.0.0.0", "-", "-", "-", "-", "-"}));
}

TEST(AddressText, IPv6AddressNetworkOrRange) {
    auto parse = [](const char* t) {
        uint32_t a[4] = {1, 1, 1, 1}, m[4] = {1, 1, 1, 1};
        unsigned r = 9;
        if (!ParseIPv6String(t, a, m, &r)) return std::string(r == 9 && a[0] == 1 ? "-" : "written");
        return v6(a) + (r ? " to " : " mask ") + v6(m);
    };
    EXPECT_EQ(each({"2001:db8::1", "2001:db8::1/64", "2001:db8:0:0:ffff::1/ffff:ffff::", "2001:db8::1-2001:db8::ff",
                    "2001:db8::1-2001:db8::1", "2001:db8::1-2001:db9::ff", "2001:db8::1/129", "2001:db8:::1"},
                   parse),
              (V{"2001:db8::1 mask ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", "2001:db8:: mask ffff:ffff:ffff:ffff::",
                 "2001:db8:: mask ffff:ffff::", "2001:db8::1 to 2001:db8::ff", "-", "-", "-", "-"}));
}

TEST(Masks, PrefixesRoundTripAndHolesAreRefused) {
    for (unsigned p = 0; p <= 128; ++p) {
        uint32_t m = 0, m6[4];
        unsigned back = 999, back6 = 999;
        EXPECT_EQ(cidr2ipv4mask(p, &m) && ipv4mask2cidr(m, &back), p <= 32) << p;
        EXPECT_EQ(back, p <= 32 ? p : 999) << p;
        ASSERT_EQ(cidr2ipv6mask(p, m6) && ipv6mask2cidr(m6, &back6), 1) << p;
        EXPECT_EQ(back6, p);
    }
    uint32_t m = 0, m6[4];
    EXPECT_EQ(cidr2ipv6mask(129, m6), 0);
    ASSERT_EQ(cidr2ipv4mask(24, &m), 1);
    EXPECT_EQ(v4(m), "255.255.255.0");

    unsigned p = 99;
    inet_pton(AF_INET, "255.255.0.255", &m);
    EXPECT_EQ(ipv4mask2cidr(m, &p), 0);
    inet_pton(AF_INET6, "ffff:ffff:ffff:ffff:7fff::", m6);
    EXPECT_EQ(ipv6mask2cidr(m6, &p), 0);
    EXPECT_EQ(p, 99u);
}

namespace {

struct Blocks {
    V out;
    int stopAfter;  // the callback refuses the block after this many; -1 never
};

template <typename Addr>
bool collect(void* ctx, Addr net, unsigned prefix) {
    Blocks* b = static_cast<Blocks*>(ctx);
    char buf[INET6_ADDRSTRLEN];
    b->out.push_back(inet_ntop(sizeof net == 4 ? AF_INET : AF_INET6, &net, buf, sizeof buf) +
                     ("/" + std::to_string(prefix)));
    return b->stopAfter < 0 || static_cast<int>(b->out.size()) < b->stopAfter;
}

template <typename Addr>
Addr ip(const char* text) {
    Addr a{};
    inet_pton(sizeof a == 4 ? AF_INET : AF_INET6, text, &a);
    return a;
}

// The blocks first..last is cut into; `result` receives whether the walk ran to the end.
V blocks(const char* first, const char* last, int* result = nullptr, int stopAfter = -1) {
    Blocks b{{}, stopAfter};
    int r = strchr(first, ':') ? ipv6range2cidr(ip<in6_addr>(first), ip<in6_addr>(last), &b, collect<in6_addr>)
                               : ipv4range2cidr(ip<in_addr>(first), ip<in_addr>(last), &b, collect<in_addr>);
    if (result) *result = r;
    return b.out;
}

}  // namespace

TEST(RangeToCidr, IPv4MinimalCover) {
    EXPECT_EQ(blocks("0.0.0.1", "0.0.0.6"), (V{"0.0.0.1/32", "0.0.0.2/31", "0.0.0.4/31", "0.0.0.6/32"}));
    EXPECT_EQ(blocks("10.0.0.0", "10.0.0.255"), (V{"10.0.0.0/24"}));
    EXPECT_EQ(blocks("0.0.0.0", "255.255.255.255"), (V{"0.0.0.0/0"}));
    EXPECT_EQ(blocks("255.255.255.255", "255.255.255.255"), (V{"255.255.255.255/32"})) << "no wrap past the top";
    EXPECT_EQ(blocks("0.0.0.1", "255.255.255.255").size(), 32u);
    EXPECT_EQ(blocks("10.0.0.9", "10.0.0.1"), V{}) << "an inverted range covers nothing";
    int r = 1;
    EXPECT_EQ(blocks("0.0.0.1", "0.0.0.6", &r, 2), (V{"0.0.0.1/32", "0.0.0.2/31"}));
    EXPECT_EQ(r, 0) << "a refusing callback stops the walk";

    // Uneven ranges: the blocks are aligned, each continues the last, and the cover ends at the end.
    for (auto [first, last] : {std::pair{"10.0.0.3", "10.0.7.200"}, {"1.2.3.4", "1.3.0.0"}}) {
        uint64_t next = ntohl(ip<in_addr>(first).s_addr);
        for (const std::string& b : blocks(first, last)) {
            uint32_t net = ntohl(ip<in_addr>(b.substr(0, b.find('/')).c_str()).s_addr);
            uint64_t size = 1ull << (32 - std::stoul(b.substr(b.find('/') + 1)));
            EXPECT_TRUE(net == next && net % size == 0) << b;
            next += size;
        }
        EXPECT_EQ(next, ntohl(ip<in_addr>(last).s_addr) + 1ull) << first;
    }
}

TEST(RangeToCidr, IPv6Extremes) {
    int r = 0;
    EXPECT_EQ(blocks("2001:db8::", "2001:db8::ffff:ffff:ffff:ffff", &r), (V{"2001:db8::/64"}));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(blocks("::1", "::6", &r), (V{"::1/128", "::2/127", "::4/127", "::6/128"}));
    EXPECT_EQ(blocks("::1", "::ffff:ffff:ffff:ffff", &r).size(), 64u);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(blocks("::", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", &r), V{});
    EXPECT_EQ(r, 0) << "ends must share their upper 64 bits";
}

TEST(Lookup3, PublishedValues) {
    const char* four = "Four score and seven years ago";
    EXPECT_EQ(jhash32("", 0, 0), 0xdeadbeefu);
    EXPECT_EQ(jhash32(four, 30, 0), 0x17770551u);
    EXPECT_EQ(jhash32(four, 30, 1), 0xcd628161u);

    // seed = secondary << 32 | primary; answer = secondary hash << 32 | primary hash.
    const std::tuple<const char*, size_t, uint64_t, uint64_t> cases[] = {
        {"", 0, 0, 0xdeadbeefdeadbeef},
        {"", 0, 0xdeadbeefdeadbeef, 0xbd5b7dde9c093ccd},
        {four, 30, 0, 0xce7226e617770551},
        {four, 30, 0x100000000, 0xbd371de4e3607cae},
        {four, 30, 1, 0x6cbea4b3cd628161}};
    for (const auto& [key, len, seed, hash] : cases) EXPECT_EQ(jhash64(key, len, seed), hash) << key << " " << seed;
}

TEST(Lookup3, AlignmentDoesNotChangeTheHash) {
    alignas(8) uint8_t buf[80];
    for (size_t i = 0; i < sizeof buf; ++i) buf[i] = static_cast<uint8_t>(i * 37 + 11);
    for (size_t len = 0; len <= 72; ++len) {
        for (size_t shift = 1; shift < 4; ++shift) {
            uint8_t moved[80];
            memcpy(moved + shift, buf, len);
            EXPECT_EQ(jhash32(moved + shift, len, 7), jhash32(buf, len, 7)) << len << "+" << shift;
        }
    }
}
