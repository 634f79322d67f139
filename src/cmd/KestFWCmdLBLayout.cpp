#include "cmd/KestFWCmdLBLayout.h"

#include <cstdio>

namespace KestFirewall {
namespace LBLayout {

std::string uuidText(ByteReader& r, size_t off) {
    r.seek(off);
    uint32_t a = r.u32();
    uint16_t b = r.u16(), c = r.u16(), d = r.u16(), e = r.u16();
    uint32_t f = r.u32();
    char buf[40];
    snprintf(buf, sizeof buf, "%08x-%04x-%04x-%04x-%04x%08x", a, unsigned(b), unsigned(c), unsigned(d), unsigned(e), f);
    return buf;
}

}  // namespace LBLayout
}  // namespace KestFirewall
