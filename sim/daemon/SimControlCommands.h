// The daemon's control language: one request line in, one answer line out.
//
//   ping                                     pong
//   reset                                    ok      forget all state, faults and counters
//   declare <port> | forget <port>           ok      the module's list of known filters
//   seed rulesets <port> <count>             ok      exactly <count> empty rule sets "ruleset-0" ...
//   seed ruleset <port> <name> [<hex>]       ok      rule set <name> with the rule records in <hex>
//   show rulesets <port>                     rulesets <n>
//   show rules <port> <name>                 rules <n> | rules none
//   show ruleset <port> <name>               ruleset <rules> generation <g> time <t> jump <target|->
//                                            | ruleset none
//   show records <port> <name>               records <n> [<hex>] | records none: the rule records
//   show roots <port>                        roots <l3|-> <l2|-> <n> [<hex>]: names and root rules
//   show addrsets <port>                     addrsets <n> [<name> ...]: in name order
//   show addrset <port> <name>               addrset kind <k> generation <g> time <t> members <n> [<hex>]
//                                            | addrset none: the member records back to back
//   show shared <port>                       shared on | shared off
//   show iprep <port>                        iprep <n> [<chunk>:<entries> ...]: loaded reputation chunks
//   show calls | commands | faults           calls <n> | commands <n> | faults <n>
//   show requests                            requests tcp <n> unix <n>
//   show last-message | last-reply           message <len> [<hex>] | reply <len> [<hex>]
//   fault status <status> <count> [<opcode>] ok      commands answer <status> without being performed
//   fault errno <errno> <count>              ok      calls fail with <errno> (a number or ENOENT, ...)
//   fault delay <ms> <count>                 ok      calls are answered after <ms> milliseconds
//   fault reply short|lie|nonul <param> <count> [<opcode>]   ok   replies misbehave
//   fault drop <count> [<bytes>]             ok      answers break off after <bytes> (default: half)
//   fault clear                              ok
//   seed flow <port> <id> <proto> <src> <sport> <dst> <dport> [<state> [<a> <b> <c> <d> [<time>]]]
//                                            ok      adds or replaces a tracked flow (IPv4 or IPv6)
//   drop flow <port> <id>                    ok
//   show flows <port>                        flows <n> [<id>:<re-evaluations>:<attributes> ...]
//   show failpolicy <port>                   failpolicy open | close | unset
//   count rule <port> <ruleset> <id> in|out <packets> <bytes>   ok   the rule's statistics grow
//   count addrset <port> <name> <way 0-3> <packets> <bytes> <misses>   ok   the set's statistics grow
//   seed kifstat | lb | setting ..., show setting <name>   see SimSettingsControl.h
// Anything refused answers "error <reason>". A <port> is "host" (the host-wide filter, all zero),
// "hex:" and the 200 hex digits of a 100-byte port record, or "<type>:<index>:<id>" (agent empty).
// An <opcode> of "any" or -1 matches every command.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/daemon/SimDaemonState.h"

namespace KestSim {

class ControlCommands {
public:
    explicit ControlCommands(DaemonShared& shared) : m_shared(shared) {}

    // The answer to one request line (without its line end).
    std::string run(const std::string& line);

private:
    DaemonShared& m_shared;
};

// Connection-table requests ("seed flow", "drop flow", "show flows", "show failpolicy"), for the port
// already parsed from t[2] (SimControlConns.cpp).
bool isConnRequest(const std::vector<std::string>& t);
std::string runConnControl(Engine& engine, const std::vector<std::string>& t, const uint8_t* port);

// Hex digits (lower case) of `n` bytes.
std::string toHex(const uint8_t* data, size_t n);

}  // namespace KestSim
