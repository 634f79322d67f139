// Status texts of every FWStatus_t the library or the kernel can produce.
#include <cstdio>

#include "kestfw/kestfw_frame.h"

namespace {
const char* const kStatusText[] = {
    "ok",
    "lib not initialized",
    "invalid lib handle",
    "invalid argument",
    "invalid input buffer",
    "unknown error",
    "internal error",
    "not supported",
    "out of memory",
    "input buffer too small",
    "cannot initialize io channel",
    "socket error",
    "cannot load file",
    "cannot rename file",
    "cannot delete file",
    "unknown io channel",
    "parsing error",
    "integer too large",
    "unsupported version",
    "ioctl failed",
    "slowpath ioctl failed",
    "switch port not found",
    "kernel unsupported",
    "bad transaction",
    "bad update",
    "bad message",
    "bad state",
    "no rule",
    "no ruleset",
    "no addrset",
    "no address",
    "name too long",
    "id too long",
    "invalid network address",
    "invalid addrset type",
    "invalid attribute",
    "invalid attrset type",
    "invalid rule action",
    "invalid tcp/udp port",
    "too many tcp/udp ports",
    "invalid tcp flags",
    "invalid tcp options",
    "invalid rule direction",
    "invalid protocol spec",
    "missing jump target",
    "invalid rule",
    "invalid rule target",
    "invalid vnic uuid",
    "vnic uuid not found",
    "invalid vnic uuid set",
    "ipfix packet full",
    "missing NAT target",
    "unknown protocol name",
    "rule address mismatch",
    "invalid switch uuid",
    "component not found",
    "reached maximal components",
    "invalid address family",
    "invalid timeout",
    "cannot save file",
    "bad dscp markings",
    "Threshold crossed",
    "invalid filter name",
    "invalid vif uuid",
    "failed to get firewall config",
    "kernel out of memory",
    "invalid attribute key",
    "invalid attribute value",
    "unmapped encoded int attribute",
    "invalid container name",
    "failed to find uid to sid mapping",
};
static_assert(sizeof kStatusText / sizeof kStatusText[0] == 71, "71 status texts");

// One per thread (the library itself names statuses on warning paths of any thread): an unknown code's
// text stays until the same thread asks for the next unknown code.
thread_local char t_unknownStatus[64];
}  // namespace

extern "C" const char* FW_StatusToString(FWStatus_t code) {
    if (code < sizeof kStatusText / sizeof kStatusText[0]) return kStatusText[code];
    snprintf(t_unknownStatus, sizeof t_unknownStatus, "unknown error code: %u", code);
    return t_unknownStatus;
}
