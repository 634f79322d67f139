// The two headers every kernel message is framed with: the 20-byte message header at the front of the
// message and the 12-byte command header in front of each command body. Both are read and written
// through ByteReader/ByteWriter at fixed offsets; the structs below only carry the values.
#pragma once

#include <cstdint>

#include "util/ByteIO.h"

namespace KestFirewall {

// Message header, 20 bytes: "KEST", body length, sequence, major, minor, type, category, count, padding.
struct kest_msg_hdr_ {
    char signature[4];
    uint32_t bodyLen;  // bytes of command records behind the header
    uint32_t sequence;
    uint8_t major;
    uint8_t minor;
    uint8_t type;      // 0 request, 1 response
    uint8_t category;  // 1 firewall
    uint16_t count;    // command records in the message
    uint16_t padding;
};

enum : unsigned {
    KEST_MSG_OFF_SIGNATURE = 0,
    KEST_MSG_OFF_BODYLEN = 4,
    KEST_MSG_OFF_SEQUENCE = 8,
    KEST_MSG_OFF_MAJOR = 12,
    KEST_MSG_OFF_MINOR = 13,
    KEST_MSG_OFF_TYPE = 14,
    KEST_MSG_OFF_CATEGORY = 15,
    KEST_MSG_OFF_COUNT = 16,
    KEST_MSG_OFF_PADDING = 18,
    KEST_MSG_HDR_SIZE = 20,
};
static_assert(KEST_MSG_OFF_PADDING + 2 == KEST_MSG_HDR_SIZE, "message header is 20 packed bytes");
static_assert(sizeof(kest_msg_hdr_) == KEST_MSG_HDR_SIZE, "value struct mirrors the 20-byte header");

constexpr uint8_t KEST_MSG_MAJOR = 1;
constexpr uint8_t KEST_MSG_MINOR = 1;
constexpr uint8_t KEST_MSG_TYPE_REQUEST = 0;
constexpr uint8_t KEST_MSG_TYPE_RESPONSE = 1;
constexpr uint8_t KEST_MSG_CATEGORY_FIREWALL = 1;
constexpr char KEST_MSG_SIGNATURE[4] = {'K', 'E', 'S', 'T'};

// Command header, 12 bytes: body length, opcode, reserved, status.
struct kest_cmd_hdr_ {
    uint32_t bodyLen;
    uint16_t opcode;
    uint16_t reserved;
    uint32_t status;
};

enum : unsigned {
    KEST_CMD_OFF_BODYLEN = 0,
    KEST_CMD_OFF_OPCODE = 4,
    KEST_CMD_OFF_RESERVED = 6,
    KEST_CMD_OFF_STATUS = 8,
    KEST_CMD_HDR_SIZE = 12,
};
static_assert(KEST_CMD_OFF_STATUS + 4 == KEST_CMD_HDR_SIZE, "command header is 12 packed bytes");
static_assert(sizeof(kest_cmd_hdr_) == KEST_CMD_HDR_SIZE, "value struct mirrors the 12-byte header");

// Reads a message header from at least 20 bytes; false when fewer are given.
inline bool readMsgHdr(const void* p, size_t avail, kest_msg_hdr_* h) {
    ByteReader r(p, avail);
    r.bytes(h->signature, 4);
    h->bodyLen = r.u32();
    h->sequence = r.u32();
    h->major = r.u8();
    h->minor = r.u8();
    h->type = r.u8();
    h->category = r.u8();
    h->count = r.u16();
    h->padding = r.u16();
    return r.ok();
}

inline bool writeMsgHdr(void* p, size_t avail, const kest_msg_hdr_& h) {
    ByteWriter w(p, avail);
    w.bytes(h.signature, 4);
    w.u32(h.bodyLen);
    w.u32(h.sequence);
    w.u8(h.major);
    w.u8(h.minor);
    w.u8(h.type);
    w.u8(h.category);
    w.u16(h.count);
    w.u16(h.padding);
    return w.ok();
}

inline bool readCmdHdr(const void* p, size_t avail, kest_cmd_hdr_* h) {
    ByteReader r(p, avail);
    h->bodyLen = r.u32();
    h->opcode = r.u16();
    h->reserved = r.u16();
    h->status = r.u32();
    return r.ok();
}

// The kernel ignores the reserved half-word; it is zeroed so no stale heap bytes leave the process.
inline bool writeCmdHdr(void* p, size_t avail, uint32_t bodyLen, uint16_t opcode, uint32_t status) {
    ByteWriter w(p, avail);
    w.u32(bodyLen);
    w.u16(opcode);
    w.u16(0);
    w.u32(status);
    return w.ok();
}

}  // namespace KestFirewall
