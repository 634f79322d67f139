// Rule sets down to a simulated module: held records read back into the rules sent, refusals leaving the
// outputs alone, a batch of a thousand creates, and the lifecycle on the daemon's module by both roads.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdClearRootRuleSet.h"
#include "cmd/KestFWCmdClearRuleSetJump.h"
#include "cmd/KestFWCmdCreateRuleSet.h"
#include "cmd/KestFWCmdDestroyAllRuleSet.h"
#include "cmd/KestFWCmdDestroyRuleSet.h"
#include "cmd/KestFWCmdList.h"
#include "cmd/KestFWCmdSetRootRuleSet.h"
#include "cmd/KestFWCmdSetRuleSetJump.h"
#include "support/DaemonRoads.h"
#include "support/SetSamples.h"
#include "support/SimHandle.h"
#include "support/TestCommands.h"
#include "support/Wire.h"
#include "support/FdCount.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

Bytes heldRecords(const dvs_port_* port, const char* name) {
    int n = kestsim_ruleset_rules(port, name, nullptr, 0);
    Bytes out(size_t(std::max(n, 0)) * KESTSIM_RULE_SIZE);
    if (n > 0) kestsim_ruleset_rules(port, name, out.data(), uint32_t(n));
    return out;
}

template <typename Cmd, typename... Args>
FWStatus_t send(fwlibhandle_* handle, Args&&... args) {
    Cmd cmd(std::forward<Args>(args)...);
    return kfwExecuteCommand(cmd, handle, nullptr);
}

}  // namespace

TEST_F(SimTest, TheModuleHoldsTheRecordsSentForTheNamedFilter) {
    dvs_port_ port = makePort(7, "f1", 2);
    ASSERT_EQ(kestsim_declare_filter(&port), 0);
    CKestFWCmdCreateRuleSet next(&port, rsId("next"), rsId(""));
    ASSERT_EQ(kfwExecuteCommand(next, handle, nullptr), 0u);
    EXPECT_EQ(simLastMessage().size(), 20u + 12 + 176);
    uint64_t realized = 0;
    ASSERT_EQ(kestsim_ruleset_info(&port, "next", nullptr, &realized), 0);
    EXPECT_EQ(le32(next.getTransactionId()), 1u);
    EXPECT_EQ(le32(next.getTransactionId() + 8), 1u) << "rule sets of the filter";
    EXPECT_EQ(next.getTransactionWord(), realized);

    auto* three = listOf({sampleRule(0), sampleRule(1), sampleRule(2)});
    const Texts texts = textsOf(*three);
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, &port, rsId("web"), rsId("next"), three), 0u);
    const Bytes m = simLastMessage();
    ASSERT_EQ(m.size(), 20u + 12 + 176 + 3 * 1420);
    EXPECT_EQ(heldRecords(&port, "web"), Bytes(m.begin() + 20 + 12 + 176, m.end()));
    EXPECT_EQ(decodeRules(heldRecords(&port, "web")), texts);
    char jump[KESTSIM_RULESET_NAME_SIZE] = "?";
    kestsim_ruleset_jump(&port, "web", jump);
    EXPECT_STREQ(jump, "") << "the jump target of a create is not sent";

    CKestFWCmdSetRootRuleSet root(&port, rsId("web"), rsId("next"));
    ASSERT_EQ(kfwExecuteCommand(root, handle, nullptr), 0u);
    char l3[KESTSIM_RULESET_NAME_SIZE], l2[KESTSIM_RULESET_NAME_SIZE];
    Bytes rules(2 * KESTSIM_RULE_SIZE);
    ASSERT_EQ(kestsim_root_rulesets(&port, l3, l2, rules.data(), 2), 2);
    EXPECT_EQ(std::string(l3) + "|" + l2, "web|next");
    EXPECT_EQ(decodeRules(rules), textsOf(root.getRuleList()));
    EXPECT_EQ(kestsim_ruleset_count(&port), 2u) << "the roots are no rule set of their own";
    EXPECT_EQ(kestsim_ruleset_count(nullptr), 0u) << "the host-wide filter saw nothing";
}

// ---- Refusals: the module holds rule set "web"; the caller's outputs keep their bytes -----------------

