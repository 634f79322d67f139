// L7 attributes: encodings against hand-written bytes, decoding of untrusted encodings, construction
// rules, text forms and ordering.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "frame/KestFWException.h"
#include "kestfw/kestfw_frame.h"
#include "model/KestFWL7Attribute.h"

using namespace KestFirewall;
typedef std::vector<uint8_t> Bytes;

namespace {

std::vector<std::string> g_log;
void captureLog(int, const char* fmt, va_list ap) {
    char buf[512];
    vsnprintf(buf, sizeof buf, fmt, ap);
    g_log.push_back(buf);
}

class L7Test : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        FW_RegisterLogger(captureLog, 6);
    }
    void TearDown() override { FW_UnregisterLogger(); }
    static bool logged(const std::string& text) {
        for (const auto& l : g_log)
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
};

Bytes encode(const CKestFWL7Attribute& a) {
    Bytes out(a.getTlvLength() + 16, 0xEE);
    unsigned int written = 0;
    EXPECT_TRUE(a.serializeValue(out.data(), static_cast<unsigned int>(out.size()), &written));
    EXPECT_EQ(written, a.getTlvLength());
    out.resize(written);
    return out;
}

CKestFWL7Attribute decode(const Bytes& b) {
    return CKestFWL7Attribute(reinterpret_cast<const _FWAttrValue*>(b.data()), static_cast<unsigned int>(b.size()));
}

