// Protocol specifications one by one: their records against hand-written bytes, reading records back
// (including broken ones), constructor limits, port-set rules and the protocol's text forms.
#include <gtest/gtest.h>
#include <netdb.h>

#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/KestFWException.h"
#include "model/KestFWProtocol.h"
#include "model/KestFWProtocolSpecDSCP.h"
#include "model/KestFWProtocolSpecFactory.h"
#include "model/KestFWProtocolSpecICMPType.h"
#include "model/KestFWProtocolSpecL4Port.h"
#include "model/KestFWProtocolSpecL4PortRange.h"
#include "model/KestFWProtocolSpecL4PortSet.h"
#include "model/KestFWProtocolSpecTCPFlags.h"
#include "model/KestFWProtocolSpecTCPOptions.h"

using namespace KestFirewall;

namespace {

// "0a 00 | 00 50" -> bytes; anything but hex digits separates.
std::vector<uint8_t> hex(const std::string& text) {
    std::vector<uint8_t> out;
    std::string digits;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
}

std::string zeros(unsigned n) {
    std::string s;
    for (unsigned i = 0; i < n; ++i) s += " 00";
    return s;
}

std::vector<uint8_t> record(CKestFWProtocolSpec& spec) {
    std::vector<uint8_t> buf(2 + spec.getMsgSize(), 0xcc);
    unsigned used = 0;
    EXPECT_TRUE(spec.toRecord(buf.data(), static_cast<unsigned>(buf.size()), &used));
    EXPECT_EQ(used, buf.size());
    return buf;
}

using Make = std::function<CKestFWProtocolSpec*()>;

struct RecordCase {
    const char* name;
    Make make;
    std::string bytes;  // header then body
    const char* text;
};

class SpecRecord : public ::testing::TestWithParam<RecordCase> {};

TEST_P(SpecRecord, WritesReadsAndPrints) {
    const RecordCase& c = GetParam();
    std::unique_ptr<CKestFWProtocolSpec> spec(c.make());
    EXPECT_EQ(spec->toString(), c.text);
    const std::vector<uint8_t> expected = hex(c.bytes);
    EXPECT_EQ(record(*spec), expected);

    std::unique_ptr<CKestFWProtocolSpec> back(
        CKestFWProtocolSpecFactory::newFromMsgBuf(expected.data(), static_cast<unsigned>(expected.size())));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->getType(), spec->getType());
    EXPECT_EQ(back->getDir(), spec->getDir());
    EXPECT_EQ(back->toString(), c.text);
    EXPECT_EQ(record(*back), expected);
}

