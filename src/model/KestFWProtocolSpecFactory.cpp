#include "model/KestFWProtocolSpecFactory.h"

#include "base/KestFWException.h"
#include "model/KestFWProtocolSpecICMPType.h"
#include "model/KestFWProtocolSpecL4Port.h"
#include "model/KestFWProtocolSpecL4PortRange.h"
#include "model/KestFWProtocolSpecL4PortSet.h"
#include "model/KestFWProtocolSpecTCPFlags.h"
#include "model/KestFWProtocolSpecTCPOptions.h"
#include "util/ByteIO.h"

namespace KestFirewall {

namespace {
// Body sizes of spec types 1 to 6.
const unsigned int kBodyNeeded[] = {0, 2, 6, 36, 6, 42, 6};
}  // namespace

CKestFWProtocolSpec* CKestFWProtocolSpecFactory::newFromMsgBuf(const void* record, unsigned int size) {
    if (record == nullptr || size < 2) return nullptr;
    ByteReader r(record, size);
    const uint16_t h = r.u16();
    const unsigned int type = CKestFWProtocolSpec::headerSpecType(h);
    if (type == FW_PROTO_SPEC_ANY) return nullptr;
    if (type > FW_PROTO_SPEC_ICMP_TYPE) throw CUnknownProtocolSpecTypeException(static_cast<int>(type));
    const unsigned int avail = size - 2;
    if (avail < kBodyNeeded[type]) throw CInsufficientMsgBufException(kBodyNeeded[type], avail);

    const unsigned int dirBits = CKestFWProtocolSpec::headerDir(h);
    const unsigned char dir = static_cast<unsigned char>(dirBits);
    const bool negate = CKestFWProtocolSpec::headerNegate(h);
    switch (type) {
        case FW_PROTO_SPEC_L4PORT:
            return new CKestFWProtocolSpecL4Port(dir, r.be16(), negate);
        case FW_PROTO_SPEC_L4PORT_RANGE: {
            const uint16_t start = r.be16();
            const uint16_t end = r.be16();
            return new CKestFWProtocolSpecL4PortRange(dir, start, end, negate);
        }
        case FW_PROTO_SPEC_L4PORT_SET: {
            const unsigned int count = r.u8() & 0x0fu;
            r.skip(1);
            unsigned short slots[CKestFWProtocolSpecL4PortSet::kMaxSlots];
            for (unsigned short& s : slots) s = r.be16();
            const uint16_t mask = r.u16();
            return new CKestFWProtocolSpecL4PortSet(dir, slots, count, mask, negate);
        }
        case FW_PROTO_SPEC_TCP_FLAGS: {
            const unsigned int lo = r.u8();
            const unsigned int hi = r.u8() & 1u;
            return new CKestFWProtocolSpecTCPFlags(dir, static_cast<unsigned short>(hi << 8 | lo), negate);
        }
        case FW_PROTO_SPEC_TCP_OPTIONS: {
            const unsigned int length = r.u16();
            const uint8_t* bytes = r.view(CKestFWProtocolSpecTCPOptions::kMaxLength);
            // The length is checked by the constructor before any byte is read.
            return new CKestFWProtocolSpecTCPOptions(dir, bytes, length, negate);
        }
        default: {  // FW_PROTO_SPEC_ICMP_TYPE
            const unsigned int bits = r.u8();
            r.skip(3);
            const uint8_t icmpType = r.u8();
            const uint8_t code = r.u8();
            if (bits & 2u) return new CKestFWProtocolSpecICMPType(dir, icmpType, code, negate);
            return new CKestFWProtocolSpecICMPType(dir, icmpType, negate);
        }
    }
}

}  // namespace KestFirewall
