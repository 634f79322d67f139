// A large host policy as text: 1 000 address sets and 1 000 rule sets of 100 rules each (100 000
// rules), parsed, evaluated into the simulated module through the device channel and through the
// memory channel, read back with the rule-set queries and rendered as text again.
// Usage: scale_policy [rule sets]   (default 1 000; 100 rules each)
#include <arpa/inet.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ScaleReport.h"
#include "kestfw/kestfw.h"
#include "sim/KestSimControl.h"

using namespace kestfw_bench;

namespace {

constexpr unsigned kRulesPerSet = 100;

std::string policyText(unsigned ruleSets) {
    std::string t;
    t.reserve(size_t(ruleSets) * kRulesPerSet * 96 + (1u << 20));
    char line[256];
    for (unsigned s = 0; s < ruleSets; ++s) {
        snprintf(line, sizeof line, "create addrset as%u with { ip 10.%u.%u.1, 10.%u.%u.2, 172.16.%u.0/24 };\n", s,
                 s / 256, s % 256, s / 256, s % 256, s % 256);
        t += line;
    }
    unsigned id = 1;
    for (unsigned s = 0; s < ruleSets; ++s) {
        snprintf(line, sizeof line, "create ruleset rs%u with {\n", s);
        t += line;
        for (unsigned r = 0; r < kRulesPerSet; ++r, ++id) {
            switch (r % 4) {
                case 0:
                    snprintf(line, sizeof line,
                             "    rule %u in protocol tcp from any to addrset as%u port {80, 443} pass with log;\n", id,
                             (s + r) % ruleSets);
                    break;
                case 1:
                    snprintf(line, sizeof line,
                             "    rule %u out protocol udp from 10.%u.%u.0/24 to any port %u drop;\n", id, r, s % 256,
                             1000 + r);
                    break;
                case 2:
                    snprintf(line, sizeof line,
                             "    rule %u inout protocol icmp icmptype 8 from addrset as%u to any pass;\n", id, s);
                    break;
                default:
                    snprintf(line, sizeof line,
                             "    rule %u in protocol tcp from 192.168.%u.%u to not 10.0.0.0/8 port 22 reject;\n", id,
                             r, s % 256);
                    break;
            }
            t += line;
        }
        t += "};\n";
    }
    return t;
}

fwlibhandle_* deviceHandle() {
    int reserved = 0;
    fwlibhandle_* h = nullptr;
    return FW_Initialize(0x10000, &reserved, 1, 0, nullptr, &h) == 0 ? h : nullptr;
}

bool check(FWStatus_t st, const char* what) {
    if (st == 0) return true;
    fprintf(stderr, "%s failed: %s\n", what, FW_StatusToString(st));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned ruleSets = sizeArg(argc, argv, 1000);
    const unsigned rules = ruleSets * kRulesPerSet;
    const bool full = ruleSets >= 1000;

    const std::string text = policyText(ruleSets);
    char title[128];
    snprintf(title, sizeof title, "policy of %u rules in %u rule sets with %u address sets (%.1f MiB of text)", rules,
             ruleSets, ruleSets, double(text.size()) / (1 << 20));
    header(title);

    kestsim_reset();
    fwlibhandle_* handle = deviceHandle();
    if (handle == nullptr) {
        fprintf(stderr, "cannot open the simulated control device\n");
        return 1;
    }

    // Text to the module through the device channel: the figure the targets are about.
    void* config = nullptr;
    fwlibhandle_* extra = nullptr;
    Stopwatch parse;
    if (!check(FW_LoadConfigString(text.c_str(), &extra, &config), "parse")) return 1;
    const Lap parseLap = parse.lap();
    Stopwatch evaluate;
    if (!check(FW_EvaluateConfigFile(handle, config, nullptr, nullptr), "evaluate (device)")) return 1;
    const Lap evalLap = evaluate.lap();
    FW_FreeConfigFile(config);
    timeLine("parse", parseLap);
    printf("%-44s %10.1f MiB/s\n", "  parse rate", double(text.size()) / (1 << 20) / parseLap.cpu);
    timeLine("evaluate, device channel", evalLap);
    timeLine("parse + evaluate, device channel", parseLap + evalLap, full ? 0.4 : 0);
    rssLine("peak RSS so far (incl. the module's copy)", full ? 300 : 0);

    // The same text through the memory channel, which keeps only the last message.
    {
        std::vector<uint8_t> area(64u << 20);
        uint32_t length = uint32_t(area.size());
        void* args[4] = {const_cast<char*>(KESTFW_IO_MEMORY), area.data(), const_cast<char*>(KESTFW_IO_LENGTH),
                         &length};
        int reserved = 0;
        fwlibhandle_* memory = nullptr;
        if (!check(FW_Initialize(0x10000, &reserved, 5, 4, args, &memory), "memory channel")) return 1;
        Stopwatch both;
        if (!check(FW_LoadConfigString(text.c_str(), &extra, &config), "parse")) return 1;
        if (!check(FW_EvaluateConfigFile(memory, config, nullptr, nullptr), "evaluate (memory)")) return 1;
        FW_FreeConfigFile(config);
        timeLine("parse + evaluate, memory channel", both.lap());
        FW_Exit(memory);
    }

    // Read back every rule set and render its rules.
    uint32_t count = 0;
    Stopwatch readBack;
    if (!check(FW_GetRuleSetCount(handle, nullptr, nullptr, &count), "rule-set count")) return 1;
    std::vector<FWRuleSetID_t> ids(count ? count : 1);
    unsigned returned = 0;
    if (count != 0 && !check(FW_GetRuleSetList(handle, nullptr, nullptr, count, 0, ids.data(), &returned), "list"))
        return 1;
    std::vector<FWRule_> records(size_t(rules) + kRulesPerSet);
    size_t held = 0;
    for (unsigned i = 0; i < returned; ++i) {
        unsigned got = 0;
        if (!check(FW_GetRuleOfRuleSet(handle, nullptr, nullptr, 0, kRulesPerSet, 0, ids[i], nullptr,
                                       records.data() + held, &got),
                   "read rules"))
            return 1;
        held += got;
    }
    const Lap readLap = readBack.lap();
    printf("%-44s %10zu rules (%u rule sets)\n", "read back", held, returned);
    timeLine("read back with the queries", readLap);

    std::vector<char> out(64u << 10);
    size_t chars = 0;
    Stopwatch render;
    for (size_t i = 0; i < held; i += kRulesPerSet) {
        const unsigned n = unsigned(std::min<size_t>(kRulesPerSet, held - i));
        if (!check(FW_GetRuleString(records.data() + i, n, out.data(), unsigned(out.size()), 0), "render")) return 1;
        chars += strlen(out.data());
    }
    const Lap renderLap = render.lap();
    timeLine("render with FW_GetRuleString", renderLap, full ? 0.1 : 0);
    printf("%-44s %10.2f us/rule (%zu characters)\n", "  per rule", renderLap.cpu * 1e6 / double(held ? held : 1),
           chars);
    rssLine("peak RSS at the end");
    FW_Exit(handle);
    return held == rules ? 0 : 1;
}
