// The load balancer's two-step reads: the size records the module fills from the services tests seeded,
// and the data reads laid out from the counts the request carries. A lying reply (fault plan) claims
// more virtual servers for the first service than were asked for, without writing them.
#include <algorithm>
#include <cstring>

#include "sim/engine/SimHandlers.h"

namespace KestSim {

namespace {

// Configuration read.
constexpr uint32_t kCfgSizeRecord = 20073;
constexpr uint32_t kCfgSzServices = 73;
constexpr uint32_t kCfgMaxServices = 1000;
constexpr uint32_t kCfgHeader = 485;
constexpr uint32_t kService = 465, kVs = 201, kPool = 128, kMember = 70, kLsp = 52;
constexpr uint32_t kSvcCounts = 428;
// Statistics read.
constexpr uint32_t kStatRecord = 30141;
constexpr uint32_t kStServices = 157, kStStride = 60;
constexpr uint32_t kStMaxServices = (kStatRecord - kStServices) / kStStride;
constexpr uint32_t kStVs = 488, kStPool = 225, kStMember = 359;

uint64_t areaSize(uint32_t vs, uint32_t pools, uint32_t members, uint32_t lspc, uint32_t lspa) {
    return kService + uint64_t(kVs) * vs + uint64_t(kPool) * pools + uint64_t(kMember) * members +
           uint64_t(kLsp) * (uint64_t(lspc) + lspa);
}

void putName(const Window& w, size_t off, size_t width, const std::string& s) {
    w.fill(off, 0, width);
    w.store(off, s.data(), std::min(s.size(), width - 1));
}

void putUuid(const Window& w, size_t off, uint32_t id, uint32_t item) {
    w.putU32(off, 0x6c620000u + id);
    w.putU32(off + 4, item);
    w.putU32(off + 8, 0);
    w.putU32(off + 12, 0x00000001u);
}

}  // namespace

uint32_t handleGetLBConfigSize(CommandContext& ctx) {
    if (!ctx.body.has(0, kCfgSizeRecord)) return Status::kBufferTooSmall;
    const auto& lb = ctx.state.settings.lb;
    uint32_t n = uint32_t(std::min<size_t>(lb.size(), kCfgMaxServices));
    ctx.body.putU32(0, n);
    for (uint32_t i = 0; i < n; ++i) {
        size_t off = kCfgSzServices + size_t(i) * 20;
        ctx.body.putU32(off, lb[i].vs);
        ctx.body.putU32(off + 4, lb[i].pools);
        ctx.body.putU32(off + 8, lb[i].members);
        ctx.body.putU32(off + 12, lb[i].lspConfigured);
        ctx.body.putU32(off + 16, lb[i].lspApplied);
    }
    return Status::kOk;
}

uint32_t handleGetLBConfig(CommandContext& ctx) {
    uint32_t asked = 0;
    if (!ctx.body.has(0, kCfgHeader) || !ctx.body.u32(4, asked)) return Status::kBufferTooSmall;
    const auto& lb = ctx.state.settings.lb;
    uint32_t n = uint32_t(std::min<size_t>(lb.size(), asked));
    ctx.body.fill(80, 0, kCfgHeader - 80);
    ctx.body.putU64(80, lb.size());  // config updates received
    size_t area = kCfgHeader;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t room[5] = {0, 0, 0, 0, 0};
        for (int k = 0; k < 5; ++k) ctx.body.u32(area + kSvcCounts + 4 * k, room[k]);
        const LBService& s = lb[i];
        if (s.vs > room[0] || s.pools > room[1] || s.members > room[2] || s.lspConfigured > room[3] ||
            s.lspApplied > room[4])
            return Status::kBufferTooSmall;
        uint64_t roomSize = areaSize(room[0], room[1], room[2], room[3], room[4]);
        if (!ctx.body.has(area, roomSize)) return Status::kBufferTooSmall;
        Window a = ctx.body.sub(area, kService);
        a.fill(0, 0, kService);
        a.putU32(0, s.id);
        a.putU8(4, 1);
        a.putU32(6, 1);
        a.putU64(10, 3723);
        putUuid(a, 30, s.id, 0);
        putName(a, 46, 64, s.name);
        a.putU64(110, s.vs);  // current sessions
        uint32_t vsCount = s.vs + (i == 0 ? ctx.reply.lie() : 0);
        a.putU32(kSvcCounts, vsCount);
        a.putU32(kSvcCounts + 4, s.pools);
        a.putU32(kSvcCounts + 8, s.members);
        a.putU32(kSvcCounts + 12, s.lspConfigured);
        a.putU32(kSvcCounts + 16, s.lspApplied);
        size_t item = area + kService;
        for (uint32_t k = 0; k < s.vs; ++k, item += kVs) {
            Window v = ctx.body.sub(item, kVs);
            v.fill(0, 0, kVs);
            putName(v, 0, 64, "vs-" + std::to_string(k));
            putName(v, 64, 60, "10.0.0." + std::to_string(k + 1) + ":80");
            putName(v, 124, 64, "pool-0");
            v.putU8(192, 1);
            v.putU16(193, 300);
            v.putU16(195, 10);
        }
        for (uint32_t k = 0; k < s.pools; ++k, item += kPool) {
            Window p = ctx.body.sub(item, kPool);
            p.fill(0, 0, kPool);
            putName(p, 0, 64, "pool-" + std::to_string(k));
            p.putU32(64, s.vs);
            p.putU32(68, s.members);
        }
        for (uint32_t k = 0; k < s.members; ++k, item += kMember) {
            Window m = ctx.body.sub(item, kMember);
            m.fill(0, 0, kMember);
            putName(m, 0, 32, "pm-" + std::to_string(k));
            putName(m, 32, 32, "pool-0");
        }
        for (uint32_t k = 0; k < s.lspConfigured + s.lspApplied; ++k, item += kLsp) {
            Window l = ctx.body.sub(item, kLsp);
            l.fill(0, 0, kLsp);
            putName(l, 0, 47, "lsp-" + std::to_string(k));
        }
        area += roomSize;
    }
    ctx.body.putU32(4, n);
    return Status::kOk;
}

