// Vocabularies of the enumerated attribute keys: the numbers the kernel and the DPI engine speak and
// the names people write. Each vocabulary is one table; both exported maps of a key are built from
// that table, so every name printed for a number reads back as the same number.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "kestfw/kestfw_l7.h"

namespace KestFirewall {

struct FWVocabEntry {
    long number;
    const char* name;
};

struct FWVocabulary {
    const FWVocabEntry* entries;
    size_t count;
};

typedef std::map<long, std::string> FWEint2StrMap;
typedef std::map<std::string, long> FWStr2EintMap;

// The tables (constant data, usable at any time).
extern const FWVocabulary kTlsVersionVocab;
extern const FWVocabulary kHttpMethodVocab;
extern const FWVocabulary kFtpCommandVocab;
extern const FWVocabulary kCifsSmbVersionVocab;
extern const FWVocabulary kTlsCipherSuiteVocab;
// Application identifiers run from -1 to 4472; numbers the engine has not named hold placeholders
// "APP_UNASSIGNED_<n>". kAppIdNamed lists the named ones.
extern const FWVocabulary kAppIdNamedVocab;
constexpr long kAppIdFirst = -1;
constexpr long kAppIdLast = 4472;

// Exported maps, built from the tables when the library is loaded; not to be read from another
// library's static initialisers.
KESTFW_API extern const FWEint2StrMap g_APP_ID_int2str_map;
KESTFW_API extern const FWStr2EintMap g_APP_ID_str2int_map;
KESTFW_API extern const FWEint2StrMap g_TLS_VERSION_int2str_map;
KESTFW_API extern const FWStr2EintMap g_TLS_VERSION_str2int_map;
KESTFW_API extern const FWEint2StrMap g_TLS_CIPHER_SUITE_int2str_map;
KESTFW_API extern const FWStr2EintMap g_TLS_CIPHER_SUITE_str2int_map;
KESTFW_API extern const FWEint2StrMap g_CIFS_SMB_VERSION_int2str_map;
KESTFW_API extern const FWStr2EintMap g_CIFS_SMB_VERSION_str2int_map;
KESTFW_API extern const FWEint2StrMap g_HTTP_METHOD_int2str_map;
KESTFW_API extern const FWStr2EintMap g_HTTP_METHOD_str2int_map;
KESTFW_API extern const FWEint2StrMap g_FTP_COMMAND_int2str_map;
KESTFW_API extern const FWStr2EintMap g_FTP_COMMAND_str2int_map;

// Each enumerated key to its pair of maps.
KESTFW_API extern const std::map<FWAttrKeyID, const FWEint2StrMap*> g_Eint2StrMapsRefs;
KESTFW_API extern const std::map<FWAttrKeyID, const FWStr2EintMap*> g_Str2EintMapsRefs;

// DPI states: "NONE", "PUNT", "COPY", "DONE", "UNKNOWN" above 3.
KESTFW_API const char* dpiState2Str(FWDPIState state);
// Week days of TB_DOW_ID: "SUNDAY" .. "SATURDAY", "Unkknw day" for anything else.
KESTFW_API const char* weekDay2Str(unsigned long day);

}  // namespace KestFirewall
