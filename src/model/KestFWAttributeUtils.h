// The attribute key catalogue and the translations of enumerated attribute values.
// Keys 0 to 17 are the kernel's numbering; each has a name, a management-side number (10000-based,
// with 10013 and 10014 unused), a value type and three per-key properties.
#pragma once

#include <string>

#include "kestfw/kestfw_l7.h"

namespace KestFirewall {

static_assert(sizeof(_FWAttrKey) == 13, "key record is 13 bytes");
static_assert(sizeof(_FWAttrValue) == FW_ATTR_VALUE_HEADER_SIZE, "encoded attribute header is 10 bytes");
static_assert(sizeof(FWtlvChain) == FW_TLV_CHAIN_HEADER_SIZE, "chain header is 12 bytes");
static_assert(sizeof(FWtlvChainElem) == FW_TLV_ELEM_HEADER_SIZE, "element header is 8 bytes");

constexpr _FWAttrKey BuildFWAttrKey(FWAttrKeyID key, FWAttrKeyValueType valueType, unsigned discovery,
                                    unsigned toSlowPath, unsigned toFastPath) {
    return _FWAttrKey{static_cast<uint16_t>(valueType), static_cast<uint16_t>(key), static_cast<uint8_t>(discovery),
                      toSlowPath, toFastPath};
}

// The key record, or null above 17.
KESTFW_API const _FWAttrKey* dpID2attrkey(FWAttrKeyID key);
// The key record for a management-side number, or null.
KESTFW_API const _FWAttrKey* mpID2attrkey(int mpID);
// The management-side number of a key, or -1 for an unknown key.
KESTFW_API int dpID2mpID(FWAttrKeyID key);
// The key name; "" for an unknown key.
KESTFW_API std::string dpID2str(FWAttrKeyID key);
// The key record for a name, or null.
KESTFW_API const _FWAttrKey* str2attrkey(const std::string& name);
// The key for a name, or FW_ATTR_KEY_MAX (18) for an unknown name.
KESTFW_API FWAttrKeyID str2dpID(const std::string& name);

// Vocabulary name of an enumerated value; false (with an error log) when the key has no vocabulary
// or the number is not in it. `out` is written only on success.
KESTFW_API bool eint2str(FWAttrKeyID key, long number, std::string* out);
// Number of a vocabulary name; false when the key has no vocabulary or the name is unknown.
KESTFW_API bool str2eint(FWAttrKeyID key, const std::string& name, long* out);

// The application text of an address attribute: the name of the low 32 bits of the value, or
// "unknown" (with a warning) when the engine has no such application.
KESTFW_API std::string appID2str(long value);

}  // namespace KestFirewall
