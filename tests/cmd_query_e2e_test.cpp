// Read-backs through the exported functions and a simulated module: paging over more entries than one
// request holds, refusals before anything is sent, kernel failures leaving outputs alone, lying replies,
// traffic statistics, and the whole round trip on the daemon's module by both roads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdCreateAddrSet.h"
#include "cmd/KestFWCmdCreateRuleSet.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressList.h"
#include "model/KestFWIDList.h"
#include "support/DaemonRoads.h"
#include "support/FdCount.h"
#include "support/RuleBuild.h"
#include "support/SetSamples.h"
#include "support/SimHandle.h"
#include "support/Wire.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

Bytes rulesOf(std::initializer_list<unsigned> which) {
    Bytes out;
    for (unsigned i : which) {
        const Bytes rec = serialise(*std::unique_ptr<CKestFWRule>(sampleRule(i)));
        out.insert(out.end(), rec.begin(), rec.end());
    }
    return out;
}

Texts ruleTexts(std::initializer_list<unsigned> which) {
    Texts out;
    for (unsigned i : which) out.push_back(std::unique_ptr<CKestFWRule>(sampleRule(i))->toString());
    return out;
}

// The text FW_GetRuleString gives for each of `n` rule records.
Texts rendered(const FWRule_* rules, unsigned n) {
    Texts out;
    for (unsigned i = 0; i < n; ++i) {
        char text[512];
        out.push_back(FW_GetRuleString(&rules[i], 1, text, sizeof text, 0) == 0 ? text : "<unrenderable>");
    }
    return out;
}

// Five rule sets, five address sets (two MAC), one rule set of five rules, one set of five members.
void seedMany() {
    ASSERT_EQ(kestsim_seed_ruleset_count(nullptr, 4), 0);
    const Bytes five = rulesOf({0, 1, 2, 3, 4});
    ASSERT_EQ(kestsim_seed_ruleset(nullptr, "web", five.data(), 5), 0);
    const std::vector<FWAddress_> members = {ipv4Host(1), ipv4Host(2), ipv4Host(3), ipv4Host(4), ipv4Host(5)};
    for (const char* name : {"a", "b", "c"}) ASSERT_EQ(kestsim_seed_addrset(nullptr, name, 1, members.data(), 5), 0);
    const FWAddress_ mac = addrRecord(7, {0, 0x50, 0x56, 1, 2, 3});
    for (const char* name : {"m1", "m2"}) ASSERT_EQ(kestsim_seed_addrset(nullptr, name, 2, &mac, 1), 0);
}

// One page: fills `out` with what came back and returns the status; `returned` entries.
using Page = std::function<FWStatus_t(fwlibhandle_*, unsigned count, unsigned start, Texts& out)>;

struct PageCase {
    const char* name;
    Page page;
    Texts all;
};
void PrintTo(const PageCase& c, std::ostream* os) { *os << c.name; }

