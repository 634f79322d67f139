// Loading and evaluating configuration texts: the loader's outputs and statuses, syntax errors with
// their places, channel statements, the default port of a text, texts sent to the simulated module,
// and the include table of the packet-filter device.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cmd/KestFWCmdConfig.h"
#include "cmd/KestFWCmdCreateAddrSet.h"
#include "cmd/KestFWCmdCreateRuleSet.h"
#include "cmd/KestFWCmdList.h"
#include "kestfw/kestfw.h"
#include "lang/KestFWLexTypes.h"
#include "lang/kestfw_parser.hpp"
#include "model/KestFWRule.h"
#include "model/KestFWRuleList.h"
#include "sim/KestSimControl.h"
#include "sim/KestSimIncludeTable.h"
#include "support/SimHandle.h"

using namespace KestFirewall;
using namespace kestfw_test;

typedef struct yy_buffer_state* YY_BUFFER_STATE;
int yylex_init(void** scanner);
int yylex_destroy(void* scanner);
void yyset_extra(fw_lex_extra_* extra, void* scanner);
YY_BUFFER_STATE yy_scan_string(const char* text, void* scanner);
void yy_delete_buffer(YY_BUFFER_STATE buffer, void* scanner);
void yyset_lineno(int line, void* scanner);

namespace {

// A parse driven through the exported entry points, keeping what the parser hands out.
struct Parse {
    int result = 0;
    FWStatus_t status = 0;
    CKestFWCmdList* list = nullptr;
    CKestFWCmdConfig* config = nullptr;
    explicit Parse(const std::string& text) {
        fw_lex_extra_ extra;
        memset(&extra, 0, sizeof extra);
        void* scanner = nullptr;
        yylex_init(&scanner);
        yyset_extra(&extra, scanner);
        YY_BUFFER_STATE buffer = yy_scan_string(text.c_str(), scanner);
        yyset_lineno(1, scanner);
        result = yyparse(&status, scanner, "<test>", &list, &config);
        yy_delete_buffer(buffer, scanner);
        yylex_destroy(scanner);
    }
    ~Parse() {
        delete list;
        delete config;
    }
};

std::string writeTemp(const std::string& text) {
    char path[] = "/tmp/kfwloadXXXXXX";
    int fd = mkstemp(path);
    FILE* f = fdopen(fd, "w");
    fputs(text.c_str(), f);
    fclose(f);
    return path;
}

// ---- Syntax errors --------------------------------------------------------------------------------

struct SyntaxRow {
    const char* text;
    const char* message;
    unsigned line, firstColumn, lastColumn;
};

class SyntaxErrors : public ::testing::TestWithParam<SyntaxRow> {};

TEST_P(SyntaxErrors, NameTheTokenAndItsPlace) {
    fwlibhandle_* h = nullptr;
    void* c = nullptr;
    EXPECT_EQ(FW_LoadConfigString(GetParam().text, &h, &c), 16u);
    EXPECT_EQ(c, nullptr);
    FWParseError_ e;
    ASSERT_EQ(FW_GetLastParseError(&e), 0u);
    EXPECT_STREQ(e.message, GetParam().message);
    EXPECT_EQ(e.line, GetParam().line);
    EXPECT_EQ(e.firstColumn, GetParam().firstColumn);
    EXPECT_EQ(e.lastColumn, GetParam().lastColumn);
}

INSTANTIATE_TEST_SUITE_P(
    Lang, SyntaxErrors,
    ::testing::Values(
        SyntaxRow{"describe ruleset;", "syntax error, unexpected keyword ruleset", 1, 10, 16},
        SyntaxRow{"create ruleset r1", "syntax error, unexpected end of file, expecting ';'", 1, 18, 17},
        SyntaxRow{"destroy all ruleset;\n  destroy ;", "syntax error, unexpected ';'", 2, 11, 11},
        SyntaxRow{"create ruleset r { rule 1 in protocol any from any to any };", "syntax error, unexpected '}'", 1, 59,
                  59},
        SyntaxRow{"create ruleset r with rule 1 in protocol tcp from any port 1 to any port 2 pass\n;x",
                  "syntax error, unexpected double-quoted string, expecting end of file", 2, 2, 2},
        SyntaxRow{"/* a\n comment */ set root ;", "syntax error, unexpected ';', expecting keyword ruleset", 2, 22, 22},
        SyntaxRow{"revision;", "syntax error, unexpected keyword revision, expecting end of file", 1, 1, 8}));

}  // namespace

// ---- The loader -------------------------------------------------------------------------------------

