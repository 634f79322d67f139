// The frame every report is printed in: the printing lock is held for the whole report, so reports of
// different threads never interleave, and each line goes to the caller's print function, if any. The
// lock is released on every way out, an exception leaving the report included. A report's debug log
// lines (KFW_DEBUG) are written while the frame lives, whether or not a print function is installed:
//
//     CKestFWReport report;
//     KFW_DEBUG(KFW_COMP_CMD, 1, "retrieved %u rulesets\n", count);
//     for (...) report.line("%s\n", name);
#pragma once

#include <type_traits>

#include "base/KestFWLog.h"
#include "base/Locks.h"

extern Locks::Mutex g_kestfw_verbose_mutex;
extern Locks::Mutex g_kestfw_pretty_printing_mutex;

namespace KestFirewall {

class CKestFWReport {
public:
    CKestFWReport() : m_lock(g_kestfw_pretty_printing_mutex) {}

    // Whether a print function is installed; reports may skip building their lines when not.
    bool active() const { return g_kestfw_pretty_printing != nullptr; }

    // One report line: the print function gets the context, `fmt` and the values, as printf would.
    template <typename... Args>
    void line(const char* fmt, Args... args) const {
        // The values cross a C variable argument list: only numbers, enumerations and pointers survive it.
        static_assert(
            ((std::is_arithmetic<Args>::value || std::is_enum<Args>::value || std::is_pointer<Args>::value) && ...),
            "report values must be numbers or pointers (pass c_str() for strings)");
        if (g_kestfw_pretty_printing != nullptr)
            g_kestfw_pretty_printing(g_kestfw_pretty_printing_context, fmt, args...);
    }

private:
    Locks::ScopedLock m_lock;
};

}  // namespace KestFirewall
