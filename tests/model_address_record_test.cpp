// The 144-byte address record: exact bytes of every form (written by hand from the record layout),
// what toMessage leaves alone, and how the factory treats records it must refuse.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "frame/KestFWException.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddressAny.h"
#include "model/KestFWAddressEther.h"
#include "model/KestFWAddressEtherMask.h"
#include "model/KestFWAddressEtherRange.h"
#include "model/KestFWAddressFactory.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv4CIDR.h"
#include "model/KestFWAddressIPv4Range.h"
#include "model/KestFWAddressIPv6.h"
#include "model/KestFWAddressIPv6CIDR.h"
#include "model/KestFWAddressIPv6Range.h"
#include "model/KestFWAttr.h"

using namespace KestFirewall;

namespace {

// Bytes a record buffer holds before toMessage runs; every byte the form does not name must keep it.
constexpr uint8_t kFill = 0xA5;

using Bytes = std::vector<uint8_t>;
struct Field {
    size_t off;
    Bytes bytes;
};

Bytes zeros(size_t n) { return Bytes(n, 0); }
Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes text(const char* s, size_t width) {
    Bytes b(width, 0);
    memcpy(b.data(), s, strlen(s));
    return b;
}

struct GoldenCase {
    const char* name;
    std::function<CKestFWAddress*(bool negate)> make;
    uint8_t type;  // low byte of the u16 type code; the high byte is 0 for every form
    std::vector<Field> body;
    bool factoryReads;  // the address factory builds this form from its record
    // Wording after the record trip when it differs (networks lose their host bits on the wire).
    const char* readBack = nullptr;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

std::string PrintName(const testing::TestParamInfo<std::tuple<GoldenCase, bool>>& info) {
    return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_not" : "");
}

const std::vector<GoldenCase>& goldenCases() {
    static const std::vector<GoldenCase> cases = {
        {"any", [](bool n) { return new CKestFWAddressAny(n); }, 0, {}, true},
        {"ipv4", [](bool n) { return new CKestFWAddressIPv4("10.1.2.3", n); }, 1, {{4, {0x0a, 0x01, 0x02, 0x03}}},
         true},
        {"ipv6",
         [](bool n) { return new CKestFWAddressIPv6("2001:db8::1", n); },
         2,
         {{4, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01}}},
         true},
        {"ipv4_range",
         [](bool n) { return new CKestFWAddressIPv4Range("10.0.0.1-10.0.1.9", n); },
         3,
         {{4, {0x0a, 0, 0, 0x01, 0x0a, 0, 0x01, 0x09}}},
         true},
        {"ipv6_range",
         [](bool n) { return new CKestFWAddressIPv6Range("2001:db8::1-2001:db8::1:ff", n); },
         4,
         {{4, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01}},
          {20, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0, 0xff}}},
         true},
        // Host bits are cleared on the wire; the prefix follows the network.
        {"ipv4_cidr",
         [](bool n) { return new CKestFWAddressIPv4CIDR("10.20.30.45/20", n); },
         5,
         {{4, {0x0a, 0x14, 0x10, 0x00, 20}}},
         true,
         "ip 10.20.16.0/20"},
        {"ipv6_cidr",
         [](bool n) { return new CKestFWAddressIPv6CIDR("2001:db8:abcd:ef01::1/36", n); },
         6,
         {{4, {0x20, 0x01, 0x0d, 0xb8, 0xa0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 36}}},
         true,
         "ip 2001:db8:a000::/36"},
        {"ether",
         [](bool n) { return new CKestFWAddressEther("00:11:22:aa:bb:cc", n); },
         7,
         {{4, {0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc}}},
         true},
        {"ether_range",
         [](bool n) { return new CKestFWAddressEtherRange("01:02:03:04:05:06-02:02:03:04:05:06", n); },
         8,
         {{4, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x02, 0x02, 0x03, 0x04, 0x05, 0x06}}},
         false},
        {"ether_mask",
         [](bool n) { return new CKestFWAddressEtherMask("aa:bb:cc:dd:ee:ff/ff:ff:ff:00:00:00", n); },
         9,
         {{4, {0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00}}},
         true},
        {"addrset", [](bool n) { return new CKestFWAddrSetID("web", n); }, 11, {{4, text("web", 38)}}, true},
        // Integer matches write the whole body 4..142: id, value type, 4 unused bytes, the value.
        {"attr_int",
         [](bool n) { return new CKestFWAttrInt(0, INT64_C(-2), n); },
         12,
         {{4, cat(cat({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0xfe, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}),
                  zeros(119))}},
         true},
        {"attr_uint",
         [](bool n) { return new CKestFWAttrUInt(10, "72623859790382856", n); },
         13,
         {{4, cat(cat({10, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}),
                  zeros(119))}},
         true},
        // String and SID matches leave the value-type word (8..11) as the buffer holds it.
        {"attr_string",
         [](bool n) { return new CKestFWAttrString(5, "GET", n); },
         14,
         {{4, {5, 0, 0, 0}}, {12, text("GET", 131)}},
         true},
        {"attr_sid",
         [](bool n) {
             CKestFWAddress* a = CKestFWAddressFactory::newFromString(FW_ADDRSET_SID_ADDRESS, "S-1-5-21-1");
             if (n) {
                 delete a;
                 a = new CKestFWAttrSID(8, "S-1-5-21-1", true);
             }
             return a;
         },
         15,
         {{4, {8, 0, 0, 0}}, {12, {'S', '-', '1', '-', '5', '-', '2', '1', '-', '1'}}, {22, zeros(66)}},
         true},
    };
    return cases;
}