TEST(LangLoad, EmptyAndCommentOnlyTextsGiveEmptyLists) {
    for (const char* text : {"", "  # nothing\n/* at all */"}) {
        fwlibhandle_* h = reinterpret_cast<fwlibhandle_*>(0x1);
        void* c = nullptr;
        ASSERT_EQ(FW_LoadConfigString(text, &h, &c), 0u) << text;
        EXPECT_EQ(h, reinterpret_cast<fwlibhandle_*>(0x1));
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(static_cast<CKestFWCmdList*>(c)->commands().empty());
        EXPECT_EQ(FW_FreeConfigFile(c), 0u);
    }
    FWParseError_ e;
    EXPECT_EQ(FW_GetLastParseError(&e), FW_PARSE_ERROR_NONE);
}

TEST(LangLoad, ArgumentChecks) {
    fwlibhandle_* h = nullptr;
    void* c = nullptr;
    EXPECT_EQ(FW_LoadConfigString(nullptr, &h, &c), 3u);
    EXPECT_EQ(FW_LoadConfigString("", nullptr, &c), 3u);
    EXPECT_EQ(FW_LoadConfigString("", &h, nullptr), 3u);
    EXPECT_EQ(FW_LoadConfigFile2(stdin, nullptr, &h, &c), 3u);
    EXPECT_EQ(FW_LoadConfigFile(nullptr, &h, &c), 3u);
    EXPECT_EQ(FW_EvaluateConfigFile(nullptr, reinterpret_cast<void*>(1), nullptr, nullptr), 3u);
    EXPECT_EQ(FW_FreeConfigFile(nullptr), 3u);
    EXPECT_EQ(FW_GetLastParseError(nullptr), 3u);
    EXPECT_EQ(FW_LoadConfigFile("/nonexistent/kfw/policy", &h, &c), 12u);
}

TEST(LangLoad, FilesNameThemselvesInErrorsAndClearTheOutputFirst) {
    const std::string good = writeTemp("destroy all ruleset;\n# end\n");
    const std::string bad = writeTemp("destroy all ruleset;\n\ndestroy ruleset ;\n");
    fwlibhandle_* h = nullptr;
    void* c = nullptr;
    ASSERT_EQ(FW_LoadConfigFile(good.c_str(), &h, &c), 0u);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(static_cast<CKestFWCmdList*>(c)->commands().size(), 1u);
    FW_FreeConfigFile(c);
    c = reinterpret_cast<void*>(0x2);
    EXPECT_EQ(FW_LoadConfigFile(bad.c_str(), &h, &c), 16u);
    EXPECT_EQ(c, nullptr);
    FWParseError_ e;
    ASSERT_EQ(FW_GetLastParseError(&e), 0u);
    EXPECT_EQ(std::string(e.input), bad);
    EXPECT_EQ(e.line, 3u);
    remove(good.c_str());
    remove(bad.c_str());
}

// ---- Channel statements and the default port -------------------------------------------------------

