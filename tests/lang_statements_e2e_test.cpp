// Statements against the catalogue and the simulated module: every opcode the language can say has a
// statement that sends it, and a script that sets each global setting reads it back in the reports
// the library prints.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "cmd/KestFWCmdCatalogue.h"
#include "cmd/KestFWCmdList.h"
#include "kestfw/kestfw.h"
#include "support/SimHandle.h"

using namespace KestFirewall;
using kestfw_test::SimTest;

namespace {

// One statement per opcode that the language gives a statement.
const std::map<unsigned, const char*> kStatementOf = {
    {1, "describe count of ruleset;"},
    {2, "describe list of ruleset;"},
    {3, "create ruleset r;"},
    {4, "describe root ruleset;"},
    {6, "clear rule of ruleset r;"},
    {7, "destroy ruleset r;"},
    {8, "describe rule count of ruleset r;"},
    {9, "describe info of ruleset r;"},
    {10, "describe rule of ruleset r;"},
    {11, "describe stat of ruleset r;"},
    {13, "create addrset s;"},
    {14, "destroy addrset s;"},
    {15, "describe size of addrset s;"},
    {16, "describe info of addrset s;"},
    {17, "describe address of addrset s;"},
    {20, "describe count of addrset;"},
    {21, "describe list of addrset;"},
    {22, "describe stat of addrset;"},
    {23, "describe connection count;"},
    {24, "describe connection stat;"},
    {25, "delete spoofguard;"},
    {26, "describe stat of kif;"},
    {27, "clear stat of kif;"},
    {29, "debug dp 1;"},
    {33, "clear root ruleset;"},
    {34, "set connection with from 10.0.0.1:1 to 10.0.0.2:2;"},
    {38, "set timeout \"dfw.tcp.opening\" to 30;"},
    {39, "describe timeout;"},
    {40, "clear all connection;"},
    {41, "enable shared addrset;"},
    {42, "describe shared addrset;"},
    {51, "set exportver 2;"},
    {52, "describe exportver;"},
    {55, "enable tcp strict;"},
    {56, "describe tcp strict;"},
    {58, "destroy all ruleset;"},
    {59, "set jumpto of ruleset a as b;"},
    {60, "describe jumpto of ruleset a;"},
    {61, "clear jumpto of ruleset a;"},
    {62, "delete all from addrset s;"},
    {63, "destroy all addrset;"},
    {64, "set connection;"},
    {65, "set all connection;"},
    {71, "add domainuuidmap { domain a.com 1 { }; };"},
    {73, "set connattr 9 with { [APP_ID : 7] };"},
    {75, "create attrprofile p with { [APP_ID : 7] };"},
    {76, "add domain2ip a.com with 10.0.0.1;"},
    {80, "set uid2sidmap \"S-1-5-32-544\" { \"S-1-5-32-545\" };"},
    {86, "describe config of lb;"},
    {88, "describe stat of lb;"},
};

// Opcodes the language has no statement for, and why.
const char* const kNoClass = "no command class sends it";
const char* const kApiOnly = "reached through the C interface only";
const std::map<unsigned, const char*> kWithoutStatement = {
    {0, "a config statement sets up the channel; it is not a command of the list"},
    {5, kNoClass},
    {12, kNoClass},
    {18, kNoClass},
    {19, kNoClass},
    {35, kNoClass},
    {43, kNoClass},
    {47, kNoClass},
    {48, kNoClass},
    {49, kNoClass},
    {50, kNoClass},
    {54, kNoClass},
    {57, kNoClass},
    {91, kNoClass},
    {100, kNoClass},
    {28, kApiOnly},
    {30, kApiOnly},
    {31, kApiOnly},
    {32, kApiOnly},
    {36, kApiOnly},
    {37, kApiOnly},
    {44, kApiOnly},
    {45, kApiOnly},
    {46, kApiOnly},
    {53, kApiOnly},
    {66, kApiOnly},
    {67, kApiOnly},
    {68, kApiOnly},
    {69, kApiOnly},
    {70, kApiOnly},
    {72, kApiOnly},
    {74, kApiOnly},
    {77, kApiOnly},
    {78, kApiOnly},
    {79, kApiOnly},
    {81, kApiOnly},
    {82, kApiOnly},
    {83, kApiOnly},
    {84, kApiOnly},
    {85, kApiOnly},
    {87, kApiOnly},
    {89, kApiOnly},
    {90, kApiOnly},
    {92, kApiOnly},
    {93, kApiOnly},
    {94, kApiOnly},
    {95, kApiOnly},
    {96, kApiOnly},
    {97, kApiOnly},
    {98, kApiOnly},
    {99, kApiOnly},
};

TEST(StatementCatalogue, EveryOpcodeHasAStatementOrAReason) {
    std::set<unsigned> opcodes;
    for (const KestFWCmdInfo& info : kKestFWCmdCatalogue) opcodes.insert(info.opcode);
    for (unsigned opcode : opcodes) {
        bool said = kStatementOf.count(opcode) != 0, excused = kWithoutStatement.count(opcode) != 0;
        EXPECT_NE(said, excused) << "opcode " << opcode << " needs exactly one of a statement or a reason";
        if (!said) continue;
        void* config = nullptr;
        fwlibhandle_* h = nullptr;
        ASSERT_EQ(FW_LoadConfigString(kStatementOf.at(opcode), &h, &config), 0u) << kStatementOf.at(opcode);
        auto* list = static_cast<CKestFWCmdList*>(config);
        ASSERT_EQ(list->commands().size(), 1u);
        EXPECT_EQ(list->commands().front()->getCommand(), opcode) << kStatementOf.at(opcode);
        FW_FreeConfigFile(config);
    }
    for (const auto& row : kStatementOf) EXPECT_TRUE(opcodes.count(row.first)) << "opcode " << row.first;
}

// ---- A settings script through the simulated module --------------------------------------------------

std::string& printed() {
    static std::string text;
    return text;
}

int capture(void*, const char* format, ...) {
    char line[1024];
    va_list ap;
    va_start(ap, format);
    int n = vsnprintf(line, sizeof line, format, ap);
    va_end(ap);
    printed() += line;
    return n;
}

class SettingsScript : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        printed().clear();
        FW_SetLibPrettyPrinting(capture, nullptr);
    }
    void TearDown() override {
        FW_SetLibPrettyPrinting(nullptr, nullptr);
        SimTest::TearDown();
    }
    FWStatus_t run(const std::string& text) {
        fwlibhandle_* h = nullptr;
        void* config = nullptr;
        FWStatus_t st = FW_LoadConfigString(text.c_str(), &h, &config);
        if (st != 0) return st;
        st = FW_EvaluateConfigFile(handle, config, nullptr, nullptr);
        FW_FreeConfigFile(config);
        return st;
    }
};

