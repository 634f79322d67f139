// Cost of a rule on its way to the kernel and back: building 100 000 rules with the rule builder and
// writing each one's 1420-byte record, and reading such records back and rendering them as text.
// Reported as time per rule (the "per_rule" counter, in seconds).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "kestfw/kestfw_rule.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWContainerID.h"
#include "model/KestFWRuleActionDNAT.h"
#include "model/KestFWRuleBuilder.h"
#include "model/KestFWRuleFactory.h"

using namespace KestFirewall;

namespace {

constexpr unsigned kRules = 100000;

// A mix of what rule sets hold: layer-3 rules with addresses and ports, port sets with logging,
// NAT with a pool, layer-2 rules, and rules with layer-7 profiles.
CKestFWRule* makeRule(CKestFWRuleBuilder& b, unsigned i) {
    b.setId(i + 1);
    b.setPosition(static_cast<int>(i));
    switch (i % 5) {
        case 0:
            b.setDirection(FW_RULE_DIR_IN);
            b.setType(true);
            b.setProtocol(6, false);
            b.setSource(htonl(0x0a000000u | (i & 0xffffu) << 8), 24);
            b.setDest("web-servers");
            b.setDestPort(static_cast<unsigned short>(1 + i % 60000), false);
            b.setAction(FW_RULE_ACTION_ACCEPT, "");
            break;
        case 1:
            b.setType(true);
            b.setProtocol(17, false);
            b.addDestPort(53);
            b.addDestPort(5353);
            b.addDestPort(10000, 10100);
            b.setAction(FW_RULE_ACTION_DROP, "");
            b.setEnableLog();
            b.setTag("dns");
            break;
        case 2:
            b.setDirection(FW_RULE_DIR_IN);
            b.setType(true);
            b.setProtocol(6, false);
            b.setDest(htonl(0xc6336400u | (i & 0xffu)), 32);
            b.setAction(
                new CKestFWRuleActionDNAT(new CKestFWAddrSetID("pool", false), FW_RULE_POOLOPT_ROUND_ROBIN, 8080, 0));
            break;
        case 3: {
            const unsigned char mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, static_cast<unsigned char>(i)};
            b.setDirection(FW_RULE_DIR_OUT);
            b.setType(false);
            b.setProtocol(0x0806, false);
            b.setSource(mac);
            b.setAction(FW_RULE_ACTION_REJECT, "");
            break;
        }
        default:
            b.setType(true);
            b.setProtocol(6, false);
            b.setStateless();
            b.addTCPFlags(0x12, false);
            b.setAttributeProfile(new CKestFWContainerID("apps"));
            b.setAction(FW_RULE_ACTION_ACCEPT, "");
            break;
    }
    return b.buildRule();
}

void BM_BuildAndSerialise(benchmark::State& state) {
    std::vector<uint8_t> record(FW_RULE_RECORD_SIZE);
    for (auto _ : state) {
        CKestFWRuleBuilder b;
        for (unsigned i = 0; i < kRules; ++i) {
            b.setTag("");
            std::unique_ptr<CKestFWRule> r(makeRule(b, i));
            unsigned used = 0;
            if (!r || !r->toMessage(record.data(), FW_RULE_RECORD_SIZE, &used)) {
                state.SkipWithError("rule not built");
                return;
            }
            benchmark::DoNotOptimize(record.data());
        }
    }
    state.counters["per_rule"] = benchmark::Counter(static_cast<double>(kRules) * state.iterations(),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BuildAndSerialise)->Unit(benchmark::kMillisecond);

void BM_RenderRecords(benchmark::State& state) {
    std::vector<uint8_t> records(static_cast<size_t>(kRules) * FW_RULE_RECORD_SIZE);
    {
        CKestFWRuleBuilder b;
        for (unsigned i = 0; i < kRules; ++i) {
            b.setTag("");
            std::unique_ptr<CKestFWRule> r(makeRule(b, i));
            unsigned used = 0;
            r->toMessage(&records[static_cast<size_t>(i) * FW_RULE_RECORD_SIZE], FW_RULE_RECORD_SIZE, &used);
        }
    }
    char text[512];
    for (auto _ : state) {
        for (unsigned i = 0; i < kRules; ++i) {
            const FWRule_* rec =
                reinterpret_cast<const FWRule_*>(&records[static_cast<size_t>(i) * FW_RULE_RECORD_SIZE]);
            if (FW_GetRuleString(rec, 1, text, sizeof text, 0) != 0) {
                state.SkipWithError("record not rendered");
                return;
            }
            benchmark::DoNotOptimize(text);
        }
    }
    state.counters["per_rule"] = benchmark::Counter(static_cast<double>(kRules) * state.iterations(),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RenderRecords)->Unit(benchmark::kMillisecond);

}  // namespace
