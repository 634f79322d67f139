// Every exported function of the C interface that takes a library handle, driven from one list: a null
// handle answers 2 and still writes the exit line, each required pointer left null answers 3 with
// nothing sent and no exit line, a kernel refusal leaves the caller's memory as it was, and a success
// copies the listed reply fields into the caller's memory.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "base/KestFWLog.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdCatalogue.h"
#include "cmd/KestFWCmdCreateContainer.h"
#include "model/KestFWL7Attribute.h"
#include "support/LogCapture.h"
#include "support/SetSamples.h"
#include "support/SimHandle.h"
#include "support/Wire.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

constexpr uint8_t kUntouched = 0xA5;
constexpr FWStatus_t kRefusal = 21;       // any kernel status but 26, which is retried
constexpr unsigned kReplyBody = 20 + 12;  // message header and command header

// The caller's memory of one call: four areas the call may read or write, the command handle of the
// create/execute/release functions, and which areas the call must receive as null pointers.
struct Outs {
    static constexpr size_t kAreaSize = 32768;  // the largest record (load-balancer statistics) fits
    std::array<std::vector<uint8_t>, 4> area;
    void* cmd = nullptr;
    FWStatus_t status = 0;  // what the call answered, for cleanups that must not release twice
    unsigned nulled = 0;    // bit i: area i is handed over as a null pointer

    Outs() {
        for (auto& a : area) a.assign(kAreaSize, kUntouched);
    }
    template <typename T = void>
    T* at(unsigned i) {
        return (nulled & (1u << i)) ? nullptr : reinterpret_cast<T*>(area[i].data());
    }
    void* handleOf() { return (nulled & 1u) ? nullptr : cmd; }
};

// Reply bytes the call must have copied: `len` bytes of the reply body at `replyOff` into area `area`
// at `areaOff`.
struct Copy {
    unsigned area, areaOff, replyOff, len;
};

struct Row {
    const char* name;
    const char* cmdClass;  // the command whose refusal the kernel is told to answer; null: none is sent
    unsigned required;     // areas 0 .. required-1 are required pointers
    std::function<FWStatus_t(fwlibhandle_*, Outs&)> call;
    std::vector<Copy> copies;
    std::function<void(fwlibhandle_*, Outs&)> prepare = nullptr;    // inputs and command handles
    std::function<void(const Bytes& body, Outs&)> check = nullptr;  // success beyond the copies
    std::function<void(fwlibhandle_*, Outs&)> cleanup = nullptr;    // releases command handles
    bool checksHandle = true;
    int clearedOnRefusal = -1;  // area whose first word is zeroed before the command is sent
};
void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

unsigned opcodeOf(const char* cls) { return kfwCmdInfo(cls).opcode; }

FWConnection_ sampleConn() {
    FWConnection_ c{};
    c.src[0] = 10, c.src[3] = 1, c.dst[0] = 10, c.dst[3] = 2;
    c.sport = htons(1000), c.dport = htons(80), c.proto = 6, c.flags = FW_CONN_FLAG_OUTBOUND;
    return c;
}

// The state a success reads from: rule sets, address sets with members and a flow.
void seedState() {
    ASSERT_EQ(kestsim_seed_ruleset_count(nullptr, 3), 0);
    Bytes rules;
    for (unsigned i = 0; i < 3; ++i) {
        std::unique_ptr<CKestFWRule> r(sampleRule(i));
        Bytes rec(sizeof(FWRule_));
        unsigned used = 0;
        ASSERT_TRUE(r->toMessage(rec.data(), unsigned(rec.size()), &used));
        rules.insert(rules.end(), rec.begin(), rec.end());
    }
    ASSERT_EQ(kestsim_seed_ruleset(nullptr, "web", rules.data(), 3), 0);
    const std::vector<FWAddress_> members = {ipv4Host(1), ipv4Host(2), ipv4Host(3)};
    for (const char* name : {"a", "b", "c"}) ASSERT_EQ(kestsim_seed_addrset(nullptr, name, 1, members.data(), 3), 0);
    kestsim_flow_ f{};
    f.id = 0x1122334455667788ull, f.time = 1700000000, f.proto = 6, f.family = 2;
    f.src[0] = 10, f.src[3] = 1, f.dst[0] = 10, f.dst[3] = 2, f.sport = 1000, f.dport = 80, f.state = 3;
    for (unsigned i = 0; i < 4; ++i) f.counters[i] = 100 + i;
    ASSERT_EQ(kestsim_seed_flow(nullptr, &f), 0);
}

// Inputs a call reads from an area.
template <typename T>
void put(Outs& o, unsigned i, const T& value) {
    memcpy(o.area[i].data(), &value, sizeof value);
}
void zero(Outs& o, unsigned i) { std::fill(o.area[i].begin(), o.area[i].end(), 0); }

// A create function leaves its command handle in area 0; the row's cleanup gives it back.
void* createdIn(Outs& o) {
    void* p = nullptr;
    memcpy(&p, o.area[0].data(), sizeof p);
    const uint8_t* b = o.area[0].data();
    for (unsigned i = 0; i < sizeof p; ++i)
        if (b[i] != kUntouched) return p;
    return nullptr;
}

const FWuuid_ kUuid = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};