std::vector<PageCase> pageCases() {
    return {
        {"rule-set names",
         [](fwlibhandle_* h, unsigned count, unsigned start, Texts& out) {
             std::vector<FWRuleSetID_t> ids(count);
             unsigned n = 0;
             FWStatus_t st = FW_GetRuleSetList(h, nullptr, nullptr, count, start, ids.data(), &n);
             for (unsigned i = 0; i < n; ++i) out.push_back(ids[i].name);
             return st;
         },
         {"ruleset-0", "ruleset-1", "ruleset-2", "ruleset-3", "web"}},
        {"address-set names of every kind",
         [](fwlibhandle_* h, unsigned count, unsigned start, Texts& out) {
             std::vector<FWAddrSetID_t> ids(count);
             unsigned n = 0;
             FWStatus_t st = FW_GetAddrSetList(h, nullptr, nullptr, 0, count, start, ids.data(), &n);
             for (unsigned i = 0; i < n; ++i) out.push_back(ids[i].name);
             return st;
         },
         {"a", "b", "c", "m1", "m2"}},
        {"MAC set statistics",
         [](fwlibhandle_* h, unsigned count, unsigned start, Texts& out) {
             std::vector<FWAddrSetStat_> stats(count);
             unsigned n = 0;
             FWStatus_t st = FW_GetAddrSetStatList(h, nullptr, nullptr, FW_ADDRSET_MAC, count, start, stats.data(), &n);
             for (unsigned i = 0; i < n; ++i) out.push_back(stats[i].set.name);
             return st;
         },
         {"m1", "m2"}},
        {"members",
         [](fwlibhandle_* h, unsigned count, unsigned start, Texts& out) {
             std::vector<FWAddress_> recs(count);
             unsigned n = 0;
             uint64_t generation = 0, when = 0;
             FWStatus_t st = FW_GetAddressOfAddrSet(h, nullptr, nullptr, count, start, 0, setId("b"), recs.data(), &n,
                                                    &generation, &when);
             EXPECT_EQ(generation, 1u);
             for (unsigned i = 0; i < n; ++i) out.push_back(std::to_string(recs[i].body[3]));
             return st;
         },
         {"1", "2", "3", "4", "5"}},
        {"rules",
         [](fwlibhandle_* h, unsigned count, unsigned start, Texts& out) {
             std::vector<FWRule_> recs(count);
             unsigned n = 0;
             FWStatus_t st =
                 FW_GetRuleOfRuleSet(h, nullptr, nullptr, 0, count, start, rsId("web"), nullptr, recs.data(), &n);
             for (const std::string& t : rendered(recs.data(), n)) out.push_back(t);
             return st;
         },
         ruleTexts({0, 1, 2, 3, 4})},
        {"rule statistics",
         [](fwlibhandle_* h, unsigned count, unsigned start, Texts& out) {
             std::vector<FWRuleStat_> stats(count);
             unsigned n = 0;
             FWStatus_t st =
                 FW_GetStatOfRuleSet(h, nullptr, nullptr, 0, count, start, rsId("web"), nullptr, stats.data(), &n);
             for (unsigned i = 0; i < n; ++i) out.push_back(std::to_string(stats[i].rule_id));
             return st;
         },
         {"10", "11", "12", "13", "14"}},
    };
}

class QueryPaging : public SimTest, public ::testing::WithParamInterface<PageCase> {};

}  // namespace

TEST_P(QueryPaging, PagesOfTwoGatherEveryEntryInOrder) {
    seedMany();
    Texts got;
    unsigned pages = 0;
    for (unsigned start = 0;; start += 2, ++pages) {
        Texts page;
        ASSERT_EQ(GetParam().page(handle, 2, start, page), 0u);
        ASSERT_LE(page.size(), 2u);
        got.insert(got.end(), page.begin(), page.end());
        if (page.size() < 2) break;
    }
    EXPECT_EQ(got, GetParam().all);
    EXPECT_EQ(pages, GetParam().all.size() / 2);
}

INSTANTIATE_TEST_SUITE_P(Lists, QueryPaging, ::testing::ValuesIn(pageCases()));

TEST_F(SimTest, RulesByIdComeBackOncePerListedIdInRuleOrder) {
    seedMany();
    std::unique_ptr<CKestFWIDList> ids(new CKestFWIDList);
    for (unsigned id : {14u, 11u, 99u}) ids->addID(id);
    std::vector<FWRule_> recs(3);
    unsigned n = 0;
    ASSERT_EQ(FW_GetRuleOfRuleSet(handle, nullptr, nullptr, 0, 3, 0, rsId("web"), ids.get(), recs.data(), &n), 0u);
    EXPECT_EQ(rendered(recs.data(), n), ruleTexts({1, 4}));
    EXPECT_EQ(ids->size(), 3u) << "the caller keeps its list";
    EXPECT_EQ(le32(&simLastMessage()[32 + 96]), 11u) << "ids travel in ascending order";
}

