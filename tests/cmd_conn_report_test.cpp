// The flow report and the short reports of the connection commands, printed from the simulated
// module's flow table: every protocol format, both address families, an unknown family, every ALG role
// and gateway kind the report names, and the last second of a year.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <string>
#include <vector>

#include "cmd/KestFWCmdGetConnectionStat.h"
#include "support/LogCapture.h"
#include "support/SimHandle.h"
#include "support/Wire.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

constexpr uint32_t kNewYearsEve = 1798761599;  // 2026-12-31 23:59:59 UTC
constexpr uint32_t kLeapDay = 1709193909;      // 2024-02-29 08:05:09 UTC

kestsim_flow_ flow(uint64_t id, uint8_t proto, uint8_t family) {
    kestsim_flow_ f{};
    f.id = id;
    f.time = kLeapDay;
    f.proto = proto;
    f.family = family;
    if (family == 2) {
        inet_pton(AF_INET, "10.0.0.1", f.src);
        inet_pton(AF_INET, "10.0.0.2", f.dst);
    } else {
        inet_pton(AF_INET6, "fe80::1", f.src);
        inet_pton(AF_INET6, "2001:db8::2", f.dst);
    }
    f.sport = 1234;
    f.dport = 80;
    f.counters[0] = 1, f.counters[1] = 2, f.counters[2] = 3, f.counters[3] = 4;
    return f;
}

kestsim_flow_ withAlg(kestsim_flow_ f, uint8_t kind, uint8_t role, uint16_t port, uint64_t related = 0) {
    f.alg_kind = kind, f.alg_role = role, f.alg_port = port, f.alg_related = related;
    return f;
}

class FlowReport : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        const char* tz = getenv("TZ");
        m_oldTz = tz ? tz : "";
        m_hadTz = tz != nullptr;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (m_hadTz)
            setenv("TZ", m_oldTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        SimTest::TearDown();
    }
    std::vector<std::string> print(unsigned count = 32, uint64_t start = 0) {
        ReportCapture report;
        EXPECT_EQ(FW_PrintConnectionStat(handle, nullptr, nullptr, count, start), 0u);
        return ReportCapture::lines();
    }

private:
    std::string m_oldTz;
    bool m_hadTz = false;
};

const char kStamp[] = "2024-02-29T08:05:09Z ";

TEST_F(FlowReport, EveryFormatFamilyAndGatewayText) {
    kestsim_flow_ eve = withAlg(flow(1, 6, 2), 1, 1, 21);
    eve.time = kNewYearsEve;
    eve.counters[2] = 0xDEADBEEFCAFEBABEull;
    ASSERT_EQ(kestsim_seed_flow(nullptr, &eve), 0);
    const kestsim_flow_ seeded[] = {
        withAlg(flow(2, 6, 2), 3, 2, 111, 0xABC),  // data role: the related flow too
        withAlg(flow(3, 6, 2), 9, 1, 7),           // unknown kind
        withAlg(flow(4, 6, 2), 5, 3, 69),          // unknown role: no text
        withAlg(flow(5, 17, 2), 5, 1, 69),         // UDP: never a gateway text
        flow(6, 1, 2),
        withAlg(flow(7, 6, 10), 4, 2, 135, 0x7),
        flow(8, 58, 10),
        flow(9, 47, 2),
        withAlg(flow(10, 6, 2), 2, 0, 1521),  // role 0
    };
    for (const kestsim_flow_& f : seeded) ASSERT_EQ(kestsim_seed_flow(nullptr, &f), 0);

    const std::string v4 = "af 2  ethertype 0x0800 ", v6 = "af 10 ethertype 0x86dd ";
    // The ports of an IPv6 record are read inside its destination address: 2001:db8::2 ends 00 00 00 02.
    const std::vector<std::string> expected = {
        "2026-12-31T23:59:59Z 0x0000000000000001 " + v4 +
            "proto tcp   10.0.0.1:1234 -> 10.0.0.2:80  alg ctrl(FTP) 21 deadbeefcafebabe 4 1 2\n",
        kStamp + std::string("0x0000000000000002 ") + v4 +
            "proto tcp   10.0.0.1:1234 -> 10.0.0.2:80  alg data(SUNRPC) 111 abc 3 4 1 2\n",
        kStamp + std::string("0x0000000000000003 ") + v4 +
            "proto tcp   10.0.0.1:1234 -> 10.0.0.2:80  alg ctrl(?\?) 7 3 4 1 2\n",
        kStamp + std::string("0x0000000000000004 ") + v4 + "proto tcp   10.0.0.1:1234 -> 10.0.0.2:80  3 4 1 2\n",
        kStamp + std::string("0x0000000000000005 ") + v4 + "proto udp   10.0.0.1:1234 -> 10.0.0.2:80  3 4 1 2\n",
        kStamp + std::string("0x0000000000000006 ") + v4 + "proto icmp  10.0.0.1 -> 10.0.0.2 3 4 1 2\n",
        kStamp + std::string("0x0000000000000007 ") + v6 +
            "proto tcp   fe80::1:0 -> 2001:db8::2:2  alg data(DCERPC) 135 7 3 4 1 2\n",
        kStamp + std::string("0x0000000000000008 ") + v6 + "proto icmp6 fe80::1 -> 2001:db8::2 3 4 1 2\n",
        kStamp + std::string("0x0000000000000009 ") + v4 + "proto 47    10.0.0.1 -> 10.0.0.2 3 4 1 2\n",
        kStamp + std::string("0x000000000000000a ") + v4 + "proto tcp   10.0.0.1:1234 -> 10.0.0.2:80  3 4 1 2\n",
    };
    EXPECT_EQ(print(), expected);
    // A page starting inside the table and shorter than it.
    EXPECT_EQ(print(2, 7), std::vector<std::string>(expected.begin() + 6, expected.begin() + 8));
}

