// Messages, port records and device request records for the simulator's tests, laid out by hand from
// the record tables (never by the library), so a layout slip on either side shows.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "sim/engine/SimEngine.h"

namespace kestsim_test {

using Bytes = std::vector<uint8_t>;

inline void put(uint8_t* p, uint64_t v, int width) {
    for (int i = 0; i < width; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t get64(const uint8_t* p) { return uint64_t(get32(p)) | uint64_t(get32(p + 4)) << 32; }
inline Bytes with(Bytes b, size_t off, uint64_t v, int width) {
    put(&b[off], v, width);
    return b;
}

inline Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
// A field or body of `size` bytes that starts with `text` (cut short, with no NUL, when it does not fit).
inline Bytes named(const std::string& text, size_t size) {
    Bytes b(size, 0);
    memcpy(b.data(), text.data(), text.size() < size ? text.size() : size);
    return b;
}

struct Cmd {
    uint16_t opcode;
    Bytes body;
};

// "KEST", body length, sequence, versions 1.1, type 0 (request), category 1, record count, padding;
// then per command: body length, opcode, reserved 0xBEEF (the module must leave it), status, body.
inline Bytes message(const std::vector<Cmd>& cmds, uint32_t sequence = 7) {
    Bytes m(20, 0);
    memcpy(m.data(), "KEST", 4);
    put(&m[8], sequence, 4);
    m[12] = 1, m[13] = 1, m[15] = 1;
    for (const Cmd& c : cmds) {
        size_t off = m.size();
        m.resize(off + 12 + c.body.size(), 0);
        put(&m[off], c.body.size(), 4);
        put(&m[off + 4], c.opcode, 2);
        put(&m[off + 6], 0xBEEF, 2);
        std::copy(c.body.begin(), c.body.end(), m.begin() + off + 12);
    }
    put(&m[4], m.size() - 20, 4);
    put(&m[16], cmds.size(), 2);
    return m;
}

// The host-wide rule-set count: 36 bytes, status word at 28, count at 32.
inline Bytes countMessage(uint32_t sequence = 7) { return message({{1, Bytes(4, 0)}}, sequence); }

// One command for the host-wide filter of `e`: its status (0xFFFFFFFF when the call failed), with the
// answered body in `reply`.
inline uint32_t perform(KestSim::Engine& e, uint16_t opcode, const Bytes& body, Bytes* reply = nullptr) {
    Bytes m = message({{opcode, body}});
    if (e.process(nullptr, m.data(), uint32_t(m.size())) != 0) return 0xFFFFFFFF;
    if (reply) reply->assign(m.begin() + 32, m.end());
    return get32(&m[28]);
}

// Switch-port record: identifier (64), agent (32), index (3 bytes), type.
struct PortRec {
    uint8_t b[100] = {};
    PortRec(const char* id, uint8_t type, uint32_t index = 0, const char* agent = "") {
        strncpy(reinterpret_cast<char*>(b), id, 63);
        strncpy(reinterpret_cast<char*>(b + 64), agent, 31);
        put(b + 96, index, 3);
        b[99] = type;
    }
};

// Device request record of control call 15: number 15, zero, payload length 112, payload address
// (the port right behind it), port record, message length, message address.
struct Request {
    uint8_t b[132] = {};
    explicit Request(Bytes& msg, const uint8_t* port = nullptr) {
        put(b, 15, 4);
        put(b + 8, 112, 4);
        put(b + 12, reinterpret_cast<uintptr_t>(b + 20), 8);
        if (port) memcpy(b + 20, port, 100);
        put(b + 120, msg.size(), 4);
        put(b + 124, reinterpret_cast<uintptr_t>(msg.data()), 8);
    }
};

}  // namespace kestsim_test
