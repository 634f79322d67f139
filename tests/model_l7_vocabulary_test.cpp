// Attribute key catalogue and the enumerated-value vocabularies.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

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
    long first, last;
    const char *firstName, *lastName;
};

const VocabCase kVocabs[] = {
    {"APP_ID", FW_ATTR_KEY_APP_ID, &g_APP_ID_int2str_map, &g_APP_ID_str2int_map, 4474, -1, 4472, "APP_INVALID",
     "APP_UNASSIGNED_4472"},
    {"TLS_VERSION", FW_ATTR_KEY_TLS_VERSION, &g_TLS_VERSION_int2str_map, &g_TLS_VERSION_str2int_map, 6, 767, 772,
     "UNKNOWN", "TLS_V13"},
    {"TLS_CIPHER_SUITE", FW_ATTR_KEY_TLS_CIPHER_SUITE, &g_TLS_CIPHER_SUITE_int2str_map, &g_TLS_CIPHER_SUITE_str2int_map,
     464, 0, 53253, "TLS_NULL_WITH_NULL_NULL", "TLS_ECDHE_PSK_WITH_AES_128_CCM_SHA256"},
    {"CIFS_SMB_VERSION", FW_ATTR_KEY_CIFS_SMB_VERSION, &g_CIFS_SMB_VERSION_int2str_map, &g_CIFS_SMB_VERSION_str2int_map,
     3, 0, 2, "CIFS_SMB_INVALID", "CIFS_SMB_V2"},
    {"HTTP_METHOD", FW_ATTR_KEY_HTTP_METHOD, &g_HTTP_METHOD_int2str_map, &g_HTTP_METHOD_str2int_map, 8, 0, 7, "GET",
     "TRACE"},
    {"FTP_COMMAND", FW_ATTR_KEY_FTP_COMMAND, &g_FTP_COMMAND_int2str_map, &g_FTP_COMMAND_str2int_map, 4, 0, 3, "UNKNOWN",
     "PUT"},
};

class Vocabulary : public ::testing::TestWithParam<VocabCase> {};

// Every number prints as a name that reads back as the same number, in the maps and through the
// translation functions, and the two maps are the same relation.
TEST_P(Vocabulary, EveryEntryTranslatesBothWays) {
    const VocabCase& v = GetParam();
    ASSERT_EQ(v.int2str->size(), v.size);
    ASSERT_EQ(v.str2int->size(), v.size) << "two numbers share a name";
    EXPECT_EQ(*v.int2str->begin(), FWEint2StrMap::value_type(v.first, v.firstName));
    EXPECT_EQ(*v.int2str->rbegin(), FWEint2StrMap::value_type(v.last, v.lastName));
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
    // Numbers past either end and names not spelled exactly are refused, the outputs untouched.
    std::string name = "untouched";
    long number = 12345;
    EXPECT_FALSE(eint2str(v.key, v.last + 1, &name));
    EXPECT_FALSE(eint2str(v.key, v.first - 1, &name));
    EXPECT_EQ(name, "untouched");
    EXPECT_FALSE(str2eint(v.key, "NO_SUCH_NAME", &number));
    std::string lower = v.firstName;
    for (char& c : lower) c = char(tolower(static_cast<unsigned char>(c)));
    EXPECT_FALSE(str2eint(v.key, lower, &number));
    EXPECT_EQ(number, 12345);
}

INSTANTIATE_TEST_SUITE_P(L7, Vocabulary, ::testing::ValuesIn(kVocabs),
                         [](const ::testing::TestParamInfo<VocabCase>& i) { return std::string(i.param.label); });

// The placeholders fill the low block of cipher suites; only the low 32 bits name an application.
TEST(VocabularyMaps, PlaceholdersAndApplicationNames) {
    for (long n = 0; n <= 0xFF; ++n) EXPECT_EQ(g_TLS_CIPHER_SUITE_int2str_map.count(n), 1u) << n;
    EXPECT_EQ(g_TLS_CIPHER_SUITE_int2str_map.at(77), "TLS_RESERVED_0x00004D");
    EXPECT_EQ(DpiString(67), "APP_HTTP");
    EXPECT_EQ(DpiString(4473), "");
    EXPECT_EQ(appID2str((5LL << 32) | 67), "APP_HTTP");
    EXPECT_EQ(appID2str(0xFFFFFFFFLL), "APP_INVALID");
    EXPECT_EQ(appID2str(-2), "unknown");
}

