// Identifier, SID, number, list and time conversions. None of them throws: every failure, an
// exhausted allocator included, is answered with 0.
#include "util/KestFWUtil.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <strings.h>
#include <sys/sysinfo.h>

#include <algorithm>
#include <boost/tokenizer.hpp>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

#include "base/KestFWLog.h"

using namespace KestFirewall;

const char* const g_kestfw_timeout_name[KESTFW_TIMEOUT_COUNT] = {
    "dfw.tcp.first_packet", "dfw.tcp.opening",       "dfw.tcp.established",  "dfw.tcp.closing",
    "dfw.tcp.fin_wait",     "dfw.tcp.closed",        "dfw.udp.first_packet", "dfw.udp.single",
    "dfw.udp.multiple",     "dfw.icmp.first_packet", "dfw.icmp.error_reply", "dfw.other.first_packet",
    "dfw.other.single",     "dfw.other.multiple",    "dfw.ip.frag",          "dfw.interval",
    "dfw.adaptive_start",   "dfw.adaptive_end",      "dfw.src_node",         "dfw.ts_diff",
    "dfw.invalid_state",    "dfw.invalid_l7",        "dfw.TBR_revalidation"};

namespace KestFirewall {

const char* const kUuidNormalPattern = "HHHH-HH-HH-HH-HHHHHH";
const char* const kUuidRvqPattern = "H H H H H H H H-H H H H H H H H";

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

const char* skipSpace(const char* p) {
    while (isSpace(*p)) ++p;
    return p;
}

typedef boost::tokenizer<boost::char_separator<char>> Tokens;

// The list parsers split a private copy of the text; the copy (and the tokens) may fail to allocate.
template <typename F>
int guarded(F&& f) {
    try {
        return f();
    } catch (...) {
        return 0;
    }
}

}  // namespace

unsigned kestfwScanFields(const char* text, const char* pattern, uint8_t* bytes, unsigned* number, const char** end) {
    if (text == nullptr || pattern == nullptr) return 0;
    unsigned values = 0;
    const char* p = text;
    if (end != nullptr) *end = text;
    auto done = [&](unsigned n) {
        if (end != nullptr) *end = p;
        return n;
    };
    for (const char* f = pattern; *f; ++f) {
        switch (*f) {
            case 'H': {
                p = skipSpace(p);
                int hi = hexValue(*p);
                if (hi < 0) return done(values);
                ++p;
                int lo = hexValue(*p);
                int v = hi;
                if (lo >= 0) {
                    v = hi * 16 + lo;
                    ++p;
                }
                *bytes++ = static_cast<uint8_t>(v);
                ++values;
                break;
            }
            case 'D':
            case 'N': {
                p = skipSpace(p);
                if (!isdigit(static_cast<unsigned char>(*p))) return done(values);
                uint64_t v = 0;
                unsigned digits = 0;
                unsigned limit = *f == 'D' ? 3 : 20;
                while (digits < limit && isdigit(static_cast<unsigned char>(*p))) {
                    v = v * 10 + static_cast<unsigned>(*p - '0');
                    ++p;
                    ++digits;
                    if (v > UINT32_MAX) return done(values);
                }
                *number = static_cast<unsigned>(v);
                ++values;
                break;
            }
            case ' ':
                p = skipSpace(p);
                break;
            default:
                if (*p != *f) return done(values);
                ++p;
                break;
        }
    }
    return done(values);
}

namespace {

template <typename T>
bool strToWide(const char* text, int base, T* out, bool* overflow, bool isSigned) {
    *overflow = false;
    if (text == nullptr) return false;
    // strtoull would quietly negate a "-5"; an unsigned text has no sign.
    if (!isSigned && *skipSpace(text) == '-') return false;
    errno = 0;
    char* end = nullptr;
    T v = isSigned ? static_cast<T>(strtoll(text, &end, base)) : static_cast<T>(strtoull(text, &end, base));
    if (end == text) return false;
    for (const char* q = end; *q != '\0'; ++q)
        if (*q != 'l' && *q != 'L' && *q != 'u' && *q != 'U') return false;
    if (errno == ERANGE) {
        *overflow = true;
        return false;
    }
    *out = v;
    return true;
}

}  // namespace

