// What the simulated module remembers: one filter instance per switch port, each with its rule sets,
// roots and address sets, plus the host-wide list of filters it knows. Everything stored is bounded
// (filters, entries per table, bytes of records), so no sequence of requests grows it without limit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "sim/engine/SimConnState.h"
#include "sim/engine/SimCounters.h"
#include "sim/engine/SimIdentityState.h"
#include "sim/engine/SimSettingsState.h"
#include "sim/engine/SimWire.h"

namespace KestSim {

// A switch-port record reduced to what identifies a filter: the identifier and agent texts up to their
// NUL, the index and the low four type bits. Any port of type 0 reduces to the all-zero key, the
// host-wide filter.
class PortKey {
public:
    PortKey() { m_bytes.fill(0); }
    // `port` points at Port::kSize bytes, or is null for the host-wide filter.
    static PortKey fromRecord(const uint8_t* port);

    bool hostWide() const { return type() == 0; }
    uint8_t type() const { return m_bytes[Port::kOffType]; }
    std::string id() const;
    const std::array<uint8_t, Port::kSize>& bytes() const { return m_bytes; }
    bool operator<(const PortKey& o) const { return m_bytes < o.m_bytes; }
    bool operator==(const PortKey& o) const { return m_bytes == o.m_bytes; }

private:
    std::array<uint8_t, Port::kSize> m_bytes;
};

using Record = std::vector<uint8_t>;

struct RuleSet {
    std::string name;
    std::vector<Record> rules;     // rule records in rule order, each kRuleRecordSize bytes
    uint32_t generation = 0;       // 1 when created, +1 on every change
    uint64_t realizationTime = 0;  // seconds since boot when the rule set last changed
    std::string jumpTarget;        // rule set jumped to when no rule matched; empty for none
};

struct AddrSet {
    std::string name;
    uint32_t kind = 0;
    std::vector<Record> members;  // member records in order, each kAddressRecordSize bytes as received
    uint64_t hits = 0;
    uint32_t generation = 0;       // 1 when created, +1 on every change
    uint64_t realizationTime = 0;  // seconds since boot when the set last changed
};

// One loaded chunk of the IP-reputation database.
struct IpRepChunk {
    std::array<uint8_t, kIpRepDatabaseIdSize> database{};
    std::vector<uint8_t> entries;  // kIpRepEntrySize bytes per entry, as received
};

struct Filter {
    std::map<std::string, RuleSet> ruleSets;  // by name
    std::string l3Root;                       // root rule sets; empty for none
    std::string l2Root;
    std::vector<Record> rootRules;            // the jump rules that installed them: at most two, so
                                              // kept outside the record budget
    std::map<std::string, AddrSet> addrSets;  // by name
    bool sharedAddrSets = false;
    std::map<uint32_t, IpRepChunk> ipRepChunks;  // by chunk number
    ConnTable conns;
    TrafficCounters counters;                    // statistics of rules and address sets
    IdentityState identity;                      // containers and name mappings
    KifSettings kif;
};

struct Limits {
    size_t filters = 1024;
    size_t ruleSetsPerFilter = 4096;
    size_t addrSetsPerFilter = 4096;
    size_t ipRepChunksPerFilter = 4096;
    size_t recordBytes = size_t(256) << 20;  // all rule and member records together
};

class State {
public:
    explicit State(const Limits& limits = Limits()) : m_limits(limits) {}

    void clear();

    // Filter list. Until a filter is declared every port is accepted; afterwards only declared ones
    // and the host-wide filter.
    bool declare(const PortKey& key);
    bool forget(const PortKey& key);
    bool known(const PortKey& key) const;
    bool enforcing() const { return !m_declared.empty(); }

    const Filter* find(const PortKey& key) const;
    // The filter, created empty on first use; null when the filter limit is reached.
    Filter* obtain(const PortKey& key);

    // Creates or replaces a rule set; false (state unchanged) when a limit would be passed.
    bool putRuleSet(Filter& f, RuleSet rs);
    bool dropRuleSet(Filter& f, const std::string& name);
    // Creates or replaces an address set (a new generation, realized now); false (state unchanged) when
    // a limit would be passed.
    bool putAddrSet(Filter& f, AddrSet as);
    bool dropAddrSet(Filter& f, const std::string& name);
    // Loads or replaces a reputation chunk; false (state unchanged) when the record budget would be passed.
    bool putIpRepChunk(Filter& f, uint32_t number, IpRepChunk chunk);
    bool dropIpRepChunk(Filter& f, uint32_t number);

    const Limits& limits() const { return m_limits; }
    size_t recordBytes() const { return m_recordBytes; }

    static uint64_t secondsSinceBoot();

    HostSettings settings;  // global switches, timeouts, flood values, load balancer

private:
    static size_t bytesOf(const RuleSet& rs);
    static size_t bytesOf(const AddrSet& as);
    static size_t bytesOf(const Filter& f);

    Limits m_limits;
    std::map<PortKey, Filter> m_filters;
    std::set<PortKey> m_declared;
    size_t m_recordBytes = 0;
};

}  // namespace KestSim
