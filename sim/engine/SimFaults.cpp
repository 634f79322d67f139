#include "sim/engine/SimFaults.h"

#include <cstring>

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
                            x.kind == FaultKind::ReplyLieCount || x.kind == FaultKind::ReplyNoNul ||
                            x.kind == FaultKind::ReplyMutate;
        return commandLevel && (x.opcode == -1 || x.opcode == op);
    };
    if (!takeFirst(match, opcode, f)) return Fault();
    return f;
}

namespace {

// A small deterministic generator: the same seed replays the same mutation in a failing test.
struct Rng {
    uint64_t s;
    explicit Rng(uint32_t seed) : s(0x9E3779B97F4A7C15ull ^ (uint64_t(seed) << 1 | 1)) {}
    uint32_t next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<uint32_t>(s >> 16);
    }
    uint32_t below(uint32_t n) { return n ? next() % n : 0; }
};

void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

uint32_t mutateReply(uint32_t seed, uint8_t* body, const uint8_t* request, uint32_t len, uint32_t status) {
    Rng rng(seed);
    // Counts sit near the front of every reply: inflate one of the first words, a little or wildly.
    auto inflate = [&] {
        if (len < 4) return;
        uint32_t words = (len < 64 ? len : 64) / 4;
        uint8_t* p = body + 4 * rng.below(words);
        static const uint32_t kHuge[] = {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x10000u};
        put32(p, rng.below(2) ? get32(p) + 1 + rng.below(1000) : kHuge[rng.below(4)]);
    };
    uint32_t rounds = 1 + rng.below(3);
    for (uint32_t r = 0; r < rounds; ++r) {
        switch (rng.below(6)) {
            case 0:
            case 1:
                inflate();
                break;
            case 2:  // names without their NUL
                for (uint32_t i = 0; i < len; ++i)
                    if (body[i] == 0 && rng.below(4) != 0) body[i] = 'A' + rng.below(26);
                break;
            case 3:  // the module stopped writing part way
                if (len) {
                    uint32_t cut = rng.below(len);
                    memcpy(body + cut, request + cut, len - cut);
                }
                break;
            case 4:  // a few bytes anywhere
                for (uint32_t i = 0, n = 1 + rng.below(8); len && i < n; ++i)
                    body[rng.below(len)] = static_cast<uint8_t>(rng.next());
                break;
            case 5:  // a status the call did not earn; mostly success so the reply is still read
                switch (rng.below(4)) {
                    case 0:
                        status = rng.next();
                        break;
                    case 1:
                        status = 1 + rng.below(40);
                        break;
                    default:
                        status = 0;
                }
                break;
        }
    }
    return status;
}

}  // namespace KestSim
