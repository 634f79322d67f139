// The simulated kernel firewall module: takes one message for one switch port, checks it the way a
// careful kernel would, performs each command record in order and answers in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sim/engine/SimFaults.h"
#include "sim/engine/SimState.h"

namespace KestSim {

class Engine {
public:
    // Messages are kept for inspection up to this many bytes.
    static constexpr uint32_t kCaptureLimit = 16u << 20;
    // Larger messages are refused as a kernel would refuse to copy them in.
    static constexpr uint32_t kMaxMessage = 64u << 20;
    // A control call made in this process copies in whatever the library hands it (a million-member
    // address set is 144 MB in one message); only the daemon's sockets hold to kMaxMessage.
    static constexpr uint32_t kMaxDeviceMessage = 1u << 30;

    explicit Engine(const Limits& limits = Limits());

    // What the control call returns for message `msg` of `len` bytes (header included) sent for `port`
    // (Port::kSize bytes, or null for the host-wide filter): 0 with every command's status and reply
    // written into the message, or -1 with errno set and the message untouched. Thread-safe.
    // `refused` is an errno the device request record already earned (a malformed record): the call
    // still counts and meets the scripted call faults, but the message is neither read nor kept.
    int process(const uint8_t* port, uint8_t* msg, uint32_t len, int refused = 0);

    // Forgets state, known filters, faults, counters and captures.
    void reset();

    bool declareFilter(const uint8_t* port);
    bool forgetFilter(const uint8_t* port);

    // Creates or replaces rule set `name` with `count` rule records taken from `rules`.
    bool seedRuleSet(const uint8_t* port, const std::string& name, const uint8_t* rules, uint32_t count);
    // Leaves the filter with exactly `count` empty rule sets "ruleset-0" ... (rule sets before are dropped).
    bool seedRuleSetCount(const uint8_t* port, uint32_t count);
    uint32_t ruleSetCount(const uint8_t* port) const;
    // Rules of a rule set, -1 when the filter has no such rule set.
    long ruleCount(const uint8_t* port, const std::string& name) const;
    // A copy of rule set `name` of the port's filter (records as received, generation, realization
    // time, jump target); false when there is none.
    bool ruleSet(const uint8_t* port, const std::string& name, RuleSet& out) const;
    // The port's root rule-set names and the jump rules that installed them; all empty when none is set.
    void roots(const uint8_t* port, std::string& l3, std::string& l2, std::vector<Record>& rules) const;

    // Creates or replaces address set `name` of kind `kind` with `count` member records from `records`.
    bool seedAddrSet(const uint8_t* port, const std::string& name, uint32_t kind, const uint8_t* records,
                     uint32_t count);
    // The names of the port's address sets in name order.
    std::vector<std::string> addrSetNames(const uint8_t* port) const;
    // A copy of address set `name` (kind, member records as received, generation, realization time);
    // false when there is none.
    bool addrSet(const uint8_t* port, const std::string& name, AddrSet& out) const;
    bool sharedAddrSets(const uint8_t* port) const;
    // The port's loaded reputation chunks by chunk number.
    std::map<uint32_t, IpRepChunk> ipRepChunks(const uint8_t* port) const;

    // Connections (SimEngineConns.cpp). Adds or replaces the flow of the same identifier; false when
    // the filter's table is full or the filter limit is reached.
    bool seedFlow(const uint8_t* port, const Flow& flow);
    // Drops one flow; false when there is no such flow.
    bool dropFlow(const uint8_t* port, uint64_t id);
    // Copies of the port's flows in identifier order.
    std::vector<Flow> flows(const uint8_t* port) const;
    // The port's failure policy, -1 when never set.
    int failPolicy(const uint8_t* port) const;
    // Advances the statistics of rule `ruleId` of rule set `ruleSet`: `packets` evaluations and hits,
    // one session, packets and bytes inbound or outbound. False when there is no such rule.
    bool countRule(const uint8_t* port, const std::string& ruleSet, uint32_t ruleId, bool inbound, uint64_t packets,
                   uint64_t bytes);
    // Advances the statistics of address set `name`: packets and bytes on way `way` (SetWay) count as
    // matches, `noMatch` as misses. False when there is no such set or way.
    bool countAddrSet(const uint8_t* port, const std::string& name, uint32_t way, uint64_t packets, uint64_t bytes,
                      uint64_t noMatch);
    // Runs `fn` on the module's state under the engine's lock (seeding and read-back of settings).
    void withState(const std::function<void(State&)>& fn);

    bool addFault(const Fault& f);
    void clearFaults();
    size_t pendingFaults() const;

    uint64_t calls() const;
    uint64_t commands() const;
    // The last message as received / as answered; `fullLen` gets its whole length (0 when none).
    std::vector<uint8_t> lastMessage(uint32_t* fullLen) const;
    std::vector<uint8_t> lastReply(uint32_t* fullLen) const;

private:
    // The checks of the message header and the walk over the command records; errno value or 0.
    static int checkMessage(const uint8_t* msg, uint32_t len);
    void performCommands(const PortKey& key, uint8_t* msg, uint32_t len);
    uint32_t performOne(const PortKey& key, uint16_t opcode, uint8_t* body, uint32_t bodyLen);
    void capture(std::vector<uint8_t>& into, uint32_t& fullLen, const uint8_t* msg, uint32_t len);

    mutable std::mutex m_mutex;
    State m_state;
    FaultPlan m_faults;
    uint64_t m_calls = 0;
    uint64_t m_commands = 0;
    std::vector<uint8_t> m_lastMessage;
    uint32_t m_lastMessageLen = 0;
    std::vector<uint8_t> m_lastReply;
    uint32_t m_lastReplyLen = 0;
};

}  // namespace KestSim
