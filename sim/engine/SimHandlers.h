// One small function per opcode. A handler reads its request from the command body, changes the
// filter's state and writes its reply over the same body; it returns the command's status word.
// Handlers are grouped by command family in handlers/Sim*Handlers.cpp; an opcode without one answers
// status 7 ("not supported").
#pragma once

#include <cstdint>

#include "sim/engine/SimBytes.h"
#include "sim/engine/SimFaults.h"
#include "sim/engine/SimState.h"

namespace KestSim {

struct CommandContext {
    State& state;
    const PortKey& port;
    uint16_t opcode;
    Window body;       // the command body: request on entry, reply on return
    ReplyFault reply;  // how the reply is to misbehave, if at all

    // Read-only view of the port's filter; null when it was never touched.
    const Filter* filter() const { return state.find(port); }
};

using Handler = uint32_t (*)(CommandContext& ctx);

// The handler of an opcode, or null.
Handler findHandler(uint16_t opcode);

// Queries (rule-set and address-set reads).
uint32_t handleGetRuleSetCount(CommandContext& ctx);
uint32_t handleGetRuleSetList(CommandContext& ctx);
uint32_t handleGetRuleCountOfRuleSet(CommandContext& ctx);
uint32_t handleGetRuleSetInfo(CommandContext& ctx);
uint32_t handleGetRuleOfRuleSet(CommandContext& ctx);
uint32_t handleGetStatOfRuleSet(CommandContext& ctx);
uint32_t handleGetAddrSetTypeAndSize(CommandContext& ctx);
uint32_t handleGetAddrSetInfo(CommandContext& ctx);
uint32_t handleGetAddressOfAddrSet(CommandContext& ctx);
uint32_t handleGetAddrSetCount(CommandContext& ctx);
uint32_t handleGetAddrSetList(CommandContext& ctx);
uint32_t handleGetAddrSetStatList(CommandContext& ctx);
uint32_t handleGetSharedAddrSet(CommandContext& ctx);

// Rule sets, roots and jump targets.
uint32_t handleCreateRuleSet(CommandContext& ctx);
uint32_t handleGetRootRuleSet(CommandContext& ctx);
uint32_t handleClearRuleSet(CommandContext& ctx);
uint32_t handleDestroyRuleSet(CommandContext& ctx);
uint32_t handleClearRootRuleSet(CommandContext& ctx);
uint32_t handleDestroyAllRuleSet(CommandContext& ctx);
uint32_t handleSetRuleSetJump(CommandContext& ctx);
uint32_t handleGetRuleSetJump(CommandContext& ctx);
uint32_t handleClearRuleSetJump(CommandContext& ctx);

// Address sets, the shared-set switch and reputation chunks.
uint32_t handleCreateAddrSet(CommandContext& ctx);
uint32_t handleClearAddrSet(CommandContext& ctx);
uint32_t handleDestroyAddrSet(CommandContext& ctx);
uint32_t handleDestroyAllAddrSet(CommandContext& ctx);
uint32_t handleConfigSharedAddrSet(CommandContext& ctx);
uint32_t handleCreateIpRepChunk(CommandContext& ctx);
uint32_t handleDestroyIpRepChunk(CommandContext& ctx);

// Connections: the flow table, re-evaluation, fail policy, attributes and DPI state.
uint32_t handleGetConnectionCount(CommandContext& ctx);
uint32_t handleGetConnectionStat(CommandContext& ctx);
uint32_t handleSetFailPolicy(CommandContext& ctx);
uint32_t handleSetConnectionByList(CommandContext& ctx);
uint32_t handleClearAllConnection(CommandContext& ctx);
uint32_t handleSetConnectionByFilter(CommandContext& ctx);
uint32_t handleSetAllConnection(CommandContext& ctx);
uint32_t handleSetConnAttr(CommandContext& ctx);
uint32_t handleGetConnAttrInfo(CommandContext& ctx);
uint32_t handleGetConnectionDPIInfo(CommandContext& ctx);
// Containers, name mappings, the DNS profile and the FQDN state.
uint32_t handleCreateContainer(CommandContext& ctx);
uint32_t handleGetElementsOfContainer(CommandContext& ctx);
uint32_t handleAddDomain2IPMapping(CommandContext& ctx);
uint32_t handleModifyDomainUuidMap(CommandContext& ctx);
uint32_t handleGetDomainUuidMap(CommandContext& ctx);
uint32_t handleSetUid2SidMapping(CommandContext& ctx);
uint32_t handleGetUid2SidMapping(CommandContext& ctx);
uint32_t handleGetUid2SidMappingSize(CommandContext& ctx);
uint32_t handleSetDnsConfigProfile(CommandContext& ctx);
uint32_t handleGetDnsConfigProfile(CommandContext& ctx);
uint32_t handleDeleteFqdnTree(CommandContext& ctx);
uint32_t handleGetFqdnCount(CommandContext& ctx);
uint32_t handleGetFqdnEntries(CommandContext& ctx);
uint32_t handleGetUuid(CommandContext& ctx);
// Kernel-interface statistics and flags, diagnostics and the global settings.
uint32_t handleDeleteSpoofGuard(CommandContext& ctx);
uint32_t handleGetKifStat(CommandContext& ctx);
uint32_t handleClearKifStat(CommandContext& ctx);
uint32_t handleEnableVerbose(CommandContext& ctx);
uint32_t handleDebugComponent(CommandContext& ctx);
uint32_t handleDebugStatus(CommandContext& ctx);
uint32_t handleGetFailPolicy(CommandContext& ctx);
uint32_t handleGetKifFlags(CommandContext& ctx);
uint32_t handleSetKifFlags(CommandContext& ctx);
uint32_t handleSetTimeout(CommandContext& ctx);
uint32_t handleGetTimeout(CommandContext& ctx);
uint32_t handleAlgInfo(CommandContext& ctx);
uint32_t handleAlgPortInfo(CommandContext& ctx);
uint32_t handleConfigICMPErrPktDrop(CommandContext& ctx);
uint32_t handleSetExportVer(CommandContext& ctx);
uint32_t handleGetExportVer(CommandContext& ctx);
uint32_t handleConfigTCPStrict(CommandContext& ctx);
uint32_t handleGetTCPStrict(CommandContext& ctx);
uint32_t handleKifFastPath(CommandContext& ctx);
uint32_t handleSetFloodCfg(CommandContext& ctx);
uint32_t handleGetFloodStat(CommandContext& ctx);
uint32_t handleConfigL7CopyMode(CommandContext& ctx);
uint32_t handleSetIDSMode(CommandContext& ctx);
uint32_t handleGetIDSMode(CommandContext& ctx);
uint32_t handleSetIDSFlowAttr(CommandContext& ctx);
uint32_t handleSetOversubscription(CommandContext& ctx);
uint32_t handleGetOversubscription(CommandContext& ctx);
uint32_t handleIpRepLookup(CommandContext& ctx);

// Load-balancer reads.
uint32_t handleGetLBConfigSize(CommandContext& ctx);
uint32_t handleGetLBConfig(CommandContext& ctx);
uint32_t handleGetLBStatSize(CommandContext& ctx);
uint32_t handleGetLBStat(CommandContext& ctx);
uint32_t handleClearLBStat(CommandContext& ctx);

}  // namespace KestSim
