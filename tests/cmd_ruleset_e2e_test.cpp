// Rule sets from the command classes and the exported functions down to the simulated kernel module
// and back, through the device channel in this process and through the daemon: after every step the
// module's state is read back, and the rule records it holds are read through the rule factory into
// the rules that were sent. Also the kernel's refusals, the transaction fields and batch execution.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdClearRootRuleSet.h"
#include "cmd/KestFWCmdClearRuleSetJump.h"
#include "cmd/KestFWCmdCreateRuleSet.h"
#include "cmd/KestFWCmdDestroyAllRuleSet.h"
#include "cmd/KestFWCmdDestroyRuleSet.h"
#include "cmd/KestFWCmdGetRuleSetJump.h"
#include "cmd/KestFWCmdList.h"
#include "cmd/KestFWCmdSetRootRuleSet.h"
#include "cmd/KestFWCmdSetRuleSetJump.h"
#include "model/KestFWRuleActionJumpto.h"
#include "model/KestFWRuleBuilder.h"
#include "model/KestFWRuleFactory.h"
#include "sim/KestSimControl.h"
#include "sim/daemon/KestSimDaemonClient.h"
#include "support/SimHandle.h"
#include "support/TestCommands.h"

using namespace KestFirewall;
using namespace kestfw_test;
using Bytes = std::vector<uint8_t>;
using Texts = std::vector<std::string>;

namespace {

FWRuleSetID_t rsId(const std::string& name) {
    FWRuleSetID_t id{};
    memcpy(id.name, name.data(), name.size() < 64 ? name.size() : 64);
    return id;
}

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Rules of three kinds by number: TCP to a port with drop, UDP from a host with accept and log, an
// Ethertype with reject.
CKestFWRule* sampleRule(unsigned i) {
    CKestFWRuleBuilder b;
    b.setId(10 + i);
    b.setPosition(int(i));
    switch (i % 3) {
        case 0:
            b.setType(true);
            b.setProtocol(6, false);
            b.setDestPort(uint16_t(1000 + i % 60000), false);
            b.setAction(FW_RULE_ACTION_DROP, "");
            break;
        case 1:
            b.setType(true);
            b.setProtocol(17, false);
            b.setSource(htonl(0x0A000000u + i), 32);
            b.setAction(FW_RULE_ACTION_ACCEPT, "");
            b.setEnableLog();
            break;
        default:
            b.setType(false);
            b.setProtocol(0x0806, false);
            b.setAction(FW_RULE_ACTION_REJECT, "");
            break;
    }
    return b.buildRule();
}

CKestFWRule* jumpRule(unsigned id, const char* target) {
    CKestFWRuleBuilder b;
    b.setId(id);
    b.setType(true);
    b.setProtocol(6, false);
    b.setAction(new CKestFWRuleActionJumpto(target));
    return b.buildRule();
}

CKestFWRuleList* listOf(std::initializer_list<CKestFWRule*> rules) {
    auto* list = new CKestFWRuleList(false);
    for (CKestFWRule* r : rules) list->addRule(r);
    return list;
}

Texts textsOf(const CKestFWRuleList& list) {
    Texts out;
    for (const CKestFWRule* r : list.getRules()) out.push_back(r->toString());
    return out;
}

// Rule records back to back, read through the factory.
Texts decode(const Bytes& records) {
    Texts out;
    for (size_t off = 0; off + KESTSIM_RULE_SIZE <= records.size(); off += KESTSIM_RULE_SIZE) {
        std::unique_ptr<CKestFWRule> r(
            CKestFWRuleFactory::newFromMsgBuf(reinterpret_cast<const FWRule_*>(records.data() + off)));
        out.push_back(r ? r->toString() : "<unreadable>");
    }
    return out;
}

// What this process's module holds.
Bytes heldRecords(const dvs_port_* port, const char* name) {
    int n = kestsim_ruleset_rules(port, name, nullptr, 0);
    if (n < 0) return Bytes();
    Bytes out(size_t(n) * KESTSIM_RULE_SIZE);
    kestsim_ruleset_rules(port, name, out.data(), uint32_t(n));
    return out;
}
uint32_t generation(const dvs_port_* port, const char* name) {
    uint32_t g = 0;
    return kestsim_ruleset_info(port, name, &g, nullptr) == 0 ? g : 0;
}
std::string jumpOf(const dvs_port_* port, const char* name) {
    char t[KESTSIM_RULESET_NAME_SIZE];
    return kestsim_ruleset_jump(port, name, t) == 0 ? t : "<none>";
}
struct Roots {
    std::string l3, l2;
    Bytes rules;
};
Roots rootsOf(const dvs_port_* port) {
    char l3[KESTSIM_RULESET_NAME_SIZE], l2[KESTSIM_RULESET_NAME_SIZE];
    int n = kestsim_root_rulesets(port, l3, l2, nullptr, 0);
    Bytes rules(size_t(n) * KESTSIM_RULE_SIZE);
    kestsim_root_rulesets(port, nullptr, nullptr, rules.data(), uint32_t(n));
    return {l3, l2, rules};
}

Bytes lastMessage() {
    Bytes m(1 << 20);
    m.resize(kestsim_last_message(m.data(), uint32_t(m.size())));
    return m;
}
Bytes lastReply() {
    Bytes m(1 << 20);
    m.resize(kestsim_last_reply(m.data(), uint32_t(m.size())));
    return m;
}

template <typename Cmd, typename... Args>
FWStatus_t send(fwlibhandle_* handle, Args&&... args) {
    Cmd cmd(std::forward<Args>(args)...);
    return kfwExecuteCommand(cmd, handle, nullptr);
}

struct PortCase {
    const char* name;
    unsigned type;  // 0: no port at all
    bool declare;
};
void PrintTo(const PortCase& c, std::ostream* os) { *os << c.name; }

}  // namespace