TEST_F(FlowReport, UnknownFamilyPrintsEmptyAddressesAfterAWarning) {
    const kestsim_flow_ good = flow(1, 6, 2);
    ASSERT_EQ(kestsim_seed_flow(nullptr, &good), 0);
    Golden rec(294);
    rec.le(3 + 7, 2, 1).le(79, kLeapDay, 4).le(97, 6, 1).le(98, 7, 1).le(113, 0x11, 8).le(137, 0x44, 8);
    rec.raw(188, {192, 168, 0, 1}).raw(200, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 21});
    ASSERT_EQ(kestsim_seed_flow_record(nullptr, rec.b.data()), 0);
    LogCapture log;
    const std::vector<std::string> lines = print();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1],
              kStamp + std::string("0x0000000000000002 af 7  ethertype 0x0000 proto tcp   :0 -> :0  0 44 11 0\n"));
    EXPECT_EQ(log.count("unknown address family for 1 flow record: 7"), 1u);
}

TEST_F(FlowReport, NothingWithoutPrintFunctionAndCountLineAtVerbosity) {
    const kestsim_flow_ f = flow(1, 6, 2);
    ASSERT_EQ(kestsim_seed_flow(nullptr, &f), 0);
    {
        LogCapture log;
        Verbosity cmd(7, 1);
        ASSERT_EQ(FW_PrintConnectionStat(handle, nullptr, nullptr, 4, 0), 0u);
        EXPECT_FALSE(log.has("connection count : "));  // no print function: nothing at all
        EXPECT_EQ(print().size(), 1u);
        EXPECT_TRUE(log.has("connection count : 1"));
        EXPECT_TRUE(log.has("Fetching connection from 0x0000000000000000"));
    }
}

TEST_F(FlowReport, ShortReportsOfCountClearAndAttributes) {
    for (uint64_t id = 1; id <= 3; ++id) {
        const kestsim_flow_ f = flow(id, 6, 2);
        ASSERT_EQ(kestsim_seed_flow(nullptr, &f), 0);
    }
    ReportCapture report;
    unsigned n = 0, size = 0;
    ASSERT_EQ(FW_GetConnectionCount(handle, nullptr, nullptr, nullptr, &n), 0u);
    void* cmd = nullptr;
    ASSERT_EQ(FW_CreateConnectionAttr(handle, nullptr, nullptr, 2, FW_ATTR_OP_ADD, &cmd), 0u);
    ASSERT_EQ(FW_AddAttrProcessHash(cmd, 0x1234), 0u);
    ASSERT_EQ(FW_SetConnectionAttr(handle, nullptr, cmd, &n), 0u);
    ASSERT_EQ(FW_ReleaseConnectionAttr(handle, cmd), 0u);
    ASSERT_EQ(FW_GetConnAttrInfo(handle, nullptr, nullptr, nullptr, 2, &n, &size), 0u);
    ASSERT_EQ(FW_ClearAllConnection(handle, nullptr, nullptr, &n), 0u);
    EXPECT_EQ(ReportCapture::lines(),
              (std::vector<std::string>{"connection count : 3\n", "attribute count : 1\n",
                                        "serialize size : " + std::to_string(12 + 8 + 18) + "\n",
                                        "Cleared connection count : 3\n"}));
}

}  // namespace
