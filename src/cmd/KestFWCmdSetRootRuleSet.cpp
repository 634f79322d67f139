#include "cmd/KestFWCmdSetRootRuleSet.h"

#include <strings.h>

#include <climits>
#include <memory>

#include "cmd/KestFWCmdRuleSetBody.h"
#include "base/KestFWException.h"
#include "model/KestFWProtocol.h"
#include "model/KestFWProtocolSpecList.h"
#include "model/KestFWProtocolSpecStateless.h"
#include "model/KestFWRule.h"
#include "model/KestFWRuleActionJumpto.h"

namespace KestFirewall {

namespace {

const unsigned int kRuleRecordSize = 1420;

std::string quotedOrEmpty(const FWRuleSetID_t& id) { return ruleSetNameEmpty(id) ? "\"\"" : ruleSetName(id); }

}  // namespace

CKestFWCmdSetRootRuleSet::CKestFWCmdSetRootRuleSet(dvs_port_* port)
    : CKestFWCmd(port), m_layer3(emptyRuleSetId()), m_layer2(emptyRuleSetId()) {}

CKestFWCmdSetRootRuleSet::CKestFWCmdSetRootRuleSet(dvs_port_* port, FWRuleSetID_t layer3, FWRuleSetID_t layer2)
    : CKestFWCmd(port), m_layer3(layer3), m_layer2(layer2) {
    if (ruleSetNameEmpty(layer3) && ruleSetNameEmpty(layer2))
        throw CUnsupportedException(3, "root ruleset name is empty");
    unsigned int next = 1;
    if (!ruleSetNameEmpty(layer3)) addJumpRule(next++, true, layer3);
    if (!ruleSetNameEmpty(layer2)) addJumpRule(next, false, layer2);
}

CKestFWCmdSetRootRuleSet::~CKestFWCmdSetRootRuleSet() = default;

// Rule `number` at position `number`, both directions, any IP protocol or any Ethertype, stateless,
// no addresses, jumping to `target`.
void CKestFWCmdSetRootRuleSet::addJumpRule(unsigned int number, bool layer3, const FWRuleSetID_t& target) {
    // Each piece is held until the rule takes them all, so a piece that raises leaks none of the others.
    std::unique_ptr<CKestFWProtocol> protocol(new CKestFWProtocol(layer3));
    std::unique_ptr<CKestFWProtocolSpecList> specs(new CKestFWProtocolSpecList(0));
    specs->addSpec(new CKestFWProtocolSpecStateless());
    // The target goes by its name: a name that fills the field without its NUL is too long for a root.
    std::unique_ptr<CKestFWRuleAction> action(new CKestFWRuleActionJumpto(ruleSetName(target).c_str()));
    m_rules.addRule(new CKestFWRule(number, int(number), FW_RULE_DIR_INOUT, protocol.release(), specs.release(),
                                    nullptr, nullptr, nullptr, nullptr, action.release(), true, false, false, nullptr,
                                    nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr, false, false, 0));
}

unsigned int CKestFWCmdSetRootRuleSet::getMsgSize() const {
    const unsigned int rules = m_rules.getMsgSize();
    if (rules > UINT_MAX - kHeadSize) throw CIntegerOverflowException("too manu rules", m_rules.getRuleCount());
    return kHeadSize + rules;
}

std::string CKestFWCmdSetRootRuleSet::toString() const {
    std::string out = "set root ruleset " + quotedOrEmpty(m_layer3);
    const std::string layer2Default = ruleSetName(m_layer3) + "_L2";
    if (strcasecmp(ruleSetName(m_layer2).c_str(), layer2Default.c_str()) != 0) out += " and " + quotedOrEmpty(m_layer2);
    return out + " for dvsport " + switchPortText(m_port);
}

bool CKestFWCmdSetRootRuleSet::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    const unsigned int size = getMsgSize();
    if (written != nullptr) *written = size;
    if (body == nullptr || avail < kHeadSize) return true;
    uint8_t* out = writable(body);
    ByteWriter w(out, avail);
    w.zeros(kHeadSize);
    w.putAt<uint8_t>(RuleSetBody::kOffFlags, RuleSetBody::kFlagsPending);
    unsigned int used = 0;
    m_rules.toMessage(out + kHeadSize, avail - kHeadSize, &used);
    w.putAt<uint32_t>(RuleSetBody::kOffCount, used / kRuleRecordSize);
    return true;
}

}  // namespace KestFirewall