uint32_t handleGetLBStatSize(CommandContext& ctx) {
    if (!ctx.body.has(0, kStatRecord)) return Status::kBufferTooSmall;
    const auto& lb = ctx.state.settings.lb;
    uint32_t n = uint32_t(std::min<size_t>(lb.size(), kStMaxServices));
    ctx.body.putU32(4, n);
    for (uint32_t i = 0; i < n; ++i) {
        size_t off = kStServices + size_t(i) * kStStride;
        ctx.body.putU32(off, lb[i].vs);
        ctx.body.putU32(off + 4, lb[i].pools);
        ctx.body.putU32(off + 8, lb[i].members);
        putUuid(ctx.body, off + 12, lb[i].id, 0);
        ctx.body.putU32(off + 28, lb[i].id);
    }
    return Status::kOk;
}

uint32_t handleGetLBStat(CommandContext& ctx) {
    uint32_t asked = 0;
    if (!ctx.body.has(0, kStatRecord) || !ctx.body.u32(4, asked)) return Status::kBufferTooSmall;
    if (asked > kStMaxServices) return Status::kInvalidArgument;
    const auto& lb = ctx.state.settings.lb;
    uint32_t n = uint32_t(std::min<size_t>(lb.size(), asked));
    size_t area = kStatRecord;
    for (uint32_t i = 0; i < n; ++i) {
        size_t entry = kStServices + size_t(i) * kStStride;
        uint32_t room[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) ctx.body.u32(entry + 4 * k, room[k]);
        const LBService& s = lb[i];
        if (s.vs > room[0] || s.pools > room[1] || s.members > room[2]) return Status::kBufferTooSmall;
        uint64_t roomSize = uint64_t(kStVs) * room[0] + uint64_t(kStPool) * room[1] + uint64_t(kStMember) * room[2];
        if (!ctx.body.has(area, roomSize)) return Status::kBufferTooSmall;
        ctx.body.putU32(entry, s.vs + (i == 0 ? ctx.reply.lie() : 0));
        ctx.body.putU32(entry + 4, s.pools);
        ctx.body.putU32(entry + 8, s.members);
        putUuid(ctx.body, entry + 12, s.id, 0);
        ctx.body.putU32(entry + 28, s.id);
        size_t item = area;
        const uint32_t kinds[3][2] = {{s.vs, kStVs}, {s.pools, kStPool}, {s.members, kStMember}};
        for (const auto& kind : kinds)
            for (uint32_t k = 0; k < kind[0]; ++k, item += kind[1]) {
                Window w = ctx.body.sub(item, kind[1]);
                w.fill(0, 0, kind[1]);
                putUuid(w, 0, s.id, k + 1);
                w.putU16(16, 80);
                w.putU8(18, 6);
                w.putU64(24, 10 + k);  // rx packets
            }
        // The next service's items follow the room the request gave this one.
        area += roomSize;
    }
    ctx.body.putU32(4, n);
    return Status::kOk;
}

uint32_t handleClearLBStat(CommandContext& ctx) {
    uint8_t flags = 0;
    if (!ctx.body.has(0, kStatRecord) || !ctx.body.u8(140, flags)) return Status::kBufferTooSmall;
    ctx.state.settings.lbClearedFlags = flags & 0x0C;
    ctx.body.putU8(140, flags & 0x0C);
    return Status::kOk;
}

}  // namespace KestSim
