// Queries that read rule sets and address sets back. Each answers in the body the request offered: a
// list never claims more entries than the body has room for, unless a scripted fault makes it lie.
#include <algorithm>
#include <set>
#include <vector>

#include "sim/engine/SimHandlers.h"

namespace KestSim {

namespace {

// Rule sets: the page requests and the rule reads.
namespace RuleQuery {
constexpr size_t kListHead = 12;   // count, start, returned; names follow
constexpr size_t kCountSize = 72;  // name, type byte at 64, count at 68
constexpr size_t kInfoSize = 84;   // name, count at 64, time at 68, generation at 76
constexpr size_t kOffCount = 64;   // in the rule and statistics reads
constexpr size_t kOffStart = 68;
constexpr size_t kOffByPosition = 72;
constexpr size_t kOffType = 74;
constexpr size_t kOffReturned = 76;
constexpr size_t kOffTime = 80;        // rule read only
constexpr size_t kOffGeneration = 88;  // rule read only
constexpr size_t kRulesHead = 96;
constexpr size_t kStatsHead = 80;
constexpr size_t kStatSize = 64;
}  // namespace RuleQuery

// Address sets.
namespace SetQuery {
constexpr size_t kListHead = 16;  // type, count, start, returned; entries follow
constexpr size_t kSizeSize = 50;
constexpr size_t kInfoSize = 58;
constexpr size_t kMembersHead = 70;
constexpr size_t kStatSize = 134;
}  // namespace SetQuery

constexpr uint32_t kKindSid = 15;
constexpr uint32_t kTypeSidAddress = 5;  // how a request names SID sets in its four type bits

// A name into its field; a no-NUL fault fills the whole field with it and padding, leaving no NUL.
void putName(const Window& b, size_t off, size_t width, const std::string& name, bool noNul) {
    if (!noNul) {
        b.putText(off, width, name);
        return;
    }
    std::string full = name.substr(0, width);
    full.resize(width, 'X');
    b.store(off, full.data(), width);
}

// Whole entries of `width` bytes behind `off`.
uint32_t room(const Window& b, size_t off, size_t width) {
    return off > b.size() ? 0 : static_cast<uint32_t>(std::min<size_t>((b.size() - off) / width, UINT32_MAX));
}

// The name field at the start of a body. Status 0, or why it is refused.
uint32_t nameAt(const Window& b, size_t width, std::string& name) {
    bool terminated = false;
    if (!b.text(0, width, name, &terminated)) return Status::kBufferTooSmall;
    return terminated ? Status::kOk : Status::kNameTooLong;
}

const RuleSet* findRuleSet(const CommandContext& ctx, const std::string& name) {
    const Filter* f = ctx.filter();
    if (!f) return nullptr;
    auto it = f->ruleSets.find(name);
    return it == f->ruleSets.end() ? nullptr : &it->second;
}

const AddrSet* findAddrSet(const CommandContext& ctx, const std::string& name) {
    const Filter* f = ctx.filter();
    if (!f) return nullptr;
    auto it = f->addrSets.find(name);
    return it == f->addrSets.end() ? nullptr : &it->second;
}

// The rules the module keeps carry no NAT, IDP or pre-filter role: they answer the plain types 0 and 3.
bool plainType(uint8_t typeByte) {
    const uint8_t t = typeByte & 0x07;
    return t == 0 || t == 3;
}

uint32_t ruleId(const Record& r) {
    return r.size() < 4 ? 0 : uint32_t(r[0]) | uint32_t(r[1]) << 8 | uint32_t(r[2]) << 16 | uint32_t(r[3]) << 24;
}

// The rules a rule or statistics read selects, at most `limit`: by position from the start index, or
// those whose ids the request lists behind its head.
uint32_t selectRules(const CommandContext& ctx, size_t head, const RuleSet*& rs, std::vector<const Record*>& out,
                     size_t& recordsAt, size_t perRecord) {
    using namespace RuleQuery;
    const Window& b = ctx.body;
    std::string name;
    uint32_t count = 0, start = 0;
    uint8_t byPosition = 0, type = 0;
    if (!b.has(0, head)) return Status::kBufferTooSmall;
    uint32_t st = nameAt(b, kRuleSetNameWidth, name);
    if (st != Status::kOk) return st;
    b.u32(kOffCount, count);
    b.u32(kOffStart, start);
    b.u8(kOffByPosition, byPosition);
    b.u8(kOffType, type);
    if (!b.has(head, size_t(count) * 4)) return Status::kBufferTooSmall;
    rs = findRuleSet(ctx, name);
    if (!rs) return Status::kNoRuleSet;
    recordsAt = head + size_t(count) * 4;
    const uint32_t limit = room(b, recordsAt, perRecord);
    if (!plainType(type)) return Status::kOk;
    if (byPosition) {
        for (size_t i = start; i < rs->rules.size() && out.size() < limit; ++i) out.push_back(&rs->rules[i]);
        return Status::kOk;
    }
    std::set<uint32_t> wanted;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t id = 0;
        b.u32(head + size_t(i) * 4, id);
        wanted.insert(id);
    }
    for (const Record& r : rs->rules)
        if (wanted.count(ruleId(r)) && out.size() < limit) out.push_back(&r);
    return Status::kOk;
}

// Whether a set of kind `kind` answers a request for type `type` (0: every set).
bool kindMatches(uint32_t kind, uint8_t typeByte) {
    const uint32_t t = typeByte & 0x0F;
    return t == 0 || t == kind || (t == kTypeSidAddress && kind == kKindSid);
}

// The sets a page request selects, at most as many as fit entries of `width` behind the head.
uint32_t selectSets(const CommandContext& ctx, size_t width, std::vector<const AddrSet*>& out) {
    const Window& b = ctx.body;
    uint8_t type = 0;
    uint32_t count = 0, start = 0;
    if (!b.has(0, SetQuery::kListHead)) return Status::kBufferTooSmall;
    b.u8(0, type);
    b.u32(4, count);
    b.u32(8, start);
    const uint32_t limit = std::min(count, room(b, SetQuery::kListHead, width));
    const Filter* f = ctx.filter();
    if (!f) return Status::kOk;
    uint32_t index = 0;
    for (const auto& kv : f->addrSets) {
        if (!kindMatches(kv.second.kind, type)) continue;
        if (index++ < start) continue;
        if (out.size() >= limit) break;
        out.push_back(&kv.second);
    }
    return Status::kOk;
}

}  // namespace

