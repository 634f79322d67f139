// The small vocabularies, and the exported number/name maps of every enumerated key, each pair built
// from its one table.
#include "model/KestFWL7Vocabulary.h"

#include <cstdio>

#include "util/KestFWUtil.h"

namespace KestFirewall {

namespace {

// The TLS protocol version numbers as they appear in the record layer.
const FWVocabEntry kTlsVersions[] = {
    {767, "UNKNOWN"}, {768, "SSL_V3"}, {769, "TLS_V10"}, {770, "TLS_V11"}, {771, "TLS_V12"}, {772, "TLS_V13"},
};

const FWVocabEntry kHttpMethods[] = {
    {0, "GET"}, {1, "HEAD"}, {2, "POST"}, {3, "PUT"}, {4, "DELETE"}, {5, "CONNECT"}, {6, "OPTIONS"}, {7, "TRACE"},
};

const FWVocabEntry kFtpCommands[] = {
    {0, "UNKNOWN"},
    {1, "LS"},
    {2, "GET"},
    {3, "PUT"},
};

const FWVocabEntry kCifsSmbVersions[] = {
    {0, "CIFS_SMB_INVALID"},
    {1, "CIFS_SMB_V1"},
    {2, "CIFS_SMB_V2"},
};

const char* const kDpiStates[] = {"NONE", "PUNT", "COPY", "DONE"};
const char* const kWeekDays[] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};

FWEint2StrMap buildInt2Str(const FWVocabulary& v) {
    FWEint2StrMap m;
    for (size_t i = 0; i < v.count; ++i) m.emplace(v.entries[i].number, v.entries[i].name);
    return m;
}

FWStr2EintMap buildStr2Int(const FWVocabulary& v) {
    FWStr2EintMap m;
    for (size_t i = 0; i < v.count; ++i) m.emplace(v.entries[i].name, v.entries[i].number);
    return m;
}

std::string appPlaceholder(long n) {
    char buf[32];
    snprintf(buf, sizeof buf, "APP_UNASSIGNED_%ld", n);
    return buf;
}

FWEint2StrMap buildAppInt2Str() {
    FWEint2StrMap m = buildInt2Str(kAppIdNamedVocab);
    for (long n = kAppIdFirst; n <= kAppIdLast; ++n)
        if (m.find(n) == m.end()) m.emplace(n, appPlaceholder(n));
    return m;
}

FWStr2EintMap reverse(const FWEint2StrMap& forward) {
    FWStr2EintMap m;
    for (const auto& e : forward) m.emplace(e.second, e.first);
    return m;
}

}  // namespace

const FWVocabulary kTlsVersionVocab = {kTlsVersions, sizeof kTlsVersions / sizeof kTlsVersions[0]};
const FWVocabulary kHttpMethodVocab = {kHttpMethods, sizeof kHttpMethods / sizeof kHttpMethods[0]};
const FWVocabulary kFtpCommandVocab = {kFtpCommands, sizeof kFtpCommands / sizeof kFtpCommands[0]};
const FWVocabulary kCifsSmbVersionVocab = {kCifsSmbVersions, sizeof kCifsSmbVersions / sizeof kCifsSmbVersions[0]};

// The application map is the one vocabulary with generated rows, so its name map is the reverse of
// its number map rather than a second walk over the table.
const FWEint2StrMap g_APP_ID_int2str_map = buildAppInt2Str();
const FWStr2EintMap g_APP_ID_str2int_map = reverse(g_APP_ID_int2str_map);
const FWEint2StrMap g_TLS_VERSION_int2str_map = buildInt2Str(kTlsVersionVocab);
const FWStr2EintMap g_TLS_VERSION_str2int_map = buildStr2Int(kTlsVersionVocab);
const FWEint2StrMap g_TLS_CIPHER_SUITE_int2str_map = buildInt2Str(kTlsCipherSuiteVocab);
const FWStr2EintMap g_TLS_CIPHER_SUITE_str2int_map = buildStr2Int(kTlsCipherSuiteVocab);
const FWEint2StrMap g_CIFS_SMB_VERSION_int2str_map = buildInt2Str(kCifsSmbVersionVocab);
const FWStr2EintMap g_CIFS_SMB_VERSION_str2int_map = buildStr2Int(kCifsSmbVersionVocab);
const FWEint2StrMap g_HTTP_METHOD_int2str_map = buildInt2Str(kHttpMethodVocab);
const FWStr2EintMap g_HTTP_METHOD_str2int_map = buildStr2Int(kHttpMethodVocab);
const FWEint2StrMap g_FTP_COMMAND_int2str_map = buildInt2Str(kFtpCommandVocab);
const FWStr2EintMap g_FTP_COMMAND_str2int_map = buildStr2Int(kFtpCommandVocab);

const std::map<FWAttrKeyID, const FWEint2StrMap*> g_Eint2StrMapsRefs = {
    {FW_ATTR_KEY_APP_ID, &g_APP_ID_int2str_map},
    {FW_ATTR_KEY_TLS_VERSION, &g_TLS_VERSION_int2str_map},
    {FW_ATTR_KEY_TLS_CIPHER_SUITE, &g_TLS_CIPHER_SUITE_int2str_map},
    {FW_ATTR_KEY_CIFS_SMB_VERSION, &g_CIFS_SMB_VERSION_int2str_map},
    {FW_ATTR_KEY_HTTP_METHOD, &g_HTTP_METHOD_int2str_map},
    {FW_ATTR_KEY_FTP_COMMAND, &g_FTP_COMMAND_int2str_map},
};

const std::map<FWAttrKeyID, const FWStr2EintMap*> g_Str2EintMapsRefs = {
    {FW_ATTR_KEY_APP_ID, &g_APP_ID_str2int_map},
    {FW_ATTR_KEY_TLS_VERSION, &g_TLS_VERSION_str2int_map},
    {FW_ATTR_KEY_TLS_CIPHER_SUITE, &g_TLS_CIPHER_SUITE_str2int_map},
    {FW_ATTR_KEY_CIFS_SMB_VERSION, &g_CIFS_SMB_VERSION_str2int_map},
    {FW_ATTR_KEY_HTTP_METHOD, &g_HTTP_METHOD_str2int_map},
    {FW_ATTR_KEY_FTP_COMMAND, &g_FTP_COMMAND_str2int_map},
};

// The DPI engine's application names also answer the host tools' identifier lookups.
namespace {
bool registerDpiNames() {
    for (const auto& e : g_APP_ID_int2str_map) DpiRegisterName(static_cast<unsigned long>(e.first), e.second);
    return true;
}
const bool g_dpiNamesRegistered = registerDpiNames();
}  // namespace

const char* dpiState2Str(FWDPIState state) {
    return state < sizeof kDpiStates / sizeof kDpiStates[0] ? kDpiStates[state] : "UNKNOWN";
}

const char* weekDay2Str(unsigned long day) {
    return day < sizeof kWeekDays / sizeof kWeekDays[0] ? kWeekDays[day] : "Unkknw day";
}

}  // namespace KestFirewall

extern "C" KESTFW_API const char* FW_DPIStateToString(FWDPIState state) { return KestFirewall::dpiState2Str(state); }