const uint8_t kUuid[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                           0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes zeros(size_t n) { return Bytes(n, 0); }
Bytes uuidBytes() { return Bytes(kUuid, kUuid + 16); }

struct Golden {
    const char* label;
    CKestFWL7Attribute (*make)();
    Bytes bytes;
    const char* text;
};

// The bytes below follow the record layout: u16 key, u16 value type, u32 total length, u16 0, value.
const Golden kGolden[] = {
    {"TlsVersionByName",
     [] { return CKestFWL7Attribute(FW_ATTR_KEY_TLS_VERSION, std::string("TLS_V12"), 0); },
     {0x01, 0x00, 0x02, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x03, 0, 0, 0, 0, 0, 0},
     "TLS_VERSION : TLS_V12"},
    {"AppIdByNumber",
     [] { return CKestFWL7Attribute(FW_ATTR_KEY_APP_ID, -1L, 0); },
     {0x00, 0x00, 0x02, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff},
     "APP_ID : APP_INVALID"},
    {"ProcessHash",
     [] { return CKestFWL7Attribute(FW_ATTR_KEY_PROCESS_HASH, 0xdeadbeefcafef00dUL, 0); },
     {0x0a, 0x00, 0x01, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0d, 0xf0, 0xfe, 0xca, 0xef, 0xbe, 0xad, 0xde},
     "PROCESS_HASH : 16045690984503111693"},
    {"HttpPathEmpty", [] { return CKestFWL7Attribute(FW_ATTR_KEY_HTTP_PATH, kUuid, "", 0); },
     cat({{0x05, 0x00, 0x03, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x00, 0x00}, uuidBytes(), {0x00, 0x00}}), "HTTP_PATH : "},
    {"FqdnWithText", [] { return CKestFWL7Attribute(FW_ATTR_KEY_FQDN, kUuid, "a.io", 0); },
     cat({{0x07, 0x00, 0x03, 0x00, 0x21, 0x00, 0x00, 0x00, 0x00, 0x00},
          uuidBytes(),
          {0x05, 0x00, 'a', '.', 'i', 'o', 0}}),
     "FQDN : a.io"},
    {"WinSid", [] { return CKestFWL7Attribute(FW_ATTR_KEY_WIN_SID, std::string("S-1-5-21-1-2-3"), 0); },
     cat({{0x08, 0x00, 0x04, 0x00, 0x52, 0x00, 0x00, 0x00, 0x00, 0x00},
          {0, 0, 0, 0, 0x01, 0x04, 0, 0, 0, 0, 0, 0x05, 21, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0},
          zeros(72 - 28)}),
     "WIN_SID : S-1-5-21-1-2-3"},
    {"Interval",
     [] { return CKestFWL7Attribute(FW_ATTR_KEY_TB_INTRV_ID, std::string("9:00,17:30"), 0); },
     {0x0f, 0x00, 0x05, 0x00, 0x1e, 0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x7e, 0,    0,    0,
      0,    0,    0,    0x18, 0xf6, 0,    0,    0,    0,    0,    0,    0x07, 0x00, 0x00, 0x00},
     "TB_INTRV_ID : 9:0,17:30"},
    {"IntervalOnMonday",
     [] { return CKestFWL7Attribute(FW_ATTR_KEY_TB_INTRV_ID, std::string("0:05,1:00,1"), 0); },
     {0x0f, 0x00, 0x05, 0x00, 0x1e, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x01, 0,    0,    0,
      0,    0,    0,    0x10, 0x0e, 0,    0,    0,    0,    0,    0,    0x01, 0x00, 0x00, 0x00},
     "TB_INTRV_ID : 0:5,1:0,MONDAY"},
    {"DnsOneLetter",
     [] { return CKestFWL7Attribute(FW_ATTR_KEY_DNS_TXN, std::string("a"), 1u, 3u, 0x1234u, 0); },
     {0x11, 0x00, 0x06, 0x00, 0x1a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0,   0,
      0,    0x03, 0,    0,    0,    0x34, 0x12, 0,    0,    0x02, 0x00, 'a', 0},
     "DNS_TXN : fqdn: a, rr_type: 1, r_code: 3, txn_id: 4660"},
    {"DnsEmpty",
     [] { return CKestFWL7Attribute(FW_ATTR_KEY_DNS_TXN, std::string(), 28u, 0u, 7u, 0); },
     {0x11, 0x00, 0x06, 0x00, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1c, 0, 0, 0, 0, 0, 0, 0, 0x07, 0, 0, 0, 0, 0},
     "DNS_TXN : fqdn: , rr_type: 28, r_code: 0, txn_id: 7"},
    {"WeekDay",
     [] { return CKestFWL7Attribute(FW_ATTR_KEY_TB_DOW_ID, 3UL, 0); },
     {0x0c, 0x00, 0x01, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0, 0, 0, 0, 0, 0, 0},
     "TB_DOW_ID : WEDNESDAY"},
    {"WeekDayOutOfRange",
     [] { return CKestFWL7Attribute(FW_ATTR_KEY_TB_DOW_ID, 9UL, 0); },
     {0x0c, 0x00, 0x01, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0, 0, 0, 0, 0, 0, 0},
     "TB_DOW_ID : Unkknw day"},
    // 1700000000 is 2023-11-14 22:13:20 UTC.
    {"StartTime",
     [] { return CKestFWL7Attribute(FW_ATTR_KEY_TB_ST_ID, 1700000000UL, 0); },
     {0x0d, 0x00, 0x01, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xf1, 0x53, 0x65, 0, 0, 0, 0},
     "TB_ST_ID : 2023-22:13"},
    {"EndTimeBeyondCalendar",
     [] { return CKestFWL7Attribute(FW_ATTR_KEY_TB_ET_ID, 0xffffffffffffffffUL, 0); },
     {0x0e, 0x00, 0x01, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff},
     "TB_ET_ID : 18446744073709551615"},
};

class L7Golden : public L7Test, public ::testing::WithParamInterface<Golden> {};

TEST_P(L7Golden, EncodesToTheRecordBytes) {
    const CKestFWL7Attribute a = GetParam().make();
    EXPECT_EQ(a.getTlvLength(), GetParam().bytes.size());
    EXPECT_EQ(a.getMsgSize(), GetParam().bytes.size() + 8);
    EXPECT_EQ(encode(a), GetParam().bytes);
    EXPECT_EQ(a.toString(), GetParam().text);
}

TEST_P(L7Golden, DecodesBackToAnEqualAttribute) {
    const CKestFWL7Attribute a = GetParam().make();
    const CKestFWL7Attribute b = decode(GetParam().bytes);
    EXPECT_TRUE(b == a);
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a < b);
    EXPECT_FALSE(b < a);
    EXPECT_EQ(b.toString(), GetParam().text);
    EXPECT_EQ(encode(b), GetParam().bytes);
}