std::vector<Row> rows() {
    const FWAddrSetID_t a = setId("a");
    const FWRuleSetID_t web = rsId("web");
    const FWConnection_ conn = sampleConn();
    std::vector<Row> t = {
        // Address sets.
        {"FW_CreateAddrSet", "CKestFWCmdCreateAddrSet", 1,
         [=](fwlibhandle_* h, Outs& o) { return FW_CreateAddrSet(h, nullptr, nullptr, 1, 1, o.at<FWAddress_>(0), setId("n")); },
         {},
         [](fwlibhandle_*, Outs& o) { put(o, 0, ipv4Host(9)); },
         [](const Bytes&, Outs&) { EXPECT_EQ(kestsim_addrset_kind(nullptr, "n"), 1); }},
        {"FW_DestroyAddrSet", "CKestFWCmdDestroyAddrSet", 1,
         [=](fwlibhandle_* h, Outs& o) { return FW_DestroyAddrSet(h, nullptr, nullptr, o.at<unsigned>(0), a); },
         {{0, 0, 38, 4}}},
        {"FW_ClearAddrSet", "CKestFWCmdClearAddrSet", 1,
         [=](fwlibhandle_* h, Outs& o) { return FW_ClearAddrSet(h, nullptr, nullptr, o.at<unsigned>(0), a); },
         {{0, 0, 38, 4}}},
        {"FW_DestroyAllAddrSet", "CKestFWCmdDestroyAllAddrSet", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_DestroyAllAddrSet(h, nullptr, nullptr, o.at<unsigned>(0)); },
         {{0, 0, 0, 4}}},
        {"FW_ConfigSharedAddrSet", "CKestFWCmdConfigSharedAddrSet", 0,
         [](fwlibhandle_* h, Outs&) { return FW_ConfigSharedAddrSet(h, nullptr, nullptr, 1); },
         {}, nullptr,
         [](const Bytes&, Outs&) { EXPECT_EQ(kestsim_shared_addrset(nullptr), 1); }},
        {"FW_GetSharedAddrSet", "CKestFWCmdGetSharedAddrSet", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetSharedAddrSet(h, nullptr, nullptr, o.at<unsigned>(0)); },
         {}, nullptr,
         [](const Bytes& body, Outs& o) { EXPECT_EQ(*o.at<unsigned>(0), body.at(0) & 1u); }},
        {"FW_GetAddrSetCount", "CKestFWCmdGetAddrSetCount", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetAddrSetCount(h, nullptr, nullptr, 0, o.at<unsigned>(0)); },
         {{0, 0, 4, 4}}},
        {"FW_GetAddrSetList", "CKestFWCmdGetAddrSetList", 2,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetAddrSetList(h, nullptr, nullptr, 0, 2, 0, o.at<FWAddrSetID_t>(0), o.at<unsigned>(1));
         },
         {{1, 0, 12, 4}, {0, 0, 16, 2 * 38}}},
        {"FW_GetAddrSetStatList", "CKestFWCmdGetAddrSetStatList", 2,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetAddrSetStatList(h, nullptr, nullptr, 0, 2, 0, o.at<FWAddrSetStat_>(0), o.at<unsigned>(1));
         },
         {{1, 0, 12, 4}, {0, 0, 16, 2 * 134}}},
        {"FW_GetAddrSetTypeAndSize", "CKestFWCmdGetAddrSetTypeAndSize", 2,
         [=](fwlibhandle_* h, Outs& o) {
             return FW_GetAddrSetTypeAndSize(h, nullptr, nullptr, o.at<unsigned>(0), o.at<unsigned>(1), a);
         },
         {{0, 0, 38, 4}, {1, 0, 46, 4}}},
        {"FW_GetAddrSetInfo", "CKestFWCmdGetAddrSetInfo", 1,
         [=](fwlibhandle_* h, Outs& o) { return FW_GetAddrSetInfo(h, nullptr, nullptr, o.at<FWAddrSetInfo_>(0), a); },
         {{0, 0, 38, 4}, {0, 8, 42, 8}, {0, 16, 50, 8}}},
        {"FW_GetAddressOfAddrSet", "CKestFWCmdGetAddressOfAddrSet", 2,
         [=](fwlibhandle_* h, Outs& o) {
             return FW_GetAddressOfAddrSet(h, nullptr, nullptr, 2, 0, 0, a, o.at<FWAddress_>(0), o.at<unsigned>(1),
                                           o.at<uint64_t>(2), o.at<uint64_t>(3));
         },
         {{1, 0, 50, 4}, {2, 0, 62, 8}, {3, 0, 54, 8}, {0, 0, 70, 2 * 144}}},
        // Rule sets and their queries.
        {"FW_GetRuleSetCount", "CKestFWCmdGetRuleSetCount", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetRuleSetCount(h, nullptr, nullptr, o.at<uint32_t>(0)); },
         {{0, 0, 0, 4}}},
        {"FW_GetRuleSetList", "CKestFWCmdGetRuleSetList", 2,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetRuleSetList(h, nullptr, nullptr, 2, 0, o.at<FWRuleSetID_t>(0), o.at<unsigned>(1));
         },
         {{1, 0, 8, 4}, {0, 0, 12, 2 * 64}}},
        {"FW_GetRootRuleSet", "CKestFWCmdGetRootRuleSet", 3,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetRootRuleSet(h, nullptr, nullptr, o.at<FWRuleSetID_t>(0), o.at<FWRuleSetID_t>(1),
                                      o.at<unsigned>(2));
         },
         {{0, 0, 0, 64}, {1, 0, 64, 64}, {2, 0, 128, 4}}},
        {"FW_ClearRuleSet", "CKestFWCmdClearRuleSet", 1,
         [=](fwlibhandle_* h, Outs& o) { return FW_ClearRuleSet(h, nullptr, nullptr, o.at<unsigned>(0), web); },
         {{0, 0, 64, 4}}},
        {"FW_GetRuleCountOfRuleSet", "CKestFWCmdGetRuleCountOfRuleSet", 1,
         [=](fwlibhandle_* h, Outs& o) {
             return FW_GetRuleCountOfRuleSet(h, nullptr, nullptr, 0, o.at<unsigned>(0), web);
         },
         {{0, 0, 68, 4}}},
        {"FW_GetRuleSetInfo", "CKestFWCmdGetRuleSetInfo", 1,
         [=](fwlibhandle_* h, Outs& o) { return FW_GetRuleSetInfo(h, nullptr, nullptr, o.at<FWRuleSetInfo_>(0), web); },
         {{0, 0, 64, 4}, {0, 8, 68, 8}, {0, 16, 76, 8}}},
        {"FW_GetRuleOfRuleSet", "CKestFWCmdGetRuleOfRuleSet", 2,
         [=](fwlibhandle_* h, Outs& o) {
             return FW_GetRuleOfRuleSet(h, nullptr, nullptr, 0, 2, 0, web, nullptr, o.at<FWRule_>(0), o.at<unsigned>(1));
         },
         {{1, 0, 76, 4}, {0, 0, 96 + 4 * 2, 2 * 1420}}},
        {"FW_GetStatOfRuleSet", "CKestFWCmdGetStatOfRuleSet", 2,
         [=](fwlibhandle_* h, Outs& o) {
             return FW_GetStatOfRuleSet(h, nullptr, nullptr, 0, 2, 0, web, nullptr, o.at<FWRuleStat_>(0),
                                        o.at<unsigned>(1));
         },
         {{1, 0, 76, 4}, {0, 0, 80 + 4 * 2, 2 * 64}}},
        // Connections.
        {"FW_GetConnectionCount", "CKestFWCmdGetConnectionCount", 1,
         [](fwlibhandle_* h, Outs& o) {
             FWConnFilter_ any{};
             return FW_GetConnectionCount(h, nullptr, nullptr, &any, o.at<unsigned>(0));
         },
         {{0, 0, 4, 4}}},
        {"FW_SetConnectionByFilter", "CKestFWCmdSetConnectionByFilter", 2,
         [](fwlibhandle_* h, Outs& o) {
             return FW_SetConnectionByFilter(h, nullptr, nullptr, o.at<FWConnFilter_>(0), o.at<unsigned>(1));
         },
         {{1, 0, 80, 4}},
         [](fwlibhandle_*, Outs& o) { zero(o, 0); }},
        {"FW_SetAllConnection", "CKestFWCmdSetAllConnection", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_SetAllConnection(h, nullptr, nullptr, o.at<unsigned>(0)); },
         {{0, 0, 0, 4}}},
        {"FW_ClearAllConnection", "CKestFWCmdClearAllConnection", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_ClearAllConnection(h, nullptr, nullptr, o.at<unsigned>(0)); },
         {{0, 0, 0, 4}},
         nullptr,
         [](const Bytes&, Outs&) { EXPECT_EQ(kestsim_flow_count(nullptr), 0u); }},
        {"FW_SetFailPolicy", "CKestFWCmdSetFailPolicy", 0,
         [](fwlibhandle_* h, Outs&) { return FW_SetFailPolicy(h, nullptr, nullptr, FW_FAIL_CLOSE); },
         {}, nullptr,
         [](const Bytes&, Outs&) { EXPECT_EQ(kestsim_fail_policy(nullptr), 1); }},
        {"FW_GetConnAttrInfo", "CKestFWCmdGetConnAttrInfo", 2,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetConnAttrInfo(h, nullptr, nullptr, nullptr, 0x1122334455667788ull, o.at<unsigned>(0),
                                       o.at<unsigned>(1));
         },
         {{0, 0, 52, 4}, {1, 0, 56, 4}}},
        {"FW_GetConnectionStat", "CKestFWCmdGetConnectionStat", 2,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetConnectionStat(h, nullptr, nullptr, 2, nullptr, 0, o.at<FWConnectionStat_>(0),
                                         o.at<unsigned>(1));
         },
         {{0, 0, 102, 294}},
         nullptr,
         [](const Bytes&, Outs& o) {
             EXPECT_EQ(*o.at<unsigned>(1), 1u) << "one flow is tracked";
             EXPECT_EQ(FW_ConnectionStatFlowID(o.at<FWConnectionStat_>(0)), 0x1122334455667788ull);
         }},
        {"FW_PrintConnectionStat", "CKestFWCmdGetConnectionStat", 0,
         [](fwlibhandle_* h, Outs&) { return FW_PrintConnectionStat(h, nullptr, nullptr, 4, 0); }, {}},
        {"FW_GetConnectionDPIInfo", "CKestFWCmdGetConnectionDPIInfo", 2,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetConnectionDPIInfo(h, nullptr, nullptr, 1, o.at<uint64_t>(0), 1, o.at<FWConnDPIInfo_>(1),
                                            o.at<unsigned>(2));
         },
         {{2, 0, 4, 4}, {1, 0, 8, 16}},
         [](fwlibhandle_*, Outs& o) { put(o, 0, uint64_t(0x1122334455667788ull)); }},
        {"FW_SetConnectionByList", "CKestFWCmdSetConnectionByList", 1,
         [](fwlibhandle_* h, Outs& o) {
             return FW_SetConnectionByList(h, nullptr, nullptr, 1, o.at<FWConnection_>(0), o.at<unsigned>(1));
         },
         {},
         [](fwlibhandle_*, Outs& o) { put(o, 0, sampleConn()); }},
        {"FW_CreateConnectionAttr", nullptr, 1,
         [=](fwlibhandle_* h, Outs& o) {
             return FW_CreateConnectionAttr(h, nullptr, &conn, 0, FW_ATTR_OP_ADD, o.at<void*>(0));
         },
         {}, nullptr,
         [](const Bytes&, Outs& o) { EXPECT_NE(createdIn(o), nullptr); },
         [](fwlibhandle_* h, Outs& o) {
             if (void* c = createdIn(o)) {
                 EXPECT_EQ(FW_ReleaseConnectionAttr(h, c), 0u);
             }
         }},
        {"FW_SetConnectionAttr", "CKestFWCmdSetConnAttr", 2,
         [](fwlibhandle_* h, Outs& o) { return FW_SetConnectionAttr(h, nullptr, o.handleOf(), o.at<unsigned>(1)); },
         {{1, 0, 4, 4}},
         [=](fwlibhandle_* h, Outs& o) {
             ASSERT_EQ(FW_CreateConnectionAttr(h, nullptr, nullptr, 0x1122334455667788ull, FW_ATTR_OP_ADD, &o.cmd), 0u);
             ASSERT_EQ(FW_AddAttrProcessHash(o.cmd, 0xfeed), 0u);
         },
         nullptr,
         [](fwlibhandle_* h, Outs& o) { EXPECT_EQ(FW_ReleaseConnectionAttr(h, o.cmd), 0u); }},
        {"FW_SetDNSRevalDone", "CKestFWCmdSetConnAttr", 0,
         [](fwlibhandle_* h, Outs& o) {
             return FW_SetDNSRevalDone(h, nullptr, nullptr, nullptr, 0x1122334455667788ull, o.at<unsigned>(0));
         },
         {{0, 0, 4, 4}},
         nullptr,
         [](const Bytes&, Outs&) { EXPECT_EQ(kestsim_flow_info(nullptr, 0x1122334455667788ull, nullptr, nullptr), 1); }},
        // Identity mappings.
        {"FW_DeleteFqdnTree", "CKestFWCmdDeleteFqdnTree", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_DeleteFqdnTree(h, nullptr, nullptr, o.at<unsigned>(0)); },
         {{0, 0, 0, 4}}},
        {"FW_GetFqdnCount", "CKestFWCmdGetFqdnCount", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetFqdnCount(h, nullptr, nullptr, o.at<unsigned>(0)); },
         {{0, 0, 0, 4}}},
        {"FW_GetUid2SidMapSize", "CKestFWCmdGetUid2SidMappingSize", 2,
         [](fwlibhandle_* h, Outs& o) { return FW_GetUid2SidMapSize(h, nullptr, o.at<unsigned>(0), o.at<unsigned>(1)); },
         {{0, 0, 8, 4}, {1, 0, 4, 4}}},
        {"FW_GetUid2SidMap", "CKestFWCmdGetUid2SidMapping", 0,
         [](fwlibhandle_* h, Outs&) { return FW_GetUid2SidMap(h, nullptr, 0, 4); }, {}},
        {"FW_AddAttrUid2MultiSid", "CKestFWCmdSetUid2SidMapping", 0,
         [](fwlibhandle_* h, Outs&) {
             const char* groups[] = {"S-1-5-32-544"};
             return FW_AddAttrUid2MultiSid(h, nullptr, FW_UID2SID_ADD, "S-1-5-21-1-2-3", groups, 1, 7);
         },
         {}},
        {"FW_SetDnsConfigProfile", "CKestFWCmdSetDnsConfigProfile", 0,
         [](fwlibhandle_* h, Outs&) { return FW_SetDnsConfigProfile(h, nullptr, FW_DNS_TTL_AUTO, 60); }, {}},
        {"FW_GetDnsConfigProfile", "CKestFWCmdGetDnsConfigProfile", 0,
         [](fwlibhandle_* h, Outs&) { return FW_GetDnsConfigProfile(h, nullptr); }, {}},
        {"FW_AddDomainAndUuids", "CKestFWCmdModifyDomainUuidMap", 0,
         [](fwlibhandle_* h, Outs&) { return FW_AddDomainAndUuids(h, nullptr, nullptr, "example.org", &kUuid, 1); },
         {}},
        {"FW_GetDomainUuidNumAndSize", "CKestFWCmdGetDomainUuidMap", 2,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetDomainUuidNumAndSize(h, nullptr, nullptr, o.at<unsigned>(0), o.at<unsigned>(1));
         },
         {{0, 0, 14, 4}, {1, 0, 10, 4}}},
        {"FW_GetElementsOfContainer", "CKestFWCmdGetElementsOfContainer", 2,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetElementsOfContainer(h, nullptr, nullptr, 1, 0, o.at<char*>(0), o.at<unsigned>(1),
                                              setId("profile"));
         },
         {},
         [](fwlibhandle_* h, Outs&) {
             CKestFWCmdCreateContainer c(nullptr, "profile", FW_CONTAINER_ATTR_PROFILE);
             c.addElement(std::unique_ptr<CKestFWContainerElement>(new CKestFWL7Attribute(FW_ATTR_KEY_APP_ID, 67L, 0)));
             ASSERT_EQ(kfwExecuteCommand(c, h, nullptr), 0u);
         },
         [](const Bytes&, Outs& o) {
             ASSERT_EQ(*o.at<unsigned>(1), 1u);
             char* text = *o.at<char*>(0);
             ASSERT_NE(text, nullptr);
             EXPECT_STREQ(text, "APP_ID : APP_HTTP") << "application 67 comes back by name";
             free(text);
         }},
        {"FW_CreateDomainUuidModifyCmd", nullptr, 1,
         [](fwlibhandle_* h, Outs& o) { return FW_CreateDomainUuidModifyCmd(h, nullptr, 0, o.at<void*>(0)); },
         {}, nullptr,
         [](const Bytes&, Outs& o) { EXPECT_NE(createdIn(o), nullptr); },
         [](fwlibhandle_* h, Outs& o) {
             if (void* c = createdIn(o)) {
                 EXPECT_EQ(FW_ReleaseDomainUuidModifyCmd(h, nullptr, c), 0u);
             }
         }},
        {"FW_ExecuteDomainUuidModifyCmd", "CKestFWCmdModifyDomainUuidMap", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_ExecuteDomainUuidModifyCmd(h, nullptr, nullptr, o.handleOf()); },
         {},
         [](fwlibhandle_* h, Outs& o) {
             ASSERT_EQ(FW_CreateDomainUuidModifyCmd(h, nullptr, 0, &o.cmd), 0u);
             ASSERT_EQ(FW_AddDomainUuidEntry(o.cmd, "example.org", &kUuid, 1, 5, 6), 0u);
         },
         nullptr,
         [](fwlibhandle_* h, Outs& o) { EXPECT_EQ(FW_ReleaseDomainUuidModifyCmd(h, nullptr, o.cmd), 0u); }},
        {"FW_CreateGetDomainUuidCmd", nullptr, 1,
         [](fwlibhandle_* h, Outs& o) {
             return FW_CreateGetDomainUuidCmd(h, nullptr, 0, 0, 4096, 0, 0, o.at<void*>(0));
         },
         {}, nullptr,
         [](const Bytes&, Outs& o) { EXPECT_NE(createdIn(o), nullptr); },
         [](fwlibhandle_* h, Outs& o) {
             if (void* c = createdIn(o)) {
                 EXPECT_EQ(FW_ReleaseGetDomainUuidMapCmd(h, nullptr, c), 0u);
             }
         }},
        {"FW_ExecuteGetDomainUuidCmd", "CKestFWCmdGetDomainUuidMap", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_ExecuteGetDomainUuidCmd(h, nullptr, nullptr, o.handleOf()); },
         {},
         [](fwlibhandle_* h, Outs& o) { ASSERT_EQ(FW_CreateGetDomainUuidCmd(h, nullptr, 0, 0, 4096, 0, 0, &o.cmd), 0u); },
         nullptr,
         [](fwlibhandle_* h, Outs& o) { EXPECT_EQ(FW_ReleaseGetDomainUuidMapCmd(h, nullptr, o.cmd), 0u); }},
        {"FW_CreateDomain2IPHandle", nullptr, 1,
         [](fwlibhandle_* h, Outs& o) { return FW_CreateDomain2IPHandle(h, nullptr, "example.org", o.at<void*>(0)); },
         {}, nullptr,
         [](const Bytes&, Outs& o) { EXPECT_NE(createdIn(o), nullptr); },
         [](fwlibhandle_* h, Outs& o) {
             if (void* c = createdIn(o)) {
                 EXPECT_EQ(FW_ReleaseDomain2IPHandle(h, nullptr, c), 0u);
             }
         }},
        {"FW_SetDomain2IP", "CKestFWCmdAddDomain2IPMapping", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_SetDomain2IP(h, nullptr, nullptr, o.handleOf()); },
         {},
         [](fwlibhandle_* h, Outs& o) {
             ASSERT_EQ(FW_CreateDomain2IPHandle(h, nullptr, "example.org", &o.cmd), 0u);
             const FWAddress_ ip = ipv4Host(7);
             ASSERT_EQ(FW_AddIPAddress(o.cmd, &ip, 30), 0u);
         },
         nullptr,
         [](fwlibhandle_* h, Outs& o) { EXPECT_EQ(FW_ReleaseDomain2IPHandle(h, nullptr, o.cmd), 0u); }},
        {"FW_SetDomain2IPMap", "CKestFWCmdAddDomain2IPMapping", 0,
         [](fwlibhandle_* h, Outs&) {
             const FWAddress_ ip = ipv4Host(7);
             const unsigned ttl = 30;
             return FW_SetDomain2IPMap(h, nullptr, nullptr, "example.org", &ip, &ttl, 1);
         },
         {}},
        {"FW_GetFqdnEntryV4", "CKestFWCmdGetFqdnEntries", 2,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetFqdnEntryV4(h, nullptr, nullptr, 1, o.at<in_addr>(0), o.at<FWFqdnEntryCount_>(1));
         },
         {},
         [](fwlibhandle_*, Outs& o) { put(o, 0, in_addr{htonl(0x0a000007)}); }},
        {"FW_GetFqdnEntryV6", "CKestFWCmdGetFqdnEntries", 2,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetFqdnEntryV6(h, nullptr, nullptr, 1, o.at<in6_addr>(0), o.at<FWFqdnEntryCount_>(1));
         },
         {},
         [](fwlibhandle_*, Outs& o) { put(o, 0, in6addr_loopback); }},
        {"FW_GetDomainAndUuids", "CKestFWCmdGetUuid", 1,
         [](fwlibhandle_* h, Outs& o) {
             const FWAddress_ ip = ipv4Host(7);
             return FW_GetDomainAndUuids(h, nullptr, nullptr, &ip, 0, 0, 1, o.at(0));
         },
         {}},
        // Command handles given back: a refused release keeps the command, which the row then frees.
        {"FW_ReleaseConnectionAttr", nullptr, 1,
         [](fwlibhandle_* h, Outs& o) { return FW_ReleaseConnectionAttr(h, o.handleOf()); },
         {},
         [](fwlibhandle_* h, Outs& o) {
             ASSERT_EQ(FW_CreateConnectionAttr(h, nullptr, nullptr, 0x1122334455667788ull, FW_ATTR_OP_ADD, &o.cmd), 0u);
         },
         nullptr,
         [](fwlibhandle_* h, Outs& o) {
             if (o.status != 0) {
                 EXPECT_EQ(FW_ReleaseConnectionAttr(h, o.cmd), 0u);
             }
         }},
        {"FW_ReleaseDomainUuidModifyCmd", nullptr, 1,
         [](fwlibhandle_* h, Outs& o) { return FW_ReleaseDomainUuidModifyCmd(h, nullptr, o.handleOf()); },
         {},
         [](fwlibhandle_* h, Outs& o) { ASSERT_EQ(FW_CreateDomainUuidModifyCmd(h, nullptr, 0, &o.cmd), 0u); },
         nullptr,
         [](fwlibhandle_* h, Outs& o) {
             if (o.status != 0) {
                 EXPECT_EQ(FW_ReleaseDomainUuidModifyCmd(h, nullptr, o.cmd), 0u);
             }
         },
         false},
        {"FW_ReleaseGetDomainUuidMapCmd", nullptr, 1,
         [](fwlibhandle_* h, Outs& o) { return FW_ReleaseGetDomainUuidMapCmd(h, nullptr, o.handleOf()); },
         {},
         [](fwlibhandle_* h, Outs& o) { ASSERT_EQ(FW_CreateGetDomainUuidCmd(h, nullptr, 0, 0, 4096, 0, 0, &o.cmd), 0u); },
         nullptr,
         [](fwlibhandle_* h, Outs& o) {
             if (o.status != 0) {
                 EXPECT_EQ(FW_ReleaseGetDomainUuidMapCmd(h, nullptr, o.cmd), 0u);
             }
         },
         false},
        {"FW_ReleaseDomain2IPHandle", nullptr, 1,
         [](fwlibhandle_* h, Outs& o) { return FW_ReleaseDomain2IPHandle(h, nullptr, o.handleOf()); },
         {},
         [](fwlibhandle_* h, Outs& o) { ASSERT_EQ(FW_CreateDomain2IPHandle(h, nullptr, "example.org", &o.cmd), 0u); },
         nullptr,
         [](fwlibhandle_* h, Outs& o) {
             if (o.status != 0) {
                 EXPECT_EQ(FW_ReleaseDomain2IPHandle(h, nullptr, o.cmd), 0u);
             }
         },
         false},
        // A loaded configuration, evaluated on the handle.
        {"FW_EvaluateConfigFile", "CKestFWCmdCreateAddrSet", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_EvaluateConfigFile(h, o.handleOf(), nullptr, nullptr); },
         {},
         [](fwlibhandle_*, Outs& o) {
             fwlibhandle_* none = nullptr;
             ASSERT_EQ(FW_LoadConfigString("create addrset loaded with { ip 10.0.0.1 };", &none, &o.cmd), 0u);
             ASSERT_EQ(none, nullptr);
         },
         [](const Bytes&, Outs&) { EXPECT_EQ(kestsim_addrset_kind(nullptr, "loaded"), 1); },
         [](fwlibhandle_*, Outs& o) { EXPECT_EQ(FW_FreeConfigFile(o.cmd), 0u); },
         false},  // a null handle is one more null argument here (3), covered by the loader's tests
        // Kernel-interface statistics, flags and diagnostics.
        {"FW_GetKifStat", "CKestFWCmdGetKifStat", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetKifStat(h, nullptr, nullptr, o.at<uint32_t>(0)); },
         {{0, 0, 0, KESTFW_KIFSTAT_SIZE}}},
        {"FW_ClearKifStat", "CKestFWCmdClearKifStat", 0,
         [](fwlibhandle_* h, Outs&) { return FW_ClearKifStat(h, nullptr, nullptr); }, {}},
        {"FW_GetKifFlags", "CKestFWCmdGetKifFlags", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetKifFlags(h, nullptr, nullptr, o.at<unsigned>(0)); },
         {{0, 0, 0, 4}}},
        {"FW_GetKifL7Flag", "CKestFWCmdGetKifFlags", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetKifL7Flag(h, nullptr, nullptr, o.at<unsigned>(0)); },
         {},
         [](fwlibhandle_* h, Outs&) {
             ASSERT_EQ(FW_SetKifFlags(h, nullptr, nullptr, "PF_KIF_FLAG_L7_RULES_PRESENT", 1), 0u);
         },
         [](const Bytes&, Outs& o) { EXPECT_EQ(*o.at<unsigned>(0), 1u) << "the L7 flag was set"; }},
        {"FW_GetKifIDFWFlag", "CKestFWCmdGetKifFlags", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetKifIDFWFlag(h, nullptr, nullptr, o.at<unsigned>(0)); },
         {},
         [](fwlibhandle_* h, Outs&) {
             ASSERT_EQ(FW_SetKifFlags(h, nullptr, nullptr, "PF_KIF_FLAG_L7_RULES_PRESENT", 1), 0u);
         },
         [](const Bytes&, Outs& o) { EXPECT_EQ(*o.at<unsigned>(0), 0u) << "only the L7 flag was set"; }},
        {"FW_SetKifFlags", "CKestFWCmdSetKifFlags", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_SetKifFlags(h, nullptr, nullptr, o.at<const char>(0), 1); },
         {},
         [](fwlibhandle_*, Outs& o) { strcpy(reinterpret_cast<char*>(o.area[0].data()), "PF_KIF_FLAG_ID_RULES_PRESENT"); }},
        {"FW_FpFlag", "CKestFWCmdKifFp", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_FpFlag(h, nullptr, nullptr, o.at<unsigned>(0), 0); },
         {{0, 0, 0, 4}},
         [](fwlibhandle_*, Outs& o) { put(o, 0, 0u); }},
        {"FW_DeleteSpoofGuard", "CKestFWCmdDeleteSpoofGuard", 0,
         [](fwlibhandle_* h, Outs&) {
             fw_ether_ mac{};
             return FW_DeleteSpoofGuard(h, nullptr, nullptr, mac);
         },
         {}},
        {"FW_EnableVerboseLog", "CKestFWCmdEnableVerbose", 0,
         [](fwlibhandle_* h, Outs&) { return FW_EnableVerboseLog(h, nullptr, nullptr, 1, 3); }, {}},
        {"FW_DebugComponent", "CKestFWCmdDebugComponent", 0,
         [](fwlibhandle_* h, Outs&) { return FW_DebugComponent(h, nullptr, nullptr, 2, 5); }, {}},
        {"FW_DebugStatus", "CKestFWCmdDebugStatus", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_DebugStatus(h, nullptr, nullptr, o.at<uint8_t>(0)); },
         {{0, 0, 0, KESTFW_DEBUG_STATUS_SIZE}},
         [](fwlibhandle_* h, Outs&) { ASSERT_EQ(FW_DebugComponent(h, nullptr, nullptr, 2, 5), 0u); },
         [](const Bytes&, Outs& o) { EXPECT_EQ(o.area[0][2], 5u) << "component 2 was set to 5"; }},
        {"FW_GetAlgCount", "CKestFWCmdGetAlgCount", 2,
         [](fwlibhandle_* h, Outs& o) { return FW_GetAlgCount(h, nullptr, nullptr, o.at<unsigned>(0), o.at<unsigned>(1)); },
         {{0, 0, 0, 4}, {1, 0, 4, 4}}},
        {"FW_GetAlgPortCount", "CKestFWCmdGetAlgPortCount", 2,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetAlgPortCount(h, nullptr, nullptr, o.at<unsigned>(0), o.at<unsigned>(1));
         },
         {{0, 0, 0, 4}, {1, 0, 4, 4}}},
        {"FW_GetAlgs", "CKestFWCmdGetAlgs", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetAlgs(h, nullptr, nullptr, 0, o.at<unsigned>(0), o.at(1)); },
         {{0, 0, 4, 4}},
         [](fwlibhandle_*, Outs& o) { put(o, 0, 64u); }},
        {"FW_GetAlgPorts", "CKestFWCmdGetAlgPorts", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetAlgPorts(h, nullptr, nullptr, 0, o.at<unsigned>(0), o.at(1)); },
         {{0, 0, 4, 4}},
         [](fwlibhandle_*, Outs& o) { put(o, 0, 64u); }},
        {"FW_LookIpRepDb", "CKestFWCmdIpRepLookup", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_LookIpRepDb(h, nullptr, 0x0a000001, o.at<uint8_t>(0)); },
         {{0, 0, 0, KESTFW_IPREP_LOOKUP_SIZE}}},
        // Load balancer: the size records first, then the data sized from them.
        {"FW_GetLBConfigSize", "CKestFWCmdGetLBConfigSize", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetLBConfigSize(h, nullptr, nullptr, o.at<FWLBConfigSize_>(0)); },
         {{0, 0, 0, KESTFW_LB_CONFIG_SIZE_SIZE}},
         [](fwlibhandle_*, Outs& o) { zero(o, 0); }},
        {"FW_GetLBConfig", "CKestFWCmdGetLBConfig", 1,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetLBConfig(h, nullptr, nullptr, o.at<FWLBConfigSize_>(0), o.at(1), 256);
         },
         {{1, 0, 0, 16}},
         [](fwlibhandle_* h, Outs& o) {
             zero(o, 0);
             ASSERT_EQ(FW_GetLBConfigSize(h, nullptr, nullptr, reinterpret_cast<FWLBConfigSize_*>(o.area[0].data())), 0u);
         }},
        {"FW_GetLBStatSize", "CKestFWCmdGetLBStatSize", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetLBStatSize(h, nullptr, nullptr, o.at<FWLBStat_>(0)); },
         {{0, 0, 0, KESTFW_LB_STAT_SIZE}},
         [](fwlibhandle_*, Outs& o) { zero(o, 0); }},
        {"FW_GetLBStat", "CKestFWCmdGetLBStat", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetLBStat(h, nullptr, nullptr, o.at<FWLBStat_>(0), o.at(1), 256); },
         {{1, 0, 0, 16}},
         [](fwlibhandle_* h, Outs& o) {
             zero(o, 0);
             ASSERT_EQ(FW_GetLBStatSize(h, nullptr, nullptr, reinterpret_cast<FWLBStat_*>(o.area[0].data())), 0u);
         }},
        {"FW_ClearLBStat", "CKestFWCmdClearLBStat", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_ClearLBStat(h, nullptr, nullptr, o.at<FWLBStat_>(0)); },
         {},
         [](fwlibhandle_*, Outs& o) { zero(o, 0); }},
        // Global settings.
        {"FW_GetFailPolicy", "CKestFWCmdGetFailPolicy", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetFailPolicy(h, nullptr, nullptr, o.at<unsigned>(0)); },
         {},
         [](fwlibhandle_* h, Outs&) { ASSERT_EQ(FW_SetFailPolicy(h, nullptr, nullptr, FW_FAIL_CLOSE), 0u); },
         [](const Bytes& body, Outs& o) {
             EXPECT_EQ(*o.at<unsigned>(0), body.at(0));
             EXPECT_EQ(*o.at<unsigned>(0), 1u) << "the policy just set";
         }},
        {"FW_SetTimeout", "CKestFWCmdSetTimeout", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_SetTimeout(h, nullptr, nullptr, o.at<FWInstTimeout_>(0)); },
         {},
         [](fwlibhandle_*, Outs& o) {
             FWInstTimeout_ t{};
             t.value[0] = 777, t.present[0] = 1;
             put(o, 0, t);
         }},
        {"FW_GetTimeout", "CKestFWCmdGetTimeout", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetTimeout(h, nullptr, nullptr, o.at<FWInstTimeout_>(0)); },
         {{0, 0, 0, sizeof(FWInstTimeout_)}},
         [](fwlibhandle_* h, Outs& o) {
             FWInstTimeout_ t{};
             t.value[0] = 777, t.present[0] = 1;
             ASSERT_EQ(FW_SetTimeout(h, nullptr, nullptr, &t), 0u);
             FWInstTimeout_ ask{};
             ask.present[0] = 1;  // the kernel fills the selected values only
             put(o, 0, ask);
         },
         [](const Bytes&, Outs& o) { EXPECT_EQ(o.at<FWInstTimeout_>(0)->value[0], 777u) << "the timeout just set"; }},
        {"FW_SetFloodCfg", "CKestFWCmdSetFloodCfg", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_SetFloodCfg(h, nullptr, nullptr, o.at<FWFloodCfg_t>(0)); },
         {},
         [](fwlibhandle_*, Outs& o) { zero(o, 0); }},
        {"FW_GetFloodStat", "CKestFWCmdGetFloodStat", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetFloodStat(h, nullptr, nullptr, o.at<FWFloodStat_t>(0)); },
         {{0, 0, 0, KESTFW_FLOOD_SYNCACHE_COUNT_OFFSET}}},
        {"FW_SetHopoverExportver", "CKestFWCmdSetHopoverExportver", 1,
         [](fwlibhandle_* h, Outs& o) {
             return FW_SetHopoverExportver(h, nullptr, nullptr, o.at<FWHopoverExportver_>(0));
         },
         {},
         [](fwlibhandle_*, Outs& o) { put(o, 0, FWHopoverExportver_{2}); }},
        {"FW_GetHopoverExportver", "CKestFWCmdGetHopoverExportver", 1,
         [](fwlibhandle_* h, Outs& o) {
             return FW_GetHopoverExportver(h, nullptr, nullptr, o.at<FWHopoverExportver_>(0));
         },
         {{0, 0, 0, 4}}},
        {"FW_ConfigICMPErrPktDrop", "CKestFWCmdConfigICMPErrPktDrop", 0,
         [](fwlibhandle_* h, Outs&) { return FW_ConfigICMPErrPktDrop(h, nullptr, nullptr, 1); }, {}},
        {"FW_SetIDSMode", "CKestFWCmdSetIDSMode", 0,
         [](fwlibhandle_* h, Outs&) { return FW_SetIDSMode(h, nullptr, 1); }, {}},
        {"FW_SetOversubscription", "CKestFWCmdSetOversubscription", 0,
         [](fwlibhandle_* h, Outs&) { return FW_SetOversubscription(h, nullptr, 1); }, {}},
        {"FW_SetL7CopyMode", "CKestFWCmdConfigL7CopyMode", 0,
         [](fwlibhandle_* h, Outs&) { return FW_SetL7CopyMode(h, nullptr, 1); }, {}},
        {"FW_SetIDSFlowAttr", "CKestFWCmdSetIDSFlowAttribute", 0,
         [](fwlibhandle_* h, Outs&) { return FW_SetIDSFlowAttr(h, nullptr, 0x1122334455667788ull, 1); }, {}},
        {"FW_GetIDSMode", "CKestFWCmdGetIDSMode", 0, [](fwlibhandle_* h, Outs&) { return FW_GetIDSMode(h, nullptr); },
         {}},
        {"FW_GetOversubscription", "CKestFWCmdGetOversubscription", 0,
         [](fwlibhandle_* h, Outs&) { return FW_GetOversubscription(h, nullptr); }, {}},
        {"FW_GetIsIDSEnabled", "CKestFWCmdGetIDSMode", 1,
         [](fwlibhandle_* h, Outs& o) { return FW_GetIsIDSEnabled(h, nullptr, o.at<unsigned>(0)); },
         {},
         [](fwlibhandle_* h, Outs&) { ASSERT_EQ(FW_SetIDSMode(h, nullptr, 1), 0u); },
         [](const Bytes& body, Outs& o) {
             EXPECT_EQ(*o.at<unsigned>(0), body.at(0) & 1u);
             EXPECT_EQ(*o.at<unsigned>(0), 1u) << "IDS was just switched on";
         },
         nullptr, true, 0},
    };
    return t;
}