// ---- Through the device channel ------------------------------------------------------------------

class RuleSetLifecycle : public SimTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(RuleSetLifecycle, EveryStepLeavesTheModuleHoldingWhatWasSent) {
    dvs_port_ portRec =
        makePort(GetParam().type, GetParam().type == 1 ? "50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8" : "f1", 2);
    dvs_port_* port = GetParam().type == 0 ? nullptr : &portRec;
    if (GetParam().declare) {
        ASSERT_EQ(kestsim_declare_filter(port), 0);
    }

    // Create an empty rule set: the module opens a transaction and the command keeps it.
    CKestFWCmdCreateRuleSet next(port, rsId("next"), rsId(""));
    ASSERT_EQ(kfwExecuteCommand(next, handle, nullptr), 0u);
    EXPECT_EQ(kestsim_ruleset_rule_count(port, "next"), 0);
    EXPECT_EQ(generation(port, "next"), 1u);
    uint64_t realized = 0;
    ASSERT_EQ(kestsim_ruleset_info(port, "next", nullptr, &realized), 0);
    EXPECT_EQ(le32(next.getTransactionId()), 1u);
    EXPECT_EQ(le32(next.getTransactionId() + 8), 1u) << "rule sets of the filter";
    EXPECT_EQ(next.getTransactionWord(), realized);
    EXPECT_EQ(lastMessage().size(), 20u + 12 + 176);

