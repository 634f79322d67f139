#include "model/KestFWRuleAction.h"

#include <strings.h>

#include <cstring>

#include "base/KestFWException.h"
#include "model/KestFWAddrSetID.h"
#include "util/ByteIO.h"

extern "C" {
const char* const g_kestfw_rule_action_name[FW_RULE_ACTION_COUNT] = {
    "unknown", "accept",     "drop",        "reject",      "jumpto",   "punt",  "divert",
    "snat",    "dnat",       "macrewrite",  "copy",        "encrypt",  "clear", "pbr",
    "lb",      "idp_detect", "idp_protect", "goto_filter", "icmp_resp"};
const char* const g_kestfw_rule_poolopt_name[FW_RULE_POOLOPT_COUNT] = {
    "none", "bitmask", "random", "source-hash", "round-robin", "tcp-conn-balance"};
}

namespace KestFirewall {

static_assert(sizeof(fw_rule_action_) == 330, "action record is 330 bytes");

const char* const (&CKestFWRuleAction::rule_action_name)[FW_RULE_ACTION_COUNT] = g_kestfw_rule_action_name;
const char* const (&CKestFWRuleAction::rule_poolopt_name)[FW_RULE_POOLOPT_COUNT] = g_kestfw_rule_poolopt_name;

namespace {

// Helper names by application (index 0 unused), as the " as ..." clause spells them.
const char* const kDynAppName[] = {"", "ftp", "oracle", "sunrpc", "dcerpc", "tftp"};
// Helper flags each application asks of the kernel.
const unsigned char kDynAppFlags[] = {0, 3, 1, 5, 5, 8};

// Record offsets of the flag bytes.
enum : unsigned int { kOffDynLo = 288, kOffDynHi = 289, kOffAction = 290, kOffFlags = 291, kOffFlags2 = 292 };

int lookup(const char* const* table, unsigned int count, const char* name) {
    if (name == nullptr) return -1;
    for (unsigned int i = 0; i < count; ++i)
        if (strcasecmp(table[i], name) == 0) return static_cast<int>(i);
    return -1;
}

}  // namespace

const char* CKestFWRuleAction::actionName(unsigned int code) {
    return code < FW_RULE_ACTION_COUNT ? g_kestfw_rule_action_name[code] : g_kestfw_rule_action_name[0];
}

int CKestFWRuleAction::actionFromName(const char* name) {
    const int code = lookup(g_kestfw_rule_action_name, FW_RULE_ACTION_COUNT, name);
    return code > 0 ? code : -1;
}

const char* CKestFWRuleAction::poolOptName(unsigned int option) {
    return option < FW_RULE_POOLOPT_COUNT ? g_kestfw_rule_poolopt_name[option] : "unknown";
}

int CKestFWRuleAction::poolOptFromName(const char* name) {
    return lookup(g_kestfw_rule_poolopt_name, FW_RULE_POOLOPT_COUNT, name);
}

const char* CKestFWRuleAction::dynamicAppName(unsigned int app) {
    return app >= FW_DYNAPP_FTP && app <= FW_DYNAPP_TFTP ? kDynAppName[app] : "";
}

int CKestFWRuleAction::dynamicAppFromName(const char* name) {
    const int app = lookup(kDynAppName, sizeof kDynAppName / sizeof kDynAppName[0], name);
    return app > 0 ? app : -1;
}

bool CKestFWRuleAction::enableDynamic(unsigned int app) {
    if (app < FW_DYNAPP_FTP || app > FW_DYNAPP_TFTP) throw CUnsupportedException("unknown dynamic application");
    m_dynamic = true;
    m_dynApp = app;
    m_dynAppFlags = kDynAppFlags[app];
    return true;
}

bool CKestFWRuleAction::enableDynamic(unsigned int app, bool flag) {
    enableDynamic(app);
    if (app == FW_DYNAPP_SUNRPC || app == FW_DYNAPP_DCERPC) m_dynAppFlags = flag ? 1 : 4;
    return true;
}

bool CKestFWRuleAction::disableDynamic() {
    m_dynamic = false;
    m_dynApp = 0;
    m_dynAppFlags = 0;
    return false;
}

void CKestFWRuleAction::setActionFlag(fw_rule_action_* rec) const {
    if (rec == nullptr) return;
    uint8_t dynLo = static_cast<uint8_t>((m_dynAppFlags & 0x0fu) | (m_dynApp & 0x0fu) << 4);
    uint8_t dynHi = static_cast<uint8_t>((m_dynApp >> 4) & 0x0fu);
    uint8_t flags = static_cast<uint8_t>((m_log ? FW_ACTION_FLAG_LOG : 0) | (m_copy ? FW_ACTION_FLAG_COPY : 0) |
                                         (m_dynamic ? FW_ACTION_FLAG_DYNAMIC : 0) |
                                         (m_noFlow ? FW_ACTION_FLAG_NOFLOW : 0) | (m_rtt ? FW_ACTION_FLAG_RTT : 0));
    uint8_t flags2 = m_lbRule ? FW_ACTION_FLAG2_LBRULE : 0;
    if (!m_dynamic) dynLo = dynHi = 0;
    ByteReader r(rec, sizeof *rec);
    r.seek(kOffDynLo);
    dynLo |= r.u8();
    dynHi |= r.u8();
    r.skip(1);
    flags |= r.u8();
    flags2 |= r.u8();
    ByteWriter w(rec, sizeof *rec);
    w.seek(kOffDynLo);
    w.u8(dynLo);
    w.u8(dynHi);
    w.skip(1);
    w.u8(flags);
    w.u8(flags2);
}

bool CKestFWRuleAction::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (buf == nullptr || size < kRecordSize) return false;
    fw_rule_action_ rec;
    ByteWriter w(&rec, sizeof rec);
    w.zeros(sizeof rec);
    w.putAt<uint8_t>(kOffAction, static_cast<uint8_t>(getAction()));
    w.seek(0);
    writeOwnFields(w);
    setActionFlag(&rec);
    if (!w.ok()) return false;
    ByteWriter(const_cast<void*>(buf), kRecordSize).bytes(&rec, sizeof rec);
    if (used) *used = kRecordSize;
    return true;
}