bool kestfwStrToInt64(const char* text, int base, int64_t* out, bool* overflow) {
    return strToWide<int64_t>(text, base, out, overflow, true);
}

bool kestfwStrToUInt64(const char* text, int base, uint64_t* out, bool* overflow) {
    return strToWide<uint64_t>(text, base, out, overflow, false);
}

namespace {
std::map<unsigned long, std::string>& dpiNames() {
    static std::map<unsigned long, std::string> names;
    return names;
}
}  // namespace

void DpiRegisterName(unsigned long id, const std::string& name) { dpiNames()[id] = name; }
void DpiClearNames() { dpiNames().clear(); }

std::string DpiString(unsigned long id) {
    const auto& names = dpiNames();
    auto it = names.find(id);
    return it == names.end() ? std::string() : it->second;
}

int getDPIString(unsigned long, char*, unsigned int) { return 1; }

int timeStrToSecs(const std::string& text, unsigned long* seconds) {
    if (seconds == nullptr) return 0;
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    // Only the hours and minutes are read: whatever follows them ("9:00 am", "9:00:30") is left alone.
    if (strptime(text.c_str(), "%H:%M", &tm) == nullptr) return 0;
    *seconds = static_cast<unsigned long>(tm.tm_hour) * 3600 + static_cast<unsigned long>(tm.tm_min) * 60;
    return 1;
}

std::string secstoTimeStr(unsigned long seconds) {
    char buf[48];
    snprintf(buf, sizeof buf, "%lu:%lu", seconds / 3600, seconds % 3600 / 60);
    return buf;
}

static const char* const kDayNames[7] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};

std::string ConvertIntToDayStr(unsigned int day) { return day < 7 ? kDayNames[day] : "INVALID"; }

int strToAttrIvl(const std::string& text, fwattr_intrv* out) {
    if (out == nullptr) return 0;
    return guarded([&]() -> int {
        boost::char_separator<char> sep(",");
        Tokens tokens(text, sep);
        std::vector<std::string> parts(tokens.begin(), tokens.end());
        if (parts.size() != 2 && parts.size() != 3) return 0;
        unsigned long start = 0, end = 0;
        if (!timeStrToSecs(parts[0], &start) || !timeStrToSecs(parts[1], &end)) return 0;
        unsigned day = FWATTR_EVERY_DAY;
        if (parts.size() == 3) {
            // The day is written as a number; the day names that attrIvlToStr prints are read back
            // as well so that an interval survives its own text form.
            const char* d = skipSpace(parts[2].c_str());
            std::string word(d);
            while (!word.empty() && isSpace(word.back())) word.pop_back();
            unsigned long n = 0;
            if (!word.empty() && isdigit(static_cast<unsigned char>(word[0]))) {
                if (!Str2ULong(word.c_str(), 10, &n) || n > FWATTR_EVERY_DAY) return 0;
                day = static_cast<unsigned>(n);
            } else {
                unsigned i = 0;
                while (i < 7 && strcasecmp(word.c_str(), kDayNames[i]) != 0) ++i;
                if (i == 7) return 0;
                day = i;
            }
        }
        out->start = start;
        out->end = end;
        out->day = day;
        return 1;
    });
}

int attrIvlToStr(const fwattr_intrv& interval, std::string& out) {
    return guarded([&]() -> int {
        fwattr_intrv v;
        memcpy(&v, &interval, sizeof v);
        std::string s =
            secstoTimeStr(static_cast<unsigned long>(v.start)) + "," + secstoTimeStr(static_cast<unsigned long>(v.end));
        if (v.day != FWATTR_EVERY_DAY) s += "," + ConvertIntToDayStr(v.day);
        out.swap(s);
        return 1;
    });
}

}  // namespace KestFirewall

