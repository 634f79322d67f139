// Helpers shared by the address forms: host-address text both ways, Ethernet text, record field
// access through the checked byte reader, and the word orders the forms compare by.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "kestfw/kestfw_address.h"

namespace KestFirewall {
namespace AddressUtil {

// A working copy of address text; an allocation failure raises COutOfMemoryException.
std::string copyText(const char* text);
// Splits `text` at the first `sep` into its two halves; false when there is no `sep`.
bool splitAt(const std::string& text, char sep, std::string* before, std::string* after);

// Host text through kest_inet_pton; anything else raises CInvalidAddressException with the text.
in_addr parseIPv4Host(const char* text);
in6_addr parseIPv6Host(const char* text);
// Dotted quad / standard IPv6 text; a failed rendering raises "invalid ip address" / "invalid ip6 address".
std::string formatIPv4(const in_addr& address);
std::string formatIPv6(const in6_addr& address);
// "%02x:%02x:%02x:%02x:%02x:%02x".
std::string formatEther(const fw_ether_& address);
// Two Ethernet addresses joined by `sep` ('/' or '-'), each six hexadecimal values below 256;
// anything else raises CInvalidAddressException with the text.
void parseEtherPair(const char* text, char sep, fw_ether_* first, fw_ether_* second);
// The 48-bit number of an Ethernet address whose first byte is the least significant.
uint64_t etherNumber(const fw_ether_& address);

// 32-bit word i of an IPv6 address as the machine reads it (native order) and in host order.
uint32_t nativeWord(const in6_addr& address, unsigned i);
uint32_t hostWord(const in6_addr& address, unsigned i);
// The order of IPv6 fields: native words from the last to the first; -1, 0 or 1.
int compareIPv6Words(const in6_addr& a, const in6_addr& b);
// The native 32-bit word of an IPv4 address.
uint32_t nativeWord(const in_addr& address);

// Record access: the type code, flag bit 0 and `n` body bytes at record offset `off`.
unsigned recordType(const FWAddress_* rec);
bool recordNegate(const FWAddress_* rec);
void recordBytes(const FWAddress_* rec, size_t off, void* out, size_t n);
// A null record raises "null address record"; a record of another type code raises
// "invalid address type" with the code.
void checkRecord(const FWAddress_* rec, unsigned expected);

}  // namespace AddressUtil
}  // namespace KestFirewall
