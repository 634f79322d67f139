#include "model/KestFWAddressUtil.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "base/KestFWException.h"
#include "kestfw/kestfw_util.h"
#include "util/ByteIO.h"

namespace KestFirewall {
namespace AddressUtil {

std::string copyText(const char* text) {
    if (text == nullptr) throw CInvalidAddressException("");
    try {
        return std::string(text);
    } catch (const std::bad_alloc&) {
        throw COutOfMemoryException(static_cast<unsigned>(strlen(text) + 1));
    }
}

bool splitAt(const std::string& text, char sep, std::string* before, std::string* after) {
    size_t at = text.find(sep);
    if (at == std::string::npos) return false;
    *before = text.substr(0, at);
    *after = text.substr(at + 1);
    return true;
}

in_addr parseIPv4Host(const char* text) {
    in_addr a{};
    if (text == nullptr || kest_inet_pton(AF_INET, text, &a) != 1) throw CInvalidAddressException(text ? text : "");
    return a;
}

in6_addr parseIPv6Host(const char* text) {
    in6_addr a{};
    if (text == nullptr || kest_inet_pton(AF_INET6, text, &a) != 1) throw CInvalidAddressException(text ? text : "");
    return a;
}

std::string formatIPv4(const in_addr& address) {
    char buf[INET_ADDRSTRLEN];
    if (inet_ntop(AF_INET, &address, buf, sizeof buf) == nullptr) throw CInvalidAddressException("invalid ip address");
    return buf;
}

std::string formatIPv6(const in6_addr& address) {
    char buf[INET6_ADDRSTRLEN];
    if (inet_ntop(AF_INET6, &address, buf, sizeof buf) == nullptr)
        throw CInvalidAddressException("invalid ip6 address");
    return buf;
}

std::string formatEther(const fw_ether_& a) {
    char buf[18];
    snprintf(buf, sizeof buf, "%02x:%02x:%02x:%02x:%02x:%02x", a.octet[0], a.octet[1], a.octet[2], a.octet[3],
             a.octet[4], a.octet[5]);
    return buf;
}

void parseEtherPair(const char* text, char sep, fw_ether_* first, fw_ether_* second) {
    if (text == nullptr) throw CInvalidAddressException("");
    const char* fmt = sep == '/' ? "%x:%x:%x:%x:%x:%x/%x:%x:%x:%x:%x:%x" : "%x:%x:%x:%x:%x:%x-%x:%x:%x:%x:%x:%x";
    unsigned v[12];
    int n = sscanf(text, fmt, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11]);
    if (n < 12) throw CInvalidAddressException(text);
    for (unsigned i = 0; i < 12; ++i)
        if (v[i] >= 256) throw CInvalidAddressException(text);
    for (unsigned i = 0; i < 6; ++i) {
        first->octet[i] = static_cast<uint8_t>(v[i]);
        second->octet[i] = static_cast<uint8_t>(v[6 + i]);
    }
}

uint64_t etherNumber(const fw_ether_& a) {
    uint64_t n = 0;
    for (int i = 5; i >= 0; --i) n = n << 8 | a.octet[i];
    return n;
}

uint32_t nativeWord(const in6_addr& address, unsigned i) {
    uint32_t w;
    memcpy(&w, address.s6_addr + 4 * i, 4);
    return w;
}

uint32_t hostWord(const in6_addr& address, unsigned i) { return ntohl(nativeWord(address, i)); }

int compareIPv6Words(const in6_addr& a, const in6_addr& b) {
    for (int i = 3; i >= 0; --i) {
        uint32_t x = nativeWord(a, i), y = nativeWord(b, i);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

uint32_t nativeWord(const in_addr& address) {
    uint32_t w;
    memcpy(&w, &address, 4);
    return w;
}

unsigned recordType(const FWAddress_* rec) {
    ByteReader r(rec, sizeof(FWAddress_));
    return r.getAt<uint16_t>(0);
}

bool recordNegate(const FWAddress_* rec) {
    ByteReader r(rec, sizeof(FWAddress_));
    return (r.getAt<uint8_t>(2) & FW_ADDRESS_FLAG_NEGATE) != 0;
}

void recordBytes(const FWAddress_* rec, size_t off, void* out, size_t n) {
    ByteReader r(rec, sizeof(FWAddress_));
    r.seek(off);
    r.bytes(out, n);
    if (!r.ok()) throw CInvalidAddressException("address record field out of bounds", static_cast<unsigned>(off));
}

void checkRecord(const FWAddress_* rec, unsigned expected) {
    if (rec == nullptr) throw CInvalidAddressException("null address record");
    unsigned type = recordType(rec);
    if (type != expected) throw CInvalidAddressException("invalid address type", type);
}

}  // namespace AddressUtil
}  // namespace KestFirewall