extern "C" {

int kest_inet_pton(int af, const char* text, void* out) {
    if (text == nullptr || out == nullptr) return 0;
    const char* p = skipSpace(text);
    size_t len = 0;
    while (p[len] != '\0' && !isSpace(p[len])) ++len;
    if (len == 0 || len > 45) return 0;
    char address[46];
    memcpy(address, p, len);
    address[len] = '\0';
    return inet_pton(af, address, out);
}

int rvqstr2uuid(uint8_t uuid[16], const char* text) {
    if (uuid == nullptr || text == nullptr) return 0;
    uint8_t b[16];
    if (kestfwScanFields(text, kUuidRvqPattern, b, nullptr) != 16) return 0;
    memcpy(uuid, b, 16);
    return 1;
}

int normalstr2uuid(uint8_t uuid[16], const char* text) {
    if (uuid == nullptr || text == nullptr) return 0;
    uint8_t b[16];
    if (kestfwScanFields(text, kUuidNormalPattern, b, nullptr) != 16) return 0;
    memcpy(uuid, b, 16);
    return 1;
}

int vnicstr2uuid(uint8_t uuid[16], unsigned int* index, const char* text) {
    if (uuid == nullptr || index == nullptr || text == nullptr) return 0;
    static const char* const forms[3] = {"HHHH-HH-HH-HH-HHHHHH.D", "H H H H H H H H-H H H H H H H H:D",
                                         "H H H H H H H H-H H H H H H H H.D"};
    for (const char* form : forms) {
        uint8_t b[16];
        unsigned n = 0;
        if (kestfwScanFields(text, form, b, &n) == 17) {
            memcpy(uuid, b, 16);
            *index = n;
            return 1;
        }
    }
    return 0;
}

static int printFitting(char* out, unsigned int size, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
static int printFitting(char* out, unsigned int size, const char* fmt, ...) {
    if (out == nullptr) return 0;
    char buf[128];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < 0 || static_cast<unsigned>(n) >= sizeof buf || static_cast<unsigned>(n) + 1 > size) return 0;
    memcpy(out, buf, static_cast<size_t>(n) + 1);
    return 1;
}

#define UUID_BYTES(u) \
    u[0], u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8], u[9], u[10], u[11], u[12], u[13], u[14], u[15]

int uuid2rvqstr(const uint8_t uuid[16], char* out, unsigned int size) {
    if (uuid == nullptr) return 0;
    return printFitting(out, size, "%02x %02x %02x %02x %02x %02x %02x %02x-%02x %02x %02x %02x %02x %02x %02x %02x",
                        UUID_BYTES(uuid));
}

int uuid2normalstr(const uint8_t uuid[16], char* out, unsigned int size) {
    if (uuid == nullptr) return 0;
    return printFitting(out, size, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                        UUID_BYTES(uuid));
}

int uuid2vnicstr(const uint8_t uuid[16], unsigned int index, char* out, unsigned int size) {
    if (uuid == nullptr) return 0;
    return printFitting(out, size, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x.%03u",
                        UUID_BYTES(uuid), index);
}

int rvqstr2vnicstr(const char* spaced, unsigned int index, char* out, unsigned int size) {
    uint8_t uuid[16];
    if (!rvqstr2uuid(uuid, spaced)) return 0;
    return uuid2vnicstr(uuid, index, out, size);
}

int ParseUUIDString(const char* text, uint8_t uuid[16], unsigned int* index, unsigned int* isVnic) {
    if (index == nullptr || isVnic == nullptr) return 0;
    *index = 0;
    *isVnic = 0;
    unsigned n = 0;
    if (vnicstr2uuid(uuid, &n, text)) {
        *index = n;
        *isVnic = 1;
        return 1;
    }
    return rvqstr2uuid(uuid, text) || normalstr2uuid(uuid, text);
}

int linuxsid2normalstr(const void* uuidAndNumber, char* out, unsigned int size) {
    if (uuidAndNumber == nullptr) return 0;
    uint8_t u[16];
    uint32_t number;
    memcpy(u, uuidAndNumber, 16);
    memcpy(&number, static_cast<const uint8_t*>(uuidAndNumber) + 16, 4);
    return printFitting(out, size, "L-%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x:%u",
                        UUID_BYTES(u), number);
}

