// Collects the library's log lines, formatted, while it lives; the previous logger is not restored
// (tests run one at a time in a binary and each capture unregisters on its way out).
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "kestfw/kestfw_frame.h"

namespace kestfw_test {

class LogCapture {
public:
    explicit LogCapture(int levelBase = 0) {
        lines().clear();
        levels().clear();
        FW_RegisterLogger(&LogCapture::record, levelBase);
    }
    ~LogCapture() { FW_UnregisterLogger(); }

    const std::vector<std::string>& all() const { return lines(); }
    const std::vector<int>& allLevels() const { return levels(); }
    size_t count(const std::string& needle) const {
        size_t n = 0;
        for (const std::string& l : lines())
            if (l.find(needle) != std::string::npos) ++n;
        return n;
    }
    bool has(const std::string& needle) const { return count(needle) != 0; }
    void clear() {
        lines().clear();
        levels().clear();
    }

private:
    static std::vector<std::string>& lines() {
        static std::vector<std::string> l;
        return l;
    }
    static std::vector<int>& levels() {
        static std::vector<int> l;
        return l;
    }
    static void record(int level, const char* fmt, va_list ap) {
        char buf[4096];
        vsnprintf(buf, sizeof buf, fmt, ap);
        lines().push_back(buf);
        levels().push_back(level);
    }
};

// Sets a component's verbosity for a scope.
class Verbosity {
public:
    Verbosity(unsigned component, int level) : m_component(component) {
        FW_GetLibVerboseLevel(component, &m_old);
        FW_SetLibVerboseLevel(component, level);
    }
    ~Verbosity() { FW_SetLibVerboseLevel(m_component, m_old); }

private:
    unsigned m_component;
    int m_old = 0;
};

}  // namespace kestfw_test
