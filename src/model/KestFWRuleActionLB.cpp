#include "model/KestFWRuleActionLB.h"

#include <cstring>

#include "base/KestFWException.h"
#include "util/ByteIO.h"

namespace KestFirewall {

namespace {
enum : unsigned int { kOffType = 148, kOffIdle = 150, kOffClose = 152, kOffOptions = 154, kOffFlags = 282 };
}  // namespace

CKestFWRuleActionLB::CKestFWRuleActionLB(unsigned short type) : m_type(type) {
    if (type >= FW_LB_TYPE_COUNT) throw CUnsupportedException("Invalid LB Type");
}

CKestFWRuleActionLB::CKestFWRuleActionLB(unsigned short type, unsigned short idle, unsigned short close)
    : CKestFWRuleActionLB(type) {
    m_idle = idle;
    m_close = close;
}

CKestFWRuleActionLB::CKestFWRuleActionLB(unsigned short type, unsigned short idle, unsigned short close,
                                         const char* options)
    : CKestFWRuleActionLB(type, idle, close) {
    if (options == nullptr) return;
    if (strnlen(options, kMaxOptions + 1) > kMaxOptions) throw CUnsupportedException("Invalid LB Options");
    m_hasOptions = true;
    m_options = options;
}

CKestFWRuleActionLB::~CKestFWRuleActionLB() = default;

void CKestFWRuleActionLB::writeOwnFields(ByteWriter& w) const {
    w.putAt<uint8_t>(kOffType, static_cast<uint8_t>(m_type));
    w.putAt<uint16_t>(kOffIdle, m_idle);
    w.putAt<uint16_t>(kOffClose, m_close);
    w.seek(kOffOptions);
    w.text(m_options, FW_ACTION_LB_OPTIONS_SIZE);
    if (m_hasOptions) w.putAt<uint8_t>(kOffFlags, FW_ACTION_LB_HAS_OPTIONS);
}

std::string CKestFWRuleActionLB::ownText() const {
    std::string s = " ";
    s += m_type == FW_LB_TYPE_L4 ? " lbtype L4" : " lbtype L7";
    if (m_idle != 0) s += kestfwFormat(" lbidletimeout %d", m_idle);
    if (m_close != 0) s += kestfwFormat(" lbclosetimeout %d", m_close);
    if (m_hasOptions) s += " lboptions " + m_options;
    return s;
}

}  // namespace KestFirewall
