// Protocol specs one by one: their records against hand-written bytes, reading records back
// (including broken ones), constructor limits, port-set rules and the protocol's text forms.
#include <gtest/gtest.h>
#include <netdb.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/KestFWProtocol.h"
#include "model/KestFWProtocolSpecDSCP.h"
#include "model/KestFWProtocolSpecFactory.h"
#include "model/KestFWProtocolSpecICMPType.h"
#include "model/KestFWProtocolSpecL4Port.h"
#include "model/KestFWProtocolSpecL4PortRange.h"
#include "model/KestFWProtocolSpecL4PortSet.h"
#include "model/KestFWProtocolSpecTCPFlags.h"
#include "model/KestFWProtocolSpecTCPOptions.h"
#include "support/RecordBytes.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

std::vector<uint8_t> record(CKestFWProtocolSpec& spec) {
    std::vector<uint8_t> buf(2 + spec.getMsgSize(), 0xcc);
    unsigned used = 0;
    EXPECT_TRUE(spec.toRecord(buf.data(), static_cast<unsigned>(buf.size()), &used));
    EXPECT_EQ(used, buf.size());
    return buf;
}

CKestFWProtocolSpec* fromRecord(const std::vector<uint8_t>& bytes) {
    return CKestFWProtocolSpecFactory::newFromMsgBuf(bytes.data(), static_cast<unsigned>(bytes.size()));
}

struct RecordCase {
    const char* name;
    std::function<CKestFWProtocolSpec*()> make;
    std::string bytes;  // header then body
    std::string text;
};

std::ostream& operator<<(std::ostream& os, const RecordCase& c) { return os << c.name; }

class SpecRecord : public ::testing::TestWithParam<RecordCase> {};

TEST_P(SpecRecord, WritesReadsAndPrints) {
    const RecordCase& c = GetParam();
    std::unique_ptr<CKestFWProtocolSpec> spec(c.make());
    EXPECT_EQ(spec->toString(), c.text);
    const std::vector<uint8_t> expected = hex(c.bytes);
    EXPECT_EQ(record(*spec), expected);
    std::unique_ptr<CKestFWProtocolSpec> back(fromRecord(expected));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->toString(), c.text);
    EXPECT_EQ(record(*back), expected);
}

std::vector<unsigned char> counting(unsigned n) {
    std::vector<unsigned char> v(n);
    for (unsigned i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i + 1);
    return v;
}

CKestFWProtocolSpecL4PortSet* portSet(const char* text, unsigned short extraPort) {
    auto* s = new CKestFWProtocolSpecL4PortSet(2, text);
    s->addPort(extraPort);
    return s;
}

// Header: bits 0..1 direction, bit 2 not, bits 3..10 spec type; ports in network order.
const RecordCase kRecordCases[] = {
    {"PortNegatedSource", mk<CKestFWProtocolSpecL4Port>(1, 443, true), "0d 00 | 01 bb", "not port 443"},
    {"Range", mk<CKestFWProtocolSpecL4PortRange>(2, 1000, 2000, false), "12 00 | 03 e8 07 d0 00 00", "port 1000-2000"},
    // Ranges first, then the single ports in ascending order.
    {"SetPortsAndRange", [] { return portSet("443,\t1000-2000", 80); },
     "1a 00 | 04 00 | 03 e8 07 d0 00 50 01 bb" + zeros(22) + " | 01 00 | 00 00", "port {1000-2000, 80, 443}"},
    {"SetRangesByEndNegated",
     [] {
         const unsigned ranges[] = {9u << 16 | 1u, 6u << 16 | 5u};
         auto* s = new CKestFWProtocolSpecL4PortSet(1, ranges, 2, true);
         s->addPort(7);
         return s;
     },
     "1d 00 | 05 00 | 00 05 00 06 00 01 00 09 00 07" + zeros(20) + " | 05 00 | 00 00", "not port {5-6, 1-9, 7}"},
    {"SetFull", [] { return portSet("1 2 3 4 5 6 7 8 9 10 11 12 13 14", 15); },
     "1a 00 | 0f 00 | 00 01 00 02 00 03 00 04 00 05 00 06 00 07 00 08 00 09 00 0a 00 0b 00 0c 00 0d 00 0e 00 0f"
     " | 00 00 | 00 00",
     "port {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}"},
    {"FlagsSynAckNs", mk<CKestFWProtocolSpecTCPFlags>(0, 0x112, false), "20 00 | 12 01 00 00 00 00", "flag 0x0112"},
    {"OptionsFull", [] { return new CKestFWProtocolSpecTCPOptions(2, counting(40).data(), 40, true); },
     "2e 00 | 28 00 | 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e"
     " 1f 20 21 22 23 24 25 26 27 28",
     "not tcpoptions 0x0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f202122232425262728"},
    {"IcmpTypeCodeNegated", mk<CKestFWProtocolSpecICMPType>(0, 3, 4, true), "34 00 | 03 00 00 00 03 04",
     "not typecode 3:4"},
};