Bytes expectedRecord(const GoldenCase& c, bool negate) {
    Bytes rec(144, kFill);
    rec[0] = c.type;
    rec[1] = 0;
    rec[2] = negate ? 0xA5 : 0xA4;  // bit 0 is "not"; the other bits stay
    for (const Field& f : c.body) memcpy(&rec[f.off], f.bytes.data(), f.bytes.size());
    return rec;
}

class AddressGolden : public testing::TestWithParam<std::tuple<GoldenCase, bool>> {};

TEST_P(AddressGolden, WritesExactRecord) {
    const GoldenCase& c = std::get<0>(GetParam());
    bool negate = std::get<1>(GetParam());
    std::unique_ptr<CKestFWAddress> a(c.make(negate));
    ASSERT_EQ(a->getType(), c.type);
    ASSERT_EQ(a->getMsgSize(), 144u);

    Bytes buf(150, kFill);
    unsigned used = 0;
    ASSERT_TRUE(a->toMessage(buf.data(), 144, &used));
    EXPECT_EQ(used, 144u);
    Bytes want = expectedRecord(c, negate);
    EXPECT_EQ(Bytes(buf.begin(), buf.begin() + 144), want);
    EXPECT_EQ(Bytes(buf.begin() + 144, buf.end()), Bytes(6, kFill)) << "wrote past the record";
}

TEST_P(AddressGolden, FactoryReadsRecordBack) {
    const GoldenCase& c = std::get<0>(GetParam());
    bool negate = std::get<1>(GetParam());
    Bytes rec = expectedRecord(c, negate);
    if (!c.factoryReads) {
        try {
            delete CKestFWAddressFactory::newFromMsgBuf(reinterpret_cast<const FWAddress_*>(rec.data()));
            FAIL() << "factory built a form it does not read";
        } catch (const CInvalidAddressException& e) {
            EXPECT_EQ(std::string(e.what()), "unknown address type: " + std::to_string(c.type));
        }
        return;
    }
    std::unique_ptr<CKestFWAddress> orig(c.make(negate));
    unsigned used = 99;
    std::unique_ptr<CKestFWAddress> back(CKestFWAddressFactory::newFromMsgBuf(rec.data(), 144, &used));
    ASSERT_TRUE(back);
    EXPECT_EQ(used, 144u);
    EXPECT_EQ(back->getType(), c.type);
    EXPECT_EQ(back->isNegated(), negate);
    if (c.readBack != nullptr) {
        EXPECT_EQ(back->toString(), std::string(negate ? "not " : "") + c.readBack);
    } else {
        EXPECT_EQ(back->toString(), orig->toString());
        EXPECT_FALSE(*back < *orig);
        EXPECT_FALSE(*orig < *back);
    }

    // Written again over the same fill, the record comes out byte for byte.
    Bytes again(144, kFill);
    unsigned n = 0;
    ASSERT_TRUE(back->toMessage(again.data(), 144, &n));
    EXPECT_EQ(again, rec);
}

