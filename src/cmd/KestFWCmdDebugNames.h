// Names of the kernel's debug components and of its verbose-log components, in the kernel's order.
#pragma once

namespace KestFirewall {
namespace DebugNames {

constexpr unsigned int kComponents = 28;
constexpr unsigned int kAllComponents = 255;
constexpr unsigned int kLevels = 16;

inline const char* component(unsigned int index) {
    static const char* const kNames[kComponents] = {
        "fastpath", "rule",    "table",   "icmp",    "tcp",    "udp",    "ioctl",  "norm",   "rpc",    "ftp",
        "oracle",   "tftp",    "ospf",    "msg2pf",  "layer7", "layer4", "layer3", "layer2", "hopover", "syncache",
        "lb",       "tbr",     "sampling", "flood",  "lock",   "perf",   "fp_sort", "fp_match"};
    return index < kComponents ? kNames[index] : "invalid component";
}

inline const char* verboseComponent(unsigned int index) {
    static const char* const kNames[3] = {"unknown", "dp", "cp"};
    return index < 3 ? kNames[index] : "invalid component";
}

// The one word of a debug-switch body: the component in the low 24 bits, the level in bits 24 to 27.
inline uint32_t word(unsigned int component, unsigned int level) {
    return (component & 0xFFFFFFu) | (level & 0xFu) << 24;
}

}  // namespace DebugNames
}  // namespace KestFirewall
