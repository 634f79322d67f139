// Internal side of the conversion library: the exported conversions plus the helpers the scanner,
// the grammar and the object model share but callers of the library never see.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "kestfw/kestfw_util.h"

namespace KestFirewall {

// Reads `text` against a small scanf-like pattern and answers how many values were read before the
// first mismatch (trailing text after the pattern is ignored, as the identifier forms allow):
//   'H'  optional white space, then one or two hexadecimal digits, stored as the next byte of `bytes`;
//   'D'  optional white space, then one to three decimal digits, stored in `*number`;
//   'N'  optional white space, then a decimal of at most 32 bits, stored in `*number`;
//   ' '  any run of white space, possibly empty;
//   any other character must appear literally.
// Unlike sscanf no sign and no "0x" prefix are taken, so "-8" never reads as a byte. `end`, when
// given, receives where reading stopped.
unsigned kestfwScanFields(const char* text, const char* pattern, uint8_t* bytes, unsigned* number,
                          const char** end = nullptr);

// Patterns of the identifier forms, each reading 16 bytes (and one number for the vNIC forms).
extern const char* const kUuidNormalPattern;  // 8-4-4-4-12
extern const char* const kUuidRvqPattern;     // "xx xx xx xx xx xx xx xx-xx xx xx xx xx xx xx xx"

// Whole-text 64-bit conversions for the scanner's number literals, without copying the text. Any
// 'l', 'L', 'u' or 'U' suffix after the digits is ignored; anything else left over, no digits at all
// or overflow fails. `*overflow` tells overflow apart from a malformed text.
bool kestfwStrToInt64(const char* text, int base, int64_t* out, bool* overflow);
bool kestfwStrToUInt64(const char* text, int base, uint64_t* out, bool* overflow);

// The process-wide identifier-to-name map read by DpiString. The attribute vocabularies fill it;
// registering the same identifier again replaces its name.
void DpiRegisterName(unsigned long id, const std::string& name);
void DpiClearNames();

}  // namespace KestFirewall
