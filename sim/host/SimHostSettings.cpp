// The control interface's seeding and read-back of counters, settings and load-balancer services, over
// the process-wide engine.
#include "sim/KestSimSettings.h"
#include "sim/engine/SimSettingsControl.h"
#include "sim/host/SimHost.h"

using namespace KestSim;

extern "C" {

int kestsim_kifstat_add(const void* port, uint32_t offset, uint64_t amount) {
    return addKifCounter(processEngine(), static_cast<const uint8_t*>(port), offset, amount) ? 0 : -1;
}

int kestsim_kifstat_set(const void* port, uint32_t offset, const void* bytes, uint32_t len) {
    return setKifBytes(processEngine(), static_cast<const uint8_t*>(port), offset, static_cast<const uint8_t*>(bytes),
                       len)
               ? 0
               : -1;
}

int kestsim_lb_seed(uint32_t id, const char* name, uint32_t vs, uint32_t pools, uint32_t members,
                    uint32_t lsp_configured, uint32_t lsp_applied) {
    LBService s;
    s.id = id;
    s.name = name ? name : "";
    s.vs = vs;
    s.pools = pools;
    s.members = members;
    s.lspConfigured = lsp_configured;
    s.lspApplied = lsp_applied;
    return seedLBService(processEngine(), s) ? 0 : -1;
}

int kestsim_setting(const char* name, uint64_t* value) {
    uint64_t v = 0;
    if (!name || !readSetting(processEngine(), name, v)) return -1;
    if (value) *value = v;
    return 0;
}

int kestsim_set_setting(const char* name, uint64_t value) {
    return name && writeSetting(processEngine(), name, value) ? 0 : -1;
}

}  // extern "C"
