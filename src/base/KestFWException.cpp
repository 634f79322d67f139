#include "base/KestFWException.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>

namespace KestFirewall {

std::string kestfwFormat(const char* fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

namespace {
const char* const kSpecNames[] = {
    "min protocol spec placeholder", "tcp/udp port", "tcp/udp port range", "/tcp/udp port set",
    "tcp flags", "tcp options", "icmp type", "no state", "dscp", "tcp strict", "tcp sloppy",
    "max protocol spec placeholder"};
}  // namespace

CUnsupportedException::CUnsupportedException(int code, const char* text) { set(text, code); }
CUnsupportedException::CUnsupportedException(const char* text) { set(text, 7); }
CUnsupportedException::CUnsupportedException(const char* text, int n) { set(kestfwFormat("%s%d", text, n), 7); }
CUnsupportedException::CUnsupportedException(const char* text, unsigned n) {
    set(kestfwFormat("%s%u", text, n), 7);
}
CUnsupportedException::CUnsupportedException(const char* text, const char* text2) {
    set(std::string(text) + text2, 7);
}

CInvalidTimeoutException::CInvalidTimeoutException(const char* name) {
    set(std::string("unrecognized timeout ") + name, 58);
}
CInvalidTimeoutException::CInvalidTimeoutException(unsigned id) {
    set(kestfwFormat("unrecognized timeout id %u", id), 58);
}

CInvalidAddressException::CInvalidAddressException(const char* text) { set(text, 33); }
CInvalidAddressException::CInvalidAddressException(const char* text, unsigned n) {
    set(kestfwFormat("%s: %u", text, n), 33);
}

CInvalidAddrSetTypeException::CInvalidAddrSetTypeException(int type) {
    set(kestfwFormat("invalid addrset type: %d", type), 34);
}

CInvalidRuleActionException::CInvalidRuleActionException(unsigned action) {
    set(kestfwFormat("invalid rule action: %u", action), 37);
}

CInsufficientMsgBufException::CInsufficientMsgBufException(unsigned expected, unsigned got) {
    set(kestfwFormat("expect %u byte in message buffer, but only get %u bytes", expected, got), 9);
}

CInvalidEtherRangeException::CInvalidEtherRangeException(const char* text) { set(text, 33); }

CInvalidIPv4RangeException::CInvalidIPv4RangeException(const unsigned char lo[4], const unsigned char hi[4]) {
    char a[INET_ADDRSTRLEN] = "", b[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, lo, a, sizeof a);
    inet_ntop(AF_INET, hi, b, sizeof b);
    set(kestfwFormat("invalid IPv4 range: %s - %s", a, b), 33);
}

CInvalidIPv6RangeException::CInvalidIPv6RangeException(const unsigned char lo[16], const unsigned char hi[16]) {
    char a[INET6_ADDRSTRLEN] = "", b[INET6_ADDRSTRLEN] = "";
    inet_ntop(AF_INET6, lo, a, sizeof a);
    inet_ntop(AF_INET6, hi, b, sizeof b);
    set(kestfwFormat("invalid IPv6 range: %s - %s", a, b), 33);
}

CCannotOpenDevException::CCannotOpenDevException(const char* path, unsigned err) {
    set(kestfwFormat("cannot open device %s: %u", path, err), 12);
}

CIoctlException::CIoctlException(const char* text, int err) { set(text, err == ENOMEM ? 65 : 19); }

CPortNotFoundException::CPortNotFoundException(const char* text) { set(text, 21); }

CInvalidL4PortException::CInvalidL4PortException(unsigned port) {
    set(kestfwFormat("invalid TCP/UDP port: %u", port), 38);
}
CInvalidL4PortException::CInvalidL4PortException(const char* text) {
    set(std::string("invalid TCP/UDP port: ") + text, 38);
}
CInvalidL4PortException::CInvalidL4PortException(const std::string& text) {
    set("invalid TCP/UDP port: " + text, 38);
}

CInvalidL4PortRangeException::CInvalidL4PortRangeException(unsigned lo, unsigned hi) {
    set(kestfwFormat("invalid TCP/UDP port range: %u - %u", lo, hi), 38);
}
CInvalidL4PortRangeException::CInvalidL4PortRangeException(const char* text) {
    set(kestfwFormat("invalid TCP/UDP port range: %s", text), 38);
}

CIntegerOverflowException::CIntegerOverflowException(const char* text, unsigned n) {
    set(kestfwFormat("%s: %u", text, n), 17);
}

COutOfMemoryException::COutOfMemoryException(unsigned bytes) {
    set(kestfwFormat("out of memory while trying to alloc %u bytes memory", bytes), 8);
}

CBufferTooSmallException::CBufferTooSmallException(unsigned bytes) {
    set(kestfwFormat("input buffer of %u bytes is too small", bytes), 9);
}

CCannotOpenFileException::CCannotOpenFileException(const std::string& a, const std::string& b) {
    set(a + " : " + b, 12);
}

CCannotInitializeIOException::CCannotInitializeIOException(int ioType) {
    set(kestfwFormat("cannot initialize IO channel: %d", ioType), 10);
}

CUnknownProtocolSpecTypeException::CUnknownProtocolSpecTypeException(int type) {
    set(kestfwFormat("unknown protocol spec type: %d", type), 43);
}

CUnknownMsgBufTypeException::CUnknownMsgBufTypeException(int type) {
    set(kestfwFormat("unknown message buffer type: %d", type), 3);
}

CUnknownIOTypeException::CUnknownIOTypeException(int type) {
    set(kestfwFormat("unknown IO channel type: %d", type), 15);
}

CUnknownSocketTypeException::CUnknownSocketTypeException(int type) {
    set(kestfwFormat("unknown socket type: %d", type), 11);
}

CTooManyL4PortException::CTooManyL4PortException(unsigned n) {
    set(kestfwFormat("too many TCP/UDP port: %u", n), 39);
}
CTooManyL4PortException::CTooManyL4PortException(const char* text) {
    set(kestfwFormat("too many TCP/UDP port: %s", text), 39);
}

CInvalidRuleDirectionException::CInvalidRuleDirectionException(int dir) {
    set(kestfwFormat("invalid rule action id: %d", dir), 42);
}

CInvalidProtocolSpecDirException::CInvalidProtocolSpecDirException(int dir) {
    set(kestfwFormat("invalid protocol spec dir (0-2): %d", dir), 43);
}

CInvalidTCPFlagsException::CInvalidTCPFlagsException(int flags) {
    set(kestfwFormat("invalid TCP flags: 0x%04x", flags), 40);
}

CIDTooLongException::CIDTooLongException(const char* text) { set(kestfwFormat("id is too long: %s", text), 32); }

CTCPOptionsTooLongException::CTCPOptionsTooLongException(int length) {
    set(kestfwFormat("TCP options is too long: %d", length), 41);
}

CDuplicateProtocolSpecException::CDuplicateProtocolSpecException(unsigned specType) {
    const char* name = (specType >= 124 && specType <= 135) ? kSpecNames[specType - 124] : "unknown";
    set(kestfwFormat("duplicate definition of protocol spec of %s", name), 43);
}

CSocketException::CSocketException(const char* text) { set(text, 11); }

CIpfixPacketFullException::CIpfixPacketFullException() { set("", 50); }

CInvalidInputDataException::CInvalidInputDataException(const char* text) { set(text, 4); }

CUnknownIpfixTemplateTypeException::CUnknownIpfixTemplateTypeException(int type) {
    set(kestfwFormat("Unknown template: %d", type), 7);
}

CIpfixFWException::CIpfixFWException(const char* text) { set(text, 6); }

CInvalidAttrKey::CInvalidAttrKey(const char* text) { set(std::string("invalid attribute key ") + text, 66); }

CInvalidAttrValue::CInvalidAttrValue(const char* text) { set(std::string("invalid attribute value ") + text, 67); }

CUnmappedEIntAttribute::CUnmappedEIntAttribute(const char* text) {
    set(std::string("unmapped attribute value ") + text, 68);
}

CInvalidUidException::CInvalidUidException() { set("missing uid to sid mapping", 70); }

CInvalidContainerNameException::CInvalidContainerNameException(const std::string& name, const char* reason) {
    set("invalid container name: " + name + "(" + reason + ")", 69);
}

}  // namespace KestFirewall
