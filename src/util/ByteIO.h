// The one checked reader and writer for packed little-endian records. Every record that crosses the
// wire or the C interface is encoded and decoded here: memcpy based, bounds checked, with a sticky
// error flag so a decoder can read a whole record and check once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace KestFirewall {

class ByteReader {
public:
    ByteReader(const void* data, size_t size) : m_data(static_cast<const uint8_t*>(data)), m_size(size) {}

    bool ok() const { return m_ok; }
    size_t size() const { return m_size; }
    size_t pos() const { return m_pos; }
    size_t remaining() const { return m_ok ? m_size - m_pos : 0; }

    void seek(size_t pos) {
        if (pos > m_size) m_ok = false;
        else m_pos = pos;
    }
    void skip(size_t n) { seek(n > m_size - m_pos ? m_size + 1 : m_pos + n); }

    // Host-order (little-endian on our targets) integer at the cursor.
    template <typename T>
    T get() {
        static_assert(std::is_integral<T>::value, "integers only");
        T v{};
        bytes(&v, sizeof v);
        return v;
    }
    template <typename T>
    T getAt(size_t off) {
        seek(off);
        return get<T>();
    }
    uint8_t u8() { return get<uint8_t>(); }
    uint16_t u16() { return get<uint16_t>(); }
    uint32_t u32() { return get<uint32_t>(); }
    uint64_t u64() { return get<uint64_t>(); }
    // Big-endian (network order) 16- and 32-bit values, as ports and IPv4 addresses travel.
    uint16_t be16() {
        uint8_t b[2] = {0, 0};
        bytes(b, 2);
        return static_cast<uint16_t>(b[0] << 8 | b[1]);
    }
    uint32_t be32() {
        uint8_t b[4] = {0, 0, 0, 0};
        bytes(b, 4);
        return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    }

    // Copies n bytes out; on overrun copies nothing, zero-fills the destination and sets the error.
    void bytes(void* out, size_t n) {
        if (!m_ok || n > m_size - m_pos) {
            m_ok = false;
            memset(out, 0, n);
            return;
        }
        memcpy(out, m_data + m_pos, n);
        m_pos += n;
    }

    // A NUL-terminated text in a field of `width` bytes; a field without NUL yields its first width bytes.
    std::string text(size_t width) {
        if (!m_ok || width > m_size - m_pos) {
            m_ok = false;
            return std::string();
        }
        const char* p = reinterpret_cast<const char*>(m_data + m_pos);
        size_t len = strnlen(p, width);
        m_pos += width;
        return std::string(p, len);
    }

    // Pointer to n bytes at the cursor (valid while the buffer lives), or null on overrun.
    const uint8_t* view(size_t n) {
        if (!m_ok || n > m_size - m_pos) {
            m_ok = false;
            return nullptr;
        }
        const uint8_t* p = m_data + m_pos;
        m_pos += n;
        return p;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

class ByteWriter {
public:
    ByteWriter(void* data, size_t size) : m_data(static_cast<uint8_t*>(data)), m_size(size) {}

    bool ok() const { return m_ok; }
    size_t size() const { return m_size; }
    size_t pos() const { return m_pos; }

    void seek(size_t pos) {
        if (pos > m_size) m_ok = false;
        else m_pos = pos;
    }
    void skip(size_t n) { seek(n > m_size - m_pos ? m_size + 1 : m_pos + n); }

    template <typename T>
    void put(T v) {
        static_assert(std::is_integral<T>::value, "integers only");
        bytes(&v, sizeof v);
    }
    template <typename T>
    void putAt(size_t off, T v) {
        seek(off);
        put<T>(v);
    }
    void u8(uint8_t v) { put(v); }
    void u16(uint16_t v) { put(v); }
    void u32(uint32_t v) { put(v); }
    void u64(uint64_t v) { put(v); }
    void be16(uint16_t v) {
        uint8_t b[2] = {uint8_t(v >> 8), uint8_t(v)};
        bytes(b, 2);
    }
    void be32(uint32_t v) {
        uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        bytes(b, 4);
    }

    void bytes(const void* in, size_t n) {
        if (!m_ok || n > m_size - m_pos) {
            m_ok = false;
            return;
        }
        if (n != 0) memcpy(m_data + m_pos, in, n);
        m_pos += n;
    }
    void zeros(size_t n) {
        if (!m_ok || n > m_size - m_pos) {
            m_ok = false;
            return;
        }
        memset(m_data + m_pos, 0, n);
        m_pos += n;
    }
    // Text into a field of `width` bytes, NUL-padded; at most width-1 characters are kept so the
    // field always ends in NUL.
    void text(const std::string& s, size_t width) {
        if (!m_ok || width > m_size - m_pos) {
            m_ok = false;
            return;
        }
        memset(m_data + m_pos, 0, width);
        size_t n = s.size() < width ? s.size() : (width ? width - 1 : 0);
        memcpy(m_data + m_pos, s.data(), n);
        m_pos += width;
    }

private:
    uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

}  // namespace KestFirewall
