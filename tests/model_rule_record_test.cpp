// Rules against their hand-written 1420-byte records, kernel records read as text, round trips
// rule -> record -> rule -> record -> text, and broken records.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "model/KestFWAddressIPv4.h"
#include "model/KestFWContainerID.h"
#include "model/KestFWRuleActionSNAT.h"
#include "model/KestFWRuleFactory.h"
#include "support/RecordBytes.h"
#include "support/RuleBuild.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

std::vector<uint8_t> recordOf(const std::string& patches) { return patched(FW_RULE_RECORD_SIZE, patches); }

std::unique_ptr<CKestFWRule> readBack(const std::vector<uint8_t>& rec) {
    return std::unique_ptr<CKestFWRule>(CKestFWRuleFactory::newFromMsgBuf(asRule(rec)));
}

struct GoldenCase {
    const char* name;
    RuleFill fill;
    std::string bytes = "";  // what toMessage writes
    std::string text = "";
    std::string kernelBytes = "";  // bits the writer leaves to the kernel
};

std::ostream& operator<<(std::ostream& os, const GoldenCase& c) { return os << c.name; }

std::vector<GoldenCase> goldenCases() {
    return {
        {"L3PortsAndSets",
         [](CKestFWRuleBuilder& b) {
             b.setId(10);
             b.setPosition(3);
             b.setDirection(FW_RULE_DIR_IN);
             b.setType(true);
             b.setProtocol(6, false);
             b.setSource("web");
             b.setDest(ip4("10.0.0.0"), 24);
             b.setSourcePort(1024, 65535, false);
             b.addDestPort(80);
             b.addDestPort(443);
             b.addDestPort(1000, 2000);
             b.setAction(FW_RULE_ACTION_ACCEPT, "");
             b.setEnableLog();
             b.setTag("web-in");
         },
         "0: 0a000000; 4: 03000000; 12: 0b000000; 16: 'web; 156: 05000000 0a000000 18; 588: 1100 0400 ffff;"
         "626: 1a00 04 00 03e8 07d0 0050 01bb; 660: 0100; 1240: 01 01; 1280: 83 16 00 10 0600; 1342: 'web-in;"
         "1384: 01000000",
         "rule 10 at 3 in protocol " + proto(6) +
             " from addrset web port 1024-65535 to ip 10.0.0.0/24 port {1000-2000, 80, 443} accept with log tag "
             "'web-in';"},
        {"L2Ethertype",
         [](CKestFWRuleBuilder& b) {
             const unsigned char mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
             b.setId(20);
             b.setPosition(-1);
             b.setDirection(FW_RULE_DIR_OUT);
             b.setType(false);
             b.setProtocol(0x0806, false);
             b.setSource(mac);
             b.setAction(FW_RULE_ACTION_DROP, "");
         },
         "0: 14000000; 4: ffffffff; 12: 07000000 001122334455; 1240: 02; 1280: 81 08 00 00 0806; 1384: 01000000",
         "rule 20 out ethertype 0x0806 from mac 00:11:22:33:44:55 to any drop;"},
        {"SourceNAT",
         [](CKestFWRuleBuilder& b) {
             b.setId(30);
             b.setPosition(5);
             b.setDirection(FW_RULE_DIR_OUT);
             b.setInetAF(false);
             b.setType(true);
             b.setProtocol(17, false);
             b.setSource(ip4("192.168.1.0"), 24);
             b.setDestPort(53, false);
             b.setAction(new CKestFWRuleActionSNAT(new CKestFWAddressIPv4("203.0.113.5", false)));
         },
         "0: 1e000000; 4: 05000000; 12: 05000000 c0a80100 18; 626: 0a00 0035; 950: 01000000 cb007105; 1240: 07;"
         "1280: 81 1a 00 00 1100; 1384: 01000000",
         "rule 30 at 5 out inet protocol " + proto(17) + " from ip 192.168.1.0/24 to any port 53 snat ip 203.0.113.5;"},
        {"LayerSevenProfiles",
         [](CKestFWRuleBuilder& b) {
             const unsigned int v6[4] = {htonl(0x20010db8), 0, 0, htonl(1)};
             FWuuid_ ids;
             memcpy(ids.bytes, hex("0123456789abcdef 0123456789abcdef").data(), 16);
             b.setId(40);
             b.setPosition(2);
             b.setType(true);
             b.setProtocol(6, false);
             b.setStrict();
             b.addTCPFlags(0x12, false);
             b.setSource(v6, 128);
             b.setRuleAddress(KFW_RULE_FIELD_DEST, "srv", "bad", false);
             b.setAttributeProfile(new CKestFWContainerID("web-apps"));
             b.setTimeAttributeProfile(new CKestFWContainerID("office-hours"));
             b.setIDSProfile(ids);
             b.setBucketId(3);
             b.setCategoryId(7);
             b.setOversubscription(FW_RULE_OVERSUB_DROP);
             b.setAction(FW_RULE_ACTION_REJECT, "");
             b.setTag("l7");
         },
         "0: 28000000; 4: 02000000; 12: 02000000 20010db8 00000000 00000000 00000001; 156: 0b000000; 160: 'srv;"
         "444: 0b000000; 448: 'bad; 854: 'web-apps; 896: 'office-hours; 934: 0123456789abcdef 0123456789abcdef;"
         "1240: 03; 1280: 8b 22 00 10 0600; 1286: 0008 0000 2000 1200; 1342: 'l7; 1382: 07 03; 1384: 38000000;"
         "1392: 02",
         "rule 40 at 2 inout protocol " + proto(6) +
             " with {strict, flag 0x0012} from ip 2001:db8::1 to addrset srv excluding addrset bad with attribute "
             "profile web-apps with time attribute profile office-hours with ids profile "
             "01234567-89ab-cdef-0123-456789abcdef in pre_filter reject tag 'l7' active oversubscription drop;",
         "; 1283: 90"},
    };
}

class RuleGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(RuleGolden, WritesTheRecordAndPrintsTheText) {
    std::unique_ptr<CKestFWRule> r = built(GetParam().fill);
    ASSERT_NE(r, nullptr);
    const std::vector<uint8_t> want = recordOf(GetParam().bytes), got = serialise(*r);
    EXPECT_EQ(got, want);
    EXPECT_EQ(r->toString(), GetParam().text);
}

TEST_P(RuleGolden, ReadsTheKernelsRecordAsTheSameText) {
    const std::vector<uint8_t> rec = recordOf(GetParam().bytes + GetParam().kernelBytes);
    std::unique_ptr<CKestFWRule> r = readBack(rec);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->toString(), GetParam().text);
    char out[1024];
    ASSERT_EQ(FW_GetRuleString(asRule(rec), 1, out, sizeof out, 0), 0u);
    EXPECT_EQ(std::string(out), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Rules, RuleGolden, ::testing::ValuesIn(goldenCases()), ::testing::PrintToStringParamName());

std::vector<GoldenCase> roundTripCases() {
    std::vector<GoldenCase> cases = goldenCases();
    cases.pop_back();  // the layer-7 rule reads back inactive without the kernel's bit (below)
    cases.push_back({"IcmpMaliciousExtendedSource", [](CKestFWRuleBuilder& b) {
                         b.setType(true);
                         b.setProtocol(1, false);
                         b.addICMPTypeCode(8, 0, false);
                         b.setRuleAddress(KFW_RULE_FIELD_SOURCE, static_cast<CKestFWAddress*>(nullptr), true);
                         b.setRuleAddress(KFW_RULE_FIELD_DEST, ip4("10.1.1.1"), 32);
                         b.setIpReputationDst(true);
                         b.setExtendedSource(new CKestFWContainerID("users"));
                         b.setExtSrcIP("ext");
                         b.setExcludeSrc("trusted");
                         b.setAction(FW_RULE_ACTION_PBR, "ffffffff-ffff-ffff-ffff-ffffffffffff");
                         b.setOversubscription(FW_RULE_OVERSUB_INHERIT);
                     }});
    return cases;
}