class ApiTable : public SimTest, public ::testing::WithParamInterface<Row> {
protected:
    // Prepares the row's inputs, keeps a copy of the caller's memory, and runs the call on `h`.
    FWStatus_t run(fwlibhandle_* h, Outs& o) {
        const Row& r = GetParam();
        if (r.prepare) r.prepare(handle, o);
        before = o.area;
        callsBefore = kestsim_ioctl_count();
        const FWStatus_t st = r.call(h, o);
        callsMade = kestsim_ioctl_count() - callsBefore;
        o.status = st;
        return st;
    }
    // Gives back what the row's preparation or call created; after the log has been looked at, as
    // giving back writes lines of its own.
    void finish(Outs& o) {
        if (GetParam().cleanup) GetParam().cleanup(handle, o);
    }
    std::array<std::vector<uint8_t>, 4> before;
    uint64_t callsBefore = 0, callsMade = 0;
};

std::string exitLine(const char* name, FWStatus_t st) { return std::string(name) + ": " + FW_StatusToString(st); }

}  // namespace

TEST_P(ApiTable, NullHandleAnswers2WithTheExitLine) {
    const Row& r = GetParam();
    if (!r.checksHandle) GTEST_SKIP();
    LogCapture log;
    Verbosity api(KFW_COMP_API, 1);
    Outs o;
    EXPECT_EQ(run(nullptr, o), 2u);
    EXPECT_EQ(callsMade, 0u) << "a message was sent";
    EXPECT_TRUE(log.has(exitLine(r.name, 2))) << "no exit line";
    EXPECT_EQ(o.area, before) << "the caller's memory changed";
    finish(o);
}

