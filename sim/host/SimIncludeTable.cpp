#include "sim/host/SimIncludeTable.h"

#include <errno.h>
#include <string.h>

#include <mutex>
#include <vector>

#include "sim/KestSimIncludeTable.h"
#include "sim/engine/SimBytes.h"

namespace KestSim {
namespace IncludeTable {
namespace {

constexpr unsigned long kAdd = 5, kRemove = 7, kRevalidate = 10;
constexpr uint32_t kHead = 32, kStride = 260, kMaxRequest = 1u << 20;

struct Entry {
    kestsim_include_entry_ info;
    std::vector<uint32_t> indexes;
    std::vector<std::vector<char>> params;
};

std::mutex g_mutex;
std::vector<Entry> g_entries;
std::vector<uint8_t> g_lastRequest;
std::vector<uint32_t> g_worlds;

int fail(int err) {
    errno = err;
    return -1;
}

// Reads the request the control record points at; false when it is not a well-formed include-table
// request.
bool readRequest(const uint8_t* control, Entry& entry, std::vector<uint8_t>& bytes) {
    const uint8_t* request = nullptr;
    uint32_t length = 0;
    memcpy(&request, control + 40, sizeof request);
    memcpy(&length, control + 48, sizeof length);
    if (request == nullptr || length < kHead || length > kMaxRequest) return false;
    bytes.assign(request, request + length);
    Window r(bytes.data(), bytes.size());
    uint8_t kind = 0, index = 0;
    uint16_t rest = 0;
    uint32_t count = 0;
    r.u8(0, kind);
    r.u16(1, rest);
    r.u8(19, index);
    r.u32(28, count);
    if (kind != 4 || rest != uint16_t(length - 3) || uint64_t(count) * kStride + kHead != length) return false;
    memset(&entry.info, 0, sizeof entry.info);
    memcpy(entry.info.agent, control, sizeof entry.info.agent);
    entry.info.agent[sizeof entry.info.agent - 1] = '\0';
    memcpy(entry.info.vnic, bytes.data() + 3, 16);
    entry.info.index = index;
    r.u32(20, entry.info.arg3);
    r.u32(24, entry.info.pass_on);
    entry.info.param_count = count;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t at = kHead + i * kStride, number = 0;
        r.u32(at, number);
        const char* text = reinterpret_cast<const char*>(bytes.data() + at + 4);
        std::vector<char> copy(KESTSIM_INCLUDE_PARAM_SIZE, '\0');
        memcpy(copy.data(), text, KESTSIM_INCLUDE_PARAM_SIZE - 1);
        entry.indexes.push_back(number);
        entry.params.push_back(copy);
    }
    return true;
}

std::vector<Entry>::iterator find(const Entry& e) {
    for (auto it = g_entries.begin(); it != g_entries.end(); ++it)
        if (memcmp(it->info.vnic, e.info.vnic, 16) == 0 && it->info.index == e.info.index) return it;
    return g_entries.end();
}

}  // namespace

int control(unsigned long request, void* arg) {
    if (arg == nullptr) return fail(EFAULT);
    const uint8_t* record = static_cast<const uint8_t*>(arg);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (request == kRevalidate) {
        uint32_t world = 0;
        memcpy(&world, record, sizeof world);
        g_worlds.push_back(world);
        return 0;
    }
    if (request != kAdd && request != kRemove) return fail(ENOTTY);
    Entry entry;
    std::vector<uint8_t> bytes;
    if (!readRequest(record, entry, bytes)) return fail(EINVAL);
    g_lastRequest = bytes;
    auto it = find(entry);
    if (request == kAdd) {
        if (it != g_entries.end())
            *it = entry;
        else
            g_entries.push_back(entry);
        return 0;
    }
    if (it == g_entries.end()) return fail(ENOENT);
    g_entries.erase(it);
    return 0;
}

void reset() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_entries.clear();
    g_lastRequest.clear();
    g_worlds.clear();
}

}  // namespace IncludeTable
}  // namespace KestSim

using namespace KestSim::IncludeTable;

extern "C" {

uint32_t kestsim_include_count(void) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return uint32_t(g_entries.size());
}

int kestsim_include_entry(uint32_t i, kestsim_include_entry_* out) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (out == nullptr || i >= g_entries.size()) return -1;
    *out = g_entries[i].info;
    return 0;
}

int kestsim_include_param(uint32_t i, uint32_t param, char* text) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (i >= g_entries.size() || param >= g_entries[i].params.size()) return -1;
    if (text != nullptr) memcpy(text, g_entries[i].params[param].data(), KESTSIM_INCLUDE_PARAM_SIZE);
    return int(g_entries[i].indexes[param]);
}

uint32_t kestsim_include_last_request(void* out, uint32_t cap) {
    std::lock_guard<std::mutex> lock(g_mutex);
    uint32_t n = uint32_t(g_lastRequest.size());
    if (out != nullptr) memcpy(out, g_lastRequest.data(), n < cap ? n : cap);
    return n;
}

uint32_t kestsim_revalidations(uint32_t* world_ids, uint32_t max) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (uint32_t i = 0; world_ids != nullptr && i < max && i < g_worlds.size(); ++i) world_ids[i] = g_worlds[i];
    return uint32_t(g_worlds.size());
}

}  // extern "C"