TEST(LangLoad, ConfigFileGivesANewHandleBesideTheList) {
    const std::string out = writeTemp("");
    fwlibhandle_* h = nullptr;
    void* c = nullptr;
    ASSERT_EQ(FW_LoadConfigString(("config file \"" + out + "\"; destroy all ruleset;").c_str(), &h, &c), 0u);
    ASSERT_NE(h, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(static_cast<CKestFWCmdList*>(c)->commands().size(), 1u);
    EXPECT_EQ(FW_FreeConfigFile(c), 0u);
    EXPECT_EQ(FW_Exit(h), 0u);
    remove(out.c_str());
}

TEST(LangLoad, ConfigStatementsBuildTheChannelCommand) {
    struct Row {
        const char* text;
        int type;
        const char* toString;
    };
    const Row rows[] = {
        {"config device \"/dev/a\"; config device \"/dev/b\" save to keep;", 1, "config device /dev/b keep"},
        {"config file out.bin;", 4, "config file out.bin"},
        {"config socket 127.0.0.1:9000;", 2, "config socket 127.0.0.1:9000"},
        {"config ghsock 10.1.2.3:80 save to \"/tmp/s\";", 3, "config ghsock 10.1.2.3:80 /tmp/s"},
    };
    for (const Row& r : rows) {
        Parse p(r.text);
        ASSERT_EQ(p.result, 0) << r.text;
        ASSERT_NE(p.config, nullptr) << r.text;
        EXPECT_EQ(p.config->getChannelType(), r.type) << r.text;
        EXPECT_EQ(p.config->toString(), r.toString);
        EXPECT_EQ(p.config->getMsgSize(), 0u);
        EXPECT_TRUE(p.list->commands().empty());
    }
    Parse failed("config file x; destroy ;");
    EXPECT_NE(failed.result, 0);
    EXPECT_EQ(failed.config, nullptr);
    EXPECT_EQ(failed.list, nullptr);
}

TEST(LangLoad, DefaultAgentHoldsForTheRestOfTheTextOnly) {
    Parse first("destroy all ruleset; config default agent a1 and filter f1; destroy all ruleset;");
    ASSERT_EQ(first.result, 0);
    ASSERT_EQ(first.list->commands().size(), 2u);
    const dvs_port_& before = first.list->commands()[0]->getDVSPort();
    const dvs_port_& after = first.list->commands()[1]->getDVSPort();
    EXPECT_EQ(before.type & 0x0F, 0);
    EXPECT_STREQ(before.agent, "orbane-wyb-kest");
    EXPECT_EQ(after.type & 0x0F, DVS_PORT_TYPE_FILTER);
    EXPECT_STREQ(after.id, "f1");
    EXPECT_STREQ(after.agent, "a1");
    Parse second("destroy all ruleset;");
    ASSERT_EQ(second.result, 0);
    EXPECT_EQ(second.list->commands()[0]->getDVSPort().type & 0x0F, 0);
    EXPECT_STREQ(second.list->commands()[0]->getDVSPort().agent, "orbane-wyb-kest");
}

TEST(LangLoad, RuleRangesBecomeAddressSetsAheadOfTheRuleSet) {
    Parse p("create ruleset r { rule 10 in protocol tcp from 10.0.0.1-10.0.0.6 to any pass; };");
    ASSERT_EQ(p.result, 0);
    ASSERT_EQ(p.list->commands().size(), 2u);
    auto* set = dynamic_cast<CKestFWCmdCreateAddrSet*>(p.list->commands()[0]);
    ASSERT_NE(set, nullptr);
    EXPECT_STREQ(set->getSetID().name, "src10");
    EXPECT_EQ(set->getAddressList()->toString(), "{ip 10.0.0.1, ip 10.0.0.2/31, ip 10.0.0.4/31, ip 10.0.0.6}");
    auto* rs = dynamic_cast<CKestFWCmdCreateRuleSet*>(p.list->commands()[1]);
    ASSERT_NE(rs, nullptr);
    EXPECT_EQ(rs->getRuleList()->getRules()[0]->toString(),
              "rule 10 at 0 in protocol tcp from addrset src10 to any accept;");

    Parse braces("create addrset s with {1.1.1.1-1.1.1.3}; create addrset t with 1.1.1.1-1.1.1.3;");
    ASSERT_EQ(braces.result, 0);
    EXPECT_EQ(braces.list->toString(),
              "create addrset s with {ip 1.1.1.1, ip 1.1.1.2/31};\ncreate addrset t with {ip 1.1.1.1-1.1.1.3};\n");
}

// A list far longer than the parser's stack limit: lists grow to the left, so the stack stays shallow.
TEST(LangLoad, LongListsDoNotExhaustTheStack) {
    std::string text = "create addrset big with {";
    for (int i = 0; i < 20000; ++i)
        text += (i ? ", 10." : "10.") + std::to_string(i / 65536 % 256) + "." + std::to_string(i / 256 % 256) + "." +
                std::to_string(i % 256);
    text += "};";
    Parse p(text);
    ASSERT_EQ(p.result, 0);
    auto* set = dynamic_cast<CKestFWCmdCreateAddrSet*>(p.list->commands()[0]);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->getAddressList()->size(), 20000u);
}

// ---- Through the simulated module -------------------------------------------------------------------

TEST_F(SimTest, ExamplePolicyLoadsAndTheModuleHoldsIt) {
    fwlibhandle_* h = nullptr;
    void* c = nullptr;
    ASSERT_EQ(FW_LoadConfigFile(KESTFW_EXAMPLE_POLICY, &h, &c), 0u);
    EXPECT_EQ(h, nullptr);
    ASSERT_EQ(FW_EvaluateConfigFile(handle, c, nullptr, nullptr), 0u);
    EXPECT_EQ(FW_FreeConfigFile(c), 0u);
    EXPECT_EQ(kestsim_addrset_kind(nullptr, "web_servers"), 1);
    EXPECT_EQ(kestsim_addrset_members(nullptr, "web_servers", nullptr, 0), 3);
    EXPECT_EQ(kestsim_addrset_kind(nullptr, "admin_macs"), 2);
    EXPECT_EQ(kestsim_addrset_members(nullptr, "src110", nullptr, 0), 4);
    EXPECT_EQ(kestsim_ruleset_rule_count(nullptr, "mgmt"), 2);
    EXPECT_EQ(kestsim_ruleset_rule_count(nullptr, "main"), 5);
    char l3[KESTSIM_RULESET_NAME_SIZE], l2[KESTSIM_RULESET_NAME_SIZE];
    kestsim_root_rulesets(nullptr, l3, l2, nullptr, 0);
    EXPECT_STREQ(l3, "main");
    EXPECT_STREQ(l2, "main_L2");
    // The records the module holds carry what the text said.
    std::vector<FWRule_> rules(5);
    ASSERT_EQ(kestsim_ruleset_rules(nullptr, "main", rules.data(), 5), 5);
    EXPECT_EQ(rules[0].id[0], 100);
    EXPECT_EQ(rules[0].protocol[0], 6);
    EXPECT_EQ(rules[1].protocol[0], 17);
    EXPECT_STREQ(rules[3].tag, "egress");
}

