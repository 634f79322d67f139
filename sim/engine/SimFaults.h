// The scripted misbehaviour of the simulated module: a bounded queue of faults consulted before each
// control call (delays, failed calls) and before each command (a status instead of the work, or a
// reply that is short or lies).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace KestSim {

enum class FaultKind : uint8_t {
    None,
    Status,         // answer `value` as the command's status without performing it
    Errno,          // fail the whole call with errno `value`
    Delay,          // answer the call after `value` milliseconds
    ReplyShort,     // keep only the first `value` bytes of the reply body
    ReplyLieCount,  // claim `value` more entries than written
    ReplyNoNul,     // names fill their field without a NUL
    ReplyMutate,    // a seeded random mutation of the correct reply (see mutateReply)
};

struct Fault {
    FaultKind kind = FaultKind::None;
    uint32_t value = 0;
    uint32_t remaining = 0;  // uses left
    int opcode = -1;         // commands it applies to; -1 for all (call-level faults ignore it)
};

// What a handler must do differently with its reply.
struct ReplyFault {
    FaultKind kind = FaultKind::None;
    uint32_t value = 0;
    uint32_t lie() const { return kind == FaultKind::ReplyLieCount ? value : 0; }
    bool noNul() const { return kind == FaultKind::ReplyNoNul; }
};

// Mutates a reply body of `len` bytes the handler answered with `status`, deterministically from
// `seed`: counts inflated, NULs overwritten so names run to the end of their field, the tail cut back
// to what the request carried (`request`, same length), bytes flipped, or the status replaced. Returns
// the status the command answers with.
uint32_t mutateReply(uint32_t seed, uint8_t* body, const uint8_t* request, uint32_t len, uint32_t status);

class FaultPlan {
public:
    static constexpr size_t kMaxEntries = 256;
    static constexpr uint32_t kMaxDelayMs = 10000;

    // False when the queue is full or the entry can never apply.
    bool add(const Fault& f);
    void clear() { m_queue.clear(); }
    size_t pending() const { return m_queue.size(); }

    struct CallFaults {
        uint32_t delayMs = 0;
        int err = 0;
    };
    // Uses up the first delay and the first errno entry, if any.
    CallFaults takeCall();
    // Uses up the first status or reply entry matching the opcode; kind None when there is none.
    Fault takeCommand(uint16_t opcode);

private:
    bool takeFirst(bool (*match)(const Fault&, uint16_t), uint16_t opcode, Fault& out);

    std::deque<Fault> m_queue;
};

}  // namespace KestSim
