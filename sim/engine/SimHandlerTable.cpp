#include "sim/engine/SimHandlers.h"

namespace KestSim {

namespace {
struct Entry {
    uint16_t opcode;
    Handler handler;
};

// Grows family by family; every opcode missing here is answered "not supported".
constexpr Entry kHandlers[] = {
    {Opcode::kGetRuleSetCount, handleGetRuleSetCount},
};
}  // namespace

Handler findHandler(uint16_t opcode) {
    for (const Entry& e : kHandlers)
        if (e.opcode == opcode) return e.handler;
    return nullptr;
}

}  // namespace KestSim