int normalstr2linuxsid(void* uuidAndNumber, const char* text) {
    if (uuidAndNumber == nullptr || text == nullptr) return 0;
    uint8_t b[16];
    unsigned number = 0;
    if (kestfwScanFields(text, "L-HHHH-HH-HH-HH-HHHHHH:N", b, &number) != 17) return 0;
    memcpy(uuidAndNumber, b, 16);
    uint32_t n32 = number;
    memcpy(static_cast<uint8_t*>(uuidAndNumber) + 16, &n32, 4);
    return 1;
}

// A SID part is a plain decimal: digits only, no sign and no white space.
static bool sidNumber(const std::string& part, unsigned long long max, unsigned long long* out) {
    if (part.empty() || part.size() > 20) return false;
    for (char c : part)
        if (!isdigit(static_cast<unsigned char>(c))) return false;
    unsigned long v = 0;
    if (!Str2ULong(part.c_str(), 10, &v) || v > max) return false;
    *out = v;
    return true;
}

int winsid_str2bin(const char* text, fwattr_sid* out) {
    if (text == nullptr || out == nullptr) return 0;
    return guarded([&]() -> int {
        boost::char_separator<char> sep("-", "", boost::keep_empty_tokens);
        std::string copy(text);
        Tokens tokens(copy, sep);
        fwattr_sid sid;
        memset(&sid, 0, sizeof sid);
        unsigned part = 0;
        for (const std::string& t : tokens) {
            unsigned long long v = 0;
            if (part == 0) {
                if (t != "S" && t != "s") return 0;
            } else if (part == 1) {
                if (t != "1") return 0;
            } else if (part == 2) {
                if (!sidNumber(t, 0xFFFFFFFFFFFFull, &v)) return 0;
                for (int i = 0; i < 6; ++i) sid.u.win.authority[i] = static_cast<uint8_t>(v >> (8 * (5 - i)));
            } else {
                unsigned k = part - 3;
                if (k >= FWATTR_SID_MAX_SUBAUTH || !sidNumber(t, 0xFFFFFFFFull, &v)) return 0;
                sid.u.win.subauth[k] = static_cast<uint32_t>(v);
                sid.count = static_cast<uint8_t>(k + 1);
            }
            ++part;
        }
        if (part < 3) return 0;
        sid.kind = FWATTR_SID_WINDOWS;
        memcpy(out, &sid, sizeof sid);
        return 1;
    });
}

int linuxsid_str2bin(const char* text, fwattr_sid* out) {
    if (text == nullptr || out == nullptr) return 0;
    if (strncmp(text, "L-", 2) != 0 || strchr(text, ':') == nullptr) return 0;
    fwattr_sid sid;
    memset(&sid, 0, sizeof sid);
    sid.kind = FWATTR_SID_LINUX;
    sid.count = FWATTR_SID_LINUX_COUNT;
    uint8_t body[20];
    if (!normalstr2linuxsid(body, text)) return 0;
    memcpy(reinterpret_cast<uint8_t*>(&sid) + 6, body, sizeof body);
    memcpy(out, &sid, sizeof sid);
    return 1;
}

int sid_str2bin(const char* text, fwattr_sid* out) {
    if (text == nullptr) return 0;
    if (text[0] == 'S') return winsid_str2bin(text, out);
    if (text[0] == 'L') return linuxsid_str2bin(text, out);
    return 0;
}