class RuleRoundTrip : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(RuleRoundTrip, RuleRecordRuleRecordTextIsStable) {
    std::unique_ptr<CKestFWRule> first = built(GetParam().fill);
    ASSERT_NE(first, nullptr);
    const std::vector<uint8_t> rec1 = serialise(*first);
    std::unique_ptr<CKestFWRule> second = readBack(rec1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->toString(), first->toString());
    const std::vector<uint8_t> rec2 = serialise(*second);
    EXPECT_EQ(rec2, rec1);
    char out[2048];
    ASSERT_EQ(FW_GetRuleString(asRule(rec2), 1, out, sizeof out, 0), 0u);
    EXPECT_EQ(std::string(out), first->toString());
    ASSERT_EQ(FW_GetRuleString(asRule(rec2), 1, out, sizeof out, 1), 0u);
    EXPECT_EQ(std::string(out), first->toString2());
}

INSTANTIATE_TEST_SUITE_P(Rules, RuleRoundTrip, ::testing::ValuesIn(roundTripCases()),
                         ::testing::PrintToStringParamName());

TEST(RuleRecord, FamilyIsMarkedDerivedWhenUnsetAndReadBackOnlyWhenExplicit) {
    auto make = [](bool explicitFamily) {
        return built([explicitFamily](CKestFWRuleBuilder& b) {
            b.setType(true);
            b.setSource(ip4("10.0.0.1"), 32);
            if (explicitFamily) b.setInetAF(false);
            b.setAction(FW_RULE_ACTION_ACCEPT, "");
        });
    };
    const std::vector<uint8_t> derived = serialise(*make(false)), set = serialise(*make(true));
    EXPECT_EQ(derived[1281] & 0x30, 0x10);
    EXPECT_EQ(derived[1283], 0x10);
    EXPECT_EQ(set[1281] & 0x30, 0x10);
    EXPECT_EQ(set[1283], 0x00);
    EXPECT_EQ(readBack(derived)->toString(), "rule 0 at 0 inout protocol any from ip 10.0.0.1 to any accept;");
    EXPECT_EQ(readBack(set)->toString(), "rule 0 at 0 inout inet protocol any from ip 10.0.0.1 to any accept;");
}

const std::string kTcp = "1240: 01; 1280: 80; 1281: 02; 1284: 0600; 1384: 01000000; ";
const std::string kUdp = "1240: 01; 1280: 80; 1281: 02; 1284: 1100; 1384: 01000000; ";
const std::string kIcmp = "1240: 01; 1280: 80; 1281: 02; 1284: 0100; 1384: 01000000; ";

TEST(RuleRecord, KernelMarksAreRead) {
    // Per record: its text and, unless "-", the port and connection blocks it is written back with. A
    // spec of any kind in any slot is read and printed; it is written back only where its kind travels,
    // and always inside its own block.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"1240: 01; 1280: 80; 1281: 02; 1283: 40; 1284: 0600; 1298: 2800 0c00 0204 05b4 0103 0307 0101 0402;"
         "1384: 01000000",
         "# internal # rule 0 at 0 inout protocol " + proto(6) +
             " tcpoptions 0x020405b40103030701010402 from any to any accept;",
         "-"},
        {"1240: 01; 1281: 06; 1384: 43000000", "rule 0 at 0 (s) in protocol any from any to any with L7 copy accept;",
         "-"},
        {kTcp + "588: 2100 1200", "rule 0 at 0 inout protocol " + proto(6) + " from any flag 0x0012 to any accept;",
         ""},
        {kTcp + "1290: 2800 0400 0204 05b4",
         "rule 0 at 0 inout protocol " + proto(6) + " tcpoptions 0x020405b4 from any to any accept;",
         "1298: 2800 0400 0204 05b4"},
        {kIcmp + "626: 3200 02000000 0800",
         "rule 0 at 0 inout protocol " + proto(1) + " from any to any typecode 8:0 accept;", ""},
        {kUdp + "1290: 0800 0035", "rule 0 at 0 inout protocol " + proto(17) + " port 53 from any to any accept;", ""},
    };
    for (const auto& [bytes, text, written] : cases) {
        std::unique_ptr<CKestFWRule> r = readBack(recordOf(bytes));
        ASSERT_NE(r, nullptr) << text;
        EXPECT_EQ(r->toString(), text);
        if (written == "-") continue;
        const std::vector<uint8_t> got = serialise(*r), want = recordOf(written);
        EXPECT_EQ(std::vector<uint8_t>(got.begin() + 588, got.begin() + 664),
                  std::vector<uint8_t>(want.begin() + 588, want.begin() + 664))
            << text;
        EXPECT_EQ(std::vector<uint8_t>(got.begin() + 1286, got.begin() + 1342),
                  std::vector<uint8_t>(want.begin() + 1286, want.begin() + 1342))
            << text;
    }
    // Without the kernel's active bit a time-profile rule reads back inactive.
    std::unique_ptr<CKestFWRule> l7 = readBack(recordOf(goldenCases().back().bytes));
    ASSERT_NE(l7, nullptr);
    EXPECT_NE(l7->toString().find(" inactive "), std::string::npos);
}

