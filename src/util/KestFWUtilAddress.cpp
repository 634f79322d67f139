// MAC, IPv4 and IPv6 address texts, masks and prefix lengths, and IP ranges cut into CIDR blocks.
// Addresses and masks are kept in network order throughout.
#include <arpa/inet.h>

#include <cstring>
#include <string>

#include "util/KestFWUtil.h"

using namespace KestFirewall;

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One "%hhx" group: blanks, an optional sign, an optional "0x", then any number of hexadecimal digits.
// A group longer than a byte is accepted as the scanner accepts it and keeps its low eight bits (the
// value is folded as it is read, so no run of digits can overflow); a "-" negates it modulo 256.
const char* readHexByte(const char* p, uint8_t* out) {
    while (isBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hexDigit(p[2]) >= 0) p += 2;
    if (hexDigit(*p) < 0) return nullptr;
    unsigned v = 0;
    for (; hexDigit(*p) >= 0; ++p) v = (v * 16 + static_cast<unsigned>(hexDigit(*p))) & 0xffu;
    *out = static_cast<uint8_t>(negative ? (0x100u - v) & 0xffu : v);
    return p;
}

// Six "%hhx" groups joined by `sep`; returns where the reading stopped. What follows is not looked at,
// as the scanner's pattern ends with its last group.
const char* readMac(const char* p, char sep, uint8_t mac[6]) {
    for (int i = 0; i < 6; ++i) {
        if (i > 0 && *p++ != sep) return nullptr;
        p = readHexByte(p, &mac[i]);
        if (p == nullptr) return nullptr;
    }
    return p;
}

uint64_t be64(const uint8_t* b) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = v << 8 | b[i];
    return v;
}

void putBe64(uint8_t* b, uint64_t v) {
    for (int i = 7; i >= 0; --i) {
        b[i] = static_cast<uint8_t>(v);
        v >>= 8;
    }
}

template <typename F>
int guarded(F&& f) {
    try {
        return f();
    } catch (...) {
        return 0;
    }
}

// The minimal exact cover of s..e (inclusive, within a space of `bits` bits, bits <= 64) by aligned
// power-of-two blocks, in ascending order. emit receives the block start and its host bit count.
template <typename Emit>
bool walkBlocks(unsigned __int128 s, unsigned __int128 e, Emit emit) {
    while (s <= e) {
        unsigned k = 0;
        while (k < 64) {
            unsigned __int128 doubled = static_cast<unsigned __int128>(1) << (k + 1);
            if ((s & (doubled - 1)) != 0 || s + doubled - 1 > e) break;
            ++k;
        }
        if (!emit(s, k)) return false;
        s += static_cast<unsigned __int128>(1) << k;
    }
    return true;
}

}  // namespace

extern "C" {

int ParseMACString(const char* text, uint8_t mac[6], uint8_t mask[6]) {
    if (text == nullptr || mac == nullptr || mask == nullptr) return 0;
    uint8_t a[6], m[6];
    const bool hasMask = strchr(text, '/') != nullptr;
    bool ok = false;
    for (char sep : {':', '-'}) {
        const char* rest = readMac(text, sep, a);
        if (rest == nullptr) continue;
        if (!hasMask) {
            memset(m, 0xff, sizeof m);
            ok = true;
        } else {
            ok = *rest == '/' && readMac(rest + 1, sep, m) != nullptr;
        }
        if (ok) break;
    }
    if (!ok) return 0;
    for (int i = 0; i < 6; ++i) mac[i] = a[i] & m[i];
    memcpy(mask, m, 6);
    return 1;
}

int cidr2ipv4mask(unsigned int prefix, uint32_t* mask) {
    if (mask == nullptr || prefix > 32) return 0;
    uint32_t host = prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix);
    *mask = htonl(host);
    return 1;
}

