// What the read-back commands share: the kernel answers in the body the request offered, so every count
// it states is bounded here by the bytes that carry the entries; the product checks of the constructors;
// the words of the rule types; and the realization-time line of the reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "base/KestFWReport.h"
#include "kestfw/kestfw_util.h"

namespace KestFirewall {
namespace QueryBody {

// Rule types travel in the low 3 bits of their byte, address-set types in the low 4.
constexpr uint8_t kRuleTypeMask = 0x07;
constexpr uint8_t kAddrSetTypeMask = 0x0F;
constexpr unsigned int kTypeLimit = 6;

// Whether count x width, computed in 32-bit unsigned arithmetic and divided back, gives count again.
inline bool productFits(uint32_t count, uint32_t width) {
    const uint32_t product = count * width;
    return product / width == count;
}

// How many whole entries of `width` bytes fit in the body behind `off`, and at most `claimed`.
inline uint32_t entriesHeld(uint32_t claimed, size_t bodySize, size_t off, size_t width) {
    if (off > bodySize || width == 0) return 0;
    const size_t room = (bodySize - off) / width;
    return claimed < room ? claimed : uint32_t(room);
}

// The number of entries a reply may be read for: its claim, cut to what the body carries. A claim the
// body cannot hold is a lying kernel; it is logged, and only the entries that are there are read.
inline uint32_t boundedCount(uint32_t claimed, size_t bodySize, size_t off, size_t width, const char* what) {
    const uint32_t held = entriesHeld(claimed, bodySize, off, width);
    if (held != claimed) KFW_WARN("reply claims %u %s, its body holds %u\n", claimed, what, held);
    return held;
}

// A reply whose fixed fields did not all fit its body: refused as a bad message.
inline CKestFWException shortReply(const char* what) {
    return CKestFWException(std::string("reply too short for ") + what, 25);
}

inline void checkRuleType(uint32_t type) {
    if (type >= kTypeLimit) throw CUnsupportedException("invalid rule type");
}

// The rule-type word of the "describe" statements ("" for plain rules).
inline const char* ruleTypeWord(uint32_t type) {
    switch (type) {
        case 1:
            return "snat ";
        case 2:
            return "dnat ";
        case 4:
            return "idp ";
        case 5:
            return "pre filter ";
        default:
            return "";
    }
}

// A realization time (seconds since boot) as calendar time in local time.
inline struct tm calendarTime(uint64_t bootSeconds) {
    const time_t when = bootsec2time(static_cast<unsigned long>(bootSeconds));
    struct tm parts {};
    // A reply's time far in the future may still convert, to a year that no longer fits the printed
    // field's arithmetic: such a time prints as zeros like one that does not convert at all.
    if (localtime_r(&when, &parts) == nullptr || parts.tm_year > 9999 - 1900) parts = tm{};
    return parts;
}

// One "<label>%04d-%02d-%02dT%02d:%02d:%02d\n" line; `fmt` carries the label.
inline void timeLine(const CKestFWReport& report, const char* fmt, uint64_t bootSeconds) {
    if (!report.active()) return;
    const struct tm t = calendarTime(bootSeconds);
    report.line(fmt, t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

// The name at the start of an identifier field (the whole field when it has no NUL).
inline std::string fieldName(const char* field, size_t width) {
    size_t len = 0;
    while (len < width && field[len] != '\0') ++len;
    return std::string(field, len);
}

}  // namespace QueryBody
}  // namespace KestFirewall
