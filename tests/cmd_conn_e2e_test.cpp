// Connections down to a simulated module: the whole flow table read page by page, a table that changes
// between pages, replies that claim more than they hold, re-evaluation, the fail policy, the attribute
// handle through its whole life, DPI state, and seeding, listing and clearing on the daemon's module by
// both roads.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/DaemonRoads.h"
#include "support/FdCount.h"
#include "support/LogCapture.h"
#include "support/SimHandle.h"
#include "support/Wire.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

using namespace kestfw_test;

namespace {

kestsim_flow_ flow(uint64_t id, uint8_t lastSrc = 1, uint16_t sport = 1000) {
    kestsim_flow_ f{};
    f.id = id;
    f.proto = 6;
    f.family = 2;
    inet_pton(AF_INET, "10.0.0.1", f.src);
    f.src[3] = lastSrc;
    inet_pton(AF_INET, "10.0.0.2", f.dst);
    f.sport = sport;
    f.dport = 80;
    f.state = 3;
    return f;
}

FWConnection_ keyOf(const kestsim_flow_& f, uint8_t direction = FW_CONN_FLAG_INBOUND) {
    FWConnection_ c{};
    memcpy(c.src, f.src, 4);
    memcpy(c.dst, f.dst, 4);
    c.sport = htons(f.sport);
    c.dport = htons(f.dport);
    c.flags = direction;
    c.proto = f.proto;
    return c;
}

void seed(uint64_t id) {
    const kestsim_flow_ f = flow(id);
    ASSERT_EQ(kestsim_seed_flow(nullptr, &f), 0);
}

class ConnSim : public SimTest {
protected:
    // Reads the whole table in pages of `page`, calling `between` after each page; at most `maxPages`.
    std::vector<uint64_t> readAll(unsigned page, unsigned maxPages, const std::function<void(unsigned)>& between) {
        std::vector<uint64_t> ids;
        std::vector<FWConnectionStat_> out(page);
        uint64_t start = 0;
        for (unsigned p = 0; p < maxPages; ++p) {
            unsigned got = 0xFFFF;
            EXPECT_EQ(FW_GetConnectionStat(handle, nullptr, nullptr, page, nullptr, start, out.data(), &got), 0u);
            EXPECT_LE(got, page);
            for (unsigned i = 0; i < got; ++i) ids.push_back(FW_ConnectionStatFlowID(&out[i]));
            if (got < page) return ids;
            start = ids.back() + 1;
            between(p);
        }
        ADD_FAILURE() << "table not read in " << maxPages << " pages";
        return ids;
    }
};

TEST_F(ConnSim, WholeTableByPaging) {
    std::vector<uint64_t> expected;
    for (uint64_t id = 1; id <= 250; ++id) {
        seed(id * 7);
        expected.push_back(id * 7);
    }
    unsigned count = 0;
    ASSERT_EQ(FW_GetConnectionCount(handle, nullptr, nullptr, nullptr, &count), 0u);
    EXPECT_EQ(count, 250u);
    const uint64_t before = kestsim_ioctl_count();
    EXPECT_EQ(readAll(64, 10, [](unsigned) {}), expected);
    EXPECT_EQ(kestsim_ioctl_count() - before, 4u);
    // The request asked for 64 records and said how large its body is.
    const Bytes m = simLastMessage();
    ASSERT_EQ(m.size(), 20u + 12 + 102 + 294 * 64);
    EXPECT_EQ(le32(&m[32 + 12]), 64u);
    EXPECT_EQ(le32(&m[32 + 28]), 102u + 294 * 64);
    EXPECT_EQ(m[32 + 10] << 8 | m[32 + 11], 7 * 192 + 1);  // after the 192nd flow, in network order
}

TEST_F(ConnSim, TableChangingBetweenPagesEndsWithRisingIdentifiers) {
    for (uint64_t id = 100; id < 200; ++id) seed(id);
    const std::vector<uint64_t> ids = readAll(10, 50, [](unsigned page) {
        // Behind the reader: new flows it never sees; ahead of it: flows that vanish and flows that come.
        seed(page + 1);
        kestsim_drop_flow(nullptr, 100 + 10 * (page + 1) + 3);
        seed(1000 + page);
    });
    for (size_t i = 1; i < ids.size(); ++i) ASSERT_LT(ids[i - 1], ids[i]);
    EXPECT_EQ(std::set<uint64_t>(ids.begin(), ids.end()).count(113), 0u);
    EXPECT_EQ(std::set<uint64_t>(ids.begin(), ids.end()).count(1009), 1u);
}

TEST_F(ConnSim, ReplyClaimingMoreThanItHoldsIsRefused) {
    for (uint64_t id = 1; id <= 3; ++id) seed(id);
    std::vector<FWConnectionStat_> out(4);
    unsigned got = 99;
    ASSERT_EQ(kestsim_fault_reply(KESTSIM_REPLY_LIE_COUNT, 2, 1, 24), 0);
    EXPECT_EQ(FW_GetConnectionStat(handle, nullptr, nullptr, 4, nullptr, 0, out.data(), &got), 17u);
    EXPECT_EQ(got, 99u);
    // The report prints no more than the body has room for, even when the reply claims far more.
    ASSERT_EQ(kestsim_fault_reply(KESTSIM_REPLY_LIE_COUNT, 0x7FFFFFFF, 1, 24), 0);
    ReportCapture report;
    EXPECT_EQ(FW_PrintConnectionStat(handle, nullptr, nullptr, 3, 0), 0u);
    EXPECT_EQ(ReportCapture::lines().size(), 3u);
    EXPECT_EQ(FW_GetConnectionStat(handle, nullptr, nullptr, 0, nullptr, 0, out.data(), &got), 3u);
    EXPECT_EQ(FW_GetConnectionStat(nullptr, nullptr, nullptr, 4, nullptr, 0, out.data(), &got), 2u);
}

TEST_F(ConnSim, ReevaluationByListSelectionAndAll) {
    const kestsim_flow_ a = flow(1, 1), b = flow(2, 2), other = flow(3, 3);
    for (const auto* f : {&a, &b, &other}) ASSERT_EQ(kestsim_seed_flow(nullptr, f), 0);
    // Direction bits do not take part; the same key twice is sent once; an unknown key affects nothing.
    const FWConnection_ list[] = {keyOf(a), keyOf(b, FW_CONN_FLAG_OUTBOUND), keyOf(a), keyOf(flow(9, 9))};
    unsigned result = 0;
    ASSERT_EQ(FW_SetConnectionByList(handle, nullptr, nullptr, 4, list, &result), 0u);
    EXPECT_EQ(result, 2u);
    EXPECT_EQ(le32(&simLastMessage()[32]), 3u);
    FWConnFilter_ sel{};
    ASSERT_EQ(FW_SetConnectionByFilter(handle, nullptr, nullptr, &sel, &result), 0u);
    EXPECT_EQ(result, 3u);
    ASSERT_EQ(FW_SetAllConnection(handle, nullptr, nullptr, &result), 0u);
    EXPECT_EQ(result, 3u);
    uint32_t re = 0;
    kestsim_flow_info(nullptr, 1, &re, nullptr);
    EXPECT_EQ(re, 3u);
    kestsim_flow_info(nullptr, 3, &re, nullptr);
    EXPECT_EQ(re, 2u);
    EXPECT_EQ(FW_SetConnectionByFilter(handle, nullptr, nullptr, nullptr, &result), 3u);
    EXPECT_EQ(FW_SetConnectionByList(handle, nullptr, nullptr, 0, list, &result), 3u);
}

TEST_F(ConnSim, FailPolicy) {
    EXPECT_EQ(FW_SetFailPolicy(handle, nullptr, nullptr, FW_FAIL_CLOSE), 0u);
    EXPECT_EQ(kestsim_fail_policy(nullptr), 1);
    EXPECT_EQ(FW_SetFailPolicy(handle, nullptr, nullptr, 0x100), 0u);  // taken as its low byte
    EXPECT_EQ(kestsim_fail_policy(nullptr), 0);
    const uint64_t calls = kestsim_ioctl_count();
    EXPECT_EQ(FW_SetFailPolicy(handle, nullptr, nullptr, 2), 7u);
    EXPECT_EQ(kestsim_ioctl_count(), calls);
}

TEST_F(ConnSim, AttributeHandleLifecycle) {
    const kestsim_flow_ f = flow(42);
    ASSERT_EQ(kestsim_seed_flow(nullptr, &f), 0);
    const FWConnection_ key = keyOf(f);
    void* cmd = nullptr;
    EXPECT_EQ(FW_CreateConnectionAttr(handle, nullptr, nullptr, 0, FW_ATTR_OP_ADD, &cmd), 3u);
    EXPECT_EQ(FW_CreateConnectionAttr(handle, nullptr, &key, 42, FW_ATTR_OP_ADD, &cmd), 3u);
    EXPECT_EQ(FW_CreateConnectionAttr(handle, nullptr, &key, 0, FW_ATTR_OP_ADD, nullptr), 3u);
    EXPECT_EQ(FW_CreateConnectionAttr(nullptr, nullptr, &key, 0, FW_ATTR_OP_ADD, &cmd), 2u);
    EXPECT_EQ(cmd, nullptr);
    ASSERT_EQ(FW_CreateConnectionAttr(handle, nullptr, &key, 0, FW_ATTR_OP_ADD, &cmd), 0u);
    ASSERT_NE(cmd, nullptr);

    EXPECT_EQ(FW_AddAttrProcessHash(cmd, 0xFEED), 0u);
    EXPECT_EQ(FW_AddAttrDNS(cmd, "example.org", 1, 0, 77), 0u);
    EXPECT_EQ(FW_AddAttrINT(cmd, FW_ATTR_KEY_TB_DOW_ID, 3), 0u);
    EXPECT_EQ(FW_AddAttrSTR(cmd, FW_ATTR_KEY_HTTP_PATH, "/index"), 0u);
    EXPECT_NE(FW_AddAttrSTR(cmd, FW_ATTR_KEY_TLS_VERSION, "NO_SUCH_VERSION"), 0u);  // adds nothing
    EXPECT_EQ(FW_AddAttrUserSID(nullptr, "S-1-5-21-1-2-3-500"), 3u);
    const char* sids[] = {"S-1-5-21-1-2-3-500", nullptr};
    EXPECT_EQ(FW_AddAttrMultiSID(cmd, sids, 2), 3u);
    EXPECT_EQ(FW_AddAttrUUID(cmd, FW_ATTR_KEY_FQDN, nullptr, "x"), 7u);

    unsigned result = 0;
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(FW_SetConnectionAttr(handle, nullptr, cmd, &result), 0u) << round;
        EXPECT_EQ(result, 4u);
        uint32_t held = 0;
        EXPECT_EQ(kestsim_flow_info(nullptr, 42, nullptr, &held), 0);
        EXPECT_EQ(held, 4u);
    }
    unsigned count = 0, size = 0;
    ASSERT_EQ(FW_GetConnAttrInfo(handle, nullptr, nullptr, &key, 0, &count, &size), 0u);
    EXPECT_EQ(count, 4u);
    // The chain header and four elements: hash 8 + 18, DNS 8 + 24 + 12, day 8 + 18, path 8 + 28 + 7.
    EXPECT_EQ(size, 12u + 26 + 44 + 26 + 43);
    EXPECT_EQ(FW_SetConnectionAttr(handle, nullptr, nullptr, &result), 3u);
    EXPECT_EQ(FW_SetConnectionAttr(nullptr, nullptr, cmd, &result), 2u);
    EXPECT_EQ(FW_ReleaseConnectionAttr(handle, nullptr), 3u);
    EXPECT_EQ(FW_ReleaseConnectionAttr(handle, cmd), 0u);

