// Field access to the 100-byte switch-port designator: the identifier and agent texts are bounded
// (a caller's record need not be terminated), the index is 24-bit little-endian, the type is the low
// nibble of the last byte.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "kestfw/kestfw_types.h"
#include "util/ByteIO.h"

namespace KestFirewall {

enum : unsigned {
    DVS_PORT_OFF_ID = 0,
    DVS_PORT_ID_LEN = 64,
    DVS_PORT_OFF_AGENT = 64,
    DVS_PORT_AGENT_LEN = 32,
    DVS_PORT_OFF_INDEX = 96,
    DVS_PORT_OFF_TYPE = 99,
    DVS_PORT_SIZE = 100,
};
static_assert(sizeof(dvs_port_) == DVS_PORT_SIZE, "switch-port designator is 100 packed bytes");

inline unsigned kfwPortType(const dvs_port_* p) { return p == nullptr ? 0u : (p->type & 0x0Fu); }

inline unsigned kfwPortIndex(const dvs_port_* p) {
    if (p == nullptr) return 0;
    return unsigned(p->index[0]) | unsigned(p->index[1]) << 8 | unsigned(p->index[2]) << 16;
}

inline void kfwSetPortIndex(dvs_port_* p, unsigned index) {
    p->index[0] = uint8_t(index);
    p->index[1] = uint8_t(index >> 8);
    p->index[2] = uint8_t(index >> 16);
}

inline std::string kfwPortId(const dvs_port_* p) {
    return p == nullptr ? std::string() : std::string(p->id, strnlen(p->id, DVS_PORT_ID_LEN));
}

inline std::string kfwPortAgent(const dvs_port_* p) {
    return p == nullptr ? std::string() : std::string(p->agent, strnlen(p->agent, DVS_PORT_AGENT_LEN));
}

}  // namespace KestFirewall
