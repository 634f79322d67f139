// The configuration grammar: each statement and rule form against the command it builds, every
// refusal with its status and message, syntax-error wording, the loader's outputs, and whole texts
// loaded and evaluated through the simulated module.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cmd/KestFWCmdConfig.h"
#include "cmd/KestFWCmdCreateAddrSet.h"
#include "cmd/KestFWCmdCreateRuleSet.h"
#include "cmd/KestFWCmdList.h"
#include "cmd/KestFWCmdSetRootRuleSet.h"
#include "kestfw/kestfw.h"
#include "model/KestFWAddressList.h"
#include "model/KestFWRule.h"
#include "model/KestFWRuleList.h"
#include "sim/KestSimControl.h"
#include "support/LogCapture.h"
#include "support/SimHandle.h"

using namespace KestFirewall;

namespace {

struct Loaded {
    FWStatus_t status = 0;
    fwlibhandle_* handle = nullptr;
    void* config = nullptr;
    ~Loaded() {
        if (config != nullptr) FW_FreeConfigFile(config);
        if (handle != nullptr) FW_Exit(handle);
    }
    CKestFWCmdList* list() const { return static_cast<CKestFWCmdList*>(config); }
    CKestFWCmd* last() const { return list() && !list()->commands().empty() ? list()->commands().back() : nullptr; }
};

std::unique_ptr<Loaded> load(const std::string& text) {
    std::unique_ptr<Loaded> l(new Loaded());
    l->status = FW_LoadConfigString(text.c_str(), &l->handle, &l->config);
    return l;
}

std::string lastMessage() {
    FWParseError_ e;
    return FW_GetLastParseError(&e) == 0 ? e.message : "<none>";
}

// The rule set command a text ends with, and its only rule.
[[maybe_unused]] const CKestFWRule* onlyRule(const Loaded& l) {
    auto* cmd = dynamic_cast<CKestFWCmdCreateRuleSet*>(l.last());
    if (cmd == nullptr || cmd->getRuleList() == nullptr || cmd->getRuleList()->getRuleCount() != 1) return nullptr;
    return cmd->getRuleList()->getRules().front();
}

[[maybe_unused]] FWRule_ record(const CKestFWRule* rule) {
    FWRule_ r;
    memset(&r, 0, sizeof r);
    unsigned used = 0;
    const_cast<CKestFWRule*>(rule)->toMessage(&r, sizeof r, &used);
    return r;
}

// ---- Statements ------------------------------------------------------------------------------------

struct StatementRow {
    const char* text;
    unsigned opcode;
    const char* toString;
};

class Statements : public ::testing::TestWithParam<StatementRow> {};

TEST_P(Statements, BuildTheirCommand) {
    auto l = load(GetParam().text);
    ASSERT_EQ(l->status, 0u) << lastMessage();
    ASSERT_NE(l->last(), nullptr);
    EXPECT_EQ(l->list()->commands().size(), 1u);
    EXPECT_EQ(l->last()->getCommand(), GetParam().opcode);
    EXPECT_EQ(l->last()->toString(), GetParam().toString);
}

INSTANTIATE_TEST_SUITE_P(
    Lang, Statements,
    ::testing::Values(
        StatementRow{"create ruleset r1;", 3, "create ruleset r1"},
        StatementRow{"create ruleset r1 of filter f1 { rule 1 in protocol any from any to any drop; };", 3,
                     "create ruleset r1 for filter f1 with {\nrule 1 at 0 in protocol any from any to any drop;\n\n}\n"},
        StatementRow{"create ruleset r1 with rule 3 out protocol udp from any to any port 53 pass;", 3,
                     "create ruleset r1 with {\nrule 3 at 0 out protocol udp from any to any port 53 accept;\n\n}\n"},
        StatementRow{"create ruleset r1 jumpto r2 with { rule 1 inout protocol any from any to any punt; };", 3,
                     "create ruleset r1 jumpto r2 with {\nrule 1 at 0 inout protocol any from any to any punt;\n\n}\n"},
        StatementRow{"describe root ruleset of filter f;", 4, "describe root ruleset  of filter f"},
        StatementRow{"set root ruleset r;", 3, "set root ruleset r for dvsport \":0\""},
        StatementRow{"set root ruleset a and b of vnic 01234567-89ab-cdef-0123-456789abcdef.2;", 3,
                     "set root ruleset a and b for dvsport \"01 23 45 67 89 ab cd ef-01 23 45 67 89 ab cd ef:2\""},
        StatementRow{"clear root ruleset;", 33, "clear root ruleset of dvsport \":0\""},
        StatementRow{"destroy ruleset r;", 7, "destroy ruleset r"},
        StatementRow{"destroy all ruleset to filter f;", 58, "destroy all ruleset  of filter f"},
        StatementRow{"set jumpto of ruleset a as b;", 59, "set jumpto of ruleset a as b "},
        StatementRow{"describe jumpto of ruleset a;", 60, "describe jumpto of ruleset a"},
        StatementRow{"clear jumpto of ruleset a;", 61, "clear jumpto of ruleset a"},
        StatementRow{"clear rule of ruleset a;", 6, "clear rule of ruleset a"},
        StatementRow{"describe count of ruleset;", 1, "describe count of ruleset "},
        StatementRow{"create addrset web with { ip 10.0.0.1, ip 10.0.0.2 };", 13, "create addrset web with {ip 10.0.0.1, ip 10.0.0.2}"},
        StatementRow{"create addrset m with { 00:11:22:33:44:55, mac 00:11:22:33:44:66 };", 13,
                     "create addrset m with {mac 00:11:22:33:44:55, mac 00:11:22:33:44:66}"},
        StatementRow{"create addrset mix { 10.0.0.0/8, 00:11:22:33:44:55 };", 13, "create addrset mix with {ip 10.0.0.0/8, mac 00:11:22:33:44:55}"},
        StatementRow{"create addrset e;", 13, "create addrset e with {}"},
        StatementRow{"create APP_ID attrset apps with { \"5\", \"7\" };", 13,
                     "create addrset apps with {int attr 5 APP_UNASSIGNED_5, int attr 7 APP_UNASSIGNED_7}"},
        StatementRow{"delete all from addrset s;", 62, "delete all from addrset s"},
        StatementRow{"destroy addrset s;", 14, "destroy addrset s"},
        StatementRow{"destroy all addrset;", 63, "destroy all addrset"},
        StatementRow{"delete attrprofile p;", 14, "destroy addrset p"},
        StatementRow{"destroy container c;", 14, "destroy addrset c"},
        StatementRow{"enable shared addrset;", 41, "enable shared addrset"},
        StatementRow{"disable shared addrset;", 41, "disable shared addrset"}));

}  // namespace
