/* Text and identifier conversions, masks and prefixes, IP ranges cut into CIDR blocks, 64-bit byte
 * order and hashing, offered to the host's tools. Every conversion answers 1 for success and 0 for
 * failure, never throws, and writes its outputs only on success unless its comment says otherwise. */
#ifndef KESTFW_UTIL_H
#define KESTFW_UTIL_H

#include <netinet/in.h>
#include <stddef.h>
#include <stdint.h>
#include <time.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Security identifier in binary form (72 bytes).
 *   Windows (kind 1): count sub-authorities (at most 15), a 48-bit big-endian identifier authority,
 *                     then the sub-authorities, 32-bit host order each.
 *   Linux (kind 2):   count 20, a 16-byte UUID then a 32-bit number (host order). */
typedef struct __attribute__((packed)) fwattr_sid {
    uint32_t reserved; /* always 0 */
    uint8_t kind;      /* FWATTR_SID_WINDOWS or FWATTR_SID_LINUX; the revision of a Windows SID */
    uint8_t count;
    union __attribute__((packed)) {
        struct __attribute__((packed)) {
            uint8_t authority[6];
            uint32_t subauth[15];
        } win;
        struct __attribute__((packed)) {
            uint8_t uuid[16];
            uint32_t number;
        } lnx;
    } u;
} fwattr_sid;

enum { FWATTR_SID_WINDOWS = 1, FWATTR_SID_LINUX = 2, FWATTR_SID_MAX_SUBAUTH = 15, FWATTR_SID_LINUX_COUNT = 20 };

/* Time-of-day interval (20 bytes): seconds since midnight, and a day of the week
 * (0 SUNDAY .. 6 SATURDAY, 7 every day). */
typedef struct __attribute__((packed)) fwattr_intrv {
    uint64_t start;
    uint64_t end;
    uint32_t day;
} fwattr_intrv;

enum { FWATTR_EVERY_DAY = 7 };

/* Text sizes including the terminating NUL. */
enum {
    KESTFW_UUID_NORMAL_LEN = 37, /* 8-4-4-4-12 hexadecimal digits */
    KESTFW_UUID_RVQ_LEN = 48,    /* "xx xx xx xx xx xx xx xx-xx xx xx xx xx xx xx xx" */
    KESTFW_UUID_VNIC_LEN = 41,   /* standard form ".nnn" */
    KESTFW_LINUXSID_LEN = 50,
    KESTFW_TIMEOUT_COUNT = 23
};

/* The named timeouts, by index; TimeoutName2ID answers 24 for an unknown name. */
KESTFW_API extern const char* const g_kestfw_timeout_name[KESTFW_TIMEOUT_COUNT];

/* Identifiers. */
KESTFW_API int kest_inet_pton(int af, const char* text, void* out);
KESTFW_API int rvqstr2uuid(uint8_t uuid[16], const char* text);
KESTFW_API int normalstr2uuid(uint8_t uuid[16], const char* text);
KESTFW_API int vnicstr2uuid(uint8_t uuid[16], unsigned int* index, const char* text);
KESTFW_API int uuid2rvqstr(const uint8_t uuid[16], char* out, unsigned int size);
KESTFW_API int uuid2normalstr(const uint8_t uuid[16], char* out, unsigned int size);
KESTFW_API int uuid2vnicstr(const uint8_t uuid[16], unsigned int index, char* out, unsigned int size);
KESTFW_API int rvqstr2vnicstr(const char* spaced, unsigned int index, char* out, unsigned int size);
/* Clears index and isVnic, then reads the vNIC forms, the spaced form or the standard form. */
KESTFW_API int ParseUUIDString(const char* text, uint8_t uuid[16], unsigned int* index, unsigned int* isVnic);
KESTFW_API int linuxsid2normalstr(const void* uuidAndNumber, char* out, unsigned int size);
KESTFW_API int normalstr2linuxsid(void* uuidAndNumber, const char* text);
KESTFW_API int sid_str2bin(const char* text, fwattr_sid* out);
KESTFW_API int winsid_str2bin(const char* text, fwattr_sid* out);
KESTFW_API int linuxsid_str2bin(const char* text, fwattr_sid* out);
KESTFW_API int sid_bin2str(const fwattr_sid* sid, char* out, unsigned int size);
KESTFW_API int winsid_bin2str(const fwattr_sid* sid, char* out, unsigned int size);
KESTFW_API int linuxsid_bin2str(const fwattr_sid* sid, char* out, unsigned int size);
/* "a.b.c.d:port": the address in network order, the port in host order. */
KESTFW_API int fw_str2ipport(const char* text, struct in_addr* address, unsigned short* port);

