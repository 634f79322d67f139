// Bytes written by hand from the record tables: hex text for golden records, and the rule-set count
// request, the one message the channel tests send.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace kestfw_test {

typedef std::vector<uint8_t> Bytes;

// "0100 0200 00*3" -> {1, 0, 2, 0, 0, 0, 0}: pairs of hex digits, spaces ignored, "XX*n" repeats a byte.
inline Bytes hexBytes(const std::string& text) {
    Bytes out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        const uint8_t b = uint8_t(std::stoul(text.substr(i, 2), nullptr, 16));
        i += 2;
        size_t n = 1;
        if (i < text.size() && text[i] == '*') {
            size_t used = 0;
            n = std::stoul(text.substr(i + 1), &used);
            i += 1 + used;
        }
        out.insert(out.end(), n, b);
    }
    return out;
}

// The rule-set count as the n-th message of its handle: message header (signature, body 16, sequence,
// one command), command header (body 4, opcode 1, status 0), a zero body: 36 bytes.
inline Bytes countMessage(uint8_t sequence = 0) {
    return {'K', 'E', 'S', 'T', 16, 0, 0, 0, sequence, 0, 0, 0, 1, 1, 0, 1, 1, 0,
            0,   0,   4,   0,   0,  0, 1, 0, 0,        0, 0, 0, 0, 0, 0, 0, 0, 0};
}

}  // namespace kestfw_test
