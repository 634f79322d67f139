// Traffic counters the simulated module keeps for the read-back of statistics. Nothing in the module
// moves them by itself: tests advance them through the control interface.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace KestSim {

struct RuleCounters {
    uint64_t evaluations = 0;
    uint64_t hits = 0;
    uint64_t sessions = 0;
    uint64_t packetsIn = 0;
    uint64_t packetsOut = 0;
    uint64_t bytesIn = 0;
    uint64_t bytesOut = 0;
};

// Per direction and verdict, in the order the statistics record carries them.
enum SetWay : uint32_t { kOutPass = 0, kOutDrop = 1, kInPass = 2, kInDrop = 3, kSetWays = 4 };

struct SetCounters {
    uint64_t packets[kSetWays] = {0, 0, 0, 0};
    uint64_t bytes[kSetWays] = {0, 0, 0, 0};
    uint64_t match = 0;
    uint64_t noMatch = 0;
};

struct TrafficCounters {
    std::map<std::string, std::map<uint32_t, RuleCounters>> rules;  // by rule-set name, then rule id
    std::map<std::string, SetCounters> sets;                        // by address-set name
};

}  // namespace KestSim