// Header: bits 0..1 direction, bit 2 not, bits 3..10 spec type; ports in network order.
const RecordCase kRecordCases[] = {
    {"Port", [] { return new CKestFWProtocolSpecL4Port(2, 80, false); }, "0a 00 | 00 50", "port 80"},
    {"PortNegatedSource", [] { return new CKestFWProtocolSpecL4Port(1, 443, true); }, "0d 00 | 01 bb",
     "not port 443"},
    {"PortFromText", [] { return new CKestFWProtocolSpecL4Port(0, "65535"); }, "08 00 | ff ff", "port 65535"},
    {"Range", [] { return new CKestFWProtocolSpecL4PortRange(2, 1000, 2000, false); },
     "12 00 | 03 e8 07 d0 00 00", "port 1000-2000"},
    {"RangeOfOnePort", [] { return new CKestFWProtocolSpecL4PortRange(0, 80, 80, false); },
     "10 00 | 00 50 00 50 00 00", "port 80-80"},
    {"RangeFromText", [] { return new CKestFWProtocolSpecL4PortRange(1, "1-1024"); }, "11 00 | 00 01 04 00 00 00",
     "port 1-1024"},
    {"SetPortsAndRange",
     [] {
         auto* s = new CKestFWProtocolSpecL4PortSet(2, false);
         s->addPort(443);
         s->addPortRange(1000, 2000);
         s->addPort(80);
         return s;
     },
     "1a 00 | 04 00 | 03 e8 07 d0 00 50 01 bb" + zeros(22) + " | 01 00 | 00 00", "port {1000-2000, 80, 443}"},
    {"SetRangesByEndNegated",
     [] {
         const unsigned ranges[] = {9u << 16 | 1u, 6u << 16 | 5u};
         auto* s = new CKestFWProtocolSpecL4PortSet(1, ranges, 2, true);
         s->addPort(7);
         return s;
     },
     "1d 00 | 05 00 | 00 05 00 06 00 01 00 09 00 07" + zeros(20) + " | 05 00 | 00 00", "not port {5-6, 1-9, 7}"},
    {"SetFromText", [] { return new CKestFWProtocolSpecL4PortSet(2, "22,\t23 100-200"); },
     "1a 00 | 04 00 | 00 64 00 c8 00 16 00 17" + zeros(22) + " | 01 00 | 00 00", "port {100-200, 22, 23}"},
    {"SetFull",
     [] {
         auto* s = new CKestFWProtocolSpecL4PortSet(2, false);
         for (unsigned short p = 1; p <= 15; ++p) s->addPort(p);
         return s;
     },
     "1a 00 | 0f 00 | 00 01 00 02 00 03 00 04 00 05 00 06 00 07 00 08 00 09 00 0a 00 0b 00 0c 00 0d 00 0e 00 0f"
     " | 00 00 | 00 00",
     "port {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}"},
    {"FlagsSynAckNs", [] { return new CKestFWProtocolSpecTCPFlags(0, 0x112, false); }, "20 00 | 12 01 00 00 00 00",
     "flag 0x0112"},
    {"FlagsNegated", [] { return new CKestFWProtocolSpecTCPFlags(0, 1, true); }, "24 00 | 01 00 00 00 00 00",
     "not flag 0x0001"},
    {"Options",
     [] {
         const unsigned char mss[] = {0x02, 0x04, 0x05, 0xb4};
         return new CKestFWProtocolSpecTCPOptions(0, mss, 4, false);
     },
     "28 00 | 04 00 | 02 04 05 b4" + zeros(36), "tcpoptions 0x020405b4"},
    {"OptionsFull",
     [] {
         unsigned char b[40];
         for (unsigned i = 0; i < 40; ++i) b[i] = static_cast<unsigned char>(i + 1);
         return new CKestFWProtocolSpecTCPOptions(2, b, 40, true);
     },
     "2e 00 | 28 00 | 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e"
     " 1f 20 21 22 23 24 25 26 27 28",
     "not tcpoptions 0x0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f2021222324252627"
     "28"},
    {"OptionsEmpty", [] { return new CKestFWProtocolSpecTCPOptions(0, nullptr, 0, false); }, "28 00" + zeros(42),
     "tcpoptions 0x"},
    {"IcmpType", [] { return new CKestFWProtocolSpecICMPType(0, 8, false); }, "30 00 | 01 00 00 00 08 00",
     "icmptype 8"},
    {"IcmpTypeCodeNegated", [] { return new CKestFWProtocolSpecICMPType(0, 3, 4, true); },
     "34 00 | 03 00 00 00 03 04", "not typecode 3:4"},
    {"IcmpTypeCodeZero", [] { return new CKestFWProtocolSpecICMPType(0, 0, 0, false); },
     "30 00 | 03 00 00 00 00 00", "typecode 0:0"},
};

INSTANTIATE_TEST_SUITE_P(Kinds, SpecRecord, ::testing::ValuesIn(kRecordCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Records the factory refuses, or answers with null.
struct BadRecordCase {
    const char* name;
    std::string bytes;
    FWStatus_t code;  // 0: null result expected
    const char* message;
};

class SpecBadRecord : public ::testing::TestWithParam<BadRecordCase> {};

TEST_P(SpecBadRecord, RaisesCleanly) {
    const BadRecordCase& c = GetParam();
    const std::vector<uint8_t> bytes = hex(c.bytes);
    if (c.code == 0) {
        EXPECT_EQ(CKestFWProtocolSpecFactory::newFromMsgBuf(bytes.data(), static_cast<unsigned>(bytes.size())),
                  nullptr);
        return;
    }
    try {
        std::unique_ptr<CKestFWProtocolSpec> s(
            CKestFWProtocolSpecFactory::newFromMsgBuf(bytes.data(), static_cast<unsigned>(bytes.size())));
        FAIL() << "no exception, got " << (s ? s->toString() : "null");
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), c.code);
        EXPECT_STREQ(e.what(), c.message);
    }
}

