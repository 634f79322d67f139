// Written text read back: a configuration is loaded, written, loaded again, and every command of the
// second load must send the same message (header, body and any switch port) as the first; writing the second
// load gives the same text again.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cmd/KestFWCmd.h"
#include "cmd/KestFWCmdList.h"
#include "kestfw/kestfw.h"
#include "kestfw/kestfw_config.h"
#include "support/LogCapture.h"

using namespace KestFirewall;

namespace {

struct Loaded {
    CKestFWCmdList* list = nullptr;
    ~Loaded() {
        if (list != nullptr) FW_FreeConfigFile(list);
    }
};

void load(const std::string& text, Loaded& out) {
    fwlibhandle_* handle = nullptr;
    void* config = nullptr;
    ASSERT_EQ(FW_LoadConfigString(text.c_str(), &handle, &config), 0u) << text;
    ASSERT_EQ(handle, nullptr);
    out.list = static_cast<CKestFWCmdList*>(config);
}

std::string written(CKestFWCmdList* list) {
    unsigned int needed = 0;
    EXPECT_EQ(FW_WriteConfigText(list, nullptr, 0, &needed), 8u);
    std::vector<char> out(needed + 1, '\0');
    EXPECT_EQ(FW_WriteConfigText(list, out.data(), needed, &needed), 0u);
    return std::string(out.data());
}

std::vector<uint8_t> message(CKestFWCmd& cmd) {
    std::vector<uint8_t> buf(cmd.getMsgSize() + 64, 0xcc);
    unsigned int used = 0;
    cmd.toMessage(buf.data(), static_cast<unsigned>(buf.size()), &used);
    buf.resize(used);
    // A port naming no switch port is the caller's to fill in at evaluation.
    const dvs_port_& port = cmd.getDVSPort();
    if ((port.type & 0x0f) == 0) return buf;
    buf.insert(buf.end(), reinterpret_cast<const uint8_t*>(&port), reinterpret_cast<const uint8_t*>(&port + 1));
    return buf;
}

class WrittenTextReadsBack : public ::testing::TestWithParam<const char*> {};

void compare(const char* input) {
    Loaded first, second;
    ASSERT_NO_FATAL_FAILURE(load(input, first));
    const std::string text = written(first.list);
    ASSERT_NO_FATAL_FAILURE(load(text, second));
    ASSERT_EQ(first.list->commands().size(), second.list->commands().size()) << text;
    for (size_t i = 0; i < first.list->commands().size(); ++i)
        EXPECT_EQ(message(*first.list->commands()[i]), message(*second.list->commands()[i]))
            << "command " << i << " of\n"
            << text;
    EXPECT_EQ(written(second.list), text);
}

TEST_P(WrittenTextReadsBack, SameMessagesAndSameText) {
    kestfw_test::LogCapture log;
    compare(GetParam());
    if (HasFailure())
        for (const std::string& line : log.all()) std::cerr << line;
}

INSTANTIATE_TEST_SUITE_P(
    Writer, WrittenTextReadsBack,
    ::testing::Values(
        "create ruleset r1 of filter f1 { rule 1 at 1 inout protocol tcp from any to ip 10.0.0.0/8 port 80 pass "
        "with log; rule 2 in protocol any from any to any drop; };",
        "create ruleset r jumpto j with { rule 1 out inet6 protocol udp with {stateless, dscp 10} from ip "
        "2001:db8::/64 port {53, 1000-2000} to not addrset bad not port 1-9 reject; };",
        "create ruleset r with rule 1 inout protocol tcp with {strict, not flag {SYN, ACK}, option \"ab\"} from "
        "any to any extsrcprofile e attrprofile a idsprofile {1, -2} tbrprofile t pass with {log, rtt} as ftp "
        "tag \"a b\" categoryid 3 bucketid 4 extsrcip not x excludesrcip y excludedstip z malsrc 1 maldst 1;",
        "create ruleset r { rule 1 in protocol icmp not typecode 3-4 from any to any drop; rule 2 in protocol 1 "
        "icmptype 8 from any to any punt; rule 3 out ethertype 0x0806 from mac 00:11:22:33:44:55 to mac "
        "00:11:22:33:44:00/ff:ff:ff:ff:ff:00 macrewrite 00:01:02:03:04:05; };",
        "create ruleset n { rule 1 out protocol tcp from any to any snat ip 10.1.1.1; rule 2 in protocol tcp "
        "from any to any dnat addrset p port 80-90 poolopt round-robin 30; rule 3 in protocol tcp from any to "
        "any dnat ip 10.2.2.2 port 8080; };",
        "create ruleset l { rule 1 inout protocol tcp from any to any lb lbtype l7 lbidletimeout 30 lboptions "
        "'x=1' with lbrule; rule 2 inout protocol 50 from any to any encrypt keypolicy "
        "01234567-89ab-cdef-0123-456789abcdef; rule 3 inout protocol any from any to any jumpto \"rule\"; };",
        "create addrset s with 1.1.1.1-1.1.1.3; create addrset t with {1.1.1.1, 2001:db8::1}; "
        "create addrset m with {00:11:22:33:44:55, 00:11:22:33:44:00-00:11:22:33:44:09}; create addrset x "
        "{10.0.0.1, 00:11:22:33:44:01}; create addrset e; create addrset z with {0.0.0.0/0};",
        "set root ruleset r; set root ruleset a and b of vnic 01234567-89ab-cdef-0123-456789abcdef.7; clear root "
        "ruleset; describe root ruleset of vif 01234567-89ab-cdef-0123-456789abcdef; destroy ruleset r of "
        "dvsport 01234567-89ab-cdef-0123-456789abcdef:12; destroy all ruleset; set jumpto of ruleset a as b; "
        "describe jumpto of ruleset a; clear jumpto of ruleset a; clear rule of ruleset a; describe count of "
        "ruleset;",
        "delete all from addrset s; destroy addrset s; destroy all addrset; enable shared addrset; disable "
        "shared addrset of filter f;"));

// Ranges the parser rewrites: in a rule into an address set created ahead of the rule set, inside an
// address set's braces into networks.
INSTANTIATE_TEST_SUITE_P(RangeRewrites, WrittenTextReadsBack,
                         ::testing::Values("create ruleset r { rule 10 in protocol tcp from 10.0.0.1-10.0.0.6 to any "
                                           "pass; };",
                                           "create ruleset n { rule 4 out protocol tcp from any to any snat ip "
                                           "1.1.1.1-1.1.1.9; };",
                                           "create addrset t with {1.1.1.1-1.1.1.3, 2001:db8::1};"));

}  // namespace
