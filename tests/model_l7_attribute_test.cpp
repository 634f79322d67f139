// L7 attributes: hand-written encodings, untrusted decodings, construction refusals, text and ordering.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/KestFWException.h"
#include "model/KestFWL7Attribute.h"
#include "support/LogCapture.h"
#include "support/WireBytes.h"

using namespace KestFirewall;
using namespace kestfw_test;
typedef CKestFWL7Attribute Attr;

namespace {

const uint8_t kUuid[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                           0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};

Bytes encode(const Attr& a) {
    Bytes out(a.getTlvLength() + 16, 0xEE);
    unsigned int written = 0;
    EXPECT_TRUE(a.serializeValue(out.data(), unsigned(out.size()), &written));
    EXPECT_EQ(written, a.getTlvLength());
    out.resize(written);
    return out;
}

Attr decode(const Bytes& b) { return Attr(reinterpret_cast<const _FWAttrValue*>(b.data()), unsigned(b.size())); }

struct Golden {
    const char* label;
    Attr (*make)();
    const char* hex;  // u16 key, u16 value type, u32 total length, u16 0, value
    const char* text;
};

const Golden kGolden[] = {
    {"TlsVersionByName", [] { return Attr(FW_ATTR_KEY_TLS_VERSION, std::string("TLS_V12"), 0); },
     "0100 0200 12000000 0000 0303 00*6", "TLS_VERSION : TLS_V12"},
    {"AppIdByNumber", [] { return Attr(FW_ATTR_KEY_APP_ID, -1L, 0); }, "0000 0200 12000000 0000 ff*8",
     "APP_ID : APP_INVALID"},
    {"ProcessHash", [] { return Attr(FW_ATTR_KEY_PROCESS_HASH, 0xdeadbeefcafef00dUL, 0); },
     "0a00 0100 12000000 0000 0df0feca efbeadde", "PROCESS_HASH : 16045690984503111693"},
    {"FqdnWithText", [] { return Attr(FW_ATTR_KEY_FQDN, kUuid, "a.io", 0); },
     "0700 0300 21000000 0000 0123456789abcdef 0011223344556677 0500 612e696f00", "FQDN : a.io"},
    {"WinSid", [] { return Attr(FW_ATTR_KEY_WIN_SID, std::string("S-1-5-21-1-2-3"), 0); },
     "0800 0400 52000000 0000 00000000 0104 000000000005 15000000 01000000 02000000 03000000 00*44",
     "WIN_SID : S-1-5-21-1-2-3"},
    {"Interval", [] { return Attr(FW_ATTR_KEY_TB_INTRV_ID, std::string("9:00,17:30"), 0); },
     "0f00 0500 1e000000 0000 907e000000000000 18f6000000000000 07000000", "TB_INTRV_ID : 9:0,17:30"},
    {"DnsOneLetter", [] { return Attr(FW_ATTR_KEY_DNS_TXN, std::string("a"), 1u, 3u, 0x1234u, 0); },
     "1100 0600 1a000000 0000 01000000 03000000 34120000 0200 6100",
     "DNS_TXN : fqdn: a, rr_type: 1, r_code: 3, txn_id: 4660"},
    {"WeekDay", [] { return Attr(FW_ATTR_KEY_TB_DOW_ID, 3UL, 0); }, "0c00 0100 12000000 0000 03 00*7",
     "TB_DOW_ID : WEDNESDAY"},
    // 1700000000 is 2023-11-14 22:13:20 UTC.
    {"StartTime", [] { return Attr(FW_ATTR_KEY_TB_ST_ID, 1700000000UL, 0); }, "0d00 0100 12000000 0000 00f15365 00*4",
     "TB_ST_ID : 2023-22:13"},
    {"EndTimeBeyondCalendar", [] { return Attr(FW_ATTR_KEY_TB_ET_ID, 0xffffffffffffffffUL, 0); },
     "0e00 0100 12000000 0000 ff*8", "TB_ET_ID : 18446744073709551615"},
};

class L7Golden : public ::testing::TestWithParam<Golden> {};

TEST_P(L7Golden, EncodesDecodesAndPrints) {
    const Bytes bytes = hexBytes(GetParam().hex);
    const Attr a = GetParam().make();
    EXPECT_EQ(a.getMsgSize(), bytes.size() + 8);
    EXPECT_EQ(encode(a), bytes);
    EXPECT_EQ(a.toString(), GetParam().text);
    const Attr b = decode(bytes);
    EXPECT_TRUE(b == a && a == b && !(a < b) && !(b < a));
    EXPECT_EQ(b.toString(), GetParam().text);
    EXPECT_EQ(encode(b), bytes);
    Bytes small(bytes.size() - 1, 0xEE);
    unsigned int written = 99;
    EXPECT_FALSE(a.serializeValue(small.data(), unsigned(small.size()), &written));
    EXPECT_FALSE(a.serializeValue(nullptr, 1000, &written));
    EXPECT_EQ(written, 99u);
    EXPECT_EQ(small, Bytes(small.size(), 0xEE));
}

INSTANTIATE_TEST_SUITE_P(L7, L7Golden, ::testing::ValuesIn(kGolden),
                         [](const ::testing::TestParamInfo<Golden>& i) { return std::string(i.param.label); });

TEST(L7Text, PrintedValueParsesToTheSameAttribute) {
    const struct {
        FWAttrKeyID key;
        const char *in, *printed;
    } cases[] = {
        {FW_ATTR_KEY_APP_ID, "APP_SSH", "APP_SSH"},
        {FW_ATTR_KEY_WIN_SID, "L-01234567-89ab-cdef-0011-223344556677:42", "L-01234567-89ab-cdef-0011-223344556677:42"},
        {FW_ATTR_KEY_TB_INTRV_ID, "08:05,18:00,6", "8:5,18:0,SATURDAY"}};
    for (const auto& c : cases) {
        const Attr a(c.key, std::string(c.in), 0);
        EXPECT_EQ(a.getString(), c.printed);
        const Attr b(c.key, a.getString(), 0);
        EXPECT_TRUE(a == b) << c.in;
        EXPECT_EQ(b.toString(), a.toString());
    }
}

// A refusal's text: what was refused (the key: 66, the value: 67), then why.
std::string refusal(FWStatus_t code, const char* why) {
    return std::string(code == 66 ? "invalid attribute key " : "invalid attribute value ") + why;
}

TEST(L7Construction, RefusesWithCodeAndMessage) {
    const struct {
        void (*make)();
        FWStatus_t code;
        const char* why;
    } cases[] = {
        {[] { Attr(18, std::string("x"), 0); }, 66, "18"},
        {[] { Attr(FW_ATTR_KEY_PROCESS_HASH, std::string("x"), 0); }, 67,
         "invalid type for key: PROCESS_HASH value: x"},
        {[] { Attr(FW_ATTR_KEY_HTTP_METHOD, std::string("get"), 0); }, 67,
         "unmapped value for key: HTTP_METHOD value: get"},
        {[] { Attr(FW_ATTR_KEY_TLS_VERSION, 900L, 0); }, 67, "invalid int value 900 for key TLS_VERSION"},
        {[] { Attr(FW_ATTR_KEY_TB_DOW_ID, 3L, 0); }, 67, "invalid type for TB_DOW_ID value: 3"},
        {[] { Attr(FW_ATTR_KEY_WIN_SID, std::string("S-2-5"), 0); }, 67, "invalid sid value S-2-5"},
        {[] { Attr(FW_ATTR_KEY_TB_INTRV_ID, std::string("9:00"), 0); }, 67, "invalid interval value 9:00"},
        {[] { Attr(FW_ATTR_KEY_DNS_TXN, kUuid, "a", 0); }, 67, "invalid type for DNS_TXN value: a"},
        {[] { Attr(FW_ATTR_KEY_FQDN, kUuid, std::string(65535, 'x'), 0); }, 67,
         "string of 65535 characters too long for key FQDN"},
        {[] { Attr(nullptr, 18); }, 67, "null value pointer"},
    };
    for (const auto& c : cases) {
        try {
            c.make();
            ADD_FAILURE() << c.why << ": no exception";
        } catch (const CKestFWException& e) {
            EXPECT_EQ(e.retcode(), c.code) << c.why;
            EXPECT_EQ(e.what(), refusal(c.code, c.why));
        }
    }
}

const char* const kInvalid = "invalid FWAttr Value";

struct BadRecord {
    const char* label;
    const char* hex;
    FWStatus_t code;
    const char* why;  // the exception's text starts with its refusal
    const char* log;  // a structural refusal is also logged; "" for the others
};

const BadRecord kBadRecords[] = {
    {"ShorterThanHeader", "0100 0200 09000000 00", 67, "size of value pointer 9 is less than minsize 10", ""},
    {"LengthFieldDisagrees", "0100 0200 13000000 0000 0303 00*6", 67, kInvalid,
     "size of buffer (18) != length of fwattrvalue (19)"},
    {"SignedOfSeventeen", "0000 0000 11000000 0000 01020304050607", 67, kInvalid, "invalid size for int attribute"},
    {"UuidTextLengthTooLong", "0500 0300 1e000000 0000 00*16 0300 6100", 67, kInvalid,
     "invalid size for uuid attribute"},
    {"UuidTextWithoutNul", "0500 0300 1e000000 0000 00*16 0200 6162", 67, "buffer size 2 is less than string length 3",
     ""},
    {"SidOfEightyOne", "0800 0400 51000000 0000 00*71", 67, kInvalid, "invalid size for sid attribute"},
    {"IntervalOfTwentyNine", "0f00 0500 1d000000 0000 00*19", 67, kInvalid, "invalid size for interval attribute"},
    {"DnsShorterThanFixedPart", "1100 0600 17000000 0000 00*13", 67, kInvalid,
     "invalid minimum size for dns attribute"},
    {"UnknownValueType", "0100 0700 12000000 0000 00*8", 67, kInvalid, "unknown attribute value"},
    {"UnknownKey", "1200 0200 12000000 0000 00*8", 66, "invalid key id 18", ""},
    {"TypeNotTheKeys", "0100 0100 12000000 0000 00*8", 67, "invalid type for key 1", ""},
    {"NumberOutsideVocabulary", "0100 0200 12000000 0000 8403 00*6", 67, "invalid encoded int value 900 for key 1", ""},
    {"SidOfUnknownKind", "0900 0400 52000000 0000 00000000 0301 00*66", 67, "invalid sid value 0000000003010000", ""},
};

class L7BadRecord : public ::testing::TestWithParam<BadRecord> {};

TEST_P(L7BadRecord, RaisesWithCodeAndMessage) {
    const Bytes b = hexBytes(GetParam().hex);
    LogCapture log;
    try {
        decode(b);
        FAIL() << "no exception";
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), GetParam().code);
        const std::string expected = refusal(GetParam().code, GetParam().why);
        EXPECT_EQ(std::string(e.what()).substr(0, expected.size()), expected);
    }
    if (*GetParam().log) {
        EXPECT_TRUE(log.has(GetParam().log)) << GetParam().log;
    }
    // The structural check alone passes exactly the records refused for their meaning.
    EXPECT_EQ(Attr::checkFWAttrValue(reinterpret_cast<const _FWAttrValue*>(b.data()), unsigned(b.size())),
              !*GetParam().log && b.size() >= 10);
}