const BadRecordCase kBadRecords[] = {
    {"OneByte", "0a", 0, ""},
    {"SpecTypeZero", "00 00 00 50", 0, ""},
    {"SpecTypeSeven", "38 00" + zeros(56), 43, "unknown protocol spec type: 7"},
    {"SpecTypeMax", "f8 07" + zeros(56), 43, "unknown protocol spec type: 255"},
    {"PortWithoutBody", "0a 00 | 00", 9, "expect 2 byte in message buffer, but only get 1 bytes"},
    {"SetBodyShort", "1a 00" + zeros(35), 9, "expect 36 byte in message buffer, but only get 35 bytes"},
    {"OptionsBodyShort", "28 00" + zeros(41), 9, "expect 42 byte in message buffer, but only get 41 bytes"},
    {"DirectionThree", "0b 00 | 00 50", 43, "invalid protocol spec dir (0-2): 3"},
    {"ReversedRange", "12 00 | 01 bb 00 50 00 00", 38, "invalid TCP/UDP port range: 443 - 80"},
    {"OptionsTooLong", "28 00 | 29 00" + zeros(40), 41, "TCP options is too long: 41"},
    {"SetRangeWithoutEnd", "1a 00 | 01 00 | 00 50" + zeros(28) + " | 01 00 | 00 00", 38,
     "invalid TCP/UDP port: 80"},
    {"SetRangeEndIsRangeStart", "1a 00 | 03 00 | 00 10 00 20 00 30" + zeros(24) + " | 03 00 | 00 00", 38,
     "invalid TCP/UDP port: 16"},
    {"SetReversedRange", "1a 00 | 02 00 | 00 20 00 10" + zeros(26) + " | 01 00 | 00 00", 38,
     "invalid TCP/UDP port: 32"},
};

INSTANTIATE_TEST_SUITE_P(Records, SpecBadRecord, ::testing::ValuesIn(kBadRecords),
                         [](const auto& info) { return std::string(info.param.name); });

// Constructor and port-set limits.
struct LimitCase {
    const char* name;
    std::function<void()> act;
    FWStatus_t code;
    const char* message;
};

class SpecLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(SpecLimit, RaisesWithCodeAndMessage) {
    const LimitCase& c = GetParam();
    try {
        c.act();
        FAIL() << "no exception";
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), c.code);
        EXPECT_STREQ(e.what(), c.message);
    }
}

std::string ports(unsigned n, unsigned first = 1) {
    std::string s;
    for (unsigned i = 0; i < n; ++i) s += (i ? "," : "") + std::to_string(first + i);
    return s;
}

