// The exception family of the core: every failure inside the library is one of these, carrying the
// status code that the exported C boundary hands back to its caller.
#pragma once

#include <exception>
#include <string>

#include "kestfw/kestfw_types.h"

namespace KestFirewall {

class KESTFW_API CKestFWException : private std::exception {
public:
    CKestFWException() = default;
    explicit CKestFWException(const std::string& msg, FWStatus_t code = 5) : m_msg(msg), m_code(code) {}
    CKestFWException(const CKestFWException&) = default;
    ~CKestFWException() override = default;

    const char* what() const noexcept override { return m_msg.c_str(); }
    virtual FWStatus_t retcode() const noexcept { return m_code; }

protected:
    void set(const std::string& msg, FWStatus_t code) {
        m_msg = msg;
        m_code = code;
    }

private:
    std::string m_msg;
    FWStatus_t m_code = 5;
};

// Formats into a 256-byte buffer, so a formatted part longer than 255 characters is cut.
std::string kestfwFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

#define KESTFW_EXCEPTION(Name) \
    class KESTFW_API Name : public CKestFWException { \
    public: \
        Name(const Name&) = default;

#define KESTFW_EXCEPTION_END };

KESTFW_EXCEPTION(CUnsupportedException)
    CUnsupportedException(int code, const char* text);
    explicit CUnsupportedException(const char* text);
    CUnsupportedException(const char* text, int n);
    CUnsupportedException(const char* text, unsigned n);
    CUnsupportedException(const char* text, const char* text2);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidTimeoutException)
    explicit CInvalidTimeoutException(const char* name);
    explicit CInvalidTimeoutException(unsigned id);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidAddressException)
    explicit CInvalidAddressException(const char* text);
    CInvalidAddressException(const char* text, unsigned n);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidAddrSetTypeException)
    explicit CInvalidAddrSetTypeException(int type);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidRuleActionException)
    explicit CInvalidRuleActionException(unsigned action);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInsufficientMsgBufException)
    CInsufficientMsgBufException(unsigned expected, unsigned got);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidEtherRangeException)
    explicit CInvalidEtherRangeException(const char* text);
KESTFW_EXCEPTION_END

// Addresses are given as 4 and 16 bytes in network order.
KESTFW_EXCEPTION(CInvalidIPv4RangeException)
    CInvalidIPv4RangeException(const unsigned char lo[4], const unsigned char hi[4]);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidIPv6RangeException)
    CInvalidIPv6RangeException(const unsigned char lo[16], const unsigned char hi[16]);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CCannotOpenDevException)
    CCannotOpenDevException(const char* path, unsigned err);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CIoctlException)
    CIoctlException(const char* text, int err);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CPortNotFoundException)
    explicit CPortNotFoundException(const char* text);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidL4PortException)
    explicit CInvalidL4PortException(unsigned port);
    explicit CInvalidL4PortException(const char* text);
    explicit CInvalidL4PortException(const std::string& text);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidL4PortRangeException)
    CInvalidL4PortRangeException(unsigned lo, unsigned hi);
    explicit CInvalidL4PortRangeException(const char* text);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CIntegerOverflowException)
    CIntegerOverflowException(const char* text, unsigned n);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(COutOfMemoryException)
    explicit COutOfMemoryException(unsigned bytes);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CBufferTooSmallException)
    explicit CBufferTooSmallException(unsigned bytes);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CCannotOpenFileException)
    CCannotOpenFileException(const std::string& a, const std::string& b);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CCannotInitializeIOException)
    explicit CCannotInitializeIOException(int ioType);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CUnknownProtocolSpecTypeException)
    explicit CUnknownProtocolSpecTypeException(int type);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CUnknownMsgBufTypeException)
    explicit CUnknownMsgBufTypeException(int type);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CUnknownIOTypeException)
    explicit CUnknownIOTypeException(int type);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CUnknownSocketTypeException)
    explicit CUnknownSocketTypeException(int type);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CTooManyL4PortException)
    explicit CTooManyL4PortException(unsigned n);
    explicit CTooManyL4PortException(const char* text);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidRuleDirectionException)
    explicit CInvalidRuleDirectionException(int dir);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidProtocolSpecDirException)
    explicit CInvalidProtocolSpecDirException(int dir);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidTCPFlagsException)
    explicit CInvalidTCPFlagsException(int flags);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CIDTooLongException)
    explicit CIDTooLongException(const char* text);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CTCPOptionsTooLongException)
    explicit CTCPOptionsTooLongException(int length);
KESTFW_EXCEPTION_END

// Spec types 124 to 135 name the kind of protocol specification defined twice.
KESTFW_EXCEPTION(CDuplicateProtocolSpecException)
    explicit CDuplicateProtocolSpecException(unsigned specType);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CSocketException)
    explicit CSocketException(const char* text);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CIpfixPacketFullException)
    CIpfixPacketFullException();
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidInputDataException)
    explicit CInvalidInputDataException(const char* text);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CUnknownIpfixTemplateTypeException)
    explicit CUnknownIpfixTemplateTypeException(int type);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CIpfixFWException)
    explicit CIpfixFWException(const char* text);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidAttrKey)
    explicit CInvalidAttrKey(const char* text);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidAttrValue)
    explicit CInvalidAttrValue(const char* text);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CUnmappedEIntAttribute)
    explicit CUnmappedEIntAttribute(const char* text);
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidUidException)
    CInvalidUidException();
KESTFW_EXCEPTION_END

KESTFW_EXCEPTION(CInvalidContainerNameException)
    CInvalidContainerNameException(const std::string& name, const char* reason);
KESTFW_EXCEPTION_END

#undef KESTFW_EXCEPTION
#undef KESTFW_EXCEPTION_END

}  // namespace KestFirewall