int winsid_bin2str(const fwattr_sid* sid, char* out, unsigned int size) {
    if (sid == nullptr || out == nullptr || size == 0) return 0;
    memset(out, 0, size);
    fwattr_sid s;
    memcpy(&s, sid, sizeof s);
    if (s.kind != FWATTR_SID_WINDOWS || s.count > FWATTR_SID_MAX_SUBAUTH) return 0;
    unsigned long long authority = 0;
    for (int i = 0; i < 6; ++i) authority = authority << 8 | s.u.win.authority[i];
    char buf[16 * 12 + 32];
    int n = snprintf(buf, sizeof buf, "S-1-%llu", authority);
    for (unsigned i = 0; i < s.count; ++i) {
        uint32_t sub = s.u.win.subauth[i];
        n += snprintf(buf + n, sizeof buf - static_cast<size_t>(n), "-%lu", static_cast<unsigned long>(sub));
    }
    if (static_cast<unsigned>(n) + 1 > size) return 0;
    memcpy(out, buf, static_cast<size_t>(n) + 1);
    return 1;
}

int linuxsid_bin2str(const fwattr_sid* sid, char* out, unsigned int size) {
    if (sid == nullptr || out == nullptr) return 0;
    if (sid->kind != FWATTR_SID_LINUX || sid->count != FWATTR_SID_LINUX_COUNT || size < KESTFW_LINUXSID_LEN) return 0;
    return linuxsid2normalstr(reinterpret_cast<const uint8_t*>(sid) + 6, out, KESTFW_LINUXSID_LEN);
}

int sid_bin2str(const fwattr_sid* sid, char* out, unsigned int size) {
    if (sid == nullptr) return 0;
    if (sid->kind == FWATTR_SID_WINDOWS) return winsid_bin2str(sid, out, size);
    if (sid->kind == FWATTR_SID_LINUX) return linuxsid_bin2str(sid, out, size);
    return 0;
}

int fw_str2ipport(const char* text, struct in_addr* address, unsigned short* port) {
    if (text == nullptr || address == nullptr || port == nullptr) return 0;
    return guarded([&]() -> int {
        std::string copy(text);
        size_t colon = copy.find(':');
        if (colon == std::string::npos) return 0;
        struct in_addr a;
        long p = 0;
        if (kest_inet_pton(AF_INET, copy.substr(0, colon).c_str(), &a) != 1) return 0;
        if (!Str2Port(copy.c_str() + colon + 1, &p)) return 0;
        *address = a;
        *port = static_cast<unsigned short>(p);
        return 1;
    });
}

int Str2Long(const char* text, int base, long* out) {
    if (text == nullptr || out == nullptr) return 0;
    errno = 0;
    char* end = nullptr;
    long v = strtol(text, &end, base);
    *out = v;
    return errno == 0 && end != text && *end == '\0';
}

int Str2ULong(const char* text, int base, unsigned long* out) {
    if (text == nullptr || out == nullptr) return 0;
    errno = 0;
    char* end = nullptr;
    unsigned long v = strtoul(text, &end, base);
    *out = v;
    // strtoul quietly negates a "-5"; an unsigned text has no sign.
    return errno == 0 && end != text && *end == '\0' && *skipSpace(text) != '-';
}

int Str2Uint(const char* text, int base, unsigned int* out) {
    if (out == nullptr) return 0;
    long v = 0;
    if (!Str2Long(text, base, &v)) return 0;
    *out = static_cast<unsigned>(v);
    return 1;
}

// A signed decimal below `limit`. The bound is only an upper one, so a negative text is accepted too; no
// field holds a negative value, and it is given `negativeAs`, the narrowest value of its kind.
static int str2Bounded(const char* text, long limit, long negativeAs, long* out) {
    if (out == nullptr) return 0;
    long v = 0;
    if (!Str2Long(text, 10, &v) || v >= limit) return 0;
    *out = v < 0 ? negativeAs : v;
    return 1;
}

// A negative port is port 0; a negative prefix length is a single host (never the whole address space).
int Str2Port(const char* text, long* out) { return str2Bounded(text, 65536, 0, out); }
int Str2CIDR4(const char* text, long* out) { return str2Bounded(text, 33, 32, out); }
int Str2CIDR6(const char* text, long* out) { return str2Bounded(text, 129, 128, out); }

