// Hand-written record bytes for the model tests, makers for tables of objects that are handed over
// on use, and the outcome of a call that should raise.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/KestFWException.h"

namespace kestfw_test {

// "0a 00 | 00 50" -> bytes; anything but hex digits separates.
inline std::vector<uint8_t> hex(const std::string& text) {
    std::vector<uint8_t> out;
    std::string digits;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string zeros(unsigned n) {
    std::string s;
    for (unsigned i = 0; i < n; ++i) s += " 00";
    return s;
}

// A zeroed record of `size` bytes with patches written in: "12: 0b000000; 16: 'web" puts the hex
// bytes at offset 12 and the text after "'" at offset 16.
inline std::vector<uint8_t> patched(size_t size, const std::string& patches) {
    std::vector<uint8_t> rec(size, 0);
    size_t from = 0;
    while (from < patches.size()) {
        size_t end = patches.find(';', from);
        if (end == std::string::npos) end = patches.size();
        const std::string patch = patches.substr(from, end - from);
        from = end + 1;
        const size_t colon = patch.find(':');
        if (colon == std::string::npos) {
            EXPECT_EQ(patch.find_first_not_of(" \n"), std::string::npos) << "patch without offset: " << patch;
            continue;
        }
        const size_t offset = std::stoul(patch.substr(0, colon));
        const size_t quote = patch.find('\'', colon);
        const std::vector<uint8_t> bytes = quote != std::string::npos
                                               ? std::vector<uint8_t>(patch.begin() + quote + 1, patch.end())
                                               : hex(patch.substr(colon + 1));
        EXPECT_LE(offset + bytes.size(), size) << "patch at " << offset;
        if (offset + bytes.size() <= size) std::copy(bytes.begin(), bytes.end(), rec.begin() + offset);
    }
    return rec;
}

// Makes a fresh S from the arguments each time it is called.
template <typename S, typename... A>
auto mk(A... args) {
    return [=] { return new S(args...); };
}

// "<status>: <message>" of the library exception `f` raised, or "no exception".
inline std::string raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const KestFirewall::CKestFWException& e) {
        return std::to_string(e.retcode()) + ": " + e.what();
    }
    return "no exception";
}

}  // namespace kestfw_test