CKestFWAddress* CKestFWRuleAction::replaceIPRangeAddress(const char*) { return nullptr; }

void CKestFWRuleAction::checkNatAddress(CKestFWAddress* address) {
    if (address == nullptr) throw CInvalidAddressException("missing translated address");
    const unsigned int type = address->getType();
    if (type > FW_ADDRESS_ATTR_SID || address->getMsgSize() != FW_ADDRESS_RECORD_SIZE) {
        delete address;
        throw CInvalidAddressException("invalid address type", type);
    }
}

CKestFWAddress* CKestFWRuleAction::swapRangeForSet(CKestFWAddress*& target, const char* setName) {
    const char* name = setName ? setName : "";
    if (strlen(name) >= sizeof(FWAddrSetID_t)) throw CIDTooLongException(name);
    if (target == nullptr) return nullptr;
    const unsigned int type = target->getType();
    if (type != FW_ADDRESS_IPV4_RANGE && type != FW_ADDRESS_IPV6_RANGE) return nullptr;
    CKestFWAddress* range = target;
    target = new CKestFWAddrSetID(name, false);
    return range;
}

std::string CKestFWRuleAction::flagText() const {
    struct Flag {
        bool on;
        const char* word;
    };
    const Flag flags[] = {{m_log, "log"}, {m_copy, "copy"}, {m_noFlow, "noflow"}, {m_rtt, "rtt"}, {m_lbRule, "lbrule"}};
    unsigned int n = 0;
    for (const Flag& f : flags) n += f.on ? 1 : 0;
    std::string s;
    if (n == 1) {
        for (const Flag& f : flags)
            if (f.on) s = std::string(" with ") + f.word;
    } else if (n >= 2) {
        s = " with {";
        bool first = true;
        for (const Flag& f : flags) {
            if (!f.on) continue;
            if (!first) s += ",";
            first = false;
            s += f.word;
        }
        s += "}";
    }
    if (m_dynamic && m_dynApp >= FW_DYNAPP_FTP && m_dynApp <= FW_DYNAPP_TFTP)
        s += std::string(" as ") + kDynAppName[m_dynApp];
    return s;
}

std::string CKestFWRuleAction::toString() const {
    return std::string(actionName(getAction())) + ownText() + flagText() + trailingText();
}

std::string CKestFWRuleAction::toString(int) const {
    const std::string flags = flagText();
    std::string s = actionName(getAction());
    if (!flags.empty()) s += "\n" + flags;
    return s;
}

}  // namespace KestFirewall