TEST_P(L7Golden, RefusesABufferOneByteShort) {
    const CKestFWL7Attribute a = GetParam().make();
    Bytes buf(a.getTlvLength() - 1, 0xEE);
    unsigned int written = 99;
    EXPECT_FALSE(a.serializeValue(buf.data(), static_cast<unsigned int>(buf.size()), &written));
    EXPECT_EQ(written, 99u);
    EXPECT_EQ(buf, Bytes(buf.size(), 0xEE));
    EXPECT_TRUE(logged("failed to serialize insufficient buffer space"));
    EXPECT_FALSE(a.serializeValue(nullptr, 1000, &written));
}

INSTANTIATE_TEST_SUITE_P(L7, L7Golden, ::testing::ValuesIn(kGolden),
                         [](const ::testing::TestParamInfo<Golden>& i) { return std::string(i.param.label); });

// Text given to the constructors prints back and, printed, parses to the same attribute.
struct TextCase {
    FWAttrKeyID key;
    const char* in;
    const char* value;
};

class L7TextRoundTrip : public L7Test, public ::testing::WithParamInterface<TextCase> {};

TEST_P(L7TextRoundTrip, TextToObjectToText) {
    const CKestFWL7Attribute a(GetParam().key, std::string(GetParam().in), 0);
    EXPECT_EQ(a.getString(), GetParam().value);
    const CKestFWL7Attribute b(GetParam().key, a.getString(), 0);
    EXPECT_TRUE(a == b);
    EXPECT_EQ(b.toString(), a.toString());
}

INSTANTIATE_TEST_SUITE_P(L7, L7TextRoundTrip,
                         ::testing::Values(TextCase{FW_ATTR_KEY_APP_ID, "APP_SSH", "APP_SSH"},
                                           TextCase{FW_ATTR_KEY_TLS_CIPHER_SUITE, "TLS_RESERVED_0x00004D",
                                                    "TLS_RESERVED_0x00004D"},
                                           TextCase{FW_ATTR_KEY_HTTP_METHOD, "OPTIONS", "OPTIONS"},
                                           TextCase{FW_ATTR_KEY_USER_SID, "S-1-5-32", "S-1-5-32"},
                                           TextCase{FW_ATTR_KEY_WIN_SID, "L-01234567-89ab-cdef-0011-223344556677:42",
                                                    "L-01234567-89ab-cdef-0011-223344556677:42"},
                                           TextCase{FW_ATTR_KEY_TB_INTRV_ID, "08:05,18:00,6", "8:5,18:0,SATURDAY"}));

struct BadCtor {
    const char* label;
    void (*make)();
    FWStatus_t code;
    const char* message;
};

