// Containers, the domain-to-address and domain-to-UUID maps, the user-to-SID map, the DNS caching
// profile and the FQDN filtering state.
//
// Every request is checked whole before anything changes: counts must agree with the bytes the body
// carries, so a short or padded body is "bad message" and leaves the filter as it was. Loads replace:
// a domain's addresses, a domain's UUIDs and values, a user's group SIDs, the DNS profile and a
// container of the same name are each replaced by what the request carries. Reads answer into the
// room the request's body offers and never claim more than they wrote.
#include <algorithm>
#include <cstring>
#include <utility>

#include "sim/engine/SimHandlers.h"

namespace KestSim {

namespace {

constexpr size_t kSidSize = 72;
constexpr size_t kUuidSize = 16;

// The identity state of the port's filter for a change; null when no filter can be had.
IdentityState* changeable(CommandContext& ctx) {
    Filter* f = ctx.state.obtain(ctx.port);
    return f ? &f->identity : nullptr;
}

// The identity state for a read; an untouched filter reads as empty.
const IdentityState& readable(CommandContext& ctx) {
    static const IdentityState kEmpty;
    const Filter* f = ctx.filter();
    return f ? f->identity : kEmpty;
}

namespace Container {
constexpr size_t kOffCount = 46;
constexpr size_t kOffType = 50;
constexpr size_t kOffChainSize = 54;
constexpr size_t kOffTransactionId = 62;
constexpr size_t kOffTransactionWord = 78;
constexpr size_t kHeadSize = 94;
constexpr size_t kChainHeader = 12;
constexpr size_t kElemHeader = 8;
// Read request.
constexpr size_t kOffGetType = 38;
constexpr size_t kOffGetMax = 42;
constexpr size_t kGetHead = 70;
}  // namespace Container

// Walks `count` elements of an element area; false when one runs past it or bytes are left over.
bool wellFormedElements(const Window& area, uint32_t count) {
    size_t pos = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t len = 0;
        if (!area.u32(pos + 4, len) || !area.has(pos + Container::kElemHeader, len)) return false;
        pos += Container::kElemHeader + len;
    }
    return pos == area.size();
}

uint32_t readContainerName(const Window& b, std::string& name) {
    bool terminated = false;
    if (!b.text(0, kAddrSetNameWidth, name, &terminated)) return Status::kBadMessage;
    if (!terminated || name.empty()) return IdentityStatus::kInvalidContainerName;
    return Status::kOk;
}

namespace DomainUuid {
constexpr size_t kHeadSize = 5;
constexpr size_t kRecordSize = 284;
constexpr size_t kDomainWidth = 255;
constexpr size_t kOffFlag = 255;
constexpr size_t kOffInfo = 256;
constexpr size_t kOffInfoWord = 264;
constexpr size_t kOffValue = 268;
constexpr size_t kOffUuidCount = 276;
constexpr size_t kOffValueWord = 280;
// Read request.
constexpr size_t kOffRoom = 10;
constexpr size_t kOffCount = 14;
constexpr size_t kGetHead = 18;
constexpr uint8_t kOpFetch = 3;
}  // namespace DomainUuid

namespace Uid2Sid {
constexpr size_t kOffStatus = 0;
constexpr size_t kOffOp = 4;
constexpr size_t kOffCount = 8;
constexpr size_t kOffValue = 12;
constexpr size_t kOffUser = 16;
constexpr size_t kHeadSize = 88;
// Read request and reply.
constexpr size_t kOffGetCount = 4;
constexpr size_t kOffGetStart = 8;
constexpr size_t kOffEntries = 12;
constexpr size_t kEntryHead = 92;
constexpr size_t kGetHead = 84;
}  // namespace Uid2Sid

size_t userEntrySize(const SimUserSids& u) { return Uid2Sid::kEntryHead + u.groups.size(); }

}  // namespace

// ---- Containers --------------------------------------------------------------------------------------------