INSTANTIATE_TEST_SUITE_P(Kinds, SpecRecord, ::testing::ValuesIn(kRecordCases), ::testing::PrintToStringParamName());

// Broken records and constructor limits raise with their status and message.
struct RefusalCase {
    const char* name;
    std::function<void()> act;
    std::string raised;
};

std::ostream& operator<<(std::ostream& os, const RefusalCase& c) { return os << c.name; }

class SpecRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(SpecRefusal, Raises) { EXPECT_EQ(raised(GetParam().act), GetParam().raised); }

std::function<void()> read(const std::string& bytes) {
    return [=] { delete fromRecord(hex(bytes)); };
}

std::string ports(unsigned n, unsigned first = 1) {
    std::string s;
    for (unsigned i = 0; i < n; ++i) s += (i ? "," : "") + std::to_string(first + i);
    return s;
}

const std::string kTooMany = "39: too many TCP/UDP port: 16";
const RefusalCase kRefusals[] = {
    {"RecordSpecTypeSeven", read("38 00" + zeros(56)), "43: unknown protocol spec type: 7"},
    {"RecordOptionsBodyShort", read("28 00" + zeros(41)), "9: expect 42 byte in message buffer, but only get 41 bytes"},
    {"RecordDirectionThree", read("0b 00 | 00 50"), "43: invalid protocol spec dir (0-2): 3"},
    {"RecordReversedRange", read("12 00 | 01 bb 00 50 00 00"), "38: invalid TCP/UDP port range: 443 - 80"},
    {"RecordOptionsTooLong", read("28 00 | 29 00" + zeros(40)), "41: TCP options is too long: 41"},
    {"RecordSetRangeWithoutEnd", read("1a 00 | 01 00 | 00 50" + zeros(28) + " | 01 00 | 00 00"),
     "38: invalid TCP/UDP port: 80"},
    {"RecordSetReversedRange", read("1a 00 | 02 00 | 00 20 00 10" + zeros(26) + " | 01 00 | 00 00"),
     "38: invalid TCP/UDP port: 32"},
    {"FlagsOf512", [] { CKestFWProtocolSpecTCPFlags(0, 512, false); }, "40: invalid TCP flags: 0x0200"},
    {"OptionsOf41", [] { CKestFWProtocolSpecTCPOptions(0, counting(41).data(), 41, false); },
     "41: TCP options is too long: 41"},
    {"RangeTextOfOnePort", [] { CKestFWProtocolSpecL4PortRange(2, "80-80"); }, "38: invalid TCP/UDP port range: 80-80"},
    {"PortText", [] { CKestFWProtocolSpecL4Port(2, "80x"); }, "38: invalid TCP/UDP port: 80x"},
    {"Dscp64", [] { CKestFWProtocolSpecDSCP(64); }, "7: bad dscp markings"},
    {"SetTextBadToken", [] { CKestFWProtocolSpecL4PortSet(2, "80, http, 443"); },
     "38: invalid TCP/UDP port: 80, http, 443"},
    {"SetEightPackedRanges",
     [] {
         const unsigned r[8] = {1u << 16, 2u << 16, 3u << 16, 4u << 16, 5u << 16, 6u << 16, 7u << 16, 8u << 16};
         CKestFWProtocolSpecL4PortSet(2, r, 8, false);
     },
     "39: too many TCP/UDP port: 8"},
    {"SetSixteenRecordSlots",
     [] { CKestFWProtocolSpecL4PortSet(2, std::vector<unsigned short>(16).data(), 16, 0, false); }, kTooMany},
    // Even a port already held needs a free slot first.
    {"AddPortToFullSet", [] { CKestFWProtocolSpecL4PortSet(2, ports(15).c_str()).addPort(3); }, kTooMany},
    {"AddSetsOverLimit",
     [] {
         CKestFWProtocolSpecL4PortSet a(2, ports(10).c_str()), b(2, ports(6, 100).c_str());
         a.addPortSet(&b);
     },
     kTooMany},
    {"UndefinedNegatedProtocol", [] { CKestFWProtocol(false, 6, true, true); },
     "7: protocol is not defined but not protocol flag is set"},
};

INSTANTIATE_TEST_SUITE_P(Specs, SpecRefusal, ::testing::ValuesIn(kRefusals), ::testing::PrintToStringParamName());