    // A key no flow has: the module's verdict word comes back as the invalid-uid status.
    ASSERT_EQ(FW_CreateConnectionAttr(handle, nullptr, nullptr, 999, FW_ATTR_OP_ADD, &cmd), 0u);
    result = 5;
    EXPECT_EQ(FW_SetConnectionAttr(handle, nullptr, cmd, &result), 70u);
    EXPECT_EQ(result, 5u);
    EXPECT_EQ(FW_ReleaseConnectionAttr(handle, cmd), 0u);

    EXPECT_EQ(FW_SetDNSRevalDone(handle, nullptr, nullptr, nullptr, 42, &result), 0u);
    EXPECT_EQ(kestsim_flow_info(nullptr, 42, nullptr, nullptr), 1);
    EXPECT_EQ(FW_SetDNSRevalDone(handle, nullptr, nullptr, &key, 42, &result), 3u);
}

TEST_F(ConnSim, DPIStateOfFlows) {
    seed(5);
    const uint64_t ids[] = {5, 6};
    FWConnDPIInfo_ out[2] = {};
    unsigned answered = 0;
    ASSERT_EQ(FW_GetConnectionDPIInfo(handle, nullptr, nullptr, 2, ids, 2, out, &answered), 0u);
    EXPECT_EQ(answered, 1u);
    EXPECT_EQ(out[0].state_id, 5u);
    EXPECT_EQ(out[0].answer[0], 3u);
    EXPECT_EQ(out[1].state_id, 6u);
    EXPECT_EQ(out[1].answer[0], 0u);
    EXPECT_EQ(FW_GetConnectionDPIInfo(handle, nullptr, nullptr, 2, ids, 3, out, &answered), 3u);
    std::vector<uint64_t> many(101, 5);
    std::vector<FWConnDPIInfo_> slots(101);
    EXPECT_EQ(FW_GetConnectionDPIInfo(handle, nullptr, nullptr, 101, many.data(), 101, slots.data(), &answered), 3u);
}

