// The control interface's seeding and read-back of connection tables, over the process-wide engine.
#include <string.h>

#include "sim/KestSimControl.h"
#include "sim/host/SimHost.h"

using namespace KestSim;

namespace {
const uint8_t* portOf(const void* port) { return static_cast<const uint8_t*>(port); }
}  // namespace

extern "C" {

int kestsim_seed_flow(const void* port, const kestsim_flow_* flow) {
    if (!flow || (flow->family != 2 && flow->family != 10)) return -1;
    FlowSeed s;
    s.id = flow->id;
    s.time = flow->time;
    s.proto = flow->proto;
    s.family = flow->family;
    memcpy(s.src, flow->src, 16);
    memcpy(s.dst, flow->dst, 16);
    s.sport = flow->sport;
    s.dport = flow->dport;
    s.state = flow->state;
    memcpy(s.counters, flow->counters, sizeof s.counters);
    s.algKind = flow->alg_kind;
    s.algRole = flow->alg_role;
    s.algPort = flow->alg_port;
    s.algRelated = flow->alg_related;
    return processEngine().seedFlow(portOf(port), flowFromSeed(s)) ? 0 : -1;
}

int kestsim_seed_flow_record(const void* port, const void* record) {
    if (!record) return -1;
    return processEngine().seedFlow(portOf(port), flowFromRecord(static_cast<const uint8_t*>(record))) ? 0 : -1;
}

int kestsim_drop_flow(const void* port, uint64_t id) { return processEngine().dropFlow(portOf(port), id) ? 0 : -1; }

uint32_t kestsim_flow_count(const void* port) {
    return static_cast<uint32_t>(processEngine().flows(portOf(port)).size());
}

int kestsim_flow_info(const void* port, uint64_t id, uint32_t* reevaluations, uint32_t* attributes) {
    for (const Flow& f : processEngine().flows(portOf(port)))
        if (f.id == id) {
            if (reevaluations) *reevaluations = f.reevaluations;
            if (attributes) *attributes = f.attrCount;
            return f.dnsRevalDone ? 1 : 0;
        }
    return -1;
}

int kestsim_fail_policy(const void* port) { return processEngine().failPolicy(portOf(port)); }

}  // extern "C"
