#include "model/KestFWRuleList.h"

#include <cstdint>
#include <cstring>

#include "base/KestFWException.h"

namespace KestFirewall {

CKestFWRuleList::CKestFWRuleList(bool borrowed) : m_borrowed(borrowed) { memset(&m_port, 0, sizeof m_port); }

CKestFWRuleList::CKestFWRuleList(const dvs_port_& port, bool borrowed) : m_port(port), m_borrowed(borrowed) {}

CKestFWRuleList::~CKestFWRuleList() {
    if (m_borrowed) return;
    for (CKestFWRule* r : m_rules) delete r;
}

unsigned int CKestFWRuleList::getMsgSize() const {
    const uint64_t total = static_cast<uint64_t>(m_rules.size()) * CKestFWRule::kRecordSize;
    if (total > UINT32_MAX) throw CIntegerOverflowException("too manu rules", static_cast<unsigned>(m_rules.size()));
    return static_cast<unsigned int>(total);
}

std::string CKestFWRuleList::toString() const {
    std::string s;
    for (const CKestFWRule* r : m_rules) s += r->toString() + "\n";
    return s;
}

bool CKestFWRuleList::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    unsigned int total = 0;
    uint8_t* out = static_cast<uint8_t*>(const_cast<void*>(buf));
    for (CKestFWRule* r : m_rules) {
        unsigned int one = 0;
        if (!r->toMessage(out + total, size - total, &one)) return false;
        total += one;
    }
    *used = total;
    return true;
}

bool CKestFWRuleList::addRule(CKestFWRule* rule) {
    m_rules.push_back(rule);
    return true;
}

}  // namespace KestFirewall