// Request: a 32-bit word (0). Reply in the same four bytes: the number of rule sets of the filter.
uint32_t handleGetRuleSetCount(CommandContext& ctx) {
    if (!ctx.body.has(0, 4)) return Status::kBufferTooSmall;
    const Filter* f = ctx.filter();
    uint32_t count = f ? static_cast<uint32_t>(f->ruleSets.size()) : 0;
    ctx.body.putU32(0, count + ctx.reply.lie());
    return Status::kOk;
}

// Request: count at 0, start at 4. Reply: the number returned at 8, then the names in name order.
uint32_t handleGetRuleSetList(CommandContext& ctx) {
    const Window& b = ctx.body;
    uint32_t count = 0, start = 0;
    if (!b.has(0, RuleQuery::kListHead)) return Status::kBufferTooSmall;
    b.u32(0, count);
    b.u32(4, start);
    const uint32_t limit = std::min(count, room(b, RuleQuery::kListHead, kRuleSetNameWidth));
    const Filter* f = ctx.filter();
    uint32_t n = 0, index = 0;
    if (f)
        for (const auto& kv : f->ruleSets) {
            if (index++ < start) continue;
            if (n >= limit) break;
            putName(b, RuleQuery::kListHead + size_t(n) * kRuleSetNameWidth, kRuleSetNameWidth, kv.first,
                    ctx.reply.noNul());
            ++n;
        }
    b.putU32(8, n + ctx.reply.lie());
    return Status::kOk;
}

// Request: the name and the rule type. Reply: the number of rules of that type at 68.
uint32_t handleGetRuleCountOfRuleSet(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, RuleQuery::kCountSize)) return Status::kBufferTooSmall;
    std::string name;
    uint32_t st = nameAt(b, kRuleSetNameWidth, name);
    if (st != Status::kOk) return st;
    const RuleSet* rs = findRuleSet(ctx, name);
    if (!rs) return Status::kNoRuleSet;
    uint8_t type = 0;
    b.u8(64, type);
    const uint32_t n = plainType(type) ? static_cast<uint32_t>(rs->rules.size()) : 0;
    b.putU32(68, n + ctx.reply.lie());
    return Status::kOk;
}

