// Shared by the address tests: every address form with the factory, a maker per form taking the "not"
// flag last, the values the value constructors take, an address written into a zeroed record, and the
// check of a refusal.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "base/KestFWException.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddress.h"
#include "model/KestFWAddressAny.h"
#include "model/KestFWAddressEther.h"
#include "model/KestFWAddressEtherMask.h"
#include "model/KestFWAddressEtherRange.h"
#include "model/KestFWAddressFactory.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv4CIDR.h"
#include "model/KestFWAddressIPv4Range.h"
#include "model/KestFWAddressIPv6.h"
#include "model/KestFWAddressIPv6CIDR.h"
#include "model/KestFWAddressIPv6Range.h"
#include "model/KestFWAttr.h"

namespace kestfw_test {

using Make = std::function<KestFirewall::CKestFWAddress*(bool negate)>;

// make<CKestFWAddressIPv4>("10.0.0.1") builds `new CKestFWAddressIPv4("10.0.0.1", negate)`.
template <typename T, typename... A>
Make make(A... args) {
    return [=](bool negate) -> KestFirewall::CKestFWAddress* { return new T(args..., negate); };
}
inline Make negated(Make m) {
    return [m](bool) { return m(true); };
}

inline in_addr v4(const char* text) {
    in_addr a{};
    inet_pton(AF_INET, text, &a);
    return a;
}
inline in6_addr v6(const char* text) {
    in6_addr a{};
    inet_pton(AF_INET6, text, &a);
    return a;
}
inline fw_ether_ mac(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint8_t e, uint8_t f) {
    return fw_ether_{{a, b, c, d, e, f}};
}
inline FWAddrSetID_t setID(const char* name) {
    FWAddrSetID_t id{};
    snprintf(id.name, sizeof id.name, "%s", name);
    return id;
}
inline FWAddress_ recordOf(KestFirewall::CKestFWAddress& a) {
    FWAddress_ rec;
    memset(&rec, 0, sizeof rec);
    a.toMessage(&rec, sizeof rec, nullptr);
    return rec;
}

// Runs `f`, which must raise the library's exception with this status and message.
inline void expectRefusal(const std::function<void()>& f, FWStatus_t code, const std::string& message) {
    try {
        f();
        ADD_FAILURE() << "accepted; expected: " << message;
    } catch (const KestFirewall::CKestFWException& e) {
        EXPECT_EQ(e.retcode(), code) << message;
        EXPECT_EQ(std::string(e.what()), message);
    }
}

}  // namespace kestfw_test
