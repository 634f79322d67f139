#include "model/KestFWRuleActionFactory.h"

#include <memory>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "model/KestFWRuleActionAccept.h"
#include "model/KestFWRuleActionClear.h"
#include "model/KestFWRuleActionCopy.h"
#include "model/KestFWRuleActionDNAT.h"
#include "model/KestFWRuleActionDivert.h"
#include "model/KestFWRuleActionDrop.h"
#include "model/KestFWRuleActionEncrypt.h"
#include "model/KestFWRuleActionGoToFilter.h"
#include "model/KestFWRuleActionIDPDetect.h"
#include "model/KestFWRuleActionIDPProtect.h"
#include "model/KestFWRuleActionJumpto.h"
#include "model/KestFWRuleActionLB.h"
#include "model/KestFWRuleActionMacRewrite.h"
#include "model/KestFWRuleActionPbr.h"
#include "model/KestFWRuleActionPunt.h"
#include "model/KestFWRuleActionReject.h"
#include "model/KestFWRuleActionSNAT.h"
#include "util/ByteIO.h"

namespace KestFirewall {

namespace {

// The record's fields, read once through the checked reader.
struct ActionFields {
    FWAddress_ address;
    FWRuleSetID_t ruleSet;
    uint8_t mac[6];
    uint16_t port, portEnd;
    uint8_t lbType;
    uint16_t lbIdle, lbClose;
    std::string lbOptions;
    uint8_t natFlags;
    uint16_t poolParam;
    uint8_t dynLo, dynHi, code, flags, flags2;
    std::string keyPolicy;
};

ActionFields readFields(const void* rec) {
    ActionFields f;
    ByteReader r(rec, FW_RULE_ACTION_RECORD_SIZE);
    r.bytes(&f.address, sizeof f.address);
    r.seek(0);
    r.bytes(&f.ruleSet, sizeof f.ruleSet);
    r.seek(0);
    r.bytes(f.mac, sizeof f.mac);
    r.seek(144);
    f.port = r.be16();
    f.portEnd = r.be16();
    f.lbType = r.u8();
    r.skip(1);
    f.lbIdle = r.u16();
    f.lbClose = r.u16();
    f.lbOptions = r.text(FW_ACTION_LB_OPTIONS_SIZE);
    f.natFlags = r.u8();
    r.skip(1);
    f.poolParam = r.u16();
    r.skip(2);
    f.dynLo = r.u8();
    f.dynHi = r.u8();
    f.code = r.u8();
    f.flags = r.u8();
    f.flags2 = r.u8();
    f.keyPolicy = r.text(FW_ACTION_KEY_POLICY_SIZE);
    return f;
}

CKestFWRuleAction* build(const ActionFields& f) {
    switch (f.code) {
        case FW_RULE_ACTION_ACCEPT:
            return new CKestFWRuleActionAccept();
        case FW_RULE_ACTION_DROP:
            return new CKestFWRuleActionDrop();
        case FW_RULE_ACTION_REJECT:
            return new CKestFWRuleActionReject();
        case FW_RULE_ACTION_JUMPTO:
            return new CKestFWRuleActionJumpto(&f.ruleSet);
        case FW_RULE_ACTION_PUNT:
            return new CKestFWRuleActionPunt();
        case FW_RULE_ACTION_DIVERT:
            return new CKestFWRuleActionDivert();
        case FW_RULE_ACTION_SNAT:
            return new CKestFWRuleActionSNAT(&f.address);
        case FW_RULE_ACTION_DNAT: {
            const unsigned short pool =
                static_cast<unsigned short>((f.natFlags & FW_ACTION_NAT_POOLOPT_MASK) >> FW_ACTION_NAT_POOLOPT_SHIFT);
            if (!(f.natFlags & FW_ACTION_NAT_HAS_PORT)) return new CKestFWRuleActionDNAT(&f.address, pool, f.poolParam);
            if (!(f.natFlags & FW_ACTION_NAT_HAS_RANGE))
                return new CKestFWRuleActionDNAT(&f.address, pool, f.port, f.poolParam);
            return new CKestFWRuleActionDNAT(&f.address, pool, f.port, f.portEnd, f.poolParam);
        }
        case FW_RULE_ACTION_MACREWRITE:
            return new CKestFWRuleActionMacRewrite(f.mac);
        case FW_RULE_ACTION_COPY:
            return new CKestFWRuleActionCopy();
        case FW_RULE_ACTION_ENCRYPT:
            return new CKestFWRuleActionEncrypt(f.keyPolicy.c_str());
        case FW_RULE_ACTION_CLEAR:
            return new CKestFWRuleActionClear();
        case FW_RULE_ACTION_PBR:
            return new CKestFWRuleActionPbr(f.keyPolicy.c_str());
        case FW_RULE_ACTION_LB:
            // The has-options bit is not consulted: an action read back always carries its options
            // text, possibly empty.
            return new CKestFWRuleActionLB(f.lbType, f.lbIdle, f.lbClose, f.lbOptions.c_str());
        case FW_RULE_ACTION_IDP_DETECT:
            return new CKestFWRuleActionIDPDetect();
        case FW_RULE_ACTION_IDP_PROTECT:
            return new CKestFWRuleActionIDPProtect();
        case FW_RULE_ACTION_GOTO_FILTER:
            return new CKestFWRuleActionGoToFilter();
        default:
            throw CInvalidRuleActionException(f.code);
    }
}

}  // namespace

CKestFWRuleAction* CKestFWRuleActionFactory::newFromMsgBuf(const fw_rule_action_* rec) {
    if (rec == nullptr) throw CInvalidRuleActionException(FW_RULE_ACTION_UNKNOWN);
    const ActionFields f = readFields(rec);
    if ((f.flags & FW_ACTION_FLAG_RESERVED) || (f.flags2 & FW_ACTION_FLAG2_RESERVED))
        throw CInvalidRuleActionException(f.code);

    std::unique_ptr<CKestFWRuleAction> action(build(f));
    if (f.flags & FW_ACTION_FLAG_LOG) action->enableLogPacket();
    if (f.flags & FW_ACTION_FLAG_COPY) action->enableCopyPacket();
    if (f.flags & FW_ACTION_FLAG_NOFLOW) action->enableNoFlow();
    if (f.flags & FW_ACTION_FLAG_RTT) action->enableRtt();
    if (f.flags & FW_ACTION_FLAG_DYNAMIC) {
        // The helper flags are derived again from the application, not taken from the record.
        const unsigned int app = (f.dynLo >> 4) | (f.dynHi & 0x0fu) << 4;
        KFW_DEBUG(KFW_COMP_RULE, 2, "m_dynapp_flags: 0x%x, m_dynapp: %d\n", f.dynLo & 0x0fu, app);
        action->enableDynamic(app);
    }
    if (f.flags2 & FW_ACTION_FLAG2_LBRULE) action->enableLBRule();
    return action.release();
}

CKestFWRuleAction* CKestFWRuleActionFactory::newFromMsgBuf(const void* buf, unsigned int size) {
    if (buf == nullptr || size < FW_RULE_ACTION_RECORD_SIZE)
        throw CInsufficientMsgBufException(FW_RULE_ACTION_RECORD_SIZE, buf ? size : 0);
    fw_rule_action_ rec;
    ByteReader(buf, FW_RULE_ACTION_RECORD_SIZE).bytes(&rec, sizeof rec);
    return newFromMsgBuf(&rec);
}

}  // namespace KestFirewall
