// Every exported function that sends a command and reads its reply, each as one call with plausible
// arguments on a given handle and port. Reliability suites drive the whole table through hostile
// replies, many threads and long runs; a new command family adds its rows here.
#pragma once

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <vector>

#include "kestfw/kestfw.h"
#include "sim/KestSimControl.h"

namespace kestfw_test {

struct ApiCall {
    const char* name;
    FWStatus_t (*call)(fwlibhandle_* h, dvs_port_* port);
};
inline void PrintTo(const ApiCall& c, std::ostream* os) { *os << c.name; }

namespace api_detail {

inline FWRuleSetID_t ruleSet(const char* name) {
    FWRuleSetID_t id{};
    strncpy(id.name, name, sizeof id.name - 1);
    return id;
}
inline FWAddrSetID_t addrSet(const char* name) {
    FWAddrSetID_t id{};
    strncpy(id.name, name, sizeof id.name - 1);
    return id;
}
inline FWAddress_ ipv4(uint32_t hostOrder) {
    FWAddress_ a{};
    a.type[0] = 1;
    uint32_t net = htonl(hostOrder);
    memcpy(a.body, &net, 4);  // bytes 4..7 of the record
    return a;
}
inline FWConnection_ conn() {
    FWConnection_ c{};
    c.src[0] = 10, c.src[3] = 1;
    c.dst[0] = 10, c.dst[3] = 2;
    c.sport = htons(40000);
    c.dport = htons(443);
    c.flags = FW_CONN_FLAG_OUTBOUND;
    c.proto = 6;
    return c;
}

}  // namespace api_detail

inline const std::vector<ApiCall>& apiCalls() {
    using namespace api_detail;
    static const std::vector<ApiCall> calls = {
        // Rule sets and their queries.
        {"GetRuleSetCount",
         [](fwlibhandle_* h, dvs_port_* p) {
             uint32_t n = 0;
             return FW_GetRuleSetCount(h, p, nullptr, &n);
         }},
        {"GetRootRuleSet",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWRuleSetID_t l3{}, l2{};
             unsigned r = 0;
             return FW_GetRootRuleSet(h, p, nullptr, &l3, &l2, &r);
         }},
        {"ClearRuleSet",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned r = 0;
             return FW_ClearRuleSet(h, p, nullptr, &r, ruleSet("rs-a"));
         }},
        {"GetRuleSetList",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWRuleSetID_t ids[8];
             unsigned got = 0;
             return FW_GetRuleSetList(h, p, nullptr, 8, 0, ids, &got);
         }},
        {"GetRuleCountOfRuleSet",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned n = 0;
             return FW_GetRuleCountOfRuleSet(h, p, nullptr, 0, &n, ruleSet("rs-a"));
         }},
        {"GetRuleSetInfo",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWRuleSetInfo_ info{};
             return FW_GetRuleSetInfo(h, p, nullptr, &info, ruleSet("rs-a"));
         }},
        {"GetRuleOfRuleSet",
         [](fwlibhandle_* h, dvs_port_* p) {
             static thread_local FWRule_ rules[4];
             unsigned got = 0;
             return FW_GetRuleOfRuleSet(h, p, nullptr, 0, 4, 0, ruleSet("rs-a"), nullptr, rules, &got);
         }},
        {"GetStatOfRuleSet",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWRuleStat_ stats[4];
             unsigned got = 0;
             return FW_GetStatOfRuleSet(h, p, nullptr, 0, 4, 0, ruleSet("rs-a"), nullptr, stats, &got);
         }},
        // Address sets and their queries.
        {"CreateAddrSet",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWAddress_ a[2] = {ipv4(0x0A000001), ipv4(0x0A000002)};
             return FW_CreateAddrSet(h, p, nullptr, FW_ADDRSET_IP, 2, a, addrSet("as-a"));
         }},
        {"ClearAddrSet",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned r = 0;
             return FW_ClearAddrSet(h, p, nullptr, &r, addrSet("as-b"));
         }},
        {"DestroyAddrSet",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned r = 0;
             return FW_DestroyAddrSet(h, p, nullptr, &r, addrSet("as-b"));
         }},
        {"DestroyAllAddrSet",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned r = 0;
             return FW_DestroyAllAddrSet(h, p, nullptr, &r);
         }},
        {"ConfigSharedAddrSet", [](fwlibhandle_* h, dvs_port_* p) { return FW_ConfigSharedAddrSet(h, p, nullptr, 1); }},
        {"GetSharedAddrSet",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned e = 0;
             return FW_GetSharedAddrSet(h, p, nullptr, &e);
         }},
        {"GetAddrSetCount",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned n = 0;
             return FW_GetAddrSetCount(h, p, nullptr, FW_ADDRSET_IP, &n);
         }},
        {"GetAddrSetList",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWAddrSetID_t ids[8];
             unsigned got = 0;
             return FW_GetAddrSetList(h, p, nullptr, FW_ADDRSET_IP, 8, 0, ids, &got);
         }},
        {"GetAddrSetStatList",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWAddrSetStat_ stats[8];
             unsigned got = 0;
             return FW_GetAddrSetStatList(h, p, nullptr, FW_ADDRSET_IP, 8, 0, stats, &got);
         }},
        {"GetAddrSetTypeAndSize",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned t = 0, s = 0;
             return FW_GetAddrSetTypeAndSize(h, p, nullptr, &t, &s, addrSet("as-a"));
         }},
        {"GetAddrSetInfo",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWAddrSetInfo_ info{};
             return FW_GetAddrSetInfo(h, p, nullptr, &info, addrSet("as-a"));
         }},
        {"GetAddressOfAddrSet",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWAddress_ out[8];
             unsigned got = 0;
             uint64_t gen = 0, real = 0;
             return FW_GetAddressOfAddrSet(h, p, nullptr, 8, 0, 0, addrSet("as-a"), out, &got, &gen, &real);
         }},
        // Connections.
        {"GetConnectionCount",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned n = 0;
             return FW_GetConnectionCount(h, p, nullptr, nullptr, &n);
         }},
        {"GetConnectionStat",
         [](fwlibhandle_* h, dvs_port_* p) {
             static thread_local FWConnectionStat_ out[8];
             FWConnFilter_ f{};
             unsigned got = 0;
             return FW_GetConnectionStat(h, p, nullptr, 8, &f, 0, out, &got);
         }},
        {"PrintConnectionStat",
         [](fwlibhandle_* h, dvs_port_* p) { return FW_PrintConnectionStat(h, p, nullptr, 8, 0); }},
        {"GetConnectionDPIInfo",
         [](fwlibhandle_* h, dvs_port_* p) {
             uint64_t ids[2] = {1, 2};
             FWConnDPIInfo_ out[2];
             unsigned got = 0;
             return FW_GetConnectionDPIInfo(h, p, nullptr, 2, ids, 2, out, &got);
         }},
        {"SetConnectionByFilter",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWConnFilter_ f{};
             unsigned r = 0;
             return FW_SetConnectionByFilter(h, p, nullptr, &f, &r);
         }},
        {"SetConnectionByList",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWConnection_ c = conn();
             unsigned r = 0;
             return FW_SetConnectionByList(h, p, nullptr, 1, &c, &r);
         }},
        {"SetAllConnection",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned r = 0;
             return FW_SetAllConnection(h, p, nullptr, &r);
         }},
        {"ClearAllConnection",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned r = 0;
             return FW_ClearAllConnection(h, p, nullptr, &r);
         }},
        {"SetFailPolicy", [](fwlibhandle_* h, dvs_port_* p) { return FW_SetFailPolicy(h, p, nullptr, FW_FAIL_CLOSE); }},
        {"SetConnectionAttr",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWConnection_ c = conn();
             void* cmd = nullptr;
             FWStatus_t s = FW_CreateConnectionAttr(h, p, &c, 0, FW_ATTR_OP_ADD, &cmd);
             if (s != 0) return s;
             FW_AddAttrINT(cmd, 1, 42);
             FW_AddAttrProcessHash(cmd, 0x1234);
             unsigned r = 0;
             s = FW_SetConnectionAttr(h, nullptr, cmd, &r);
             FW_ReleaseConnectionAttr(h, cmd);
             return s;
         }},
        {"GetConnAttrInfo",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWConnection_ c = conn();
             unsigned n = 0, size = 0;
             return FW_GetConnAttrInfo(h, p, nullptr, &c, 0, &n, &size);
         }},
        {"SetDNSRevalDone",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWConnection_ c = conn();
             unsigned r = 0;
             return FW_SetDNSRevalDone(h, p, nullptr, &c, 0, &r);
         }},
        // Identity and name mappings, containers.
        {"AddDomainAndUuids",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWuuid_ u[2] = {{{1, 2, 3}}, {{4, 5, 6}}};
             return FW_AddDomainAndUuids(h, p, nullptr, "www.example.test", u, 2);
         }},
        {"DomainUuidModifyCmd",
         [](fwlibhandle_* h, dvs_port_* p) {
             void* cmd = nullptr;
             FWStatus_t s = FW_CreateDomainUuidModifyCmd(h, p, 0, &cmd);
             if (s != 0) return s;
             FWuuid_ u{{9}};
             FW_AddDomainUuidEntry(cmd, "a.example.test", &u, 1, 5, 6);
             void* reply = nullptr;
             s = FW_ExecuteDomainUuidModifyCmd(h, nullptr, &reply, cmd);
             FW_ReleaseDomainUuidModifyCmd(h, reply, cmd);
             return s;
         }},
        {"GetDomainUuidCmd",
         [](fwlibhandle_* h, dvs_port_* p) {
             void* cmd = nullptr;
             FWStatus_t s = FW_CreateGetDomainUuidCmd(h, p, 3, 0, 4096, 0, 0, &cmd);
             if (s != 0) return s;
             void* reply = nullptr;
             s = FW_ExecuteGetDomainUuidCmd(h, nullptr, &reply, cmd);
             if (s == 0) {
                 FWDomainUuidEntry_ e{};
                 FWuuid_ u[4];
                 for (unsigned i = 0; i < 4; ++i) FW_GetDomainUuidEntry(cmd, i, &e, u, 4);
             }
             FW_ReleaseGetDomainUuidMapCmd(h, reply, cmd);
             return s;
         }},
        {"GetDomainUuidNumAndSize",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned n = 0, size = 0;
             return FW_GetDomainUuidNumAndSize(h, p, nullptr, &n, &size);
         }},
        {"SetDomain2IPMap",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWAddress_ a[2] = {ipv4(0x0A000101), ipv4(0x0A000102)};
             unsigned ttl[2] = {60, 120};
             return FW_SetDomain2IPMap(h, p, nullptr, "b.example.test", a, ttl, 2);
         }},
        {"Domain2IPHandle",
         [](fwlibhandle_* h, dvs_port_* p) {
             void* cmd = nullptr;
             FWStatus_t s = FW_CreateDomain2IPHandle(h, p, "c.example.test", &cmd);
             if (s != 0) return s;
             FWAddress_ a = ipv4(0x0A000201);
             FW_AddIPAddress(cmd, &a, 30);
             void* reply = nullptr;
             s = FW_SetDomain2IP(h, nullptr, &reply, cmd);
             FW_ReleaseDomain2IPHandle(h, reply, cmd);
             return s;
         }},
        {"AddAttrUid2MultiSid",
         [](fwlibhandle_* h, dvs_port_* p) {
             const char* groups[2] = {"S-1-5-21-1-2-3-513", "S-1-5-32-544"};
             return FW_AddAttrUid2MultiSid(h, p, FW_UID2SID_ADD, "S-1-5-21-1-2-3-1001", groups, 2, 0);
         }},
        {"GetUid2SidMapSize",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned size = 0, n = 0;
             return FW_GetUid2SidMapSize(h, p, &size, &n);
         }},
        {"GetUid2SidMap", [](fwlibhandle_* h, dvs_port_* p) { return FW_GetUid2SidMap(h, p, 0, 4); }},
        {"SetDnsConfigProfile", [](fwlibhandle_* h, dvs_port_* p) { return FW_SetDnsConfigProfile(h, p, 0, 300); }},
        {"GetDnsConfigProfile", [](fwlibhandle_* h, dvs_port_* p) { return FW_GetDnsConfigProfile(h, p); }},
        {"DeleteFqdnTree",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned r = 0;
             return FW_DeleteFqdnTree(h, p, nullptr, &r);
         }},
        {"GetFqdnCount",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned n = 0;
             return FW_GetFqdnCount(h, p, nullptr, &n);
         }},
        {"GetFqdnEntryV4",
         [](fwlibhandle_* h, dvs_port_* p) {
             in_addr a[2];
             a[0].s_addr = htonl(0x0A000101), a[1].s_addr = htonl(0x0A000102);
             FWFqdnEntryCount_ out[2];
             return FW_GetFqdnEntryV4(h, p, nullptr, 2, a, out);
         }},
        {"GetFqdnEntryV6",
         [](fwlibhandle_* h, dvs_port_* p) {
             in6_addr a{};
             a.s6_addr[0] = 0xfd;
             FWFqdnEntryCount_ out[1];
             return FW_GetFqdnEntryV6(h, p, nullptr, 1, &a, out);
         }},
        {"GetDomainAndUuids",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWAddress_ a = ipv4(0x0A000101);
             static thread_local uint8_t out[2 * FW_FQDN_UUID_ENTRY_SIZE];
             return FW_GetDomainAndUuids(h, p, nullptr, &a, 0, 0, 2, out);
         }},
        {"GetElementsOfContainer",
         [](fwlibhandle_* h, dvs_port_* p) {
             char* out[8] = {};
             unsigned got = 0;
             FWStatus_t s = FW_GetElementsOfContainer(h, p, nullptr, 8, 0, out, &got, addrSet("ct-a"));
             for (char* t : out) free(t);
             return s;
         }},
        // Kernel-interface statistics, flags and diagnostics.
        {"GetKifStat",
         [](fwlibhandle_* h, dvs_port_* p) {
             static thread_local uint32_t stats[KESTFW_KIFSTAT_WORDS];
             return FW_GetKifStat(h, p, nullptr, stats);
         }},
        {"ClearKifStat", [](fwlibhandle_* h, dvs_port_* p) { return FW_ClearKifStat(h, p, nullptr); }},
        {"GetKifFlags",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned f = 0;
             return FW_GetKifFlags(h, p, nullptr, &f);
         }},
        {"GetKifL7Flag",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned f = 0;
             return FW_GetKifL7Flag(h, p, nullptr, &f);
         }},
        {"GetKifIDFWFlag",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned f = 0;
             return FW_GetKifIDFWFlag(h, p, nullptr, &f);
         }},
        {"FpFlag",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned v = 1;
             return FW_FpFlag(h, p, nullptr, &v, 1);
         }},
        {"DeleteSpoofGuard",
         [](fwlibhandle_* h, dvs_port_* p) {
             fw_ether_ mac{};
             return FW_DeleteSpoofGuard(h, p, nullptr, mac);
         }},
        {"DebugComponent", [](fwlibhandle_* h, dvs_port_* p) { return FW_DebugComponent(h, p, nullptr, 1, 2); }},
        {"DebugStatus",
         [](fwlibhandle_* h, dvs_port_* p) {
             uint8_t st[KESTFW_DEBUG_STATUS_SIZE];
             return FW_DebugStatus(h, p, nullptr, st);
         }},
        {"GetAlgs",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned w = 0, n = 0;
             FWStatus_t s = FW_GetAlgCount(h, p, nullptr, &w, &n);
             uint8_t out[8 * KESTFW_ALG_RECORD_SIZE];
             n = 8;
             return s != 0 ? s : FW_GetAlgs(h, p, nullptr, 0, &n, out);
         }},
        {"GetAlgPorts",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned w = 0, n = 0;
             FWStatus_t s = FW_GetAlgPortCount(h, p, nullptr, &w, &n);
             uint8_t out[8 * KESTFW_ALG_PORT_RECORD_SIZE];
             n = 8;
             return s != 0 ? s : FW_GetAlgPorts(h, p, nullptr, 0, &n, out);
         }},
        {"LookIpRepDb",
         [](fwlibhandle_* h, dvs_port_* p) {
             uint8_t out[KESTFW_IPREP_LOOKUP_SIZE];
             return FW_LookIpRepDb(h, p, 0x0A000001, out);
         }},
        // Load balancer.
        {"GetLBConfig",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWLBConfigSize_ sizes{};
             FWStatus_t s = FW_GetLBConfigSize(h, p, nullptr, &sizes);
             static thread_local uint8_t out[8192];
             return s != 0 ? s : FW_GetLBConfig(h, p, nullptr, &sizes, out, sizeof out);
         }},
        {"GetLBStat",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWLBStat_ sizes{};
             FWStatus_t s = FW_GetLBStatSize(h, p, nullptr, &sizes);
             static thread_local uint8_t out[8192];
             return s != 0 ? s : FW_GetLBStat(h, p, nullptr, &sizes, out, sizeof out);
         }},
        {"ClearLBStat",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWLBStat_ req{};
             return FW_ClearLBStat(h, p, nullptr, &req);
         }},
        // Global settings.
        {"GetFailPolicy",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned v = 0;
             return FW_GetFailPolicy(h, p, nullptr, &v);
         }},
        {"Timeouts",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWInstTimeout_ t{};
             t.value[0] = 30, t.present[0] = 1;
             FWStatus_t s = FW_SetTimeout(h, p, nullptr, &t);
             return s != 0 ? s : FW_GetTimeout(h, p, nullptr, &t);
         }},
        {"Flood",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWFloodCfg_t cfg{};
             FWFloodStat_t st{};
             FWStatus_t s = FW_SetFloodCfg(h, p, nullptr, &cfg);
             return s != 0 ? s : FW_GetFloodStat(h, p, nullptr, &st);
         }},
        {"HopoverExportver",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWHopoverExportver_ v{2};
             FWStatus_t s = FW_SetHopoverExportver(h, p, nullptr, &v);
             return s != 0 ? s : FW_GetHopoverExportver(h, p, nullptr, &v);
         }},
        {"ConfigICMPErrPktDrop",
         [](fwlibhandle_* h, dvs_port_* p) { return FW_ConfigICMPErrPktDrop(h, p, nullptr, 1); }},
        {"IDSMode",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWStatus_t s = FW_SetIDSMode(h, p, 1);
             return s != 0 ? s : FW_GetIDSMode(h, p);
         }},
        {"Oversubscription",
         [](fwlibhandle_* h, dvs_port_* p) {
             FWStatus_t s = FW_SetOversubscription(h, p, 1);
             return s != 0 ? s : FW_GetOversubscription(h, p);
         }},
        {"SetL7CopyMode", [](fwlibhandle_* h, dvs_port_* p) { return FW_SetL7CopyMode(h, p, 1); }},
        {"SetIDSFlowAttr", [](fwlibhandle_* h, dvs_port_* p) { return FW_SetIDSFlowAttr(h, p, 1, 1); }},
        {"GetIsIDSEnabled",
         [](fwlibhandle_* h, dvs_port_* p) {
             unsigned e = 0;
             return FW_GetIsIDSEnabled(h, p, &e);
         }},
        // Configuration text, loaded and evaluated.
        {"EvaluateConfigText",
         [](fwlibhandle_* h, dvs_port_* p) {
             void* list = nullptr;
             fwlibhandle_* other = nullptr;
             FWStatus_t s = FW_LoadConfigString(
                 "create addrset web with { ip 10.0.0.1, ip 10.0.0.2 };\ndescribe jumpto of ruleset rs-a;\n", &other,
                 &list);
             if (s != 0) return s;
             s = FW_EvaluateConfigFile(h, list, p, nullptr);
             FW_FreeConfigFile(list);
             return s;
         }},
    };
    return calls;
}

// Gives the simulated module of this process something for every family to answer about on `port`:
// a rule set "rs-a", an address set "as-a" with two members and three tracked flows.
inline void seedEveryFamily(const void* port) {
    kestsim_seed_ruleset(port, "rs-a", nullptr, 0);
    FWAddress_ members[2] = {api_detail::ipv4(0x0A000001), api_detail::ipv4(0x0A000002)};
    kestsim_seed_addrset(port, "as-a", FW_ADDRSET_IP, members, 2);
    for (uint64_t id = 1; id <= 3; ++id) {
        kestsim_flow_ f{};
        f.id = id;
        f.proto = 6;
        f.family = 2;
        f.src[0] = 10, f.src[3] = static_cast<uint8_t>(id);
        f.dst[0] = 10, f.dst[3] = 200;
        f.sport = static_cast<uint16_t>(40000 + id);
        f.dport = 443;
        kestsim_seed_flow(port, &f);
    }
}

// Counts report lines; installed as the report printer so every report is built and printed.
inline int countingPrinter(void* ctx, const char*, ...) {
    if (ctx) __atomic_add_fetch(static_cast<unsigned long*>(ctx), 1, __ATOMIC_RELAXED);
    return 0;
}

}  // namespace kestfw_test