static int portRange(const char* text, long* low, long* high, bool strict) {
    if (text == nullptr || low == nullptr || high == nullptr) return 0;
    return guarded([&]() -> int {
        std::string copy(text);
        size_t sep = copy.find('-');
        if (sep == std::string::npos) sep = copy.find(':');
        if (sep == std::string::npos) return 0;
        if (!isdigit(static_cast<unsigned char>(copy.c_str()[sep + 1]))) return 0;
        long lo = 0, hi = 0;
        if (!Str2Port(copy.substr(0, sep).c_str(), &lo) || !Str2Port(copy.c_str() + sep + 1, &hi)) return 0;
        if (strict ? lo >= hi : lo > hi) return 0;
        *low = lo;
        *high = hi;
        return 1;
    });
}

int Str2PortOrRange(const char* text, long* low, long* high) { return portRange(text, low, high, false); }
int Str2PortRange(const char* text, long* low, long* high) { return portRange(text, low, high, true); }

int ParsePortString(const char* text, unsigned short* port, uint8_t* portEnd) {
    if (port == nullptr || portEnd == nullptr) return 0;
    *port = 0;
    memset(portEnd, 0, 2);
    if (text == nullptr) return 0;
    long lo = 0, hi = 0;
    if (strchr(text, '-') == nullptr && strchr(text, ':') == nullptr) {
        if (!Str2Port(text, &lo)) return 0;
        *port = htons(static_cast<uint16_t>(lo));
        return 1;
    }
    if (!Str2PortRange(text, &lo, &hi)) return 0;
    *port = htons(static_cast<uint16_t>(lo));
    uint16_t end = htons(static_cast<uint16_t>(hi));
    memcpy(portEnd, &end, 2);
    return 1;
}

int ParseCompString(const char* text, unsigned int* out, const char** names, unsigned int count) {
    if (text == nullptr || out == nullptr) return 0;
    if (!isdigit(static_cast<unsigned char>(text[0]))) {
        if (strcasecmp(text, "all") == 0) {
            *out = 255;
            return 1;
        }
        for (unsigned i = 0; names != nullptr && i < count; ++i) {
            if (names[i] != nullptr && strcasecmp(text, names[i]) == 0) {
                *out = i;
                return 1;
            }
        }
        return 0;
    }
    unsigned v = 0;
    if (!Str2Uint(text, 0, &v) || (v != 255 && v >= 64)) return 0;
    *out = v;
    return 1;
}

int ParseTimeoutList(const char* text, unsigned int* values, unsigned int count) {
    if (text == nullptr || values == nullptr) return 0;
    std::vector<unsigned> got;
    try {
        std::string copy(text);
        boost::char_separator<char> sep(" \t,:");
        Tokens tokens(copy, sep);
        for (const std::string& t : tokens) {
            if (got.size() == count) {
                KFW_WARN("too many timeout values\n\n");
                return 0;
            }
            long v = 0;
            if (!Str2Long(t.c_str(), 10, &v) || v < 0) {
                KFW_WARN("bad timeout value: %s\n\n", t.c_str());
                return 0;
            }
            // Any decimal that is not negative is a timeout; one too large for its 32-bit slot is held
            // at the largest timeout the slot can carry rather than cut to its low bits.
            got.push_back(v > static_cast<long>(UINT_MAX) ? UINT_MAX : static_cast<unsigned>(v));
        }
    } catch (...) {
        KFW_WARN("out of memory\n\n");
        return 0;
    }
    if (got.size() < count) {
        KFW_WARN("missing %u timeout values\n\n", static_cast<unsigned>(count - got.size()));
        return 0;
    }
    if (count != 0) memcpy(values, got.data(), count * sizeof(unsigned));
    return 1;
}

unsigned int TimeoutName2ID(const char* name) {
    if (name == nullptr) return KESTFW_TIMEOUT_COUNT + 1;
    for (unsigned i = 0; i < KESTFW_TIMEOUT_COUNT; ++i)
        if (strcasecmp(name, g_kestfw_timeout_name[i]) == 0) return i;
    return KESTFW_TIMEOUT_COUNT + 1;
}

}  // extern "C"

