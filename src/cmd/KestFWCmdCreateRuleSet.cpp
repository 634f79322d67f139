#include "cmd/KestFWCmdCreateRuleSet.h"

#include <climits>
#include <cstring>

#include "cmd/KestFWCmdRuleSetBody.h"
#include "base/KestFWException.h"
#include "base/KestFWLog.h"

namespace KestFirewall {

namespace {

CKestFWRuleList* orEmpty(CKestFWRuleList* rules) { return rules != nullptr ? rules : new CKestFWRuleList(false); }

}  // namespace

CKestFWCmdCreateRuleSet::CKestFWCmdCreateRuleSet(dvs_port_* port, FWRuleSetID_t id, FWRuleSetID_t jump,
                                                 CKestFWRuleList* rules)
    : CKestFWCmd(port), m_id(id), m_jump(jump), m_rules(orEmpty(rules)) {}

CKestFWCmdCreateRuleSet::CKestFWCmdCreateRuleSet(dvs_port_* port, FWRuleSetID_t id, FWRuleSetID_t jump)
    : CKestFWCmdCreateRuleSet(port, id, jump, nullptr) {}

CKestFWCmdCreateRuleSet::CKestFWCmdCreateRuleSet(dvs_port_* port, const char* name)
    : CKestFWCmdCreateRuleSet(port, name, nullptr) {}

CKestFWCmdCreateRuleSet::CKestFWCmdCreateRuleSet(dvs_port_* port, const char* name, CKestFWRuleList* rules)
    : CKestFWCmd(port), m_id(emptyRuleSetId()), m_jump(emptyRuleSetId()), m_rules(orEmpty(rules)) {
    setName(name);
}

CKestFWCmdCreateRuleSet::~CKestFWCmdCreateRuleSet() = default;

void CKestFWCmdCreateRuleSet::setName(const char* name) {
    if (name == nullptr) return;
    const size_t len = strnlen(name, kRuleSetIdSize);
    if (len >= kRuleSetIdSize) throw CIDTooLongException(name);
    memcpy(m_id.name, name, len);
}

unsigned int CKestFWCmdCreateRuleSet::getMsgSize() const {
    const unsigned int rules = m_rules->getMsgSize();
    if (rules > UINT_MAX - kHeadSize) throw CIntegerOverflowException("too manu rules", m_rules->getRuleCount());
    return kHeadSize + rules;
}

std::string CKestFWCmdCreateRuleSet::toString() const {
    std::string out = "create ruleset " + ruleSetName(m_id) + dvsportToString("for");
    if (!ruleSetNameEmpty(m_jump)) out += " jumpto " + ruleSetName(m_jump);
    if (m_rules->getRuleCount() != 0) out += " with {\n" + m_rules->toString() + "\n}\n";
    return out;
}

bool CKestFWCmdCreateRuleSet::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    const unsigned int size = getMsgSize();
    if (body == nullptr || size > avail) return false;
    uint8_t* out = writable(body);
    ByteWriter w(out, avail);
    w.zeros(kHeadSize);
    putRuleSetId(w, RuleSetBody::kOffName, m_id);
    w.putAt<uint8_t>(RuleSetBody::kOffFlags, RuleSetBody::kFlagsPending);
    w.putAt<uint64_t>(RuleSetBody::kOffRequest, m_request);
    unsigned int used = 0;
    const bool rulesFit = m_rules->toMessage(out + kHeadSize, avail - kHeadSize, &used);
    w.putAt<uint32_t>(RuleSetBody::kOffCount, m_rules->getRuleCount());
    if (written != nullptr) *written = kHeadSize + used;
    return w.ok() && rulesFit;
}

void CKestFWCmdCreateRuleSet::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint8_t flags = r.getAt<uint8_t>(RuleSetBody::kOffFlags);
    uint8_t txId[kTransactionIdSize];
    r.seek(RuleSetBody::kOffTxId);
    r.bytes(txId, sizeof txId);
    const uint64_t txWord = r.getAt<uint64_t>(RuleSetBody::kOffTxWord);
    if (!r.ok()) return;
    if ((flags & RuleSetBody::kFlagsPending) == RuleSetBody::kFlagsPending) {
        memset(m_txId, 0, sizeof m_txId);
        m_txWord = 0;
        return;
    }
    memcpy(m_txId, txId, sizeof m_txId);
    m_txWord = txWord;
    ByteReader words(m_txId, sizeof m_txId);
    const uint32_t w0 = words.u32(), w1 = words.u32(), w2 = words.u32(), w3 = words.u32();
    KFW_DEBUG(KFW_COMP_CMD, 1, "transaction id: 0x%08x, 0x%08x, 0x%08x, 0x%08x\n", w0, w1, w2, w3);
}

}  // namespace KestFirewall
