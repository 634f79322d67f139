// The control interface's counters for the statistics read-back, over the process-wide engine.
#include "sim/KestSimControl.h"
#include "sim/host/SimHost.h"

using namespace KestSim;

extern "C" {

int kestsim_count_rule(const void* port, const char* ruleset, uint32_t rule_id, int inbound, uint64_t packets,
                       uint64_t bytes) {
    if (!ruleset) return -1;
    return processEngine().countRule(static_cast<const uint8_t*>(port), ruleset, rule_id, inbound != 0, packets, bytes)
               ? 0
               : -1;
}

int kestsim_count_addrset(const void* port, const char* name, uint32_t way, uint64_t packets, uint64_t bytes,
                          uint64_t no_match) {
    if (!name) return -1;
    return processEngine().countAddrSet(static_cast<const uint8_t*>(port), name, way, packets, bytes, no_match) ? 0
                                                                                                                : -1;
}

}  // extern "C"
