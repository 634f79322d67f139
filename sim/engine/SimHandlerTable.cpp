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
};
}  // namespace

Handler findHandler(uint16_t opcode) {
    for (const Entry& e : kHandlers)
        if (e.opcode == opcode) return e.handler;
    return nullptr;
}

}  // namespace KestSim
