// The kernel-flags record both flag commands carry: the flag bits, up to 32 names of 40 bytes (the
// first empty name ends the list) and one value byte per name.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "kestfw/kestfw_settings.h"
#include "util/ByteIO.h"

namespace KestFirewall {
namespace KifFlagsBody {

constexpr unsigned int kSize = KESTFW_KIFFLAGS_SIZE;
constexpr unsigned int kMaxFlags = KESTFW_KIFFLAGS_COUNT;
constexpr unsigned int kNameWidth = KESTFW_KIFFLAG_NAME_SIZE;
constexpr unsigned int kOffNames = 4;
constexpr unsigned int kOffValues = 1284;

struct Flags {
    uint32_t bits = 0;
    std::vector<std::pair<std::string, uint8_t>> named;  // in the kernel's order
};

// False when the reply is shorter than the record.
inline bool read(const void* body, unsigned int size, Flags& out) {
    if (body == nullptr || size < kSize) return false;
    ByteReader r(body, size);
    out.bits = r.u32();
    out.named.clear();
    for (unsigned int i = 0; i < kMaxFlags; ++i) {
        std::string name = r.text(kNameWidth);
        if (name.empty()) break;
        out.named.emplace_back(name, 0);
    }
    for (size_t i = 0; i < out.named.size(); ++i) out.named[i].second = r.getAt<uint8_t>(kOffValues + i);
    return r.ok();
}

}  // namespace KifFlagsBody
}  // namespace KestFirewall
