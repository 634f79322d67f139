// Address lists (what they accept, what they make, how they serialise and rebuild), the ordering of
// addresses, and the id list of rule queries.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "model/KestFWAddressIPList.h"
#include "model/KestFWAddressListFactory.h"
#include "model/KestFWIDList.h"
#include "support/AddressMakers.h"
#include "support/LogCapture.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

using V = std::vector<std::string>;

V memberTexts(const CKestFWAddressList& l) {
    V out;
    for (const CKestFWAddress* a : l.getAddresses()) out.push_back(a->toString());
    return out;
}

std::vector<FWAddress_> recordsOf(CKestFWAddressList& l) {
    std::vector<FWAddress_> recs(l.size());
    unsigned used = 0;
    EXPECT_TRUE(l.toMessage(recs.data(), static_cast<unsigned>(recs.size() * sizeof(FWAddress_)), &used));
    EXPECT_EQ(used, recs.size() * 144);
    return recs;
}

Make ipList(const char* text) {
    return [text](bool) -> CKestFWAddress* {
        std::unique_ptr<CKestFWAddress> a(CKestFWAddressFactory::newFromString(FW_ADDRSET_IP, text));
        FWAddress_ rec = recordOf(*a);
        return new CKestFWAddressIPList(setID("x"), &rec, 1);
    };
}

// --- addAddress: which forms a list takes, and which of them mark it as holding IPv6.

struct AddCase {
    const char* name;
    Make make;
    bool accepted;
    bool setsIPv6;
};
void PrintTo(const AddCase& c, std::ostream* os) { *os << c.name; }

class ListAdd : public testing::TestWithParam<AddCase> {};

TEST_P(ListAdd, AcceptsOrRefuses) {
    const AddCase& c = GetParam();
    CKestFWAddressList list(false);
    ASSERT_TRUE(list.addAddress(new CKestFWAddressIPv4("10.0.0.1", false)));
    std::unique_ptr<CKestFWAddress> a(c.make(false));
    LogCapture log;
    bool ok = list.addAddress(a.get());
    EXPECT_EQ(ok, c.accepted);
    EXPECT_EQ(list.hasIPv6(), c.setsIPv6);
    if (ok) {
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list.getAddresses()[1], a.get()) << "kept as given";
        a.release();  // the list owns it now
        EXPECT_TRUE(log.all().empty());
    } else {
        EXPECT_EQ(list.size(), 1u);
        EXPECT_TRUE(log.has("cannot add address of unsupported type " + std::to_string(a->getType())));
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Forms, ListAdd,
    testing::Values(AddCase{"any", make<CKestFWAddressAny>(), true, false},
                    AddCase{"ipv4", negated(make<CKestFWAddressIPv4>("1.2.3.4")), true, false},
                    AddCase{"ipv6", make<CKestFWAddressIPv6>("::1"), true, true},
                    AddCase{"ipv4_cidr", make<CKestFWAddressIPv4CIDR>("1.0.0.0/8"), true, false},
                    AddCase{"ipv6_cidr_zero_prefix", make<CKestFWAddressIPv6CIDR>("::/0"), true, true},
                    AddCase{"ether", make<CKestFWAddressEther>("1:2:3:4:5:6"), true, false},
                    AddCase{"attr_int", make<CKestFWAttrInt>(0, "67"), true, false},
                    AddCase{"attr_sid", make<CKestFWAttrSID>(8, "S-1-5"), true, false},
                    AddCase{"addrset", make<CKestFWAddrSetID>("other"), false, false},
                    AddCase{"attr_uint", make<CKestFWAttrUInt>(1, "7"), false, false},
                    AddCase{"ip_list", ipList("::1"), false, false}),
    [](const testing::TestParamInfo<AddCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST(AddressList, ZeroPrefixIPv4NetworkIsSplitInHalves) {
    for (bool negate : {false, true}) {
        for (bool borrowed : {false, true}) {
            CKestFWAddressIPv4CIDR given("10.9.8.7/0", negate);
            std::unique_ptr<CKestFWAddressList> list(new CKestFWAddressList(borrowed));
            LogCapture log;
            // An owning list takes the network over and, since it keeps the halves instead, releases it.
            CKestFWAddress* handed = borrowed ? &given : new CKestFWAddressIPv4CIDR("10.9.8.7/0", negate);
            ASSERT_TRUE(list->addAddress(handed));
            EXPECT_TRUE(log.has("handling 0 prefix ip cidr"));
            EXPECT_EQ(memberTexts(*list), (V{"ip 0.0.0.0/1", "ip 128.0.0.0/1"}));
            EXPECT_FALSE(list->hasIPv6());
            list.reset();
            EXPECT_EQ(given.toString(), std::string(negate ? "not " : "") + "ip 10.9.8.7/0") << "left untouched";
        }
    }
}

TEST(AddressList, SerialisesMembersInOrderWithoutHeader) {
    CKestFWAddressList list(setID("web"), true, false);
    ASSERT_TRUE(list.addAddress(new CKestFWAddressIPv4("10.0.0.1", false)));
    ASSERT_TRUE(list.addAddress(new CKestFWAddressIPv4("10.0.0.2", true)));
    EXPECT_EQ(list.getMsgSize(), 288u);
    // The base list prints its name glued to the first member and never prints "not".
    EXPECT_EQ(list.toString(), "{webip 10.0.0.1, not ip 10.0.0.2}");

    std::vector<uint8_t> buf(300, 0xEE);
    unsigned used = 0;
    EXPECT_FALSE(list.toMessage(buf.data(), 287, &used));
    EXPECT_EQ(buf, std::vector<uint8_t>(300, 0xEE));
    ASSERT_TRUE(list.toMessage(buf.data(), 300, &used));
    EXPECT_EQ(used, 288u);
    EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + 8),
              (std::vector<uint8_t>{1, 0, 0xEE, 0xEE, 10, 0, 0, 1}));
    EXPECT_EQ(std::vector<uint8_t>(buf.begin() + 144, buf.begin() + 152),
              (std::vector<uint8_t>{1, 0, 0xEF, 0xEE, 10, 0, 0, 2}));
    EXPECT_EQ(buf[288], 0xEE);
}