TEST_P(ApiTable, EachNullRequiredPointerAnswers3AndSendsNothing) {
    const Row& r = GetParam();
    for (unsigned i = 0; i < r.required; ++i) {
        SCOPED_TRACE("pointer " + std::to_string(i));
        LogCapture log;
        Verbosity api(KFW_COMP_API, 1);
        Outs o;
        o.nulled = 1u << i;
        EXPECT_EQ(run(handle, o), 3u);
        EXPECT_EQ(callsMade, 0u) << "a message was sent";
        EXPECT_FALSE(log.has(std::string(r.name) + ": ")) << "an exit line was written";
        EXPECT_EQ(o.area, before);
        finish(o);
    }
}

TEST_P(ApiTable, KernelRefusalLeavesTheOutputsAlone) {
    const Row& r = GetParam();
    if (r.cmdClass == nullptr) GTEST_SKIP() << "sends nothing";
    seedState();
    ASSERT_EQ(kestsim_fault_status(kRefusal, 1, int(opcodeOf(r.cmdClass))), 0);
    Outs o;
    EXPECT_EQ(run(handle, o), kRefusal);
    EXPECT_EQ(kestsim_fault_pending(), 0u) << "the command never reached the kernel";
    if (r.clearedOnRefusal >= 0) {
        EXPECT_EQ(le32(o.area[unsigned(r.clearedOnRefusal)].data()), 0u);
        memcpy(o.area[unsigned(r.clearedOnRefusal)].data(), before[unsigned(r.clearedOnRefusal)].data(), 4);
    }
    EXPECT_EQ(o.area, before);
    finish(o);
}

