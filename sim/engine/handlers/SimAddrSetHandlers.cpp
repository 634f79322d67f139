// Address sets, the shared-set switch and the chunks of the IP-reputation database.
//
// A set is kept under its name with the member records exactly as they arrived, so that queries can
// hand them back. The create body carries no kind: the module takes it from the members (IP forms,
// Ethernet forms, attribute matches, SIDs) and refuses a set that mixes them, or a member that cannot
// sit in any set, with "invalid addrset type".
#include <utility>

#include "sim/engine/SimHandlers.h"

namespace KestSim {

namespace {

// Create body: the fixed part in front of the member records.
namespace Create {
constexpr size_t kOffCount = 46;
constexpr size_t kOffOne = 50;
constexpr size_t kOffMemberBytes = 54;
constexpr size_t kOffTransactionId = 62;
constexpr size_t kOffTransactionWord = 78;
constexpr size_t kHeadSize = 94;
}  // namespace Create

// Clear and destroy bodies: the name, then the result word.
constexpr size_t kOffResult = kAddrSetNameWidth;
constexpr size_t kClearSize = 46;
constexpr size_t kDestroySize = 42;

// Reputation-chunk bodies: chunk number, entry count, database id, entries.
namespace Chunk {
constexpr size_t kOffNumber = 0;
constexpr size_t kOffCount = 4;
constexpr size_t kOffDatabase = 8;
constexpr size_t kHeadSize = 24;
constexpr size_t kOffEntryMaskLen = 12;  // inside an entry
constexpr uint8_t kMaxMaskLen = 32;
}  // namespace Chunk

// Set kinds.
constexpr uint32_t kKindIp = 1;
constexpr uint32_t kKindMac = 2;
constexpr uint32_t kKindAttr = 4;
constexpr uint32_t kKindSid = 15;

// The kind of set a member of address type `type` belongs to; 0 when it belongs to none (set
// references, unsigned attribute matches, lists, unknown codes).
uint32_t kindOfMember(uint16_t type) {
    if (type <= 6) return kKindIp;                   // any, IPv4/IPv6 hosts, ranges, networks
    if (type <= 9) return kKindMac;                  // Ethernet address, range, mask
    if (type == 12 || type == 14) return kKindAttr;  // signed-integer and string attribute matches
    if (type == 15) return kKindSid;
    return 0;
}

// The set name at the start of a body. Status 0, or why the name is refused.
uint32_t readName(const Window& body, std::string& name) {
    bool terminated = false;
    if (!body.text(0, kAddrSetNameWidth, name, &terminated)) return Status::kBadMessage;
    if (!terminated) return Status::kNameTooLong;
    if (name.empty()) return Status::kInvalidArgument;
    return Status::kOk;
}

// The set of the port's filter named at the start of a body of at least `size` bytes.
uint32_t findSet(CommandContext& ctx, size_t size, Filter*& filter, std::string& name) {
    if (!ctx.body.has(0, size)) return Status::kBadMessage;
    if (uint32_t s = readName(ctx.body, name)) return s;
    filter = ctx.filter() ? ctx.state.obtain(ctx.port) : nullptr;
    if (!filter || !filter->addrSets.count(name)) return Status::kNoAddrSet;
    return Status::kOk;
}

}  // namespace

// Request: name, request word, member count n, the constant 1, n x 144, flags, transaction id and word,
// then n member records. Reply in the same body: the request as sent, with the transaction the module
// recorded the change under: id words (generation, member count, kind, realization time's low 32 bits)
// and word (generation). The flags byte at 58 is answered as sent: the change is complete.
uint32_t handleCreateAddrSet(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, Create::kHeadSize)) return Status::kBadMessage;
    std::string name;
    if (uint32_t s = readName(b, name)) return s;
    uint32_t count = 0, one = 0, memberBytes = 0;
    b.u32(Create::kOffCount, count);
    b.u32(Create::kOffOne, one);
    b.u32(Create::kOffMemberBytes, memberBytes);
    const uint64_t need = uint64_t(count) * kAddressRecordSize;
    if (one != 1 || need != memberBytes || !b.has(Create::kHeadSize, memberBytes)) return Status::kBadMessage;

    uint32_t kind = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t type = 0;
        b.u16(Create::kHeadSize + size_t(i) * kAddressRecordSize, type);
        uint32_t k = kindOfMember(type);
        if (k == 0 || (kind != 0 && k != kind)) return Status::kInvalidAddrSetType;
        kind = k;
    }

    Filter* f = ctx.state.obtain(ctx.port);
    if (!f) return Status::kOutOfMemory;
    auto old = f->addrSets.find(name);
    if (old != f->addrSets.end()) {
        // A set keeps its kind for the rules that refer to it; only an empty replacement is neutral.
        if (kind != 0 && kind != old->second.kind) return Status::kInvalidAddrSetType;
        kind = old->second.kind;
    }
    AddrSet as;
    as.name = name;
    as.kind = kind != 0 ? kind : kKindIp;
    as.members.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* rec = b.data() + Create::kHeadSize + size_t(i) * kAddressRecordSize;
        as.members.emplace_back(rec, rec + kAddressRecordSize);
    }
    if (!ctx.state.putAddrSet(*f, std::move(as))) return Status::kOutOfMemory;

    const AddrSet& now = f->addrSets.at(name);
    b.putU32(Create::kOffTransactionId, now.generation);
    b.putU32(Create::kOffTransactionId + 4, static_cast<uint32_t>(now.members.size()));
    b.putU32(Create::kOffTransactionId + 8, now.kind);
    b.putU32(Create::kOffTransactionId + 12, static_cast<uint32_t>(now.realizationTime));
    b.putU64(Create::kOffTransactionWord, now.generation);
    return Status::kOk;
}