TEST_F(SettingsScript, EachSettingReadsBackAsSet) {
    ASSERT_EQ(run("enable tcp strict;\n"
                  "enable shared addrset;\n"
                  "set exportver 7;\n"
                  "set timeout \"dfw.tcp.established\" to 3600;\n"
                  "set timeout \"dfw.udp.single\" to 45;\n"
                  "debug dp 4;\n"
                  "debug cp 2;\n"
                  "describe tcp strict;\n"
                  "describe shared addrset;\n"
                  "describe exportver;\n"
                  "describe timeout \"dfw.tcp.established\";\n"
                  "describe timeout \"dfw.udp.single\";\n"),
              0u);
    const std::string& out = printed();
    EXPECT_NE(out.find("tcp strict: enabled\n"), std::string::npos) << out;
    EXPECT_NE(out.find("shared addrset: enabled\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Current export version: 7\n"), std::string::npos) << out;
    EXPECT_NE(out.find("   dfw.tcp.established   : 3600\n"), std::string::npos) << out;
    EXPECT_NE(out.find("   dfw.udp.single        : 45\n"), std::string::npos) << out;

    // Switched off again, the same statements report the change.
    printed().clear();
    ASSERT_EQ(run("disable TCP strict; disable shared addrset; describe tcp strict; describe shared addrset;"), 0u);
    EXPECT_EQ(printed(), "tcp strict: disabled\nshared addrset: disabled\n");
}

TEST_F(SettingsScript, TimeoutListSetsAllAndTheWholeTableReadsBack) {
    std::string list;
    for (unsigned i = 1; i <= 23; ++i) list += (i > 1 ? " " : "") + std::to_string(100 + i);
    ASSERT_EQ(run("set timeout to \"" + list + "\"; describe timeout;"), 0u);
    const std::string& out = printed();
    EXPECT_EQ(out.find("Connection Timeouts:\n"), 0u) << out;
    for (unsigned i = 0; i < 23; ++i) {
        char line[64];
        snprintf(line, sizeof line, "   %-22s: %u\n", g_kestfw_timeout_name[i], 101 + i);
        EXPECT_NE(out.find(line), std::string::npos) << line;
    }
}

TEST_F(SettingsScript, QueriesPrintTheirReports) {
    ASSERT_EQ(run("create addrset web with { 10.0.0.1, 10.0.0.2 };"
                  "create ruleset r with rule 5 in protocol tcp from any to any port 80 pass;"
                  "describe rule count of ruleset r; describe size of addrset web; describe count of addrset;"
                  "describe stat of kif; describe connection count;"),
              0u);
    const std::string& out = printed();
    EXPECT_EQ(out.find("rule count : 1\naddrset type : 1\naddrset elements count : 2\n"), 0u) << out;
    EXPECT_NE(out.find("addrset count : 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("FILTER INFO\n"), std::string::npos) << out;
    // Nothing of the library's own failure lines reaches the report.
    EXPECT_EQ(printed().find("kestfw:"), std::string::npos) << printed();
}

}  // namespace
