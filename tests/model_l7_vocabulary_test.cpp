// Attribute key catalogue and the enumerated-value vocabularies.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "model/KestFWAttributeUtils.h"
#include "model/KestFWL7Vocabulary.h"
#include "util/KestFWUtil.h"

using namespace KestFirewall;

namespace {

struct VocabCase {
    const char* label;
    FWAttrKeyID key;
    const FWEint2StrMap* int2str;
    const FWStr2EintMap* str2int;
    size_t size;
    long first;
    long last;
};

const VocabCase kVocabs[] = {
    {"APP_ID", FW_ATTR_KEY_APP_ID, &g_APP_ID_int2str_map, &g_APP_ID_str2int_map, 4474, -1, 4472},
    {"TLS_VERSION", FW_ATTR_KEY_TLS_VERSION, &g_TLS_VERSION_int2str_map, &g_TLS_VERSION_str2int_map, 6, 767, 772},
    {"TLS_CIPHER_SUITE", FW_ATTR_KEY_TLS_CIPHER_SUITE, &g_TLS_CIPHER_SUITE_int2str_map, &g_TLS_CIPHER_SUITE_str2int_map,
     464, 0, 53253},
    {"CIFS_SMB_VERSION", FW_ATTR_KEY_CIFS_SMB_VERSION, &g_CIFS_SMB_VERSION_int2str_map, &g_CIFS_SMB_VERSION_str2int_map,
     3, 0, 2},
    {"HTTP_METHOD", FW_ATTR_KEY_HTTP_METHOD, &g_HTTP_METHOD_int2str_map, &g_HTTP_METHOD_str2int_map, 8, 0, 7},
    {"FTP_COMMAND", FW_ATTR_KEY_FTP_COMMAND, &g_FTP_COMMAND_int2str_map, &g_FTP_COMMAND_str2int_map, 4, 0, 3},
};

class Vocabulary : public ::testing::TestWithParam<VocabCase> {};

// Every number prints as a name that reads back as the same number, in the maps and through the
// translation functions, and the two maps are the same relation.
TEST_P(Vocabulary, EveryEntryTranslatesBothWays) {
    const VocabCase& v = GetParam();
    ASSERT_EQ(v.int2str->size(), v.size);
    ASSERT_EQ(v.str2int->size(), v.size) << "two numbers share a name";
    EXPECT_EQ(v.int2str->begin()->first, v.first);
    EXPECT_EQ(v.int2str->rbegin()->first, v.last);
    EXPECT_EQ(g_Eint2StrMapsRefs.at(v.key), v.int2str);
    EXPECT_EQ(g_Str2EintMapsRefs.at(v.key), v.str2int);
    for (const auto& e : *v.int2str) {
        std::string name;
        long back = 0;
        ASSERT_TRUE(eint2str(v.key, e.first, &name));
        EXPECT_EQ(name, e.second);
        ASSERT_TRUE(str2eint(v.key, name, &back)) << name;
        EXPECT_EQ(back, e.first) << name;
    }
}

TEST_P(Vocabulary, UnknownNumbersAndNamesAreRefused) {
    const VocabCase& v = GetParam();
    std::string name = "untouched";
    long number = 12345;
    EXPECT_FALSE(eint2str(v.key, v.last + 1, &name));
    EXPECT_FALSE(eint2str(v.key, v.first - 1, &name));
    EXPECT_EQ(name, "untouched");
    EXPECT_FALSE(str2eint(v.key, "NO_SUCH_NAME", &number));
    // Names are matched exactly.
    std::string lower = v.int2str->begin()->second;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_FALSE(str2eint(v.key, lower, &number));
    EXPECT_EQ(number, 12345);
}

INSTANTIATE_TEST_SUITE_P(L7, Vocabulary, ::testing::ValuesIn(kVocabs),
                         [](const ::testing::TestParamInfo<VocabCase>& i) { return std::string(i.param.label); });

struct NamedRow {
    FWAttrKeyID key;
    long number;
    const char* name;
};

class VocabularyRow : public ::testing::TestWithParam<NamedRow> {};

TEST_P(VocabularyRow, HoldsTheWellKnownName) {
    std::string name;
    ASSERT_TRUE(eint2str(GetParam().key, GetParam().number, &name));
    EXPECT_EQ(name, GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    L7, VocabularyRow,
    ::testing::Values(NamedRow{FW_ATTR_KEY_APP_ID, -1, "APP_INVALID"}, NamedRow{FW_ATTR_KEY_APP_ID, 4, "APP_UNKNOWN"},
                      NamedRow{FW_ATTR_KEY_APP_ID, 11, "APP_ARP"}, NamedRow{FW_ATTR_KEY_APP_ID, 32, "APP_DNS"},
                      NamedRow{FW_ATTR_KEY_APP_ID, 45, "APP_FTP"}, NamedRow{FW_ATTR_KEY_APP_ID, 67, "APP_HTTP"},
                      NamedRow{FW_ATTR_KEY_APP_ID, 185, "APP_SMB"}, NamedRow{FW_ATTR_KEY_APP_ID, 198, "APP_SSH"},
                      NamedRow{FW_ATTR_KEY_APP_ID, 199, "APP_SSL"}, NamedRow{FW_ATTR_KEY_TLS_VERSION, 768, "SSL_V3"},
                      NamedRow{FW_ATTR_KEY_TLS_VERSION, 772, "TLS_V13"},
                      NamedRow{FW_ATTR_KEY_TLS_CIPHER_SUITE, 0, "TLS_NULL_WITH_NULL_NULL"},
                      NamedRow{FW_ATTR_KEY_TLS_CIPHER_SUITE, 1, "TLS_RSA_WITH_NULL_MD5"},
                      NamedRow{FW_ATTR_KEY_TLS_CIPHER_SUITE, 0x1C, "SSL_FORTEZZA_KEA_WITH_NULL_SHA"},
                      NamedRow{FW_ATTR_KEY_TLS_CIPHER_SUITE, 0x1D, "SSL_FORTEZZA_KEA_WITH_FORTEZZA_CBC_SHA"},
                      NamedRow{FW_ATTR_KEY_TLS_CIPHER_SUITE, 77, "TLS_RESERVED_0x00004D"},
                      NamedRow{FW_ATTR_KEY_TLS_CIPHER_SUITE, 0x1301, "TLS_AES_128_GCM_SHA256"},
                      NamedRow{FW_ATTR_KEY_TLS_CIPHER_SUITE, 0xC02F, "TLS_ECDHE_RSA_WITH_AES_128_GCM_SHA256"},
                      NamedRow{FW_ATTR_KEY_TLS_CIPHER_SUITE, 53253, "TLS_ECDHE_PSK_WITH_AES_128_CCM_SHA256"},
                      NamedRow{FW_ATTR_KEY_CIFS_SMB_VERSION, 0, "CIFS_SMB_INVALID"},
                      NamedRow{FW_ATTR_KEY_HTTP_METHOD, 7, "TRACE"}, NamedRow{FW_ATTR_KEY_FTP_COMMAND, 1, "LS"}));

TEST(VocabularyMaps, OnlyEnumeratedKeysHaveVocabularies) {
    const std::set<FWAttrKeyID> enumerated = {FW_ATTR_KEY_APP_ID,           FW_ATTR_KEY_TLS_VERSION,
                                              FW_ATTR_KEY_TLS_CIPHER_SUITE, FW_ATTR_KEY_CIFS_SMB_VERSION,
                                              FW_ATTR_KEY_HTTP_METHOD,      FW_ATTR_KEY_FTP_COMMAND};
    for (FWAttrKeyID k = 0; k <= FW_ATTR_KEY_MAX; ++k) {
        const _FWAttrKey* rec = dpID2attrkey(k);
        const bool isEnum = rec != nullptr && rec->valueType == FW_ATTR_KVT_EINT;
        EXPECT_EQ(isEnum, enumerated.count(k) == 1) << k;
        EXPECT_EQ(g_Eint2StrMapsRefs.count(k), enumerated.count(k)) << k;
        long n = 0;
        if (!isEnum) {
            EXPECT_FALSE(str2eint(k, "GET", &n)) << k;
        }
    }
}

TEST(VocabularyMaps, CipherPlaceholdersCoverTheLowBlock) {
    for (long n = 0; n <= 0xFF; ++n) EXPECT_EQ(g_TLS_CIPHER_SUITE_int2str_map.count(n), 1u) << n;
    EXPECT_EQ(g_TLS_CIPHER_SUITE_int2str_map.at(0xD004), "TLS_RESERVED_0x00D004");
}

TEST(VocabularyMaps, ApplicationNamesAnswerTheHostToolsLookup) {
    EXPECT_EQ(DpiString(67), "APP_HTTP");
    EXPECT_EQ(DpiString(4473), "");
}

struct KeyRow {
    FWAttrKeyID key;
    const char* name;
    int mpID;
    FWAttrKeyValueType type;
    unsigned discovery, toSlow, toFast;
};

class KeyCatalogue : public ::testing::TestWithParam<KeyRow> {};

TEST_P(KeyCatalogue, LooksUpByKeyNumberAndName) {
    const KeyRow& k = GetParam();
    const _FWAttrKey* rec = dpID2attrkey(k.key);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->key, k.key);
    EXPECT_EQ(rec->valueType, k.type);
    EXPECT_EQ(rec->discovery, k.discovery);
    EXPECT_EQ(rec->toSlowPath, k.toSlow);
    EXPECT_EQ(rec->toFastPath, k.toFast);
    EXPECT_EQ(dpID2str(k.key), k.name);
    EXPECT_EQ(mpID2attrkey(k.mpID), rec);
    EXPECT_EQ(dpID2mpID(k.key), k.mpID);
    EXPECT_EQ(str2attrkey(k.name), rec);
    EXPECT_EQ(str2dpID(k.name), k.key);
}

INSTANTIATE_TEST_SUITE_P(
    L7, KeyCatalogue,
    ::testing::Values(KeyRow{0, "APP_ID", 10000, 2, 1, 1, 1}, KeyRow{1, "TLS_VERSION", 10001, 2, 1, 1, 1},
                      KeyRow{2, "TLS_CIPHER_SUITE", 10002, 2, 1, 1, 1},
                      KeyRow{3, "CIFS_SMB_VERSION", 10003, 2, 1, 1, 1}, KeyRow{4, "HTTP_METHOD", 10004, 2, 2, 1, 0},
                      KeyRow{5, "HTTP_PATH", 10005, 3, 2, 1, 0}, KeyRow{6, "FTP_COMMAND", 10006, 2, 2, 1, 0},
                      KeyRow{7, "FQDN", 10007, 3, 0, 0, 1}, KeyRow{8, "WIN_SID", 10008, 4, 0, 0, 1},
                      KeyRow{9, "USER_SID", 10009, 4, 0, 0, 1}, KeyRow{10, "PROCESS_HASH", 10010, 1, 0, 0, 0},
                      KeyRow{11, "CTX_PROFILE_ID", 10011, 3, 2, 0, 0}, KeyRow{12, "TB_DOW_ID", 10012, 1, 0, 0, 0},
                      KeyRow{13, "TB_ST_ID", 10015, 1, 0, 0, 0}, KeyRow{14, "TB_ET_ID", 10016, 1, 0, 0, 0},
                      KeyRow{15, "TB_INTRV_ID", 10017, 5, 0, 0, 0}, KeyRow{16, "TB_TZ_ID", 10018, 1, 0, 0, 0},
                      KeyRow{17, "DNS_TXN", 10019, 6, 1, 0, 1}));

TEST(KeyCatalogueMisses, UnknownKeysNumbersAndNames) {
    EXPECT_EQ(dpID2attrkey(18), nullptr);
    EXPECT_EQ(dpID2attrkey(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(dpID2str(18), "");
    EXPECT_EQ(mpID2attrkey(10013), nullptr);
    EXPECT_EQ(mpID2attrkey(10014), nullptr);
    EXPECT_EQ(mpID2attrkey(9999), nullptr);
    EXPECT_EQ(mpID2attrkey(10020), nullptr);
    EXPECT_EQ(str2attrkey("app_id"), nullptr);
    EXPECT_EQ(str2dpID("NOPE"), 18u);
    EXPECT_EQ(str2dpID(""), 18u);
}

TEST(SmallVocabularies, DpiStatesAndWeekDays) {
    const char* const states[] = {"NONE", "PUNT", "COPY", "DONE", "UNKNOWN", "UNKNOWN"};
    for (unsigned s = 0; s < 6; ++s) {
        EXPECT_STREQ(dpiState2Str(s), states[s]);
        EXPECT_STREQ(FW_DPIStateToString(s), states[s]);
    }
    EXPECT_STREQ(FW_DPIStateToString(0xFFFFFFFFu), "UNKNOWN");
    const char* const days[] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};
    for (unsigned d = 0; d < 7; ++d) EXPECT_STREQ(weekDay2Str(d), days[d]);
    EXPECT_STREQ(weekDay2Str(7), "Unkknw day");
    EXPECT_STREQ(weekDay2Str(9), "Unkknw day");
}

TEST(AppText, LowThirtyTwoBitsNameTheApplication) {
    EXPECT_EQ(appID2str(67), "APP_HTTP");
    EXPECT_EQ(appID2str((5LL << 32) | 67), "APP_HTTP");
    EXPECT_EQ(appID2str(0xFFFFFFFFLL), "APP_INVALID");
    EXPECT_EQ(appID2str(4473), "unknown");
    EXPECT_EQ(appID2str(-2), "unknown");
}

}  // namespace