INSTANTIATE_TEST_SUITE_P(AllForms, AddressGolden, testing::Combine(testing::ValuesIn(goldenCases()), testing::Bool()),
                         PrintName);

TEST(AddressRecord, ShortBufferWritesNothing) {
    CKestFWAddressIPv4 a("10.0.0.1", false);
    Bytes buf(143, kFill);
    unsigned used = 7;
    EXPECT_FALSE(a.toMessage(buf.data(), 143, &used));
    EXPECT_EQ(used, 7u);
    EXPECT_EQ(buf, Bytes(143, kFill));
}

TEST(AddressRecord, NetworkFromTextKeepsHostBitsUntilWritten) {
    CKestFWAddressIPv4CIDR a("10.0.0.5/24", false);
    EXPECT_EQ(a.toString(), "ip 10.0.0.5/24");
    FWAddress_ rec;
    memset(&rec, 0, sizeof rec);
    ASSERT_TRUE(a.toMessage(&rec, sizeof rec, nullptr));
    EXPECT_EQ(rec.body[0], 10);
    EXPECT_EQ(rec.body[3], 0);
    EXPECT_EQ(rec.body[4], 24);
    std::unique_ptr<CKestFWAddress> back(CKestFWAddressFactory::newFromMsgBuf(&rec));
    EXPECT_EQ(back->toString(), "ip 10.0.0.0/24");
}

TEST(AddressRecord, FactoryNeedsAWholeRecord) {
    Bytes rec(144, 0);
    rec[0] = 1;
    unsigned used = 5;
    EXPECT_EQ(CKestFWAddressFactory::newFromMsgBuf(rec.data(), 143, &used), nullptr);
    EXPECT_EQ(used, 0u);
    // A record at an odd address reads the same as an aligned one.
    Bytes shifted(145, 0);
    memcpy(shifted.data() + 1, rec.data(), 144);
    std::unique_ptr<CKestFWAddress> a(CKestFWAddressFactory::newFromMsgBuf(shifted.data() + 1, 144, &used));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->toString(), "ip 0.0.0.0");
}

TEST(AddressRecord, SidListCodeReadsAsSidMatch) {
    Bytes rec(144, 0);
    rec[0] = 18;
    rec[4] = 8;
    memcpy(&rec[12], "S-1-5-32-544", 12);
    std::unique_ptr<CKestFWAddress> a(CKestFWAddressFactory::newFromMsgBuf(reinterpret_cast<FWAddress_*>(rec.data())));
    EXPECT_EQ(a->getType(), 15u);
    EXPECT_EQ(a->toString(), "sid attr S-1-5-32-544");
    EXPECT_TRUE(a->isContainer());
}

// Records the factory must refuse, with the exception's code and message.
struct BadRecord {
    const char* name;
    std::vector<Field> fields;
    FWStatus_t code;
    std::string message;
};

void PrintTo(const BadRecord& c, std::ostream* os) { *os << c.name; }

class AddressBadRecord : public testing::TestWithParam<BadRecord> {};

