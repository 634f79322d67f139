// Flow-exclusion filters as text: a compact line of '|'-ended fields for logs, and a column-aligned
// form for tables. The record is read byte by byte at its fixed offsets, whatever the caller's
// struct packing.
#include <arpa/inet.h>
#include <netdb.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "kestfw/kestfw_runner.h"
#include "util/ByteIO.h"

namespace {

constexpr size_t kRecordSize = 162;
static_assert(sizeof(FWFlowExclusion_) == kRecordSize, "flow-exclusion record is 162 bytes");

enum Offset : size_t {
    kOffFlags = 0,
    kOffNegate = 4,
    kOffNegate2 = 5,
    kOffProtoCount = 8,
    kOffEtherCount = 9,
    kOffProtocols = 10,
    kOffEthertypes = 18,
    kOffSrcMac = 26,
    kOffDstMac = 38,
    kOffSrcIp = 50,
    kOffDstIp = 82,
    kOffSrcPort = 114,
    kOffDstPort = 118,
    kOffVnic1 = 122,
    kOffVnic2 = 142,
};
constexpr unsigned kMaxProtocols = 8;
constexpr unsigned kMaxEthertypes = 4;

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buf[160];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

class Fields {
public:
    explicit Fields(const FWFlowExclusion_* record) : m_in(record, kRecordSize) {
        m_flags = m_in.getAt<uint32_t>(kOffFlags);
        m_negate = m_in.getAt<uint8_t>(kOffNegate);
        m_negate2 = m_in.getAt<uint8_t>(kOffNegate2);
    }

    // The ten fields, each without its closing '|'; an absent field is empty. `present[i]` tells
    // the absent second vNIC apart from an empty one.
    void collect(std::string (&text)[10], bool (&present)[10]) {
        present[0] = has(FWFE_SRC_MAC);
        if (present[0]) text[0] = neg(m_negate, FWFE_SRC_MAC) + mac(kOffSrcMac);
        present[1] = has(FWFE_DST_MAC);
        if (present[1]) text[1] = neg(m_negate, FWFE_DST_MAC) + mac(kOffDstMac);
        present[2] = has(FWFE_ETHERTYPES);
        if (present[2]) text[2] = neg(m_negate2, FWFE_NEG2_ETHERTYPES) + ethertypes();
        present[3] = has(FWFE_SRC_IP);
        if (present[3]) text[3] = neg(m_negate, FWFE_SRC_IP) + ip(kOffSrcIp, has(FWFE_SRC_IP_RANGE));
        present[4] = has(FWFE_DST_IP);
        if (present[4]) text[4] = neg(m_negate, FWFE_DST_IP) + ip(kOffDstIp, has(FWFE_DST_IP_RANGE));
        present[5] = has(FWFE_PROTOCOLS);
        if (present[5]) text[5] = neg(m_negate2, FWFE_NEG2_PROTOCOLS) + protocols();
        present[6] = has(FWFE_SRC_PORT);
        if (present[6]) text[6] = neg(m_negate, FWFE_SRC_PORT) + ports(kOffSrcPort);
        present[7] = has(FWFE_DST_PORT);
        if (present[7]) text[7] = neg(m_negate, FWFE_DST_PORT) + ports(kOffDstPort);
        present[8] = vnic(kOffVnic1, FWFE_VNIC1_STD, FWFE_VNIC1_SPACED, FWFE_NEG2_VNIC1_STD, FWFE_NEG2_VNIC1_SPACED,
                          text[8]);
        present[9] = vnic(kOffVnic2, FWFE_VNIC2_STD, FWFE_VNIC2_SPACED, FWFE_NEG2_VNIC2_STD, FWFE_NEG2_VNIC2_SPACED,
                          text[9]);
    }

private:
    bool has(uint32_t bit) const { return (m_flags & bit) != 0; }
    static std::string neg(uint8_t flags, uint32_t bit) { return (flags & bit) != 0 ? "!" : ""; }

    std::string mac(size_t off) {
        uint8_t b[12];
        m_in.seek(off);
        m_in.bytes(b, sizeof b);
        return format("%02x:%02x:%02x:%02x:%02x:%02x/%02x:%02x:%02x:%02x:%02x:%02x", b[0], b[1], b[2], b[3], b[4],
                      b[5], b[6], b[7], b[8], b[9], b[10], b[11]);
    }

