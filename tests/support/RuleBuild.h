// Rules for the rule tests: made by a fresh builder and written into their 1420-byte records.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kestfw/kestfw_rule.h"
#include "model/KestFWProtocol.h"
#include "model/KestFWRule.h"
#include "model/KestFWRuleBuilder.h"

namespace kestfw_test {

using RuleFill = std::function<void(KestFirewall::CKestFWRuleBuilder&)>;

// An IPv4 address in network order.
inline uint32_t ip4(const char* text) {
    in_addr a{};
    inet_pton(AF_INET, text, &a);
    return a.s_addr;
}

// Protocol names come from the machine's protocol database.
inline std::string proto(unsigned n) { return KestFirewall::CKestFWProtocol::protocolName(n); }

// What the builder makes after `fill`; null when it refuses.
inline std::unique_ptr<KestFirewall::CKestFWRule> built(const RuleFill& fill) {
    KestFirewall::CKestFWRuleBuilder b;
    fill(b);
    return std::unique_ptr<KestFirewall::CKestFWRule>(b.buildRule());
}

// The rule's record, written over a poisoned buffer so unwritten bytes show.
inline std::vector<uint8_t> serialise(KestFirewall::CKestFWRule& r) {
    std::vector<uint8_t> buf(FW_RULE_RECORD_SIZE, 0xcc);
    unsigned used = 0;
    EXPECT_TRUE(r.toMessage(buf.data(), static_cast<unsigned>(buf.size()), &used));
    EXPECT_EQ(used, static_cast<unsigned>(FW_RULE_RECORD_SIZE));
    return buf;
}

inline const FWRule_* asRule(const std::vector<uint8_t>& rec) { return reinterpret_cast<const FWRule_*>(rec.data()); }

}  // namespace kestfw_test
