// Bytes on the wire for tests: areas laid out by hand (and, from WireBytes.h, the rule-set count
// message), little-endian reads, what the simulated module last saw and answered, and the report lines
// the library printed.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/KestFWException.h"
#include "kestfw/kestfw.h"
#include "sim/KestSimControl.h"
#include "support/WireBytes.h"

namespace kestfw_test {

// A zero-filled area with fields put at their offsets, written from the record tables.
struct Golden {
    Bytes b;
    explicit Golden(size_t n) : b(n, 0) {}
    Golden& le(size_t off, uint64_t v, int width) {
        for (int i = 0; i < width; ++i) b[off + i] = uint8_t(v >> (8 * i));
        return *this;
    }
    Golden& raw(size_t off, const Bytes& v) {
        std::copy(v.begin(), v.end(), b.begin() + off);
        return *this;
    }
    Golden& text(size_t off, const std::string& s) { return raw(off, Bytes(s.begin(), s.end())); }
};

// f must raise the library's exception with this code and, when given, this message.
template <typename F>
void expectRaises(F f, FWStatus_t code, const char* message = nullptr) {
    try {
        f();
        ADD_FAILURE() << "nothing raised, expected " << code;
    } catch (const KestFirewall::CKestFWException& e) {
        EXPECT_EQ(e.retcode(), code);
        if (message != nullptr) {
            EXPECT_STREQ(e.what(), message);
        }
    }
}

inline uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The last message this process's simulated module was handed, and the same message as it answered.
inline Bytes simLastMessage() {
    Bytes m(1 << 20);
    m.resize(kestsim_last_message(m.data(), uint32_t(m.size())));
    return m;
}
inline Bytes simLastReply() {
    Bytes m(1 << 20);
    m.resize(kestsim_last_reply(m.data(), uint32_t(m.size())));
    return m;
}

// Collects the report lines printed through the registered print function while it lives.
class ReportCapture {
public:
    ReportCapture() {
        lines().clear();
        FW_SetLibPrettyPrinting(&ReportCapture::print, nullptr);
    }
    ~ReportCapture() { FW_SetLibPrettyPrinting(nullptr, nullptr); }
    static std::vector<std::string>& lines() {
        static std::vector<std::string> l;
        return l;
    }

private:
    static int print(void*, const char* fmt, ...) {
        char buf[512];
        va_list ap;
        va_start(ap, fmt);
        int n = vsnprintf(buf, sizeof buf, fmt, ap);
        va_end(ap);
        lines().push_back(buf);
        return n;
    }
};

}  // namespace kestfw_test
