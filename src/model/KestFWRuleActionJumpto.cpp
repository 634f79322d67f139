#include "model/KestFWRuleActionJumpto.h"

#include <cstring>

#include "base/KestFWException.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWRuleActionJumpto::CKestFWRuleActionJumpto(const char* ruleSetName) : m_id() {
    const char* name = ruleSetName ? ruleSetName : "";
    if (strlen(name) >= sizeof m_id.name) throw CIDTooLongException(name);
    memcpy(m_id.name, name, strlen(name) + 1);
}

CKestFWRuleActionJumpto::CKestFWRuleActionJumpto(const FWRuleSetID_t* id) : m_id() {
    // The identifier is kept as given, terminated or not; readers stop at the end of the field.
    if (id != nullptr) memcpy(&m_id, id, sizeof m_id);
}

std::string CKestFWRuleActionJumpto::getTarget() const {
    return std::string(m_id.name, strnlen(m_id.name, sizeof m_id.name));
}

CKestFWRuleActionJumpto::~CKestFWRuleActionJumpto() = default;

void CKestFWRuleActionJumpto::writeOwnFields(ByteWriter& w) const {
    w.seek(0);
    w.bytes(m_id.name, sizeof m_id.name);
}

}  // namespace KestFirewall
