// show: the library's own reports, or with --json the same data from the query functions' outputs.
#include <cstdarg>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>

#include "LiveState.h"

namespace kestfwctl {

using nlohmann::json;

int printToStdout(void*, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = vprintf(format, args);
    va_end(args);
    return n;
}

namespace {

// Pages of flow records read at a time.
constexpr unsigned int kFlowPage = 64;

// A counter of the statistics record, which the library hands out as 32-bit words in host order.
uint64_t counterAt(const std::vector<uint32_t>& words, unsigned int byteOffset) {
    unsigned int w = byteOffset / 4;
    if (w + 1 >= words.size()) return 0;
    return uint64_t(words[w]) | uint64_t(words[w + 1]) << 32;
}

std::string label(const char* name) {
    std::string s(name);
    if (!s.empty() && s.back() == ':') s.pop_back();
    return s;
}

json ruleSetJson(const LiveRuleSet& set, bool withRules) {
    json j = {{"name", set.name},
              {"rule_count", set.info.rule_count},
              {"generation", set.info.generation},
              {"realization_time", set.info.realization_time}};
    if (withRules) {
        j["rules"] = json::array();
        for (const FWRule_& r : set.rules) j["rules"].push_back({{"id", ruleId(r)}, {"text", ruleText(r)}});
    }
    return j;
}

json addrSetJson(const LiveAddrSet& set, bool withMembers) {
    json j = {{"name", set.name},
              {"address_count", set.info.address_count},
              {"generation", set.info.generation},
              {"realization_time", set.info.realization_time}};
    if (withMembers) {
        j["members"] = json::array();
        for (const FWAddress_& a : set.members) j["members"].push_back(addressText(a));
    }
    return j;
}

json statsJson(fwlibhandle_* handle) {
    std::vector<uint32_t> words(KESTFW_KIFSTAT_WORDS);
    require(FW_GetKifStat(handle, nullptr, nullptr, words.data()), "kernel-interface statistics");
    // Packets from byte 0 and bytes from byte 800: per family 25 incoming then 25 outgoing counters.
    static const char* const kFamily[2] = {"v4", "v6"};
    json j;
    for (unsigned int kind = 0; kind < 2; ++kind) {
        json table;
        for (unsigned int fam = 0; fam < 2; ++fam)
            for (unsigned int a = 0; a < KESTFW_KIFSTAT_ACTIONS; ++a) {
                unsigned int base = kind * 800 + fam * 400 + a * 8;
                table[kFamily[fam]][label(g_kestfw_kifstat_action_names[a])] = {{"in", counterAt(words, base)},
                                                                                {"out", counterAt(words, base + 200)}};
            }
        j[kind == 0 ? "packets" : "bytes"] = table;
    }
    j["l2_drop"] = {{"packets_in", counterAt(words, 1600)},
                    {"packets_out", counterAt(words, 1608)},
                    {"bytes_in", counterAt(words, 1616)},
                    {"bytes_out", counterAt(words, 1624)}};
    json reasons;
    for (unsigned int i = 0; i < KESTFW_KIFSTAT_REASONS; ++i)
        reasons[label(g_kestfw_kifstat_reason_names[i])] = counterAt(words, 1632 + i * 8);
    j["reasons"] = reasons;
    return j;
}

json connectionsJson(fwlibhandle_* handle) {
    unsigned int count = 0;
    require(FW_GetConnectionCount(handle, nullptr, nullptr, nullptr, &count), "connection count");
    json flows = json::array();
    std::vector<FWConnectionStat_> page(kFlowPage);
    uint64_t start = 0;
    for (;;) {
        unsigned int returned = 0;
        require(FW_GetConnectionStat(handle, nullptr, nullptr, kFlowPage, nullptr, start, page.data(), &returned),
                "flow table");
        if (returned == 0) break;
        uint64_t last = 0;
        for (unsigned int i = 0; i < returned && i < kFlowPage; ++i) {
            last = FW_ConnectionStatFlowID(&page[i]);
            flows.push_back({{"flow_id", last}});
        }
        if (returned < kFlowPage || last == UINT64_MAX) break;
        start = last + 1;
    }
    return {{"count", count}, {"flows", flows}};
}

json settingsJson(fwlibhandle_* handle) {
    unsigned int policy = 0, shared = 0;
    require(FW_GetFailPolicy(handle, nullptr, nullptr, &policy), "fail policy");
    require(FW_GetSharedAddrSet(handle, nullptr, nullptr, &shared), "shared address sets");
    FWInstTimeout_ timeouts{};
    require(FW_GetTimeout(handle, nullptr, nullptr, &timeouts), "timeouts");
    json t;
    // Only the timeouts the kernel marks as set, as the report shows them.
    for (unsigned int i = 0; i < KESTFW_TIMEOUT_COUNT; ++i)
        if (timeouts.present[i] != 0) t[g_kestfw_timeout_name[i]] = timeouts.value[i];
    if (t.is_null()) t = json::object();
    return {
        {"fail_policy", policy == FW_FAIL_CLOSE ? "close" : "open"}, {"shared_addrsets", shared != 0}, {"timeouts", t}};
}

// The same queries with the report printer on: the library prints what it read.
void showReports(fwlibhandle_* handle, const std::string& what, const std::string& name) {
    if (what == "rulesets") {
        readRuleSetNames(handle);
    } else if (what == "ruleset") {
        readRuleSet(handle, name);
    } else if (what == "addrsets") {
        readAddrSetNames(handle);
    } else if (what == "addrset") {
        readAddrSet(handle, name);
    } else if (what == "connections") {
        unsigned int count = 0;
        require(FW_GetConnectionCount(handle, nullptr, nullptr, nullptr, &count), "connection count");
        if (count != 0) require(FW_PrintConnectionStat(handle, nullptr, nullptr, count, 0), "flow table");
    } else if (what == "stats") {
        std::vector<uint32_t> words(KESTFW_KIFSTAT_WORDS);
        require(FW_GetKifStat(handle, nullptr, nullptr, words.data()), "kernel-interface statistics");
    } else if (what == "settings") {
        settingsJson(handle);
    }
}

}  // namespace

int runShow(const ChannelOptions& channel, const std::string& argv0, const std::string& what, const std::string& name,
            bool json) {
    bool named = what == "ruleset" || what == "addrset";
    if (named && name.empty()) throw CtlError(kExitUsage, "show " + what + " needs a NAME");
    if (!named && !name.empty()) throw CtlError(kExitUsage, "show " + what + " takes no NAME");
    Session session(channel, argv0);
    fwlibhandle_* handle = session.handle();
    if (!json) {
        FW_SetLibPrettyPrinting(printToStdout, nullptr);
        showReports(handle, what, name);
        FW_SetLibPrettyPrinting(nullptr, nullptr);
        fflush(stdout);
        return kExitOk;
    }
    nlohmann::json out;
    if (what == "rulesets") {
        out["rulesets"] = nlohmann::json::array();
        for (const std::string& n : readRuleSetNames(handle))
            out["rulesets"].push_back(ruleSetJson(readRuleSet(handle, n), false));
    } else if (what == "ruleset") {
        out = ruleSetJson(readRuleSet(handle, name), true);
    } else if (what == "addrsets") {
        out["addrsets"] = nlohmann::json::array();
        for (const std::string& n : readAddrSetNames(handle))
            out["addrsets"].push_back(addrSetJson(readAddrSet(handle, n), false));
    } else if (what == "addrset") {
        out = addrSetJson(readAddrSet(handle, name), true);
    } else if (what == "connections") {
        out = connectionsJson(handle);
    } else if (what == "stats") {
        out = statsJson(handle);
    } else {
        out = settingsJson(handle);
    }
    std::cout << out.dump(2) << '\n';
    return kExitOk;
}

}  // namespace kestfwctl
