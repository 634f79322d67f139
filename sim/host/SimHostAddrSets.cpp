// The control interface's seeding and read-back of address sets, the shared-set switch and
// reputation chunks, over the process-wide engine.
#include <string.h>

#include "sim/KestSimControl.h"
#include "sim/engine/SimWire.h"
#include "sim/host/SimHost.h"

using namespace KestSim;

namespace {

const uint8_t* portOf(const void* port) { return static_cast<const uint8_t*>(port); }

void copyRecords(const std::vector<uint8_t>* first, size_t n, size_t width, void* out, uint32_t max) {
    if (!out) return;
    uint8_t* p = static_cast<uint8_t*>(out);
    for (size_t i = 0; i < n && i < max; ++i) memcpy(p + i * width, first[i].data(), width);
}

}  // namespace

extern "C" {

int kestsim_seed_addrset(const void* port, const char* name, uint32_t kind, const void* records, uint32_t count) {
    if (!name) return -1;
    return processEngine().seedAddrSet(portOf(port), name, kind, static_cast<const uint8_t*>(records), count) ? 0 : -1;
}

uint32_t kestsim_addrset_count(const void* port) {
    return static_cast<uint32_t>(processEngine().addrSetNames(portOf(port)).size());
}

int kestsim_addrset_name(const void* port, uint32_t index, char* name) {
    std::vector<std::string> names = processEngine().addrSetNames(portOf(port));
    if (index >= names.size()) return -1;
    if (name) {
        memset(name, 0, KESTSIM_ADDRSET_NAME_SIZE);
        memcpy(name, names[index].data(),
               names[index].size() < kAddrSetNameWidth ? names[index].size() : kAddrSetNameWidth - 1);
    }
    return 0;
}

int kestsim_addrset_kind(const void* port, const char* name) {
    AddrSet as;
    if (!name || !processEngine().addrSet(portOf(port), name, as)) return -1;
    return static_cast<int>(as.kind);
}

int kestsim_addrset_members(const void* port, const char* name, void* out, uint32_t max_members) {
    AddrSet as;
    if (!name || !processEngine().addrSet(portOf(port), name, as)) return -1;
    copyRecords(as.members.data(), as.members.size(), kAddressRecordSize, out, max_members);
    return static_cast<int>(as.members.size());
}

int kestsim_addrset_info(const void* port, const char* name, uint32_t* generation, uint64_t* realization_time) {
    AddrSet as;
    if (!name || !processEngine().addrSet(portOf(port), name, as)) return -1;
    if (generation) *generation = as.generation;
    if (realization_time) *realization_time = as.realizationTime;
    return 0;
}

int kestsim_shared_addrset(const void* port) { return processEngine().sharedAddrSets(portOf(port)) ? 1 : 0; }

uint32_t kestsim_iprep_chunk_count(const void* port) {
    return static_cast<uint32_t>(processEngine().ipRepChunks(portOf(port)).size());
}

int kestsim_iprep_chunk(const void* port, uint32_t chunk, void* database_id, void* entries, uint32_t max_entries) {
    std::map<uint32_t, IpRepChunk> chunks = processEngine().ipRepChunks(portOf(port));
    auto it = chunks.find(chunk);
    if (it == chunks.end()) return -1;
    const IpRepChunk& c = it->second;
    if (database_id) memcpy(database_id, c.database.data(), c.database.size());
    size_t count = c.entries.size() / kIpRepEntrySize;
    if (entries && count && max_entries)
        memcpy(entries, c.entries.data(), (count < max_entries ? count : max_entries) * kIpRepEntrySize);
    return static_cast<int>(count);
}

}  // extern "C"
