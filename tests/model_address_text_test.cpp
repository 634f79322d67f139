// Addresses in the configuration language: text into objects, objects back into text, the round trip
// through the record, and the texts and values each form refuses.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/KestFWException.h"
#include "frame/KestFWLog.h"
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

using Maker = std::function<CKestFWAddress*()>;

// Writes the address into a record and builds it again with the factory.
std::unique_ptr<CKestFWAddress> throughRecord(CKestFWAddress& a) {
    FWAddress_ rec;
    memset(&rec, 0, sizeof rec);
    unsigned used = 0;
    EXPECT_TRUE(a.toMessage(&rec, sizeof rec, &used));
    return std::unique_ptr<CKestFWAddress>(CKestFWAddressFactory::newFromMsgBuf(&rec));
}

bool sameAddress(const CKestFWAddress& a, const CKestFWAddress& b) { return !(a < b) && !(b < a); }

// --- The address-set member factory: text -> object -> text, and through the record.

struct MemberText {
    FWAddrSetType_t kind;
    const char* text;
    const char* printed;
    unsigned type;
};

class MemberRoundTrip : public testing::TestWithParam<MemberText> {};

TEST_P(MemberRoundTrip, TextObjectRecordObjectText) {
    const MemberText& c = GetParam();
    std::unique_ptr<CKestFWAddress> a(CKestFWAddressFactory::newFromString(c.kind, c.text));
    EXPECT_EQ(a->getType(), c.type);
    EXPECT_FALSE(a->isNegated());
    EXPECT_EQ(a->toString(), c.printed);
    std::unique_ptr<CKestFWAddress> back = throughRecord(*a);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->toString(), c.printed);
    EXPECT_TRUE(sameAddress(*a, *back));
}

INSTANTIATE_TEST_SUITE_P(
    Factory, MemberRoundTrip,
    testing::Values(MemberText{FW_ADDRSET_IP, "10.0.0.1", "ip 10.0.0.1", 1},
                    MemberText{FW_ADDRSET_IP, "  192.168.1.254", "ip 192.168.1.254", 1},
                    MemberText{FW_ADDRSET_IP, "2001:DB8::1", "ip 2001:db8::1", 2},
                    MemberText{FW_ADDRSET_IP, "10.0.0.1-10.0.0.9", "ip 10.0.0.1-10.0.0.9", 3},
                    MemberText{FW_ADDRSET_IP, "::1-::1", "ip ::1-::1", 4},
                    MemberText{FW_ADDRSET_IP, "fe80::1-fe80::1:0", "ip fe80::1-fe80::1:0", 4},
                    MemberText{FW_ADDRSET_IP, "10.0.0.0/24", "ip 10.0.0.0/24", 5},
                    MemberText{FW_ADDRSET_IP, "10.0.0.0/255.255.0.0", "ip 10.0.0.0/16", 5},
                    MemberText{FW_ADDRSET_IP, "0.0.0.0/0", "ip 0.0.0.0/0", 5},
                    MemberText{FW_ADDRSET_IP, "2001:db8::/32", "ip 2001:db8::/32", 6},
                    MemberText{FW_ADDRSET_IP, "2001:db8::/ffff:ffff:ff00::", "ip 2001:db8::/40", 6},
                    MemberText{FW_ADDRSET_IP, "::/0", "ip ::/0", 6},
                    MemberText{FW_ADDRSET_MAC, "00:11:22:33:44:55", "mac 00:11:22:33:44:55", 7},
                    MemberText{FW_ADDRSET_MAC, "A:BB:C:DD:E:FF", "mac 0a:bb:0c:dd:0e:ff", 7},
                    MemberText{FW_ADDRSET_MAC, "aa:bb:cc:dd:ee:ff/ff:ff:ff:0:0:0",
                               "mac aa:bb:cc:dd:ee:ff/ff:ff:ff:00:00:00", 9},
                    MemberText{FW_ADDRSET_SID_ADDRESS, "S-1-5-21-1-2-3", "sid attr S-1-5-21-1-2-3", 15}),
    [](const testing::TestParamInfo<MemberText>& info) { return "case" + std::to_string(info.index); });