// Request: name, a value, element count, container type, chain size, flags, transaction, chain. Reply:
// the transaction the module recorded the container under (generation, element count, type, 0) and the
// generation; the flags are answered as sent: the change is complete.
uint32_t handleCreateContainer(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, Container::kHeadSize)) return Status::kBadMessage;
    std::string name;
    if (uint32_t s = readContainerName(b, name)) return s;
    uint32_t count = 0, type = 0, chainSize = 0;
    b.u32(Container::kOffCount, count);
    b.u32(Container::kOffType, type);
    b.u32(Container::kOffChainSize, chainSize);
    if (chainSize < Container::kChainHeader || chainSize != b.size() - Container::kHeadSize) return Status::kBadMessage;
    const Window chain = b.sub(Container::kHeadSize, chainSize);
    uint32_t chainType = 0, chainCount = 0, area = 0;
    chain.u32(0, chainType);
    chain.u32(4, chainCount);
    chain.u32(8, area);
    if (chainType != type || chainCount != count || area != chainSize - Container::kChainHeader)
        return Status::kBadMessage;
    const Window elements = chain.sub(Container::kChainHeader, area);
    if (!wellFormedElements(elements, count)) return Status::kBadMessage;

    IdentityState* id = changeable(ctx);
    if (!id) return Status::kOutOfMemory;
    SimContainer c;
    c.type = type;
    c.count = count;
    c.elements.assign(elements.data(), elements.data() + elements.size());
    c.generation = ++id->generation;
    b.putU32(Container::kOffTransactionId, c.generation);
    b.putU32(Container::kOffTransactionId + 4, count);
    b.putU32(Container::kOffTransactionId + 8, type);
    b.putU32(Container::kOffTransactionId + 12, 0);
    b.putU32(Container::kOffTransactionWord, c.generation);
    id->containers[name] = std::move(c);
    return Status::kOk;
}

// Request: name, type, largest number of elements, 0; reply: the chain from 70 with as many whole
// elements as the body's room and the largest number allow.
uint32_t handleGetElementsOfContainer(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, Container::kGetHead + Container::kChainHeader)) return Status::kBadMessage;
    std::string name;
    if (uint32_t s = readContainerName(b, name)) return s;
    uint32_t type = 0, max = 0;
    b.u32(Container::kOffGetType, type);
    b.u32(Container::kOffGetMax, max);
    const IdentityState& id = readable(ctx);
    auto it = id.containers.find(name);
    if (it == id.containers.end() || it->second.type != type) return IdentityStatus::kInvalidContainerName;
    const SimContainer& c = it->second;

    const Window room = b.sub(Container::kGetHead, b.size() - Container::kGetHead);
    const Window stored(const_cast<uint8_t*>(c.elements.data()), c.elements.size());
    size_t pos = 0;
    uint32_t n = 0;
    while (n < c.count && n < max) {
        uint32_t len = 0;
        stored.u32(pos + 4, len);
        const size_t next = pos + Container::kElemHeader + len;
        if (!room.has(Container::kChainHeader, next)) break;
        pos = next;
        ++n;
    }
    room.store(Container::kChainHeader, c.elements.data(), pos);
    room.putU32(0, c.type);
    room.putU32(4, n);
    room.putU32(8, uint32_t(pos));
    return Status::kOk;
}

// ---- Domain to addresses -----------------------------------------------------------------------------------

// Request: address count, body size less 8, domain length with NUL, the domain, then per address a
// time-to-live and a record. The domain's addresses are replaced; none at all forgets the domain.
uint32_t handleAddDomain2IPMapping(CommandContext& ctx) {
    const Window& b = ctx.body;
    uint32_t count = 0, rest = 0;
    uint16_t len = 0;
    if (!b.u32(0, count) || !b.u32(4, rest) || !b.u16(8, len)) return Status::kBadMessage;
    const uint64_t need = 10 + uint64_t(len) + uint64_t(count) * (4 + kAddressRecordSize);
    if (len < 2 || rest != b.size() - 8 || need != b.size()) return Status::kBadMessage;
    std::string domain;
    bool terminated = false;
    b.text(10, len, domain, &terminated);
    if (!terminated || domain.size() != size_t(len) - 1) return Status::kBadMessage;

    std::vector<SimDomainAddress> addresses;
    addresses.reserve(count);
    size_t pos = 10 + len;
    for (uint32_t i = 0; i < count; ++i, pos += 4 + kAddressRecordSize) {
        uint32_t ttl = 0;
        b.u32(pos, ttl);
        const uint8_t* rec = b.data() + pos + 4;
        addresses.emplace_back(ttl, std::vector<uint8_t>(rec, rec + kAddressRecordSize));
    }
    IdentityState* id = changeable(ctx);
    if (!id) return Status::kOutOfMemory;
    if (addresses.empty())
        id->domainAddresses.erase(domain);
    else
        id->domainAddresses[domain] = std::move(addresses);
    return Status::kOk;
}

