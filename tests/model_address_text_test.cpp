// Addresses in the configuration language: set members read by the factory and printed back (also
// after the record trip), the texts and values each form refuses, and the longest values accepted.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>

#include "support/AddressMakers.h"
#include "support/LogCapture.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

std::unique_ptr<CKestFWAddress> throughRecord(CKestFWAddress& a) {
    FWAddress_ rec = recordOf(a);
    return std::unique_ptr<CKestFWAddress>(CKestFWAddressFactory::newFromMsgBuf(&rec));
}

TEST(AddressText, FactoryReadsEachMemberFormAndPrintsItBack) {
    // clang-format off
    const std::tuple<FWAddrSetType_t, const char*, unsigned, const char*> cases[] = {
        {FW_ADDRSET_IP, "  192.168.1.254", 1, "ip 192.168.1.254"},
        {FW_ADDRSET_IP, "2001:DB8::1", 2, "ip 2001:db8::1"},
        {FW_ADDRSET_IP, "10.0.0.1-10.0.0.9", 3, "ip 10.0.0.1-10.0.0.9"},
        {FW_ADDRSET_IP, "::1-::1", 4, "ip ::1-::1"},
        {FW_ADDRSET_IP, "10.0.0.0/255.255.0.0", 5, "ip 10.0.0.0/16"},
        {FW_ADDRSET_IP, "0.0.0.0/0", 5, "ip 0.0.0.0/0"},
        {FW_ADDRSET_IP, "2001:db8::/ffff:ffff:ff00::", 6, "ip 2001:db8::/40"},
        {FW_ADDRSET_IP, "::/0", 6, "ip ::/0"},
        {FW_ADDRSET_MAC, "A:BB:C:DD:E:FF", 7, "mac 0a:bb:0c:dd:0e:ff"},
        {FW_ADDRSET_MAC, "aa:bb:cc:dd:ee:ff/ff:ff:ff:0:0:0", 9, "mac aa:bb:cc:dd:ee:ff/ff:ff:ff:00:00:00"},
        {FW_ADDRSET_SID_ADDRESS, "S-1-5-21-1-2-3", 15, "sid attr S-1-5-21-1-2-3"}};
    // clang-format on
    for (const auto& [kind, text, type, printed] : cases) {
        std::unique_ptr<CKestFWAddress> a(CKestFWAddressFactory::newFromString(kind, text));
        EXPECT_EQ(a->getType(), type) << text;
        EXPECT_FALSE(a->isNegated());
        EXPECT_EQ(a->toString(), printed);
        std::unique_ptr<CKestFWAddress> back = throughRecord(*a);
        EXPECT_EQ(back->toString(), printed);
        EXPECT_FALSE(*a < *back || *back < *a) << text;
    }
}

struct Refusal {
    const char* name;
    std::function<void()> build;
    FWStatus_t code;
    std::string message;
};

class AddressRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(AddressRefusal, RaisesWithCodeAndMessage) {
    expectRefusal(GetParam().build, GetParam().code, GetParam().message);
}

template <typename T, typename... A>
std::function<void()> build(A... args) {
    return [=] { T a(args..., false); };
}
std::function<void()> member(FWAddrSetType_t kind, std::string text) {
    return [kind, text] { delete CKestFWAddressFactory::newFromString(kind, text.c_str()); };
}

