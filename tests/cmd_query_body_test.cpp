// The read-back commands on their own: request bodies and statement texts against hand-laid bytes,
// constructor refusals, reports decoded from hand-written replies, and replies whose counts or names
// lie about the body that carries them.
#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cmd/KestFWCmdGetAddrSetCount.h"
#include "cmd/KestFWCmdGetAddrSetInfo.h"
#include "cmd/KestFWCmdGetAddrSetList.h"
#include "cmd/KestFWCmdGetAddrSetStatList.h"
#include "cmd/KestFWCmdGetAddrSetTypeAndSize.h"
#include "cmd/KestFWCmdGetAddressOfAddrSet.h"
#include "cmd/KestFWCmdGetRuleCountOfRuleSet.h"
#include "cmd/KestFWCmdGetRuleOfRuleSet.h"
#include "cmd/KestFWCmdGetRuleSetInfo.h"
#include "cmd/KestFWCmdGetRuleSetList.h"
#include "cmd/KestFWCmdGetSharedAddrSet.h"
#include "cmd/KestFWCmdGetStatOfRuleSet.h"
#include "support/RuleBuild.h"
#include "support/SetSamples.h"
#include "support/TestCommands.h"
#include "support/Wire.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

using Make = std::function<CKestFWCmd*()>;

dvs_port_* filterPort() {
    static dvs_port_ port = makePort(7, "f1", 0);
    return &port;
}

struct RequestCase {
    const char* name;
    Make make;
    unsigned opcode;
    Bytes body;  // the whole body as written: request fields over zeros
    const char* text;
    size_t request = 0;  // the bytes the request part covers when not the whole body
};
void PrintTo(const RequestCase& c, std::ostream* os) { *os << c.name; }

Bytes named(size_t size, const std::string& name) { return Golden(size).text(0, name).b; }

const unsigned kIds[] = {9, 3, 9, 5};

