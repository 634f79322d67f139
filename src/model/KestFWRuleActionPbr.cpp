#include "model/KestFWRuleActionPbr.h"

#include <cstring>

#include "util/ByteIO.h"

namespace KestFirewall {

namespace {
// The policy that routes the traffic on unchanged.
const char kPassThrough[] = "ffffffff-ffff-ffff-ffff-ffffffffffff";
}  // namespace

CKestFWRuleActionPbr::~CKestFWRuleActionPbr() = default;

void CKestFWRuleActionPbr::setKeyPolicy(const char* keyPolicy) {
    m_policy = keyPolicy ? std::string(keyPolicy, strnlen(keyPolicy, kMaxPolicy)) : std::string();
}

void CKestFWRuleActionPbr::writeOwnFields(ByteWriter& w) const {
    w.seek(293);
    w.text(m_policy, FW_ACTION_KEY_POLICY_SIZE);
}

std::string CKestFWRuleActionPbr::trailingText() const {
    if (m_policy.empty()) return std::string();
    if (m_policy == kPassThrough) return " pass-through";
    return " keypolicy " + m_policy;
}

}  // namespace KestFirewall
