// Commands that create, replace, clear and destroy rule sets, install and clear the roots of a filter
// and set, read and clear a rule set's jump target. Every request is checked whole before anything
// changes, so a refused command leaves the filter exactly as it was.
#include <utility>

#include "sim/engine/SimHandlers.h"

namespace KestSim {

namespace {

// The body of opcode 3: a 176-byte head and the rule records. An empty name installs the roots.
namespace RuleSetBody {
constexpr size_t kOffName = 64;
constexpr size_t kOffCount = 136;
constexpr size_t kOffFlags = 140;
constexpr size_t kOffTxId = 144;
constexpr size_t kOffTxWord = 160;
constexpr size_t kHeadSize = 176;
// The sender sets both; the module clears them when it opened a transaction for the change, and the
// sender then keeps the transaction id and word.
constexpr uint8_t kFlagsPending = 0x03;
constexpr uint32_t kTxMark = 0x5453454Bu;  // "KEST", the last word of every transaction id
}  // namespace RuleSetBody

// The rule record, as far as the module reads it.
namespace Rule {
constexpr size_t kOffAction = 950;
constexpr size_t kOffPresence = 1280;
constexpr uint8_t kPresenceProtocol = 0x80;
constexpr size_t kOffMatch = 1281;  // bit 0 negated, bit 1 layer 3, bits 2..3 direction, 4..5 family
constexpr uint8_t kMatchNegated = 0x01;
constexpr uint8_t kMatchLayer3 = 0x02;
constexpr size_t kOffMarks = 1283;  // bit 4 derived family, bit 6 internal, bit 7 active
constexpr uint8_t kMarksAllowed = 0x10 | 0x40 | 0x80;
constexpr size_t kOffProtocol = 1284;
constexpr size_t kOffTagEnd = 1381;  // the tag's last byte, always NUL
constexpr size_t kOffProfileFlags = 1384;
constexpr uint32_t kProfileFlagsAllowed = 0x7F;
constexpr size_t kOffOversubscription = 1392;
constexpr uint8_t kOversubscriptionMax = 3;
constexpr size_t kOffTenancy = 1393;  // three fields of 9 bytes, each ending in NUL
constexpr size_t kTenancyWidth = 9;
// Fields a writer leaves zero: offset and width.
struct Span {
    size_t off, width;
};
constexpr Span kZero[] = {{8, 4}, {664, 4}, {850, 4}, {892, 4}, {1282, 1}, {1388, 4}};
}  // namespace Rule

// The action record inside a rule.
namespace Action {
constexpr size_t kOffTarget = 0;  // jumpto: the rule-set name
constexpr size_t kOffCode = 290;
constexpr size_t kOffFlags = 291;  // bits 5..7 unused
constexpr uint8_t kFlagsAllowed = 0x1F;
constexpr size_t kOffLBRule = 292;     // bits 1..7 unused
constexpr size_t kOffPolicyEnd = 329;  // the key policy's last byte, always NUL
constexpr uint8_t kCodeJumpto = 4;
constexpr uint8_t kCodeMax = 18;
}  // namespace Action

// Body sizes of the other commands.
constexpr size_t kGetRootSize = 132;
constexpr size_t kClearSize = 72;
constexpr size_t kNameSize = kRuleSetNameWidth;
constexpr size_t kWordSize = 4;
constexpr size_t kJumpSize = 2 * kRuleSetNameWidth;

bool isZero(const Window& w, size_t off, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        uint8_t b = 1;
        if (!w.u8(off + i, b) || b != 0) return false;
    }
    return true;
}

// Reads a rule-set name field; kNameTooLong when the field holds no NUL.
uint32_t readName(const Window& w, size_t off, std::string& name) {
    bool terminated = false;
    if (!w.text(off, kRuleSetNameWidth, name, &terminated)) return Status::kBufferTooSmall;
    return terminated ? Status::kOk : Status::kNameTooLong;
}

// What the module needs of one rule: whether it is well formed, its layer and its jump target.
struct RuleView {
    bool layer3 = false;
    bool jumps = false;
    std::string target;
};

uint32_t readRule(const Window& rec, RuleView& out) {
    if (rec.size() != kRuleRecordSize) return Status::kInvalidRule;
    for (const auto& z : Rule::kZero)
        if (!isZero(rec, z.off, z.width)) return Status::kInvalidRule;
    uint8_t presence = 0, match = 0, marks = 0, tagEnd = 0, oversub = 0;
    uint16_t protocol = 0;
    uint32_t profile = 0;
    rec.u8(Rule::kOffPresence, presence);
    rec.u8(Rule::kOffMatch, match);
    rec.u8(Rule::kOffMarks, marks);
    rec.u16(Rule::kOffProtocol, protocol);
    rec.u8(Rule::kOffTagEnd, tagEnd);
    rec.u32(Rule::kOffProfileFlags, profile);
    rec.u8(Rule::kOffOversubscription, oversub);
    const unsigned direction = (match >> 2) & 3, family = (match >> 4) & 3;
    if ((match & 0xC0) != 0 || direction == 3 || family == 3) return Status::kInvalidRule;
    if ((marks & ~Rule::kMarksAllowed) != 0 || tagEnd != 0 || oversub > Rule::kOversubscriptionMax)
        return Status::kInvalidRule;
    if ((profile & ~Rule::kProfileFlagsAllowed) != 0) return Status::kInvalidRule;
    // "Any" protocol carries neither a value nor a negation.
    if ((presence & Rule::kPresenceProtocol) == 0 && (protocol != 0 || (match & Rule::kMatchNegated) != 0))
        return Status::kInvalidRule;
    for (int i = 0; i < 3; ++i)
        if (!isZero(rec, Rule::kOffTenancy + i * Rule::kTenancyWidth + Rule::kTenancyWidth - 1, 1))
            return Status::kInvalidRule;

    const Window action = rec.sub(Rule::kOffAction, kRuleRecordSize - Rule::kOffAction);
    uint8_t code = 0, flags = 0, lbRule = 0;
    action.u8(Action::kOffCode, code);
    action.u8(Action::kOffFlags, flags);
    action.u8(Action::kOffLBRule, lbRule);
    if (code == 0 || code > Action::kCodeMax || (flags & ~Action::kFlagsAllowed) != 0 || (lbRule & ~1u) != 0)
        return Status::kInvalidRule;
    if (!isZero(action, Action::kOffPolicyEnd, 1)) return Status::kInvalidRule;

    out.layer3 = (match & Rule::kMatchLayer3) != 0;
    out.jumps = code == Action::kCodeJumpto;
    out.target.clear();
    if (out.jumps) {
        bool terminated = false;
        action.text(Action::kOffTarget, kRuleSetNameWidth, out.target, &terminated);
        if (!terminated || out.target.empty()) return Status::kInvalidRule;
    }
    return Status::kOk;
}

bool hasRuleSet(const Filter* f, const std::string& name) { return f && f->ruleSets.count(name) != 0; }

// Whether anything of the filter still leads to rule set `name`: a root, another rule set's jump target
// or one of its jump rules.
bool referenced(const Filter& f, const std::string& name) {
    if (f.l3Root == name || f.l2Root == name) return true;
    for (const auto& kv : f.ruleSets) {
        if (kv.first == name) continue;
        if (kv.second.jumpTarget == name) return true;
        for (const Record& r : kv.second.rules) {
            RuleView v;
            // Only read: the window's type allows writes, the record stays as it is.
            const Window rec(const_cast<uint8_t*>(r.data()), r.size());
            if (readRule(rec, v) == Status::kOk && v.jumps && v.target == name) return true;
        }
    }
    return false;
}

// Whether following jump targets from `from` comes back to `to` (a loop the module would run forever).
bool jumpLeadsTo(const Filter& f, std::string from, const std::string& to) {
    for (size_t steps = 0; steps <= f.ruleSets.size() && !from.empty(); ++steps) {
        if (from == to) return true;
        auto it = f.ruleSets.find(from);
        if (it == f.ruleSets.end()) return false;
        from = it->second.jumpTarget;
    }
    return false;
}

void touch(RuleSet& rs) {
    ++rs.generation;
    rs.realizationTime = State::secondsSinceBoot();
}

void writeTransaction(const Window& b, uint32_t generation, uint32_t rules, uint32_t ruleSets, uint64_t time) {
    uint8_t flags = 0;
    b.u8(RuleSetBody::kOffFlags, flags);
    b.putU8(RuleSetBody::kOffFlags, static_cast<uint8_t>(flags & ~RuleSetBody::kFlagsPending));
    b.putU32(RuleSetBody::kOffTxId, generation);
    b.putU32(RuleSetBody::kOffTxId + 4, rules);
    b.putU32(RuleSetBody::kOffTxId + 8, ruleSets);
    b.putU32(RuleSetBody::kOffTxId + 12, RuleSetBody::kTxMark);
    b.putU64(RuleSetBody::kOffTxWord, time);
}

// The roots: one or two jump rules, at most one per layer, each to an existing rule set.
uint32_t installRoots(CommandContext& ctx, const std::vector<Window>& rules) {
    if (rules.empty()) return Status::kInvalidArgument;
    const Filter* current = ctx.filter();
    std::string l3, l2;
    for (const Window& rec : rules) {
        RuleView v;
        uint32_t st = readRule(rec, v);
        if (st != Status::kOk) return st;
        if (!v.jumps) return Status::kInvalidRule;
        std::string& slot = v.layer3 ? l3 : l2;
        if (!slot.empty()) return Status::kInvalidRule;
        if (!hasRuleSet(current, v.target)) return Status::kMissingJumpTarget;
        slot = v.target;
    }
    Filter* f = ctx.state.obtain(ctx.port);
    if (!f) return Status::kOutOfMemory;
    f->l3Root = l3;
    f->l2Root = l2;
    f->rootRules.clear();
    for (const Window& rec : rules) f->rootRules.emplace_back(rec.data(), rec.data() + rec.size());
    writeTransaction(ctx.body, 0, static_cast<uint32_t>(rules.size()), static_cast<uint32_t>(f->ruleSets.size()),
                     State::secondsSinceBoot());
    return Status::kOk;
}

// The rule set named in the first 64 bytes of the body, for the commands that act on one.
uint32_t namedRuleSet(CommandContext& ctx, size_t bodySize, std::string& name, RuleSet*& rs, Filter*& f) {
    if (!ctx.body.has(0, bodySize)) return Status::kBufferTooSmall;
    uint32_t st = readName(ctx.body, 0, name);
    if (st != Status::kOk) return st;
    if (!hasRuleSet(ctx.filter(), name)) return Status::kNoRuleSet;
    f = ctx.state.obtain(ctx.port);
    rs = &f->ruleSets.find(name)->second;
    return Status::kOk;
}

}  // namespace