// --- Rebuilding lists from records.

TEST(AddressListFactory, RebuildsAnIPListFromItsRecords) {
    CKestFWAddressList list(false);
    for (const char* t : {"10.0.0.1", "2001:db8::/48", "10.0.0.1-10.0.0.7", "::1-::9", "10.1.0.0/16", "fe80::2"})
        ASSERT_TRUE(list.addAddress(CKestFWAddressFactory::newFromString(FW_ADDRSET_IP, t)));
    ASSERT_TRUE(list.addAddress(new CKestFWAddressAny(true)));
    std::vector<FWAddress_> recs = recordsOf(list);

    std::unique_ptr<CKestFWAddressList> back(
        CKestFWAddressListFactory::newFromArray(FW_ADDRSET_IP, setID("web"), recs.data(), recs.size()));
    EXPECT_EQ(back->getType(), 16u);
    EXPECT_EQ(memberTexts(*back), memberTexts(list));
    EXPECT_FALSE(back->hasIPv6()) << "only addAddress sets it";
    EXPECT_FALSE(back->isNegated());
    EXPECT_EQ(back->toString(), "ip {web" + list.toString().substr(1));
    std::vector<FWAddress_> again = recordsOf(*back);
    EXPECT_EQ(memcmp(again.data(), recs.data(), recs.size() * sizeof(FWAddress_)), 0) << "writes the same records";
}

TEST(AddressListFactory, RebuildsMACAndSIDLists) {
    CKestFWAddressList macs(false);
    ASSERT_TRUE(macs.addAddress(new CKestFWAddressEther("00:00:00:00:00:01", false)));
    ASSERT_TRUE(macs.addAddress(new CKestFWAddressEther("00:00:00:00:00:02", true)));
    std::vector<FWAddress_> recs = recordsOf(macs);
    std::unique_ptr<CKestFWAddressList> m(CKestFWAddressListFactory::newFromMsgBuf(
        FW_ADDRSET_MAC, setID(""), recs.data(), recs.size() * sizeof(FWAddress_), recs.size()));
    EXPECT_EQ(m->getType(), 17u);
    EXPECT_EQ(m->toString(), "mac {mac 00:00:00:00:00:01, not mac 00:00:00:00:00:02}");

    CKestFWAddressList sids(false);
    ASSERT_TRUE(sids.addAddress(CKestFWAddressFactory::newFromString(FW_ADDRSET_SID_ADDRESS, "S-1-5-18")));
    std::vector<FWAddress_> srecs = recordsOf(sids);
    srecs.push_back(srecs[0]);
    srecs[1].type[0] = 18;    // a SID-list record stands for its SID match
    srecs[1].body[14] = '9';  // record byte 18: "S-1-5-18" becomes "S-1-5-98"
    std::unique_ptr<CKestFWAddressList> s(
        CKestFWAddressListFactory::newFromArray(FW_ADDRSET_SID, setID("admins"), srecs.data(), 2));
    EXPECT_EQ(s->getType(), 18u);
    EXPECT_EQ(s->toString(), "sid {adminssid attr S-1-5-18, sid attr S-1-5-98}");
}

