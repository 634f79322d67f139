// Shared by the scale programs: a wall clock per stage, the process's peak resident size, and one
// printed line per figure with the target it is held against.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kestfw_bench {

class Stopwatch {
public:
    Stopwatch() : m_start(std::chrono::steady_clock::now()) {}
    double seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count(); }

private:
    std::chrono::steady_clock::time_point m_start;
};

// Peak resident set of the process so far, in MiB.
inline double peakRssMiB() {
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_maxrss) / 1024.0;
}

inline void header(const char* title) { printf("%s\n%-44s %12s   %s\n", title, "stage", "figure", "target"); }

// A time figure; `target` in seconds, 0 when the stage has none.
inline void timeLine(const char* stage, double seconds, double target = 0) {
    if (target > 0)
        printf("%-44s %10.3f s   < %.3f s %s\n", stage, seconds, target, seconds < target ? "met" : "MISSED");
    else
        printf("%-44s %10.3f s\n", stage, seconds);
}

inline void countLine(const char* stage, double value, const char* unit) {
    printf("%-44s %10.0f %s\n", stage, value, unit);
}

inline void rssLine(const char* stage, double targetMiB = 0) {
    const double peak = peakRssMiB();
    if (targetMiB > 0)
        printf("%-44s %8.1f MiB   < %.0f MiB %s\n", stage, peak, targetMiB, peak < targetMiB ? "met" : "MISSED");
    else
        printf("%-44s %8.1f MiB\n", stage, peak);
}

// The size asked for on the command line, else the default.
inline unsigned sizeArg(int argc, char** argv, unsigned fallback) {
    return argc > 1 ? unsigned(strtoul(argv[1], nullptr, 10)) : fallback;
}

}  // namespace kestfw_bench