std::vector<RequestCase> requestCases() {
    return {
        {"rule-set list", [] { return new CKestFWCmdGetRuleSetList(nullptr, 3, 0); }, 2,
         Golden(12 + 3 * 64).le(0, 3, 4).b, "describe list of ruleset", 12},
        {"rule-set list from", [] { return new CKestFWCmdGetRuleSetList(filterPort(), 2, 7); }, 2,
         Golden(12 + 2 * 64).le(0, 2, 4).le(4, 7, 4).b, "describe list of ruleset of filter f1 from 7", 12},
        {"rule count, snat", [] { return new CKestFWCmdGetRuleCountOfRuleSet(nullptr, rsId("web"), 1); }, 8,
         Golden(72).text(0, "web").le(64, 1, 1).b, "describe snat rule count of ruleset "},
        {"rule count, pre filter", [] { return new CKestFWCmdGetRuleCountOfRuleSet(nullptr, rsId("web"), 5); }, 8,
         Golden(72).text(0, "web").le(64, 5, 1).b, "describe pre filter rule count of ruleset "},
        {"rule-set info", [] { return new CKestFWCmdGetRuleSetInfo(filterPort(), rsId("web")); }, 9, named(84, "web"),
         "describe info of ruleset  of filter f1"},
        {"rules by position", [] { return new CKestFWCmdGetRuleOfRuleSet(nullptr, rsId("web"), 2u, 0u, 2u); }, 10,
         Golden(96 + 2 * 1424).text(0, "web").le(64, 2, 4).le(72, 1, 1).le(74, 2, 1).b,
         "describe dnat rule of ruleset web from 0", 96},
        {"rules by id array", [] { return new CKestFWCmdGetRuleOfRuleSet(nullptr, rsId("web"), 4, kIds, 0); }, 10,
         Golden(96 + 4 * 1424).text(0, "web").le(64, 4, 4).le(96, 3, 4).le(100, 5, 4).le(104, 9, 4).b,
         "describe rule of ruleset web with {3,5,9}", 112},
        {"rules by empty list",
         [] { return new CKestFWCmdGetRuleOfRuleSet(nullptr, rsId("web"), new CKestFWIDList, 4); }, 10,
         Golden(96).text(0, "web").le(74, 4, 1).b, "describe rule of ruleset web with {}"},
        {"stats by position", [] { return new CKestFWCmdGetStatOfRuleSet(filterPort(), rsId("web"), 3u, 4u, 1u); }, 11,
         Golden(80 + 3 * 68).text(0, "web").le(64, 3, 4).le(68, 4, 4).le(72, 1, 1).le(74, 1, 1).b,
         "describe snat stat of ruleset web of filter f1 from 4", 80},
        {"stats by id", [] { return new CKestFWCmdGetStatOfRuleSet(nullptr, rsId("web"), 2, kIds, 0); }, 11,
         Golden(80 + 2 * 68).text(0, "web").le(64, 2, 4).le(80, 3, 4).le(84, 9, 4).b,
         "describe stat of ruleset web with {3,9}", 88},
        {"set size", [] { return new CKestFWCmdGetAddrSetTypeAndSize(nullptr, setId("ips")); }, 15, named(50, "ips"),
         "describe size of addrset ips"},
        {"set info", [] { return new CKestFWCmdGetAddrSetInfo(filterPort(), setId("ips")); }, 16, named(58, "ips"),
         "describe info of addrset ips of filter f1"},
        {"addresses", [] { return new CKestFWCmdGetAddressOfAddrSet(nullptr, setId("ips"), 2, 5); }, 17,
         Golden(70 + 2 * 144).text(0, "ips").le(38, 1, 4).le(42, 2, 4).le(46, 5, 4).b,
         "describe address of addrset ips from 5", 70},
        {"set count", [] { return new CKestFWCmdGetAddrSetCount(nullptr, 2); }, 20, Golden(8).le(0, 2, 1).b,
         "describe count of addrset "},
        {"set list", [] { return new CKestFWCmdGetAddrSetList(nullptr, 1, 2, 0); }, 21,
         Golden(16 + 2 * 38).le(0, 1, 1).le(4, 2, 4).b, "describe list of addrset ", 16},
        {"set statistics", [] { return new CKestFWCmdGetAddrSetStatList(nullptr, 0, 1, 3); }, 22,
         Golden(16 + 134).le(4, 1, 4).le(8, 3, 4).b, "describe stat of addrsets ", 16},
        {"shared switch", [] { return new CKestFWCmdGetSharedAddrSet(nullptr); }, 42, Bytes(4, 0),
         "describe shared addrset"},
    };
}

class QueryRequest : public ::testing::TestWithParam<RequestCase> {};

}  // namespace

TEST_P(QueryRequest, WritesItsBodyOverGarbageAndReadsBackAsItsStatement) {
    const RequestCase& c = GetParam();
    std::unique_ptr<CKestFWCmd> cmd(c.make());
    EXPECT_EQ(cmd->getCommand(), c.opcode);
    ASSERT_EQ(cmd->getMsgSize(), c.body.size());
    // The request part is written whole over whatever the buffer held; the room for the answer is
    // the kernel's.
    const size_t request = c.request != 0 ? c.request : c.body.size();
    Bytes buf(c.body.size() + 8, 0x00);
    std::fill(buf.begin(), buf.begin() + long(request), 0xCC);
    unsigned written = 0;
    ASSERT_TRUE(cmd->writeCmdBody(buf.data(), unsigned(c.body.size()), &written, 0));
    EXPECT_EQ(written, c.body.size());
    EXPECT_EQ(Bytes(buf.begin(), buf.begin() + long(request)), Bytes(c.body.begin(), c.body.begin() + long(request)));
    EXPECT_EQ(cmd->toString(), c.text);
    EXPECT_FALSE(cmd->writeCmdBody(buf.data(), unsigned(c.body.size() - 1), &written, 0)) << "one byte short";
}

INSTANTIATE_TEST_SUITE_P(Commands, QueryRequest, ::testing::ValuesIn(requestCases()));