const LimitCase kLimits[] = {
    {"FlagsOf512", [] { CKestFWProtocolSpecTCPFlags(0, 512, false); }, 40, "invalid TCP flags: 0x0200"},
    {"OptionsOf41", [] { unsigned char b[41] = {}; CKestFWProtocolSpecTCPOptions(0, b, 41, false); }, 41,
     "TCP options is too long: 41"},
    {"ReversedRange", [] { CKestFWProtocolSpecL4PortRange(2, 443, 80, false); }, 38,
     "invalid TCP/UDP port range: 443 - 80"},
    {"RangeTextOfOnePort", [] { CKestFWProtocolSpecL4PortRange(2, "80-80"); }, 38,
     "invalid TCP/UDP port range: 80-80"},
    {"PortText", [] { CKestFWProtocolSpecL4Port(2, "80x"); }, 38, "invalid TCP/UDP port: 80x"},
    {"PortTextTooBig", [] { CKestFWProtocolSpecL4Port(2, "65536"); }, 38, "invalid TCP/UDP port: 65536"},
    {"DirectionThree", [] { CKestFWProtocolSpecL4Port(3, 80, false); }, 43, "invalid protocol spec dir (0-2): 3"},
    {"Dscp64", [] { CKestFWProtocolSpecDSCP(64); }, 60, "bad dscp markings"},
    {"SetTextSixteenPorts", [] { CKestFWProtocolSpecL4PortSet(2, ports(16).c_str()); }, 39,
     "too many TCP/UDP port: 16"},
    {"SetTextSevenRangesTwoPorts",
     [] { CKestFWProtocolSpecL4PortSet(2, "1-2,3-4,5-6,7-8,9-10,11-12,13-14,15,16"); }, 39,
     "too many TCP/UDP port: 16"},
    {"SetTextRangePastLimit", [] { CKestFWProtocolSpecL4PortSet(2, (ports(14) + ",100-200").c_str()); }, 39,
     "too many TCP/UDP port: 16"},
    {"SetTextBadToken", [] { CKestFWProtocolSpecL4PortSet(2, "80, http, 443"); }, 38,
     "invalid TCP/UDP port: 80, http, 443"},
    {"SetTextRangeOfOnePort", [] { CKestFWProtocolSpecL4PortSet(2, "80-80"); }, 38, "invalid TCP/UDP port: 80-80"},
    {"SetEightPackedRanges",
     [] {
         const unsigned r[8] = {1u << 16, 2u << 16, 3u << 16, 4u << 16, 5u << 16, 6u << 16, 7u << 16, 8u << 16};
         CKestFWProtocolSpecL4PortSet(2, r, 8, false);
     },
     39, "too many TCP/UDP port: 8"},
    {"SetSixteenRecordSlots",
     [] {
         const unsigned short slots[16] = {};
         CKestFWProtocolSpecL4PortSet(2, slots, 16, 0, false);
     },
     39, "too many TCP/UDP port: 16"},
    {"AddPortToFullSet",
     [] {
         CKestFWProtocolSpecL4PortSet s(2, ports(15).c_str());
         s.addPort(3);  // even a port already held needs a free slot first
     },
     39, "too many TCP/UDP port: 16"},
    {"AddRangeWithOneSlotLeft",
     [] {
         CKestFWProtocolSpecL4PortSet s(2, ports(14).c_str());
         s.addPortRange(100, 200);
     },
     39, "too many TCP/UDP port: 16"},
    {"AddSetsOverLimit",
     [] {
         CKestFWProtocolSpecL4PortSet a(2, ports(10).c_str()), b(2, ports(6, 100).c_str());
         a.addPortSet(&b);
     },
     39, "too many TCP/UDP port: 16"},
    {"UndefinedNegatedProtocol", [] { CKestFWProtocol(false, 6, true, true); }, 7,
     "protocol is not defined but not protocol flag is set"},
};

INSTANTIATE_TEST_SUITE_P(Constructors, SpecLimit, ::testing::ValuesIn(kLimits),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PortSet, LimitsThatAreAccepted) {
    EXPECT_EQ(CKestFWProtocolSpecL4PortSet(2, ports(15).c_str()).slotsUsed(), 15u);
    CKestFWProtocolSpecL4PortSet sevenAndOne(2, "1-2,3-4,5-6,7-8,9-10,11-12,13-14,15");
    EXPECT_EQ(sevenAndOne.slotsUsed(), 15u);
    EXPECT_EQ(sevenAndOne.toString(), "port {1-2, 3-4, 5-6, 7-8, 9-10, 11-12, 13-14, 15}");
    EXPECT_EQ(CKestFWProtocolSpecDSCP(63).toString(), "dscp 63");
    EXPECT_EQ(CKestFWProtocolSpecTCPFlags(0, 511, false).getFlags(), 511);
}