// Request: the name. Reply: rule count, realization time, generation.
uint32_t handleGetRuleSetInfo(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, RuleQuery::kInfoSize)) return Status::kBufferTooSmall;
    std::string name;
    uint32_t st = nameAt(b, kRuleSetNameWidth, name);
    if (st != Status::kOk) return st;
    const RuleSet* rs = findRuleSet(ctx, name);
    if (!rs) return Status::kNoRuleSet;
    b.putU32(64, static_cast<uint32_t>(rs->rules.size()) + ctx.reply.lie());
    b.putU64(68, rs->realizationTime);
    b.putU64(76, rs->generation);
    return Status::kOk;
}

// Request: the selection head of 96 bytes and the id list. Reply: the number returned, realization
// time and generation in the head, the rule records as received behind the id room.
uint32_t handleGetRuleOfRuleSet(CommandContext& ctx) {
    const RuleSet* rs = nullptr;
    std::vector<const Record*> rules;
    size_t at = 0;
    uint32_t st = selectRules(ctx, RuleQuery::kRulesHead, rs, rules, at, kRuleRecordSize);
    if (st != Status::kOk) return st;
    const Window& b = ctx.body;
    for (size_t i = 0; i < rules.size(); ++i) b.store(at + i * kRuleRecordSize, rules[i]->data(), kRuleRecordSize);
    b.putU32(RuleQuery::kOffReturned, static_cast<uint32_t>(rules.size()) + ctx.reply.lie());
    b.putU64(RuleQuery::kOffTime, rs->realizationTime);
    b.putU64(RuleQuery::kOffGeneration, rs->generation);
    return Status::kOk;
}

// The same selection with a head of 80 bytes; each selected rule answers its 64-byte statistics.
uint32_t handleGetStatOfRuleSet(CommandContext& ctx) {
    const RuleSet* rs = nullptr;
    std::vector<const Record*> rules;
    size_t at = 0;
    uint32_t st = selectRules(ctx, RuleQuery::kStatsHead, rs, rules, at, RuleQuery::kStatSize);
    if (st != Status::kOk) return st;
    const Window& b = ctx.body;
    const Filter* f = ctx.filter();
    const auto perSet = f->counters.rules.find(rs->name);
    for (size_t i = 0; i < rules.size(); ++i) {
        const uint32_t id = ruleId(*rules[i]);
        RuleCounters c;
        if (perSet != f->counters.rules.end()) {
            auto it = perSet->second.find(id);
            if (it != perSet->second.end()) c = it->second;
        }
        const size_t off = at + i * RuleQuery::kStatSize;
        b.fill(off, 0, RuleQuery::kStatSize);
        b.putU32(off, id);
        const uint64_t values[] = {c.evaluations, c.hits, c.sessions, c.packetsIn, c.packetsOut, c.bytesIn, c.bytesOut};
        for (size_t k = 0; k < 7; ++k) b.putU64(off + 8 + k * 8, values[k]);
    }
    b.putU32(RuleQuery::kOffReturned, static_cast<uint32_t>(rules.size()) + ctx.reply.lie());
    return Status::kOk;
}

// Request: the set's name. Reply: element count, type, serialised size of the members.
uint32_t handleGetAddrSetTypeAndSize(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, SetQuery::kSizeSize)) return Status::kBufferTooSmall;
    std::string name;
    uint32_t st = nameAt(b, kAddrSetNameWidth, name);
    if (st != Status::kOk) return st;
    const AddrSet* as = findAddrSet(ctx, name);
    if (!as) return Status::kNoAddrSet;
    const uint32_t n = static_cast<uint32_t>(as->members.size());
    b.putU32(38, n + ctx.reply.lie());
    b.putU32(42, as->kind);
    b.putU32(46, n * kAddressRecordSize);
    return Status::kOk;
}

// Request: the set's name. Reply: address count, realization time, generation.
uint32_t handleGetAddrSetInfo(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, SetQuery::kInfoSize)) return Status::kBufferTooSmall;
    std::string name;
    uint32_t st = nameAt(b, kAddrSetNameWidth, name);
    if (st != Status::kOk) return st;
    const AddrSet* as = findAddrSet(ctx, name);
    if (!as) return Status::kNoAddrSet;
    b.putU32(38, static_cast<uint32_t>(as->members.size()) + ctx.reply.lie());
    b.putU64(42, as->realizationTime);
    b.putU64(50, as->generation);
    return Status::kOk;
}

