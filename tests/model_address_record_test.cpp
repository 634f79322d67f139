// The 144-byte address record: exact bytes and wording of every form, plain and negated, built from
// text and from values (bytes written by hand from the record layout); what toMessage leaves alone;
// reading records back; and the records the factory and the record constructors refuse.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "support/AddressMakers.h"
#include "support/LogCapture.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

// Bytes a record buffer holds before toMessage runs; every byte the form does not name must keep it.
constexpr uint8_t kFill = 0xA5;

using Bytes = std::vector<uint8_t>;
struct Field {
    size_t off;
    Bytes bytes;
};

Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes text(const char* s, size_t width) {
    Bytes b(width, 0);
    memcpy(b.data(), s, strlen(s));
    return b;
}

const Bytes k2001db8 = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0};  // 2001:db8:: up to its last 4 bytes

struct GoldenCase {
    const char* name;
    Make make;        // from the configuration-language text (or the factory)
    Make fromValues;  // the form's value constructor, where it has one
    uint8_t type;     // low byte of the u16 type code; the high byte is 0 for every form
    std::vector<Field> body;
    const char* printed;  // wording without "not"
    // Wording after the record trip when it differs (networks lose their host bits on the wire).
    const char* readBack = nullptr;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

// An address read from a record whose fields are given; text fields may fill their width without a NUL.
Make fromRecord(uint8_t type, std::vector<Field> fields) {
    return [=](bool negate) {
        Bytes rec(144, 0);
        rec[0] = type;
        rec[2] = negate ? 1 : 0;
        for (const Field& f : fields) memcpy(&rec[f.off], f.bytes.data(), f.bytes.size());
        return CKestFWAddressFactory::newFromMsgBuf(reinterpret_cast<const FWAddress_*>(rec.data()));
    };
}
FWAddrSetID_t fullSetID(char c) {
    FWAddrSetID_t id;
    memset(id.name, c, sizeof id.name);
    return id;
}
const std::string kFull38 = "addrset " + std::string(38, 'a');
const std::string kFull131 = "str attr " + std::string(131, 'x');
const std::string kFull76 = "sid attr " + std::string(76, 's');

// clang-format off
const std::vector<GoldenCase>& goldenCases() {
    static const std::vector<GoldenCase> cases = {
        {"any", make<CKestFWAddressAny>(), nullptr, 0, {}, "any"},
        {"ipv4", make<CKestFWAddressIPv4>("10.1.2.3"), make<CKestFWAddressIPv4>(v4("10.1.2.3")),
         1, {{4, {0x0a, 0x01, 0x02, 0x03}}}, "ip 10.1.2.3"},
        {"ipv6", make<CKestFWAddressIPv6>("2001:DB8::1"), make<CKestFWAddressIPv6>(v6("2001:db8::1")),
         2, {{4, cat(k2001db8, {0, 0, 0, 0x01})}}, "ip 2001:db8::1"},
        {"ipv4_range", make<CKestFWAddressIPv4Range>("10.0.0.1-10.0.1.9"),
         make<CKestFWAddressIPv4Range>(v4("10.0.0.1"), v4("10.0.1.9")),
         3, {{4, {0x0a, 0, 0, 0x01, 0x0a, 0, 0x01, 0x09}}}, "ip 10.0.0.1-10.0.1.9"},
        {"ipv6_range", make<CKestFWAddressIPv6Range>("2001:db8::1-2001:db8::1:ff"),
         make<CKestFWAddressIPv6Range>(v6("2001:db8::1"), v6("2001:db8::1:ff")),
         4, {{4, cat(k2001db8, {0, 0, 0, 0x01})}, {20, cat(k2001db8, {0, 0x01, 0, 0xff})}}, "ip 2001:db8::1-2001:db8::1:ff"},
        // Host bits are cleared on the wire; the prefix follows the network.
        {"ipv4_cidr", make<CKestFWAddressIPv4CIDR>("10.20.30.45/20"), make<CKestFWAddressIPv4CIDR>(v4("10.20.30.45"), 20),
         5, {{4, {0x0a, 0x14, 0x10, 0x00, 20}}}, "ip 10.20.30.45/20", "ip 10.20.16.0/20"},
        {"ipv6_cidr", make<CKestFWAddressIPv6CIDR>("2001:db8:abcd:ef01::1/36"),
         make<CKestFWAddressIPv6CIDR>(v6("2001:db8:abcd:ef01::1"), 36),
         6, {{4, {0x20, 0x01, 0x0d, 0xb8, 0xa0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 36}}},
         "ip 2001:db8:abcd:ef01::1/36", "ip 2001:db8:a000::/36"},
        {"ether", make<CKestFWAddressEther>("0:11:22:AA:bb:cc"), make<CKestFWAddressEther>(mac(0, 0x11, 0x22, 0xaa, 0xbb, 0xcc)),
         7, {{4, {0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc}}}, "mac 00:11:22:aa:bb:cc"},
        {"ether_range", make<CKestFWAddressEtherRange>("01:02:03:04:05:06-02:02:03:04:05:06"),
         make<CKestFWAddressEtherRange>(mac(1, 2, 3, 4, 5, 6), mac(2, 2, 3, 4, 5, 6)),
         8, {{4, {1, 2, 3, 4, 5, 6, 2, 2, 3, 4, 5, 6}}}, "mac 01:02:03:04:05:06-02:02:03:04:05:06"},
        {"ether_mask", make<CKestFWAddressEtherMask>("aa:bb:cc:dd:ee:ff/ff:ff:ff:0:0:0"),
         make<CKestFWAddressEtherMask>(mac(0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff), mac(0xff, 0xff, 0xff, 0, 0, 0)),
         9, {{4, {0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff, 0xff, 0xff, 0xff, 0, 0, 0}}}, "mac aa:bb:cc:dd:ee:ff/ff:ff:ff:00:00:00"},
        {"addrset", make<CKestFWAddrSetID>("web"), make<CKestFWAddrSetID>(setID("web")),
         11, {{4, text("web", 38)}}, "addrset web"},
        // Integer matches write the whole body 4..142: id, value type, 4 unused bytes, the value.
        {"attr_int", make<CKestFWAttrInt>(0, "-2"), make<CKestFWAttrInt>(0, INT64_C(-2)),
         12, {{4, cat({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xfe, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, Bytes(119, 0))}},
         "int attr -2 unknown"},
        {"attr_uint", make<CKestFWAttrUInt>(10, "72623859790382856"), make<CKestFWAttrUInt>(10, UINT64_C(72623859790382856)),
         13, {{4, cat({10, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 1}, Bytes(119, 0))}},
         "unsigned int attr 72623859790382856"},
        // String and SID matches leave the value-type word (8..11) as the buffer holds it.
        {"attr_string", make<CKestFWAttrString>(5, "GET"), nullptr,
         14, {{4, {5, 0, 0, 0}}, {12, text("GET", 131)}}, "str attr GET"},
        {"attr_sid", make<CKestFWAttrSID>(8, "S-1-5-21-1"), nullptr,
         15, {{4, {8, 0, 0, 0}}, {12, text("S-1-5-21-1", 76)}}, "sid attr S-1-5-21-1"},
        // Text fields that fill their width without a NUL are held as given and printed up to their end.
        {"addrset_full", make<CKestFWAddrSetID>(fullSetID('a')), nullptr, 11, {{4, Bytes(38, 'a')}}, kFull38.c_str()},
        {"attr_string_full", fromRecord(14, {{4, {5, 0, 0, 0}}, {12, Bytes(131, 'x')}}), nullptr,
         14, {{4, {5, 0, 0, 0}}, {12, Bytes(131, 'x')}}, kFull131.c_str()},
        {"attr_sid_full", fromRecord(15, {{4, {8, 0, 0, 0}}, {12, Bytes(76, 's')}}), nullptr,
         15, {{4, {8, 0, 0, 0}}, {12, Bytes(76, 's')}}, kFull76.c_str()},
    };
    return cases;
}
// clang-format on

Bytes expectedRecord(const GoldenCase& c, bool negate) {
    Bytes rec(144, kFill);
    rec[0] = c.type;
    rec[1] = 0;
    rec[2] = negate ? 0xA5 : 0xA4;  // bit 0 is "not"; the other bits stay
    for (const Field& f : c.body) memcpy(&rec[f.off], f.bytes.data(), f.bytes.size());
    return rec;
}

std::string wording(const char* printed, bool negate, unsigned type) {
    return std::string(negate && type != FW_ADDRESS_ANY ? "not " : "") + printed;
}

class AddressGolden : public testing::TestWithParam<std::tuple<GoldenCase, bool>> {};

TEST_P(AddressGolden, WritesExactRecordIntoAWholeRecordOnly) {
    const auto& [c, negate] = GetParam();
    LogCapture quiet;  // an unknown application is warned about
    for (const Make& make : {c.make, c.fromValues}) {
        if (!make) continue;
        std::unique_ptr<CKestFWAddress> a(make(negate));
        ASSERT_EQ(a->getType(), c.type);
        EXPECT_EQ(a->toString(), wording(c.printed, negate, c.type));
        ASSERT_EQ(a->getMsgSize(), 144u);
        Bytes buf(150, kFill);
        unsigned used = 7;
        EXPECT_FALSE(a->toMessage(buf.data(), 143, &used));
        EXPECT_EQ(used, 7u);
        EXPECT_EQ(buf, Bytes(150, kFill)) << "a short buffer is left alone";
        ASSERT_TRUE(a->toMessage(buf.data(), 144, &used));
        EXPECT_EQ(used, 144u);
        EXPECT_EQ(Bytes(buf.begin(), buf.begin() + 144), expectedRecord(c, negate));
        EXPECT_EQ(Bytes(buf.begin() + 144, buf.end()), Bytes(6, kFill)) << "wrote past the record";
    }
}

TEST_P(AddressGolden, ReadsRecordBackAtAnyAlignment) {
    const auto& [c, negate] = GetParam();
    LogCapture quiet;
    Bytes rec = expectedRecord(c, negate);
    const FWAddress_* r = reinterpret_cast<const FWAddress_*>(rec.data());
    std::unique_ptr<CKestFWAddress> back;
    if (c.type == FW_ADDRESS_ETHER_RANGE) {
        // The kernel never hands an Ethernet range back, so only its own record constructor reads one.
        expectRefusal([&] { delete CKestFWAddressFactory::newFromMsgBuf(r); }, 33, "unknown address type: 8");
        back.reset(new CKestFWAddressEtherRange(r));
    } else {
        unsigned used = 99;
        EXPECT_EQ(CKestFWAddressFactory::newFromMsgBuf(rec.data(), 143, &used), nullptr);
        EXPECT_EQ(used, 0u);
        Bytes shifted(145, 0);
        memcpy(shifted.data() + 1, rec.data(), 144);
        back.reset(CKestFWAddressFactory::newFromMsgBuf(shifted.data() + 1, 144, &used));
        ASSERT_TRUE(back);
        EXPECT_EQ(used, 144u);
    }
    EXPECT_EQ(back->getType(), c.type);
    EXPECT_EQ(back->isNegated(), negate);
    EXPECT_EQ(back->toString(), wording(c.readBack ? c.readBack : c.printed, negate, c.type));
    if (!c.readBack) {
        std::unique_ptr<CKestFWAddress> orig(c.make(negate));
        EXPECT_FALSE(*back < *orig || *orig < *back) << "reads back as an equal address";
    }
    Bytes again(144, kFill);
    ASSERT_TRUE(back->toMessage(again.data(), 144, nullptr));
    EXPECT_EQ(again, rec) << "written again over the same fill, byte for byte";
}

INSTANTIATE_TEST_SUITE_P(AllForms, AddressGolden, testing::Combine(testing::ValuesIn(goldenCases()), testing::Bool()),
                         [](const testing::TestParamInfo<std::tuple<GoldenCase, bool>>& info) {
                             return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_not" : "");
                         });

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
    expectRefusal([&] { delete CKestFWAddressFactory::newFromMsgBuf(reinterpret_cast<const FWAddress_*>(rec.data())); },
                  GetParam().code, GetParam().message);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Factory, AddressBadRecord,
    testing::Values(
        BadRecord{"vnic_code", {{0, {10, 0}}}, 33, "unknown address type: 10"},
        BadRecord{"high_byte", {{0, {1, 1}}}, 33, "unknown address type: 257"},
        BadRecord{"ipv4_range_reversed", {{0, {3}}, {4, {10, 0, 0, 9, 10, 0, 0, 1}}}, 33, "invalid IPv4 range: 10.0.0.9 - 10.0.0.1"},
        // Word by word: the last words are out of order although the end is the larger number.
        BadRecord{"ipv6_range_words", {{0, {4}}, {4, cat(k2001db8, {0, 0, 0, 0xff})}, {20, {0x20, 0x01, 0x0d, 0xb9}}, {35, {1}}},
                  33, "invalid IPv6 range: 2001:db8::ff - 2001:db9::1"},
        BadRecord{"ipv4_prefix", {{0, {5}}, {8, {33}}}, 33, "invalid ipv4 cidr: 33"},
        BadRecord{"ipv6_prefix", {{0, {6}}, {20, {129}}}, 33, "invalid ipv6 cidr: 129"}),
    [](const testing::TestParamInfo<BadRecord>& info) { return std::string(info.param.name); });
// clang-format on

TEST(AddressRecord, RecordConstructorsCheckTypeCodeAndRangeOrder) {
    Bytes rec(144, 0);
    rec[0] = 2;
    const FWAddress_* r = reinterpret_cast<const FWAddress_*>(rec.data());
    expectRefusal([&] { CKestFWAddrSetID a(r); }, 33, "invalid address type: 2");
    expectRefusal([&] { CKestFWAddressEtherRange a(r); }, 33, "invalid address type: 2");
    // An Ethernet range's ends are ordered with the first byte as the least significant.
    rec[0] = 8;
    const uint8_t ends[12] = {0, 0, 0, 0, 0, 2, 1, 0, 0, 0, 0, 1};
    memcpy(&rec[4], ends, 12);
    expectRefusal([&] { CKestFWAddressEtherRange a(r); }, 33,
                  "invalid ethernet range: 00:00:00:00:00:02-01:00:00:00:00:01");
}

}  // namespace