TEST(PortSet, DuplicatesAndOverlaps) {
    CKestFWProtocolSpecL4PortSet s(2, false);
    EXPECT_EQ(s.toString(), "");
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
    for (const char* text : {"1000-2000, 80, 443", "5-6, 1-9, 7", "0", "65535", "1-65535"}) {
        std::unique_ptr<CKestFWProtocolSpec> first;
        const std::string t(text);
        if (t.find(',') != std::string::npos) first.reset(new CKestFWProtocolSpecL4PortSet(2, text));
        else if (t.find('-') != std::string::npos) first.reset(new CKestFWProtocolSpecL4PortRange(2, text));
        else first.reset(new CKestFWProtocolSpecL4Port(2, text));
        const std::string printed = first->toString();
        std::string body = printed.substr(5);  // after "port "
        if (body.front() == '{') body = body.substr(1, body.size() - 2);
        std::unique_ptr<CKestFWProtocolSpec> again;
        if (first->getType() == kObjTypeL4PortSet) again.reset(new CKestFWProtocolSpecL4PortSet(2, body.c_str()));
        else if (first->getType() == kObjTypeL4PortRange)
            again.reset(new CKestFWProtocolSpecL4PortRange(2, body.c_str()));
        else again.reset(new CKestFWProtocolSpecL4Port(2, body.c_str()));
        EXPECT_EQ(again->toString(), printed);
        EXPECT_EQ(record(*again), record(*first));
    }
}

TEST(SpecBody, RefusesSmallBuffersWithoutWriting) {
    CKestFWProtocolSpecL4PortSet s(2, "80");
    std::vector<uint8_t> buf(36, 0xcc);
    unsigned used = 99;
    EXPECT_FALSE(s.toMessage(buf.data(), 35, &used));
    EXPECT_EQ(used, 99u);
    EXPECT_EQ(buf, std::vector<uint8_t>(36, 0xcc));
    EXPECT_FALSE(s.toRecord(buf.data(), 37, &used));
    EXPECT_EQ(buf, std::vector<uint8_t>(36, 0xcc));
}

struct ProtocolTextCase {
    const char* name;
    std::function<CKestFWProtocol()> make;
    std::string text, report;
};

class ProtocolText : public ::testing::TestWithParam<ProtocolTextCase> {};

TEST_P(ProtocolText, Prints) {
    const ProtocolTextCase& c = GetParam();
    CKestFWProtocol p = c.make();
    EXPECT_EQ(p.toString(), c.text);
    EXPECT_EQ(p.toString2(), c.report);
    unsigned used = 7;
    EXPECT_EQ(p.getMsgSize(), 0u);
    EXPECT_TRUE(p.toMessage(nullptr, 0, &used));
    EXPECT_EQ(used, 0u);
}

// Names come from the machine's protocol database; a number without a name prints as itself.
std::string dbName(int n) {
    const protoent* e = getprotobynumber(n);
    return e ? e->p_name : std::to_string(n);
}

const ProtocolTextCase kProtocolTexts[] = {
    {"IpAny", [] { return CKestFWProtocol(true); }, "protocol any", "Protocol : any"},
    {"EtherAny", [] { return CKestFWProtocol(false); }, "ethertype any", "Ethertype : any"},
    {"Tcp", [] { return CKestFWProtocol(true, 6, false); }, "protocol " + dbName(6), "Protocol : " + dbName(6)},
    {"NotUdp", [] { return CKestFWProtocol(true, 6 + 11, true); }, "not protocol " + dbName(17),
     "not Protocol : " + dbName(17)},
    {"Unnamed", [] { return CKestFWProtocol(true, 254, false); }, "protocol " + dbName(254),
     "Protocol : " + dbName(254)},
    {"Ipv4Ethertype", [] { return CKestFWProtocol(true, 0x0800, false, false); }, "ethertype 0x0800",
     "Ethertype : 0x0800"},
    {"NotIpv6Ethertype", [] { return CKestFWProtocol(false, 0x86dd, true); }, "not ethertype 0x86dd",
     "not Ethertype : 0x86dd"},
    {"UndefinedFourArgs", [] { return CKestFWProtocol(false, 6, true, false); }, "protocol any", "Protocol : any"},
};

INSTANTIATE_TEST_SUITE_P(Forms, ProtocolText, ::testing::ValuesIn(kProtocolTexts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProtocolNames, EveryPrintedNameReadsBack) {
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
    CKestFWProtocol p(true);
    p.setProtocol(6, true);
    EXPECT_TRUE(p.isDefined());
    EXPECT_EQ(p.toString(), "not protocol " + dbName(6));
}

}  // namespace
