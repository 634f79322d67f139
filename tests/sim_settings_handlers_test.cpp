// The simulated module's settings, kernel-interface and load-balancer commands against bodies laid out
// by hand: a fresh module's values, refusals that change nothing, per-filter state, and bodies too small
// or with room that does not match the seeded services.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "sim/engine/SimSettingsControl.h"
#include "support/SimMessages.h"

using KestSim::Engine;
using namespace kestsim_test;

namespace {

uint64_t setting(Engine& e, const char* name) {
    uint64_t v = ~0ull;
    EXPECT_TRUE(KestSim::readSetting(e, name, v)) << name;
    return v;
}

struct RefusalCase {
    const char* name;
    uint16_t opcode;
    Bytes body;
    uint32_t status;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }
class SettingsRefusal : public ::testing::TestWithParam<RefusalCase> {};

}  // namespace

TEST(SettingsModule, FreshModuleValues) {
    Engine e;
    EXPECT_EQ(setting(e, "tcpstrict"), 0u);
    EXPECT_EQ(setting(e, "ids"), 0u);
    EXPECT_EQ(setting(e, "failpolicy"), 0u);
    EXPECT_EQ(setting(e, "exportver"), 1u);
    EXPECT_EQ(setting(e, "timeout2"), 43200u);
    EXPECT_EQ(setting(e, "debug27"), 0u);
    uint64_t v = 0;
    EXPECT_FALSE(KestSim::readSetting(e, "timeout23", v));
    EXPECT_FALSE(KestSim::readSetting(e, "debug", v));
    Bytes reply;
    ASSERT_EQ(perform(e, 36, Bytes(1316, 0), &reply), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&reply[4])), "PF_KIF_FLAG_L7_RULES_PRESENT");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&reply[44])), "PF_KIF_FLAG_ID_RULES_PRESENT");
    EXPECT_EQ(reply[84], 0) << "two flags only";
}

TEST(SettingsModule, ResetForgetsSettingsAndServices) {
    Engine e;
    ASSERT_EQ(perform(e, 55, Bytes{1, 0, 0, 0}), 0u);
    KestSim::LBService s;
    ASSERT_TRUE(KestSim::seedLBService(e, s));
    e.reset();
    EXPECT_EQ(setting(e, "tcpstrict"), 0u);
    Bytes reply;
    ASSERT_EQ(perform(e, 87, Bytes(20073, 0), &reply), 0u);
    EXPECT_EQ(get32(&reply[0]), 0u);
}

TEST(SettingsModule, KifStateIsPerFilter) {
    Engine e;
    PortRec a("filter-a", 7), b("filter-b", 7);
    ASSERT_TRUE(KestSim::addKifCounter(e, a.b, 8, 3));
    EXPECT_FALSE(KestSim::addKifCounter(e, a.b, 4, 1)) << "counters are 8-byte aligned";
    EXPECT_FALSE(KestSim::addKifCounter(e, a.b, 2032, 1)) << "past the record";
    Bytes ma = message({{26, Bytes(2032, 0)}}), mb = ma;
    ASSERT_EQ(e.process(a.b, ma.data(), uint32_t(ma.size())), 0);
    ASSERT_EQ(e.process(b.b, mb.data(), uint32_t(mb.size())), 0);
    EXPECT_EQ(get64(&ma[32 + 8]), 3u);
    EXPECT_EQ(get64(&mb[32 + 8]), 0u);
}

TEST_P(SettingsRefusal, ChangesNothing) {
    Engine e;
    EXPECT_EQ(perform(e, GetParam().opcode, GetParam().body), GetParam().status);
    EXPECT_EQ(setting(e, "verbose0"), 0u);
    EXPECT_EQ(setting(e, "debug0"), 0u);
    EXPECT_EQ(setting(e, "exportver"), 1u);
    EXPECT_EQ(setting(e, "timeout0"), 120u);
}

INSTANTIATE_TEST_SUITE_P(Bodies, SettingsRefusal,
                         ::testing::Values(RefusalCase{"VerboseComponent0", 29, Bytes{0, 0, 0, 5}, 3},
                                           RefusalCase{"DebugComponent28", 30, Bytes{28, 0, 0, 5}, 3},
                                           RefusalCase{"ExportVersionShort", 51, Bytes{9, 9, 9}, 9},
                                           RefusalCase{"TimeoutShort", 38, with(Bytes(115, 0), 92, 1, 1), 9},
                                           RefusalCase{"KifFlagsShort", 37, Bytes(1315, 0), 9},
                                           RefusalCase{"KifFlagWithoutName", 37, Bytes(1316, 0), 3},
                                           RefusalCase{"DebugStatusShort", 31, Bytes(29, 28), 9},
                                           RefusalCase{"FloodStatShort", 79, Bytes(12455, 0), 9},
                                           RefusalCase{"LBConfigShort", 86, Bytes(484, 0), 9},
                                           RefusalCase{"LBStatTooManyServices", 88, with(Bytes(30141, 0), 4, 500, 4),
                                                       3}),
                         [](const ::testing::TestParamInfo<RefusalCase>& i) { return std::string(i.param.name); });

TEST(SettingsModule, LBDataReadRefusesRoomSmallerThanItsServices) {
    Engine e;
    KestSim::LBService s;
    s.vs = 2;
    ASSERT_TRUE(KestSim::seedLBService(e, s));
    // One service asked for, with room for one virtual server only.
    Bytes body(485 + 465 + 201, 0);
    put(&body[4], 1, 4);
    put(&body[485 + 428], 1, 4);
    EXPECT_EQ(perform(e, 86, body), 9u);
    // Room as the size read said: answered, the service's counts at the start of its area.
    Bytes ok(485 + 465 + 2 * 201, 0);
    put(&ok[4], 1, 4);
    put(&ok[485 + 428], 2, 4);
    Bytes reply;
    ASSERT_EQ(perform(e, 86, ok, &reply), 0u);
    EXPECT_EQ(get32(&reply[4]), 1u);
    EXPECT_EQ(get32(&reply[485 + 428]), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&reply[485 + 465])), "vs-0");
}

TEST(SettingsModule, DaemonRequestsOfTheSettingsFamilies) {
    Engine e;
    std::string answer;
    ASSERT_TRUE(KestSim::settingsControl(e, {"seed", "setting", "syncache", "513"}, answer));
    EXPECT_EQ(answer, "ok");
    ASSERT_TRUE(KestSim::settingsControl(e, {"show", "setting", "syncache"}, answer));
    EXPECT_EQ(answer, "setting syncache 513");
    ASSERT_TRUE(KestSim::settingsControl(e, {"seed", "setting", "ids", "1"}, answer));
    EXPECT_EQ(answer, "error setting refused");
    ASSERT_TRUE(KestSim::settingsControl(e, {"seed", "lb", "1", "x", "257", "0", "0", "0", "0"}, answer));
    EXPECT_EQ(answer, "error load balancer service refused");
    ASSERT_TRUE(KestSim::settingsControl(e, {"seed", "kifstat", "3", "1"}, answer));
    EXPECT_EQ(answer, "error usage: seed kifstat <offset> <amount>");
    EXPECT_FALSE(KestSim::settingsControl(e, {"show", "rulesets", "host"}, answer));
}
