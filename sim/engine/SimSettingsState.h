// What the simulated module keeps for the kernel-interface commands (per filter) and for the global
// settings and the load balancer (host-wide), with the values a freshly loaded module starts with.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace KestSim {

// Opcodes of these families.
namespace SettingsOpcode {
constexpr uint16_t kDeleteSpoofGuard = 25;
constexpr uint16_t kGetKifStat = 26;
constexpr uint16_t kClearKifStat = 27;
constexpr uint16_t kEnableVerbose = 29;
constexpr uint16_t kDebugComponent = 30;
constexpr uint16_t kDebugStatus = 31;
constexpr uint16_t kGetFailPolicy = 32;
constexpr uint16_t kGetKifFlags = 36;
constexpr uint16_t kSetKifFlags = 37;
constexpr uint16_t kSetTimeout = 38;
constexpr uint16_t kGetTimeout = 39;
constexpr uint16_t kAlgInfo = 44;
constexpr uint16_t kAlgPortInfo = 45;
constexpr uint16_t kConfigICMPErrPktDrop = 46;
constexpr uint16_t kSetExportVer = 51;
constexpr uint16_t kGetExportVer = 52;
constexpr uint16_t kConfigTCPStrict = 55;
constexpr uint16_t kGetTCPStrict = 56;
constexpr uint16_t kKifFastPath = 66;
constexpr uint16_t kSetFloodCfg = 78;
constexpr uint16_t kGetFloodStat = 79;
constexpr uint16_t kConfigL7CopyMode = 85;
constexpr uint16_t kGetLBConfig = 86;
constexpr uint16_t kGetLBConfigSize = 87;
constexpr uint16_t kGetLBStat = 88;
constexpr uint16_t kGetLBStatSize = 89;
constexpr uint16_t kClearLBStat = 90;
constexpr uint16_t kSetIDSMode = 92;
constexpr uint16_t kGetIDSMode = 93;
constexpr uint16_t kSetIDSFlowAttr = 94;
constexpr uint16_t kSetOversubscription = 96;
constexpr uint16_t kGetOversubscription = 97;
constexpr uint16_t kIpRepLookup = 99;
}  // namespace SettingsOpcode

constexpr uint32_t kKifStatSize = 2032;
constexpr uint32_t kKifFlagsSize = 1316;
constexpr uint32_t kKifFlagNameWidth = 40;
constexpr uint32_t kKifFlagsMax = 32;
constexpr uint32_t kDebugComponents = 28;
constexpr uint32_t kTimeoutCount = 23;
constexpr uint32_t kTimeoutRecordSize = 116;
constexpr uint32_t kFloodCfgSize = 36;
constexpr uint32_t kFloodStatSize = 12456;
constexpr uint32_t kFloodSyncacheOffset = 164;
constexpr size_t kMaxSpoofGuards = 1024;
constexpr size_t kMaxIdsFlows = 4096;
constexpr size_t kMaxLBServices = 64;
constexpr uint32_t kMaxLBItems = 256;  // per kind and service

// Per filter.
struct KifSettings {
    std::array<uint8_t, kKifStatSize> stat{};  // the statistics record as the kernel would answer it
    uint32_t flagBits = 0;
    // The module's named flags and their values, in its order.
    std::vector<std::pair<std::string, uint8_t>> flags{{"PF_KIF_FLAG_L7_RULES_PRESENT", 0},
                                                       {"PF_KIF_FLAG_ID_RULES_PRESENT", 0}};
    uint32_t fastPath = 0;
    std::vector<std::array<uint8_t, 6>> spoofGuards;  // Ethernet addresses under spoof guard
};

// One load-balancer service as tests seed it.
struct LBService {
    uint32_t id = 0;
    std::string name;
    uint32_t vs = 0, pools = 0, members = 0, lspConfigured = 0, lspApplied = 0;
};

// Host-wide.
struct HostSettings {
    bool tcpStrict = false;
    bool icmpErrDrop = false;
    bool l7CopyMode = false;
    bool ids = false;
    bool oversubscriptionBypass = false;
    uint8_t failPolicy = 0;  // fail open
    uint32_t exportVersion = 1;
    // Connection timeouts in seconds, by index.
    std::array<uint32_t, kTimeoutCount> timeouts{
        {120, 30, 43200, 900, 45, 20, 60, 30, 60, 20, 10, 60, 30, 60, 30, 10, 6000, 12000, 0, 3, 120, 30, 30}};
    std::array<uint8_t, kDebugComponents> debugLevels{};
    std::array<uint8_t, 3> verboseLevels{};
    std::array<uint8_t, kFloodCfgSize> floodCfg{};
    uint32_t syncacheEntries = 0;  // syncache hash statistics entries the flood statistics carry
    std::map<uint64_t, bool> idsFlows;
    std::vector<LBService> lb;
    uint8_t lbClearedFlags = 0;  // what the last statistics clear cleared
};

}  // namespace KestSim
