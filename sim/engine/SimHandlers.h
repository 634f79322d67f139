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
