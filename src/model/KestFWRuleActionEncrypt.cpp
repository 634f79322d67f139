#include "model/KestFWRuleActionEncrypt.h"

#include <cstring>

#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWRuleActionEncrypt::~CKestFWRuleActionEncrypt() = default;

void CKestFWRuleActionEncrypt::setKeyPolicy(const char* keyPolicy) {
    m_policy = keyPolicy ? std::string(keyPolicy, strnlen(keyPolicy, kMaxPolicy)) : std::string();
}

void CKestFWRuleActionEncrypt::writeOwnFields(ByteWriter& w) const {
    w.seek(293);
    w.text(m_policy, FW_ACTION_KEY_POLICY_SIZE);
}

std::string CKestFWRuleActionEncrypt::trailingText() const {
    return m_policy.empty() ? std::string() : " keypolicy " + m_policy;
}

}  // namespace KestFirewall