TEST_P(AddressBadRecord, RaisesCleanly) {
    Bytes rec(144, 0);
    for (const Field& f : GetParam().fields) memcpy(&rec[f.off], f.bytes.data(), f.bytes.size());
    try {
        delete CKestFWAddressFactory::newFromMsgBuf(reinterpret_cast<const FWAddress_*>(rec.data()));
        FAIL() << "record accepted";
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), GetParam().code);
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Factory, AddressBadRecord,
    testing::Values(
        BadRecord{"ether_range_code", {{0, {8, 0}}}, 33, "unknown address type: 8"},
        BadRecord{"vnic_code", {{0, {10, 0}}}, 33, "unknown address type: 10"},
        BadRecord{"ip_list_code", {{0, {16, 0}}}, 33, "unknown address type: 16"},
        BadRecord{"list_code", {{0, {141, 0}}}, 33, "unknown address type: 141"},
        BadRecord{"high_byte", {{0, {1, 1}}}, 33, "unknown address type: 257"},
        BadRecord{"ipv4_range_reversed",
                  {{0, {3, 0}}, {4, {10, 0, 0, 9, 10, 0, 0, 1}}},
                  33,
                  "invalid IPv4 range: 10.0.0.9 - 10.0.0.1"},
        BadRecord{"ipv4_range_single",
                  {{0, {3, 0}}, {4, {10, 0, 0, 1, 10, 0, 0, 1}}},
                  33,
                  "invalid IPv4 range: 10.0.0.1 - 10.0.0.1"},
        // Word by word: the last words are out of order although the end is the larger number.
        BadRecord{"ipv6_range_words",
                  {{0, {4, 0}},
                   {4, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff}},
                   {20, {0x20, 0x01, 0x0d, 0xb9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01}}},
                  33,
                  "invalid IPv6 range: 2001:db8::ff - 2001:db9::1"},
        BadRecord{"ipv4_prefix", {{0, {5, 0}}, {8, {33}}}, 33, "invalid ipv4 cidr: 33"},
        BadRecord{"ipv6_prefix", {{0, {6, 0}}, {20, {129}}}, 33, "invalid ipv6 cidr: 129"},
        BadRecord{"ipv6_prefix_255", {{0, {6, 0}}, {20, {255}}}, 33, "invalid ipv6 cidr: 255"},
        BadRecord{
            "addrset_unterminated", {{0, {11, 0}}, {4, Bytes(38, 'a')}}, 32, "id is too long: " + std::string(38, 'a')},
        BadRecord{"string_unterminated",
                  {{0, {14, 0}}, {12, Bytes(131, 'x')}},
                  32,
                  "id is too long: " + std::string(131, 'x')},
        BadRecord{
            "sid_unterminated", {{0, {15, 0}}, {12, Bytes(76, 'S')}}, 32, "id is too long: " + std::string(76, 'S')}),
    [](const testing::TestParamInfo<BadRecord>& info) { return std::string(info.param.name); });

TEST(AddressRecord, RecordConstructorsCheckTheirTypeCode) {
    Bytes rec(144, 0);
    rec[0] = 2;
    const FWAddress_* r = reinterpret_cast<const FWAddress_*>(rec.data());
    auto expectWrongType = [](const std::function<void()>& f) {
        try {
            f();
            FAIL() << "accepted a record of another form";
        } catch (const CInvalidAddressException& e) {
            EXPECT_STREQ(e.what(), "invalid address type: 2");
        }
    };
    expectWrongType([&] { CKestFWAddrSetID a(r); });
    expectWrongType([&] { CKestFWAddressIPv4 a(r); });
    expectWrongType([&] { CKestFWAddressEtherRange a(r); });
    expectWrongType([&] { CKestFWAttrSID a(r); });
}

TEST(AddressRecord, EtherRangeRecordUsesFirstByteAsLeastSignificant) {
    Bytes rec(144, 0);
    rec[0] = 8;
    const uint8_t bad[12] = {0, 0, 0, 0, 0, 2, 1, 0, 0, 0, 0, 1};
    memcpy(&rec[4], bad, 12);
    try {
        CKestFWAddressEtherRange a(reinterpret_cast<const FWAddress_*>(rec.data()));
        FAIL();
    } catch (const CInvalidEtherRangeException& e) {
        EXPECT_STREQ(e.what(), "invalid ethernet range: 00:00:00:00:00:02-01:00:00:00:00:01");
        EXPECT_EQ(e.retcode(), 33u);
    }
}

}  // namespace
