// Settings, kernel-interface and load-balancer functions down to a simulated module: values set and read
// back (in this process and over both roads to the daemon), counters the module advances, limits and
// one past them, and two-step reads whose second answer is larger than the first said.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "kestfw/kestfw.h"
#include "sim/KestSimSettings.h"
#include "support/DaemonRoads.h"
#include "support/LogCapture.h"
#include "support/SimHandle.h"
#include "support/Wire.h"

using namespace kestfw_test;

namespace {

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

uint64_t setting(const char* name) {
    uint64_t v = ~0ull;
    EXPECT_EQ(kestsim_setting(name, &v), 0) << name;
    return v;
}

}  // namespace

// ---- Kernel-interface statistics: the module's counters, cleared, and the words handed out ----------

TEST_F(SimTest, KifStatWordsFollowTheModuleAndClearingZeroesThem) {
    ASSERT_EQ(kestsim_kifstat_add(nullptr, 8, 41), 0);  // v4 drop in
    ASSERT_EQ(kestsim_kifstat_add(nullptr, 8, 1), 0);
    ASSERT_EQ(kestsim_kifstat_add(nullptr, 1968, 5), 0);  // sessions
    std::vector<uint32_t> words(KESTFW_KIFSTAT_WORDS, 0xFFFFFFFF);
    {
        ReportCapture report;
        ASSERT_EQ(FW_GetKifStat(handle, nullptr, nullptr, words.data()), 0u);
        EXPECT_EQ(report.lines()[3], "v4 drop:                         42                  0\n");
    }
    EXPECT_EQ(words[2], 42u);
    EXPECT_EQ(words[1968 / 4], 5u);
    ASSERT_EQ(FW_ClearKifStat(handle, nullptr, nullptr), 0u);
    ASSERT_EQ(FW_GetKifStat(handle, nullptr, nullptr, words.data()), 0u);
    EXPECT_EQ(words, std::vector<uint32_t>(KESTFW_KIFSTAT_WORDS, 0));
    // A refused read leaves the output alone.
    ASSERT_EQ(kestsim_kifstat_add(nullptr, 0, 1), 0);
    words.assign(KESTFW_KIFSTAT_WORDS, 7);
    ASSERT_EQ(kestsim_fault_status(9, 1, 26), 0);
    EXPECT_EQ(FW_GetKifStat(handle, nullptr, nullptr, words.data()), 9u);
    EXPECT_EQ(words, std::vector<uint32_t>(KESTFW_KIFSTAT_WORDS, 7));
}

// ---- Kernel flags: set by name, read back as bits and as the two named flags --------------------------

TEST_F(SimTest, NamedKernelFlagsSetAndReadBack) {
    unsigned int bits = 9, l7 = 9, idfw = 9;
    ASSERT_EQ(FW_GetKifL7Flag(handle, nullptr, nullptr, &l7), 0u);
    EXPECT_EQ(l7, 0u);
    ASSERT_EQ(FW_SetKifFlags(handle, nullptr, nullptr, "PF_KIF_FLAG_L7_RULES_PRESENT", 1), 0u);
    ASSERT_EQ(FW_GetKifL7Flag(handle, nullptr, nullptr, &l7), 0u);
    ASSERT_EQ(FW_GetKifIDFWFlag(handle, nullptr, nullptr, &idfw), 0u);
    ASSERT_EQ(FW_GetKifFlags(handle, nullptr, nullptr, &bits), 0u);
    EXPECT_EQ(l7, 1u);
    EXPECT_EQ(idfw, 0u);
    EXPECT_EQ(bits, 1u);
    ASSERT_EQ(FW_SetKifFlags(handle, nullptr, nullptr, "PF_KIF_FLAG_ID_RULES_PRESENT", 1), 0u);
    ASSERT_EQ(FW_GetKifIDFWFlag(handle, nullptr, nullptr, &idfw), 0u);
    EXPECT_EQ(idfw, 1u);
}