const std::string k76(76, 's');
const std::string k38(38, 'n');
const std::string k129(129, 'w');

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    TextAndValues, AddressRefusal,
    testing::Values(
        Refusal{"ipv4_octet", build<CKestFWAddressIPv4>("10.0.0.256"), 33, "10.0.0.256"},
        Refusal{"ipv4_range_single", build<CKestFWAddressIPv4Range>("10.0.0.1-10.0.0.1"), 33, "10.0.0.1-10.0.0.1"},
        Refusal{"ipv4_range_reversed", build<CKestFWAddressIPv4Range>("10.0.1.0-10.0.0.255"), 33, "10.0.1.0-10.0.0.255"},
        Refusal{"ipv4_range_no_dash", build<CKestFWAddressIPv4Range>("10.0.0.1"), 33, "10.0.0.1"},
        Refusal{"ipv6_range_reversed", build<CKestFWAddressIPv6Range>("::2-::1"), 33, "::2-::1"},
        Refusal{"ipv4_mask_holes", build<CKestFWAddressIPv4CIDR>("10.0.0.0/255.0.255.0"), 33, "10.0.0.0/255.0.255.0"},
        Refusal{"ipv4_prefix_33", build<CKestFWAddressIPv4CIDR>("10.0.0.0/33"), 33, "10.0.0.0/33"},
        Refusal{"ipv4_prefix_missing", build<CKestFWAddressIPv4CIDR>("10.0.0.0"), 33, "10.0.0.0"},
        Refusal{"ipv6_prefix_129", build<CKestFWAddressIPv6CIDR>("2001:db8::/129"), 33, "2001:db8::/129"},
        Refusal{"ipv6_mask_holes", build<CKestFWAddressIPv6CIDR>("2001:db8::/ffff:0:ffff::"), 33, "2001:db8::/ffff:0:ffff::"},
        Refusal{"ether_short", build<CKestFWAddressEther>("00:11:22:33:44"), 33, "00:11:22:33:44"},
        Refusal{"ether_mask_256", build<CKestFWAddressEtherMask>("aa:bb:cc:dd:ee:ff/ff:ff:ff:100:00:00"), 33,
                "aa:bb:cc:dd:ee:ff/ff:ff:ff:100:00:00"},
        // The first byte of an Ethernet address counts least when the ends are ordered.
        Refusal{"ether_range_byte_order", build<CKestFWAddressEtherRange>("00:00:00:00:00:02-01:00:00:00:00:01"), 33,
                "invalid ethernet range: 00:00:00:00:00:02-01:00:00:00:00:01"},
        Refusal{"ether_range_single", build<CKestFWAddressEtherRange>("01:00:00:00:00:00-01:00:00:00:00:00"), 33,
                "invalid ethernet range: 01:00:00:00:00:00-01:00:00:00:00:00"},
        Refusal{"member_kind", member(3, "10.0.0.1"), 7, "unsupported address set type3"},
        Refusal{"member_mac_bad_digit", member(FW_ADDRSET_MAC, "00:11:22:33:44:zz"), 33, "00:11:22:33:44:zz"},
        Refusal{"addrset_38", build<CKestFWAddrSetID>(k38.c_str()), 32, "id is too long: " + k38},
        Refusal{"attr_string_129", build<CKestFWAttrString>(7, k129.c_str()), 32, "id is too long: " + k129},
        Refusal{"attr_sid_76", build<CKestFWAttrSID>(8, k76.c_str()), 32, "id is too long: " + k76},
        Refusal{"attr_int_text", build<CKestFWAttrInt>(0, "12x"), 33, "12x"},
        // Numeric order, not byte order of the stored word.
        Refusal{"value_ipv4_range_reversed", build<CKestFWAddressIPv4Range>(v4("1.0.0.2"), v4("0.0.0.3")), 33,
                "invalid IPv4 range: 1.0.0.2 - 0.0.0.3"},
        Refusal{"value_ipv6_range_last_word", build<CKestFWAddressIPv6Range>(v6("2001:db8::ff"), v6("2001:db9::1")), 33,
                "invalid IPv6 range: 2001:db8::ff - 2001:db9::1"},
        Refusal{"value_ipv4_prefix", build<CKestFWAddressIPv4CIDR>(v4("10.0.0.0"), 33), 33, "invalid ipv4 cidr: 33"},
        Refusal{"value_ipv6_prefix", build<CKestFWAddressIPv6CIDR>(v6("::"), 200), 33, "invalid ipv6 cidr: 200"}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });
// clang-format on

TEST(AddressText, LongestAcceptedValues) {
    const std::string name37(37, 'n'), sid75 = "S-1-" + std::string(71, '1'), s128(128, 'w');
    EXPECT_EQ(CKestFWAddrSetID(name37.c_str(), true).toString(), "not addrset " + name37);
    std::unique_ptr<CKestFWAddress> sid(CKestFWAddressFactory::newFromString(FW_ADDRSET_SID_ADDRESS, sid75.c_str()));
    EXPECT_EQ(throughRecord(*sid)->toString(), "sid attr " + sid75);
    auto* attr = dynamic_cast<CKestFWAttrSID*>(sid.get());
    ASSERT_NE(attr, nullptr);
    EXPECT_EQ(std::make_pair(attr->getAttrID(), attr->getValueType()), std::make_pair(8u, 5u));
    CKestFWAttrString str(7, s128.c_str());
    EXPECT_EQ(throughRecord(str)->toString(), "str attr " + s128);
}

TEST(AddressText, UnknownApplicationIsWarnedAndPrintedAsUnknown) {
    LogCapture log;
    CKestFWAttrInt known(0, INT64_C(67));
    CKestFWAttrInt unknown(0, INT64_C(0x100000000) + 99999);  // only the low 32 bits name the application
    EXPECT_EQ(known.toString(), "int attr 67 APP_HTTP");
    EXPECT_EQ(unknown.toString(), "int attr 4295067295 unknown");
    ASSERT_EQ(log.all().size(), 1u);
    EXPECT_TRUE(log.has("app protobuf value 99999 not found")) << log.all()[0];
}

}  // namespace