// --- Every form built directly, plain and negated: its wording, and the same wording after the
// record round trip (forms the factory does not read go through their own record constructor).

struct FormText {
    const char* name;
    std::function<CKestFWAddress*(bool)> make;
    const char* printed;
};

class FormRoundTrip : public testing::TestWithParam<std::tuple<FormText, bool>> {};

TEST_P(FormRoundTrip, PrintsAndSurvivesTheRecord) {
    const FormText& c = std::get<0>(GetParam());
    bool negate = std::get<1>(GetParam());
    std::unique_ptr<CKestFWAddress> a(c.make(negate));
    std::string want = c.printed;
    if (negate && a->getType() != FW_ADDRESS_ANY) want = "not " + want;
    EXPECT_EQ(a->toString(), want);

    FWAddress_ rec;
    memset(&rec, 0, sizeof rec);
    ASSERT_TRUE(a->toMessage(&rec, sizeof rec, nullptr));
    std::unique_ptr<CKestFWAddress> back;
    if (a->getType() == FW_ADDRESS_ETHER_RANGE)
        back.reset(new CKestFWAddressEtherRange(&rec));
    else
        back.reset(CKestFWAddressFactory::newFromMsgBuf(&rec));
    EXPECT_EQ(back->toString(), want);
    EXPECT_EQ(back->isNegated(), negate);
    EXPECT_TRUE(sameAddress(*a, *back));
}

in_addr v4(const char* s) {
    in_addr a{};
    inet_pton(AF_INET, s, &a);
    return a;
}
in6_addr v6(const char* s) {
    in6_addr a{};
    inet_pton(AF_INET6, s, &a);
    return a;
}
fw_ether_ mac(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint8_t e, uint8_t f) {
    return fw_ether_{{a, b, c, d, e, f}};
}

INSTANTIATE_TEST_SUITE_P(
    AllForms, FormRoundTrip,
    testing::Combine(
        testing::Values(
            FormText{"any", [](bool n) { return new CKestFWAddressAny(n); }, "any"},
            FormText{"ipv4", [](bool n) { return new CKestFWAddressIPv4(v4("1.2.3.4"), n); }, "ip 1.2.3.4"},
            FormText{"ipv6", [](bool n) { return new CKestFWAddressIPv6(v6("fe80::a"), n); }, "ip fe80::a"},
            FormText{"ipv4_range", [](bool n) { return new CKestFWAddressIPv4Range(v4("9.9.9.9"), v4("9.9.10.0"), n); },
                     "ip 9.9.9.9-9.9.10.0"},
            FormText{"ipv6_range", [](bool n) { return new CKestFWAddressIPv6Range(v6("::1"), v6("::9"), n); },
                     "ip ::1-::9"},
            FormText{"ipv4_cidr", [](bool n) { return new CKestFWAddressIPv4CIDR(v4("172.16.0.0"), 12, n); },
                     "ip 172.16.0.0/12"},
            FormText{"ipv6_cidr", [](bool n) { return new CKestFWAddressIPv6CIDR(v6("fd00::"), 8, n); }, "ip fd00::/8"},
            FormText{"ether", [](bool n) { return new CKestFWAddressEther(mac(1, 2, 3, 4, 5, 0xfe), n); },
                     "mac 01:02:03:04:05:fe"},
            FormText{
                "ether_mask",
                [](bool n) { return new CKestFWAddressEtherMask(mac(1, 0, 0, 0, 0, 0), mac(1, 0, 0, 0, 0, 0), n); },
                "mac 01:00:00:00:00:00/01:00:00:00:00:00"},
            FormText{"ether_range",
                     [](bool n) { return new CKestFWAddressEtherRange("01:00:00:00:00:00-02:00:00:00:00:00", n); },
                     "mac 01:00:00:00:00:00-02:00:00:00:00:00"},
            FormText{"addrset", [](bool n) { return new CKestFWAddrSetID("dmz-hosts", n); }, "addrset dmz-hosts"},
            FormText{"attr_int", [](bool n) { return new CKestFWAttrInt(0, "67", n); }, "int attr 67 APP_HTTP"},
            FormText{"attr_int_unknown_app", [](bool n) { return new CKestFWAttrInt(0, "-5", n); },
                     "int attr -5 unknown"},
            FormText{"attr_uint", [](bool n) { return new CKestFWAttrUInt(12, "18446744073709551615", n); },
                     "unsigned int attr 18446744073709551615"},
            FormText{"attr_string", [](bool n) { return new CKestFWAttrString(7, "www.example.com", n); },
                     "str attr www.example.com"},
            FormText{"attr_sid",
                     [](bool n) { return new CKestFWAttrSID(9, "L-01234567-89ab-cdef-0123-456789abcdef:7", n); },
                     "sid attr L-01234567-89ab-cdef-0123-456789abcdef:7"}),
        testing::Bool()),
    [](const testing::TestParamInfo<std::tuple<FormText, bool>>& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_not" : "");
    });