TEST_F(SimTest, FlagNamesWithoutTheirNulStayInsideTheirSlots) {
    // The module fills every 40-byte name slot to the brim; the library reads each slot alone.
    ASSERT_EQ(FW_SetKifFlags(handle, nullptr, nullptr, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklm", 1), 0u);
    ASSERT_EQ(kestsim_fault_reply(KESTSIM_REPLY_NO_NUL, 0, 1, 36), 0);
    ReportCapture report;
    unsigned int bits = 0;
    ASSERT_EQ(FW_GetKifFlags(handle, nullptr, nullptr, &bits), 0u);
    ASSERT_EQ(report.lines().size(), 4u);
    EXPECT_EQ(report.lines()[3], "    ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklm  1\n");
    EXPECT_EQ(bits, 4u);
}

// ---- Limits: one past is refused before anything is sent, or (a reply's count) with nothing copied ----

TEST_F(SimTest, FloodStatisticsAtTheSyncacheLimitAndOnePast) {
    FWFloodCfg_t cfg = {{1, 2, 3, 4, 5, 6, 7, 8, 0xFFFFFFFF}};
    ASSERT_EQ(FW_SetFloodCfg(handle, nullptr, nullptr, &cfg), 0u);
    EXPECT_EQ(setting("flood8"), 0xFFFFFFFFu);
    auto* stat = new FWFloodStat_t;
    memset(stat, 0xEE, sizeof *stat);
    ASSERT_EQ(kestsim_set_setting("syncache", KESTFW_FLOOD_SYNCACHE_MAX), 0);
    ASSERT_EQ(FW_GetFloodStat(handle, nullptr, nullptr, stat), 0u);
    EXPECT_EQ(le32(&stat->bytes[164]), 512u);
    EXPECT_EQ(le32(&stat->bytes[32]), 0xFFFFFFFFu);
    ASSERT_EQ(kestsim_set_setting("syncache", KESTFW_FLOOD_SYNCACHE_MAX + 1), 0);
    LogCapture log;
    memset(stat, 0xEE, sizeof *stat);
    EXPECT_EQ(FW_GetFloodStat(handle, nullptr, nullptr, stat), 17u);
    EXPECT_TRUE(log.has("too many syncache hash stats"));
    EXPECT_EQ(stat->bytes[0], 0xEE);
    EXPECT_EQ(stat->bytes[sizeof *stat - 1], 0xEE);
    delete stat;
}

TEST_F(SimTest, TimeoutsAtTheirLimitsAndOnePast) {
    FWInstTimeout_ t;
    memset(&t, 0, sizeof t);
    t.value[0] = 0, t.present[0] = 1;
    t.value[22] = 0xFFFFFFFFu, t.present[22] = 1;
    ASSERT_EQ(FW_SetTimeout(handle, nullptr, nullptr, &t), 0u);
    EXPECT_EQ(setting("timeout0"), 0u);
    EXPECT_EQ(setting("timeout22"), 0xFFFFFFFFu);
    EXPECT_EQ(setting("timeout2"), 43200u) << "unselected timeouts keep the module's default";
    FWInstTimeout_ back;
    memset(&back, 0, sizeof back);
    back.present[22] = 1, back.present[2] = 1;
    ASSERT_EQ(FW_GetTimeout(handle, nullptr, nullptr, &back), 0u);
    EXPECT_EQ(back.value[22], 0xFFFFFFFFu);
    EXPECT_EQ(back.value[2], 43200u);
    EXPECT_EQ(back.value[0], 0u) << "not selected, not filled";
    // One past the table: refused by the command before a message exists.
    const uint64_t calls = kestsim_ioctl_count();
    LogCapture log;
    EXPECT_EQ(FW_EnableVerboseLog(handle, nullptr, nullptr, 3, 1), 7u);
    EXPECT_EQ(FW_DebugComponent(handle, nullptr, nullptr, 27, 16), 7u);
    EXPECT_EQ(kestsim_ioctl_count(), calls);
    EXPECT_TRUE(log.has("error 7: unsupported debug level"));
}

// ---- Two-step load-balancer reads --------------------------------------------------------------------

struct LBCase {
    const char* name;
    uint32_t lie;  // extra virtual servers the second answer claims
    FWStatus_t status;
};
void PrintTo(const LBCase& c, std::ostream* os) { *os << c.name; }
class LBReads : public SimTest, public ::testing::WithParamInterface<LBCase> {};

TEST_P(LBReads, ConfigurationSizedFromTheFirstAnswer) {
    ASSERT_EQ(kestsim_lb_seed(7, "web-lb", 2, 1, 3, 1, 1), 0);
    ASSERT_EQ(kestsim_lb_seed(8, "", 0, 0, 0, 0, 0), 0);
    std::unique_ptr<FWLBConfigSize_> sizes(new FWLBConfigSize_());
    ASSERT_EQ(FW_GetLBConfigSize(handle, nullptr, nullptr, sizes.get()), 0u);
    EXPECT_EQ(le32(&sizes->bytes[0]), 2u);
    EXPECT_EQ(le32(&sizes->bytes[73 + 8]), 3u);
    if (GetParam().lie) {
        ASSERT_EQ(kestsim_fault_reply(KESTSIM_REPLY_LIE_COUNT, GetParam().lie, 1, 86), 0);
    }
    std::vector<uint8_t> out(64, 0xEE);
    ReportCapture report;
    EXPECT_EQ(FW_GetLBConfig(handle, nullptr, nullptr, sizes.get(), out.data(), unsigned(out.size())),
              GetParam().status);
    const uint32_t expectedSize = 485 + (465 + 2 * 201 + 128 + 3 * 70 + 2 * 52) + 465;
    EXPECT_EQ(le32(&simLastMessage()[32]), expectedSize);
    if (GetParam().status != 0) {
        EXPECT_TRUE(report.lines().empty());
        EXPECT_EQ(out, std::vector<uint8_t>(64, 0xEE));
        return;
    }
    EXPECT_EQ(le32(&out[4]), 2u);
    ASSERT_FALSE(report.lines().empty());
    EXPECT_EQ(report.lines()[0], "LBS: 2\n");
    EXPECT_EQ(report.lines()[3], "Name: 'web-lb' ");
    EXPECT_TRUE(hasLine(report.lines(), "Virtual Servers (2), Pools (1), Servers (3)\n"));
    EXPECT_TRUE(hasLine(report.lines(), "Name: 'N/A' "));
    EXPECT_EQ(report.lines().back(), "\t\tLBS Not Found at State Import:\t0\n");
}

TEST_P(LBReads, StatisticsSizedFromTheFirstAnswer) {
    ASSERT_EQ(kestsim_lb_seed(3, "a", 1, 1, 1, 0, 0), 0);
    std::unique_ptr<FWLBStat_> sizes(new FWLBStat_());
    ASSERT_EQ(FW_GetLBStatSize(handle, nullptr, nullptr, sizes.get()), 0u);
    EXPECT_EQ(le32(&sizes->bytes[4]), 1u);
    if (GetParam().lie) {
        ASSERT_EQ(kestsim_fault_reply(KESTSIM_REPLY_LIE_COUNT, GetParam().lie, 1, 88), 0);
    }
    ReportCapture report;
    EXPECT_EQ(FW_GetLBStat(handle, nullptr, nullptr, sizes.get(), nullptr, 0), GetParam().status);
    EXPECT_EQ(le32(&simLastMessage()[32]), 30141u + 488 + 225 + 359);
    if (GetParam().status != 0) {
        EXPECT_TRUE(report.lines().empty());
        return;
    }
    ASSERT_GE(report.lines().size(), 4u);
    EXPECT_EQ(report.lines()[0], "LB-3: 6c620003-0000-0000-0000-000000000001\n");
    EXPECT_EQ(report.lines()[2], "    \"virtual servers\": [\n");
    EXPECT_TRUE(hasLine(report.lines(), "        \"protocol\": \"tcp\",\n"));
}

INSTANTIATE_TEST_SUITE_P(Answers, LBReads,
                         ::testing::Values(LBCase{"Consistent", 0, 0}, LBCase{"OneMoreThanSaid", 1, 9},
                                           LBCase{"FarMoreThanSaid", 0x7FFFFFFF, 9}),
                         [](const ::testing::TestParamInfo<LBCase>& i) { return std::string(i.param.name); });

TEST_F(SimTest, LBClearReportsWhatTheModuleCleared) {
    std::unique_ptr<FWLBStat_> req(new FWLBStat_());
    req->bytes[140] = 0x04;
    ReportCapture report;
    ASSERT_EQ(FW_ClearLBStat(handle, nullptr, nullptr, req.get()), 0u);
    EXPECT_EQ(setting("lbcleared"), 4u);
    ASSERT_EQ(report.lines().size(), 4u);
    EXPECT_EQ(report.lines()[2], "\n");
}

// ---- The C frame of these functions -----------------------------------------------------------------

TEST_F(SimTest, IsIDSEnabledIsClearedFirstAndLeftZeroOnFailure) {
    unsigned int on = 5;
    ASSERT_EQ(kestsim_fault_status(22, 1, 93), 0);
    EXPECT_EQ(FW_GetIsIDSEnabled(handle, nullptr, &on), 22u);
    EXPECT_EQ(on, 0u);
    ASSERT_EQ(FW_SetIDSMode(handle, nullptr, 1), 0u);
    ASSERT_EQ(FW_GetIsIDSEnabled(handle, nullptr, &on), 0u);
    EXPECT_EQ(on, 1u);
    EXPECT_EQ(FW_GetIsIDSEnabled(handle, nullptr, nullptr), 3u);
    EXPECT_EQ(FW_GetIsIDSEnabled(nullptr, nullptr, &on), 2u);
}

TEST_F(SimTest, ArgumentChecksSendNothing) {
    unsigned int w = 0;
    const std::vector<std::function<FWStatus_t()>> calls = {
        [&] { return FW_GetKifStat(handle, nullptr, nullptr, nullptr); },
        [&] { return FW_GetKifFlags(handle, nullptr, nullptr, nullptr); },
        [&] { return FW_SetKifFlags(handle, nullptr, nullptr, nullptr, 1); },
        [&] { return FW_GetFailPolicy(handle, nullptr, nullptr, nullptr); },
        [&] { return FW_DebugStatus(handle, nullptr, nullptr, nullptr); },
        [&] { return FW_GetAlgCount(handle, nullptr, nullptr, &w, nullptr); },
        [&] { return FW_LookIpRepDb(handle, nullptr, 1, nullptr); },
        [&] { return FW_SetTimeout(handle, nullptr, nullptr, nullptr); },
        [&] { return FW_GetFloodStat(handle, nullptr, nullptr, nullptr); },
        [&] { return FW_GetLBConfig(handle, nullptr, nullptr, nullptr, nullptr, 0); },
        [&] { return FW_FpFlag(handle, nullptr, nullptr, nullptr, 0); },
    };
    for (size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i](), 3u) << "call " << i;
    EXPECT_EQ(FW_ClearKifStat(nullptr, nullptr, nullptr), 2u);
    EXPECT_EQ(kestsim_ioctl_count(), 0u);
}

TEST_F(SimTest, AlgListsCopyNoMoreThanAskedOrAnswered) {
    unsigned int word0 = 9, count = 9;
    ASSERT_EQ(FW_GetAlgCount(handle, nullptr, nullptr, &word0, &count), 0u);
    EXPECT_EQ(word0, 0u);
    EXPECT_EQ(count, 3u);
    std::vector<uint8_t> out(3 * KESTFW_ALG_PORT_RECORD_SIZE, 0xEE);
    count = 1;
    ASSERT_EQ(FW_GetAlgPorts(handle, nullptr, nullptr, 0, &count, out.data()), 0u);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(out[KESTFW_ALG_PORT_RECORD_SIZE], 0xEE);
    // The module claims far more than it wrote: only whole records inside the room are taken.
    ASSERT_EQ(kestsim_fault_reply(KESTSIM_REPLY_LIE_COUNT, 1000, 1, 44), 0);
    std::vector<uint8_t> algs(5 * KESTFW_ALG_RECORD_SIZE, 0xEE);
    count = 4;
    ASSERT_EQ(FW_GetAlgs(handle, nullptr, nullptr, 0, &count, algs.data()), 0u);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(algs[4 * KESTFW_ALG_RECORD_SIZE], 0xEE);
}

// ---- Every setting set, then read back over both roads to the daemon ---------------------------------

class SettingsRoad : public DaemonRoadTest {
protected:
    std::string value(const char* name) { return daemon.control(std::string("show setting ") + name); }
};

TEST_P(SettingsRoad, EverySettingSetThenReadBack) {
    ReportCapture report;
    ASSERT_EQ(FW_SetIDSMode(handle, nullptr, 1), 0u);
    ASSERT_EQ(FW_GetIDSMode(handle, nullptr), 0u);
    ASSERT_EQ(FW_SetOversubscription(handle, nullptr, 1), 0u);
    ASSERT_EQ(FW_GetOversubscription(handle, nullptr), 0u);
    ASSERT_EQ(FW_SetL7CopyMode(handle, nullptr, 1), 0u);
    ASSERT_EQ(FW_ConfigICMPErrPktDrop(handle, nullptr, nullptr, 9), 0u);
    FWHopoverExportver_ ver = {42};
    ASSERT_EQ(FW_SetHopoverExportver(handle, nullptr, nullptr, &ver), 0u);
    ver.version = 0;
    ASSERT_EQ(FW_GetHopoverExportver(handle, nullptr, nullptr, &ver), 0u);
    EXPECT_EQ(ver.version, 42u);
    ASSERT_EQ(FW_SetIDSFlowAttr(handle, nullptr, 77, 1), 0u);
    ASSERT_EQ(FW_DebugComponent(handle, nullptr, nullptr, 255, 4), 0u);
    ASSERT_EQ(FW_EnableVerboseLog(handle, nullptr, nullptr, 2, 6), 0u);
    uint8_t status[KESTFW_DEBUG_STATUS_SIZE] = {};
    ASSERT_EQ(FW_DebugStatus(handle, nullptr, nullptr, status), 0u);
    EXPECT_EQ(status[0], 4);
    EXPECT_EQ(status[27], 4);
    ASSERT_EQ(daemon.control("seed setting failpolicy 1"), "ok");
    unsigned int policy = 9;
    ASSERT_EQ(FW_GetFailPolicy(handle, nullptr, nullptr, &policy), 0u);
    EXPECT_EQ(policy, 1u);
    FWInstTimeout_ t;
    memset(&t, 0, sizeof t);
    t.value[5] = 11, t.present[5] = 1;
    ASSERT_EQ(FW_SetTimeout(handle, nullptr, nullptr, &t), 0u);
    unsigned int fp = 3;
    ASSERT_EQ(FW_FpFlag(handle, nullptr, nullptr, &fp, 1), 0u);
    fp = 0;
    ASSERT_EQ(FW_FpFlag(handle, nullptr, nullptr, &fp, 0), 0u);
    EXPECT_EQ(fp, 3u);

    EXPECT_EQ(value("ids"), "setting ids 1");
    EXPECT_EQ(value("oversubscription"), "setting oversubscription 1");
    EXPECT_EQ(value("l7copy"), "setting l7copy 1");
    EXPECT_EQ(value("icmperrdrop"), "setting icmperrdrop 1");
    EXPECT_EQ(value("exportver"), "setting exportver 42");
    EXPECT_EQ(value("idsflows"), "setting idsflows 1");
    EXPECT_EQ(value("verbose2"), "setting verbose2 6");
    EXPECT_EQ(value("timeout5"), "setting timeout5 11");
    const std::vector<std::string> expected = {"IDS Mode : enable\n", "Oversubscription : bypass\n",
                                               "Current export version: 42\n", "Filter debug status:\n"};
    ASSERT_GE(report.lines().size(), 4u);
    EXPECT_EQ(std::vector<std::string>(report.lines().begin(), report.lines().begin() + 4), expected);
    EXPECT_EQ(report.lines().back(), "Kif flag not set\n");
}

TEST_P(SettingsRoad, KifCountersAdvancedByTheDaemonAndTheLBReadsAcrossTheRoad) {
    ASSERT_EQ(daemon.control("seed kifstat 1632 0"), "ok");
    ASSERT_EQ(daemon.control("seed kifstat 1720 6"), "ok");  // reason 11: state-insert
    ASSERT_EQ(daemon.control("seed lb 1 edge 1 1 1 1 0"), "ok");
    std::vector<uint32_t> words(KESTFW_KIFSTAT_WORDS, 0);
    ReportCapture report;
    ASSERT_EQ(FW_GetKifStat(handle, nullptr, nullptr, words.data()), 0u);
    EXPECT_EQ(words[1720 / 4], 6u);
    EXPECT_TRUE(hasLine(report.lines(), "state-insert:         6\n"));
    std::unique_ptr<FWLBConfigSize_> sizes(new FWLBConfigSize_());
    ASSERT_EQ(FW_GetLBConfigSize(handle, nullptr, nullptr, sizes.get()), 0u);
    ASSERT_EQ(FW_GetLBConfig(handle, nullptr, nullptr, sizes.get(), nullptr, 0), 0u);
    ASSERT_EQ(daemon.control("fault reply lie 2 1 86"), "ok");
    EXPECT_EQ(FW_GetLBConfig(handle, nullptr, nullptr, sizes.get(), nullptr, 0), 9u);
}

INSTANTIATE_TEST_SUITE_P(Roads, SettingsRoad, ::testing::Values(Road::Device, Road::Socket), roadName);