TEST(KeyCatalogue, LooksUpByKeyNumberAndName) {
    const struct {
        FWAttrKeyID key;
        const char* name;
        int mpID;
        FWAttrKeyValueType type;
        unsigned discovery, toSlow, toFast;
    } rows[] = {{0, "APP_ID", 10000, 2, 1, 1, 1},           {1, "TLS_VERSION", 10001, 2, 1, 1, 1},
                {2, "TLS_CIPHER_SUITE", 10002, 2, 1, 1, 1}, {3, "CIFS_SMB_VERSION", 10003, 2, 1, 1, 1},
                {4, "HTTP_METHOD", 10004, 2, 2, 1, 0},      {5, "HTTP_PATH", 10005, 3, 2, 1, 0},
                {6, "FTP_COMMAND", 10006, 2, 2, 1, 0},      {7, "FQDN", 10007, 3, 0, 0, 1},
                {8, "WIN_SID", 10008, 4, 0, 0, 1},          {9, "USER_SID", 10009, 4, 0, 0, 1},
                {10, "PROCESS_HASH", 10010, 1, 0, 0, 0},    {11, "CTX_PROFILE_ID", 10011, 3, 2, 0, 0},
                {12, "TB_DOW_ID", 10012, 1, 0, 0, 0},       {13, "TB_ST_ID", 10015, 1, 0, 0, 0},
                {14, "TB_ET_ID", 10016, 1, 0, 0, 0},        {15, "TB_INTRV_ID", 10017, 5, 0, 0, 0},
                {16, "TB_TZ_ID", 10018, 1, 0, 0, 0},        {17, "DNS_TXN", 10019, 6, 1, 0, 1}};
    for (const auto& k : rows) {
        const _FWAttrKey* rec = dpID2attrkey(k.key);
        ASSERT_NE(rec, nullptr) << k.name;
        EXPECT_EQ(rec->key, k.key);
        EXPECT_EQ(rec->valueType, k.type) << k.name;
        EXPECT_EQ(rec->discovery, k.discovery) << k.name;
        EXPECT_EQ(rec->toSlowPath, k.toSlow) << k.name;
        EXPECT_EQ(rec->toFastPath, k.toFast) << k.name;
        EXPECT_EQ(dpID2str(k.key), k.name);
        EXPECT_EQ(mpID2attrkey(k.mpID), rec) << k.name;
        EXPECT_EQ(dpID2mpID(k.key), k.mpID) << k.name;
        EXPECT_EQ(str2attrkey(k.name), rec);
        EXPECT_EQ(str2dpID(k.name), k.key);
        EXPECT_EQ(g_Eint2StrMapsRefs.count(k.key), k.type == FW_ATTR_KVT_EINT ? 1u : 0u) << k.name;
    }
    EXPECT_EQ(dpID2attrkey(18), nullptr);
    EXPECT_EQ(dpID2str(18), "");
    for (int mp : {9999, 10013, 10014, 10020}) EXPECT_EQ(mpID2attrkey(mp), nullptr) << mp;
    EXPECT_EQ(str2attrkey("app_id"), nullptr);
    EXPECT_EQ(str2dpID("NOPE"), 18u);
}

TEST(SmallVocabularies, DpiStatesAndWeekDays) {
    const char* const states[] = {"NONE", "PUNT", "COPY", "DONE", "UNKNOWN", "UNKNOWN"};
    for (unsigned s = 0; s < 6; ++s)
        EXPECT_TRUE(!strcmp(dpiState2Str(s), states[s]) && !strcmp(FW_DPIStateToString(s), states[s])) << s;
    EXPECT_STREQ(FW_DPIStateToString(0xFFFFFFFFu), "UNKNOWN");
    EXPECT_STREQ(weekDay2Str(0), "SUNDAY");
    EXPECT_STREQ(weekDay2Str(7), "Unkknw day");
}

}  // namespace