TEST_P(ApiTable, SuccessCopiesTheListedReplyFields) {
    const Row& r = GetParam();
    seedState();
    Outs o;
    const FWStatus_t st = run(handle, o);
    finish(o);
    ASSERT_EQ(st, 0u);
    const Bytes reply = simLastReply();
    const Bytes body = reply.size() > kReplyBody ? Bytes(reply.begin() + kReplyBody, reply.end()) : Bytes();
    for (const Copy& c : r.copies) {
        SCOPED_TRACE("area " + std::to_string(c.area) + " at " + std::to_string(c.areaOff));
        ASSERT_LE(c.replyOff + c.len, body.size());
        EXPECT_EQ(Bytes(o.area[c.area].begin() + c.areaOff, o.area[c.area].begin() + c.areaOff + c.len),
                  Bytes(body.begin() + c.replyOff, body.begin() + c.replyOff + c.len));
    }
    if (r.check) r.check(body, o);
}

INSTANTIATE_TEST_SUITE_P(Functions, ApiTable, ::testing::ValuesIn(rows()),
                         [](const ::testing::TestParamInfo<Row>& i) { return std::string(i.param.name); });

namespace {

// Functions that only fill caller memory or a command handle, without a kernel call: the command
// handle they are given (null, or a live one of the kind they take) and what they answer.
enum class Lent { None, ConnAttr, DomainUuidModify, DomainUuidGet, Domain2IP };

struct LocalRow {
    const char* name;
    Lent lent;
    std::function<FWStatus_t(void* cmd)> call;
    FWStatus_t withoutCommand;  // the command handle null
    FWStatus_t withCommand;
};
void PrintTo(const LocalRow& r, std::ostream* os) { *os << r.name; }

const char* const kGroupSids[] = {"S-1-5-32-544", "S-1-5-32-545"};

std::vector<LocalRow> localRows() {
    return {
        {"FW_AddAttrSTR", Lent::ConnAttr, [](void* c) { return FW_AddAttrSTR(c, FW_ATTR_KEY_FQDN, "a.example"); }, 3,
         0},
        {"FW_AddAttrINT", Lent::ConnAttr, [](void* c) { return FW_AddAttrINT(c, FW_ATTR_KEY_APP_ID, 67); }, 3, 0},
        {"FW_AddAttrDNS", Lent::ConnAttr, [](void* c) { return FW_AddAttrDNS(c, "a.example", 1, 0, 7); }, 3, 0},
        {"FW_AddAttrProcessHash", Lent::ConnAttr, [](void* c) { return FW_AddAttrProcessHash(c, 0xfeed); }, 3, 0},
        {"FW_AddAttrMultiSID", Lent::ConnAttr, [](void* c) { return FW_AddAttrMultiSID(c, kGroupSids, 2); }, 3, 0},
        {"FW_AddAttrUserSID", Lent::ConnAttr, [](void* c) { return FW_AddAttrUserSID(c, "S-1-5-21-1-2-3"); }, 3, 0},
        {"FW_AddAttrUUID", Lent::ConnAttr, [](void* c) { return FW_AddAttrUUID(c, 0, kUuid.bytes, nullptr); }, 7, 7},
        {"FW_AddDomainUuidEntry", Lent::DomainUuidModify,
         [](void* c) { return FW_AddDomainUuidEntry(c, "a.example", &kUuid, 1, 0, 0); }, 3, 0},
        {"FW_AddIPAddress", Lent::Domain2IP,
         [](void* c) {
             const FWAddress_ ip = ipv4Host(7);
             return FW_AddIPAddress(c, &ip, 30);
         },
         3, 0},
        {"FW_GetDomainUuidEntry", Lent::DomainUuidGet,
         [](void* c) {
             FWDomainUuidEntry_ e;
             return FW_GetDomainUuidEntry(c, 0, &e, nullptr, 0);
         },
         3, 0},
        {"FW_SIDStringToBinary", Lent::None,
         [](void*) {
             fwattr_sid sid;
             return FW_SIDStringToBinary("S-1-5-21-1-2-3", &sid);
         },
         0, 0},
        {"FW_SIDStringToBinary of a text that is no SID", Lent::None,
         [](void*) {
             fwattr_sid sid;
             return FW_SIDStringToBinary("S-2-5", &sid);
         },
         3, 3},
        {"FW_SIDStringToBinary without output", Lent::None,
         [](void*) { return FW_SIDStringToBinary("S-1-5-21-1-2-3", nullptr); }, 3, 3},
        {"FW_BinaryToSIDString round trip", Lent::None,
         [](void*) {
             fwattr_sid sid;
             char text[80];
             if (FW_SIDStringToBinary("S-1-5-21-1-2-3", &sid) != 0) return FWStatus_t(99);
             const FWStatus_t st = FW_BinaryToSIDString(&sid, text, sizeof text);
             return st == 0 && strcmp(text, "S-1-5-21-1-2-3") != 0 ? FWStatus_t(98) : st;
         },
         0, 0},
        {"FW_BinaryToSIDString into too small a buffer", Lent::None,
         [](void*) {
             fwattr_sid sid;
             char text[6];
             if (FW_SIDStringToBinary("S-1-5-21-1-2-3", &sid) != 0) return FWStatus_t(99);
             return FW_BinaryToSIDString(&sid, text, sizeof text);
         },
         3, 3},
        {"FW_BinaryToSIDString of a record of no kind", Lent::None,
         [](void*) {
             fwattr_sid sid{};
             char text[80];
             return FW_BinaryToSIDString(&sid, text, sizeof text);
         },
         3, 3},
    };
}

class ApiLocal : public SimTest, public ::testing::WithParamInterface<LocalRow> {};

}  // namespace