TEST(QueryConstructor, RefusesOutOfRangeArgumentsWithTheirMessages) {
    struct Case {
        std::function<void()> make;
        FWStatus_t code;
        const char* message;
    } cases[] = {
        {[] { CKestFWCmdGetRuleSetList(nullptr, 67108864, 0); }, 17,
         "invalid number of ruleset id to retrieve: 67108864"},
        {[] { CKestFWCmdGetRuleCountOfRuleSet(nullptr, rsId("a"), 6); }, 7, "invalid rule type"},
        {[] { CKestFWCmdGetRuleOfRuleSet(nullptr, rsId("a"), 3016157u, 0u, 0u); }, 17,
         "integer overflow for the number of rule id: 3016157"},
        {[] { CKestFWCmdGetRuleOfRuleSet(nullptr, rsId("a"), new CKestFWIDList, 7); }, 7, "invalid rule type"},
        {[] { CKestFWCmdGetStatOfRuleSet(nullptr, rsId("a"), 63161284u, 0u, 0u); }, 17,
         "integer overflow for the number of rule id: 63161284"},
        {[] { CKestFWCmdGetAddressOfAddrSet(nullptr, setId("s"), 29826162, 0); }, 17,
         "invalid number of addresses: 29826162"},
        {[] { CKestFWCmdGetAddrSetCount(nullptr, 6); }, 34, "invalid addrset type: 6"},
        {[] { CKestFWCmdGetAddrSetList(nullptr, 9, 0xFFFFFFFF, 0); }, 34, "invalid addrset type: 9"},
        {[] { CKestFWCmdGetAddrSetList(nullptr, 1, 113025456, 0); }, 17,
         "invalid number of addrset id to retrieve: 113025456"},
        {[] { CKestFWCmdGetAddrSetStatList(nullptr, 1, 32051995, 0); }, 17,
         "invalid number of addrset stat to retrieve: 32051995"},
    };
    for (const Case& c : cases) expectRaises(c.make, c.code, c.message);
    // The largest counts that still fit are taken.
    EXPECT_NO_THROW(CKestFWCmdGetRuleSetList(nullptr, 67108863, 0));
    EXPECT_NO_THROW(CKestFWCmdGetAddrSetCount(nullptr, 5));
    EXPECT_NO_THROW(CKestFWCmdGetStatOfRuleSet(nullptr, rsId("a"), 63161283u, 0u, 0u));
}

