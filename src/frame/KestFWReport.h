// The frame every report is printed in: the printing lock is held for the whole report, so reports of
// different threads never interleave, and each line goes to the caller's print function, if any.
#pragma once

#include "frame/KestFWLog.h"
#include "transport/Locks.h"

extern Locks::Mutex g_kestfw_verbose_mutex;
extern Locks::Mutex g_kestfw_pretty_printing_mutex;

namespace KestFirewall {

class CKestFWReport {
public:
    CKestFWReport() : m_lock(g_kestfw_pretty_printing_mutex) {}

    // Whether a print function is installed; reports may skip building their lines when not.
    bool active() const { return g_kestfw_pretty_printing != nullptr; }

    template <typename... Args>
    void line(const char* fmt, Args... args) const {
        if (g_kestfw_pretty_printing != nullptr) g_kestfw_pretty_printing(g_kestfw_pretty_printing_context, fmt, args...);
    }

private:
    Locks::ScopedLock m_lock;
};

}  // namespace KestFirewall