int cidr2ipv6mask(unsigned int prefix, uint32_t mask[4]) {
    if (mask == nullptr || prefix > 128) return 0;
    uint8_t b[16];
    memset(b, 0, sizeof b);
    for (unsigned i = 0; i < prefix; ++i) b[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    memcpy(mask, b, 16);
    return 1;
}

int ipv4mask2cidr(uint32_t mask, unsigned int* prefix) {
    if (prefix == nullptr) return 0;
    uint32_t host = ntohl(mask);
    unsigned ones = 0;
    while (ones < 32 && (host & (0x80000000u >> ones)) != 0) ++ones;
    uint32_t rest = ones == 32 ? 0 : host << ones;
    if (rest != 0) return 0;
    *prefix = ones;
    return 1;
}

int ipv6mask2cidr(const uint32_t mask[4], unsigned int* prefix) {
    if (mask == nullptr || prefix == nullptr) return 0;
    uint8_t b[16];
    memcpy(b, mask, 16);
    unsigned ones = 0;
    while (ones < 128 && (b[ones / 8] & (0x80 >> (ones % 8))) != 0) ++ones;
    for (unsigned i = ones; i < 128; ++i)
        if (b[i / 8] & (0x80 >> (i % 8))) return 0;
    *prefix = ones;
    return 1;
}

int ParseIPv4String(const char* text, uint32_t* address, uint32_t* maskOrEnd, unsigned int* isRange) {
    if (text == nullptr || address == nullptr || maskOrEnd == nullptr || isRange == nullptr) return 0;
    return guarded([&]() -> int {
        std::string copy(text);
        uint32_t a = 0, m = 0;
        size_t dash = copy.find('-');
        if (dash != std::string::npos) {
            if (kest_inet_pton(AF_INET, copy.substr(0, dash).c_str(), &a) != 1 ||
                kest_inet_pton(AF_INET, copy.c_str() + dash + 1, &m) != 1 || ntohl(m) <= ntohl(a))
                return 0;
            *address = a;
            *maskOrEnd = m;
            *isRange = 1;
            return 1;
        }
        size_t slash = copy.find('/');
        if (slash != std::string::npos) {
            const char* tail = copy.c_str() + slash + 1;
            if (kest_inet_pton(AF_INET, copy.substr(0, slash).c_str(), &a) != 1) return 0;
            if (kest_inet_pton(AF_INET, tail, &m) != 1) {
                long prefix = 0;
                if (!Str2CIDR4(tail, &prefix) || !cidr2ipv4mask(static_cast<unsigned>(prefix), &m)) return 0;
            }
        } else {
            if (kest_inet_pton(AF_INET, copy.c_str(), &a) != 1) return 0;
            m = 0xFFFFFFFFu;
        }
        *address = a & m;
        *maskOrEnd = m;
        *isRange = 0;
        return 1;
    });
}

int ParseIPv6String(const char* text, uint32_t address[4], uint32_t maskOrEnd[4], unsigned int* isRange) {
    if (text == nullptr || address == nullptr || maskOrEnd == nullptr || isRange == nullptr) return 0;
    return guarded([&]() -> int {
        std::string copy(text);
        uint8_t a[16], m[16];
        size_t dash = copy.find('-');
        if (dash != std::string::npos) {
            if (kest_inet_pton(AF_INET6, copy.substr(0, dash).c_str(), a) != 1 ||
                kest_inet_pton(AF_INET6, copy.c_str() + dash + 1, m) != 1)
                return 0;
            if (be64(a) != be64(m) || be64(m + 8) <= be64(a + 8)) return 0;
            memcpy(address, a, 16);
            memcpy(maskOrEnd, m, 16);
            *isRange = 1;
            return 1;
        }
        size_t slash = copy.find('/');
        if (slash != std::string::npos) {
            const char* tail = copy.c_str() + slash + 1;
            if (kest_inet_pton(AF_INET6, copy.substr(0, slash).c_str(), a) != 1) return 0;
            if (kest_inet_pton(AF_INET6, tail, m) != 1) {
                long prefix = 0;
                uint32_t words[4];
                if (!Str2CIDR6(tail, &prefix) || !cidr2ipv6mask(static_cast<unsigned>(prefix), words)) return 0;
                memcpy(m, words, 16);
            }
        } else {
            if (kest_inet_pton(AF_INET6, copy.c_str(), a) != 1) return 0;
            memset(m, 0xff, sizeof m);
        }
        for (int i = 0; i < 16; ++i) a[i] &= m[i];
        memcpy(address, a, 16);
        memcpy(maskOrEnd, m, 16);
        *isRange = 0;
        return 1;
    });
}

int ipv4range2cidr(struct in_addr first, struct in_addr last, void* ctx, kestfw_ipv4_block_fn emit) {
    if (emit == nullptr) return 0;
    bool done = walkBlocks(ntohl(first.s_addr), ntohl(last.s_addr), [&](unsigned __int128 s, unsigned k) {
        struct in_addr network;
        network.s_addr = htonl(static_cast<uint32_t>(s));
        return emit(ctx, network, 32 - k);
    });
    return done ? 1 : 0;
}

int ipv6range2cidr(struct in6_addr first, struct in6_addr last, void* ctx, kestfw_ipv6_block_fn emit) {
    if (emit == nullptr) return 0;
    uint64_t upper = be64(first.s6_addr);
    if (upper != be64(last.s6_addr)) return 0;
    bool done = walkBlocks(be64(first.s6_addr + 8), be64(last.s6_addr + 8), [&](unsigned __int128 s, unsigned k) {
        struct in6_addr network;
        putBe64(network.s6_addr, upper);
        putBe64(network.s6_addr + 8, static_cast<uint64_t>(s));
        return emit(ctx, network, 64 + (64 - k));
    });
    return done ? 1 : 0;
}

}  // extern "C"
