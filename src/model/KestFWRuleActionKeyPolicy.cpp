#include "model/KestFWRuleActionKeyPolicy.h"

#include <cstring>

#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWRuleActionKeyPolicy::~CKestFWRuleActionKeyPolicy() = default;

void CKestFWRuleActionKeyPolicy::setKeyPolicy(const char* keyPolicy) {
    m_policy = keyPolicy ? std::string(keyPolicy, strnlen(keyPolicy, kMaxPolicy)) : std::string();
}

void CKestFWRuleActionKeyPolicy::writeOwnFields(ByteWriter& w) const {
    w.seek(293);
    w.text(m_policy, FW_ACTION_KEY_POLICY_SIZE);
}

std::string CKestFWRuleActionKeyPolicy::trailingText() const {
    return m_policy.empty() ? std::string() : " keypolicy " + m_policy;
}

}  // namespace KestFirewall