// Request: the 176-byte head (name at 64, rule count at 136, flags at 140) and the rule records. A
// named rule set is created or replaced (its jump target stays); an empty name installs the roots.
// Reply: the flags with bits 0 and 1 cleared, the transaction id at 144 and word at 160.
uint32_t handleCreateRuleSet(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, RuleSetBody::kHeadSize)) return Status::kBadMessage;
    std::string name;
    uint32_t st = readName(b, RuleSetBody::kOffName, name);
    if (st != Status::kOk) return st;
    uint32_t count = 0;
    b.u32(RuleSetBody::kOffCount, count);
    const size_t ruleBytes = b.size() - RuleSetBody::kHeadSize;
    // The count must describe exactly the records that follow.
    if (ruleBytes % kRuleRecordSize != 0 || ruleBytes / kRuleRecordSize != count) return Status::kBadMessage;

    std::vector<Window> records;
    records.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        records.push_back(b.sub(RuleSetBody::kHeadSize + size_t(i) * kRuleRecordSize, kRuleRecordSize));
    if (name.empty()) return installRoots(ctx, records);

    const Filter* current = ctx.filter();
    for (const Window& rec : records) {
        RuleView v;
        if ((st = readRule(rec, v)) != Status::kOk) return st;
        if (!v.jumps) continue;
        if (v.target == name) return Status::kInvalidRuleTarget;
        if (!hasRuleSet(current, v.target)) return Status::kMissingJumpTarget;
    }

    Filter* f = ctx.state.obtain(ctx.port);
    if (!f) return Status::kOutOfMemory;
    RuleSet rs;
    rs.name = name;
    auto old = f->ruleSets.find(name);
    if (old != f->ruleSets.end()) rs.jumpTarget = old->second.jumpTarget;
    rs.rules.reserve(count);
    for (const Window& rec : records) rs.rules.emplace_back(rec.data(), rec.data() + rec.size());
    if (!ctx.state.putRuleSet(*f, std::move(rs))) return Status::kOutOfMemory;
    const RuleSet& kept = f->ruleSets.find(name)->second;
    writeTransaction(b, kept.generation, count, static_cast<uint32_t>(f->ruleSets.size()), kept.realizationTime);
    return Status::kOk;
}

