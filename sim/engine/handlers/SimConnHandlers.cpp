// The connection table: count, pages of flow records, clearing, re-evaluation, the failure policy,
// attributes attached to a flow and DPI state.
//
// Pages come in flow-identifier order from the requested start on, and never hold more records than
// the request's body has room for, whatever count it asks for.
#include <cstring>

#include "sim/engine/SimHandlers.h"

namespace KestSim {

namespace {

// Flow-table page body.
namespace Stat {
constexpr size_t kHeadSize = 102;
constexpr size_t kOffStart = 4;
constexpr size_t kOffCount = 12;
constexpr size_t kOffReturned = 16;
}  // namespace Stat

// Connection-attribute body.
namespace Attr {
constexpr size_t kHeadSize = 68;
constexpr size_t kOffOperation = 4;
constexpr size_t kOffConn = 8;
constexpr size_t kOffKeyKind = 48;
constexpr size_t kOffStateId = 52;
constexpr size_t kOffCount = 60;
constexpr size_t kOffChainSize = 64;
constexpr uint32_t kByConnection = 1;
constexpr uint32_t kOpDelete = 1;
constexpr uint32_t kOpDnsRevalDone = 2;
constexpr uint32_t kNoSuchFlow = 70;  // the verdict word for a key no flow has
}  // namespace Attr

namespace Info {
constexpr size_t kSize = 60;
constexpr size_t kOffConn = 4;
constexpr size_t kOffStateId = 44;
constexpr size_t kOffCount = 52;
constexpr size_t kOffBytes = 56;
constexpr uint32_t kByConnection = 2;
}  // namespace Info

Filter* mutableFilter(CommandContext& ctx) { return ctx.filter() ? ctx.state.obtain(ctx.port) : nullptr; }

// The flow a key names; direction bits do not take part.
Flow* findByKey(Filter* f, const uint8_t* key) {
    if (!f) return nullptr;
    ConnKey k;
    memcpy(k.data(), key, k.size());
    k[Conn::kKeyOffFlags] &= Conn::kKeyFlagIPv6;
    for (auto& kv : f->conns.flows)
        if (kv.second.key == k) return &kv.second;
    return nullptr;
}

Flow* findById(Filter* f, uint64_t id) {
    if (!f) return nullptr;
    auto it = f->conns.flows.find(id);
    return it == f->conns.flows.end() ? nullptr : &it->second;
}

uint32_t reevaluateAll(Filter* f) {
    if (!f) return 0;
    for (auto& kv : f->conns.flows) ++kv.second.reevaluations;
    return static_cast<uint32_t>(f->conns.flows.size());
}

uint32_t flowCount(const CommandContext& ctx) {
    const Filter* f = ctx.filter();
    return f ? static_cast<uint32_t>(f->conns.flows.size()) : 0;
}

}  // namespace

// Request: 16 zero bytes. Reply: the number of flows at 4.
uint32_t handleGetConnectionCount(CommandContext& ctx) {
    if (!ctx.body.has(0, 16)) return Status::kBufferTooSmall;
    ctx.body.putU32(4, flowCount(ctx) + ctx.reply.lie());
    return Status::kOk;
}

// Request: start flow identifier (network order) at 4, count at 12. Reply: the number of records at 16,
// the records from 102.
uint32_t handleGetConnectionStat(CommandContext& ctx) {
    if (!ctx.body.has(0, Stat::kHeadSize)) return Status::kBufferTooSmall;
    uint8_t startBytes[8];
    uint32_t count = 0;
    ctx.body.load(Stat::kOffStart, startBytes, 8);
    ctx.body.u32(Stat::kOffCount, count);
    const uint64_t start = ConnBytes::beRead(startBytes, 8);
    const size_t room = (ctx.body.size() - Stat::kHeadSize) / Conn::kRecordSize;
    const size_t want = count < room ? count : room;
    uint32_t n = 0;
    if (const Filter* f = ctx.filter())
        for (auto it = f->conns.flows.lower_bound(start); it != f->conns.flows.end() && n < want; ++it, ++n)
            ctx.body.store(Stat::kHeadSize + n * Conn::kRecordSize, it->second.record.data(), Conn::kRecordSize);
    ctx.body.putU32(Stat::kOffReturned, n + ctx.reply.lie());
    return Status::kOk;
}

// Request: one byte, 0 fail open or 1 fail close.
uint32_t handleSetFailPolicy(CommandContext& ctx) {
    uint8_t policy = 0;
    if (!ctx.body.u8(0, policy)) return Status::kBufferTooSmall;
    if (policy > 1) return Status::kInvalidArgument;
    Filter* f = ctx.state.obtain(ctx.port);
    if (!f) return Status::kOutOfMemory;
    f->conns.failPolicy = policy;
    return Status::kOk;
}

// Request: count at 0, zero at 4, the keys from 8. Reply: the number of listed flows found at 0.
uint32_t handleSetConnectionByList(CommandContext& ctx) {
    uint32_t count = 0;
    if (!ctx.body.u32(0, count)) return Status::kBufferTooSmall;
    if (!ctx.body.has(8, size_t(count) * Conn::kKeySize)) return Status::kBadMessage;
    Filter* f = mutableFilter(ctx);
    uint32_t affected = 0;
    for (uint32_t i = 0; i < count; ++i)
        if (Flow* flow = findByKey(f, ctx.body.data() + 8 + size_t(i) * Conn::kKeySize)) {
            ++flow->reevaluations;
            ++affected;
        }
    ctx.body.putU32(0, affected);
    return Status::kOk;
}

// Request: a zero word. Reply: the number of flows dropped in it.
uint32_t handleClearAllConnection(CommandContext& ctx) {
    if (!ctx.body.has(0, 4)) return Status::kBufferTooSmall;
    Filter* f = mutableFilter(ctx);
    uint32_t cleared = f ? static_cast<uint32_t>(f->conns.flows.size()) : 0;
    if (f) f->conns.flows.clear();
    ctx.body.putU32(0, cleared);
    return Status::kOk;
}

// Request: the 80-byte selection, a zero word. The simulated module selects every flow; the reply
// word behind the selection is the number re-evaluated.
uint32_t handleSetConnectionByFilter(CommandContext& ctx) {
    if (!ctx.body.has(0, Conn::kFilterSize + 4)) return Status::kBufferTooSmall;
    ctx.body.putU32(Conn::kFilterSize, reevaluateAll(mutableFilter(ctx)));
    return Status::kOk;
}

// Request: a zero word. Reply: the number of flows re-evaluated in it.
uint32_t handleSetAllConnection(CommandContext& ctx) {
    if (!ctx.body.has(0, 4)) return Status::kBufferTooSmall;
    ctx.body.putU32(0, reevaluateAll(mutableFilter(ctx)));
    return Status::kOk;
}

// Request: the 68-byte head and the attribute chain. Reply: the verdict at 0 (70 when no flow has the
// key), the number of attributes the flow holds afterwards at 4.
uint32_t handleSetConnAttr(CommandContext& ctx) {
    uint32_t op = 0, keyKind = 0, count = 0, chainSize = 0;
    uint64_t stateId = 0;
    if (!ctx.body.has(0, Attr::kHeadSize)) return Status::kBufferTooSmall;
    ctx.body.u32(Attr::kOffOperation, op);
    ctx.body.u32(Attr::kOffKeyKind, keyKind);
    ctx.body.u64(Attr::kOffStateId, stateId);
    ctx.body.u32(Attr::kOffCount, count);
    ctx.body.u32(Attr::kOffChainSize, chainSize);
    if (!ctx.body.has(Attr::kHeadSize, chainSize) || chainSize > Conn::kMaxAttrBytes) return Status::kBadMessage;
    Filter* f = mutableFilter(ctx);
    Flow* flow = keyKind == Attr::kByConnection ? findByKey(f, ctx.body.data() + Attr::kOffConn) : findById(f, stateId);
    if (!flow) {
        ctx.body.putU32(0, Attr::kNoSuchFlow);
        return Status::kOk;
    }
    if (op == Attr::kOpDnsRevalDone) {
        flow->dnsRevalDone = true;
    } else if (op == Attr::kOpDelete) {
        flow->attrs.clear();
        flow->attrCount = 0;
    } else {
        flow->attrs.assign(ctx.body.data() + Attr::kHeadSize, ctx.body.data() + Attr::kHeadSize + chainSize);
        flow->attrCount = count;
    }
    ctx.body.putU32(0, 0);
    ctx.body.putU32(Attr::kOffOperation, flow->attrCount);
    return Status::kOk;
}

// Request: key kind at 0 (2 by connection), key at 4, state identifier at 44. Reply: the number of
// attributes at 52 and their chain's size at 56; zeros for a flow that is not there.
uint32_t handleGetConnAttrInfo(CommandContext& ctx) {
    uint32_t keyKind = 0;
    uint64_t stateId = 0;
    if (!ctx.body.has(0, Info::kSize)) return Status::kBufferTooSmall;
    ctx.body.u32(0, keyKind);
    ctx.body.u64(Info::kOffStateId, stateId);
    Filter* f = mutableFilter(ctx);
    const Flow* flow =
        keyKind == Info::kByConnection ? findByKey(f, ctx.body.data() + Info::kOffConn) : findById(f, stateId);
    ctx.body.putU32(Info::kOffCount, flow ? flow->attrCount : 0);
    ctx.body.putU32(Info::kOffBytes, flow ? static_cast<uint32_t>(flow->attrs.size()) : 0);
    return Status::kOk;
}

// Request: count at 0, then 16-byte slots from 8 (state identifier first). Reply: each known flow's DPI
// state in the slot's second half, the number of flows found at 4.
uint32_t handleGetConnectionDPIInfo(CommandContext& ctx) {
    uint32_t count = 0;
    if (!ctx.body.u32(0, count) || !ctx.body.has(4, 4)) return Status::kBufferTooSmall;
    if (!ctx.body.has(8, size_t(count) * 16)) return Status::kBadMessage;
    Filter* f = mutableFilter(ctx);
    uint32_t answered = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t id = 0;
        const size_t slot = 8 + size_t(i) * 16;
        ctx.body.u64(slot, id);
        if (const Flow* flow = findById(f, id)) {
            ctx.body.putU64(slot + 8, flow->state);
            ++answered;
        }
    }
    ctx.body.putU32(4, answered + ctx.reply.lie());
    return Status::kOk;
}

}  // namespace KestSim
