// The traffic counters tests advance, so that the statistics read-back has numbers to show.
#include "sim/engine/SimEngine.h"

namespace KestSim {

bool Engine::countRule(const uint8_t* port, const std::string& ruleSet, uint32_t ruleId, bool inbound, uint64_t packets,
                       uint64_t bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const PortKey key = PortKey::fromRecord(port);
    if (!m_state.find(key)) return false;
    Filter* f = m_state.obtain(key);
    auto rs = f->ruleSets.find(ruleSet);
    if (rs == f->ruleSets.end()) return false;
    bool present = false;
    for (const Record& r : rs->second.rules)
        present = present || (r.size() >= 4 && (uint32_t(r[0]) | uint32_t(r[1]) << 8 | uint32_t(r[2]) << 16 |
                                                uint32_t(r[3]) << 24) == ruleId);
    if (!present) return false;
    RuleCounters& c = f->counters.rules[ruleSet][ruleId];
    c.evaluations += packets;
    c.hits += packets;
    c.sessions += 1;
    (inbound ? c.packetsIn : c.packetsOut) += packets;
    (inbound ? c.bytesIn : c.bytesOut) += bytes;
    return true;
}

bool Engine::countAddrSet(const uint8_t* port, const std::string& name, uint32_t way, uint64_t packets, uint64_t bytes,
                          uint64_t noMatch) {
    if (way >= kSetWays) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    const PortKey key = PortKey::fromRecord(port);
    if (!m_state.find(key)) return false;
    Filter* f = m_state.obtain(key);
    if (f->addrSets.find(name) == f->addrSets.end()) return false;
    SetCounters& c = f->counters.sets[name];
    c.packets[way] += packets;
    c.bytes[way] += bytes;
    c.match += packets;
    c.noMatch += noMatch;
    return true;
}

}  // namespace KestSim