    std::string ethertypes() {
        unsigned n = m_in.getAt<uint8_t>(kOffEtherCount);
        if (n > kMaxEthertypes) n = kMaxEthertypes;
        std::string s;
        m_in.seek(kOffEthertypes);
        for (unsigned i = 0; i < n; ++i) s += format(i == 0 ? "0x%04x" : ",0x%04x", m_in.be16());
        return s;
    }

    std::string ip(size_t off, bool range) {
        bool v6 = has(FWFE_IPV6);
        size_t width = v6 ? 16 : 4;
        uint8_t a[16] = {}, b[16] = {};
        m_in.seek(off);
        m_in.bytes(a, width);
        m_in.bytes(b, width);
        char ta[INET6_ADDRSTRLEN] = "", tb[INET6_ADDRSTRLEN] = "";
        inet_ntop(v6 ? AF_INET6 : AF_INET, a, ta, sizeof ta);
        inet_ntop(v6 ? AF_INET6 : AF_INET, b, tb, sizeof tb);
        return std::string(ta) + (range ? "-" : "/") + tb;
    }

    std::string protocols() {
        unsigned n = m_in.getAt<uint8_t>(kOffProtoCount);
        if (n > kMaxProtocols) n = kMaxProtocols;
        std::string s;
        m_in.seek(kOffProtocols);
        for (unsigned i = 0; i < n; ++i) {
            unsigned number = m_in.u8();
            if (i > 0) s += ",";
            struct protoent entry, *found = nullptr;
            char scratch[1024];
            if (getprotobynumber_r(static_cast<int>(number), &entry, scratch, sizeof scratch, &found) == 0 &&
                found != nullptr)
                s += found->p_name;
            else
                s += std::to_string(number);
        }
        return s;
    }

    std::string ports(size_t off) {
        m_in.seek(off);
        unsigned low = m_in.be16(), high = m_in.be16();
        return low < high ? format("%d-%d", low, high) : format("%d", low);
    }

    bool vnic(size_t off, uint32_t stdBit, uint32_t spacedBit, uint8_t negStd, uint8_t negSpaced, std::string& out) {
        if (!has(stdBit) && !has(spacedBit)) return false;
        uint8_t u[16];
        m_in.seek(off);
        m_in.bytes(u, sizeof u);
        uint32_t index = m_in.u32();
        if (has(stdBit)) {
            out = neg(m_negate2, negStd) +
                  format("%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x.%03u", u[0], u[1], u[2],
                         u[3], u[4], u[5], u[6], u[7], u[8], u[9], u[10], u[11], u[12], u[13], u[14], u[15], index);
        } else {
            out = neg(m_negate2, negSpaced) +
                  format("%02x %02x %02x %02x %02x %02x %02x %02x-%02x %02x %02x %02x %02x %02x %02x %02x", u[0],
                         u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8], u[9], u[10], u[11], u[12], u[13], u[14],
                         u[15]);
        }
        return true;
    }

    KestFirewall::ByteReader m_in;
    uint32_t m_flags = 0;
    uint8_t m_negate = 0;
    uint8_t m_negate2 = 0;
};

constexpr size_t kLongWidths[10] = {37, 37, 29, 79, 79, 34, 13, 13, 49, 49};

}  // namespace

extern "C" void PrintFlowExclusion(FWPrettyPrint_t print, void* ctx, const FWFlowExclusion_* record) {
    if (print == nullptr || record == nullptr) return;
    std::string text[10];
    bool present[10];
    Fields(record).collect(text, present);
    for (int i = 0; i < 10; ++i) {
        // The last field has no closing bar when it is absent.
        if (i == 9 && !present[i]) break;
        print(ctx, "%s|", text[i].c_str());
    }
    print(ctx, "\n");
}

extern "C" void PrintLongFlowExclusion(FWPrettyPrint_t print, void* ctx, const FWFlowExclusion_* record) {
    if (print == nullptr || record == nullptr) return;
    std::string text[10];
    bool present[10];
    Fields(record).collect(text, present);
    for (int i = 0; i < 10; ++i) {
        // A zeroed field of the column's width: the text, then blanks up to the width, cut at the width.
        char field[80];
        memset(field, 0, sizeof field);
        size_t width = kLongWidths[i];
        memcpy(field, text[i].data(), std::min(text[i].size(), width));
        for (size_t k = 0; k < width; ++k)
            if (field[k] == '\0') field[k] = ' ';
        field[width] = '\0';
        print(ctx, i == 9 ? "%s" : "%s ", field);
    }
    print(ctx, "\n");
}