INSTANTIATE_TEST_SUITE_P(L7, L7BadRecord, ::testing::ValuesIn(kBadRecords),
                         [](const ::testing::TestParamInfo<BadRecord>& i) { return std::string(i.param.label); });

TEST(L7Order, ByKeyTypeThenValueAndEqualOnlyWhenWhole) {
    const uint8_t low[16] = {0};
    uint64_t first, second;
    memcpy(&first, kUuid, 8);
    memcpy(&second, kUuid + 8, 8);
    EXPECT_TRUE(Attr(FW_ATTR_KEY_HTTP_PATH, first, second, "aaa", 0) == Attr(FW_ATTR_KEY_HTTP_PATH, kUuid, "aaa", 0));
    const std::vector<Attr> ordered = {
        Attr(FW_ATTR_KEY_APP_ID, -1L, 0),
        Attr(FW_ATTR_KEY_APP_ID, 4L, 0),
        Attr(FW_ATTR_KEY_TLS_VERSION, 767L, 0),
        Attr(FW_ATTR_KEY_HTTP_PATH, low, "zzz", 0),
        Attr(FW_ATTR_KEY_HTTP_PATH, first, second, "aaa", 0),
        Attr(FW_ATTR_KEY_WIN_SID, std::string("S-1-5-21"), 0),
        Attr(FW_ATTR_KEY_WIN_SID, std::string("S-1-5-3"), 0),
        Attr(FW_ATTR_KEY_PROCESS_HASH, 1UL, 0),
        Attr(FW_ATTR_KEY_PROCESS_HASH, 0x8000000000000000UL, 0),
        Attr(FW_ATTR_KEY_DNS_TXN, std::string("z"), 1u, 1u, 1u, 0),
        Attr(FW_ATTR_KEY_DNS_TXN, std::string("a"), 1u, 1u, 2u, 0),
    };
    for (size_t i = 0; i < ordered.size(); ++i)
        for (size_t j = 0; j < ordered.size(); ++j) {
            EXPECT_EQ(ordered[i] < ordered[j], i < j) << i << " " << j;
            EXPECT_EQ(ordered[i] == ordered[j], i == j) << i << " " << j;
        }
}

}  // namespace
