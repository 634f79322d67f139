// A layer-7 attribute: a key of the catalogue and a value of the key's type, as it travels inside a
// container's chain (element kind 0) and inside the connection-attribute command.
#pragma once

#include <cstdint>
#include <string>

#include "kestfw/kestfw_l7.h"
#include "kestfw/kestfw_util.h"
#include "model/KestFWContainerElement.h"

namespace KestFirewall {

class KESTFW_API CKestFWL7Attribute : public CKestFWContainerElement {
public:
    // Encoded sizes, header included.
    static constexpr unsigned int kIntSize = 18;
    static constexpr unsigned int kUuidStrBaseSize = 28;
    static constexpr unsigned int kSidSize = 82;
    static constexpr unsigned int kIntervalSize = 30;
    static constexpr unsigned int kDnsBaseSize = 24;
    static constexpr unsigned int kSidRecordSize = 72;
    // Longest text or domain: its length with NUL must fit the 16-bit length field.
    static constexpr size_t kMaxStringLength = 65534;

    // Enumerated key from its name, SID key from SID text, interval key from interval text.
    CKestFWL7Attribute(FWAttrKeyID key, const std::string& value, FwAttrOperator op);
    // Signed key, or enumerated key from its number.
    CKestFWL7Attribute(FWAttrKeyID key, long value, FwAttrOperator op);
    // Unsigned key.
    CKestFWL7Attribute(FWAttrKeyID key, unsigned long value, FwAttrOperator op);
    // Identifier-with-text key.
    CKestFWL7Attribute(FWAttrKeyID key, const uint8_t uuid[16], const std::string& text, FwAttrOperator op);
    // Identifier-with-text key; the UUID's 16 bytes are the two halves as they lie in memory.
    CKestFWL7Attribute(FWAttrKeyID key, uint64_t uuidFirst, uint64_t uuidSecond, const std::string& text,
                       FwAttrOperator op);
    // DNS transaction key.
    CKestFWL7Attribute(FWAttrKeyID key, const std::string& domain, uint32_t rrType, uint32_t rcode, uint32_t txnID,
                       FwAttrOperator op);
    // Decodes an encoded attribute of exactly `size` bytes (a caller's array or a kernel reply).
    CKestFWL7Attribute(const _FWAttrValue* value, unsigned int size);
    CKestFWL7Attribute(const CKestFWL7Attribute&) = default;
    CKestFWL7Attribute& operator=(const CKestFWL7Attribute&) = default;
    ~CKestFWL7Attribute() override = default;

    std::string toString() const override;
    FWContElementType getTlvType() const override { return FW_CONT_ELEM_L7_ATTRIBUTE; }
    unsigned int getTlvLength() const override;
    bool serializeValue(void* buf, unsigned int size, unsigned int* written) const override;
    bool operator==(const CKestFWContainerElement& other) const override;
    bool operator<(const CKestFWContainerElement& other) const override;
    std::unique_ptr<CKestFWContainerElement> clone() const override;

    FWAttrKeyID getKeyID() const { return m_key; }
    FWAttrKeyValueType getAttrType() const { return m_type; }
    FwAttrOperator getOperator() const { return m_op; }
    void getUUID(uint8_t out[16]) const;
    // Standard text form of the UUID.
    std::string getUUIDString() const;
    int64_t getInt() const { return m_int; }
    uint64_t getUInt() const { return static_cast<uint64_t>(m_int); }
    fwattr_intrv getInterval() const;
    fwattr_sid getSID() const;
    // The text value, the enumerated value's name, the SID or interval text, or the DNS domain.
    const std::string& getString() const { return m_string; }
    const std::string& getDomain() const { return m_string; }
    uint32_t getDNSTxnID() const { return m_dnsTxnID; }
    uint32_t getDNSRRType() const { return m_dnsRRType; }
    uint32_t getDNSRCode() const { return m_dnsRCode; }

    // Refuses (with the reason in the log) an encoding whose length field, size and type disagree.
    static bool checkFWAttrValue(const _FWAttrValue* value, unsigned int size);

private:
    // Looks the key up, taking its value type; CInvalidAttrKey for a key outside the catalogue.
    void setKey(FWAttrKeyID key);
    std::string keyName() const;
    void setText(const std::string& text);

    FWAttrKeyID m_key = 0;
    FWAttrKeyValueType m_type = 0;
    FwAttrOperator m_op = FW_ATTR_OP_EQ;
    std::string m_string;
    // Value, by type: the number (0-2); the UUID (3); the SID record (4); start, end and day (5);
    // the DNS numbers (6).
    int64_t m_int = 0;
    uint8_t m_uuid[16] = {};
    uint8_t m_sid[kSidRecordSize] = {};
    uint64_t m_start = 0;
    uint64_t m_end = 0;
    uint32_t m_day = 0;
    uint32_t m_dnsRRType = 0;
    uint32_t m_dnsRCode = 0;
    uint32_t m_dnsTxnID = 0;
};

}  // namespace KestFirewall
