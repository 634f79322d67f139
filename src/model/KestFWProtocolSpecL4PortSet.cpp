#include "model/KestFWProtocolSpecL4PortSet.h"

#include <cstring>
#include <string>
#include <vector>

#include "base/KestFWException.h"
#include "kestfw/kestfw_util.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWProtocolSpecL4PortSet::CKestFWProtocolSpecL4PortSet(unsigned char dir, bool negate)
    : CKestFWProtocolSpec(dir, negate) {}

CKestFWProtocolSpecL4PortSet::CKestFWProtocolSpecL4PortSet(unsigned char dir, const unsigned int* ranges,
                                                           unsigned int count, bool negate)
    : CKestFWProtocolSpec(dir, negate) {
    if (count > kMaxRanges) throw CTooManyL4PortException(count);
    for (unsigned int i = 0; i < count; ++i) addPortRange(ranges[i]);
}

CKestFWProtocolSpecL4PortSet::CKestFWProtocolSpecL4PortSet(unsigned char dir, const unsigned short* slots,
                                                           unsigned int count, unsigned short rangeMask,
                                                           bool negate)
    : CKestFWProtocolSpec(dir, negate) {
    if (count > kMaxSlots) throw CTooManyL4PortException(count);
    for (unsigned int i = 0; i < count; ++i) {
        if (rangeMask & (1u << i)) {
            // A range start needs an end slot that is not itself a range start, at or above it.
            if (i + 1 >= count) throw CInvalidL4PortException(slots[i]);
            if ((rangeMask & (1u << (i + 1))) || slots[i] > slots[i + 1]) throw CInvalidL4PortException(slots[i]);
            addPortRange(slots[i], slots[i + 1]);
            ++i;
        } else {
            addPort(slots[i]);
        }
    }
}

CKestFWProtocolSpecL4PortSet::CKestFWProtocolSpecL4PortSet(unsigned char dir, const char* text)
    : CKestFWProtocolSpec(dir, false) {
    if (text == nullptr) throw CInvalidL4PortException("");
    const std::string all(text);
    const char* const seps = " \t,";
    unsigned int counted = 0;
    size_t pos = all.find_first_not_of(seps);
    while (pos != std::string::npos) {
        size_t end = all.find_first_of(seps, pos);
        const std::string token = all.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? end : all.find_first_not_of(seps, end);
        if (counted >= kMaxSlots) throw CTooManyL4PortException(kMaxSlots + 1);
        long lo = 0, hi = 0;
        if (token.find('-') != std::string::npos) {
            if (!Str2PortRange(token.c_str(), &lo, &hi)) throw CInvalidL4PortException(all);
            addPortRange(static_cast<unsigned short>(lo), static_cast<unsigned short>(hi));
            counted += 2;
        } else {
            if (!Str2Port(token.c_str(), &lo)) throw CInvalidL4PortException(all);
            addPort(static_cast<unsigned short>(lo));
            counted += 1;
        }
    }
}

bool CKestFWProtocolSpecL4PortSet::addPort(unsigned short port) {
    if (slotsUsed() + 1 >= kMaxSlots + 1) throw CTooManyL4PortException(slotsUsed() + 1);
    return m_ports.insert(port).second;
}

bool CKestFWProtocolSpecL4PortSet::addPortRange(unsigned short start, unsigned short end) {
    if (slotsUsed() + 2 >= kMaxSlots + 1) throw CTooManyL4PortException(slotsUsed() + 2);
    if (start > end) throw CInvalidL4PortRangeException(start, end);
    return m_ranges.insert(static_cast<unsigned int>(end) << 16 | start).second;
}

bool CKestFWProtocolSpecL4PortSet::addPortRange(unsigned int packed) {
    return addPortRange(static_cast<unsigned short>(packed & 0xffffu), static_cast<unsigned short>(packed >> 16));
}

bool CKestFWProtocolSpecL4PortSet::addPortSet(const CKestFWProtocolSpecL4PortSet* other) {
    if (other == nullptr) return false;
    const unsigned int total = slotsUsed() + other->slotsUsed();
    if (total > kMaxSlots) throw CTooManyL4PortException(total);
    m_ranges.insert(other->m_ranges.begin(), other->m_ranges.end());
    m_ports.insert(other->m_ports.begin(), other->m_ports.end());
    return true;
}

std::string CKestFWProtocolSpecL4PortSet::toString() const {
    if (empty()) return "";
    std::string s = notPrefix() + "port {";
    bool first = true;
    for (unsigned int r : m_ranges) {
        if (!first) s += ", ";
        first = false;
        s += std::to_string(r & 0xffffu) + "-" + std::to_string(r >> 16);
    }
    for (unsigned short p : m_ports) {
        if (!first) s += ", ";
        first = false;
        s += std::to_string(p);
    }
    return s + "}";
}

bool CKestFWProtocolSpecL4PortSet::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (buf == nullptr || size < kBodySize) return false;
    ByteWriter w(const_cast<void*>(buf), kBodySize);
    w.zeros(kBodySize);
    w.seek(0);
    w.u8(static_cast<uint8_t>(slotsUsed() & 0x0fu));
    w.seek(2);
    uint16_t mask = 0;
    unsigned int slot = 0;
    for (unsigned int r : m_ranges) {
        mask = static_cast<uint16_t>(mask | (1u << slot));
        w.be16(static_cast<uint16_t>(r & 0xffffu));
        w.be16(static_cast<uint16_t>(r >> 16));
        slot += 2;
    }
    for (unsigned short p : m_ports) {
        w.be16(p);
        ++slot;
    }
    w.putAt<uint16_t>(32, mask);
    if (used) *used = kBodySize;
    return w.ok();
}

}  // namespace KestFirewall
