// What the daemon's connections share: the one simulated module, the daemon's own scripted faults
// (peers dropped mid-answer) and its request counters.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include "sim/engine/SimEngine.h"

namespace KestSim {

// Scripted "drop the peer mid-answer" faults: the next `count` answered requests on the socket-channel
// or forwarding sockets send only part of their answer and then close that connection. The module has
// performed the request by then, as a real peer that dies while answering would have.
class DropPlan {
public:
    static constexpr size_t kMaxEntries = 256;
    static constexpr uint32_t kHalf = 0xFFFFFFFFu;  // cut the answer in the middle

    // False when the queue is full or `count` is 0.
    bool add(uint32_t count, uint32_t bytes);
    void clear();
    size_t pending() const;
    // How many bytes of an answer of `size` bytes go out before the connection is closed, or -1 when
    // the answer goes out whole. Always less than `size`.
    long take(size_t size);

private:
    struct Entry {
        uint32_t remaining;
        uint32_t bytes;
    };
    mutable std::mutex m_mutex;
    std::deque<Entry> m_queue;
};

struct DaemonShared {
    Engine engine;
    DropPlan drops;
    std::atomic<uint64_t> tcpRequests{0};
    std::atomic<uint64_t> unixRequests{0};

    void reset() {
        engine.reset();
        drops.clear();
        tcpRequests = 0;
        unixRequests = 0;
    }
};

}  // namespace KestSim