TEST_F(SimTest, AddressSetStatementSendsOneMessage) {
    fwlibhandle_* h = nullptr;
    void* c = nullptr;
    ASSERT_EQ(FW_LoadConfigString("create addrset web with { ip 10.0.0.1, ip 10.0.0.2 };", &h, &c), 0u);
    ASSERT_EQ(FW_EvaluateConfigFile(handle, c, nullptr, nullptr), 0u);
    FW_FreeConfigFile(c);
    std::vector<uint8_t> m(1024);
    EXPECT_EQ(kestsim_last_message(m.data(), uint32_t(m.size())), 20u + 12 + 94 + 288);
    EXPECT_EQ(m[24] | m[25] << 8, 13);
    EXPECT_EQ(kestsim_addrset_members(nullptr, "web", nullptr, 0), 2);
}

// ---- The include table ------------------------------------------------------------------------------

namespace {

std::vector<uint8_t> filterParams(const char* agent, std::vector<std::string> params, uint32_t passOn) {
    std::vector<uint8_t> block(52 + 260 * params.size(), 0);
    strncpy(reinterpret_cast<char*>(block.data()), agent, 39);
    uint32_t n = uint32_t(params.size());
    memcpy(&block[40], &n, 4);
    memcpy(&block[44], &passOn, 4);
    for (size_t i = 0; i < params.size(); ++i)
        strncpy(reinterpret_cast<char*>(&block[52 + 260 * i]), params[i].c_str(), 255);
    return block;
}

const char* const kVnic = "01234567-89ab-cdef-0123-456789abcdef.3";

}  // namespace

TEST_F(SimTest, IncludeTableEntriesComeAndGo) {
    auto block = filterParams("agent-x", {"alpha", "beta"}, 0xABCD);
    ASSERT_EQ(FW_AddRemoveFilter(block.data(), 0, 77, kVnic, 1), 0u);
    ASSERT_EQ(kestsim_include_count(), 1u);
    kestsim_include_entry_ e;
    ASSERT_EQ(kestsim_include_entry(0, &e), 0);
    EXPECT_STREQ(e.agent, "agent-x");
    EXPECT_EQ(e.vnic[0], 0x01);
    EXPECT_EQ(e.vnic[15], 0xef);
    EXPECT_EQ(e.index, 3);
    EXPECT_EQ(e.arg3, 77u);
    EXPECT_EQ(e.pass_on, 0xABCDu);
    EXPECT_EQ(e.param_count, 2u);
    char text[KESTSIM_INCLUDE_PARAM_SIZE];
    EXPECT_EQ(kestsim_include_param(0, 1, text), 1);
    EXPECT_STREQ(text, "beta");
    EXPECT_EQ(kestsim_include_last_request(nullptr, 0), 2u * 260 + 32);
    EXPECT_EQ(kestsim_revalidations(nullptr, 0), 0u);

    ASSERT_EQ(FW_AddRemoveFilter(block.data(), 42, 77, kVnic, 0), 0u);
    EXPECT_EQ(kestsim_include_count(), 0u);
    uint32_t world = 0;
    EXPECT_EQ(kestsim_revalidations(&world, 1), 1u);
    EXPECT_EQ(world, 42u);
}

TEST_F(SimTest, IncludeTableRefusals) {
    auto block = filterParams("agent-x", {}, 0);
    EXPECT_EQ(FW_AddRemoveFilter(nullptr, 0, 0, kVnic, 1), 3u);
    EXPECT_EQ(FW_AddRemoveFilter(block.data(), 0, 0, "nope", 1), 47u);
    EXPECT_EQ(FW_AddRemoveFilter(block.data(), 0, 0, "01234567-89ab-cdef-0123-456789abcdef.300", 1), 47u);
    // Removing what is not there is the device's refusal.
    EXPECT_EQ(FW_AddRemoveFilter(block.data(), 0, 0, kVnic, 0), 19u);
    ASSERT_EQ(kestsim_device_fail_open(KESTSIM_DEV_PLK, ENOENT), 0);
    EXPECT_EQ(FW_AddRemoveFilter(block.data(), 0, 0, kVnic, 1), 19u);
    ASSERT_EQ(kestsim_device_fail_open(KESTSIM_DEV_PLK, 0), 0);
    EXPECT_EQ(kestsim_include_count(), 0u);
}