// ---- Domain to UUIDs ---------------------------------------------------------------------------------------

// Request: 1 deletes / 0 adds, record count, records each followed by its UUIDs. An added domain's UUIDs
// and values replace what it had; a deleted domain that is not there is no fault.
uint32_t handleModifyDomainUuidMap(CommandContext& ctx) {
    const Window& b = ctx.body;
    uint8_t op = 0;
    uint32_t count = 0;
    if (!b.u8(0, op) || !b.u32(1, count) || op > 1) return Status::kBadMessage;
    std::vector<std::pair<std::string, SimDomainUuids>> parsed;
    size_t pos = DomainUuid::kHeadSize;
    for (uint32_t i = 0; i < count; ++i) {
        if (!b.has(pos, DomainUuid::kRecordSize)) return Status::kBadMessage;
        std::string domain;
        bool terminated = false;
        b.text(pos, DomainUuid::kDomainWidth, domain, &terminated);
        if (!terminated || domain.empty()) return Status::kBadMessage;
        SimDomainUuids e;
        uint32_t uuids = 0;
        b.u64(pos + DomainUuid::kOffValue, e.value);
        b.u32(pos + DomainUuid::kOffUuidCount, uuids);
        b.u32(pos + DomainUuid::kOffValueWord, e.valueWord);
        pos += DomainUuid::kRecordSize;
        if (uuids > (b.size() - pos) / kUuidSize) return Status::kBadMessage;
        for (uint32_t k = 0; k < uuids; ++k, pos += kUuidSize) {
            SimUuid u;
            b.load(pos, u.data(), u.size());
            e.uuids.insert(u);
        }
        parsed.emplace_back(std::move(domain), std::move(e));
    }
    if (pos != b.size()) return Status::kBadMessage;

    IdentityState* id = changeable(ctx);
    if (!id) return Status::kOutOfMemory;
    for (auto& p : parsed) {
        if (op == 1) {
            id->domainUuids.erase(p.first);
            continue;
        }
        p.second.generation = ++id->generation;
        id->domainUuids[p.first] = std::move(p.second);
    }
    return Status::kOk;
}

// Request: operation, flag, two numbers, room. A fetch (operation 3) answers the records that fit the
// room from 18, each with byte 255 set, its generation at 256 and its UUID count at 264; any other
// operation answers the number of domains at 14 and the room all of them need at 10.
uint32_t handleGetDomainUuidMap(CommandContext& ctx) {
    const Window& b = ctx.body;
    uint8_t op = 0;
    uint32_t room = 0;
    if (!b.u8(0, op) || !b.u32(DomainUuid::kOffRoom, room) || !b.has(DomainUuid::kGetHead, 0))
        return Status::kBadMessage;
    const size_t avail = std::min<size_t>(room, b.size() - DomainUuid::kGetHead);
    const IdentityState& id = readable(ctx);
    if (op != DomainUuid::kOpFetch) {
        uint64_t need = 0;
        for (const auto& d : id.domainUuids) need += DomainUuid::kRecordSize + d.second.uuids.size() * kUuidSize;
        b.putU32(DomainUuid::kOffCount, uint32_t(id.domainUuids.size()));
        b.putU32(DomainUuid::kOffRoom, uint32_t(std::min<uint64_t>(need, 0xFFFFFFFFu)));
        return Status::kOk;
    }
    const Window out = b.sub(DomainUuid::kGetHead, avail);
    size_t pos = 0;
    uint32_t n = 0;
    for (const auto& d : id.domainUuids) {
        const size_t size = DomainUuid::kRecordSize + d.second.uuids.size() * kUuidSize;
        if (!out.has(pos, size)) break;
        out.fill(pos, 0, size);
        out.putText(pos, DomainUuid::kDomainWidth, d.first);
        out.putU8(pos + DomainUuid::kOffFlag, 1);
        out.putU64(pos + DomainUuid::kOffInfo, d.second.generation);
        out.putU32(pos + DomainUuid::kOffInfoWord, uint32_t(d.second.uuids.size()));
        out.putU64(pos + DomainUuid::kOffValue, d.second.value);
        out.putU32(pos + DomainUuid::kOffUuidCount, uint32_t(d.second.uuids.size()));
        out.putU32(pos + DomainUuid::kOffValueWord, d.second.valueWord);
        size_t u = pos + DomainUuid::kRecordSize;
        for (const SimUuid& x : d.second.uuids) {
            out.store(u, x.data(), x.size());
            u += kUuidSize;
        }
        pos += size;
        ++n;
    }
    b.putU32(DomainUuid::kOffCount, n);
    return Status::kOk;
}

