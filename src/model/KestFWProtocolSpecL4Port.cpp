#include "model/KestFWProtocolSpecL4Port.h"

#include "base/KestFWException.h"
#include "kestfw/kestfw_util.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWProtocolSpecL4Port::CKestFWProtocolSpecL4Port(unsigned char dir, unsigned short port, bool negate)
    : CKestFWProtocolSpec(dir, negate), m_port(port) {}

CKestFWProtocolSpecL4Port::CKestFWProtocolSpecL4Port(unsigned char dir, const char* text)
    : CKestFWProtocolSpec(dir, false), m_port(0) {
    long port = 0;
    if (text == nullptr || !Str2Port(text, &port)) throw CInvalidL4PortException(text ? text : "");
    m_port = static_cast<unsigned short>(port);
}

std::string CKestFWProtocolSpecL4Port::toString() const {
    return notPrefix() + "port " + std::to_string(m_port);
}

bool CKestFWProtocolSpecL4Port::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (buf == nullptr || size < kBodySize) return false;
    ByteWriter w(const_cast<void*>(buf), kBodySize);
    w.be16(m_port);
    if (used) *used = kBodySize;
    return true;
}

}  // namespace KestFirewall