    // Create with three rules: the records arrive as written and read back as the same rules.
    auto* three = listOf({sampleRule(0), sampleRule(1), sampleRule(2)});
    const Texts threeTexts = textsOf(*three);
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, port, rsId("web"), rsId("next"), three), 0u);
    const Bytes m = lastMessage();
    ASSERT_EQ(m.size(), 20u + 12 + 176 + 3 * 1420);
    EXPECT_EQ(heldRecords(port, "web"), Bytes(m.begin() + 20 + 12 + 176, m.end()));
    EXPECT_EQ(decode(heldRecords(port, "web")), threeTexts);
    EXPECT_EQ(jumpOf(port, "web"), "") << "the jump target of a create is not sent";

    // Replace: new rules, next generation.
    auto* two = listOf({sampleRule(4), sampleRule(5)});
    const Texts twoTexts = textsOf(*two);
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, port, "web", two), 0u);
    EXPECT_EQ(decode(heldRecords(port, "web")), twoTexts);
    EXPECT_EQ(generation(port, "web"), 2u);
    EXPECT_EQ(kestsim_ruleset_count(port), 2u);

    // Jump target: set, read in the reply body, kept through a replace.
    ASSERT_EQ(send<CKestFWCmdSetRuleSetJump>(handle, port, rsId("web"), rsId("next")), 0u);
    EXPECT_EQ(jumpOf(port, "web"), "next");
    EXPECT_EQ(generation(port, "web"), 3u);
    ASSERT_EQ(send<CKestFWCmdGetRuleSetJump>(handle, port, rsId("web")), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(lastReply().data() + 32 + 64)), "next");

    // Roots: the jump rules the command built are what the module installed.
    CKestFWCmdSetRootRuleSet root(port, rsId("web"), rsId("next"));
    ASSERT_EQ(kfwExecuteCommand(root, handle, nullptr), 0u);
    Roots r = rootsOf(port);
    EXPECT_EQ(r.l3, "web");
    EXPECT_EQ(r.l2, "next");
    EXPECT_EQ(decode(r.rules), textsOf(root.getRuleList()));
    EXPECT_EQ(kestsim_ruleset_count(port), 2u) << "the roots are no rule set of their own";
    FWRuleSetID_t l3 = rsId("x"), l2 = rsId("x");
    unsigned result = 99;
    ASSERT_EQ(FW_GetRootRuleSet(handle, port, nullptr, &l3, &l2, &result), 0u);
    EXPECT_EQ(std::string(l3.name), "web");
    EXPECT_EQ(std::string(l2.name), "next");
    EXPECT_EQ(result, 2u);

    // Clear: the rules go, the name and jump target stay.
    ASSERT_EQ(FW_ClearRuleSet(handle, port, nullptr, &result, rsId("web")), 0u);
    EXPECT_EQ(result, 2u);
    EXPECT_EQ(kestsim_ruleset_rule_count(port, "web"), 0);
    EXPECT_EQ(jumpOf(port, "web"), "next");

    // Destroy: refused while a root or a jump target leads there.
    EXPECT_EQ(send<CKestFWCmdDestroyRuleSet>(handle, port, rsId("next")), 24u);
    ASSERT_EQ(send<CKestFWCmdClearRuleSetJump>(handle, port, rsId("web")), 0u);
    EXPECT_EQ(jumpOf(port, "web"), "");
    EXPECT_EQ(send<CKestFWCmdDestroyRuleSet>(handle, port, rsId("next")), 24u);
    ASSERT_EQ(send<CKestFWCmdClearRootRuleSet>(handle, port), 0u);
    ASSERT_EQ(FW_GetRootRuleSet(handle, port, nullptr, &l3, &l2, &result), 0u);
    EXPECT_EQ(std::string(l3.name) + "|" + l2.name, "|");
    EXPECT_EQ(result, 0u);
    ASSERT_EQ(send<CKestFWCmdDestroyRuleSet>(handle, port, rsId("next")), 0u);
    EXPECT_EQ(kestsim_ruleset_rule_count(port, "next"), -1);
    EXPECT_EQ(send<CKestFWCmdDestroyRuleSet>(handle, port, rsId("next")), 28u);

    // Destroy all, with roots set again first.
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, port, "eth"), 0u);
    ASSERT_EQ(send<CKestFWCmdSetRootRuleSet>(handle, port, rsId(""), rsId("eth")), 0u);
    EXPECT_EQ(rootsOf(port).l2, "eth");
    ASSERT_EQ(send<CKestFWCmdDestroyAllRuleSet>(handle, port), 0u);
    EXPECT_EQ(kestsim_ruleset_count(port), 0u);
    EXPECT_EQ(rootsOf(port).l2, "");
    EXPECT_TRUE(rootsOf(port).rules.empty());
}

INSTANTIATE_TEST_SUITE_P(Ports, RuleSetLifecycle,
                         ::testing::Values(PortCase{"no port", 0, false}, PortCase{"declared filter", 7, true},
                                           PortCase{"vnic", 1, false}),
                         [](const ::testing::TestParamInfo<PortCase>& i) { return "case" + std::to_string(i.index); });

