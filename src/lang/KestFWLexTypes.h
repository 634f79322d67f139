// What the scanner and the grammar share besides the token codes: the per-parse error record through
// which the scanner reports a lexical error, and the value types of the literal tokens.
#pragma once

#include <cstdint>

#include "kestfw/kestfw_lang.h"
#include "kestfw/kestfw_types.h"

// The scanner's error record, fw_lex_extra_, is part of the exported interface.
static_assert(sizeof(fw_lex_extra_) == 260, "lexer error record");

// Bounds of a numeric range token, low then high; each bound keeps the low 32 bits of its value.
struct FWLexNumRange {
    int32_t low;
    int32_t high;
};

// First and last address of an IPv4 range token, network byte order.
struct FWLexIPv4Range {
    uint8_t first[4];
    uint8_t last[4];
};

// First and last address of an IPv6 range token, network byte order.
struct FWLexIPv6Range {
    uint8_t first[16];
    uint8_t last[16];
};

// A switch-port UUID in its spaced text form and the port number written after it.
struct FWLexVnicPort {
    char text[64];
    uint32_t port;
};

namespace KestFirewall {
class CKestFWCmdList;
class CKestFWCmdConfig;
}  // namespace KestFirewall