struct RefusalCase {
    const char* name;
    std::function<void()> arrange;
    bool getRoot;         // else FW_ClearRuleSet
    std::string ruleSet;  // for the clear
    FWStatus_t status;
    uint64_t calls;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class RuleSetRefusal : public SimTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RuleSetRefusal, LeavesTheCallersOutputsAlone) {
    const RefusalCase& c = GetParam();
    ASSERT_EQ(kestsim_seed_ruleset(nullptr, "web", nullptr, 0), 0);
    c.arrange();
    FWRuleSetID_t l3, l2;
    memset(&l3, 'Z', sizeof l3);
    memset(&l2, 'Y', sizeof l2);
    unsigned result = 0xA5A5A5A5;
    EXPECT_EQ(c.getRoot ? FW_GetRootRuleSet(handle, nullptr, nullptr, &l3, &l2, &result)
                        : FW_ClearRuleSet(handle, nullptr, nullptr, &result, rsId(c.ruleSet)),
              c.status);
    EXPECT_EQ(result, 0xA5A5A5A5u);
    EXPECT_EQ(std::string(l3.name, 64) + std::string(l2.name, 64), std::string(64, 'Z') + std::string(64, 'Y'));
    EXPECT_EQ(kestsim_ioctl_count(), c.calls);
    EXPECT_EQ(kestsim_ruleset_count(nullptr), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RuleSetRefusal,
    ::testing::Values(
        RefusalCase{"root: no ruleset", [] { kestsim_fault_status(28, 1, 4); }, true, "", 28, 1},
        RefusalCase{"root: control call fails", [] { kestsim_fault_errno(EIO, 1); }, true, "", 19, 1},
        RefusalCase{"clear: unknown rule set", [] {}, false, "gone", 28, 1},
        RefusalCase{"clear: name without NUL", [] {}, false, std::string(64, 'w'), 31, 1}));

TEST_F(SimTest, MissingOutputsAndHandleAreRefusedBeforeSending) {
    FWRuleSetID_t a, b;
    unsigned result = 0;
    EXPECT_EQ(FW_GetRootRuleSet(handle, nullptr, nullptr, nullptr, &b, &result), 3u);
    EXPECT_EQ(FW_GetRootRuleSet(handle, nullptr, nullptr, &a, nullptr, &result), 3u);
    EXPECT_EQ(FW_GetRootRuleSet(handle, nullptr, nullptr, &a, &b, nullptr), 3u);
    EXPECT_EQ(FW_ClearRuleSet(handle, nullptr, nullptr, nullptr, rsId("web")), 3u);
    EXPECT_EQ(kestsim_ioctl_count(), 0u);
}

TEST_F(SimTest, ThousandCreatesTravelInAsFewMessagesAsTheBatchAllows) {
    constexpr unsigned kCount = 1000;
    CKestFWCmdList cmds;
    Texts texts;
    for (unsigned i = 0; i < kCount; ++i) {
        CKestFWRule* r = sampleRule(i);
        texts.push_back(r->toString());
        cmds.addCmd(new CKestFWCmdCreateRuleSet(nullptr, ("rs-" + std::to_string(i)).c_str(), listOf({r})));
    }
    // 12 + 176 + 1420 = 1608 bytes per command; 159 of them fit in 256000.
    const unsigned perMessage = 159;
    ASSERT_EQ(CKestFWCmdList::kBatchCapacity / 1608, perMessage);
    ASSERT_EQ(cmds.evalBatch(handle, nullptr, nullptr), 0u);
    EXPECT_EQ(kestsim_ioctl_count(), (kCount + perMessage - 1) / perMessage);
    EXPECT_EQ(kestsim_command_count(), kCount);
    EXPECT_EQ(simLastMessage().size(), 20u + (kCount % perMessage) * 1608);
    ASSERT_EQ(kestsim_ruleset_count(nullptr), kCount);
    for (unsigned i = 0; i < kCount; ++i) {
        const std::string name = "rs-" + std::to_string(i);
        ASSERT_EQ(decodeRules(heldRecords(nullptr, name.c_str())), Texts{texts[i]}) << name;
    }
}

// ---- The lifecycle on the daemon's module, by either road -------------------------------------------------

namespace {

// The rule records at the end of "records <n> <hex>" or "roots <l3> <l2> <n> <hex>", read through the factory.
Texts decodeLine(const std::string& line) {
    const std::string hex = line.substr(line.rfind(' ') + 1);
    Bytes out(hex.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = uint8_t(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return decodeRules(out);
}

using RuleSetRoads = DaemonRoadTest;

}  // namespace

TEST_P(RuleSetRoads, LifecycleWithRootsAndJumpsReachesTheDaemonsModule) {
    ASSERT_EQ(daemon.control("declare 7:0:f1"), "ok");
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, nullptr, "next"), 0u);
    auto* three = listOf({sampleRule(0), sampleRule(1), jumpRule(12, "next")});
    const Texts threeTexts = textsOf(*three);
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, nullptr, "web", three), 0u);
    std::string line = show("ruleset host web");
    EXPECT_EQ(line.substr(0, 28) + line.substr(line.find(" jump ")), "ruleset 3 generation 1 time  jump -");
    EXPECT_EQ(decodeLine(show("records host web")), threeTexts);
    EXPECT_EQ(kestsim_ruleset_count(nullptr), 0u) << "this process's own module saw nothing";
    EXPECT_EQ(send<CKestFWCmdDestroyRuleSet>(handle, nullptr, rsId("next")), 24u) << "a jump rule leads there";

    auto* one = listOf({sampleRule(7)});
    const Texts oneTexts = textsOf(*one);
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, nullptr, "web", one), 0u);
    EXPECT_EQ(decodeLine(show("records host web")), oneTexts);
    ASSERT_EQ(send<CKestFWCmdSetRuleSetJump>(handle, nullptr, rsId("web"), rsId("next")), 0u);
    EXPECT_EQ(send<CKestFWCmdSetRuleSetJump>(handle, nullptr, rsId("next"), rsId("web")), 46u) << "a loop";
    line = show("ruleset host web");
    EXPECT_EQ(line.substr(0, 22) + line.substr(line.find(" jump ")), "ruleset 1 generation 3 jump next");

    CKestFWCmdSetRootRuleSet root(nullptr, rsId("web"), rsId(""));
    ASSERT_EQ(kfwExecuteCommand(root, handle, nullptr), 0u);
    line = show("roots host");
    EXPECT_EQ(line.substr(0, 14), "roots web - 1 ");
    EXPECT_EQ(decodeLine(line), textsOf(root.getRuleList()));
    FWRuleSetID_t l3, l2;
    unsigned result = 0;
    ASSERT_EQ(FW_GetRootRuleSet(handle, nullptr, nullptr, &l3, &l2, &result), 0u);
    EXPECT_EQ(std::string(l3.name) + "|" + l2.name, "web|");
    EXPECT_EQ(result, 1u);

    ASSERT_EQ(FW_ClearRuleSet(handle, nullptr, nullptr, &result, rsId("web")), 0u);
    EXPECT_EQ(result, 1u);
    EXPECT_EQ(show("records host web"), "records 0");
    line = show("ruleset host web");
    EXPECT_EQ(line.substr(line.find(" jump ")), " jump next") << "a clear keeps the jump target";
    EXPECT_EQ(send<CKestFWCmdDestroyRuleSet>(handle, nullptr, rsId("next")), 24u) << "a jump target leads there";
    EXPECT_EQ(send<CKestFWCmdDestroyRuleSet>(handle, nullptr, rsId("web")), 24u) << "a root";
    ASSERT_EQ(send<CKestFWCmdClearRuleSetJump>(handle, nullptr, rsId("web")), 0u);
    ASSERT_EQ(send<CKestFWCmdClearRootRuleSet>(handle, nullptr), 0u);
    EXPECT_EQ(show("roots host"), "roots - - 0");
    ASSERT_EQ(send<CKestFWCmdDestroyRuleSet>(handle, nullptr, rsId("web")), 0u);
    EXPECT_EQ(show("ruleset host web"), "ruleset none");
    EXPECT_EQ(show("rulesets host"), "rulesets 1");
    ASSERT_EQ(send<CKestFWCmdDestroyAllRuleSet>(handle, nullptr), 0u);
    EXPECT_EQ(show("rulesets host"), "rulesets 0");
    EXPECT_EQ(show("records host next"), "records none");

    // Only the device road carries a port: a filter the daemon's module does not know.
    if (GetParam() == Road::Device) {
        dvs_port_ other = makePort(7, "f2", 0);
        EXPECT_EQ(send<CKestFWCmdCreateRuleSet>(handle, &other, "x"), 21u);
    }
    EXPECT_EQ(show("requests"), requests(GetParam() == Road::Device ? 16 : 15));
}

INSTANTIATE_TEST_SUITE_P(Roads, RuleSetRoads, ::testing::Values(Road::Device, Road::Socket), roadName);
