// Kernel-interface statistics and flags, debug switches, ALG queries, reputation lookups and the global
// settings. Switch bodies carry their setting in bit 0 of the first byte.
#include <algorithm>
#include <cstring>

#include "sim/engine/SimHandlers.h"

namespace KestSim {

namespace {

// The port's filter for a change; null when the filter limit is reached.
Filter* filterOf(CommandContext& ctx) { return ctx.state.obtain(ctx.port); }

uint32_t setSwitch(CommandContext& ctx, bool& setting) {
    uint8_t b = 0;
    if (!ctx.body.has(0, 4) || !ctx.body.u8(0, b)) return Status::kBufferTooSmall;
    setting = (b & 1) != 0;
    return Status::kOk;
}

uint32_t readSwitch(CommandContext& ctx, bool setting) {
    if (!ctx.body.has(0, 4)) return Status::kBufferTooSmall;
    ctx.body.fill(0, 0, 4);
    ctx.body.putU8(0, setting ? 1 : 0);
    return Status::kOk;
}

// The flag bits mirror the named flags: bit i is set while flag i is non-zero.
uint32_t flagBits(const KifSettings& k) {
    uint32_t bits = 0;
    for (size_t i = 0; i < k.flags.size() && i < 32; ++i)
        if (k.flags[i].second != 0) bits |= 1u << i;
    return bits;
}

// The module's application-level gateways and their ports, as records of the kernel's shape.
constexpr uint32_t kAlgRecord = 6, kAlgPortRecord = 40;
constexpr uint32_t kAlgCount = 3, kAlgPortCount = 2;

uint32_t algInfo(CommandContext& ctx, uint32_t recordSize, uint32_t count) {
    uint32_t room = 0;
    if (!ctx.body.has(0, 8) || !ctx.body.u32(0, room)) return Status::kBufferTooSmall;
    uint32_t fits = std::min<size_t>(room, ctx.body.size() - 8) / recordSize;
    uint32_t n = std::min(count, fits);
    for (uint32_t i = 0; i < n; ++i) {
        Window rec = ctx.body.sub(8 + size_t(i) * recordSize, recordSize);
        rec.fill(0, 0, recordSize);
        rec.putU16(0, uint16_t(i + 1));
        rec.putU16(2, uint16_t(i == 0 ? 21 : i == 1 ? 69 : 1521));  // ftp, tftp, oracle
    }
    // The count form (room 0) learns how many there are; a list learns how many it got.
    ctx.body.putU32(4, (room == 0 ? count : n) + ctx.reply.lie());
    return Status::kOk;
}

}  // namespace

uint32_t handleDeleteSpoofGuard(CommandContext& ctx) {
    std::array<uint8_t, 6> mac{};
    if (!ctx.body.has(0, 8) || !ctx.body.load(0, mac.data(), 6)) return Status::kBufferTooSmall;
    Filter* f = filterOf(ctx);
    if (!f) return Status::kOutOfMemory;
    auto& g = f->kif.spoofGuards;
    g.erase(std::remove(g.begin(), g.end(), mac), g.end());
    return Status::kOk;
}

uint32_t handleGetKifStat(CommandContext& ctx) {
    if (!ctx.body.has(0, kKifStatSize)) return Status::kBufferTooSmall;
    const Filter* f = ctx.filter();
    if (f)
        ctx.body.store(0, f->kif.stat.data(), kKifStatSize);
    else
        ctx.body.fill(0, 0, kKifStatSize);
    return Status::kOk;
}

uint32_t handleClearKifStat(CommandContext& ctx) {
    if (!ctx.body.has(0, kKifStatSize)) return Status::kBufferTooSmall;
    Filter* f = filterOf(ctx);
    if (!f) return Status::kOutOfMemory;
    f->kif.stat.fill(0);
    return Status::kOk;
}

uint32_t handleEnableVerbose(CommandContext& ctx) {
    uint32_t word = 0;
    if (!ctx.body.u32(0, word)) return Status::kBufferTooSmall;
    uint32_t component = word & 0xFFFFFF, level = word >> 24 & 0xF;
    if (component != 1 && component != 2) return Status::kInvalidArgument;
    ctx.state.settings.verboseLevels[component] = uint8_t(level);
    return Status::kOk;
}

uint32_t handleDebugComponent(CommandContext& ctx) {
    uint32_t word = 0;
    if (!ctx.body.u32(0, word)) return Status::kBufferTooSmall;
    uint32_t component = word & 0xFFFFFF, level = word >> 24 & 0xF;
    auto& levels = ctx.state.settings.debugLevels;
    if (component == 255)
        levels.fill(uint8_t(level));
    else if (component < kDebugComponents)
        levels[component] = uint8_t(level);
    else
        return Status::kInvalidArgument;
    return Status::kOk;
}

uint32_t handleDebugStatus(CommandContext& ctx) {
    uint8_t count = 0;
    if (!ctx.body.has(0, 30) || !ctx.body.u8(28, count)) return Status::kBufferTooSmall;
    const auto& levels = ctx.state.settings.debugLevels;
    ctx.body.store(0, levels.data(), std::min<uint32_t>(count, kDebugComponents));
    return Status::kOk;
}

// The policy is the filter's own once it was set there; until then the module's default answers.
uint32_t handleGetFailPolicy(CommandContext& ctx) {
    const Filter* f = ctx.filter();
    uint8_t policy = f != nullptr && f->conns.failPolicy >= 0 ? static_cast<uint8_t>(f->conns.failPolicy)
                                                              : ctx.state.settings.failPolicy;
    if (!ctx.body.putU8(0, policy)) return Status::kBufferTooSmall;
    return Status::kOk;
}

uint32_t handleGetKifFlags(CommandContext& ctx) {
    if (!ctx.body.has(0, kKifFlagsSize)) return Status::kBufferTooSmall;
    KifSettings fresh;
    const Filter* f = ctx.filter();
    const KifSettings& k = f ? f->kif : fresh;
    ctx.body.fill(0, 0, kKifFlagsSize);
    ctx.body.putU32(0, flagBits(k));
    for (size_t i = 0; i < k.flags.size() && i < kKifFlagsMax; ++i) {
        const std::string& name = k.flags[i].first;
        size_t n = std::min<size_t>(name.size(), kKifFlagNameWidth - 1);
        if (ctx.reply.noNul()) n = std::min<size_t>(name.size(), kKifFlagNameWidth);
        ctx.body.store(4 + i * kKifFlagNameWidth, name.data(), n);
        ctx.body.putU8(1284 + i, k.flags[i].second);
    }
    return Status::kOk;
}

uint32_t handleSetKifFlags(CommandContext& ctx) {
    if (!ctx.body.has(0, kKifFlagsSize)) return Status::kBufferTooSmall;
    char name[kKifFlagNameWidth];
    uint8_t value = 0;
    ctx.body.load(4, name, sizeof name);
    ctx.body.u8(1284, value);
    size_t len = strnlen(name, sizeof name);
    if (len == 0 || len == sizeof name) return Status::kInvalidArgument;
    Filter* f = filterOf(ctx);
    if (!f) return Status::kOutOfMemory;
    auto& flags = f->kif.flags;
    std::string key(name, len);
    for (auto& fl : flags)
        if (fl.first == key) {
            fl.second = value;
            return Status::kOk;
        }
    if (flags.size() >= kKifFlagsMax) return Status::kOutOfMemory;
    flags.emplace_back(key, value);
    return Status::kOk;
}

uint32_t handleSetTimeout(CommandContext& ctx) {
    if (!ctx.body.has(0, kTimeoutRecordSize)) return Status::kBufferTooSmall;
    for (uint32_t i = 0; i < kTimeoutCount; ++i) {
        uint8_t present = 0;
        uint32_t value = 0;
        ctx.body.u8(92 + i, present);
        ctx.body.u32(4 * i, value);
        if (present) ctx.state.settings.timeouts[i] = value;
    }
    return Status::kOk;
}

uint32_t handleGetTimeout(CommandContext& ctx) {
    if (!ctx.body.has(0, kTimeoutRecordSize)) return Status::kBufferTooSmall;
    for (uint32_t i = 0; i < kTimeoutCount; ++i) {
        uint8_t present = 0;
        ctx.body.u8(92 + i, present);
        if (present) ctx.body.putU32(4 * i, ctx.state.settings.timeouts[i]);
    }
    return Status::kOk;
}

uint32_t handleAlgInfo(CommandContext& ctx) { return algInfo(ctx, kAlgRecord, kAlgCount); }
uint32_t handleAlgPortInfo(CommandContext& ctx) { return algInfo(ctx, kAlgPortRecord, kAlgPortCount); }

uint32_t handleConfigICMPErrPktDrop(CommandContext& ctx) { return setSwitch(ctx, ctx.state.settings.icmpErrDrop); }
uint32_t handleConfigTCPStrict(CommandContext& ctx) { return setSwitch(ctx, ctx.state.settings.tcpStrict); }
uint32_t handleGetTCPStrict(CommandContext& ctx) { return readSwitch(ctx, ctx.state.settings.tcpStrict); }
uint32_t handleConfigL7CopyMode(CommandContext& ctx) { return setSwitch(ctx, ctx.state.settings.l7CopyMode); }
uint32_t handleSetIDSMode(CommandContext& ctx) { return setSwitch(ctx, ctx.state.settings.ids); }
uint32_t handleGetIDSMode(CommandContext& ctx) { return readSwitch(ctx, ctx.state.settings.ids); }
uint32_t handleSetOversubscription(CommandContext& ctx) {
    return setSwitch(ctx, ctx.state.settings.oversubscriptionBypass);
}
uint32_t handleGetOversubscription(CommandContext& ctx) {
    return readSwitch(ctx, ctx.state.settings.oversubscriptionBypass);
}

uint32_t handleSetExportVer(CommandContext& ctx) {
    uint32_t v = 0;
    if (!ctx.body.u32(0, v)) return Status::kBufferTooSmall;
    ctx.state.settings.exportVersion = v;
    return Status::kOk;
}

uint32_t handleGetExportVer(CommandContext& ctx) {
    if (!ctx.body.putU32(0, ctx.state.settings.exportVersion)) return Status::kBufferTooSmall;
    return Status::kOk;
}

// Request: the value at 0, the mode at 4 (non-zero sets the value). Reply: the filter's value at 0.
uint32_t handleKifFastPath(CommandContext& ctx) {
    uint32_t value = 0, mode = 0;
    if (!ctx.body.u32(0, value) || !ctx.body.u32(4, mode)) return Status::kBufferTooSmall;
    Filter* f = filterOf(ctx);
    if (!f) return Status::kOutOfMemory;
    if (mode != 0) f->kif.fastPath = value;
    ctx.body.putU32(0, f->kif.fastPath);
    return Status::kOk;
}

uint32_t handleSetFloodCfg(CommandContext& ctx) {
    auto& cfg = ctx.state.settings.floodCfg;
    if (!ctx.body.load(0, cfg.data(), kFloodCfgSize)) return Status::kBufferTooSmall;
    return Status::kOk;
}

// The statistics are the configuration echoed at 0, the syncache entry count at 164 and the entries
// (zero) behind it.
uint32_t handleGetFloodStat(CommandContext& ctx) {
    if (!ctx.body.has(0, kFloodStatSize)) return Status::kBufferTooSmall;
    const HostSettings& s = ctx.state.settings;
    ctx.body.fill(0, 0, kFloodStatSize);
    ctx.body.store(0, s.floodCfg.data(), kFloodCfgSize);
    ctx.body.putU32(kFloodSyncacheOffset, s.syncacheEntries + ctx.reply.lie());
    return Status::kOk;
}

uint32_t handleSetIDSFlowAttr(CommandContext& ctx) {
    uint64_t flow = 0;
    uint8_t flag = 0;
    if (!ctx.body.has(0, 12) || !ctx.body.u64(0, flow) || !ctx.body.u8(8, flag)) return Status::kBufferTooSmall;
    auto& flows = ctx.state.settings.idsFlows;
    if (!(flag & 1)) {
        flows.erase(flow);
        return Status::kOk;
    }
    if (flows.size() >= kMaxIdsFlows && !flows.count(flow)) return Status::kOutOfMemory;
    flows[flow] = true;
    return Status::kOk;
}

// The longest-prefix entry of the filter's reputation chunks that covers the address.
uint32_t handleIpRepLookup(CommandContext& ctx) {
    uint32_t address = 0;
    if (!ctx.body.has(0, 21) || !ctx.body.u32(1, address)) return Status::kBufferTooSmall;
    ctx.body.fill(0, 0, 21);
    const Filter* f = ctx.filter();
    if (!f) return Status::kOk;
    int best = -1;
    for (const auto& c : f->ipRepChunks) {
        const std::vector<uint8_t>& e = c.second.entries;
        for (size_t off = 0; off + kIpRepEntrySize <= e.size(); off += kIpRepEntrySize) {
            uint32_t ip, threat, score;
            memcpy(&ip, &e[off], 4);
            memcpy(&threat, &e[off + 4], 4);
            memcpy(&score, &e[off + 8], 4);
            uint8_t prefix = std::min<uint8_t>(e[off + 12], 32);
            uint32_t mask = prefix == 0 ? 0 : ~uint32_t(0) << (32 - prefix);
            if ((ip & mask) != (address & mask) || int(prefix) <= best) continue;
            best = prefix;
            ctx.body.putU8(0, 1);
            ctx.body.putU32(5, ip);
            ctx.body.putU32(9, threat);
            ctx.body.putU32(13, score);
            ctx.body.putU8(17, prefix);
        }
    }
    return Status::kOk;
}

}  // namespace KestSim
