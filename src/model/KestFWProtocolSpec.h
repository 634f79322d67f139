// A protocol specification narrows what a rule's protocol matches: ports, port ranges and sets, TCP
// flags and options, ICMP type and code, DSCP marking and the connection-tracking modes. This is the
// common base with the kinds' numbers and the 2-byte header that leads every protocol spec record.
#pragma once

#include <cstdint>
#include <string>

#include "model/KestFWObject.h"

namespace KestFirewall {

// Kind of a spec as it travels in records (header bits 3..10).
enum FWProtocolSpecType_t : unsigned int {
    FW_PROTO_SPEC_ANY = 0,  // with getSpecCount/deleteSpec: every kind
    FW_PROTO_SPEC_L4PORT = 1,
    FW_PROTO_SPEC_L4PORT_RANGE = 2,
    FW_PROTO_SPEC_L4PORT_SET = 3,
    FW_PROTO_SPEC_TCP_FLAGS = 4,
    FW_PROTO_SPEC_TCP_OPTIONS = 5,
    FW_PROTO_SPEC_ICMP_TYPE = 6,
    FW_PROTO_SPEC_STATELESS = 7,
    FW_PROTO_SPEC_DSCP = 8,
    FW_PROTO_SPEC_STRICT = 9,
    FW_PROTO_SPEC_SLOPPY = 10,
};

// Object types (getType) of the protocol spec classes; the list's presence set keeps one bit per
// object type, counted from kObjTypeSpecBase.
enum : unsigned int {
    kObjTypeSpecBase = 124,
    kObjTypeL4Port = 125,
    kObjTypeL4PortRange = 126,
    kObjTypeL4PortSet = 127,
    kObjTypeTCPFlags = 128,
    kObjTypeTCPOptions = 129,
    kObjTypeICMPType = 130,
    kObjTypeStateless = 131,
    kObjTypeDSCP = 132,
    kObjTypeStrict = 133,
    kObjTypeSloppy = 134,
    kObjTypeProtocolSpecList = 136,
};

// Sides a spec applies to.
enum : unsigned char { FW_SPEC_DIR_PROTOCOL = 0, FW_SPEC_DIR_SOURCE = 1, FW_SPEC_DIR_DEST = 2 };

class KESTFW_API CKestFWProtocolSpec : public IKestFWObject {
public:
    // Raises CInvalidProtocolSpecDirException for a direction of 3 or more.
    CKestFWProtocolSpec(unsigned char dir, bool negate);
    ~CKestFWProtocolSpec() override = default;

    virtual FWProtocolSpecType_t getSpecType() const = 0;
    virtual void setDir(unsigned char dir);

    unsigned char getDir() const { return m_dir; }
    bool isNegated() const { return m_negate; }

    // The record header: bits 0..1 direction, bit 2 negate, bits 3..10 spec type.
    uint16_t header() const { return makeHeader(m_dir, m_negate, getSpecType()); }
    static uint16_t makeHeader(unsigned char dir, bool negate, unsigned int specType) {
        return static_cast<uint16_t>((dir & 3u) | (negate ? 4u : 0u) | ((specType & 0xffu) << 3));
    }
    static unsigned int headerDir(uint16_t h) { return h & 3u; }
    static bool headerNegate(uint16_t h) { return (h & 4u) != 0; }
    static unsigned int headerSpecType(uint16_t h) { return (h >> 3) & 0xffu; }

    // The whole protocol spec record (header then body), the form C records and the port block use.
    // False, writing nothing, when header and body do not fit into `size`.
    bool toRecord(void* buf, unsigned int size, unsigned int* used);

protected:
    // "not " in front of a negated spec's text.
    std::string notPrefix() const { return m_negate ? "not " : ""; }

    // Connection modes and the DSCP marking do not write a body of their own: they OR their bits into
    // the mode word at the start of the 56-byte protocol block handed in as `buf`.
    static bool orModeWord(const void* buf, unsigned int size, unsigned int* used, uint16_t bits);

    unsigned char m_dir;
    bool m_negate;
};

}  // namespace KestFirewall
