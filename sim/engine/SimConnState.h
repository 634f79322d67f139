// The simulated module's connection table of one filter: tracked flows by flow identifier, each with
// the flow record the module reports, the key it is matched by, how often it was re-evaluated, the
// attribute chain attached to it and its DPI state; and the filter's failure policy.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

namespace KestSim {

namespace Conn {
// Opcodes of the connection commands.
constexpr uint16_t kGetCount = 23;
constexpr uint16_t kGetStat = 24;
constexpr uint16_t kSetFailPolicy = 28;
constexpr uint16_t kSetByList = 34;
constexpr uint16_t kClearAll = 40;
constexpr uint16_t kSetByFilter = 64;
constexpr uint16_t kSetAll = 65;
constexpr uint16_t kSetAttr = 73;
constexpr uint16_t kGetAttrInfo = 74;
constexpr uint16_t kGetDPIInfo = 77;

constexpr size_t kKeySize = 40;
constexpr size_t kFilterSize = 80;
constexpr size_t kRecordSize = 294;

// Flow record fields.
constexpr size_t kOffState = 0;  // not read by the library; the sim keeps the DPI state there
constexpr size_t kOffFlowId = 3;
constexpr size_t kOffTime = 79;
constexpr size_t kOffProto = 97;
constexpr size_t kOffFamily = 98;
constexpr size_t kOffEthertype = 99;
constexpr size_t kOffCounters = 113;  // A, B, C, D
constexpr size_t kOffSrc = 188;
constexpr size_t kOffDst4 = 192;
constexpr size_t kOffAlg4 = 200;
constexpr size_t kOffDst6 = 204;
constexpr size_t kOffSport = 216;
constexpr size_t kOffDport = 218;
constexpr size_t kOffAlg6 = 252;

// Key fields.
constexpr size_t kKeyOffDst = 16;
constexpr size_t kKeyOffSport = 32;
constexpr size_t kKeyOffDport = 34;
constexpr size_t kKeyOffFlags = 36;
constexpr size_t kKeyOffProto = 39;
constexpr uint8_t kKeyFlagIPv6 = 1;

constexpr size_t kMaxFlows = 1u << 16;
constexpr size_t kMaxAttrBytes = 1u << 16;
}  // namespace Conn

using ConnKey = std::array<uint8_t, Conn::kKeySize>;

// What a test seeds: the five-tuple, state, counters and the optional ALG information of one flow.
struct FlowSeed {
    uint64_t id = 0;
    uint32_t time = 0;  // seconds since 1970
    uint8_t proto = 6;
    uint8_t family = 2;  // 2 IPv4, 10 IPv6
    uint8_t src[16] = {0};
    uint8_t dst[16] = {0};
    uint16_t sport = 0, dport = 0;  // host order
    uint8_t state = 0;              // DPI state
    uint64_t counters[4] = {0, 0, 0, 0};
    uint8_t algKind = 0, algRole = 0;
    uint16_t algPort = 0;
    uint64_t algRelated = 0;
};

struct Flow {
    uint64_t id = 0;
    std::vector<uint8_t> record;  // Conn::kRecordSize bytes, as the module reports it
    ConnKey key{};                // direction bits clear
    uint8_t state = 0;
    uint32_t reevaluations = 0;
    uint32_t attrCount = 0;
    std::vector<uint8_t> attrs;  // the attribute chain last attached
    bool dnsRevalDone = false;
};

struct ConnTable {
    std::map<uint64_t, Flow> flows;  // by flow identifier: pages come in identifier order
    int failPolicy = -1;             // -1 never set
};

namespace ConnBytes {
inline void be(uint8_t* p, uint64_t v, int width) {
    for (int i = 0; i < width; ++i) p[i] = uint8_t(v >> (8 * (width - 1 - i)));
}
inline void le(uint8_t* p, uint64_t v, int width) {
    for (int i = 0; i < width; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline uint64_t beRead(const uint8_t* p, int width) {
    uint64_t v = 0;
    for (int i = 0; i < width; ++i) v = v << 8 | p[i];
    return v;
}
}  // namespace ConnBytes

// The key a flow record is found by (a family other than 2 counts as IPv6).
inline ConnKey flowKeyOf(const std::vector<uint8_t>& rec) {
    ConnKey k{};
    const bool v4 = rec[Conn::kOffFamily] == 2;
    memcpy(k.data(), &rec[Conn::kOffSrc], v4 ? 4 : 16);
    memcpy(k.data() + Conn::kKeyOffDst, &rec[v4 ? Conn::kOffDst4 : Conn::kOffDst6], v4 ? 4 : 16);
    memcpy(k.data() + Conn::kKeyOffSport, &rec[Conn::kOffSport], 4);
    k[Conn::kKeyOffFlags] = v4 ? 0 : Conn::kKeyFlagIPv6;
    k[Conn::kKeyOffProto] = rec[Conn::kOffProto];
    return k;
}

// A flow from a raw record (its identifier and state read from it).
inline Flow flowFromRecord(const uint8_t* rec) {
    Flow f;
    f.record.assign(rec, rec + Conn::kRecordSize);
    f.id = ConnBytes::beRead(rec + Conn::kOffFlowId, 8);
    f.state = rec[Conn::kOffState];
    f.key = flowKeyOf(f.record);
    return f;
}

// A flow from its description. An IPv6 record's ports lie inside its destination address; the address
// is written last and wins, the key keeps the ports given.
inline Flow flowFromSeed(const FlowSeed& s) {
    std::vector<uint8_t> r(Conn::kRecordSize, 0);
    using namespace ConnBytes;
    const bool v4 = s.family == 2;
    r[Conn::kOffState] = s.state;
    be(&r[Conn::kOffFlowId], s.id, 8);
    le(&r[Conn::kOffTime], s.time, 4);
    r[Conn::kOffProto] = s.proto;
    r[Conn::kOffFamily] = s.family;
    be(&r[Conn::kOffEthertype], v4 ? 0x0800 : 0x86DD, 2);
    for (int i = 0; i < 4; ++i) le(&r[Conn::kOffCounters + 8 * i], s.counters[i], 8);
    be(&r[Conn::kOffSport], s.sport, 2);
    be(&r[Conn::kOffDport], s.dport, 2);
    uint8_t* alg = &r[v4 ? Conn::kOffAlg4 : Conn::kOffAlg6];
    be(alg, s.algRelated, 8);
    alg[8] = s.algKind;
    alg[9] = s.algRole;
    be(alg + 10, s.algPort, 2);
    memcpy(&r[Conn::kOffSrc], s.src, v4 ? 4 : 16);
    memcpy(&r[v4 ? Conn::kOffDst4 : Conn::kOffDst6], s.dst, v4 ? 4 : 16);
    Flow f = flowFromRecord(r.data());
    be(f.key.data() + Conn::kKeyOffSport, s.sport, 2);
    be(f.key.data() + Conn::kKeyOffDport, s.dport, 2);
    return f;
}

}  // namespace KestSim
