#include "sim/engine/SimState.h"

#include <time.h>

#include <utility>

namespace KestSim {

PortKey PortKey::fromRecord(const uint8_t* port) {
    PortKey k;
    if (!port || (port[Port::kOffType] & 0x0F) == 0) return k;
    // Texts are compared up to their NUL: whatever a sender left behind it does not name another port.
    for (uint32_t i = 0; i < Port::kIdWidth && port[Port::kOffId + i]; ++i)
        k.m_bytes[Port::kOffId + i] = port[Port::kOffId + i];
    for (uint32_t i = 0; i < Port::kAgentWidth && port[Port::kOffAgent + i]; ++i)
        k.m_bytes[Port::kOffAgent + i] = port[Port::kOffAgent + i];
    for (uint32_t i = 0; i < 3; ++i) k.m_bytes[Port::kOffIndex + i] = port[Port::kOffIndex + i];
    k.m_bytes[Port::kOffType] = port[Port::kOffType] & 0x0F;
    return k;
}

std::string PortKey::id() const {
    const char* p = reinterpret_cast<const char*>(m_bytes.data() + Port::kOffId);
    size_t n = 0;
    while (n < Port::kIdWidth && p[n]) ++n;
    return std::string(p, n);
}

void State::clear() {
    m_filters.clear();
    m_declared.clear();
    m_recordBytes = 0;
    settings = HostSettings();
}

bool State::declare(const PortKey& key) {
    if (key.hostWide()) return true;
    if (m_declared.count(key)) return true;
    if (m_declared.size() >= m_limits.filters) return false;
    m_declared.insert(key);
    return true;
}

bool State::forget(const PortKey& key) {
    if (!m_declared.erase(key)) return false;
    auto it = m_filters.find(key);
    if (it != m_filters.end()) {
        m_recordBytes -= bytesOf(it->second);
        m_filters.erase(it);
    }
    return true;
}

bool State::known(const PortKey& key) const { return key.hostWide() || !enforcing() || m_declared.count(key) != 0; }

const Filter* State::find(const PortKey& key) const {
    auto it = m_filters.find(key);
    return it == m_filters.end() ? nullptr : &it->second;
}

Filter* State::obtain(const PortKey& key) {
    auto it = m_filters.find(key);
    if (it != m_filters.end()) return &it->second;
    if (m_filters.size() >= m_limits.filters) return nullptr;
    return &m_filters[key];
}

bool State::putRuleSet(Filter& f, RuleSet rs) {
    auto it = f.ruleSets.find(rs.name);
    size_t old = it == f.ruleSets.end() ? 0 : bytesOf(it->second);
    size_t add = bytesOf(rs);
    if (it == f.ruleSets.end() && f.ruleSets.size() >= m_limits.ruleSetsPerFilter) return false;
    if (m_recordBytes - old + add > m_limits.recordBytes) return false;
    rs.generation = it == f.ruleSets.end() ? 1 : it->second.generation + 1;
    rs.realizationTime = secondsSinceBoot();
    m_recordBytes = m_recordBytes - old + add;
    std::string name = rs.name;
    f.ruleSets[name] = std::move(rs);
    return true;
}

bool State::dropRuleSet(Filter& f, const std::string& name) {
    auto it = f.ruleSets.find(name);
    if (it == f.ruleSets.end()) return false;
    m_recordBytes -= bytesOf(it->second);
    f.ruleSets.erase(it);
    return true;
}

bool State::putAddrSet(Filter& f, AddrSet as) {
    auto it = f.addrSets.find(as.name);
    size_t old = it == f.addrSets.end() ? 0 : bytesOf(it->second);
    size_t add = bytesOf(as);
    if (it == f.addrSets.end() && f.addrSets.size() >= m_limits.addrSetsPerFilter) return false;
    if (m_recordBytes - old + add > m_limits.recordBytes) return false;
    as.generation = it == f.addrSets.end() ? 1 : it->second.generation + 1;
    as.realizationTime = secondsSinceBoot();
    m_recordBytes = m_recordBytes - old + add;
    std::string name = as.name;
    f.addrSets[name] = std::move(as);
    return true;
}

bool State::dropAddrSet(Filter& f, const std::string& name) {
    auto it = f.addrSets.find(name);
    if (it == f.addrSets.end()) return false;
    m_recordBytes -= bytesOf(it->second);
    f.addrSets.erase(it);
    return true;
}

bool State::putIpRepChunk(Filter& f, uint32_t number, IpRepChunk chunk) {
    auto it = f.ipRepChunks.find(number);
    size_t old = it == f.ipRepChunks.end() ? 0 : it->second.entries.size();
    size_t add = chunk.entries.size();
    if (it == f.ipRepChunks.end() && f.ipRepChunks.size() >= m_limits.ipRepChunksPerFilter) return false;
    if (m_recordBytes - old + add > m_limits.recordBytes) return false;
    m_recordBytes = m_recordBytes - old + add;
    f.ipRepChunks[number] = std::move(chunk);
    return true;
}

bool State::dropIpRepChunk(Filter& f, uint32_t number) {
    auto it = f.ipRepChunks.find(number);
    if (it == f.ipRepChunks.end()) return false;
    m_recordBytes -= it->second.entries.size();
    f.ipRepChunks.erase(it);
    return true;
}

uint64_t State::secondsSinceBoot() {
    struct timespec ts;
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) return 0;
    return static_cast<uint64_t>(ts.tv_sec);
}

size_t State::bytesOf(const RuleSet& rs) {
    size_t n = 0;
    for (const Record& r : rs.rules) n += r.size();
    return n;
}

size_t State::bytesOf(const Filter& f) {
    size_t n = 0;
    for (const auto& kv : f.ruleSets) n += bytesOf(kv.second);
    for (const auto& kv : f.addrSets) n += bytesOf(kv.second);
    for (const auto& kv : f.ipRepChunks) n += kv.second.entries.size();
    return n;
}

size_t State::bytesOf(const AddrSet& as) {
    size_t n = 0;
    for (const Record& m : as.members) n += m.size();
    return n;
}

}  // namespace KestSim
