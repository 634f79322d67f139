#include "model/KestFWL7Attribute.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "model/KestFWAttributeUtils.h"
#include "model/KestFWL7Vocabulary.h"
#include "util/ByteIO.h"

namespace KestFirewall {

static_assert(sizeof(fwattr_sid) == CKestFWL7Attribute::kSidRecordSize, "SID record is 72 bytes");

namespace {

[[noreturn]] void invalidValue(const std::string& text) { throw CInvalidAttrValue(text.c_str()); }

std::string sidText(const uint8_t record[CKestFWL7Attribute::kSidRecordSize], bool* ok) {
    fwattr_sid sid;
    memcpy(&sid, record, sizeof sid);
    char buf[256];
    *ok = sid_bin2str(&sid, buf, sizeof buf) == 1;
    return *ok ? std::string(buf) : std::string();
}

std::string intervalText(uint64_t start, uint64_t end, uint32_t day) {
    fwattr_intrv iv;
    iv.start = start;
    iv.end = end;
    iv.day = day;
    std::string out;
    if (attrIvlToStr(iv, out) != 1) return std::string();
    return out;
}

std::string hexBytes(const uint8_t* p, size_t n) {
    std::string out;
    char b[3];
    for (size_t i = 0; i < n; ++i) {
        snprintf(b, sizeof b, "%02x", p[i]);
        out += b;
    }
    return out;
}

// Seconds since 1970, broken down in UTC, as "%Y-%H:%M"; the plain number when it cannot be.
std::string timeText(uint64_t seconds) {
    if (seconds <= static_cast<uint64_t>(INT64_MAX)) {
        time_t t = static_cast<time_t>(seconds);
        struct tm tm;
        char buf[64];
        if (gmtime_r(&t, &tm) != nullptr && strftime(buf, sizeof buf, "%Y-%H:%M", &tm) != 0) return buf;
    }
    return std::to_string(seconds);
}

// The text at `p` of `length` bytes with its NUL (length 0: no text).
std::string readText(ByteReader& r, uint16_t length) {
    if (length == 0) return std::string();
    const uint8_t* p = r.view(length);
    if (p == nullptr) invalidValue("truncated string");
    const size_t n = strnlen(reinterpret_cast<const char*>(p), length);
    if (n >= length)
        invalidValue("buffer size " + std::to_string(length) + " is less than string length " + std::to_string(n + 1));
    return std::string(reinterpret_cast<const char*>(p), n);
}

void writeText(ByteWriter& w, const std::string& s) {
    if (s.empty()) {
        w.u16(0);
        return;
    }
    w.u16(static_cast<uint16_t>(s.size() + 1));
    w.bytes(s.data(), s.size());
    w.u8(0);
}

}  // namespace

void CKestFWL7Attribute::setKey(FWAttrKeyID key) {
    const _FWAttrKey* rec = dpID2attrkey(key);
    if (rec == nullptr) throw CInvalidAttrKey(std::to_string(key).c_str());
    m_key = key;
    m_type = rec->valueType;
}

std::string CKestFWL7Attribute::keyName() const { return dpID2str(m_key); }

void CKestFWL7Attribute::setText(const std::string& text) {
    if (text.size() > kMaxStringLength)
        invalidValue("string of " + std::to_string(text.size()) + " characters too long for key " + keyName());
    m_string = text;
}

CKestFWL7Attribute::CKestFWL7Attribute(FWAttrKeyID key, const std::string& value, FwAttrOperator op)
    : CKestFWContainerElement(FW_CONT_ELEM_L7_ATTRIBUTE), m_op(op) {
    setKey(key);
    switch (m_type) {
        case FW_ATTR_KVT_EINT: {
            long number = 0;
            if (!str2eint(key, value, &number))
                invalidValue("unmapped value for key: " + keyName() + " value: " + value);
            m_int = number;
            m_string = value;
            break;
        }
        case FW_ATTR_KVT_SID: {
            fwattr_sid sid;
            memset(&sid, 0, sizeof sid);
            if (sid_str2bin(value.c_str(), &sid) != 1) invalidValue("invalid sid value " + value);
            memcpy(m_sid, &sid, sizeof sid);
            bool ok = false;
            m_string = sidText(m_sid, &ok);
            if (!ok) invalidValue("invalid sid value " + value);
            break;
        }
        case FW_ATTR_KVT_INTERVAL: {
            fwattr_intrv iv;
            memset(&iv, 0, sizeof iv);
            if (strToAttrIvl(value, &iv) != 1) invalidValue("invalid interval value " + value);
            m_start = iv.start;
            m_end = iv.end;
            m_day = iv.day;
            m_string = intervalText(m_start, m_end, m_day);
            break;
        }
        default:
            invalidValue("invalid type for key: " + keyName() + " value: " + value);
    }
}

CKestFWL7Attribute::CKestFWL7Attribute(FWAttrKeyID key, long value, FwAttrOperator op)
    : CKestFWContainerElement(FW_CONT_ELEM_L7_ATTRIBUTE), m_op(op) {
    setKey(key);
    if (m_type == FW_ATTR_KVT_INT) {
        m_int = value;
    } else if (m_type == FW_ATTR_KVT_EINT) {
        if (!eint2str(key, value, &m_string))
            invalidValue("invalid int value " + std::to_string(value) + " for key " + keyName());
        m_int = value;
    } else {
        invalidValue("invalid type for " + keyName() + " value: " + std::to_string(value));
    }
}

CKestFWL7Attribute::CKestFWL7Attribute(FWAttrKeyID key, unsigned long value, FwAttrOperator op)
    : CKestFWContainerElement(FW_CONT_ELEM_L7_ATTRIBUTE), m_op(op) {
    setKey(key);
    if (m_type != FW_ATTR_KVT_UINT) invalidValue("invalid type for " + keyName() + " value: " + std::to_string(value));
    m_int = static_cast<int64_t>(value);
}

CKestFWL7Attribute::CKestFWL7Attribute(FWAttrKeyID key, const uint8_t uuid[16], const std::string& text,
                                       FwAttrOperator op)
    : CKestFWContainerElement(FW_CONT_ELEM_L7_ATTRIBUTE), m_op(op) {
    setKey(key);
    if (m_type != FW_ATTR_KVT_UUID_STR) invalidValue("invalid type for " + keyName() + " value: " + text);
    if (uuid == nullptr) invalidValue("null uuid for key " + keyName());
    memcpy(m_uuid, uuid, sizeof m_uuid);
    setText(text);
}

CKestFWL7Attribute::CKestFWL7Attribute(FWAttrKeyID key, uint64_t uuidFirst, uint64_t uuidSecond,
                                       const std::string& text, FwAttrOperator op)
    : CKestFWContainerElement(FW_CONT_ELEM_L7_ATTRIBUTE), m_op(op) {
    setKey(key);
    if (m_type != FW_ATTR_KVT_UUID_STR) invalidValue("invalid type for " + keyName() + " value: " + text);
    memcpy(m_uuid, &uuidFirst, 8);
    memcpy(m_uuid + 8, &uuidSecond, 8);
    setText(text);
}

CKestFWL7Attribute::CKestFWL7Attribute(FWAttrKeyID key, const std::string& domain, uint32_t rrType, uint32_t rcode,
                                       uint32_t txnID, FwAttrOperator op)
    : CKestFWContainerElement(FW_CONT_ELEM_L7_ATTRIBUTE), m_op(op) {
    setKey(key);
    if (m_type != FW_ATTR_KVT_DNS_TXN) invalidValue("invalid type for " + keyName() + " value: " + domain);
    setText(domain);
    m_dnsRRType = rrType;
    m_dnsRCode = rcode;
    m_dnsTxnID = txnID;
}

bool CKestFWL7Attribute::checkFWAttrValue(const _FWAttrValue* value, unsigned int size) {
    if (value == nullptr || size < FW_ATTR_VALUE_HEADER_SIZE) return false;
    ByteReader r(value, size);
    r.u16();
    const uint16_t type = r.u16();
    const uint32_t length = r.u32();
    if (length != size) {
        KFW_ERROR("size of buffer (%u) != length of fwattrvalue (%u)\n", size, length);
        return false;
    }
    switch (type) {
        case FW_ATTR_KVT_INT:
        case FW_ATTR_KVT_EINT:
            if (size != kIntSize) {
                KFW_ERROR("invalid size for int attribute\n");
                return false;
            }
            return true;
        case FW_ATTR_KVT_UINT:
            if (size != kIntSize) {
                KFW_ERROR("invalid size for uint attribute\n");
                return false;
            }
            return true;
        case FW_ATTR_KVT_UUID_STR:
            // The text length sits at 26, so anything shorter than the fixed part cannot be read.
            if (size < kUuidStrBaseSize) {
                KFW_ERROR("invalid minimum size for uuid attribute\n");
                return false;
            }
            if (size != kUuidStrBaseSize + r.getAt<uint16_t>(26)) {
                KFW_ERROR("invalid size for uuid attribute\n");
                return false;
            }
            return true;
        case FW_ATTR_KVT_SID:
            if (size != kSidSize) {
                KFW_ERROR("invalid size for sid attribute\n");
                return false;
            }
            return true;
        case FW_ATTR_KVT_INTERVAL:
            if (size != kIntervalSize) {
                KFW_ERROR("invalid size for interval attribute\n");
                return false;
            }
            return true;
        case FW_ATTR_KVT_DNS_TXN:
            // The domain length sits at 22.
            if (size < kDnsBaseSize) {
                KFW_ERROR("invalid minimum size for dns attribute\n");
                return false;
            }
            if (size != kDnsBaseSize + r.getAt<uint16_t>(22)) {
                KFW_ERROR("invalid size for dns attribute\n");
                return false;
            }
            return true;
        default:
            KFW_ERROR("unknown attribute value %u\n", type);
            return false;
    }
}

CKestFWL7Attribute::CKestFWL7Attribute(const _FWAttrValue* value, unsigned int size)
    : CKestFWContainerElement(FW_CONT_ELEM_L7_ATTRIBUTE) {
    if (value == nullptr) invalidValue("null value pointer");
    if (size < FW_ATTR_VALUE_HEADER_SIZE)
        invalidValue("size of value pointer " + std::to_string(size) + " is less than minsize " +
                     std::to_string(FW_ATTR_VALUE_HEADER_SIZE));
    if (!checkFWAttrValue(value, size)) invalidValue("invalid FWAttr Value");

    ByteReader r(value, size);
    const uint16_t key = r.u16();
    const uint16_t type = r.u16();
    r.seek(FW_ATTR_VALUE_HEADER_SIZE);
    const _FWAttrKey* rec = dpID2attrkey(key);
    if (rec == nullptr) throw CInvalidAttrKey(("invalid key id " + std::to_string(key)).c_str());
    if (rec->valueType != type) invalidValue("invalid type for key " + std::to_string(key));
    m_key = key;
    m_type = type;

    switch (type) {
        case FW_ATTR_KVT_INT:
        case FW_ATTR_KVT_UINT:
            m_int = static_cast<int64_t>(r.u64());
            break;
        case FW_ATTR_KVT_EINT:
            m_int = static_cast<int64_t>(r.u64());
            if (!eint2str(key, static_cast<long>(m_int), &m_string))
                invalidValue("invalid encoded int value " + std::to_string(m_int) + " for key " + std::to_string(key));
            break;
        case FW_ATTR_KVT_UUID_STR:
            r.bytes(m_uuid, sizeof m_uuid);
            m_string = readText(r, r.u16());
            break;
        case FW_ATTR_KVT_SID: {
            r.bytes(m_sid, sizeof m_sid);
            bool ok = false;
            m_string = sidText(m_sid, &ok);
            if (!ok) invalidValue("invalid sid value " + hexBytes(m_sid, sizeof m_sid));
            break;
        }
        case FW_ATTR_KVT_INTERVAL:
            m_start = r.u64();
            m_end = r.u64();
            m_day = r.u32();
            m_string = intervalText(m_start, m_end, m_day);
            break;
        case FW_ATTR_KVT_DNS_TXN:
            m_dnsRRType = r.u32();
            m_dnsRCode = r.u32();
            m_dnsTxnID = r.u32();
            m_string = readText(r, r.u16());
            break;
        default:
            invalidValue("unknown type");
    }
    // checkFWAttrValue has tied the size to the layout, so a short read here is a fault of ours.
    if (!r.ok()) invalidValue("truncated attribute");
}

unsigned int CKestFWL7Attribute::getTlvLength() const {
    const unsigned int text = m_string.empty() ? 0 : static_cast<unsigned int>(m_string.size() + 1);
    switch (m_type) {
        case FW_ATTR_KVT_INT:
        case FW_ATTR_KVT_UINT:
        case FW_ATTR_KVT_EINT:
            return kIntSize;
        case FW_ATTR_KVT_UUID_STR:
            return kUuidStrBaseSize + text;
        case FW_ATTR_KVT_SID:
            return kSidSize;
        case FW_ATTR_KVT_INTERVAL:
            return kIntervalSize;
        case FW_ATTR_KVT_DNS_TXN:
            return kDnsBaseSize + text;
        default:
            return FW_ATTR_VALUE_HEADER_SIZE;
    }
}

bool CKestFWL7Attribute::serializeValue(void* buf, unsigned int size, unsigned int* written) const {
    if (buf == nullptr) return false;
    const unsigned int length = getTlvLength();
    if (length > size) {
        KFW_ERROR("failed to serialize insufficient buffer space: %u, need : %u\n", size, length);
        return false;
    }
    ByteWriter w(buf, length);
    w.zeros(FW_ATTR_VALUE_HEADER_SIZE);
    w.seek(0);
    w.u16(static_cast<uint16_t>(m_key));
    w.u16(static_cast<uint16_t>(m_type));
    w.u32(length);
    w.u16(0);
    switch (m_type) {
        case FW_ATTR_KVT_INT:
        case FW_ATTR_KVT_UINT:
        case FW_ATTR_KVT_EINT:
            w.u64(static_cast<uint64_t>(m_int));
            break;
        case FW_ATTR_KVT_UUID_STR:
            w.bytes(m_uuid, sizeof m_uuid);
            writeText(w, m_string);
            break;
        case FW_ATTR_KVT_SID:
            w.bytes(m_sid, sizeof m_sid);
            break;
        case FW_ATTR_KVT_INTERVAL:
            w.u64(m_start);
            w.u64(m_end);
            w.u32(m_day);
            break;
        case FW_ATTR_KVT_DNS_TXN:
            w.u32(m_dnsRRType);
            w.u32(m_dnsRCode);
            w.u32(m_dnsTxnID);
            writeText(w, m_string);
            break;
        default:
            KFW_ERROR("unknown attribute value %u\n", m_type);
            return false;
    }
    if (!w.ok() || w.pos() != length) return false;
    if (written) *written = length;
    return true;
}

std::string CKestFWL7Attribute::toString() const {
    std::string value;
    if (m_key == FW_ATTR_KEY_TB_DOW_ID) {
        value = weekDay2Str(static_cast<unsigned long>(m_int));
    } else if (m_key == FW_ATTR_KEY_TB_ST_ID || m_key == FW_ATTR_KEY_TB_ET_ID) {
        value = timeText(static_cast<uint64_t>(m_int));
    } else if (m_key == FW_ATTR_KEY_TB_INTRV_ID) {
        value = intervalText(m_start, m_end, m_day);
    } else {
        switch (m_type) {
            case FW_ATTR_KVT_INT:
                value = std::to_string(m_int);
                break;
            case FW_ATTR_KVT_UINT:
                value = std::to_string(static_cast<uint64_t>(m_int));
                break;
            case FW_ATTR_KVT_EINT:
            case FW_ATTR_KVT_UUID_STR:
            case FW_ATTR_KVT_SID:
            case FW_ATTR_KVT_INTERVAL:
                value = m_string;
                break;
            case FW_ATTR_KVT_DNS_TXN:
                value = "fqdn: " + m_string + ", rr_type: " + std::to_string(m_dnsRRType) +
                        ", r_code: " + std::to_string(m_dnsRCode) + ", txn_id: " + std::to_string(m_dnsTxnID);
                break;
            default:
                value = "unknown";
        }
    }
    return keyName() + " : " + value;
}

bool CKestFWL7Attribute::operator<(const CKestFWContainerElement& other) const {
    const CKestFWL7Attribute* o = dynamic_cast<const CKestFWL7Attribute*>(&other);
    if (o == nullptr) return false;
    if (m_key != o->m_key) return m_key < o->m_key;
    if (m_type != o->m_type) return m_type < o->m_type;
    switch (m_type) {
        case FW_ATTR_KVT_INT:
        case FW_ATTR_KVT_EINT:
            return m_int < o->m_int;
        case FW_ATTR_KVT_UINT:
            return static_cast<uint64_t>(m_int) < static_cast<uint64_t>(o->m_int);
        case FW_ATTR_KVT_UUID_STR:
            return memcmp(m_uuid, o->m_uuid, sizeof m_uuid) < 0;
        case FW_ATTR_KVT_SID:
        case FW_ATTR_KVT_INTERVAL:
            return m_string < o->m_string;
        case FW_ATTR_KVT_DNS_TXN:
            return m_dnsTxnID < o->m_dnsTxnID;
        default:
            KFW_ERROR("unknown attribute value %u\n", m_type);
            return false;
    }
}

bool CKestFWL7Attribute::operator==(const CKestFWContainerElement& other) const {
    const CKestFWL7Attribute* o = dynamic_cast<const CKestFWL7Attribute*>(&other);
    if (o == nullptr || m_key != o->m_key || m_type != o->m_type) return false;
    switch (m_type) {
        case FW_ATTR_KVT_INT:
        case FW_ATTR_KVT_UINT:
        case FW_ATTR_KVT_EINT:
            return m_int == o->m_int;
        case FW_ATTR_KVT_UUID_STR:
            return memcmp(m_uuid, o->m_uuid, sizeof m_uuid) == 0 && m_string == o->m_string;
        case FW_ATTR_KVT_SID:
            return m_string == o->m_string;
        case FW_ATTR_KVT_INTERVAL:
            return m_start == o->m_start && m_end == o->m_end && m_day == o->m_day;
        case FW_ATTR_KVT_DNS_TXN:
            return m_string == o->m_string && m_dnsRRType == o->m_dnsRRType && m_dnsRCode == o->m_dnsRCode &&
                   m_dnsTxnID == o->m_dnsTxnID;
        default:
            return false;
    }
}

std::unique_ptr<CKestFWContainerElement> CKestFWL7Attribute::clone() const {
    return std::unique_ptr<CKestFWContainerElement>(new CKestFWL7Attribute(*this));
}

void CKestFWL7Attribute::getUUID(uint8_t out[16]) const { memcpy(out, m_uuid, sizeof m_uuid); }

std::string CKestFWL7Attribute::getUUIDString() const {
    char buf[KESTFW_UUID_NORMAL_LEN];
    return uuid2normalstr(m_uuid, buf, sizeof buf) == 1 ? std::string(buf) : std::string();
}

fwattr_intrv CKestFWL7Attribute::getInterval() const {
    fwattr_intrv iv;
    iv.start = m_start;
    iv.end = m_end;
    iv.day = m_day;
    return iv;
}

fwattr_sid CKestFWL7Attribute::getSID() const {
    fwattr_sid sid;
    memcpy(&sid, m_sid, sizeof sid);
    return sid;
}

}  // namespace KestFirewall
