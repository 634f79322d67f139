#include "sim/daemon/SimDaemonState.h"

namespace KestSim {

bool DropPlan::add(uint32_t count, uint32_t bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (count == 0 || m_queue.size() >= kMaxEntries) return false;
    m_queue.push_back(Entry{count, bytes});
    return true;
}

void DropPlan::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
}

size_t DropPlan::pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.size();
}

long DropPlan::take(size_t size) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_queue.empty() || size == 0) return -1;
    Entry& e = m_queue.front();
    size_t cut = e.bytes == kHalf ? size / 2 : (e.bytes < size ? e.bytes : size - 1);
    if (--e.remaining == 0) m_queue.pop_front();
    return static_cast<long>(cut);
}

}  // namespace KestSim