const BadCtor kBadCtors[] = {
    {"UnknownKey", [] { CKestFWL7Attribute(18, std::string("x"), 0); }, 66, "invalid attribute key 18"},
    {"UnknownKeyNumber", [] { CKestFWL7Attribute(4000, 1L, 0); }, 66, "invalid attribute key 4000"},
    {"TextForUnsignedKey", [] { CKestFWL7Attribute(FW_ATTR_KEY_PROCESS_HASH, std::string("x"), 0); }, 67,
     "invalid attribute value invalid type for key: PROCESS_HASH value: x"},
    {"UnknownVocabularyName", [] { CKestFWL7Attribute(FW_ATTR_KEY_HTTP_METHOD, std::string("get"), 0); }, 67,
     "invalid attribute value unmapped value for key: HTTP_METHOD value: get"},
    {"NumberOutsideVocabulary", [] { CKestFWL7Attribute(FW_ATTR_KEY_TLS_VERSION, 900L, 0); }, 67,
     "invalid attribute value invalid int value 900 for key TLS_VERSION"},
    {"SignedForUnsignedKey", [] { CKestFWL7Attribute(FW_ATTR_KEY_TB_DOW_ID, 3L, 0); }, 67,
     "invalid attribute value invalid type for TB_DOW_ID value: 3"},
    {"UnsignedForEnumeratedKey", [] { CKestFWL7Attribute(FW_ATTR_KEY_APP_ID, 67UL, 0); }, 67,
     "invalid attribute value invalid type for APP_ID value: 67"},
    {"BadSid", [] { CKestFWL7Attribute(FW_ATTR_KEY_WIN_SID, std::string("S-2-5"), 0); }, 67,
     "invalid attribute value invalid sid value S-2-5"},
    {"BadInterval", [] { CKestFWL7Attribute(FW_ATTR_KEY_TB_INTRV_ID, std::string("9:00"), 0); }, 67,
     "invalid attribute value invalid interval value 9:00"},
    {"UuidForDnsKey", [] { CKestFWL7Attribute(FW_ATTR_KEY_DNS_TXN, kUuid, "a", 0); }, 67,
     "invalid attribute value invalid type for DNS_TXN value: a"},
    {"DnsForUuidKey", [] { CKestFWL7Attribute(FW_ATTR_KEY_FQDN, std::string("a"), 1u, 2u, 3u, 0); }, 67,
     "invalid attribute value invalid type for FQDN value: a"},
    {"TextTooLong", [] { CKestFWL7Attribute(FW_ATTR_KEY_FQDN, kUuid, std::string(65535, 'x'), 0); }, 67,
     "invalid attribute value string of 65535 characters too long for key FQDN"},
};

class L7BadConstruction : public L7Test, public ::testing::WithParamInterface<BadCtor> {};