// --- What each form refuses: the exception's code and message.

struct Refusal {
    const char* name;
    std::function<void()> build;
    FWStatus_t code;
    std::string message;
};

class AddressRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(AddressRefusal, RaisesWithCodeAndMessage) {
    try {
        GetParam().build();
        FAIL() << "accepted";
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), GetParam().code);
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
}

template <typename T>
std::function<void()> fromText(const char* text) {
    return [text] { T a(text, false); };
}
std::function<void()> member(FWAddrSetType_t kind, std::string text) {
    return [kind, text] { delete CKestFWAddressFactory::newFromString(kind, text.c_str()); };
}

const std::string k76(76, 's');
const std::string k38(38, 'n');

INSTANTIATE_TEST_SUITE_P(
    Text, AddressRefusal,
    testing::Values(
        Refusal{"ipv4_octet", fromText<CKestFWAddressIPv4>("10.0.0.256"), 33, "10.0.0.256"},
        Refusal{"ipv4_empty", fromText<CKestFWAddressIPv4>("   "), 33, "   "},
        Refusal{"ipv6_bad", fromText<CKestFWAddressIPv6>("2001:db8:::1"), 33, "2001:db8:::1"},
        Refusal{"ipv4_range_single", fromText<CKestFWAddressIPv4Range>("10.0.0.1-10.0.0.1"), 33, "10.0.0.1-10.0.0.1"},
        Refusal{"ipv4_range_reversed", fromText<CKestFWAddressIPv4Range>("10.0.1.0-10.0.0.255"), 33,
                "10.0.1.0-10.0.0.255"},
        Refusal{"ipv4_range_no_dash", fromText<CKestFWAddressIPv4Range>("10.0.0.1"), 33, "10.0.0.1"},
        Refusal{"ipv4_range_bad_half", fromText<CKestFWAddressIPv4Range>("10.0.0.1-10.0.0"), 33, "10.0.0.1-10.0.0"},
        Refusal{"ipv6_range_reversed", fromText<CKestFWAddressIPv6Range>("::2-::1"), 33, "::2-::1"},
        Refusal{"ipv4_mask_holes", fromText<CKestFWAddressIPv4CIDR>("10.0.0.0/255.0.255.0"), 33,
                "10.0.0.0/255.0.255.0"},
        Refusal{"ipv4_prefix_33", fromText<CKestFWAddressIPv4CIDR>("10.0.0.0/33"), 33, "10.0.0.0/33"},
        Refusal{"ipv4_prefix_empty", fromText<CKestFWAddressIPv4CIDR>("10.0.0.0/"), 33, "10.0.0.0/"},
        Refusal{"ipv4_prefix_missing", fromText<CKestFWAddressIPv4CIDR>("10.0.0.0"), 33, "10.0.0.0"},
        Refusal{"ipv4_cidr_bad_host", fromText<CKestFWAddressIPv4CIDR>("10.0.0/8"), 33, "10.0.0/8"},
        Refusal{"ipv6_prefix_129", fromText<CKestFWAddressIPv6CIDR>("2001:db8::/129"), 33, "2001:db8::/129"},
        Refusal{"ipv6_mask_holes", fromText<CKestFWAddressIPv6CIDR>("2001:db8::/ffff:0:ffff::"), 33,
                "2001:db8::/ffff:0:ffff::"},
        Refusal{"ether_short", fromText<CKestFWAddressEther>("00:11:22:33:44"), 33, "00:11:22:33:44"},
        Refusal{"ether_mask_256", fromText<CKestFWAddressEtherMask>("aa:bb:cc:dd:ee:ff/ff:ff:ff:100:00:00"), 33,
                "aa:bb:cc:dd:ee:ff/ff:ff:ff:100:00:00"},
        Refusal{"ether_mask_no_mask", fromText<CKestFWAddressEtherMask>("aa:bb:cc:dd:ee:ff"), 33, "aa:bb:cc:dd:ee:ff"},
        Refusal{"ether_range_byte_order", fromText<CKestFWAddressEtherRange>("00:00:00:00:00:02-01:00:00:00:00:01"), 33,
                "invalid ethernet range: 00:00:00:00:00:02-01:00:00:00:00:01"},
        Refusal{"ether_range_single", fromText<CKestFWAddressEtherRange>("01:00:00:00:00:00-01:00:00:00:00:00"), 33,
                "invalid ethernet range: 01:00:00:00:00:00-01:00:00:00:00:00"},
        Refusal{"member_kind", member(3, "10.0.0.1"), 7, "unsupported address set type: 3"},
        Refusal{"member_sid_kind15", member(FW_ADDRSET_SID, "S-1-5"), 7, "unsupported address set type: 15"},
        Refusal{"member_sid_76", member(FW_ADDRSET_SID_ADDRESS, k76), 32, "id is too long: " + k76},
        Refusal{"member_mac_bad_digit", member(FW_ADDRSET_MAC, "00:11:22:33:44:zz"), 33, "00:11:22:33:44:zz"},
        Refusal{"member_ip_bad", member(FW_ADDRSET_IP, "10.0.0.1-10.0.0.0"), 33, "10.0.0.1-10.0.0.0"},
        Refusal{"addrset_38", [] { CKestFWAddrSetID a(k38.c_str(), false); }, 32, "id is too long: " + k38},
        Refusal{"attr_string_129", [] { CKestFWAttrString a(7, std::string(129, 'w').c_str()); }, 32,
                "id is too long: " + std::string(129, 'w')},
        Refusal{"attr_sid_76", [] { CKestFWAttrSID a(8, k76.c_str()); }, 32, "id is too long: " + k76},
        Refusal{"attr_int_text", [] { CKestFWAttrInt a(0, "12x"); }, 33, "12x"},
        Refusal{"attr_uint_text", [] { CKestFWAttrUInt a(0, ""); }, 33, ""}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Binary, AddressRefusal,
    testing::Values(
        Refusal{"ipv4_range_single", [] { CKestFWAddressIPv4Range a(v4("10.0.0.1"), v4("10.0.0.1"), false); }, 33,
                "invalid IPv4 range: 10.0.0.1 - 10.0.0.1"},
        // Numeric order, not byte order of the stored word.
        Refusal{"ipv4_range_reversed", [] { CKestFWAddressIPv4Range a(v4("1.0.0.2"), v4("0.0.0.3"), false); }, 33,
                "invalid IPv4 range: 1.0.0.2 - 0.0.0.3"},
        Refusal{"ipv6_range_last_word", [] { CKestFWAddressIPv6Range a(v6("2001:db8::ff"), v6("2001:db9::1"), false); },
                33, "invalid IPv6 range: 2001:db8::ff - 2001:db9::1"},
        Refusal{"ipv4_prefix", [] { CKestFWAddressIPv4CIDR a(v4("10.0.0.0"), 33, false); }, 33,
                "invalid ipv4 cidr: 33"},
        Refusal{"ipv6_prefix", [] { CKestFWAddressIPv6CIDR a(v6("::"), 200, false); }, 33, "invalid ipv6 cidr: 200"},
        Refusal{"ether_range", [] { CKestFWAddressEtherRange a(mac(2, 0, 0, 0, 0, 1), mac(1, 0, 0, 0, 0, 1), false); },
                33, "invalid ethernet range: 02:00:00:00:00:01-01:00:00:00:00:01"},
        Refusal{"addrset_unterminated",
                [] {
                    FWAddrSetID_t id;
                    memset(id.name, 'q', sizeof id.name);
                    CKestFWAddrSetID a(id, false);
                },
                32, "id is too long: " + std::string(38, 'q')}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST(AddressText, LongestAcceptedValues) {
    std::string name37(37, 'n');
    CKestFWAddrSetID set(name37.c_str(), true);
    EXPECT_EQ(set.getName(), name37);
    EXPECT_EQ(set.toString(), "not addrset " + name37);

    std::string sid75 = "S-1-" + std::string(71, '1');
    std::unique_ptr<CKestFWAddress> sid(CKestFWAddressFactory::newFromString(FW_ADDRSET_SID_ADDRESS, sid75.c_str()));
    EXPECT_EQ(sid->toString(), "sid attr " + sid75);
    auto* attr = dynamic_cast<CKestFWAttrSID*>(sid.get());
    ASSERT_NE(attr, nullptr);
    EXPECT_EQ(attr->getAttrID(), 8u);
    EXPECT_EQ(attr->getValueType(), 5u);

    std::string s128(128, 'w');
    CKestFWAttrString str(7, s128.c_str());
    std::unique_ptr<CKestFWAddress> back = throughRecord(str);
    EXPECT_EQ(back->toString(), "str attr " + s128);
}

TEST(AddressText, TextRangeOrderDiffersFromRecordRangeOrder) {
    // As text the ends compare as numbers; from a record the kernel's word rule applies.
    CKestFWAddressIPv6Range text("2001:db8::ff-2001:db9::1", false);
    EXPECT_EQ(text.toString(), "ip 2001:db8::ff-2001:db9::1");
    FWAddress_ rec;
    memset(&rec, 0, sizeof rec);
    ASSERT_TRUE(text.toMessage(&rec, sizeof rec, nullptr));
    EXPECT_THROW(delete CKestFWAddressFactory::newFromMsgBuf(&rec), CInvalidIPv6RangeException);
}

TEST(AddressText, MaskFormStoresPrefixAndMask) {
    CKestFWAddressIPv4CIDR a("10.1.0.0/255.255.0.0", false);
    in_addr addr, mask;
    unsigned char prefix = 0;
    a.getAddress(&addr, &prefix, &mask);
    EXPECT_EQ(prefix, 16);
    EXPECT_EQ(ntohl(mask.s_addr), 0xffff0000u);
    EXPECT_EQ(ntohl(addr.s_addr), 0x0a010000u);

    CKestFWAddressIPv6CIDR b("2001:db8::1/64", true);
    in6_addr m6;
    EXPECT_TRUE(b.getAddress(nullptr, &prefix, &m6));
    EXPECT_EQ(prefix, 64);
    EXPECT_EQ(m6.s6_addr[7], 0xff);
    EXPECT_EQ(m6.s6_addr[8], 0x00);
}

struct Predicates {
    const char* name;
    Maker make;
    bool ip, mac, container, v4, v6;
    const char* name_;
};

class AddressPredicates : public testing::TestWithParam<Predicates> {};

TEST_P(AddressPredicates, AnswerByForm) {
    const Predicates& p = GetParam();
    std::unique_ptr<CKestFWAddress> a(p.make());
    EXPECT_EQ(a->isIPAddress(), p.ip);
    EXPECT_EQ(a->isMACAddress(), p.mac);
    EXPECT_EQ(a->isContainer(), p.container);
    EXPECT_EQ(a->isIPv4Address(), p.v4);
    EXPECT_EQ(a->isIPv6Address(), p.v6);
    EXPECT_EQ(a->getName(), p.name_);
}

INSTANTIATE_TEST_SUITE_P(
    AllForms, AddressPredicates,
    testing::Values(
        Predicates{"any", [] { return new CKestFWAddressAny(); }, false, false, false, false, false, ""},
        Predicates{"ipv4", [] { return new CKestFWAddressIPv4("1.1.1.1", false); }, true, false, false, true, false,
                   ""},
        Predicates{"ipv4_range", [] { return new CKestFWAddressIPv4Range("1.1.1.1-1.1.1.2", false); }, true, false,
                   false, true, false, ""},
        Predicates{"ipv4_cidr", [] { return new CKestFWAddressIPv4CIDR("1.1.1.0/24", false); }, true, false, false,
                   true, false, ""},
        Predicates{"ipv6", [] { return new CKestFWAddressIPv6("::1", false); }, true, false, false, false, true, ""},
        Predicates{"ipv6_range", [] { return new CKestFWAddressIPv6Range("::1-::2", false); }, true, false, false,
                   false, true, ""},
        Predicates{"ipv6_cidr", [] { return new CKestFWAddressIPv6CIDR("::/1", false); }, true, false, false, false,
                   true, ""},
        Predicates{"ether", [] { return new CKestFWAddressEther("0:0:0:0:0:1", false); }, false, true, false, false,
                   false, ""},
        Predicates{"ether_mask", [] { return new CKestFWAddressEtherMask("0:0:0:0:0:1/0:0:0:0:0:1", false); }, false,
                   true, false, false, false, ""},
        Predicates{"ether_range", [] { return new CKestFWAddressEtherRange("1:0:0:0:0:0-2:0:0:0:0:0", false); }, false,
                   true, false, false, false, ""},
        Predicates{"addrset", [] { return new CKestFWAddrSetID("s1", false); }, false, false, true, false, false, "s1"},
        Predicates{"attr", [] { return new CKestFWAttrUInt(1, "5"); }, false, false, true, false, false, ""}),
    [](const testing::TestParamInfo<Predicates>& info) { return std::string(info.param.name); });

std::vector<std::string> g_logLines;
void captureLog(int, const char* fmt, va_list ap) {
    char buf[512];
    vsnprintf(buf, sizeof buf, fmt, ap);
    g_logLines.push_back(buf);
}

TEST(AddressText, UnknownApplicationIsWarnedAndPrintedAsUnknown) {
    g_logLines.clear();
    FW_RegisterLogger(captureLog, 0);
    CKestFWAttrInt known(0, INT64_C(67));
    CKestFWAttrInt unknown(0, INT64_C(0x100000000) + 99999);  // only the low 32 bits name the application
    std::string a = known.toString(), b = unknown.toString();
    FW_UnregisterLogger();
    EXPECT_EQ(a, "int attr 67 APP_HTTP");
    EXPECT_EQ(b, "int attr 4295067295 unknown");
    ASSERT_EQ(g_logLines.size(), 1u);
    EXPECT_NE(g_logLines[0].find("app protobuf value 99999 not found"), std::string::npos) << g_logLines[0];
}

}  // namespace
