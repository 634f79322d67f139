// The protocol a rule matches: an IP protocol number or an Ethertype, possibly negated, or "any".
// Protocol names come from the system's protocol database, both when printing and when a text is
// read, so a printed name always reads back as the same number.
#pragma once

#include <string>

#include "model/KestFWObject.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocol : public IKestFWObject {
public:
    enum : unsigned int { kObjType = 19 };

    // Undefined ("any"), not negated.
    explicit CKestFWProtocol(bool isIP);
    CKestFWProtocol(bool isIP, unsigned short value, bool negate);
    // An undefined protocol cannot be negated: raises CUnsupportedException.
    CKestFWProtocol(bool defined, unsigned short value, bool isIP, bool negate);

    // The rule writes the protocol into its own fields: nothing to serialise here.
    unsigned int getMsgSize() const override { return 0; }
    unsigned int getType() const override { return kObjType; }
    std::string toString() const override;
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;

    // The report form: "Protocol :" or "Ethertype :" in place of the keyword.
    std::string toString2() const;

    void setProtocol(unsigned short value, bool negate);
    unsigned short getValue() const { return m_value; }
    bool isIP() const { return m_isIP; }
    bool isNegated() const { return m_negate; }
    bool isDefined() const { return m_defined; }

    // The database's name of an IP protocol number, or the number in decimal when it has none.
    static std::string protocolName(unsigned int number);
    // The number of a protocol name from the database; false when the name is unknown.
    static bool protocolNumber(const char* name, unsigned short* number);

private:
    std::string text(const char* ipWord, const char* etherWord) const;

    unsigned short m_value;
    bool m_isIP;
    bool m_negate;
    bool m_defined;
};

}  // namespace KestFirewall