TEST_P(L7BadConstruction, RaisesWithCodeAndMessage) {
    try {
        GetParam().make();
        FAIL() << "no exception";
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), GetParam().code);
        EXPECT_STREQ(e.what(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(L7, L7BadConstruction, ::testing::ValuesIn(kBadCtors),
                         [](const ::testing::TestParamInfo<BadCtor>& i) { return std::string(i.param.label); });

struct BadRecord {
    const char* label;
    Bytes bytes;
    FWStatus_t code;
    const char* message;
    const char* log;  // also written to the log, or ""
};

const BadRecord kBadRecords[] = {
    {"ShorterThanHeader",
     {0x01, 0x00, 0x02, 0x00, 0x09, 0, 0, 0, 0},
     67,
     "invalid attribute value size of value pointer 9 is less than minsize 10",
     ""},
    {"LengthFieldDisagrees",
     {0x01, 0x00, 0x02, 0x00, 0x13, 0, 0, 0, 0, 0, 0x03, 0x03, 0, 0, 0, 0, 0, 0},
     67,
     "invalid attribute value invalid FWAttr Value",
     "size of buffer (18) != length of fwattrvalue (19)"},
    {"SignedOfSeventeen",
     {0x00, 0x00, 0x00, 0x00, 0x11, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7},
     67,
     "invalid attribute value invalid FWAttr Value",
     "invalid size for int attribute"},
    {"UnsignedOfNineteen",
     {0x0a, 0x00, 0x01, 0x00, 0x13, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
     67,
     "invalid attribute value invalid FWAttr Value",
     "invalid size for uint attribute"},
    {"UuidShorterThanFixedPart", cat({{0x05, 0x00, 0x03, 0x00, 0x1b, 0, 0, 0, 0, 0}, zeros(17)}), 67,
     "invalid attribute value invalid FWAttr Value", "invalid minimum size for uuid attribute"},
    {"UuidTextLengthTooLong", cat({{0x05, 0x00, 0x03, 0x00, 0x1e, 0, 0, 0, 0, 0}, zeros(16), {0x03, 0x00, 'a', 0}}), 67,
     "invalid attribute value invalid FWAttr Value", "invalid size for uuid attribute"},
    {"UuidTextWithoutNul", cat({{0x05, 0x00, 0x03, 0x00, 0x1e, 0, 0, 0, 0, 0}, zeros(16), {0x02, 0x00, 'a', 'b'}}), 67,
     "invalid attribute value buffer size 2 is less than string length 3", ""},
    {"SidOfEightyOne", cat({{0x08, 0x00, 0x04, 0x00, 0x51, 0, 0, 0, 0, 0}, zeros(71)}), 67,
     "invalid attribute value invalid FWAttr Value", "invalid size for sid attribute"},
    {"IntervalOfTwentyNine", cat({{0x0f, 0x00, 0x05, 0x00, 0x1d, 0, 0, 0, 0, 0}, zeros(19)}), 67,
     "invalid attribute value invalid FWAttr Value", "invalid size for interval attribute"},
    {"DnsShorterThanFixedPart", cat({{0x11, 0x00, 0x06, 0x00, 0x17, 0, 0, 0, 0, 0}, zeros(13)}), 67,
     "invalid attribute value invalid FWAttr Value", "invalid minimum size for dns attribute"},
    {"DnsDomainLengthShort", cat({{0x11, 0x00, 0x06, 0x00, 0x1a, 0, 0, 0, 0, 0}, zeros(12), {0x01, 0x00, 'a', 0}}), 67,
     "invalid attribute value invalid FWAttr Value", "invalid size for dns attribute"},
    {"UnknownValueType", cat({{0x01, 0x00, 0x07, 0x00, 0x12, 0, 0, 0, 0, 0}, zeros(8)}), 67,
     "invalid attribute value invalid FWAttr Value", "unknown attribute value"},
    {"UnknownKey", cat({{0x12, 0x00, 0x02, 0x00, 0x12, 0, 0, 0, 0, 0}, zeros(8)}), 66,
     "invalid attribute key invalid key id 18", ""},
    {"TypeNotTheKeys", cat({{0x01, 0x00, 0x01, 0x00, 0x12, 0, 0, 0, 0, 0}, zeros(8)}), 67,
     "invalid attribute value invalid type for key 1", ""},
    {"NumberOutsideVocabulary",
     {0x01, 0x00, 0x02, 0x00, 0x12, 0, 0, 0, 0, 0, 0x84, 0x03, 0, 0, 0, 0, 0, 0},
     67,
     "invalid attribute value invalid encoded int value 900 for key 1",
     ""},
    {"SidOfUnknownKind", cat({{0x09, 0x00, 0x04, 0x00, 0x52, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 3, 1}, zeros(66)}), 67,
     "invalid attribute value invalid sid value 0000000003010000", ""},
};

class L7BadRecord : public L7Test, public ::testing::WithParamInterface<BadRecord> {};

TEST_P(L7BadRecord, RaisesWithCodeAndMessage) {
    const Bytes& b = GetParam().bytes;
    try {
        decode(b);
        FAIL() << "no exception";
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), GetParam().code);
        EXPECT_EQ(std::string(e.what()).substr(0, strlen(GetParam().message)), GetParam().message);
    }
    if (*GetParam().log) {
        EXPECT_TRUE(logged(GetParam().log)) << GetParam().log;
    }
    EXPECT_EQ(CKestFWL7Attribute::checkFWAttrValue(reinterpret_cast<const _FWAttrValue*>(b.data()),
                                                   static_cast<unsigned>(b.size())),
              !*GetParam().log && b.size() >= 10);
}

INSTANTIATE_TEST_SUITE_P(L7, L7BadRecord, ::testing::ValuesIn(kBadRecords),
                         [](const ::testing::TestParamInfo<BadRecord>& i) { return std::string(i.param.label); });

TEST_F(L7Test, NullRecordIsRefused) {
    try {
        CKestFWL7Attribute a(nullptr, 18);
        FAIL();
    } catch (const CInvalidAttrValue& e) {
        EXPECT_STREQ(e.what(), "invalid attribute value null value pointer");
    }
}

TEST_F(L7Test, UuidHalvesAreTheBytesAsTheyLieInMemory) {
    uint64_t first, second;
    memcpy(&first, kUuid, 8);
    memcpy(&second, kUuid + 8, 8);
    const CKestFWL7Attribute a(FW_ATTR_KEY_CTX_PROFILE_ID, first, second, "p", 0);
    EXPECT_TRUE(a == CKestFWL7Attribute(FW_ATTR_KEY_CTX_PROFILE_ID, kUuid, "p", 0));
    EXPECT_EQ(a.getUUIDString(), "01234567-89ab-cdef-0011-223344556677");
}

TEST_F(L7Test, OrdersByKeyTypeThenValue) {
    const uint8_t low[16] = {0};
    // Each row is strictly less than the next.
    const std::vector<CKestFWL7Attribute> ordered = {
        CKestFWL7Attribute(FW_ATTR_KEY_APP_ID, -1L, 0),
        CKestFWL7Attribute(FW_ATTR_KEY_APP_ID, 4L, 0),
        CKestFWL7Attribute(FW_ATTR_KEY_TLS_VERSION, 767L, 0),
        CKestFWL7Attribute(FW_ATTR_KEY_HTTP_PATH, low, "zzz", 0),
        CKestFWL7Attribute(FW_ATTR_KEY_HTTP_PATH, kUuid, "aaa", 0),
        CKestFWL7Attribute(FW_ATTR_KEY_WIN_SID, std::string("S-1-5-21"), 0),
        CKestFWL7Attribute(FW_ATTR_KEY_WIN_SID, std::string("S-1-5-3"), 0),
        CKestFWL7Attribute(FW_ATTR_KEY_PROCESS_HASH, 1UL, 0),
        CKestFWL7Attribute(FW_ATTR_KEY_PROCESS_HASH, 0x8000000000000000UL, 0),
        CKestFWL7Attribute(FW_ATTR_KEY_DNS_TXN, std::string("z"), 1u, 1u, 1u, 0),
        CKestFWL7Attribute(FW_ATTR_KEY_DNS_TXN, std::string("a"), 1u, 1u, 2u, 0),
    };
    for (size_t i = 0; i < ordered.size(); ++i)
        for (size_t j = 0; j < ordered.size(); ++j) {
            EXPECT_EQ(ordered[i] < ordered[j], i < j) << i << " " << j;
            EXPECT_EQ(ordered[i] == ordered[j], i == j) << i << " " << j;
        }
}

TEST_F(L7Test, EqualityLooksAtTheWholeValue) {
    EXPECT_FALSE(CKestFWL7Attribute(FW_ATTR_KEY_FQDN, kUuid, "a", 0) ==
                 CKestFWL7Attribute(FW_ATTR_KEY_FQDN, kUuid, "b", 0));
    EXPECT_FALSE(CKestFWL7Attribute(FW_ATTR_KEY_DNS_TXN, std::string("a"), 1u, 1u, 1u, 0) ==
                 CKestFWL7Attribute(FW_ATTR_KEY_DNS_TXN, std::string("a"), 1u, 2u, 1u, 0));
}

TEST_F(L7Test, ElementWritesItsHeaderAndGrowsTheCount) {
    CKestFWL7Attribute a(FW_ATTR_KEY_HTTP_METHOD, 2L, 0);
    Bytes buf(26, 0xEE);
    unsigned int used = 100;
    ASSERT_TRUE(a.toMessage(buf.data(), 26, &used));
    EXPECT_EQ(used, 126u);
    EXPECT_EQ(buf, (Bytes{0x01, 0x00, 0x00, 0x00, 0x12, 0,    0, 0, 0x04, 0x00, 0x02, 0x00, 0x12,
                          0,    0,    0,    0,    0,    0x02, 0, 0, 0,    0,    0,    0,    0}));
    EXPECT_FALSE(a.toMessage(buf.data(), 7, &used));
    EXPECT_FALSE(a.toMessage(nullptr, 26, &used));
    EXPECT_FALSE(a.toMessage(buf.data(), 25, &used));
    EXPECT_TRUE(logged("failed to serializeValue HTTP_METHOD : POST"));
    EXPECT_EQ(used, 126u);
}

}  // namespace