// ---- User to SIDs ------------------------------------------------------------------------------------------

// Request: status word, operation (0 adds), group count, a value, the user's SID, the group SIDs. An added
// user's groups and value replace what it had; deleting an unknown user is "failed to find uid to sid
// mapping". The status word answers the number of group SIDs the user now has.
uint32_t handleSetUid2SidMapping(CommandContext& ctx) {
    const Window& b = ctx.body;
    uint32_t op = 0, count = 0, value = 0;
    if (!b.has(0, Uid2Sid::kHeadSize)) return Status::kBadMessage;
    b.u32(Uid2Sid::kOffOp, op);
    b.u32(Uid2Sid::kOffCount, count);
    b.u32(Uid2Sid::kOffValue, value);
    if (uint64_t(Uid2Sid::kHeadSize) + uint64_t(count) * kSidSize != b.size()) return Status::kBadMessage;
    const std::vector<uint8_t> user(b.data() + Uid2Sid::kOffUser, b.data() + Uid2Sid::kOffUser + kSidSize);
    IdentityState* id = changeable(ctx);
    if (!id) return Status::kOutOfMemory;
    if (op != 0) {
        if (id->userSids.erase(user) == 0) return IdentityStatus::kNoUid2SidMapping;
        b.putU32(Uid2Sid::kOffStatus, 0);
        return Status::kOk;
    }
    SimUserSids u;
    u.groups.assign(b.data() + Uid2Sid::kHeadSize, b.data() + b.size());
    u.value = value;
    id->userSids[user] = std::move(u);
    b.putU32(Uid2Sid::kOffStatus, count);
    return Status::kOk;
}

// Request: number of users wanted at 4, first user at 8; reply: the users that fit, from 12, each active,
// without connections, with its value as correlation identifier, then the number written at 4.
uint32_t handleGetUid2SidMapping(CommandContext& ctx) {
    const Window& b = ctx.body;
    uint32_t want = 0, start = 0;
    if (!b.has(0, Uid2Sid::kGetHead)) return Status::kBadMessage;
    b.u32(Uid2Sid::kOffGetCount, want);
    b.u32(Uid2Sid::kOffGetStart, start);
    const IdentityState& id = readable(ctx);
    size_t pos = Uid2Sid::kOffEntries;
    uint32_t n = 0, index = 0;
    for (const auto& u : id.userSids) {
        if (n == want) break;
        if (index++ < start) continue;
        const size_t size = userEntrySize(u.second);
        if (!b.has(pos, size)) break;
        b.fill(pos, 0, size);
        b.putU32(pos + 0, 1);
        b.putU32(pos + 4, uint32_t(u.second.groups.size() / kSidSize));
        b.putU32(pos + 16, u.second.value);
        b.store(pos + 20, u.first.data(), kSidSize);
        b.store(pos + Uid2Sid::kEntryHead, u.second.groups.data(), u.second.groups.size());
        pos += size;
        ++n;
    }
    b.putU32(Uid2Sid::kOffGetCount, n);
    return Status::kOk;
}