// A list refuses a record of a form its kind does not hold; whatever it read before is released.
TEST(AddressListFactory, RefusesForeignMembersAndShortBuffers) {
    auto fromRecords = [](int kind, std::vector<Make> members) {
        return [kind, members] {
            std::vector<FWAddress_> recs;
            for (const Make& m : members) {
                std::unique_ptr<CKestFWAddress> a(m(false));
                recs.push_back(recordOf(*a));
            }
            delete CKestFWAddressListFactory::newFromArray(kind, setID("s"), recs.data(), recs.size());
        };
    };
    const Make v4a = make<CKestFWAddressIPv4>("1.1.1.1"), ether = make<CKestFWAddressEther>("0:0:0:0:0:1");
    // clang-format off
    expectRefusal(fromRecords(FW_ADDRSET_MAC, {ether, make<CKestFWAddressEtherMask>("aa:bb:cc:dd:ee:ff/ff:ff:ff:0:0:0")}), 33,
                  "mac aa:bb:cc:dd:ee:ff/ff:ff:ff:00:00:00");
    expectRefusal(fromRecords(FW_ADDRSET_MAC, {make<CKestFWAddressEtherRange>("1:0:0:0:0:0-2:0:0:0:0:0")}), 33, "unknown address type: 8");
    expectRefusal(fromRecords(FW_ADDRSET_IP, {v4a, v4a, negated(ether)}), 33, "not mac 00:00:00:00:00:01");
    expectRefusal(fromRecords(FW_ADDRSET_IP, {v4a, make<CKestFWAddrSetID>("inner")}), 33, "addrset inner");
    expectRefusal(fromRecords(FW_ADDRSET_SID, {make<CKestFWAttrString>(8, "S-1-5")}), 33, "str attr S-1-5");
    expectRefusal(fromRecords(FW_ADDRSET_SID_ADDRESS, {v4a}), 33, "unknown address type: 5");
    expectRefusal(fromRecords(FW_ADDRSET_ATTR, {}), 33, "unknown address type: 4");
    // As text the ends compare as numbers; read from a record the kernel's word-by-word rule applies.
    expectRefusal(fromRecords(FW_ADDRSET_IP, {v4a, make<CKestFWAddressIPv6Range>("2001:db8::ff-2001:db9::1")}), 33,
                  "invalid IPv6 range: 2001:db8::ff - 2001:db9::1");
    // clang-format on

    std::vector<FWAddress_> recs(2);
    memset(recs.data(), 0, recs.size() * sizeof(FWAddress_));
    expectRefusal(
        [&] { delete CKestFWAddressListFactory::newFromMsgBuf(FW_ADDRSET_IP, setID("s"), recs.data(), 287, 2); }, 9,
        "expect 288 byte in message buffer, but only get 287 bytes");
    // A count whose byte size does not fit in 32 bits is refused before anything is read.
    EXPECT_THROW(
        delete CKestFWAddressListFactory::newFromMsgBuf(FW_ADDRSET_IP, setID("s"), recs.data(), 288, 0x10000000u),
        CInsufficientMsgBufException);
    std::unique_ptr<CKestFWAddressList> empty(
        CKestFWAddressListFactory::newFromMsgBuf(FW_ADDRSET_MAC, setID("s"), nullptr, 0, 0));
    EXPECT_EQ(empty->toString(), "mac {s}");
}

// --- Ordering: type code first, then plain before negated, then the form's own fields.

struct OrderCase {
    const char* name;
    Make a, b;
    bool aLess, bLess;
};
void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

class AddressOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(AddressOrder, ComparesByTheFormsFields) {
    std::unique_ptr<CKestFWAddress> a(GetParam().a(false)), b(GetParam().b(false));
    EXPECT_EQ(*a < *b, GetParam().aLess);
    EXPECT_EQ(*b < *a, GetParam().bLess);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Forms, AddressOrder,
    testing::Values(
        OrderCase{"type_code_first", negated(make<CKestFWAddressAny>()), make<CKestFWAddressIPv4>("0.0.0.0"), true, false},
        OrderCase{"plain_before_not", make<CKestFWAddressIPv4>("10.0.0.2"), negated(make<CKestFWAddressIPv4>("10.0.0.1")), true, false},
        // The stored word is compared as the machine reads it, not in address order.
        OrderCase{"ipv4_native_word", make<CKestFWAddressIPv4>("2.0.0.1"), make<CKestFWAddressIPv4>("1.0.0.2"), true, false},
        OrderCase{"cidr_prefix_first", make<CKestFWAddressIPv4CIDR>("10.0.0.0/8"), make<CKestFWAddressIPv4CIDR>("1.0.0.0/16"), true, false},
        OrderCase{"cidr_unmasked_address", make<CKestFWAddressIPv4CIDR>("10.0.0.1/8"), make<CKestFWAddressIPv4CIDR>("10.0.0.2/8"), true, false},
        OrderCase{"ipv4_range_end_first", make<CKestFWAddressIPv4Range>("9.0.0.0-9.0.0.5"), make<CKestFWAddressIPv4Range>("1.0.0.1-1.0.0.9"), true, false},
        OrderCase{"ipv6_last_word_first", make<CKestFWAddressIPv6>("1::2"), make<CKestFWAddressIPv6>("2::1"), false, true},
        OrderCase{"ipv6_cidr_prefix_first", make<CKestFWAddressIPv6CIDR>("ff00::/8"), make<CKestFWAddressIPv6CIDR>("::/16"), true, false},
        OrderCase{"ether_bytes", make<CKestFWAddressEther>("00:00:00:00:00:ff"), make<CKestFWAddressEther>("01:00:00:00:00:00"), true, false},
        OrderCase{"ether_mask_then_mask", make<CKestFWAddressEtherMask>("1:0:0:0:0:0/0:0:0:0:0:1"), make<CKestFWAddressEtherMask>("1:0:0:0:0:0/0:0:0:0:0:2"), true, false},
        OrderCase{"addrset_bytes", make<CKestFWAddrSetID>("a"), make<CKestFWAddrSetID>("ab"), true, false},
        OrderCase{"attr_never_less", make<CKestFWAttrInt>(0, INT64_C(1)), make<CKestFWAttrInt>(9, INT64_C(2)), false, false},
        OrderCase{"list_after_address", make<CKestFWAddressIPv4>("1.1.1.1"), make<CKestFWAddressList>(), true, false},
        OrderCase{"ip_list_before_plain_list", ipList("1.1.1.1"), make<CKestFWAddressList>(), true, false}),
    [](const testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST(AddressOrder, OperandsThatCannotBeOrdered) {
    CKestFWAddressList a(false), b(false);
    expectRefusal([&] { (void)(a < b); }, 33, "compare address two sets");
    CKestFWIDList x, y;
    expectRefusal([&] { (void)(x < y); }, 7, "compare two connection list");
}

TEST(IDList, DistinctAscendingIds) {
    CKestFWIDList ids;
    for (unsigned id : {5u, 3u, 5u, 4294967295u}) EXPECT_TRUE(ids.addID(id));
    EXPECT_EQ(ids.toString(), "{3,5,4294967295}");
    EXPECT_EQ(ids.getMsgSize(), 12u);

    std::vector<uint8_t> buf(16, 0xCC);
    unsigned used = 0;
    EXPECT_FALSE(ids.toMessage(buf.data(), 11, &used));
    EXPECT_EQ(buf, std::vector<uint8_t>(16, 0xCC));
    ASSERT_TRUE(ids.toMessage(buf.data(), 16, &used));
    EXPECT_EQ(used, 12u);
    EXPECT_EQ(buf, (std::vector<uint8_t>{3, 0, 0, 0, 5, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0xCC, 0xCC, 0xCC, 0xCC}));
}

}  // namespace
