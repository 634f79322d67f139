// Seeding and reading back the connection tables of the engine's filters.
#include "sim/engine/SimEngine.h"

namespace KestSim {

bool Engine::seedFlow(const uint8_t* port, const Flow& flow) {
    if (flow.record.size() != Conn::kRecordSize) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    Filter* f = m_state.obtain(PortKey::fromRecord(port));
    if (!f) return false;
    if (f->conns.flows.size() >= Conn::kMaxFlows && !f->conns.flows.count(flow.id)) return false;
    f->conns.flows[flow.id] = flow;
    return true;
}

bool Engine::dropFlow(const uint8_t* port, uint64_t id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const PortKey key = PortKey::fromRecord(port);
    if (!m_state.find(key)) return false;
    Filter* f = m_state.obtain(key);
    return f && f->conns.flows.erase(id) == 1;
}

std::vector<Flow> Engine::flows(const uint8_t* port) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Flow> out;
    if (const Filter* f = m_state.find(PortKey::fromRecord(port)))
        for (const auto& kv : f->conns.flows) out.push_back(kv.second);
    return out;
}

int Engine::failPolicy(const uint8_t* port) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Filter* f = m_state.find(PortKey::fromRecord(port));
    return f ? f->conns.failPolicy : -1;
}

}  // namespace KestSim
