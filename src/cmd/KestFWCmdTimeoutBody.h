// The timeout record both timeout commands carry: 23 values, then one selection flag per value. The
// record travels unchanged; the kernel fills the values of the selected timeouts when asked.
#pragma once

#include <cstring>

#include "kestfw/kestfw_settings.h"
#include "kestfw/kestfw_util.h"
#include "util/ByteIO.h"

namespace KestFirewall {
namespace TimeoutBody {

constexpr unsigned int kSize = 116;
constexpr unsigned int kCount = KESTFW_TIMEOUT_COUNT;
constexpr unsigned int kOffPresent = 92;

static_assert(sizeof(FWInstTimeout_) == kSize, "timeout record is 116 bytes");

inline void write(uint8_t* body, const FWInstTimeout_& t) {
    ByteWriter w(body, kSize);
    for (unsigned int i = 0; i < kCount; ++i) w.u32(t.value[i]);
    w.bytes(t.present, kCount);
    w.u8(0);
}

// False when the reply is shorter than a record; `out` then stays as it was.
inline bool read(ByteReader& r, FWInstTimeout_& out) {
    FWInstTimeout_ t;
    for (unsigned int i = 0; i < kCount; ++i) t.value[i] = r.u32();
    r.bytes(t.present, kCount);
    t.pad = r.u8();
    if (!r.ok()) return false;
    out = t;
    return true;
}

}  // namespace TimeoutBody
}  // namespace KestFirewall
