// Seeding and read-back of the kernel-interface counters, the global settings and the load balancer,
// shared by the in-process control interface and the daemon's control socket.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/engine/SimEngine.h"

namespace KestSim {

// Advances the u64 counter at byte `offset` of the port's statistics record (8-byte aligned, inside it).
bool addKifCounter(Engine& engine, const uint8_t* port, uint32_t offset, uint64_t amount);
// Writes `len` bytes at `offset` of the port's statistics record (descriptive values, the MAC address).
bool setKifBytes(Engine& engine, const uint8_t* port, uint32_t offset, const uint8_t* bytes, uint32_t len);
// Appends one load-balancer service; false past the service or item limits.
bool seedLBService(Engine& engine, const LBService& service);
// Named host-wide values: tcpstrict, icmperrdrop, l7copy, ids, oversubscription, failpolicy,
// exportver, syncache, lbcleared, idsflows, timeout<i>, debug<i>, verbose<i>, flood<i> (u32 i of the
// flood configuration). Reading knows them all; writing knows failpolicy and syncache.
bool readSetting(Engine& engine, const std::string& name, uint64_t& value);
bool writeSetting(Engine& engine, const std::string& name, uint64_t value);

// The daemon's requests of these families (see SimControlCommands.h); false when `t` is none of them.
//   seed kifstat <offset> <amount>                                  host-wide filter's counter
//   seed lb <id> <name> <vs> <pools> <members> <lsp-conf> <lsp-applied>
//   seed setting <name> <value>
//   show setting <name>                                             setting <name> <value>
bool settingsControl(Engine& engine, const std::vector<std::string>& t, std::string& answer);

}  // namespace KestSim
