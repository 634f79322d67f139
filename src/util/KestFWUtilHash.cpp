// 64-bit byte order and Bob Jenkins' lookup3 hashes (hashlittle and hashlittle2). The key is read a
// byte at a time and assembled little-endian, which gives the published values for keys of any
// alignment without reading past the key's end.
#include <cstring>

#include "util/KestFWUtil.h"

namespace {

inline uint32_t rot(uint32_t x, unsigned k) { return (x << k) | (x >> (32 - k)); }

// clang-format off
inline void mix(uint32_t& a, uint32_t& b, uint32_t& c) {
    a -= c;  a ^= rot(c, 4);  c += b;
    b -= a;  b ^= rot(a, 6);  a += c;
    c -= b;  c ^= rot(b, 8);  b += a;
    a -= c;  a ^= rot(c, 16); c += b;
    b -= a;  b ^= rot(a, 19); a += c;
    c -= b;  c ^= rot(b, 4);  b += a;
}

inline void finalMix(uint32_t& a, uint32_t& b, uint32_t& c) {
    c ^= b; c -= rot(b, 14);
    a ^= c; a -= rot(c, 11);
    b ^= a; b -= rot(a, 25);
    c ^= b; c -= rot(b, 16);
    a ^= c; a -= rot(c, 4);
    b ^= a; b -= rot(a, 14);
    c ^= b; c -= rot(b, 24);
}

// clang-format on

// Up to four bytes as a little-endian word; missing bytes count as zero.
inline uint32_t word(const uint8_t* k, size_t n) {
    uint32_t v = 0;
    for (size_t i = 0; i < n && i < 4; ++i) v |= static_cast<uint32_t>(k[i]) << (8 * i);
    return v;
}

// The body shared by both hashes: a, b and c on entry are the seeded start values; on return c is
// the primary and b the secondary hash.
void lookup3(const uint8_t* k, size_t length, uint32_t& a, uint32_t& b, uint32_t& c) {
    while (length > 12) {
        a += word(k, 4);
        b += word(k + 4, 4);
        c += word(k + 8, 4);
        mix(a, b, c);
        length -= 12;
        k += 12;
    }
    if (length == 0) return;  // an empty tail skips the final mix
    a += word(k, length);
    if (length > 4) b += word(k + 4, length - 4);
    if (length > 8) c += word(k + 8, length - 8);
    finalMix(a, b, c);
}

}  // namespace

extern "C" {

uint64_t ntohll(uint64_t value) { return __builtin_bswap64(value); }
uint64_t htonll(uint64_t value) { return __builtin_bswap64(value); }

uint32_t jhash32(const void* key, size_t length, uint32_t seed) {
    uint32_t a, b, c;
    a = b = c = 0xdeadbeefu + static_cast<uint32_t>(length) + seed;
    if (key == nullptr) length = 0;
    lookup3(static_cast<const uint8_t*>(key), length, a, b, c);
    return c;
}

uint64_t jhash64(const void* key, size_t length, uint64_t seed) {
    uint32_t a, b, c;
    a = b = c = 0xdeadbeefu + static_cast<uint32_t>(length) + static_cast<uint32_t>(seed);
    c += static_cast<uint32_t>(seed >> 32);
    if (key == nullptr) length = 0;
    lookup3(static_cast<const uint8_t*>(key), length, a, b, c);
    return static_cast<uint64_t>(b) << 32 | c;
}

}  // extern "C"
