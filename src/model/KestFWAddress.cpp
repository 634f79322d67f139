#include "model/KestFWAddress.h"

#include "util/ByteIO.h"

namespace KestFirewall {

static_assert(sizeof(FWAddress_) == FW_ADDRESS_RECORD_SIZE, "address record is 144 bytes");

namespace {
const char* const kTypeNames[16] = {"any",
                                    "ipv4",
                                    "ipv6",
                                    "ipv4 range",
                                    "ipv6 range",
                                    "ipv4/cidr",
                                    "ipv6/cidr",
                                    "ether",
                                    "ether range",
                                    "ether/mask",
                                    "vnic",
                                    "addrset",
                                    "attribute integer",
                                    "attribute unsigned integer",
                                    "attribute string",
                                    "attribute sid"};
}  // namespace

const char* CKestFWAddress::typeName(unsigned int type) { return type < 16 ? kTypeNames[type] : "unknown"; }

bool CKestFWAddress::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (getMsgSize() > size) return false;
    // The message layer hands its buffer on as const; the record is ours to fill.
    ByteWriter w(const_cast<void*>(buf), FW_ADDRESS_RECORD_SIZE);
    uint8_t flags;
    {
        ByteReader r(buf, FW_ADDRESS_RECORD_SIZE);
        flags = r.getAt<uint8_t>(2);
    }
    flags = static_cast<uint8_t>((flags & ~FW_ADDRESS_FLAG_NEGATE) | (m_negate ? FW_ADDRESS_FLAG_NEGATE : 0));
    w.u16(static_cast<uint16_t>(getType()));
    w.u8(flags);
    w.seek(4);
    writeBody(w);
    if (!w.ok()) return false;
    if (used != nullptr) *used = FW_ADDRESS_RECORD_SIZE;
    return true;
}

bool CKestFWAddress::operator<(const CKestFWAddress& other) const {
    unsigned a = getType(), b = other.getType();
    if (a != b) return a < b;
    if (m_negate != other.m_negate) return !m_negate;
    return lessSameType(other);
}

}  // namespace KestFirewall