// Request: 132 zero bytes. Reply: the layer-3 root name at 0, the layer-2 root name at 64 and at 128
// the number of jump rules that installed them.
uint32_t handleGetRootRuleSet(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, kGetRootSize)) return Status::kBufferTooSmall;
    const Filter* f = ctx.filter();
    const bool nul = !ctx.reply.noNul();
    b.putText(0, kRuleSetNameWidth, f ? f->l3Root : std::string(), nul);
    b.putText(kRuleSetNameWidth, kRuleSetNameWidth, f ? f->l2Root : std::string(), nul);
    b.putU32(2 * kRuleSetNameWidth, (f ? static_cast<uint32_t>(f->rootRules.size()) : 0) + ctx.reply.lie());
    return Status::kOk;
}

// Request: the name and a result word. The rule set keeps its name and jump target and loses its
// rules; the result word tells how many.
uint32_t handleClearRuleSet(CommandContext& ctx) {
    std::string name;
    RuleSet* rs = nullptr;
    Filter* f = nullptr;
    uint32_t st = namedRuleSet(ctx, kClearSize, name, rs, f);
    if (st != Status::kOk) return st;
    const uint32_t removed = static_cast<uint32_t>(rs->rules.size());
    RuleSet emptied;
    emptied.name = name;
    emptied.jumpTarget = rs->jumpTarget;
    if (!ctx.state.putRuleSet(*f, std::move(emptied))) return Status::kOutOfMemory;
    ctx.body.putU32(kNameSize, removed + ctx.reply.lie());
    return Status::kOk;
}