// Splits a list at ",", blank and tab and converts each item; the results are stored only when every
// item read converts. At most `max` items are read: a longer list is accepted and the items past `max`
// are left unread, so nothing is written past the caller's `max` values.
template <typename T, typename Convert>
static int parseList(const char* text, T* out, unsigned max, unsigned* count, const char* what, Convert convert) {
    if (text == nullptr || out == nullptr || count == nullptr) return 0;
    std::vector<T> got;
    try {
        std::string copy(text);
        boost::char_separator<char> sep(", \t");
        Tokens tokens(copy, sep);
        for (const std::string& t : tokens) {
            if (got.size() >= max) break;
            T v{};
            if (!convert(t, &v)) return 0;
            got.push_back(v);
        }
    } catch (...) {
        KFW_WARN("invalid %s: %s\n", what, text);
        return 0;
    }
    if (!got.empty()) memcpy(out, got.data(), got.size() * sizeof(T));
    *count = static_cast<unsigned>(got.size());
    return 1;
}

extern "C" {

int ParseEtherTypeString(const char* text, unsigned short* out, unsigned int max, unsigned int* count) {
    return parseList(text, out, max, count, "ethertype", [](const std::string& t, unsigned short* v) {
        // A signed number at most 65535; a negative one is Ethertype 0 rather than a wrapped value.
        long n = 0;
        if (!Str2Long(t.c_str(), 0, &n) || n > 65535) return false;
        *v = htons(static_cast<uint16_t>(n < 0 ? 0 : n));
        return true;
    });
}

// Protocol numbers of the names every host knows, for hosts without a protocol database.
static int wellKnownProtocol(const char* name) {
    static const struct {
        const char* name;
        int number;
    } known[] = {{"ip", 0},   {"icmp", 1}, {"igmp", 2},       {"tcp", 6},     {"udp", 17},  {"gre", 47},
                 {"esp", 50}, {"ah", 51},  {"ipv6-icmp", 58}, {"icmpv6", 58}, {"sctp", 132}};
    for (const auto& k : known)
        if (strcasecmp(name, k.name) == 0) return k.number;
    return -1;
}

int ParseProtocolString(const char* text, uint8_t* out, unsigned int max, unsigned int* count) {
    return parseList(text, out, max, count, "protocol", [](const std::string& t, uint8_t* v) {
        // Whatever reads as a signed decimal is a number below 256 (a negative one is protocol 0 rather
        // than a wrapped value); anything else is a name.
        long n = 0;
        if (Str2Long(t.c_str(), 10, &n)) {
            if (n > 255) return false;
            *v = static_cast<uint8_t>(n < 0 ? 0 : n);
            return true;
        }
        struct protoent entry, *found = nullptr;
        char buf[1024];
        if (getprotobyname_r(t.c_str(), &entry, buf, sizeof buf, &found) == 0 && found != nullptr &&
            found->p_proto >= 0 && found->p_proto <= 255) {
            *v = static_cast<uint8_t>(found->p_proto);
            return true;
        }
        const int known = wellKnownProtocol(t.c_str());
        if (known < 0) return false;
        *v = static_cast<uint8_t>(known);
        return true;
    });
}

int Strncpy(char* dst, const char* src, size_t n) {
    if (dst == nullptr || n == 0) return 1;
    if (src == nullptr) src = "";
    size_t len = strnlen(src, n);
    memcpy(dst, src, len);
    memset(dst + len, 0, n - len);
    dst[n - 1] = '\0';
    return 1;
}

time_t bootsec2time(unsigned long secondsSinceBoot) {
    struct sysinfo info;
    memset(&info, 0, sizeof info);
    long uptime = sysinfo(&info) == 0 ? info.uptime : 0;
    // The seconds come from the kernel's reply: a value past the end of time saturates instead of
    // wrapping into the past.
    const time_t boot = std::max<time_t>(0, time(nullptr) - uptime);
    const time_t latest = std::numeric_limits<time_t>::max();
    if (secondsSinceBoot > static_cast<unsigned long>(latest - boot)) return latest;
    return boot + static_cast<time_t>(secondsSinceBoot);
}

}  // extern "C"
