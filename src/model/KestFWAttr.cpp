#include "model/KestFWAttr.h"

#include <cinttypes>
#include <cstring>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "kestfw/kestfw_util.h"
#include "model/KestFWAddressUtil.h"
#include "model/KestFWL7Vocabulary.h"
#include "util/ByteIO.h"

namespace KestFirewall {

namespace {

// The longest values the configuration language accepts; the record fields hold a little more.
constexpr size_t kMaxStringValue = 128;
constexpr size_t kMaxSidValue = 75;

constexpr unsigned typeCodeOf(FWAttrIDValType v) {
    return v == FW_ATTR_VAL_INT      ? FW_ADDRESS_ATTR_INT
           : v == FW_ATTR_VAL_UINT   ? FW_ADDRESS_ATTR_UINT
           : v == FW_ATTR_VAL_STRING ? FW_ADDRESS_ATTR_STRING
                                     : FW_ADDRESS_ATTR_SID;
}

constexpr size_t textWidthOf(FWAttrIDValType v) {
    return v == FW_ATTR_VAL_SID ? CKestFWAddressAttr::kSidWidth : CKestFWAddressAttr::kStringWidth;
}

const FWAddress_* checkAttrRecord(const FWAddress_* rec, FWAttrIDValType v) {
    if (rec == nullptr) throw CInvalidAddressException("null address record");
    unsigned type = AddressUtil::recordType(rec);
    // A SID-list record stands for the SID match it carries.
    bool ok = type == typeCodeOf(v) || (v == FW_ATTR_VAL_SID && type == FW_ADDRESS_SID_LIST);
    if (!ok) throw CInvalidAddressException("invalid address type", type);
    return rec;
}

// The application name the DPI engine gives to an identifier, or "unknown".
std::string appName(int32_t id) {
    auto it = g_APP_ID_int2str_map.find(static_cast<long>(id));
    if (it != g_APP_ID_int2str_map.end()) return it->second;
    KFW_WARN("app protobuf value %d not found\n", id);
    return "unknown";
}

}  // namespace

template <FWAttrIDValType V>
CKestFWAttr<V>::CKestFWAttr(const FWAddress_* rec) : CKestFWAddressAttr(checkAttrRecord(rec, V)) {
    // A string or SID value that fills its field without a NUL is kept as it came: the text readers stop
    // at the field's end, and writing the record back gives the same bytes.
}

template <FWAttrIDValType V>
CKestFWAttr<V>::CKestFWAttr(FWAttrIDType id, const char* text, bool negate) : CKestFWAddressAttr(id, V, negate) {
    if (text == nullptr) throw CInvalidAddressException("");
    if (V == FW_ATTR_VAL_INT) {
        long n = 0;
        if (!Str2Long(text, 10, &n)) throw CInvalidAddressException(text);
        setNumber(static_cast<uint64_t>(static_cast<int64_t>(n)));
    } else if (V == FW_ATTR_VAL_UINT) {
        unsigned long n = 0;
        if (!Str2ULong(text, 10, &n)) throw CInvalidAddressException(text);
        setNumber(static_cast<uint64_t>(n));
    } else {
        size_t max = V == FW_ATTR_VAL_SID ? kMaxSidValue : kMaxStringValue;
        if (strlen(text) > max) throw CIDTooLongException(text);
        setText(text, textWidthOf(V));
    }
}

template <FWAttrIDValType V>
unsigned int CKestFWAttr<V>::getType() const {
    return typeCodeOf(V);
}

template <FWAttrIDValType V>
std::string CKestFWAttr<V>::toString() const {
    std::string s = notPrefix();
    char num[32];
    switch (V) {
        case FW_ATTR_VAL_INT: {
            int64_t v = getIntValue();
            snprintf(num, sizeof num, "%" PRId64, v);
            return s + "int attr " + num + " " + appName(static_cast<int32_t>(static_cast<uint32_t>(v)));
        }
        case FW_ATTR_VAL_UINT:
            snprintf(num, sizeof num, "%" PRIu64, getUIntValue());
            return s + "unsigned int attr " + num;
        case FW_ATTR_VAL_STRING:
            return s + "str attr " + getTextValue(kStringWidth);
        default:
            return s + "sid attr " + getTextValue(kSidWidth);
    }
}

template <FWAttrIDValType V>
void CKestFWAttr<V>::writeBody(ByteWriter& w) const {
    if (V == FW_ATTR_VAL_INT || V == FW_ATTR_VAL_UINT) {
        w.bytes(m_body, kBodySize);
        return;
    }
    // String and SID records carry the id and the text; the value-type word is left as it is.
    w.bytes(m_body + kIdOff, 4);
    w.skip(4);
    w.bytes(m_body + kTextOff, textWidthOf(V));
}

template class CKestFWAttr<FW_ATTR_VAL_INT>;
template class CKestFWAttr<FW_ATTR_VAL_UINT>;
template class CKestFWAttr<FW_ATTR_VAL_STRING>;
template class CKestFWAttr<FW_ATTR_VAL_SID>;

}  // namespace KestFirewall