TEST(SpecRecord, TooShortOrTypeZeroIsNoSpec) {
    EXPECT_EQ(fromRecord(hex("0a")), nullptr);
    EXPECT_EQ(fromRecord(hex("00 00 00 50")), nullptr);
}

TEST(PortSet, LimitsThatAreAcceptedDuplicatesAndOverlaps) {
    EXPECT_EQ(CKestFWProtocolSpecDSCP(63).toString(), "dscp 63");
    EXPECT_EQ(CKestFWProtocolSpecTCPFlags(0, 511, false).getFlags(), 511);

    CKestFWProtocolSpecL4PortSet s(2, false);
    EXPECT_TRUE(s.addPort(80));
    EXPECT_FALSE(s.addPort(80));
    EXPECT_TRUE(s.addPortRange(70, 90));
    EXPECT_FALSE(s.addPortRange(90u << 16 | 70u));
    EXPECT_EQ(s.slotsUsed(), 3u);  // a port inside a held range is kept all the same
    CKestFWProtocolSpecL4PortSet other(2, "80 70-90 443");
    EXPECT_TRUE(s.addPortSet(&other));  // 3 + 4 slots fit; duplicates are skipped
    EXPECT_EQ(s.toString(), "port {70-90, 80, 443}");
    EXPECT_EQ(CKestFWProtocolSpecL4PortSet(2, true).toString(), "");  // an empty set prints nothing, "not" neither
}

// Printed port texts read back into the same protocol spec.
TEST(PortText, PrintedFormReadsBack) {
    const std::vector<std::function<CKestFWProtocolSpec*(const char*)>> kinds = {
        [](const char* t) { return new CKestFWProtocolSpecL4Port(2, t); },
        [](const char* t) { return new CKestFWProtocolSpecL4PortRange(2, t); },
        [](const char* t) { return new CKestFWProtocolSpecL4PortSet(2, t); }};
    const std::pair<int, const char*> cases[] = {{0, "0"}, {0, "65535"}, {1, "1-65535"}, {2, "1000-2000, 80, 443"}};
    for (const auto& c : cases) {
        std::unique_ptr<CKestFWProtocolSpec> first(kinds[c.first](c.second));
        std::string body = first->toString().substr(5);  // after "port "
        if (body.front() == '{') body = body.substr(1, body.size() - 2);
        EXPECT_EQ(body, c.second);
        std::unique_ptr<CKestFWProtocolSpec> again(kinds[c.first](body.c_str()));
        EXPECT_EQ(record(*again), record(*first));
    }
}

TEST(SpecBody, RefusesSmallBuffersWithoutWriting) {
    CKestFWProtocolSpecL4PortSet s(2, "80");
    std::vector<uint8_t> buf(36, 0xcc);
    unsigned used = 99;
    EXPECT_FALSE(s.toMessage(buf.data(), 35, &used));
    EXPECT_EQ(used, 99u);
    EXPECT_FALSE(s.toRecord(buf.data(), 37, &used));
    EXPECT_EQ(buf, std::vector<uint8_t>(36, 0xcc));
}

// Names come from the machine's protocol database; a number without a name prints as itself.
std::string dbName(int n) {
    const protoent* e = getprotobynumber(n);
    return e ? e->p_name : std::to_string(n);
}

TEST(Protocol, TextAndReportForms) {
    const struct {
        CKestFWProtocol p;
        std::string text;
    } cases[] = {
        {CKestFWProtocol(false), "ethertype any|Ethertype : any"},
        {CKestFWProtocol(true, 17, true), "not protocol " + dbName(17) + "|not Protocol : " + dbName(17)},
        {CKestFWProtocol(true, 254, false), "protocol " + dbName(254) + "|Protocol : " + dbName(254)},
        {CKestFWProtocol(false, 6, true, false), "protocol any|Protocol : any"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.p.toString() + "|" + c.p.toString2(), c.text);
}

TEST(Protocol, EveryPrintedNameReadsBack) {
    for (unsigned n = 0; n < 256; ++n) {
        const std::string name = CKestFWProtocol::protocolName(n);
        if (name == std::to_string(n)) continue;  // no database name: printed as the number
        unsigned short back = 0xffff;
        ASSERT_TRUE(CKestFWProtocol::protocolNumber(name.c_str(), &back)) << name;
        EXPECT_EQ(back, n) << name;
    }
    unsigned short v = 7;
    EXPECT_FALSE(CKestFWProtocol::protocolNumber("no-such-protocol", &v));
    EXPECT_EQ(v, 7);
}

}  // namespace