// ---- The daemon's module, by both roads: seed flows, list, clear, list again --------------------------

class ConnRoads : public DaemonRoadTest {};

TEST_P(ConnRoads, SeedListClearListAgain) {
    ASSERT_EQ(daemon.control("seed flow host 11 6 10.0.0.1 1234 10.0.0.2 80 3 1 2 3 4 1709193909"), "ok");
    ASSERT_EQ(daemon.control("seed flow host 12 17 fe80::1 53 fe80::2 5353"), "ok");
    EXPECT_EQ(daemon.control("seed flow host 13 6 10.0.0.1 1 fe80::2 2"),
              "error usage: seed flow <port> <id> <proto> "
              "<src> <sport> <dst> <dport> [<state> [<a> "
              "<b> <c> <d> [<time>]]]");
    EXPECT_EQ(show("flows host"), "flows 2 11:0:0 12:0:0");

    unsigned count = 0;
    ASSERT_EQ(FW_GetConnectionCount(handle, nullptr, nullptr, nullptr, &count), 0u);
    EXPECT_EQ(count, 2u);
    FWConnectionStat_ out[4];
    unsigned got = 0;
    ASSERT_EQ(FW_GetConnectionStat(handle, nullptr, nullptr, 4, nullptr, 0, out, &got), 0u);
    ASSERT_EQ(got, 2u);
    EXPECT_EQ(FW_ConnectionStatFlowID(&out[0]), 11u);
    EXPECT_EQ(FW_ConnectionStatFlowID(&out[1]), 12u);
    EXPECT_EQ(out[1].bytes[98], 10);

    ASSERT_EQ(FW_SetFailPolicy(handle, nullptr, nullptr, FW_FAIL_CLOSE), 0u);
    EXPECT_EQ(show("failpolicy host"), "failpolicy close");
    unsigned cleared = 0;
    ASSERT_EQ(FW_ClearAllConnection(handle, nullptr, nullptr, &cleared), 0u);
    EXPECT_EQ(cleared, 2u);
    EXPECT_EQ(show("flows host"), "flows 0");
    got = 9;
    ASSERT_EQ(FW_GetConnectionStat(handle, nullptr, nullptr, 4, nullptr, 0, out, &got), 0u);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(show("requests"), requests(5));
}

INSTANTIATE_TEST_SUITE_P(Roads, ConnRoads, ::testing::Values(Road::Device, Road::Socket), roadName);

}  // namespace