namespace {

// The realization-time line the reports print for a value, rendered independently when compared.
std::string timeText(const char* label, uint64_t bootSeconds) {
    return std::string("@time ") + label + "|" + std::to_string(bootSeconds);
}

std::string renderTime(const std::string& label, uint64_t bootSeconds) {
    time_t when = bootsec2time(static_cast<unsigned long>(bootSeconds));
    struct tm t {};
    localtime_r(&when, &t);
    char buf[64];
    snprintf(buf, sizeof buf, "%s%04d-%02d-%02dT%02d:%02d:%02d\n", label.c_str(), t.tm_year + 1900, t.tm_mon + 1,
             t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

Texts resolveTimes(const Texts& lines) {
    Texts out;
    for (const std::string& l : lines) {
        if (l.compare(0, 6, "@time ") != 0) {
            out.push_back(l);
            continue;
        }
        const size_t bar = l.find('|');
        out.push_back(renderTime(l.substr(6, bar - 6), std::stoull(l.substr(bar + 1))));
    }
    return out;
}

Bytes ruleRecord(unsigned i) { return serialise(*std::unique_ptr<CKestFWRule>(sampleRule(i))); }
std::string ruleText(unsigned i) { return std::unique_ptr<CKestFWRule>(sampleRule(i))->toString() + "\n"; }

struct ReportCase {
    const char* name;
    Make make;
    Bytes reply;
    Texts lines;
};
void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.name; }

std::vector<ReportCase> reportCases() {
    const uint64_t when = 4000;
    Golden stat(16 + 2 * 134);
    stat.le(12, 2, 4).text(16, "alpha");
    for (int k = 0; k < 11; ++k) stat.le(16 + 38 + 8 * k, 100 + k, 8);
    stat.text(150, std::string(38, 'z'));  // a name that fills its field
    Golden rules(96 + 3 * 1424);
    rules.le(64, 3, 4).le(76, 2, 4).le(80, when, 8).le(88, 6, 8);
    // Records start behind the id room the reply's own count reserves: 96 + 4 x 3.
    rules.raw(108, ruleRecord(0)).raw(108 + 1420, Bytes(1420, 0xEE)).raw(108 + 2 * 1420, ruleRecord(1)).le(76, 3, 4);
    Golden addrs(70 + 3 * 144);
    addrs.le(50, 2, 4).le(54, when, 8).le(62, 2, 8).raw(70, bytesOf({ipv4Host(7), addrRecord(0xEEEE, {1})}));
    return {
        {"rule-set list",
         [] { return new CKestFWCmdGetRuleSetList(nullptr, 2, 0); },
         Golden(12 + 2 * 64).le(8, 2, 4).text(12, "a").text(76, std::string(64, 'b')).b,
         {"a\n", std::string(64, 'b') + "\n"}},
        {"rule count",
         [] { return new CKestFWCmdGetRuleCountOfRuleSet(nullptr, rsId("a"), 0); },
         Golden(72).le(68, 12, 4).b,
         {"rule count : 12\n"}},
        {"rule-set info",
         [] { return new CKestFWCmdGetRuleSetInfo(nullptr, rsId("a")); },
         Golden(84).le(64, 3, 4).le(68, when, 8).le(76, 5, 8).b,
         {"rule count       : 3\n", "generation number: 5\n", timeText("realization time : ", when)}},
        {"rules, an unreadable one skipped",
         [] { return new CKestFWCmdGetRuleOfRuleSet(nullptr, rsId("a"), 3u, 0u, 0u); },
         rules.b,
         {"# generation number: 6\n", timeText("# realization time : ", when), ruleText(0), ruleText(1)}},
        {"rule statistics numbered from 1",
         [] { return new CKestFWCmdGetStatOfRuleSet(nullptr, rsId("a"), 2u, 40u, 0u); },
         Golden(80 + 2 * 68).le(64, 2, 4).le(76, 2, 4).le(88, 1, 4).le(88 + 8, 2, 8).le(88 + 56, 8, 8).le(152, 77, 4).b,
         {"rule     1 at 1, 2 evals, 0 hits, 0 sessions, in 0 out 0 pkts, in 0 out 8 bytes\n",
          "rule    77 at 2, 0 evals, 0 hits, 0 sessions, in 0 out 0 pkts, in 0 out 0 bytes\n"}},
        {"set size",
         [] { return new CKestFWCmdGetAddrSetTypeAndSize(nullptr, setId("s")); },
         Golden(50).le(38, 2, 4).le(42, 1, 4).le(46, 288, 4).b,
         {"addrset type : 1\n", "addrset elements count : 2\n", "addrset serialize size : 288\n"}},
        {"set info",
         [] { return new CKestFWCmdGetAddrSetInfo(nullptr, setId("s")); },
         Golden(58).le(38, 4, 4).le(42, when, 8).le(50, 9, 8).b,
         {"address count    : 4\n", "generation number: 9\n", timeText("realization time : ", when)}},
        {"addresses, an unreadable one skipped",
         [] { return new CKestFWCmdGetAddressOfAddrSet(nullptr, setId("s"), 3, 0); },
         addrs.b,
         {"# generation number: 2\n", timeText("# realization time : ", when), "ip 10.0.0.7\n"}},
        {"set count",
         [] { return new CKestFWCmdGetAddrSetCount(nullptr, 0); },
         Golden(8).le(4, 3, 4).b,
         {"addrset count : 3\n"}},
        {"set list, empty", [] { return new CKestFWCmdGetAddrSetList(nullptr, 0, 2, 0); }, Bytes(16 + 76, 0), {}},
        {"set statistics, in before out",
         [] { return new CKestFWCmdGetAddrSetStatList(nullptr, 0, 2, 0); },
         stat.b,
         {"addrset alpha:\n", "    in + pass  : packets = 102               bytes = 106             \n",
          "    in + drop  : packets = 103               bytes = 107             \n",
          "    out + pass : packets = 100               bytes = 104             \n",
          "    out + drop : packets = 101               bytes = 105             \n",
          "    match = 108               no_match = 109               uptime = 110             \n",
          "addrset " + std::string(38, 'z') + ":\n",
          "    in + pass  : packets = 0                 bytes = 0               \n",
          "    in + drop  : packets = 0                 bytes = 0               \n",
          "    out + pass : packets = 0                 bytes = 0               \n",
          "    out + drop : packets = 0                 bytes = 0               \n",
          "    match = 0                 no_match = 0                 uptime = 0               \n"}},
        {"shared switch on",
         [] { return new CKestFWCmdGetSharedAddrSet(nullptr); },
         Bytes{0x03, 0, 0, 0},
         {"shared addrset: enabled\n"}},
        {"shared switch off",
         [] { return new CKestFWCmdGetSharedAddrSet(nullptr); },
         Bytes{0x02, 0, 0, 0},
         {"shared addrset: disabled\n"}},
    };
}

class QueryReport : public ::testing::TestWithParam<ReportCase> {};

}  // namespace

TEST_P(QueryReport, PrintsTheReplyLineByLine) {
    const ReportCase& c = GetParam();
    std::unique_ptr<CKestFWCmd> cmd(c.make());
    ASSERT_EQ(c.reply.size(), cmd->getMsgSize());
    // Exactly the body, on the heap, so any read past it is caught by the sanitizer build.
    std::unique_ptr<uint8_t[]> body(new uint8_t[c.reply.size() + 1]);
    std::copy(c.reply.begin(), c.reply.end(), body.get());
    {
        // The boot moment is estimated from two clocks that tick apart, so a time line may be a
        // second off the one rendered before or after: either is right.
        const Texts before = resolveTimes(c.lines);
        ReportCapture report;
        cmd->checkCmdReply(body.get(), unsigned(c.reply.size()));
        const Texts after = resolveTimes(c.lines);
        EXPECT_TRUE(report.lines() == before || report.lines() == after)
            << ::testing::PrintToString(report.lines()) << " vs " << ::testing::PrintToString(after);
    }
    ReportCapture::lines().clear();
    cmd->checkCmdReply(body.get(), unsigned(c.reply.size()));
    EXPECT_TRUE(ReportCapture::lines().empty()) << "nothing printed without a print function";
}

INSTANTIATE_TEST_SUITE_P(Commands, QueryReport, ::testing::ValuesIn(reportCases()));

namespace {

struct LieCase {
    const char* name;
    Make make;
    size_t countOff;  // where the reply states its count
    size_t lines;     // report lines printed for the entries that are really there
};
void PrintTo(const LieCase& c, std::ostream* os) { *os << c.name; }

class QueryLyingReply : public ::testing::TestWithParam<LieCase> {};

}  // namespace

// Counts up to the largest word, on a body that holds one entry: the report reads what is there only.
TEST_P(QueryLyingReply, ReadsNoFurtherThanTheBody) {
    const LieCase& c = GetParam();
    std::unique_ptr<CKestFWCmd> cmd(c.make());
    const size_t size = cmd->getMsgSize();
    for (uint32_t claim : {2u, 1000u, 0xFFFFFFFFu}) {
        std::unique_ptr<uint8_t[]> body(new uint8_t[size]);
        memset(body.get(), 'Q', size);  // names without NUL anywhere
        Golden g(8);
        g.le(0, claim, 4);
        std::copy(g.b.begin(), g.b.begin() + 4, body.get() + c.countOff);
        ReportCapture report;
        cmd->checkCmdReply(body.get(), unsigned(size));
        EXPECT_EQ(report.lines().size(), c.lines) << claim;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, QueryLyingReply,
    ::testing::Values(
        LieCase{"rule-set names", [] { return new CKestFWCmdGetRuleSetList(nullptr, 1, 0); }, 8, 1},
        LieCase{"set names", [] { return new CKestFWCmdGetAddrSetList(nullptr, 0, 1, 0); }, 12, 1},
        LieCase{"set statistics", [] { return new CKestFWCmdGetAddrSetStatList(nullptr, 0, 1, 0); }, 12, 6},
        LieCase{"rule statistics", [] { return new CKestFWCmdGetStatOfRuleSet(nullptr, rsId("a"), 0u, 0u, 0u); }, 76,
                0},
        LieCase{"addresses", [] { return new CKestFWCmdGetAddressOfAddrSet(nullptr, setId("s"), 1, 0); }, 50, 2}));