// Request: the name, a word 1, count and start. Reply: the number returned, realization time and
// generation, then the member records as received.
uint32_t handleGetAddressOfAddrSet(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, SetQuery::kMembersHead)) return Status::kBufferTooSmall;
    std::string name;
    uint32_t st = nameAt(b, kAddrSetNameWidth, name);
    if (st != Status::kOk) return st;
    const AddrSet* as = findAddrSet(ctx, name);
    if (!as) return Status::kNoAddrSet;
    uint32_t count = 0, start = 0;
    b.u32(42, count);
    b.u32(46, start);
    const uint32_t limit = std::min(count, room(b, SetQuery::kMembersHead, kAddressRecordSize));
    uint32_t n = 0;
    for (size_t i = start; i < as->members.size() && n < limit; ++i, ++n)
        b.store(SetQuery::kMembersHead + size_t(n) * kAddressRecordSize, as->members[i].data(), kAddressRecordSize);
    b.putU32(50, n + ctx.reply.lie());
    b.putU64(54, as->realizationTime);
    b.putU64(62, as->generation);
    return Status::kOk;
}

// Request: the type in the low four bits of byte 0. Reply: the number of such sets at 4.
uint32_t handleGetAddrSetCount(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, 8)) return Status::kBufferTooSmall;
    uint8_t type = 0;
    b.u8(0, type);
    uint32_t n = 0;
    if (const Filter* f = ctx.filter())
        for (const auto& kv : f->addrSets) n += kindMatches(kv.second.kind, type) ? 1 : 0;
    b.putU32(4, n + ctx.reply.lie());
    return Status::kOk;
}

// Request: type, count, start. Reply: the number returned at 12, then the names in name order.
uint32_t handleGetAddrSetList(CommandContext& ctx) {
    std::vector<const AddrSet*> sets;
    uint32_t st = selectSets(ctx, kAddrSetNameWidth, sets);
    if (st != Status::kOk) return st;
    const Window& b = ctx.body;
    for (size_t i = 0; i < sets.size(); ++i)
        putName(b, SetQuery::kListHead + i * kAddrSetNameWidth, kAddrSetNameWidth, sets[i]->name, ctx.reply.noNul());
    b.putU32(12, static_cast<uint32_t>(sets.size()) + ctx.reply.lie());
    return Status::kOk;
}

// Request as the list. Reply: one 134-byte statistics record per set.
uint32_t handleGetAddrSetStatList(CommandContext& ctx) {
    std::vector<const AddrSet*> sets;
    uint32_t st = selectSets(ctx, SetQuery::kStatSize, sets);
    if (st != Status::kOk) return st;
    const Window& b = ctx.body;
    const Filter* f = ctx.filter();
    const uint64_t now = State::secondsSinceBoot();
    for (size_t i = 0; i < sets.size(); ++i) {
        const size_t off = SetQuery::kListHead + i * SetQuery::kStatSize;
        SetCounters c;
        auto it = f->counters.sets.find(sets[i]->name);
        if (it != f->counters.sets.end()) c = it->second;
        b.fill(off, 0, SetQuery::kStatSize);
        putName(b, off, kAddrSetNameWidth, sets[i]->name, ctx.reply.noNul());
        size_t at = off + kAddrSetNameWidth;
        for (uint64_t v : c.packets) b.putU64(at, v), at += 8;
        for (uint64_t v : c.bytes) b.putU64(at, v), at += 8;
        b.putU64(at, c.match);
        b.putU64(at + 8, c.noMatch);
        b.putU64(at + 16, now >= sets[i]->realizationTime ? now - sets[i]->realizationTime : 0);
    }
    b.putU32(12, static_cast<uint32_t>(sets.size()) + ctx.reply.lie());
    return Status::kOk;
}

// Request: a word 0. Reply: bit 0 of byte 0 tells whether shared address sets are on.
uint32_t handleGetSharedAddrSet(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, 4)) return Status::kBufferTooSmall;
    const Filter* f = ctx.filter();
    b.putU32(0, f && f->sharedAddrSets ? 1 : 0);
    return Status::kOk;
}

}  // namespace KestSim