TEST_F(SimTest, JumpRulesNeedTheirTargetFirst) {
    EXPECT_EQ(send<CKestFWCmdCreateRuleSet>(handle, nullptr, "web", listOf({sampleRule(0), jumpRule(2, "next")})), 44u);
    EXPECT_EQ(kestsim_ruleset_count(nullptr), 0u);
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, nullptr, "next"), 0u);
    auto* rules = listOf({sampleRule(0), jumpRule(2, "next")});
    const Texts texts = textsOf(*rules);
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, nullptr, "web", rules), 0u);
    EXPECT_EQ(decode(heldRecords(nullptr, "web")), texts);
    EXPECT_EQ(send<CKestFWCmdDestroyRuleSet>(handle, nullptr, rsId("next")), 24u) << "a jump rule leads there";
    EXPECT_EQ(send<CKestFWCmdSetRuleSetJump>(handle, nullptr, rsId("next"), rsId("web")), 0u);
    EXPECT_EQ(send<CKestFWCmdSetRuleSetJump>(handle, nullptr, rsId("web"), rsId("next")), 46u) << "a loop";
    EXPECT_EQ(send<CKestFWCmdSetRuleSetJump>(handle, nullptr, rsId("web"), rsId("gone")), 44u);
    EXPECT_EQ(send<CKestFWCmdSetRootRuleSet>(handle, nullptr, rsId("gone"), rsId("")), 44u);
    EXPECT_EQ(rootsOf(nullptr).l3, "");
}

// ---- Refusals --------------------------------------------------------------------------------------

struct RefusalCase {
    const char* name;
    std::function<void()> arrange;  // scripts the module
    bool getRoot;                   // else FW_ClearRuleSet
    std::string ruleSet;            // for the clear
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
    const FWStatus_t st = c.getRoot ? FW_GetRootRuleSet(handle, nullptr, nullptr, &l3, &l2, &result)
                                    : FW_ClearRuleSet(handle, nullptr, nullptr, &result, rsId(c.ruleSet));
    EXPECT_EQ(st, c.status);
    EXPECT_EQ(result, 0xA5A5A5A5u);
    EXPECT_EQ(std::string(l3.name, 64), std::string(64, 'Z'));
    EXPECT_EQ(std::string(l2.name, 64), std::string(64, 'Y'));
    EXPECT_EQ(kestsim_ioctl_count(), c.calls);
    EXPECT_EQ(kestsim_ruleset_count(nullptr), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RuleSetRefusal,
    ::testing::Values(RefusalCase{"root: no ruleset", [] { kestsim_fault_status(28, 1, 4); }, true, "", 28, 1},
                      RefusalCase{"root: bad state throughout", [] { kestsim_fault_status(26, 3, 4); }, true, "", 26,
                                  3},
                      RefusalCase{"root: control call fails", [] { kestsim_fault_errno(EIO, 1); }, true, "", 19, 1},
                      RefusalCase{"clear: unknown rule set", [] {}, false, "gone", 28, 1},
                      RefusalCase{"clear: name without NUL", [] {}, false, std::string(64, 'w'), 31, 1},
                      RefusalCase{"clear: kernel memory", [] { kestsim_fault_errno(ENOMEM, 1); }, false, "web", 65, 1}),
    [](const ::testing::TestParamInfo<RefusalCase>& i) { return "case" + std::to_string(i.index); });

TEST_F(SimTest, MissingOutputsAndHandleAreRefusedBeforeSending) {
    FWRuleSetID_t a, b;
    unsigned result = 0;
    EXPECT_EQ(FW_GetRootRuleSet(nullptr, nullptr, nullptr, &a, &b, &result), 2u);
    EXPECT_EQ(FW_GetRootRuleSet(handle, nullptr, nullptr, nullptr, &b, &result), 3u);
    EXPECT_EQ(FW_GetRootRuleSet(handle, nullptr, nullptr, &a, nullptr, &result), 3u);
    EXPECT_EQ(FW_GetRootRuleSet(handle, nullptr, nullptr, &a, &b, nullptr), 3u);
    EXPECT_EQ(FW_ClearRuleSet(nullptr, nullptr, nullptr, &result, rsId("web")), 2u);
    EXPECT_EQ(FW_ClearRuleSet(handle, nullptr, nullptr, nullptr, rsId("web")), 3u);
    EXPECT_EQ(kestsim_ioctl_count(), 0u);
}

TEST_F(SimTest, TransactionFieldsFollowTheFlagsOfEachReply) {
    CKestFWCmdCreateRuleSet cmd(nullptr, "web", listOf({sampleRule(1)}));
    ASSERT_EQ(kfwExecuteCommand(cmd, handle, nullptr), 0u);
    EXPECT_EQ(le32(cmd.getTransactionId()), 1u);
    EXPECT_EQ(le32(cmd.getTransactionId() + 4), 1u) << "rules";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(cmd.getTransactionId() + 12), 4), "KEST");

    // A module that stops answering after the count: the flags stay as sent, no transaction.
    ASSERT_EQ(kestsim_fault_reply(KESTSIM_REPLY_SHORT, 140, 1, 3), 0);
    ASSERT_EQ(kfwExecuteCommand(cmd, handle, nullptr), 0u);
    EXPECT_EQ(Bytes(cmd.getTransactionId(), cmd.getTransactionId() + 16), Bytes(16, 0));
    EXPECT_EQ(cmd.getTransactionWord(), 0u);
    EXPECT_EQ(generation(nullptr, "web"), 2u) << "the change itself was made";

    // A refused change leaves what the last accepted one kept.
    ASSERT_EQ(kfwExecuteCommand(cmd, handle, nullptr), 0u);
    EXPECT_EQ(le32(cmd.getTransactionId()), 3u);
    ASSERT_EQ(kestsim_fault_status(45, 1, 3), 0);
    EXPECT_EQ(kfwExecuteCommand(cmd, handle, nullptr), 45u);
    EXPECT_EQ(le32(cmd.getTransactionId()), 3u);
}

