#include "sim/engine/SimFaults.h"

namespace KestSim {

bool FaultPlan::add(const Fault& f) {
    if (f.kind == FaultKind::None || f.remaining == 0 || m_queue.size() >= kMaxEntries) return false;
    if (f.kind == FaultKind::Errno && f.value == 0) return false;
    if (f.kind == FaultKind::Delay && f.value > kMaxDelayMs) return false;
    if (f.opcode < -1 || f.opcode > 0xFFFF) return false;
    m_queue.push_back(f);
    return true;
}

bool FaultPlan::takeFirst(bool (*match)(const Fault&, uint16_t), uint16_t opcode, Fault& out) {
    for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
        if (!match(*it, opcode)) continue;
        out = *it;
        if (--it->remaining == 0) m_queue.erase(it);
        return true;
    }
    return false;
}

FaultPlan::CallFaults FaultPlan::takeCall() {
    CallFaults c;
    Fault f;
    if (takeFirst([](const Fault& x, uint16_t) { return x.kind == FaultKind::Delay; }, 0, f)) c.delayMs = f.value;
    if (takeFirst([](const Fault& x, uint16_t) { return x.kind == FaultKind::Errno; }, 0, f))
        c.err = static_cast<int>(f.value);
    return c;
}

Fault FaultPlan::takeCommand(uint16_t opcode) {
    Fault f;
    auto match = [](const Fault& x, uint16_t op) {
        bool commandLevel = x.kind == FaultKind::Status || x.kind == FaultKind::ReplyShort ||
                            x.kind == FaultKind::ReplyLieCount || x.kind == FaultKind::ReplyNoNul;
        return commandLevel && (x.opcode == -1 || x.opcode == op);
    };
    if (!takeFirst(match, opcode, f)) return Fault();
    return f;
}

}  // namespace KestSim
