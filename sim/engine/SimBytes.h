// The simulator's own view of the wire: a bounds-checked window over a byte range with little-endian
// reads and writes at absolute offsets. It is deliberately independent of the library's encoder, so
// a layout misread on one side shows up as a disagreement instead of being shared by both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace KestSim {

class Window {
public:
    Window() = default;
    Window(uint8_t* data, size_t size) : m_data(data), m_size(data ? size : 0) {}

    size_t size() const { return m_size; }
    uint8_t* data() const { return m_data; }

    // True when [off, off + n) lies inside the window (no overflow on huge arguments).
    bool has(size_t off, size_t n) const { return off <= m_size && n <= m_size - off; }

    // A sub-window; an out-of-range request yields an empty window, never a wild one.
    Window sub(size_t off, size_t n) const { return has(off, n) ? Window(m_data + off, n) : Window(); }

    bool u8(size_t off, uint8_t& v) const { return load(off, &v, 1); }
    bool u16(size_t off, uint16_t& v) const { return loadLE(off, v); }
    bool u32(size_t off, uint32_t& v) const { return loadLE(off, v); }
    bool u64(size_t off, uint64_t& v) const { return loadLE(off, v); }

    bool putU8(size_t off, uint8_t v) const { return store(off, &v, 1); }
    bool putU16(size_t off, uint16_t v) const { return storeLE(off, v); }
    bool putU32(size_t off, uint32_t v) const { return storeLE(off, v); }
    bool putU64(size_t off, uint64_t v) const { return storeLE(off, v); }

    bool load(size_t off, void* out, size_t n) const {
        if (!has(off, n)) return false;
        if (n) memcpy(out, m_data + off, n);
        return true;
    }
    bool store(size_t off, const void* in, size_t n) const {
        if (!has(off, n)) return false;
        if (n) memcpy(m_data + off, in, n);
        return true;
    }
    bool fill(size_t off, uint8_t v, size_t n) const {
        if (!has(off, n)) return false;
        if (n) memset(m_data + off, v, n);
        return true;
    }

    // A text field of `width` bytes. `terminated` tells whether a NUL ended it inside the field.
    bool text(size_t off, size_t width, std::string& out, bool* terminated = nullptr) const {
        if (!has(off, width)) return false;
        const char* p = reinterpret_cast<const char*>(m_data + off);
        size_t len = 0;
        while (len < width && p[len] != '\0') ++len;
        out.assign(p, len);
        if (terminated) *terminated = len < width;
        return true;
    }
    // Writes `s` into a zero-filled field of `width` bytes; with `nul` false the text may fill the whole
    // field, otherwise it is cut to leave room for the NUL.
    bool putText(size_t off, size_t width, const std::string& s, bool nul = true) const {
        if (!has(off, width)) return false;
        memset(m_data + off, 0, width);
        size_t room = nul ? (width ? width - 1 : 0) : width;
        size_t n = s.size() < room ? s.size() : room;
        if (n) memcpy(m_data + off, s.data(), n);
        return true;
    }

private:
    // Byte by byte, so the result is little-endian whatever the host order.
    template <typename T>
    bool loadLE(size_t off, T& v) const {
        if (!has(off, sizeof(T))) return false;
        T r = 0;
        for (size_t i = 0; i < sizeof(T); ++i) r = static_cast<T>(r | static_cast<T>(T(m_data[off + i]) << (8 * i)));
        v = r;
        return true;
    }
    template <typename T>
    bool storeLE(size_t off, T v) const {
        if (!has(off, sizeof(T))) return false;
        for (size_t i = 0; i < sizeof(T); ++i) m_data[off + i] = static_cast<uint8_t>(v >> (8 * i));
        return true;
    }

    uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

}  // namespace KestSim