/* Numbers and lists. Str2Long and Str2ULong write their output even when they fail. */
KESTFW_API int Str2Long(const char* text, int base, long* out);
KESTFW_API int Str2ULong(const char* text, int base, unsigned long* out);
KESTFW_API int Str2Uint(const char* text, int base, unsigned int* out);
KESTFW_API int Str2Port(const char* text, long* out);
KESTFW_API int Str2CIDR4(const char* text, long* out);
KESTFW_API int Str2CIDR6(const char* text, long* out);
KESTFW_API int Str2PortOrRange(const char* text, long* low, long* high);
KESTFW_API int Str2PortRange(const char* text, long* low, long* high);
/* One port or a strict range "lo-hi" (or "lo:hi"). Clears both outputs first; both values end in
 * network order. `portEnd` must point to 2 writable bytes: the range's end is stored there as a 16-bit
 * value (unaligned), 0 for a single port. */
KESTFW_API int ParsePortString(const char* text, unsigned short* port, uint8_t* portEnd);
KESTFW_API int ParseCompString(const char* text, unsigned int* out, const char** names, unsigned int count);
KESTFW_API int ParseTimeoutList(const char* text, unsigned int* values, unsigned int count);
KESTFW_API unsigned int TimeoutName2ID(const char* name);
KESTFW_API int ParseEtherTypeString(const char* text, unsigned short* out, unsigned int max, unsigned int* count);
KESTFW_API int ParseProtocolString(const char* text, uint8_t* out, unsigned int max, unsigned int* count);
/* Copies at most n bytes and always ends dst with a NUL in its last byte; answers 1. */
KESTFW_API int Strncpy(char* dst, const char* src, size_t n);

/* Addresses; every address and mask in network order. */
KESTFW_API int ParseMACString(const char* text, uint8_t mac[6], uint8_t mask[6]);
KESTFW_API int ParseIPv4String(const char* text, uint32_t* address, uint32_t* maskOrEnd, unsigned int* isRange);
KESTFW_API int ParseIPv6String(const char* text, uint32_t address[4], uint32_t maskOrEnd[4], unsigned int* isRange);
KESTFW_API int cidr2ipv4mask(unsigned int prefix, uint32_t* mask);
KESTFW_API int cidr2ipv6mask(unsigned int prefix, uint32_t mask[4]);
KESTFW_API int ipv4mask2cidr(uint32_t mask, unsigned int* prefix);
KESTFW_API int ipv6mask2cidr(const uint32_t mask[4], unsigned int* prefix);
/* Emits the minimal exact cover of first..last in ascending order; stops with 0 when emit refuses. */
typedef bool (*kestfw_ipv4_block_fn)(void* ctx, struct in_addr network, unsigned int prefix);
typedef bool (*kestfw_ipv6_block_fn)(void* ctx, struct in6_addr network, unsigned int prefix);
KESTFW_API int ipv4range2cidr(struct in_addr first, struct in_addr last, void* ctx, kestfw_ipv4_block_fn emit);
KESTFW_API int ipv6range2cidr(struct in6_addr first, struct in6_addr last, void* ctx, kestfw_ipv6_block_fn emit);

/* Other. */
KESTFW_API uint64_t ntohll(uint64_t value);
KESTFW_API uint64_t htonll(uint64_t value);
/* The lookup3 hash (hashlittle) of the key. */
KESTFW_API uint32_t jhash32(const void* key, size_t length, uint32_t seed);
/* The lookup3 pair hash (hashlittle2): the seed's low half is the primary seed, its high half the
 * secondary; the answer carries the secondary hash in its high and the primary in its low half. */
KESTFW_API uint64_t jhash64(const void* key, size_t length, uint64_t seed);
/* Calendar time of a moment given in seconds since the host booted. */
KESTFW_API time_t bootsec2time(unsigned long secondsSinceBoot);

#ifdef __cplusplus
}

#include <string>

namespace KestFirewall {

/* The name registered for a DPI application identifier, or "" when there is none. Reads the
 * process-wide map without a lock. */
KESTFW_API std::string DpiString(unsigned long id);
KESTFW_API int getDPIString(unsigned long id, char* out, unsigned int size);
/* "%H:%M" to seconds since midnight, and back as "%lu:%lu" (no zero padding). */
KESTFW_API int timeStrToSecs(const std::string& text, unsigned long* seconds);
KESTFW_API std::string secstoTimeStr(unsigned long seconds);
KESTFW_API std::string ConvertIntToDayStr(unsigned int day);
/* "start,end[,day]" intervals of the time attribute. */
KESTFW_API int strToAttrIvl(const std::string& text, fwattr_intrv* out);
KESTFW_API int attrIvlToStr(const fwattr_intrv& interval, std::string& out);

}  // namespace KestFirewall
#endif

#endif /* KESTFW_UTIL_H */
