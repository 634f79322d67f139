#include "model/KestFWAttributeUtils.h"

#include "base/KestFWLog.h"
#include "model/KestFWL7Vocabulary.h"

namespace KestFirewall {

namespace {

struct KeyInfo {
    const char* name;
    int mpID;
    _FWAttrKey record;
};

// Kept in key order: the key is the index.
constexpr KeyInfo kKeys[FW_ATTR_KEY_MAX] = {
    {"APP_ID", 10000, BuildFWAttrKey(FW_ATTR_KEY_APP_ID, FW_ATTR_KVT_EINT, 1, 1, 1)},
    {"TLS_VERSION", 10001, BuildFWAttrKey(FW_ATTR_KEY_TLS_VERSION, FW_ATTR_KVT_EINT, 1, 1, 1)},
    {"TLS_CIPHER_SUITE", 10002, BuildFWAttrKey(FW_ATTR_KEY_TLS_CIPHER_SUITE, FW_ATTR_KVT_EINT, 1, 1, 1)},
    {"CIFS_SMB_VERSION", 10003, BuildFWAttrKey(FW_ATTR_KEY_CIFS_SMB_VERSION, FW_ATTR_KVT_EINT, 1, 1, 1)},
    {"HTTP_METHOD", 10004, BuildFWAttrKey(FW_ATTR_KEY_HTTP_METHOD, FW_ATTR_KVT_EINT, 2, 1, 0)},
    {"HTTP_PATH", 10005, BuildFWAttrKey(FW_ATTR_KEY_HTTP_PATH, FW_ATTR_KVT_UUID_STR, 2, 1, 0)},
    {"FTP_COMMAND", 10006, BuildFWAttrKey(FW_ATTR_KEY_FTP_COMMAND, FW_ATTR_KVT_EINT, 2, 1, 0)},
    {"FQDN", 10007, BuildFWAttrKey(FW_ATTR_KEY_FQDN, FW_ATTR_KVT_UUID_STR, 0, 0, 1)},
    {"WIN_SID", 10008, BuildFWAttrKey(FW_ATTR_KEY_WIN_SID, FW_ATTR_KVT_SID, 0, 0, 1)},
    {"USER_SID", 10009, BuildFWAttrKey(FW_ATTR_KEY_USER_SID, FW_ATTR_KVT_SID, 0, 0, 1)},
    {"PROCESS_HASH", 10010, BuildFWAttrKey(FW_ATTR_KEY_PROCESS_HASH, FW_ATTR_KVT_UINT, 0, 0, 0)},
    {"CTX_PROFILE_ID", 10011, BuildFWAttrKey(FW_ATTR_KEY_CTX_PROFILE_ID, FW_ATTR_KVT_UUID_STR, 2, 0, 0)},
    {"TB_DOW_ID", 10012, BuildFWAttrKey(FW_ATTR_KEY_TB_DOW_ID, FW_ATTR_KVT_UINT, 0, 0, 0)},
    {"TB_ST_ID", 10015, BuildFWAttrKey(FW_ATTR_KEY_TB_ST_ID, FW_ATTR_KVT_UINT, 0, 0, 0)},
    {"TB_ET_ID", 10016, BuildFWAttrKey(FW_ATTR_KEY_TB_ET_ID, FW_ATTR_KVT_UINT, 0, 0, 0)},
    {"TB_INTRV_ID", 10017, BuildFWAttrKey(FW_ATTR_KEY_TB_INTRV_ID, FW_ATTR_KVT_INTERVAL, 0, 0, 0)},
    {"TB_TZ_ID", 10018, BuildFWAttrKey(FW_ATTR_KEY_TB_TZ_ID, FW_ATTR_KVT_UINT, 0, 0, 0)},
    {"DNS_TXN", 10019, BuildFWAttrKey(FW_ATTR_KEY_DNS_TXN, FW_ATTR_KVT_DNS_TXN, 1, 0, 1)},
};

}  // namespace

const _FWAttrKey* dpID2attrkey(FWAttrKeyID key) { return key < FW_ATTR_KEY_MAX ? &kKeys[key].record : nullptr; }

const _FWAttrKey* mpID2attrkey(int mpID) {
    for (const KeyInfo& k : kKeys)
        if (k.mpID == mpID) return &k.record;
    return nullptr;
}

int dpID2mpID(FWAttrKeyID key) { return key < FW_ATTR_KEY_MAX ? kKeys[key].mpID : -1; }

std::string dpID2str(FWAttrKeyID key) { return key < FW_ATTR_KEY_MAX ? kKeys[key].name : std::string(); }

const _FWAttrKey* str2attrkey(const std::string& name) {
    for (const KeyInfo& k : kKeys)
        if (name == k.name) return &k.record;
    return nullptr;
}

FWAttrKeyID str2dpID(const std::string& name) {
    const _FWAttrKey* k = str2attrkey(name);
    return k ? FWAttrKeyID(k->key) : FWAttrKeyID(FW_ATTR_KEY_MAX);
}

bool eint2str(FWAttrKeyID key, long number, std::string* out) {
    auto maps = g_Eint2StrMapsRefs.find(key);
    if (maps == g_Eint2StrMapsRefs.end()) {
        KFW_ERROR("failed to find key %u\n", key);
        return false;
    }
    auto it = maps->second->find(number);
    if (it == maps->second->end()) {
        KFW_ERROR("failed to find value %ld for key %u\n", number, key);
        return false;
    }
    if (out) *out = it->second;
    return true;
}

bool str2eint(FWAttrKeyID key, const std::string& name, long* out) {
    auto maps = g_Str2EintMapsRefs.find(key);
    if (maps == g_Str2EintMapsRefs.end()) return false;
    auto it = maps->second->find(name);
    if (it == maps->second->end()) return false;
    if (out) *out = it->second;
    return true;
}

std::string appID2str(long value) {
    int low = static_cast<int>(static_cast<uint32_t>(value));
    auto it = g_APP_ID_int2str_map.find(low);
    if (it == g_APP_ID_int2str_map.end()) {
        KFW_WARN("app protobuf value %d not found\n", low);
        return "unknown";
    }
    return it->second;
}

}  // namespace KestFirewall
