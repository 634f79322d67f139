// Layouts of the load-balancer reads. Both are two-step: a size record the kernel fills with per-service
// counts, then a data read whose body is sized from those counts. The data replies are walked here with
// every count bounded by what was asked for and by the bytes received, so a kernel whose second answer
// is larger than its first is refused instead of read past.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kestfw/kestfw_settings.h"
#include "util/ByteIO.h"

namespace KestFirewall {
namespace LBLayout {

// ---- Configuration ----
constexpr unsigned int kCfgSizeRecord = KESTFW_LB_CONFIG_SIZE_SIZE;
constexpr unsigned int kCfgMaxServices = KESTFW_LB_MAX_SERVICES;
// Size record: count, selection and options, then five u32 counts per service.
constexpr unsigned int kSzOffCount = 0;
constexpr unsigned int kSzOffId = 4;
constexpr unsigned int kSzOffUuid = 8;
constexpr unsigned int kUuidTextWidth = 64;
constexpr unsigned int kSzOffOptions = 72;
constexpr unsigned int kSzOffServices = 73;
constexpr unsigned int kSzServiceStride = 20;
// Options byte: debug level, select by UUID, select by identifier, a further option carried through.
constexpr uint8_t kOptDebugMask = 0x07;
constexpr uint8_t kOptByUuid = 0x08;
constexpr uint8_t kOptById = 0x10;
constexpr uint8_t kOptCarried = 0x20;
// Data body: request header (and the global counters in the reply), then one area per service.
constexpr unsigned int kCfgHeader = 485;
constexpr unsigned int kCfgOffSize = 0;
constexpr unsigned int kCfgOffCount = 4;
constexpr unsigned int kCfgOffId = 8;
constexpr unsigned int kCfgOffUuid = 12;
constexpr unsigned int kCfgOffOptions = 76;
constexpr unsigned int kCfgOffGlobalInfo = 80;    // u64 counters
constexpr unsigned int kCfgOffGlobalError = 264;  // u64 counters
constexpr unsigned int kService = 465;
constexpr unsigned int kVirtualServer = 201;
constexpr unsigned int kPool = 128;
constexpr unsigned int kPoolMember = 70;
constexpr unsigned int kLsp = 52;
// Inside a service area.
constexpr unsigned int kSvcOffId = 0;
constexpr unsigned int kSvcOffValid = 4;
constexpr unsigned int kSvcOffDefault = 5;
constexpr unsigned int kSvcOffRefCnt = 6;
constexpr unsigned int kSvcOffAge = 10;
constexpr unsigned int kSvcOffKifFlags = 18;
constexpr unsigned int kSvcOffMpCreation = 22;
constexpr unsigned int kSvcOffUuid = 30;  // 16 binary bytes
constexpr unsigned int kSvcOffName = 46;
constexpr unsigned int kNameWidth = 64;
constexpr unsigned int kSvcOffCounters = 110;  // u64 counters
constexpr unsigned int kSvcOffCounts = 428;    // vs, pools, members, LSPs configured, LSPs applied

// The five counts of one service.
struct ServiceCounts {
    uint32_t vs = 0, pools = 0, members = 0, lspConfigured = 0, lspApplied = 0;
    uint64_t items() const { return uint64_t(vs) + pools + members + lspConfigured + lspApplied; }
    uint64_t areaSize() const {
        return kService + uint64_t(kVirtualServer) * vs + uint64_t(kPool) * pools + uint64_t(kPoolMember) * members +
               uint64_t(kLsp) * (uint64_t(lspConfigured) + lspApplied);
    }
    bool within(const ServiceCounts& o) const {
        return vs <= o.vs && pools <= o.pools && members <= o.members && lspConfigured <= o.lspConfigured &&
               lspApplied <= o.lspApplied;
    }
};

// ---- Statistics ----
constexpr unsigned int kStatRecord = KESTFW_LB_STAT_SIZE;
constexpr unsigned int kStOffSize = 0;
constexpr unsigned int kStOffCount = 4;
constexpr unsigned int kStOffClear = 140;
constexpr uint8_t kClearVs = 0x04;
constexpr uint8_t kClearPool = 0x08;
constexpr unsigned int kStOffServices = 157;
constexpr unsigned int kStServiceStride = 60;
constexpr unsigned int kStMaxServices = (kStatRecord - kStOffServices) / kStServiceStride;
constexpr unsigned int kStSvcOffUuid = 12;  // inside a service entry, after the three counts
constexpr unsigned int kStSvcOffId = 28;
constexpr unsigned int kStVirtualServer = 488;
constexpr unsigned int kStPool = 225;
constexpr unsigned int kStPoolMember = 359;
// Inside an item record: binary UUID, port, protocol number, then u64 counters as far as the record goes.
constexpr unsigned int kItOffUuid = 0;
constexpr unsigned int kItOffPort = 16;
constexpr unsigned int kItOffProtocol = 18;
constexpr unsigned int kItOffCounters = 24;

struct StatCounts {
    uint32_t vs = 0, pools = 0, members = 0;
    uint64_t areaSize() const {
        return uint64_t(kStVirtualServer) * vs + uint64_t(kStPool) * pools + uint64_t(kStPoolMember) * members;
    }
    bool within(const StatCounts& o) const { return vs <= o.vs && pools <= o.pools && members <= o.members; }
};

// Bodies larger than this are refused before anything is sent.
constexpr uint64_t kMaxBody = 64u << 20;

// "%08x-%04x-%04x-%04x-%04x%08x" of a 16-byte binary UUID at the reader's offset.
std::string uuidText(ByteReader& r, size_t off);

}  // namespace LBLayout
}  // namespace KestFirewall