TEST_P(ApiLocal, AnswersWithoutAndWithItsCommandHandleAndSendsNothing) {
    const LocalRow& r = GetParam();
    EXPECT_EQ(r.call(nullptr), r.withoutCommand);
    void* cmd = nullptr;
    switch (r.lent) {
        case Lent::None:
            break;
        case Lent::ConnAttr:
            ASSERT_EQ(FW_CreateConnectionAttr(handle, nullptr, nullptr, 5, FW_ATTR_OP_ADD, &cmd), 0u);
            break;
        case Lent::DomainUuidModify:
            ASSERT_EQ(FW_CreateDomainUuidModifyCmd(handle, nullptr, 0, &cmd), 0u);
            break;
        case Lent::DomainUuidGet:
            ASSERT_EQ(FW_AddDomainAndUuids(handle, nullptr, nullptr, "a.example", &kUuid, 1), 0u);
            ASSERT_EQ(FW_CreateGetDomainUuidCmd(handle, nullptr, 3, 0, 8192, 0, 0, &cmd), 0u);
            ASSERT_EQ(FW_ExecuteGetDomainUuidCmd(handle, nullptr, nullptr, cmd), 0u);
            break;
        case Lent::Domain2IP:
            ASSERT_EQ(FW_CreateDomain2IPHandle(handle, nullptr, "a.example", &cmd), 0u);
            break;
    }
    const uint64_t calls = kestsim_ioctl_count();
    EXPECT_EQ(r.call(cmd), r.withCommand);
    EXPECT_EQ(kestsim_ioctl_count(), calls);
    switch (r.lent) {
        case Lent::None:
            break;
        case Lent::ConnAttr:
            EXPECT_EQ(FW_ReleaseConnectionAttr(handle, cmd), 0u);
            break;
        case Lent::DomainUuidModify:
            EXPECT_EQ(FW_ReleaseDomainUuidModifyCmd(handle, nullptr, cmd), 0u);
            break;
        case Lent::DomainUuidGet:
            EXPECT_EQ(FW_ReleaseGetDomainUuidMapCmd(handle, nullptr, cmd), 0u);
            break;
        case Lent::Domain2IP:
            EXPECT_EQ(FW_ReleaseDomain2IPHandle(handle, nullptr, cmd), 0u);
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(Functions, ApiLocal, ::testing::ValuesIn(localRows()),
                         [](const ::testing::TestParamInfo<LocalRow>& i) {
                             std::string n;
                             for (const char* p = i.param.name; *p; ++p)
                                 n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return n;
                         });
