#include "model/KestFWRuleActionMacRewrite.h"

#include <cstring>

#include "base/KestFWException.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWRuleActionMacRewrite::CKestFWRuleActionMacRewrite(const unsigned char mac[6]) : m_mac() {
    if (mac != nullptr) memcpy(m_mac.octet, mac, sizeof m_mac.octet);
}

CKestFWRuleActionMacRewrite::~CKestFWRuleActionMacRewrite() = default;

void CKestFWRuleActionMacRewrite::writeOwnFields(ByteWriter& w) const {
    w.seek(0);
    w.bytes(m_mac.octet, sizeof m_mac.octet);
}

std::string CKestFWRuleActionMacRewrite::ownText() const {
    const uint8_t* m = m_mac.octet;
    return kestfwFormat(" %x:%x:%x:%x:%x:%x", m[0], m[1], m[2], m[3], m[4], m[5]);
}

}  // namespace KestFirewall
