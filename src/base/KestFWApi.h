// The frame of every exported C function that reaches the core: entry trace, the handle and argument
// checks, a guard that turns whatever the core raises into a status, and the exit trace.
//
//     FWStatus_t FW_Something(fwlibhandle_* handle, dvs_port_* port, void* ctx, uint32_t* out) {
//         KFW_API_ENTER();                  // "kestfw:api <file>:FW_Something():<line> FW_Something."
//         KFW_API_CHECK_HANDLE(handle);     // 2, with the exit trace
//         KFW_API_REQUIRE(out != nullptr);  // 3, without the exit trace
//         KFW_API_RUN([&]() -> FWStatus_t { ...; return status; });
//     }
//
// KFW_API_RUN logs a CKestFWException as "error <code>: <message>" and returns its code, logs anything
// else as an internal error and returns 5, then writes the exit trace with the status text. Functions
// that answer with something other than a status use KFW_API_FRAME() and KFW_API_GUARD directly.
#pragma once

#include "base/KestFWException.h"
#include "base/KestFWLog.h"

namespace KestFirewall {

// Where an exported function's lines say they come from.
struct KfwApiSite {
    const char* file;
    const char* func;
};

void kfwApiLogException(const KfwApiSite& site, int line, const CKestFWException& e) noexcept;
void kfwApiLogInternal(const KfwApiSite& site, int line) noexcept;
void kfwApiTraceEnter(const KfwApiSite& site, int line) noexcept;
// Writes "<function>: <status text>" at "api" verbosity 1 and returns the status.
FWStatus_t kfwApiTraceExit(const KfwApiSite& site, int line, FWStatus_t status) noexcept;

// Runs `body` (returning a status); nothing it raises gets past.
template <typename Body>
FWStatus_t kfwApiGuard(const KfwApiSite& site, int line, Body&& body) noexcept {
    try {
        return static_cast<FWStatus_t>(body());
    } catch (const CKestFWException& e) {
        kfwApiLogException(site, line, e);
        return e.retcode();
    } catch (...) {
        kfwApiLogInternal(site, line);
        return 5;
    }
}

}  // namespace KestFirewall

#define KFW_API_FRAME() \
    const ::KestFirewall::KfwApiSite kfwApiSite_ { ::KestFirewall::kfwBaseName(__FILE__), __func__ }

#define KFW_API_ENTER() \
    KFW_API_FRAME();    \
    ::KestFirewall::kfwApiTraceEnter(kfwApiSite_, __LINE__)

#define KFW_API_CHECK_HANDLE(HANDLE)                                                               \
    do {                                                                                           \
        if ((HANDLE) == nullptr) return ::KestFirewall::kfwApiTraceExit(kfwApiSite_, __LINE__, 2); \
    } while (0)

#define KFW_API_REQUIRE(COND)  \
    do {                       \
        if (!(COND)) return 3; \
    } while (0)

// Variadic so a body with unparenthesised commas (brace initialisers, template arguments) stays whole.
#define KFW_API_GUARD(...) ::KestFirewall::kfwApiGuard(kfwApiSite_, __LINE__, __VA_ARGS__)

#define KFW_API_RETURN(STATUS) return ::KestFirewall::kfwApiTraceExit(kfwApiSite_, __LINE__, (STATUS))

#define KFW_API_RUN(...) KFW_API_RETURN(KFW_API_GUARD(__VA_ARGS__))

// A trace line of the exported function at "api" verbosity 1, under the function's own name.
#define KFW_API_TRACE(FMT, ...)                                                                           \
    do {                                                                                                  \
        if (::KestFirewall::kfwVerboseAtLeast(::KestFirewall::KFW_COMP_API, 1))                           \
            ::KestFirewall::Logger(::KestFirewall::KFW_LOG_DEBUG, "kestfw:%s %s:%s():%d " FMT,            \
                                   g_kestfw_verbose[::KestFirewall::KFW_COMP_API].name, kfwApiSite_.file, \
                                   kfwApiSite_.func, __LINE__, ##__VA_ARGS__);                            \
    } while (0)
