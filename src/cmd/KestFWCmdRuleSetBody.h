// What the rule-set commands share: the layout of the rule-set body that creates a rule set or
// installs the roots, the sizes of the fixed bodies, and the handling of rule-set names.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

#include "kestfw/kestfw_types.h"
#include "transport/KestFWPort.h"
#include "util/ByteIO.h"

namespace KestFirewall {

// The body of opcode 3: a 176-byte head followed by the rule records.
namespace RuleSetBody {
enum : unsigned int {
    kOffName = 64,
    kOffRequest = 128,
    kOffCount = 136,
    kOffFlags = 140,
    kOffTxId = 144,
    kOffTxWord = 160,
    kHeadSize = 176,
    kTxIdSize = 16,
};
// Set in every request; a reply that still has both set opened no transaction.
constexpr uint8_t kFlagsPending = 0x03;
}  // namespace RuleSetBody

enum : unsigned int { kRuleSetIdSize = sizeof(FWRuleSetID_t) };
static_assert(sizeof(FWRuleSetID_t) == 64, "rule-set name field is 64 bytes");

// The name an identifier holds (its first 64 bytes when it has no NUL).
inline std::string ruleSetName(const FWRuleSetID_t& id) {
    return std::string(id.name, strnlen(id.name, kRuleSetIdSize));
}

inline bool ruleSetNameEmpty(const FWRuleSetID_t& id) { return id.name[0] == '\0'; }

inline FWRuleSetID_t emptyRuleSetId() {
    FWRuleSetID_t id;
    memset(&id, 0, sizeof id);
    return id;
}

// The port in the switch-port form, "\"<id>:<index>\"", whatever its type: the root statements name
// the filter that way.
inline std::string switchPortText(const dvs_port_& port) {
    char text[96];
    snprintf(text, sizeof text, "\"%s:%u\"", kfwPortId(&port).c_str(), kfwPortIndex(&port));
    return text;
}

// The fixed bodies: zero-filled, then `fill` writes the fields; the full size is reported whatever fit,
// so a body that did not fit shows up when the message is checked. Nothing is written past `avail`.
template <typename Fill>
bool writeFixedRuleSetBody(const void* body, unsigned int avail, unsigned int size, unsigned int* written,
                           Fill&& fill) {
    ByteWriter w(const_cast<void*>(body), body != nullptr ? avail : 0);
    w.zeros(size);
    fill(w);
    if (written != nullptr) *written = size;
    return w.ok();
}

// The identifier travels as the caller gave it, all 64 bytes.
inline void putRuleSetId(ByteWriter& w, size_t off, const FWRuleSetID_t& id) {
    w.seek(off);
    w.bytes(id.name, kRuleSetIdSize);
}

}  // namespace KestFirewall
