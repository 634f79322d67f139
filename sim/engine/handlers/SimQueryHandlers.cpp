// Queries that read rule sets and address sets back.
#include "sim/engine/SimHandlers.h"

namespace KestSim {

// Request: a 32-bit word (0). Reply in the same four bytes: the number of rule sets of the filter.
uint32_t handleGetRuleSetCount(CommandContext& ctx) {
    if (!ctx.body.has(0, 4)) return Status::kBufferTooSmall;
    const Filter* f = ctx.filter();
    uint32_t count = f ? static_cast<uint32_t>(f->ruleSets.size()) : 0;
    ctx.body.putU32(0, count + ctx.reply.lie());
    return Status::kOk;
}

}  // namespace KestSim
