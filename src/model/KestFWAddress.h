// Base of every address form: the "not" flag, the fixed 144-byte record frame (type code and flag
// byte) and the ordering shared by all forms. Each form adds its fields and its record body.
#pragma once

#include <string>

#include "kestfw/kestfw_address.h"
#include "model/KestFWObject.h"

namespace KestFirewall {

class ByteWriter;

class KESTFW_API CKestFWAddress : public IKestFWObject {
public:
    explicit CKestFWAddress(bool negate = false) : m_negate(negate) {}
    ~CKestFWAddress() override = default;

    // Every single address is one record; lists override.
    unsigned int getMsgSize() const override { return FW_ADDRESS_RECORD_SIZE; }
    // Writes the type code, flag bit 0 (the other flag bits stay as the buffer holds them) and the
    // form's body; bytes the form does not name are left untouched.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;

    virtual bool isIPAddress() const { return false; }
    virtual bool isMACAddress() const { return false; }
    virtual bool isContainer() const { return false; }
    virtual bool isIPv4Address() const { return false; }
    virtual bool isIPv6Address() const { return false; }
    virtual std::string getName() const { return std::string(); }
    // Type code first, then plain before negated, then the form's own fields. An operand with the
    // same type code but another class raises std::bad_cast.
    virtual bool operator<(const CKestFWAddress& other) const;

    bool isNegated() const { return m_negate; }
    // The text's "not" in front of an address that was read on its own.
    void setNegate(bool negate) { m_negate = negate; }

    // Name of a type code for debug lines; codes of 16 and above are "unknown".
    static const char* typeName(unsigned int type);

protected:
    // The form's body, written at offset 4 onwards of a record-sized writer.
    virtual void writeBody(ByteWriter& w) const = 0;
    // Field comparison against an address of the same type code and the same flag.
    virtual bool lessSameType(const CKestFWAddress& other) const = 0;
    // "not " when negated, else "".
    const char* notPrefix() const { return m_negate ? "not " : ""; }

    bool m_negate;
};

}  // namespace KestFirewall
