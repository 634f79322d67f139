// Connection-table requests of the control language.
#include <arpa/inet.h>

#include <cstring>

#include "sim/daemon/SimControlCommands.h"

namespace KestSim {

namespace {

bool parseU64(const std::string& s, uint64_t& out) {
    if (s.empty() || s.size() > 20) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        const uint64_t d = uint64_t(c - '0');
        if (v > (UINT64_MAX - d) / 10) return false;
        v = v * 10 + d;
    }
    out = v;
    return true;
}

bool parseSmall(const std::string& s, uint64_t max, uint64_t& out) { return parseU64(s, out) && out <= max; }

// An IPv4 or IPv6 address; the family must agree with the one already seen (0: none yet).
bool parseAddress(const std::string& s, uint8_t& family, uint8_t (&out)[16]) {
    memset(out, 0, sizeof out);
    const uint8_t f = s.find(':') == std::string::npos ? 2 : 10;
    if (family != 0 && family != f) return false;
    family = f;
    return inet_pton(f == 2 ? AF_INET : AF_INET6, s.c_str(), out) == 1;
}

// seed flow <port> <id> <proto> <src> <sport> <dst> <dport> [<state> [<a> <b> <c> <d> [<time>]]]
std::string seedFlow(Engine& engine, const std::vector<std::string>& t, const uint8_t* port) {
    const std::string usage =
        "error usage: seed flow <port> <id> <proto> <src> <sport> <dst> <dport> [<state> [<a> <b> <c> <d> [<time>]]]";
    if (t.size() != 9 && t.size() != 10 && t.size() != 14 && t.size() != 15) return usage;
    FlowSeed s;
    s.family = 0;
    uint64_t proto = 0, sport = 0, dport = 0, state = 0, time = 0;
    if (!parseU64(t[3], s.id) || !parseSmall(t[4], 255, proto) || !parseAddress(t[5], s.family, s.src) ||
        !parseSmall(t[6], 65535, sport) || !parseAddress(t[7], s.family, s.dst) || !parseSmall(t[8], 65535, dport))
        return usage;
    if (t.size() >= 10 && !parseSmall(t[9], 255, state)) return usage;
    for (size_t i = 0; i < 4 && t.size() >= 14; ++i)
        if (!parseU64(t[10 + i], s.counters[i])) return usage;
    if (t.size() == 15 && !parseSmall(t[14], 0xFFFFFFFFu, time)) return usage;
    s.proto = uint8_t(proto);
    s.sport = uint16_t(sport);
    s.dport = uint16_t(dport);
    s.state = uint8_t(state);
    s.time = uint32_t(time);
    return engine.seedFlow(port, flowFromSeed(s)) ? "ok" : "error flow table full";
}

}  // namespace

bool isConnRequest(const std::vector<std::string>& t) {
    if (t.size() < 3) return false;
    return ((t[0] == "seed" || t[0] == "drop") && t[1] == "flow") ||
           (t[0] == "show" && (t[1] == "flows" || t[1] == "failpolicy"));
}

std::string runConnControl(Engine& engine, const std::vector<std::string>& t, const uint8_t* port) {
    if (t[0] == "seed") return seedFlow(engine, t, port);
    if (t[0] == "drop") {
        uint64_t id = 0;
        if (t.size() != 4 || !parseU64(t[3], id)) return "error usage: drop flow <port> <id>";
        return engine.dropFlow(port, id) ? "ok" : "error no such flow";
    }
    if (t.size() != 3) return "error unknown show request";
    if (t[1] == "failpolicy") {
        const int p = engine.failPolicy(port);
        return p < 0 ? "failpolicy unset" : p == 0 ? "failpolicy open" : "failpolicy close";
    }
    std::vector<Flow> flows = engine.flows(port);
    std::string out = "flows " + std::to_string(flows.size());
    for (const Flow& f : flows)
        out += " " + std::to_string(f.id) + ":" + std::to_string(f.reevaluations) + ":" + std::to_string(f.attrCount);
    return out;
}

}  // namespace KestSim