TEST(RuleRecord, WriterLeavesCopySampleableInternalAndActiveToTheKernel) {
    CKestFWRule r(7, -1, FW_RULE_DIR_IN, new CKestFWProtocol(true), nullptr, nullptr, nullptr, nullptr, nullptr,
                  nullptr, true, true, true, nullptr, nullptr, nullptr, new CKestFWContainerID("t"), 0, 0, nullptr,
                  nullptr, false, false, 0);
    r.setInternal();
    EXPECT_EQ(r.toString(),
              "# internal # rule 7 (s) in protocol any from any to any with time attribute profile t "
              "with L7 copy accept active;");
    const std::vector<uint8_t> rec = serialise(r);
    EXPECT_EQ(rec[1283], 0x00);
    EXPECT_EQ(rec[1384], 0x10);  // time profile only: no copy, no sampleable, no "none"
}

// Broken records: the factory raises, or answers null when the fields, each valid, do not make a
// rule together; the exported renderer answers with the fault's status.
struct BadRecordCase {
    const char* name;
    std::string bytes;
    FWStatus_t status;
    std::string raised;
};

std::ostream& operator<<(std::ostream& os, const BadRecordCase& c) { return os << c.name; }

class RuleBadRecord : public ::testing::TestWithParam<BadRecordCase> {};

TEST_P(RuleBadRecord, FactoryRefusesAndRendererAnswersTheStatus) {
    // A valid layer-3 accept rule unless the case overwrites it.
    const std::vector<uint8_t> rec = recordOf("1240: 01; 1281: 02; 1384: 01000000;" + GetParam().bytes);
    CKestFWRule* r = nullptr;
    EXPECT_EQ(raised([&] { r = CKestFWRuleFactory::newFromMsgBuf(asRule(rec)); }), GetParam().raised);
    EXPECT_EQ(r, nullptr);
    delete r;
    char out[512] = "untouched";
    EXPECT_EQ(FW_GetRuleString(asRule(rec), 1, out, sizeof out, 0), GetParam().status);
    EXPECT_STREQ(out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleBadRecord,
    ::testing::Values(BadRecordCase{"ActionCodeZero", "1240: 00", 37, "37: invalid rule action: 0"},
                      BadRecordCase{"DirectionThree", "1281: 0e", 42, "42: invalid rule action id: 3"},
                      BadRecordCase{"FamilyThree", "1281: 32", 7, "7: unsupported address family 3"},
                      BadRecordCase{"UnknownSourceType", "1280: 01; 12: 0800", 33, "33: unknown address type: 8"},
                      BadRecordCase{"UnterminatedProfileName", "1384: 08000000; 854: '" + std::string(38, 'a'), 69,
                                    "69: invalid container name: " + std::string(38, 'a') +
                                        "(size: 38greater than max size: 37)"},
                      // A field reaching past its slot is a bad record (4), never a short output (9).
                      BadRecordCase{"PortSpecOverrunsItsSlot", "588: 29", 4,
                                    "9: expect 42 byte in message buffer, but only get 36 bytes"},
                      BadRecordCase{"SNATOnEthertype", "1240: 07; 1281: 00", 7, "no exception"},
                      BadRecordCase{"PortWithoutTcp", "626: 0a00 0050", 7, "no exception"},
                      // A spec whose body is longer than the port block is not read past the block.
                      BadRecordCase{"OptionsInPortBlock", "588: 2900 2800", 4,
                                    "9: expect 42 byte in message buffer, but only get 36 bytes"},
                      BadRecordCase{"ExplicitInetWithIPv6Source", "1281: 12; 1280: 01; 12: 02000000 20010db8", 7,
                                    "7: af conflicts with rule address"}),
    ::testing::PrintToStringParamName());

}  // namespace