// ---- Batch execution ----------------------------------------------------------------------------

TEST_F(SimTest, ThousandCreatesTravelInAsFewMessagesAsTheBatchSizeAllows) {
    constexpr unsigned kCount = 1000;
    CKestFWCmdList cmds;
    std::vector<std::string> texts;
    for (unsigned i = 0; i < kCount; ++i) {
        CKestFWRule* r = sampleRule(i);
        texts.push_back(r->toString());
        cmds.addCmd(new CKestFWCmdCreateRuleSet(nullptr, ("rs-" + std::to_string(i)).c_str(), listOf({r})));
    }
    // 12 + 176 + 1420 = 1608 bytes per command; 159 of them fit in 256000.
    const unsigned perMessage = CKestFWCmdList::kBatchCapacity / 1608;
    ASSERT_EQ(perMessage, 159u);
    ASSERT_EQ(cmds.evalBatch(handle, nullptr, nullptr), 0u);
    EXPECT_EQ(kestsim_ioctl_count(), (kCount + perMessage - 1) / perMessage);
    EXPECT_EQ(kestsim_command_count(), kCount);
    EXPECT_EQ(lastMessage().size(), 20u + (kCount % perMessage) * 1608);
    ASSERT_EQ(kestsim_ruleset_count(nullptr), kCount);
    for (unsigned i = 0; i < kCount; ++i) {
        const std::string name = "rs-" + std::to_string(i);
        ASSERT_EQ(decode(heldRecords(nullptr, name.c_str())), Texts{texts[i]}) << name;
    }
}

// ---- Through the daemon ---------------------------------------------------------------------------
// The device channel's control calls are forwarded to kestsimd over its Unix socket, so another
// process's module answers and is read back through the daemon's control language.

namespace {

Bytes fromHex(const std::string& hex) {
    Bytes out(hex.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = uint8_t(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return out;
}

// "records <n> <hex>" or "roots <l3> <l2> <n> <hex>": the records, read through the factory.
Texts decodeLine(const std::string& line) {
    const size_t sp = line.rfind(' ');
    const std::string last = line.substr(sp + 1);
    if (last.size() < 2 * KESTSIM_RULE_SIZE) return {};
    return decode(fromHex(last));
}

}  // namespace

class RuleSetDaemon : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        ASSERT_TRUE(daemon.start()) << daemon.error();
        kestsim_set_forward(daemon.forwardPath().c_str());
    }
    void TearDown() override {
        kestsim_set_forward(nullptr);
        EXPECT_EQ(daemon.stop(), 0);
        SimTest::TearDown();
    }
    KestSim::DaemonProcess daemon;
};

