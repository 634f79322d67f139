#include "sim/engine/SimHandlers.h"

namespace KestSim {

namespace {
struct Entry {
    uint16_t opcode;
    Handler handler;
};

// Grows family by family; every opcode missing here is answered "not supported".
constexpr Entry kHandlers[] = {
    {Opcode::kGetRuleSetCount, handleGetRuleSetCount},
    {Opcode::kCreateRuleSet, handleCreateRuleSet},
    {Opcode::kGetRootRuleSet, handleGetRootRuleSet},
    {Opcode::kClearRuleSet, handleClearRuleSet},
    {Opcode::kDestroyRuleSet, handleDestroyRuleSet},
    {Opcode::kClearRootRuleSet, handleClearRootRuleSet},
    {Opcode::kDestroyAllRuleSet, handleDestroyAllRuleSet},
    {Opcode::kSetRuleSetJump, handleSetRuleSetJump},
    {Opcode::kGetRuleSetJump, handleGetRuleSetJump},
    {Opcode::kClearRuleSetJump, handleClearRuleSetJump},
    {Opcode::kCreateAddrSet, handleCreateAddrSet},
    {Opcode::kDestroyAddrSet, handleDestroyAddrSet},
    {Opcode::kConfigSharedAddrSet, handleConfigSharedAddrSet},
    {Opcode::kClearAddrSet, handleClearAddrSet},
    {Opcode::kDestroyAllAddrSet, handleDestroyAllAddrSet},
    {Opcode::kCreateIpRepChunk, handleCreateIpRepChunk},
    {Opcode::kDestroyIpRepChunk, handleDestroyIpRepChunk},
    {SettingsOpcode::kDeleteSpoofGuard, handleDeleteSpoofGuard},
    {SettingsOpcode::kGetKifStat, handleGetKifStat},
    {SettingsOpcode::kClearKifStat, handleClearKifStat},
    {SettingsOpcode::kEnableVerbose, handleEnableVerbose},
    {SettingsOpcode::kDebugComponent, handleDebugComponent},
    {SettingsOpcode::kDebugStatus, handleDebugStatus},
    {SettingsOpcode::kGetFailPolicy, handleGetFailPolicy},
    {SettingsOpcode::kGetKifFlags, handleGetKifFlags},
    {SettingsOpcode::kSetKifFlags, handleSetKifFlags},
    {SettingsOpcode::kSetTimeout, handleSetTimeout},
    {SettingsOpcode::kGetTimeout, handleGetTimeout},
    {SettingsOpcode::kAlgInfo, handleAlgInfo},
    {SettingsOpcode::kAlgPortInfo, handleAlgPortInfo},
    {SettingsOpcode::kConfigICMPErrPktDrop, handleConfigICMPErrPktDrop},
    {SettingsOpcode::kSetExportVer, handleSetExportVer},
    {SettingsOpcode::kGetExportVer, handleGetExportVer},
    {SettingsOpcode::kConfigTCPStrict, handleConfigTCPStrict},
    {SettingsOpcode::kGetTCPStrict, handleGetTCPStrict},
    {SettingsOpcode::kKifFastPath, handleKifFastPath},
    {SettingsOpcode::kSetFloodCfg, handleSetFloodCfg},
    {SettingsOpcode::kGetFloodStat, handleGetFloodStat},
    {SettingsOpcode::kConfigL7CopyMode, handleConfigL7CopyMode},
    {SettingsOpcode::kSetIDSMode, handleSetIDSMode},
    {SettingsOpcode::kGetIDSMode, handleGetIDSMode},
    {SettingsOpcode::kSetIDSFlowAttr, handleSetIDSFlowAttr},
    {SettingsOpcode::kSetOversubscription, handleSetOversubscription},
    {SettingsOpcode::kGetOversubscription, handleGetOversubscription},
    {SettingsOpcode::kIpRepLookup, handleIpRepLookup},
    {SettingsOpcode::kGetLBConfigSize, handleGetLBConfigSize},
    {SettingsOpcode::kGetLBConfig, handleGetLBConfig},
    {SettingsOpcode::kGetLBStatSize, handleGetLBStatSize},
    {SettingsOpcode::kGetLBStat, handleGetLBStat},
    {SettingsOpcode::kClearLBStat, handleClearLBStat},
};
}  // namespace

Handler findHandler(uint16_t opcode) {
    for (const Entry& e : kHandlers)
        if (e.opcode == opcode) return e.handler;
    return nullptr;
}

}  // namespace KestSim
