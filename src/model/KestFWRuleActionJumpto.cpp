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
    if (id == nullptr) return;
    if (memchr(id->name, '\0', sizeof id->name) == nullptr)
        throw CIDTooLongException(std::string(id->name, sizeof id->name).c_str());
    memcpy(&m_id, id, sizeof m_id);
}

CKestFWRuleActionJumpto::~CKestFWRuleActionJumpto() = default;

void CKestFWRuleActionJumpto::writeOwnFields(ByteWriter& w) const {
    w.seek(0);
    w.bytes(m_id.name, sizeof m_id.name);
}

}  // namespace KestFirewall
