// Shared by the scale programs: both clocks per stage, the process's peak resident size, and one
// printed line per figure with the target it is held against.
#pragma once

#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace kestfw_bench {

inline double cpuNow() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// One stage's figures. The machine is shared with other work, so the process's own CPU time (user
// and system, which includes the page faults of its allocations) is what targets are held against;
// the wall clock is printed beside it.
struct Lap {
    double cpu = 0;
    double wall = 0;
    Lap operator+(const Lap& o) const { return Lap{cpu + o.cpu, wall + o.wall}; }
};

class Stopwatch {
public:
    Stopwatch() : m_start(std::chrono::steady_clock::now()), m_cpuStart(cpuNow()) {}
    Lap lap() const {
        return Lap{cpuNow() - m_cpuStart,
                   std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count()};
    }

private:
    std::chrono::steady_clock::time_point m_start;
    double m_cpuStart;
};

// Peak resident set of the process so far, in MiB.
inline double peakRssMiB() {
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_maxrss) / 1024.0;
}

inline void header(const char* title) {
    printf("%s\n%-44s %12s %12s   %s\n", title, "stage", "cpu", "wall", "target (held against cpu)");
}

// `target` in seconds, 0 when the stage has none.
inline void timeLine(const char* stage, const Lap& l, double target = 0) {
    if (target > 0)
        printf("%-44s %10.3f s %10.3f s   < %.3f s %s\n", stage, l.cpu, l.wall, target,
               l.cpu < target ? "met" : "MISSED");
    else
        printf("%-44s %10.3f s %10.3f s\n", stage, l.cpu, l.wall);
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
