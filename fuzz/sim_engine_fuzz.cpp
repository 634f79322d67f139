// Arbitrary bytes as a message to the simulated module. The first byte picks the switch port and the
// scripted faults; the rest is the message, answered in place in a buffer of exactly its size, so any
// read or write past it is caught.
#include <cstdint>
#include <cstring>
#include <vector>

#include "sim/engine/SimEngine.h"

using namespace KestSim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Engine* engine = new Engine();
    if (size == 0) return 0;
    uint8_t mode = data[0];
    engine->reset();

    uint8_t filter[100] = {};
    memcpy(filter, "filter-f", 8);
    filter[99] = 7;
    uint8_t other[100] = {};
    memcpy(other, "filter-g", 8);
    other[99] = 7;
    engine->seedRuleSetCount(filter, 3);
    engine->seedRuleSetCount(nullptr, 1);
    if (mode & 0x02) engine->declareFilter(filter);
    if (mode & 0x04) engine->addFault(Fault{FaultKind::Status, 26, uint32_t(1 + (mode >> 6)), -1});
    if (mode & 0x08) engine->addFault(Fault{FaultKind::ReplyShort, uint32_t(mode >> 4), 2, -1});
    if (mode & 0x10) engine->addFault(Fault{FaultKind::ReplyLieCount, 0xFFFFFFFFu, 1, 1});
    if (mode & 0x20) engine->addFault(Fault{FaultKind::ReplyNoNul, 0, 3, -1});
    const uint8_t* port = (mode & 0x01) ? ((mode & 0x40) ? other : filter) : nullptr;

    std::vector<uint8_t> msg(data + 1, data + size);
    engine->process(port, msg.empty() ? nullptr : msg.data(), static_cast<uint32_t>(msg.size()));
    engine->lastReply(nullptr);
    return 0;
}