TEST_F(RuleSetDaemon, LifecycleReachesTheDaemonsModule) {
    dvs_port_ port = makePort(7, "f1", 0);
    const std::string p = KestSim::DaemonProcess::portToken(&port);
    ASSERT_EQ(daemon.control("declare " + p), "ok");

    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, &port, "next"), 0u);
    auto* three = listOf({sampleRule(0), sampleRule(1), sampleRule(2)});
    const Texts threeTexts = textsOf(*three);
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, &port, "web", three), 0u);
    std::string line = daemon.control("show ruleset " + p + " web");
    EXPECT_EQ(line.substr(0, 28), "ruleset 3 generation 1 time ");
    EXPECT_EQ(line.substr(line.find(" jump ")), " jump -");
    EXPECT_EQ(decodeLine(daemon.control("show records " + p + " web")), threeTexts);
    EXPECT_EQ(kestsim_ruleset_count(&port), 0u) << "this process's own module saw nothing";

    auto* one = listOf({sampleRule(7)});
    const Texts oneTexts = textsOf(*one);
    ASSERT_EQ(send<CKestFWCmdCreateRuleSet>(handle, &port, "web", one), 0u);
    EXPECT_EQ(decodeLine(daemon.control("show records " + p + " web")), oneTexts);
    ASSERT_EQ(send<CKestFWCmdSetRuleSetJump>(handle, &port, rsId("web"), rsId("next")), 0u);
    line = daemon.control("show ruleset " + p + " web");
    EXPECT_EQ(line.substr(0, 22), "ruleset 1 generation 3");
    EXPECT_EQ(line.substr(line.find(" jump ")), " jump next");

    CKestFWCmdSetRootRuleSet root(&port, rsId("web"), rsId(""));
    ASSERT_EQ(kfwExecuteCommand(root, handle, nullptr), 0u);
    line = daemon.control("show roots " + p);
    EXPECT_EQ(line.substr(0, 14), "roots web - 1 ");
    EXPECT_EQ(decodeLine(line), textsOf(root.getRuleList()));
    FWRuleSetID_t l3, l2;
    unsigned result = 0;
    ASSERT_EQ(FW_GetRootRuleSet(handle, &port, nullptr, &l3, &l2, &result), 0u);
    EXPECT_EQ(std::string(l3.name) + "|" + l2.name, "web|");
    EXPECT_EQ(result, 1u);

    ASSERT_EQ(FW_ClearRuleSet(handle, &port, nullptr, &result, rsId("web")), 0u);
    EXPECT_EQ(result, 1u);
    EXPECT_EQ(daemon.control("show records " + p + " web"), "records 0");
    EXPECT_EQ(send<CKestFWCmdDestroyRuleSet>(handle, &port, rsId("web")), 24u);
    ASSERT_EQ(send<CKestFWCmdClearRootRuleSet>(handle, &port), 0u);
    EXPECT_EQ(daemon.control("show roots " + p), "roots - - 0");
    ASSERT_EQ(send<CKestFWCmdDestroyRuleSet>(handle, &port, rsId("web")), 0u);
    EXPECT_EQ(daemon.control("show ruleset " + p + " web"), "ruleset none");
    EXPECT_EQ(daemon.control("show rulesets " + p), "rulesets 1");
    ASSERT_EQ(send<CKestFWCmdDestroyAllRuleSet>(handle, &port), 0u);
    EXPECT_EQ(daemon.control("show rulesets " + p), "rulesets 0");
    EXPECT_EQ(daemon.control("show records " + p + " next"), "records none");

    // A filter the daemon's module does not know.
    dvs_port_ other = makePort(7, "f2", 0);
    EXPECT_EQ(send<CKestFWCmdCreateRuleSet>(handle, &other, "x"), 21u);
    EXPECT_EQ(daemon.control("show calls"), "calls 12");
}
