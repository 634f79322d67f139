// Scanner throughput over a generated configuration of several megabytes that mixes every common
// token kind: keywords, names, quoted strings, IPv4 and IPv6 forms, Ethernet forms, ports, numbers,
// UUIDs and comments. Reported as bytes per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "lang/kestfw_parser.hpp"
#include "lang/kestfw_scanner.hpp"

namespace {

const std::string& configText() {
    static const std::string text = [] {
        std::string t;
        t.reserve(6u << 20);
        char line[1024];
        for (unsigned i = 0; t.size() < (4u << 20); ++i) {
            snprintf(line, sizeof line,
                     "/* rule set %u */\n"
                     "create ruleset rs_%u of vnic 01234567-89ab-cdef-0123-%012x.%u {\n"
                     "  rule %u at %u inout protocol tcp from addrset \"web servers %u\" to ip 10.%u.%u.0/24 "
                     "port 80-8080 pass with log;\n"
                     "  rule %u in protocol udp from ip 2001:db8::%x/64 to ip 10.0.%u.1-200 port 53 reject;\n"
                     "  rule %u out ethertype 0x86dd from mac ab:cd:ef:%02x:23:45 to any drop; # tail\n"
                     "};\n"
                     "set connection with from 192.168.%u.7:4431 to any:443;\n"
                     "describe stat of ruleset rs_%u with { %u, %uu, 0x%xu } to dvsport 01234567-89ab-cdef-0123-"
                     "456789abcdef:%u;\n",
                     i, i, i, i % 1000, 3 * i, i, i, i % 256, (i / 256) % 256, 3 * i + 1, i & 0xffff, i % 256,
                     3 * i + 2, i % 256, i % 256, i, i, i, i, i % 1000);
            t += line;
        }
        return t;
    }();
    return text;
}

size_t scanAll(yyscan_t scanner) {
    YYSTYPE value;
    YYLTYPE location{};
    size_t tokens = 0;
    while (yylex(&value, &location, scanner) != 0) ++tokens;
    return tokens;
}

void BM_ScanString(benchmark::State& state) {
    const std::string& text = configText();
    size_t tokens = 0;
    for (auto _ : state) {
        fw_lex_extra_ extra{};
        yyscan_t scanner = nullptr;
        yylex_init_extra(&extra, &scanner);
        YY_BUFFER_STATE buffer = yy_scan_bytes(text.data(), static_cast<int>(text.size()), scanner);
        yyset_lineno(1, scanner);
        tokens = scanAll(scanner);
        if (extra.status != 0) state.SkipWithError(extra.message);
        yy_delete_buffer(buffer, scanner);
        yylex_destroy(scanner);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["tokens"] = static_cast<double>(tokens);
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_ScanString)->Unit(benchmark::kMillisecond);

void BM_ScanStream(benchmark::State& state) {
    const std::string& text = configText();
    for (auto _ : state) {
        FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        fw_lex_extra_ extra{};
        yyscan_t scanner = nullptr;
        yylex_init_extra(&extra, &scanner);
        yyset_in(in, scanner);
        benchmark::DoNotOptimize(scanAll(scanner));
        yylex_destroy(scanner);
        fclose(in);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ScanStream)->Unit(benchmark::kMillisecond);

}  // namespace
