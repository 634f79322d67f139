#include "sim/daemon/SimControlCommands.h"

#include <errno.h>

#include <array>
#include <cstring>
#include <sstream>
#include <vector>

#include "sim/engine/SimSettingsControl.h"
#include "sim/engine/SimWire.h"

namespace KestSim {

namespace {

using PortBytes = std::array<uint8_t, Port::kSize>;

bool parseU32(const std::string& s, uint32_t& out) {
    if (s.empty() || s.size() > 10) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + uint64_t(c - '0');
    }
    if (v > 0xFFFFFFFFu) return false;
    out = static_cast<uint32_t>(v);
    return true;
}

// At most 19 digits, so the value cannot wrap.
bool parseU64(const std::string& s, uint64_t& out) {
    if (s.empty() || s.size() > 19) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + uint64_t(c - '0');
    }
    out = v;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHex(const std::string& s, std::vector<uint8_t>& out) {
    if (s.size() % 2) return false;
    out.resize(s.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        int hi = hexDigit(s[2 * i]), lo = hexDigit(s[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return true;
}

// "host", "hex:<200 digits>" or "<type>:<index>:<id>".
bool parsePort(const std::string& s, PortBytes& port) {
    port.fill(0);
    if (s == "host") return true;
    if (s.compare(0, 4, "hex:") == 0) {
        std::vector<uint8_t> bytes;
        if (!parseHex(s.substr(4), bytes) || bytes.size() != Port::kSize) return false;
        memcpy(port.data(), bytes.data(), Port::kSize);
        return true;
    }
    size_t a = s.find(':');
    size_t b = a == std::string::npos ? a : s.find(':', a + 1);
    if (b == std::string::npos) return false;
    uint32_t type = 0, index = 0;
    std::string id = s.substr(b + 1);
    if (!parseU32(s.substr(0, a), type) || type > 15 || !parseU32(s.substr(a + 1, b - a - 1), index) ||
        index > 0xFFFFFF || id.size() >= Port::kIdWidth)
        return false;
    memcpy(port.data() + Port::kOffId, id.data(), id.size());
    for (int i = 0; i < 3; ++i) port[Port::kOffIndex + i] = static_cast<uint8_t>(index >> (8 * i));
    port[Port::kOffType] = static_cast<uint8_t>(type);
    return true;
}

bool parseErrno(const std::string& s, uint32_t& out) {
    static const struct {
        const char* name;
        int value;
    } kNames[] = {{"EPERM", EPERM},   {"ENOENT", ENOENT}, {"EINTR", EINTR},        {"EIO", EIO},
                  {"EAGAIN", EAGAIN}, {"ENOMEM", ENOMEM}, {"EACCES", EACCES},      {"EFAULT", EFAULT},
                  {"EBUSY", EBUSY},   {"ENODEV", ENODEV}, {"EINVAL", EINVAL},      {"ENOTTY", ENOTTY},
                  {"ENOSPC", ENOSPC}, {"ERANGE", ERANGE}, {"ETIMEDOUT", ETIMEDOUT}};
    for (const auto& n : kNames)
        if (s == n.name) {
            out = static_cast<uint32_t>(n.value);
            return true;
        }
    return parseU32(s, out) && out > 0 && out < 4096;
}

// An optional opcode argument: absent, "any" or -1 match every command.
bool parseOpcode(const std::vector<std::string>& t, size_t at, int& opcode) {
    opcode = -1;
    if (t.size() <= at || t[at] == "any" || t[at] == "-1") return t.size() <= at + 1;
    uint32_t v = 0;
    if (!parseU32(t[at], v) || v > 0xFFFF || t.size() > at + 1) return false;
    opcode = static_cast<int>(v);
    return true;
}

std::string captured(const char* word, const std::vector<uint8_t>& bytes, uint32_t fullLen) {
    std::string out = std::string(word) + " " + std::to_string(fullLen);
    if (!bytes.empty()) out += " " + toHex(bytes.data(), bytes.size());
    return out;
}

// "<word> <count>" and, when there are any, the records' bytes in hex back to back.
std::string records(const std::string& word, const std::vector<Record>& recs) {
    std::string out = word + " " + std::to_string(recs.size());
    if (!recs.empty()) out += " ";
    for (const Record& r : recs) out += toHex(r.data(), r.size());
    return out;
}

const std::string kOk = "ok";

std::string bad(const std::string& why) { return "error " + why; }

}  // namespace

std::string toHex(const uint8_t* data, size_t n) {
    static const char kDigits[] = "0123456789abcdef";
    std::string s(2 * n, '0');
    for (size_t i = 0; i < n; ++i) {
        s[2 * i] = kDigits[data[i] >> 4];
        s[2 * i + 1] = kDigits[data[i] & 15];
    }
    return s;
}

std::string ControlCommands::run(const std::string& line) {
    std::vector<std::string> t;
    std::istringstream in(line);
    for (std::string w; in >> w;) t.push_back(w);
    if (t.empty()) return bad("empty request");
    const std::string& verb = t[0];
    Engine& engine = m_shared.engine;
    PortBytes port;

    if (std::string answer; settingsControl(engine, t, answer)) return answer;
    if (verb == "ping" && t.size() == 1) return "pong";
    if (verb == "reset" && t.size() == 1) {
        m_shared.reset();
        return kOk;
    }
    if ((verb == "declare" || verb == "forget") && t.size() == 2) {
        if (!parsePort(t[1], port)) return bad("bad port");
        bool done = verb == "declare" ? engine.declareFilter(port.data()) : engine.forgetFilter(port.data());
        return done ? kOk : bad(verb == "declare" ? "too many filters" : "filter was not declared");
    }

    if (isConnRequest(t)) {
        if (!parsePort(t[2], port)) return bad("bad port");
        return runConnControl(engine, t, port.data());
    }

    if (verb == "seed" && t.size() >= 3) {
        if (!parsePort(t[2], port)) return bad("bad port");
        if (t[1] == "rulesets" && t.size() == 4) {
            uint32_t count = 0;
            if (!parseU32(t[3], count)) return bad("bad count");
            return engine.seedRuleSetCount(port.data(), count) ? kOk : bad("too many rule sets");
        }
        if (t[1] == "ruleset" && (t.size() == 4 || t.size() == 5)) {
            std::vector<uint8_t> rules;
            if (t.size() == 5 && (!parseHex(t[4], rules) || rules.size() % kRuleRecordSize != 0))
                return bad("rules are not whole rule records in hex");
            uint32_t count = static_cast<uint32_t>(rules.size() / kRuleRecordSize);
            return engine.seedRuleSet(port.data(), t[3], rules.data(), count) ? kOk : bad("rule set refused");
        }
        return bad("unknown seed request");
    }

    if (verb == "show" && t.size() >= 2) {
        const std::string& what = t[1];
        if (what == "rulesets" && t.size() == 3) {
            if (!parsePort(t[2], port)) return bad("bad port");
            return "rulesets " + std::to_string(engine.ruleSetCount(port.data()));
        }
        if (what == "rules" && t.size() == 4) {
            if (!parsePort(t[2], port)) return bad("bad port");
            long n = engine.ruleCount(port.data(), t[3]);
            return n < 0 ? std::string("rules none") : "rules " + std::to_string(n);
        }
        if ((what == "ruleset" || what == "records") && t.size() == 4) {
            if (!parsePort(t[2], port)) return bad("bad port");
            RuleSet rs;
            if (!engine.ruleSet(port.data(), t[3], rs)) return what + " none";
            if (what == "ruleset")
                return "ruleset " + std::to_string(rs.rules.size()) + " generation " + std::to_string(rs.generation) +
                       " time " + std::to_string(rs.realizationTime) + " jump " +
                       (rs.jumpTarget.empty() ? std::string("-") : rs.jumpTarget);
            return records("records", rs.rules);
        }
        if (what == "roots" && t.size() == 3) {
            if (!parsePort(t[2], port)) return bad("bad port");
            std::string l3, l2;
            std::vector<Record> rules;
            engine.roots(port.data(), l3, l2, rules);
            return records("roots " + (l3.empty() ? std::string("-") : l3) + " " + (l2.empty() ? std::string("-") : l2),
                           rules);
        }
        if ((what == "addrsets" || what == "shared" || what == "iprep") && t.size() == 3) {
            if (!parsePort(t[2], port)) return bad("bad port");
            if (what == "shared") return engine.sharedAddrSets(port.data()) ? "shared on" : "shared off";
            std::string out;
            if (what == "addrsets") {
                std::vector<std::string> names = engine.addrSetNames(port.data());
                out = "addrsets " + std::to_string(names.size());
                for (const std::string& n : names) out += " " + n;
            } else {
                std::map<uint32_t, IpRepChunk> chunks = engine.ipRepChunks(port.data());
                out = "iprep " + std::to_string(chunks.size());
                for (const auto& kv : chunks)
                    out += " " + std::to_string(kv.first) + ":" +
                           std::to_string(kv.second.entries.size() / kIpRepEntrySize);
            }
            return out;
        }
        if (what == "addrset" && t.size() == 4) {
            if (!parsePort(t[2], port)) return bad("bad port");
            AddrSet as;
            if (!engine.addrSet(port.data(), t[3], as)) return "addrset none";
            std::string out = "addrset kind " + std::to_string(as.kind) + " generation " +
                              std::to_string(as.generation) + " time " + std::to_string(as.realizationTime) +
                              " members " + std::to_string(as.members.size());
            if (!as.members.empty()) out += " ";
            for (const Record& r : as.members) out += toHex(r.data(), r.size());
            return out;
        }
        if (t.size() == 2) {
            if (what == "calls") return "calls " + std::to_string(engine.calls());
            if (what == "commands") return "commands " + std::to_string(engine.commands());
            if (what == "faults") return "faults " + std::to_string(engine.pendingFaults() + m_shared.drops.pending());
            if (what == "requests")
                return "requests tcp " + std::to_string(m_shared.tcpRequests.load()) + " unix " +
                       std::to_string(m_shared.unixRequests.load());
            uint32_t len = 0;
            if (what == "last-message") {
                std::vector<uint8_t> bytes = engine.lastMessage(&len);
                return captured("message", bytes, len);
            }
            if (what == "last-reply") {
                std::vector<uint8_t> bytes = engine.lastReply(&len);
                return captured("reply", bytes, len);
            }
        }
        return bad("unknown show request");
    }

    if (verb == "count" && t.size() >= 2) {
        uint32_t a = 0;
        uint64_t packets = 0, bytes = 0, misses = 0;
        if (t[1] == "rule" && t.size() == 8) {
            if (!parsePort(t[2], port)) return bad("bad port");
            if (!parseU32(t[4], a) || (t[5] != "in" && t[5] != "out") || !parseU64(t[6], packets) ||
                !parseU64(t[7], bytes))
                return bad("usage: count rule <port> <ruleset> <rule id> in|out <packets> <bytes>");
            return engine.countRule(port.data(), t[3], a, t[5] == "in", packets, bytes) ? kOk : bad("no such rule");
        }
        if (t[1] == "addrset" && t.size() == 8) {
            if (!parsePort(t[2], port)) return bad("bad port");
            if (!parseU32(t[4], a) || !parseU64(t[5], packets) || !parseU64(t[6], bytes) || !parseU64(t[7], misses))
                return bad("usage: count addrset <port> <name> <way 0-3> <packets> <bytes> <misses>");
            return engine.countAddrSet(port.data(), t[3], a, packets, bytes, misses) ? kOk : bad("no such set or way");
        }
        return bad("unknown count request");
    }

    if (verb == "fault" && t.size() >= 2) {
        const std::string& kind = t[1];
        if (kind == "clear" && t.size() == 2) {
            engine.clearFaults();
            m_shared.drops.clear();
            return kOk;
        }
        uint32_t a = 0, count = 0;
        int opcode = -1;
        Fault f;
        if (kind == "status" && t.size() >= 4) {
            if (!parseU32(t[2], a) || !parseU32(t[3], count) || !parseOpcode(t, 4, opcode))
                return bad("usage: fault status <status> <count> [<opcode>]");
            f = Fault{FaultKind::Status, a, count, opcode};
        } else if (kind == "errno" && t.size() == 4) {
            if (!parseErrno(t[2], a) || !parseU32(t[3], count)) return bad("usage: fault errno <errno> <count>");
            f = Fault{FaultKind::Errno, a, count, -1};
        } else if (kind == "delay" && t.size() == 4) {
            if (!parseU32(t[2], a) || !parseU32(t[3], count)) return bad("usage: fault delay <ms> <count>");
            f = Fault{FaultKind::Delay, a, count, -1};
        } else if (kind == "reply" && t.size() >= 5) {
            FaultKind k = t[2] == "short"    ? FaultKind::ReplyShort
                          : t[2] == "lie"    ? FaultKind::ReplyLieCount
                          : t[2] == "nonul"  ? FaultKind::ReplyNoNul
                          : t[2] == "mutate" ? FaultKind::ReplyMutate
                                             : FaultKind::None;
            if (k == FaultKind::None || !parseU32(t[3], a) || !parseU32(t[4], count) || !parseOpcode(t, 5, opcode))
                return bad("usage: fault reply short|lie|nonul|mutate <param> <count> [<opcode>]");
            f = Fault{k, a, count, opcode};
        } else if (kind == "drop" && (t.size() == 3 || t.size() == 4)) {
            uint32_t bytes = DropPlan::kHalf;
            if (!parseU32(t[2], count) || (t.size() == 4 && (!parseU32(t[3], bytes) || bytes == DropPlan::kHalf)))
                return bad("usage: fault drop <count> [<bytes>]");
            return m_shared.drops.add(count, bytes) ? kOk : bad("fault refused");
        } else {
            return bad("unknown fault");
        }
        return engine.addFault(f) ? kOk : bad("fault refused");
    }
    return bad("unknown request");
}

}  // namespace KestSim
