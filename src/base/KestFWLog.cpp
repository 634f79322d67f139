#include "base/KestFWLog.h"

#include <syslog.h>

#include <climits>

namespace {
// Written without a lock: a registration takes effect for the next line.
FWLogCallback_t g_logCallback = nullptr;
int g_logBase = 0;
}  // namespace

namespace KestFirewall {

const char* const kKestFWBuild = "KESTFW 0.3";

void vLogger(int level, const char* fmt, va_list ap) {
    FWLogCallback_t cb = g_logCallback;
    if (cb != nullptr) {
        // Any base is accepted: the sum saturates instead of overflowing.
        const long long shifted = static_cast<long long>(level) - KFW_LOG_INFO + g_logBase;
        cb(shifted > INT_MAX ? INT_MAX : shifted < INT_MIN ? INT_MIN : static_cast<int>(shifted), fmt, ap);
        return;
    }
    vsyslog(level, fmt, ap);
}

void Logger(int level, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    vLogger(level, fmt, ap);
    va_end(ap);
}

}  // namespace KestFirewall

extern "C" {

void FW_RegisterLogger(FWLogCallback_t callback, int levelBase) {
    g_logCallback = callback;
    g_logBase = levelBase;
}

void FW_UnregisterLogger(void) {
    g_logCallback = nullptr;
    g_logBase = 0;
}

}  // extern "C"