namespace {

struct RefusalCase {
    const char* name;
    std::function<FWStatus_t(fwlibhandle_*, unsigned* out)> call;
    FWStatus_t status;
    uint64_t calls;  // control calls made
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class QueryRefusal : public SimTest, public ::testing::WithParamInterface<RefusalCase> {};

}  // namespace

TEST_P(QueryRefusal, ReturnsItsStatusAndLeavesTheOutputAlone) {
    seedMany();
    unsigned out = 0xABCD;
    EXPECT_EQ(GetParam().call(handle, &out), GetParam().status);
    EXPECT_EQ(kestsim_ioctl_count(), GetParam().calls);
    EXPECT_EQ(out, 0xABCDu);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QueryRefusal,
    ::testing::Values(
        RefusalCase{"null handle",
                    [](fwlibhandle_*, unsigned* o) { return FW_GetAddrSetCount(nullptr, nullptr, nullptr, 0, o); }, 2,
                    0},
        RefusalCase{"null count",
                    [](fwlibhandle_* h, unsigned*) { return FW_GetSharedAddrSet(h, nullptr, nullptr, nullptr); }, 3, 0},
        RefusalCase{"zero count",
                    [](fwlibhandle_* h, unsigned* o) {
                        FWRuleSetID_t ids[1];
                        return FW_GetRuleSetList(h, nullptr, nullptr, 0, 0, ids, o);
                    },
                    3, 0},
        RefusalCase{"rule type 3",
                    [](fwlibhandle_* h, unsigned* o) {
                        return FW_GetRuleCountOfRuleSet(h, nullptr, nullptr, 3, o, rsId("web"));
                    },
                    3, 0},
        RefusalCase{"rule type 6",
                    [](fwlibhandle_* h, unsigned* o) {
                        FWRuleStat_ s[1];
                        return FW_GetStatOfRuleSet(h, nullptr, nullptr, 6, 1, 0, rsId("web"), nullptr, s, o);
                    },
                    3, 0},
        RefusalCase{"set kind 6",
                    [](fwlibhandle_* h, unsigned* o) { return FW_GetAddrSetCount(h, nullptr, nullptr, 6, o); }, 34, 0},
        RefusalCase{"reserved word set",
                    [](fwlibhandle_* h, unsigned* o) {
                        FWAddress_ a[1];
                        return FW_GetAddressOfAddrSet(h, nullptr, nullptr, 1, 0, 1, setId("a"), a, o, nullptr, nullptr);
                    },
                    5, 0},
        RefusalCase{"too many addresses",
                    [](fwlibhandle_* h, unsigned* o) {
                        FWAddress_ a[1];
                        return FW_GetAddressOfAddrSet(h, nullptr, nullptr, 0x10000000, 0, 0, setId("a"), a, o, nullptr,
                                                      nullptr);
                    },
                    17, 0},
        RefusalCase{"no such rule set",
                    [](fwlibhandle_* h, unsigned* o) {
                        return FW_GetRuleCountOfRuleSet(h, nullptr, nullptr, 0, o, rsId("none"));
                    },
                    28, 1},
        RefusalCase{"no such address set",
                    [](fwlibhandle_* h, unsigned* o) {
                        FWAddrSetInfo_ info{};
                        info.address_count = *o;
                        FWStatus_t st = FW_GetAddrSetInfo(h, nullptr, nullptr, &info, setId("none"));
                        *o = info.address_count;
                        return st;
                    },
                    29, 1}));

namespace {

struct LieCase {
    const char* name;
    kestsim_reply_fault_ fault;
    uint32_t param;
    int opcode;
    // Asks for two entries into an area of four; tells how many came back and whether the last two
    // stayed untouched.
    std::function<FWStatus_t(fwlibhandle_*, unsigned* returned, bool* untouched)> call;
    FWStatus_t status;
    unsigned returned;
};
void PrintTo(const LieCase& c, std::ostream* os) { *os << c.name; }

class QueryLie : public SimTest, public ::testing::WithParamInterface<LieCase> {};

// Asks for two entries into an area of four; tells whether the last two stayed untouched.
template <typename T, typename F>
FWStatus_t intoFour(F call, unsigned* n, bool* ok) {
    std::vector<T> v(4);
    memset(static_cast<void*>(v.data()), 0xA5, v.size() * sizeof(T));
    const FWStatus_t st = call(v.data(), n);
    const uint8_t* tail = reinterpret_cast<const uint8_t*>(&v[2]);
    *ok = std::all_of(tail, tail + 2 * sizeof(T), [](uint8_t b) { return b == 0xA5; });
    return st;
}

FWStatus_t ruleSetNames(fwlibhandle_* h, unsigned* n, bool* ok) {
    return intoFour<FWRuleSetID_t>(
        [&](FWRuleSetID_t* v, unsigned* c) { return FW_GetRuleSetList(h, nullptr, nullptr, 2, 0, v, c); }, n, ok);
}
FWStatus_t setStats(fwlibhandle_* h, unsigned* n, bool* ok) {
    return intoFour<FWAddrSetStat_>(
        [&](FWAddrSetStat_* v, unsigned* c) { return FW_GetAddrSetStatList(h, nullptr, nullptr, 0, 2, 0, v, c); }, n,
        ok);
}
FWStatus_t rules(fwlibhandle_* h, unsigned* n, bool* ok) {
    return intoFour<FWRule_>(
        [&](FWRule_* v, unsigned* c) {
            return FW_GetRuleOfRuleSet(h, nullptr, nullptr, 0, 2, 0, rsId("web"), nullptr, v, c);
        },
        n, ok);
}
FWStatus_t members(fwlibhandle_* h, unsigned* n, bool* ok) {
    return intoFour<FWAddress_>(
        [&](FWAddress_* v, unsigned* c) {
            return FW_GetAddressOfAddrSet(h, nullptr, nullptr, 2, 0, 0, setId("a"), v, c, nullptr, nullptr);
        },
        n, ok);
}

}  // namespace

TEST_P(QueryLie, NeverFillsMoreThanAskedNorReadsPastTheBody) {
    const LieCase& c = GetParam();
    seedMany();
    ASSERT_EQ(kestsim_fault_reply(c.fault, c.param, 1, c.opcode), 0);
    unsigned n = 0xDEAD;
    bool untouched = false;
    ReportCapture report;
    EXPECT_EQ(c.call(handle, &n, &untouched), c.status);
    EXPECT_EQ(n, c.returned);
    EXPECT_TRUE(untouched);
    EXPECT_EQ(kestsim_fault_pending(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, QueryLie,
    ::testing::Values(LieCase{"names, count inflated", KESTSIM_REPLY_LIE_COUNT, 0xFFFFFFF0u, 2, ruleSetNames, 0, 2},
                      LieCase{"names without NUL", KESTSIM_REPLY_NO_NUL, 0, 2, ruleSetNames, 0, 2},
                      LieCase{"names, body cut before the count", KESTSIM_REPLY_SHORT, 8, 2, ruleSetNames, 0, 0},
                      LieCase{"set statistics, count inflated", KESTSIM_REPLY_LIE_COUNT, 7, 22, setStats, 0, 2},
                      LieCase{"set statistics without NUL", KESTSIM_REPLY_NO_NUL, 0, 22, setStats, 0, 2},
                      LieCase{"rules, count inflated", KESTSIM_REPLY_LIE_COUNT, 1000, 10, rules, 0, 2},
                      LieCase{"rules, body cut inside the records", KESTSIM_REPLY_SHORT, 900, 10, rules, 0, 2},
                      LieCase{"members, count inflated", KESTSIM_REPLY_LIE_COUNT, 3, 17, members, 0, 2}));

TEST_F(SimTest, StatisticsReportTheCountersTheModuleKeeps) {
    seedMany();
    ASSERT_EQ(kestsim_count_rule(nullptr, "web", 12, 1, 5, 700), 0);
    ASSERT_EQ(kestsim_count_rule(nullptr, "web", 12, 0, 2, 100), 0);
    EXPECT_EQ(kestsim_count_rule(nullptr, "web", 99, 1, 1, 1), -1) << "no such rule";
    ASSERT_EQ(kestsim_count_addrset(nullptr, "m2", 3, 4, 400, 9), 0);
    EXPECT_EQ(kestsim_count_addrset(nullptr, "m2", 4, 1, 1, 0), -1) << "no such way";
    ReportCapture report;
    FWRuleStat_ stats[2];
    unsigned n = 0;
    ASSERT_EQ(FW_GetStatOfRuleSet(handle, nullptr, nullptr, 0, 2, 1, rsId("web"), nullptr, stats, &n), 0u);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(stats[1].rule_id, 12u);
    EXPECT_EQ(stats[1].hits, 7u);
    FWAddrSetStat_ sets[1];
    ASSERT_EQ(FW_GetAddrSetStatList(handle, nullptr, nullptr, FW_ADDRSET_MAC, 1, 1, sets, &n), 0u);
    EXPECT_EQ(std::string(sets[0].set.name) + " " + std::to_string(sets[0].packets[3]) + " " +
                  std::to_string(sets[0].no_match),
              "m2 4 9");
    const Texts lines(report.lines().begin(), report.lines().begin() + 4);
    EXPECT_EQ(lines,
              (Texts{"rule    11 at 1, 0 evals, 0 hits, 0 sessions, in 0 out 0 pkts, in 0 out 0 bytes\n",
                     "rule    12 at 2, 7 evals, 7 hits, 2 sessions, in 5 out 2 pkts, in 700 out 100 bytes\n",
                     "addrset m2:\n", "    in + pass  : packets = 0                 bytes = 0               \n"}));
    EXPECT_EQ(report.lines()[4], "    in + drop  : packets = 4                 bytes = 400             \n");
}

namespace {

using QueryRoads = DaemonRoadTest;

template <typename Cmd, typename... Args>
FWStatus_t send(fwlibhandle_* handle, Args&&... args) {
    Cmd cmd(std::forward<Args>(args)...);
    return kfwExecuteCommand(cmd, handle, nullptr);
}

}  // namespace

TEST_P(QueryRoads, WhatWasCreatedReadsBackThroughEveryQuery) {
    auto* list = new CKestFWAddressList(false);
    for (const char* ip : {"10.0.0.1", "10.0.0.2", "10.0.0.3"}) list->addAddress(new CKestFWAddressIPv4(ip, false));
    ASSERT_EQ(send<CKestFWCmdCreateAddrSet>(handle, nullptr, "web-ips", FW_ADDRSET_IP, list), 0u);
    auto* rules = listOf({sampleRule(0), sampleRule(1), sampleRule(2)});
    const Texts sent = textsOf(*rules);
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, nullptr, "web", rules), 0u);
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, nullptr, "app"), 0u);
    ASSERT_EQ(daemon.control("count rule host web 11 in 3 300"), "ok");
    ASSERT_EQ(daemon.control("count addrset host web-ips 2 6 600 1"), "ok");

    unsigned count = 0, size = 0, n = 0, shared = 9;
    ASSERT_EQ(FW_GetRuleSetCount(handle, nullptr, nullptr, &count), 0u);
    EXPECT_EQ(count, 2u);
    FWRuleSetID_t names[4];
    ASSERT_EQ(FW_GetRuleSetList(handle, nullptr, nullptr, 4, 0, names, &n), 0u);
    EXPECT_EQ(std::string(names[0].name) + "," + names[1].name + "/" + std::to_string(n), "app,web/2");
    ASSERT_EQ(FW_GetRuleCountOfRuleSet(handle, nullptr, nullptr, 0, &count, rsId("web")), 0u);
    EXPECT_EQ(count, 3u);
    FWRuleSetInfo_ rsInfo{};
    ASSERT_EQ(FW_GetRuleSetInfo(handle, nullptr, nullptr, &rsInfo, rsId("web")), 0u);
    EXPECT_EQ(rsInfo.rule_count * 10 + rsInfo.generation, 31u);
    FWRule_ back[4];
    ASSERT_EQ(FW_GetRuleOfRuleSet(handle, nullptr, nullptr, 0, 4, 0, rsId("web"), nullptr, back, &n), 0u);
    EXPECT_EQ(rendered(back, n), sent) << "the rules read back render as the rules sent";
    FWRuleStat_ stats[4];
    ASSERT_EQ(FW_GetStatOfRuleSet(handle, nullptr, nullptr, 0, 4, 0, rsId("web"), nullptr, stats, &n), 0u);
    EXPECT_EQ(std::to_string(n) + ":" + std::to_string(stats[1].rule_id) + "=" + std::to_string(stats[1].bytes_in),
              "3:11=300");

    ASSERT_EQ(FW_GetAddrSetCount(handle, nullptr, nullptr, FW_ADDRSET_IP, &count), 0u);
    EXPECT_EQ(count, 1u);
    FWAddrSetID_t sets[2];
    ASSERT_EQ(FW_GetAddrSetList(handle, nullptr, nullptr, 0, 2, 0, sets, &n), 0u);
    EXPECT_EQ(std::string(sets[0].name) + "/" + std::to_string(n), "web-ips/1");
    ASSERT_EQ(FW_GetAddrSetTypeAndSize(handle, nullptr, nullptr, &count, &size, setId("web-ips")), 0u);
    EXPECT_EQ(std::to_string(count) + "," + std::to_string(size), "3,432");
    FWAddrSetInfo_ asInfo{};
    ASSERT_EQ(FW_GetAddrSetInfo(handle, nullptr, nullptr, &asInfo, setId("web-ips")), 0u);
    EXPECT_EQ(asInfo.address_count * 10 + asInfo.generation, 31u);
    FWAddress_ members[3];
    uint64_t generation = 0, when = 0;
    ASSERT_EQ(
        FW_GetAddressOfAddrSet(handle, nullptr, nullptr, 3, 1, 0, setId("web-ips"), members, &n, &generation, &when),
        0u);
    char text[512];
    ASSERT_EQ(n, 2u);
    ASSERT_EQ(FW_GetAddressString(members, 2, text, sizeof text), 0u);
    EXPECT_EQ(std::string(text) + "/" + std::to_string(generation), "ip 10.0.0.2ip 10.0.0.3/1");
    EXPECT_EQ(when, asInfo.realization_time);
    FWAddrSetStat_ st[1];
    ASSERT_EQ(FW_GetAddrSetStatList(handle, nullptr, nullptr, 0, 1, 0, st, &n), 0u);
    EXPECT_EQ(st[0].packets[2] * 1000 + st[0].bytes[2] / 100 + st[0].no_match * 10, 6016u);
    ASSERT_EQ(FW_GetSharedAddrSet(handle, nullptr, nullptr, &shared), 0u);
    EXPECT_EQ(shared, 0u);
    ASSERT_EQ(FW_ConfigSharedAddrSet(handle, nullptr, nullptr, 1), 0u);
    ASSERT_EQ(FW_GetSharedAddrSet(handle, nullptr, nullptr, &shared), 0u);
    EXPECT_EQ(shared, 1u);

    // A lie scripted on the daemon's control socket reaches the library by this road too.
    ASSERT_EQ(daemon.control("fault reply lie 500 1 21"), "ok");
    FWAddrSetID_t poisoned[3];
    memset(poisoned, 0x5A, sizeof poisoned);
    ASSERT_EQ(FW_GetAddrSetList(handle, nullptr, nullptr, 0, 2, 0, poisoned, &n), 0u);
    EXPECT_EQ(n, 2u) << "the claim is cut to the two entries asked for";
    EXPECT_EQ(poisoned[2].name[0], 0x5A);
    EXPECT_EQ(kestsim_ruleset_count(nullptr), 0u) << "this process's own module saw nothing";
}

INSTANTIATE_TEST_SUITE_P(Roads, QueryRoads, ::testing::Values(Road::Device, Road::Socket), roadName);