// Request: the name. A rule set that a root, a jump target or a jump rule still leads to stays.
uint32_t handleDestroyRuleSet(CommandContext& ctx) {
    std::string name;
    RuleSet* rs = nullptr;
    Filter* f = nullptr;
    uint32_t st = namedRuleSet(ctx, kNameSize, name, rs, f);
    if (st != Status::kOk) return st;
    if (referenced(*f, name)) return Status::kBadUpdate;
    ctx.state.dropRuleSet(*f, name);
    return Status::kOk;
}

// Request: a zero word. The filter has no roots afterwards.
uint32_t handleClearRootRuleSet(CommandContext& ctx) {
    if (!ctx.body.has(0, kWordSize)) return Status::kBufferTooSmall;
    const Filter* current = ctx.filter();
    if (!current) return Status::kOk;
    Filter* f = ctx.state.obtain(ctx.port);
    f->l3Root.clear();
    f->l2Root.clear();
    f->rootRules.clear();
    return Status::kOk;
}

// Request: a zero word. Every rule set of the filter goes, and with them the roots.
uint32_t handleDestroyAllRuleSet(CommandContext& ctx) {
    if (!ctx.body.has(0, kWordSize)) return Status::kBufferTooSmall;
    if (!ctx.filter()) return Status::kOk;
    Filter* f = ctx.state.obtain(ctx.port);
    while (!f->ruleSets.empty()) ctx.state.dropRuleSet(*f, f->ruleSets.begin()->first);
    f->l3Root.clear();
    f->l2Root.clear();
    f->rootRules.clear();
    return Status::kOk;
}

// Request: the name and the target's name. The target must exist and must not lead back.
uint32_t handleSetRuleSetJump(CommandContext& ctx) {
    std::string name, target;
    RuleSet* rs = nullptr;
    Filter* f = nullptr;
    uint32_t st = namedRuleSet(ctx, kJumpSize, name, rs, f);
    if (st != Status::kOk) return st;
    if ((st = readName(ctx.body, kRuleSetNameWidth, target)) != Status::kOk) return st;
    if (target.empty()) return Status::kInvalidArgument;
    if (!hasRuleSet(f, target)) return Status::kMissingJumpTarget;
    if (jumpLeadsTo(*f, target, name)) return Status::kInvalidRuleTarget;
    if (rs->jumpTarget != target) {
        rs->jumpTarget = target;
        touch(*rs);
    }
    return Status::kOk;
}

// Request: the name and 64 zero bytes. Reply: the name stays, the jump target follows at 64.
uint32_t handleGetRuleSetJump(CommandContext& ctx) {
    std::string name;
    RuleSet* rs = nullptr;
    Filter* f = nullptr;
    uint32_t st = namedRuleSet(ctx, kJumpSize, name, rs, f);
    if (st != Status::kOk) return st;
    ctx.body.putText(kRuleSetNameWidth, kRuleSetNameWidth, rs->jumpTarget, !ctx.reply.noNul());
    return Status::kOk;
}

// Request: the name. The rule set has no jump target afterwards.
uint32_t handleClearRuleSetJump(CommandContext& ctx) {
    std::string name;
    RuleSet* rs = nullptr;
    Filter* f = nullptr;
    uint32_t st = namedRuleSet(ctx, kNameSize, name, rs, f);
    if (st != Status::kOk) return st;
    if (!rs->jumpTarget.empty()) {
        rs->jumpTarget.clear();
        touch(*rs);
    }
    return Status::kOk;
}

}  // namespace KestSim
