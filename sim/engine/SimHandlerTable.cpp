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
    {Conn::kGetCount, handleGetConnectionCount},
    {Conn::kGetStat, handleGetConnectionStat},
    {Conn::kSetFailPolicy, handleSetFailPolicy},
    {Conn::kSetByList, handleSetConnectionByList},
    {Conn::kClearAll, handleClearAllConnection},
    {Conn::kSetByFilter, handleSetConnectionByFilter},
    {Conn::kSetAll, handleSetAllConnection},
    {Conn::kSetAttr, handleSetConnAttr},
    {Conn::kGetAttrInfo, handleGetConnAttrInfo},
    {Conn::kGetDPIInfo, handleGetConnectionDPIInfo},
    {Opcode::kGetRuleSetList, handleGetRuleSetList},
    {Opcode::kGetRuleCountOfRuleSet, handleGetRuleCountOfRuleSet},
    {Opcode::kGetRuleSetInfo, handleGetRuleSetInfo},
    {Opcode::kGetRuleOfRuleSet, handleGetRuleOfRuleSet},
    {Opcode::kGetStatOfRuleSet, handleGetStatOfRuleSet},
    {Opcode::kGetAddrSetTypeAndSize, handleGetAddrSetTypeAndSize},
    {Opcode::kGetAddrSetInfo, handleGetAddrSetInfo},
    {Opcode::kGetAddressOfAddrSet, handleGetAddressOfAddrSet},
    {Opcode::kGetAddrSetCount, handleGetAddrSetCount},
    {Opcode::kGetAddrSetList, handleGetAddrSetList},
    {Opcode::kGetAddrSetStatList, handleGetAddrSetStatList},
    {Opcode::kGetSharedAddrSet, handleGetSharedAddrSet},
    {IdentityOpcode::kCreateContainer, handleCreateContainer},
    {IdentityOpcode::kGetElementsOfContainer, handleGetElementsOfContainer},
    {IdentityOpcode::kAddDomain2IPMapping, handleAddDomain2IPMapping},
    {IdentityOpcode::kModifyDomainUuidMap, handleModifyDomainUuidMap},
    {IdentityOpcode::kGetDomainUuidMap, handleGetDomainUuidMap},
    {IdentityOpcode::kSetUid2SidMapping, handleSetUid2SidMapping},
    {IdentityOpcode::kGetUid2SidMapping, handleGetUid2SidMapping},
    {IdentityOpcode::kGetUid2SidMappingSize, handleGetUid2SidMappingSize},
    {IdentityOpcode::kSetDnsConfigProfile, handleSetDnsConfigProfile},
    {IdentityOpcode::kGetDnsConfigProfile, handleGetDnsConfigProfile},
    {IdentityOpcode::kDeleteFqdnTree, handleDeleteFqdnTree},
    {IdentityOpcode::kGetFqdnCount, handleGetFqdnCount},
    {IdentityOpcode::kGetFqdnEntries, handleGetFqdnEntries},
    {IdentityOpcode::kGetUuid, handleGetUuid},
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