// Request: name, a zero word, 4 zero bytes. The set loses its members (a new generation); the result
// word at 38 tells how many it had.
uint32_t handleClearAddrSet(CommandContext& ctx) {
    Filter* f = nullptr;
    std::string name;
    if (uint32_t s = findSet(ctx, kClearSize, f, name)) return s;
    AddrSet emptied = f->addrSets.at(name);
    uint32_t removed = static_cast<uint32_t>(emptied.members.size());
    emptied.members.clear();
    if (!ctx.state.putAddrSet(*f, std::move(emptied))) return Status::kOutOfMemory;
    ctx.body.putU32(kOffResult, removed + ctx.reply.lie());
    return Status::kOk;
}

// Request: name, a zero word. The result word at 38 tells how many members the set had.
uint32_t handleDestroyAddrSet(CommandContext& ctx) {
    Filter* f = nullptr;
    std::string name;
    if (uint32_t s = findSet(ctx, kDestroySize, f, name)) return s;
    uint32_t members = static_cast<uint32_t>(f->addrSets.at(name).members.size());
    ctx.state.dropAddrSet(*f, name);
    ctx.body.putU32(kOffResult, members + ctx.reply.lie());
    return Status::kOk;
}

// Request: a zero word. Reply in it: how many sets were destroyed.
uint32_t handleDestroyAllAddrSet(CommandContext& ctx) {
    if (!ctx.body.has(0, 4)) return Status::kBadMessage;
    uint32_t destroyed = 0;
    Filter* f = ctx.filter() ? ctx.state.obtain(ctx.port) : nullptr;
    while (f && !f->addrSets.empty()) {
        ctx.state.dropAddrSet(*f, f->addrSets.begin()->first);
        ++destroyed;
    }
    ctx.body.putU32(0, destroyed + ctx.reply.lie());
    return Status::kOk;
}

// Request: a word whose bit 0 switches shared sets on; any other bit is refused.
uint32_t handleConfigSharedAddrSet(CommandContext& ctx) {
    uint32_t word = 0;
    if (!ctx.body.u32(0, word)) return Status::kBadMessage;
    if (word & ~1u) return Status::kInvalidArgument;
    Filter* f = ctx.state.obtain(ctx.port);
    if (!f) return Status::kOutOfMemory;
    f->sharedAddrSets = (word & 1u) != 0;
    return Status::kOk;
}

// Request: chunk number, entry count n, database id, n entries of 16 bytes. Loads or replaces the
// chunk; an entry whose prefix length exceeds 32 refuses the whole chunk.
uint32_t handleCreateIpRepChunk(CommandContext& ctx) {
    const Window& b = ctx.body;
    uint32_t number = 0, count = 0;
    if (!b.u32(Chunk::kOffNumber, number) || !b.u32(Chunk::kOffCount, count) || !b.has(0, Chunk::kHeadSize))
        return Status::kBadMessage;
    const uint64_t bytes = uint64_t(count) * kIpRepEntrySize;
    if (!b.has(Chunk::kHeadSize, bytes)) return Status::kBadMessage;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t maskLen = 0;
        b.u8(Chunk::kHeadSize + size_t(i) * kIpRepEntrySize + Chunk::kOffEntryMaskLen, maskLen);
        if (maskLen > Chunk::kMaxMaskLen) return Status::kInvalidArgument;
    }
    Filter* f = ctx.state.obtain(ctx.port);
    if (!f) return Status::kOutOfMemory;
    IpRepChunk chunk;
    b.load(Chunk::kOffDatabase, chunk.database.data(), chunk.database.size());
    const uint8_t* entries = b.data() + Chunk::kHeadSize;
    chunk.entries.assign(entries, entries + bytes);
    return ctx.state.putIpRepChunk(*f, number, std::move(chunk)) ? Status::kOk : Status::kOutOfMemory;
}

// Request: chunk number, a zero word, 16 zero bytes. A chunk that is not loaded is refused.
uint32_t handleDestroyIpRepChunk(CommandContext& ctx) {
    uint32_t number = 0;
    if (!ctx.body.has(0, Chunk::kHeadSize) || !ctx.body.u32(Chunk::kOffNumber, number)) return Status::kBadMessage;
    Filter* f = ctx.filter() ? ctx.state.obtain(ctx.port) : nullptr;
    if (!f || !ctx.state.dropIpRepChunk(*f, number)) return Status::kInvalidArgument;
    return Status::kOk;
}

}  // namespace KestSim
