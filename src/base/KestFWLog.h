// The one log sink of the library and the two line shapes every call site writes: debug lines gated
// by a component's verbosity, and warnings/errors that are always written.
#pragma once

#include <cstdarg>

#include "kestfw/kestfw_frame.h"

namespace KestFirewall {

// Built-in components, by index in g_kestfw_verbose.
enum KestFWComponent : unsigned {
    KFW_COMP_MISC = 0,
    KFW_COMP_API,
    KFW_COMP_LIBRARY,
    KFW_COMP_LEXER,
    KFW_COMP_PARSER,
    KFW_COMP_IO,
    KFW_COMP_MSGBUF,
    KFW_COMP_CMD,
    KFW_COMP_ADDRESS,
    KFW_COMP_RULE,
    KFW_COMP_PROTOCOL,
    KFW_COMP_UTIL,
    KFW_COMP_PROTOBUF,
    KFW_COMP_PWIX,
    KFW_COMP_IPFIX,
    KFW_COMP_FLOW,
    KFW_COMP_FILTER,
    KFW_COMP_TRIE,
    KFW_COMP_CACHE,
    KFW_BUILTIN_COMPONENTS
};

// Syslog priorities used by the library.
enum : int { KFW_LOG_ERR = 3, KFW_LOG_WARNING = 4, KFW_LOG_INFO = 6, KFW_LOG_DEBUG = 7 };

extern const char* const kKestFWBuild;  // "KESTFW 0.3"

void Logger(int level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void vLogger(int level, const char* fmt, va_list ap);

// Base name of a source path, computed at compile time for the log lines.
constexpr const char* kfwBaseName(const char* path) {
    const char* base = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/') base = p + 1;
    return base;
}

// Levels change under running threads: one whole word, read as such.
inline bool kfwVerboseAtLeast(unsigned comp, int threshold) {
    return __atomic_load_n(&g_kestfw_verbose[comp].level, __ATOMIC_RELAXED) >= threshold;
}

}  // namespace KestFirewall

// Debug line: "kestfw:<component> <file>:<function>():<line> <text>", written when the component's
// level reaches the threshold. LEVEL is the syslog priority (6 or 7).
#define KFW_TRACE(LEVEL, COMP, THRESHOLD, FMT, ...)                                                         \
    do {                                                                                                   \
        if (::KestFirewall::kfwVerboseAtLeast((COMP), (THRESHOLD)))                                        \
            ::KestFirewall::Logger((LEVEL), "kestfw:%s %s:%s():%d " FMT, g_kestfw_verbose[(COMP)].name,    \
                                   ::KestFirewall::kfwBaseName(__FILE__), __func__, __LINE__, ##__VA_ARGS__); \
    } while (0)

#define KFW_DEBUG(COMP, THRESHOLD, FMT, ...) KFW_TRACE(::KestFirewall::KFW_LOG_DEBUG, COMP, THRESHOLD, FMT, ##__VA_ARGS__)

// Warning or error line: "kestfw: <file>:<function>():<line> <text>", always written.
#define KFW_LOG(LEVEL, FMT, ...) \
    ::KestFirewall::Logger((LEVEL), "kestfw: %s:%s():%d " FMT, ::KestFirewall::kfwBaseName(__FILE__), __func__, \
                           __LINE__, ##__VA_ARGS__)

#define KFW_ERROR(FMT, ...) KFW_LOG(::KestFirewall::KFW_LOG_ERR, FMT, ##__VA_ARGS__)
#define KFW_WARN(FMT, ...) KFW_LOG(::KestFirewall::KFW_LOG_WARNING, FMT, ##__VA_ARGS__)
