// Address lists (what they accept, what they make, how they serialise and rebuild), the ordering of
// addresses, and the id list of rule queries.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <typeinfo>
#include <vector>

#include "frame/KestFWException.h"
#include "frame/KestFWLog.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddressAny.h"
#include "model/KestFWAddressEther.h"
#include "model/KestFWAddressEtherMask.h"
#include "model/KestFWAddressEtherRange.h"
#include "model/KestFWAddressFactory.h"
#include "model/KestFWAddressIPList.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv4CIDR.h"
#include "model/KestFWAddressIPv4Range.h"
#include "model/KestFWAddressIPv6.h"
#include "model/KestFWAddressIPv6CIDR.h"
#include "model/KestFWAddressIPv6Range.h"
#include "model/KestFWAddressListFactory.h"
#include "model/KestFWAddressMACList.h"
#include "model/KestFWAddressSIDList.h"
#include "model/KestFWAttr.h"
#include "model/KestFWIDList.h"

using namespace KestFirewall;

namespace {

using Maker = std::function<CKestFWAddress*()>;

std::vector<std::string> g_log;
void captureLog(int, const char* fmt, va_list ap) {
    char buf[512];
    vsnprintf(buf, sizeof buf, fmt, ap);
    g_log.push_back(buf);
}
struct LogCapture {
    LogCapture() {
        g_log.clear();
        FW_RegisterLogger(captureLog, 0);
    }
    ~LogCapture() { FW_UnregisterLogger(); }
    bool saw(const std::string& text) const {
        for (const std::string& l : g_log)
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
};

FWAddrSetID_t setID(const char* name) {
    FWAddrSetID_t id{};
    snprintf(id.name, sizeof id.name, "%s", name);
    return id;
}

std::vector<std::string> memberTexts(const CKestFWAddressList& l) {
    std::vector<std::string> out;
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

// --- addAddress: which forms a list takes, and which of them mark it as holding IPv6.

struct AddCase {
    const char* name;
    Maker make;
    bool accepted;
    bool setsIPv6;
};
void PrintTo(const AddCase& c, std::ostream* os) { *os << c.name; }

class ListAdd : public testing::TestWithParam<AddCase> {};

TEST_P(ListAdd, AcceptsOrRefuses) {
    const AddCase& c = GetParam();
    CKestFWAddressList list(false);
    ASSERT_TRUE(list.addAddress(new CKestFWAddressIPv4("10.0.0.1", false)));
    std::unique_ptr<CKestFWAddress> a(c.make());
    unsigned type = a->getType();
    LogCapture log;
    bool ok = list.addAddress(a.get());
    EXPECT_EQ(ok, c.accepted);
    EXPECT_EQ(list.hasIPv6(), c.setsIPv6);
    if (ok) {
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list.getAddresses()[1], a.get());
        a.release();  // the list owns it now
        EXPECT_TRUE(g_log.empty());
    } else {
        EXPECT_EQ(list.size(), 1u);
        EXPECT_TRUE(log.saw("cannot add address of unsupported type " + std::to_string(type)));
    }
}

CKestFWAddressList* ipListOf(const char* text) {
    FWAddress_ rec;
    memset(&rec, 0, sizeof rec);
    std::unique_ptr<CKestFWAddress> a(CKestFWAddressFactory::newFromString(FW_ADDRSET_IP, text));
    a->toMessage(&rec, sizeof rec, nullptr);
    return new CKestFWAddressIPList(setID("x"), &rec, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ListAdd,
    testing::Values(AddCase{"any", [] { return new CKestFWAddressAny(); }, true, false},
                    AddCase{"ipv4", [] { return new CKestFWAddressIPv4("1.2.3.4", true); }, true, false},
                    AddCase{"ipv6", [] { return new CKestFWAddressIPv6("::1", false); }, true, true},
                    AddCase{"ipv4_range", [] { return new CKestFWAddressIPv4Range("1.0.0.1-1.0.0.2", false); }, true,
                            false},
                    AddCase{"ipv6_range", [] { return new CKestFWAddressIPv6Range("::1-::2", false); }, true, true},
                    AddCase{"ipv4_cidr", [] { return new CKestFWAddressIPv4CIDR("1.0.0.0/8", false); }, true, false},
                    AddCase{"ipv6_cidr", [] { return new CKestFWAddressIPv6CIDR("::/0", false); }, true, true},
                    AddCase{"ether", [] { return new CKestFWAddressEther("1:2:3:4:5:6", false); }, true, false},
                    AddCase{"ether_range",
                            [] { return new CKestFWAddressEtherRange("1:0:0:0:0:0-2:0:0:0:0:0", false); }, true, false},
                    AddCase{"ether_mask", [] { return new CKestFWAddressEtherMask("1:0:0:0:0:0/1:0:0:0:0:0", false); },
                            true, false},
                    AddCase{"attr_int", [] { return new CKestFWAttrInt(0, "67"); }, true, false},
                    AddCase{"attr_string", [] { return new CKestFWAttrString(5, "GET"); }, true, false},
                    AddCase{"attr_sid", [] { return new CKestFWAttrSID(8, "S-1-5"); }, true, false},
                    AddCase{"addrset", [] { return new CKestFWAddrSetID("other", false); }, false, false},
                    AddCase{"attr_uint", [] { return new CKestFWAttrUInt(1, "7"); }, false, false},
                    AddCase{"plain_list", [] { return new CKestFWAddressList(false); }, false, false},
                    AddCase{"ip_list", [] { return ipListOf("::1"); }, false, false}),
    [](const testing::TestParamInfo<AddCase>& info) { return std::string(info.param.name); });

TEST(AddressList, ZeroPrefixIPv4NetworkIsSplitInHalves) {
    for (bool negate : {false, true}) {
        for (bool borrowed : {false, true}) {
            CKestFWAddressIPv4CIDR given("10.9.8.7/0", negate);
            std::unique_ptr<CKestFWAddressList> list(new CKestFWAddressList(borrowed));
            LogCapture log;
            // An owning list takes the network over and, since it keeps the halves instead, releases it.
            CKestFWAddress* handed = borrowed ? &given : new CKestFWAddressIPv4CIDR("10.9.8.7/0", negate);
            ASSERT_TRUE(list->addAddress(handed));
            EXPECT_TRUE(log.saw("handling 0 prefix ip cidr"));
            EXPECT_EQ(memberTexts(*list), (std::vector<std::string>{"ip 0.0.0.0/1", "ip 128.0.0.0/1"}));
            EXPECT_FALSE(list->hasIPv6());
            list.reset();
            // A borrowed list never touched what it was given.
            EXPECT_EQ(given.toString(), std::string(negate ? "not " : "") + "ip 10.9.8.7/0");
        }
    }
}

TEST(AddressList, ZeroPrefixIPv6NetworkIsKept) {
    CKestFWAddressList list(false);
    ASSERT_TRUE(list.addAddress(new CKestFWAddressIPv6CIDR("::/0", false)));
    EXPECT_EQ(memberTexts(list), std::vector<std::string>{"ip ::/0"});
    EXPECT_TRUE(list.hasIPv6());
}

TEST(AddressList, BorrowedListLeavesMembersToTheCaller) {
    CKestFWAddressIPv4 a("10.0.0.1", false);
    CKestFWAddressIPv4 b("10.0.0.2", false);
    {
        CKestFWAddressList list(true);
        EXPECT_TRUE(list.isBorrowed());
        ASSERT_TRUE(list.addAddress(&a));
        ASSERT_TRUE(list.addAddress(&b));
        ASSERT_TRUE(list.addAddress(&a));  // duplicates stay
        EXPECT_EQ(memberTexts(list), (std::vector<std::string>{"ip 10.0.0.1", "ip 10.0.0.2", "ip 10.0.0.1"}));
    }
    EXPECT_EQ(a.toString(), "ip 10.0.0.1");
}

TEST(AddressList, KeepsInsertionOrderAndDuplicates) {
    CKestFWAddressList list(false);
    for (const char* t : {"10.0.0.9", "10.0.0.1", "10.0.0.9", "10.0.0.5"})
        ASSERT_TRUE(list.addAddress(new CKestFWAddressIPv4(t, false)));
    EXPECT_EQ(list.toString(), "{ip 10.0.0.9, ip 10.0.0.1, ip 10.0.0.9, ip 10.0.0.5}");
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
    ASSERT_TRUE(list.toMessage(buf.data(), 300, &used));
    EXPECT_EQ(used, 288u);
    const uint8_t first[8] = {1, 0, 0xEE, 0xEE, 10, 0, 0, 1};
    const uint8_t second[8] = {1, 0, 0xEF, 0xEE, 10, 0, 0, 2};
    EXPECT_EQ(memcmp(buf.data(), first, 8), 0);
    EXPECT_EQ(memcmp(buf.data() + 144, second, 8), 0);
    EXPECT_EQ(buf[288], 0xEE);
}

TEST(AddressList, EmptyListIsNothing) {
    CKestFWAddressList list(false);
    EXPECT_EQ(list.getMsgSize(), 0u);
    EXPECT_EQ(list.toString(), "{}");
    unsigned used = 5;
    EXPECT_TRUE(list.toMessage(nullptr, 0, &used));
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(list.getType(), 141u);
}

// --- Rebuilding lists from records.

TEST(AddressListFactory, RebuildsAnIPListFromItsRecords) {
    CKestFWAddressList list(false);
    for (const char* t : {"10.0.0.1", "2001:db8::/48", "10.0.0.1-10.0.0.7", "::1-::9", "10.1.0.0/16", "fe80::2"})
        ASSERT_TRUE(list.addAddress(CKestFWAddressFactory::newFromString(FW_ADDRSET_IP, t)));
    ASSERT_TRUE(list.addAddress(new CKestFWAddressAny(true)));
    EXPECT_TRUE(list.hasIPv6());
    std::vector<FWAddress_> recs = recordsOf(list);

    std::unique_ptr<CKestFWAddressList> back(
        CKestFWAddressListFactory::newFromArray(FW_ADDRSET_IP, setID("web"), recs.data(), recs.size()));
    EXPECT_EQ(back->getType(), 16u);
    EXPECT_EQ(memberTexts(*back), memberTexts(list));
    EXPECT_FALSE(back->hasIPv6());  // only addAddress sets it
    EXPECT_FALSE(back->isNegated());
    EXPECT_EQ(back->toString(), "ip {web" + list.toString().substr(1));
    // And the rebuilt list writes the very same records.
    std::vector<FWAddress_> again = recordsOf(*back);
    EXPECT_EQ(memcmp(again.data(), recs.data(), recs.size() * sizeof(FWAddress_)), 0);
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

struct ListRefusal {
    const char* name;
    int kind;
    std::vector<Maker> members;
    FWStatus_t code;
    std::string message;
};
void PrintTo(const ListRefusal& c, std::ostream* os) { *os << c.name; }

class ListFromRecordsRefusal : public testing::TestWithParam<ListRefusal> {};

TEST_P(ListFromRecordsRefusal, RaisesAndReleasesWhatItRead) {
    const ListRefusal& c = GetParam();
    std::vector<FWAddress_> recs(c.members.size());
    for (size_t i = 0; i < c.members.size(); ++i) {
        memset(&recs[i], 0, sizeof recs[i]);
        std::unique_ptr<CKestFWAddress> a(c.members[i]());
        ASSERT_TRUE(a->toMessage(&recs[i], sizeof recs[i], nullptr));
    }
    try {
        delete CKestFWAddressListFactory::newFromArray(c.kind, setID("s"), recs.data(), recs.size());
        FAIL() << "accepted";
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), c.code);
        EXPECT_EQ(std::string(e.what()), c.message);
    }
}

Maker v4(const char* t) {
    return [t] { return new CKestFWAddressIPv4(t, false); };
}

INSTANTIATE_TEST_SUITE_P(
    Variants, ListFromRecordsRefusal,
    testing::Values(
        ListRefusal{"mac_list_mask",
                    FW_ADDRSET_MAC,
                    {[] { return new CKestFWAddressEther("0:0:0:0:0:1", false); },
                     [] { return new CKestFWAddressEtherMask("aa:bb:cc:dd:ee:ff/ff:ff:ff:0:0:0", false); }},
                    33,
                    "mac aa:bb:cc:dd:ee:ff/ff:ff:ff:00:00:00"},
        ListRefusal{"mac_list_range",
                    FW_ADDRSET_MAC,
                    {[] { return new CKestFWAddressEtherRange("1:0:0:0:0:0-2:0:0:0:0:0", false); }},
                    33,
                    "unknown address type: 8"},
        ListRefusal{"ip_list_ether",
                    FW_ADDRSET_IP,
                    {v4("1.1.1.1"), v4("2.2.2.2"), [] { return new CKestFWAddressEther("0:0:0:0:0:1", true); }},
                    33,
                    "not mac 00:00:00:00:00:01"},
        ListRefusal{"ip_list_addrset",
                    FW_ADDRSET_IP,
                    {v4("1.1.1.1"), [] { return new CKestFWAddrSetID("inner", false); }},
                    33,
                    "addrset inner"},
        ListRefusal{"sid_list_string",
                    FW_ADDRSET_SID,
                    {[] { return new CKestFWAttrString(8, "S-1-5"); }},
                    33,
                    "str attr S-1-5"},
        ListRefusal{"sid_list_ipv4", FW_ADDRSET_SID, {v4("1.1.1.1")}, 33, "ip 1.1.1.1"},
        ListRefusal{"kind_sid_address", FW_ADDRSET_SID_ADDRESS, {v4("1.1.1.1")}, 33, "unknown address type: 5"},
        ListRefusal{"kind_attr", FW_ADDRSET_ATTR, {}, 33, "unknown address type: 4"},
        ListRefusal{"reversed_range_record",
                    FW_ADDRSET_IP,
                    {v4("1.1.1.1"),
                     [] {
                         // Written by a range whose ends the record check refuses.
                         return new CKestFWAddressIPv6Range("2001:db8::ff-2001:db9::1", false);
                     }},
                    33,
                    "invalid IPv6 range: 2001:db8::ff - 2001:db9::1"}),
    [](const testing::TestParamInfo<ListRefusal>& info) { return std::string(info.param.name); });

TEST(AddressListFactory, BufferMustHoldEveryRecord) {
    std::vector<FWAddress_> recs(2);
    memset(recs.data(), 0, recs.size() * sizeof(FWAddress_));
    try {
        delete CKestFWAddressListFactory::newFromMsgBuf(FW_ADDRSET_IP, setID("s"), recs.data(), 287, 2);
        FAIL();
    } catch (const CInsufficientMsgBufException& e) {
        EXPECT_EQ(e.retcode(), 9u);
        EXPECT_STREQ(e.what(), "expect 288 byte in message buffer, but only get 287 bytes");
    }
    // A count whose byte size does not fit in 32 bits is refused before anything is read.
    EXPECT_THROW(
        delete CKestFWAddressListFactory::newFromMsgBuf(FW_ADDRSET_IP, setID("s"), recs.data(), 288, 0x10000000u),
        CInsufficientMsgBufException);
    std::unique_ptr<CKestFWAddressList> empty(
        CKestFWAddressListFactory::newFromMsgBuf(FW_ADDRSET_MAC, setID("s"), nullptr, 0, 0));
    EXPECT_EQ(empty->toString(), "mac {s}");
}

// --- Ordering.

// A form that claims the IPv4 type code without being the IPv4 class.
class FakeIPv4 : public CKestFWAddress {
public:
    unsigned int getType() const override { return FW_ADDRESS_IPV4; }
    std::string toString() const override { return "fake"; }

protected:
    void writeBody(ByteWriter&) const override {}
    bool lessSameType(const CKestFWAddress&) const override { return false; }
};

struct OrderCase {
    const char* name;
    Maker a, b;
    bool aLess, bLess;
};
void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

class AddressOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(AddressOrder, ComparesAsSpecifiedForTheForm) {
    std::unique_ptr<CKestFWAddress> a(GetParam().a()), b(GetParam().b());
    EXPECT_EQ(*a < *b, GetParam().aLess);
    EXPECT_EQ(*b < *a, GetParam().bLess);
}

template <typename T>
Maker mk(const char* text, bool negate = false) {
    return [text, negate] { return new T(text, negate); };
}

INSTANTIATE_TEST_SUITE_P(
    Forms, AddressOrder,
    testing::Values(
        OrderCase{"type_code_first", [] { return new CKestFWAddressAny(true); }, mk<CKestFWAddressIPv4>("0.0.0.0"),
                  true, false},
        OrderCase{"plain_before_not", mk<CKestFWAddressIPv4>("10.0.0.2"), mk<CKestFWAddressIPv4>("10.0.0.1", true),
                  true, false},
        OrderCase{"any_equal", [] { return new CKestFWAddressAny(); }, [] { return new CKestFWAddressAny(); }, false,
                  false},
        // The stored word is compared as the machine reads it, not in address order.
        OrderCase{"ipv4_native_word", mk<CKestFWAddressIPv4>("2.0.0.1"), mk<CKestFWAddressIPv4>("1.0.0.2"), true,
                  false},
        OrderCase{"ipv4_equal", mk<CKestFWAddressIPv4>("1.2.3.4"), mk<CKestFWAddressIPv4>("1.2.3.4"), false, false},
        OrderCase{"cidr_prefix_first", mk<CKestFWAddressIPv4CIDR>("10.0.0.0/8"),
                  mk<CKestFWAddressIPv4CIDR>("1.0.0.0/16"), true, false},
        OrderCase{"cidr_unmasked_address", mk<CKestFWAddressIPv4CIDR>("10.0.0.1/8"),
                  mk<CKestFWAddressIPv4CIDR>("10.0.0.2/8"), true, false},
        OrderCase{"ipv4_range_end_first", mk<CKestFWAddressIPv4Range>("9.0.0.0-9.0.0.5"),
                  mk<CKestFWAddressIPv4Range>("1.0.0.1-1.0.0.9"), true, false},
        OrderCase{"ipv4_range_then_start", mk<CKestFWAddressIPv4Range>("1.0.0.1-1.0.0.9"),
                  mk<CKestFWAddressIPv4Range>("1.0.0.2-1.0.0.9"), true, false},
        OrderCase{"ipv6_last_word_first", mk<CKestFWAddressIPv6>("1::2"), mk<CKestFWAddressIPv6>("2::1"), false, true},
        OrderCase{"ipv6_cidr_prefix_first", mk<CKestFWAddressIPv6CIDR>("ff00::/8"), mk<CKestFWAddressIPv6CIDR>("::/16"),
                  true, false},
        OrderCase{"ipv6_range_end_first", mk<CKestFWAddressIPv6Range>("::5-1::"),
                  mk<CKestFWAddressIPv6Range>("::1-::2"), true, false},
        OrderCase{"ether_bytes", mk<CKestFWAddressEther>("00:00:00:00:00:ff"),
                  mk<CKestFWAddressEther>("01:00:00:00:00:00"), true, false},
        OrderCase{"ether_mask_then_mask", mk<CKestFWAddressEtherMask>("1:0:0:0:0:0/0:0:0:0:0:1"),
                  mk<CKestFWAddressEtherMask>("1:0:0:0:0:0/0:0:0:0:0:2"), true, false},
        OrderCase{"ether_range_start_first", mk<CKestFWAddressEtherRange>("1:0:0:0:0:0-9:0:0:0:0:0"),
                  mk<CKestFWAddressEtherRange>("2:0:0:0:0:0-3:0:0:0:0:0"), true, false},
        OrderCase{"addrset_bytes", mk<CKestFWAddrSetID>("a"), mk<CKestFWAddrSetID>("ab"), true, false},
        OrderCase{"attr_never_less", [] { return new CKestFWAttrInt(0, INT64_C(1)); },
                  [] { return new CKestFWAttrInt(9, INT64_C(2)); }, false, false},
        OrderCase{"attr_by_type_code", [] { return new CKestFWAttrInt(0, INT64_C(1)); },
                  [] { return new CKestFWAttrString(0, "x"); }, true, false},
        OrderCase{"list_after_address", [] { return new CKestFWAddressIPv4("1.1.1.1", false); },
                  [] { return new CKestFWAddressList(false); }, true, false},
        OrderCase{"ip_list_before_plain_list", [] { return ipListOf("1.1.1.1"); },
                  [] { return new CKestFWAddressList(false); }, true, false}),
    [](const testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

TEST(AddressOrderErrors, SameCodeOtherClassIsBadCast) {
    CKestFWAddressIPv4 real("1.1.1.1", false);
    FakeIPv4 fake;
    EXPECT_THROW((void)(real < fake), std::bad_cast);
}

TEST(AddressOrderErrors, ListsOfOneTypeDoNotCompare) {
    CKestFWAddressList a(false), b(false);
    try {
        (void)(a < b);
        FAIL();
    } catch (const CInvalidAddressException& e) {
        EXPECT_STREQ(e.what(), "compare address two sets");
    }
}

TEST(AddressOrderErrors, SortingMixedFormsGroupsByTypeThenFlag) {
    std::vector<std::unique_ptr<CKestFWAddress>> v;
    v.emplace_back(new CKestFWAddressEther("00:00:00:00:00:01", false));
    v.emplace_back(new CKestFWAddressIPv4("10.0.0.1", true));
    v.emplace_back(new CKestFWAddrSetID("b", false));
    v.emplace_back(new CKestFWAddressIPv4("10.0.0.3", false));
    v.emplace_back(new CKestFWAddressAny());
    v.emplace_back(new CKestFWAddrSetID("a", false));
    v.emplace_back(new CKestFWAddressIPv6("::1", false));
    std::sort(v.begin(), v.end(), [](const auto& x, const auto& y) { return *x < *y; });
    std::vector<std::string> got;
    for (const auto& a : v) got.push_back(a->toString());
    EXPECT_EQ(got, (std::vector<std::string>{"any", "ip 10.0.0.3", "not ip 10.0.0.1", "ip ::1", "mac 00:00:00:00:00:01",
                                             "addrset a", "addrset b"}));
}

// --- Id lists.

TEST(IDList, DistinctAscendingIds) {
    CKestFWIDList ids;
    EXPECT_EQ(ids.toString(), "{}");
    EXPECT_EQ(ids.getMsgSize(), 0u);
    for (unsigned id : {5u, 3u, 5u, 4294967295u}) EXPECT_TRUE(ids.addID(id));
    EXPECT_EQ(ids.getType(), 139u);
    EXPECT_EQ(ids.toString(), "{3,5,4294967295}");
    EXPECT_EQ(ids.getMsgSize(), 12u);

    std::vector<uint8_t> buf(16, 0xCC);
    unsigned used = 0;
    EXPECT_FALSE(ids.toMessage(buf.data(), 11, &used));
    EXPECT_EQ(buf, std::vector<uint8_t>(16, 0xCC));
    ASSERT_TRUE(ids.toMessage(buf.data(), 16, &used));
    EXPECT_EQ(used, 12u);
    const std::vector<uint8_t> want = {3, 0, 0, 0, 5, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0xCC, 0xCC, 0xCC, 0xCC};
    EXPECT_EQ(buf, want);
}

TEST(IDList, ListsDoNotCompare) {
    CKestFWIDList a, b;
    try {
        (void)(a < b);
        FAIL();
    } catch (const CUnsupportedException& e) {
        EXPECT_STREQ(e.what(), "compare two connection list");
        EXPECT_EQ(e.retcode(), 7u);
    }
}

}  // namespace