// Reply: number of users at 4 and the bytes all their entries take at 8.
uint32_t handleGetUid2SidMappingSize(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, Uid2Sid::kGetHead)) return Status::kBadMessage;
    const IdentityState& id = readable(ctx);
    uint64_t bytes = 0;
    for (const auto& u : id.userSids) bytes += userEntrySize(u.second);
    b.putU32(4, uint32_t(id.userSids.size()));
    b.putU32(8, uint32_t(std::min<uint64_t>(bytes, 0xFFFFFFFFu)));
    return Status::kOk;
}

// ---- DNS profile -------------------------------------------------------------------------------------------

namespace Dns {
constexpr size_t kOffMode = 4;
constexpr size_t kOffTTL = 5;
constexpr size_t kOffCount = 9;
constexpr size_t kHeadSize = 13;
}  // namespace Dns

uint32_t handleSetDnsConfigProfile(CommandContext& ctx) {
    const Window& b = ctx.body;
    SimDnsProfile p;
    uint32_t count = 0;
    if (!b.u8(Dns::kOffMode, p.mode) || !b.u32(Dns::kOffTTL, p.ttl) || !b.u32(Dns::kOffCount, count))
        return Status::kBadMessage;
    if (uint64_t(Dns::kHeadSize) + uint64_t(count) * kAddressRecordSize != b.size()) return Status::kBadMessage;
    p.servers.assign(b.data() + Dns::kHeadSize, b.data() + b.size());
    IdentityState* id = changeable(ctx);
    if (!id) return Status::kOutOfMemory;
    id->dns = std::move(p);
    return Status::kOk;
}

uint32_t handleGetDnsConfigProfile(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, Dns::kHeadSize)) return Status::kBadMessage;
    const SimDnsProfile& p = readable(ctx).dns;
    b.putU8(Dns::kOffMode, p.mode);
    b.putU32(Dns::kOffTTL, p.ttl);
    return Status::kOk;
}

// ---- FQDN filtering state: the domains the module learned addresses for ------------------------------------

uint32_t handleDeleteFqdnTree(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, 4)) return Status::kBadMessage;
    uint32_t dropped = 0;
    if (ctx.filter()) {
        IdentityState* id = changeable(ctx);
        dropped = uint32_t(id->domainAddresses.size());
        id->domainAddresses.clear();
    }
    b.putU32(0, dropped);
    return Status::kOk;
}

uint32_t handleGetFqdnCount(CommandContext& ctx) {
    const Window& b = ctx.body;
    if (!b.has(0, 4)) return Status::kBadMessage;
    b.putU32(0, uint32_t(readable(ctx).domainAddresses.size()));
    return Status::kOk;
}

// Request: the address family (1 IPv4, 2 IPv6) at 0, the address at 4; reply: how many domains resolved
// to that address at 171, and how many UUIDs those domains have at 175.
uint32_t handleGetFqdnEntries(CommandContext& ctx) {
    const Window& b = ctx.body;
    uint16_t family = 0;
    if (!b.has(0, 179) || !b.u16(0, family) || (family != 1 && family != 2)) return Status::kBadMessage;
    const size_t len = family == 1 ? 4 : 16;
    const IdentityState& id = readable(ctx);
    uint32_t domains = 0, uuids = 0;
    for (const auto& d : id.domainAddresses) {
        bool match = false;
        for (const SimDomainAddress& a : d.second) {
            const uint16_t type = uint16_t(a.second[0] | a.second[1] << 8);
            if (type == family && memcmp(a.second.data() + 4, b.data() + 4, len) == 0) match = true;
        }
        if (!match) continue;
        ++domains;
        auto u = id.domainUuids.find(d.first);
        if (u != id.domainUuids.end()) uuids += uint32_t(u->second.uuids.size());
    }
    b.putU32(171, domains);
    b.putU32(175, uuids);
    return Status::kOk;
}

// The entries reserved after the 413-byte head are left as sent: the module keeps no per-address UUID list.
uint32_t handleGetUuid(CommandContext& ctx) {
    const Window& b = ctx.body;
    uint32_t count = 0;
    if (!b.u32(405, count) || uint64_t(413) + uint64_t(count) * 1090 != b.size()) return Status::kBadMessage;
    return Status::kOk;
}

}  // namespace KestSim
