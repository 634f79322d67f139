#include "model/KestFWRuleBuilder.h"

#include <netinet/in.h>

#include <cstring>
#include <memory>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddressEther.h"
#include "model/KestFWAddressEtherRange.h"
#include "model/KestFWAddressFactory.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv4CIDR.h"
#include "model/KestFWAddressIPv6.h"
#include "model/KestFWAddressIPv6CIDR.h"
#include "model/KestFWProtocolSpecFactory.h"
#include "model/KestFWProtocolSpecICMPType.h"
#include "model/KestFWProtocolSpecL4Port.h"
#include "model/KestFWProtocolSpecL4PortRange.h"
#include "model/KestFWProtocolSpecSloppy.h"
#include "model/KestFWProtocolSpecStateless.h"
#include "model/KestFWProtocolSpecStrict.h"
#include "model/KestFWProtocolSpecTCPFlags.h"
#include "model/KestFWRuleActionAccept.h"
#include "model/KestFWRuleActionClear.h"
#include "model/KestFWRuleActionCopy.h"
#include "model/KestFWRuleActionDivert.h"
#include "model/KestFWRuleActionDrop.h"
#include "model/KestFWRuleActionEncrypt.h"
#include "model/KestFWRuleActionFactory.h"
#include "model/KestFWRuleActionGoToFilter.h"
#include "model/KestFWRuleActionIDPDetect.h"
#include "model/KestFWRuleActionIDPProtect.h"
#include "model/KestFWRuleActionLB.h"
#include "model/KestFWRuleActionPbr.h"
#include "model/KestFWRuleActionPunt.h"
#include "model/KestFWRuleActionReject.h"
#include "model/KestFWRuleLayout.h"
#include "util/ByteIO.h"

namespace KestFirewall {

namespace {

using namespace RuleLayout;
// The two protocol spec slots of the protocol block, each read with what is left of the block
// after it so that a body may not run past the block into the tag.
constexpr size_t kOffFlagsOrICMPSlot = kOffConnSpec + CKestFWProtocolSpecList::kFlagsOrICMPSlot;
constexpr size_t kOffOptionsSlot = kOffConnSpec + CKestFWProtocolSpecList::kOptionsSlot;
constexpr size_t kConnBlockEnd = kOffConnSpec + FW_RULE_CONN_BLOCK_SIZE;

constexpr uint16_t kModeStateless = 0x0001;
constexpr uint16_t kModeStrict = 0x0800;
constexpr uint16_t kModeSloppy = 0x1000;

bool isPortKind(unsigned int specType) {
    return specType == FW_PROTO_SPEC_L4PORT || specType == FW_PROTO_SPEC_L4PORT_RANGE ||
           specType == FW_PROTO_SPEC_L4PORT_SET;
}

bool isTCPKind(unsigned int specType) {
    return specType == FW_PROTO_SPEC_TCP_FLAGS || specType == FW_PROTO_SPEC_TCP_OPTIONS ||
           specType == FW_PROTO_SPEC_STRICT || specType == FW_PROTO_SPEC_SLOPPY;
}

CKestFWAddress* ipv4Address(unsigned int ipv4, unsigned char prefix) {
    in_addr a;
    a.s_addr = ipv4;
    if (prefix == 32) return new CKestFWAddressIPv4(a, false);
    return new CKestFWAddressIPv4CIDR(a, prefix, false);
}

CKestFWAddress* ipv6Address(const unsigned int* ipv6, unsigned char prefix) {
    in6_addr a;
    memcpy(&a, ipv6, sizeof a);
    if (prefix == 128) return new CKestFWAddressIPv6(a, false);
    return new CKestFWAddressIPv6CIDR(a, prefix, false);
}

CKestFWAddress* macAddress(unsigned long mac) {
    fw_ether_ e;
    for (int i = 0; i < 6; ++i) e.octet[i] = static_cast<uint8_t>(mac >> (8 * i));
    return new CKestFWAddressEther(e, false);
}

CKestFWAddress* macAddress(const unsigned char* mac) {
    if (mac == nullptr) return nullptr;
    fw_ether_ e;
    memcpy(e.octet, mac, sizeof e.octet);
    return new CKestFWAddressEther(e, false);
}

CKestFWAddress* setReference(const char* setName) { return setName ? new CKestFWAddrSetID(setName, false) : nullptr; }

// One address record of the rule record, through the address factory.
CKestFWAddress* readAddress(ByteReader& r, size_t offset) {
    r.seek(offset);
    const uint8_t* rec = r.view(FW_ADDRESS_RECORD_SIZE);
    if (rec == nullptr) throw CInsufficientMsgBufException(FW_ADDRESS_RECORD_SIZE, 0);
    unsigned int used = 0;
    return CKestFWAddressFactory::newFromMsgBuf(rec, FW_ADDRESS_RECORD_SIZE, &used);
}

// One protocol spec record of `width` bytes. Whatever kind a slot holds is taken: the rule prints it and
// writes each kind back only where it belongs, always inside the block it came from.
CKestFWProtocolSpec* readSpec(ByteReader& r, size_t offset, size_t width) {
    r.seek(offset);
    const uint8_t* rec = r.view(width);
    if (rec == nullptr) throw CInsufficientMsgBufException(static_cast<unsigned>(width), 0);
    return CKestFWProtocolSpecFactory::newFromMsgBuf(rec, static_cast<unsigned int>(width));
}

CKestFWContainerID* readName(ByteReader& r, size_t offset) {
    FWAddrSetID_t id;
    r.seek(offset);
    r.bytes(id.name, sizeof id.name);
    return new CKestFWContainerID(id);
}

}  // namespace

CKestFWRuleBuilder::CKestFWRuleBuilder() { m_connSpec = new CKestFWProtocolSpecList(FW_SPEC_DIR_PROTOCOL); }

CKestFWRuleBuilder::CKestFWRuleBuilder(const FWRule_* record) {
    m_connSpec = new CKestFWProtocolSpecList(FW_SPEC_DIR_PROTOCOL);
    try {
        init(record);
    } catch (...) {
        clearObjects();
        throw;
    }
}

CKestFWRuleBuilder::~CKestFWRuleBuilder() { clearObjects(); }

void CKestFWRuleBuilder::clearObjects() {
    delete m_protocol;
    delete m_action;
    delete m_src;
    delete m_dst;
    delete m_srcPort;
    delete m_dstPort;
    delete m_connSpec;
    delete m_extendedSource;
    delete m_attrProfile;
    delete m_timeAttrProfile;
    delete m_extSrcIP;
    delete m_excludeSrc;
    delete m_excludeDst;
    m_protocol = nullptr;
    m_action = nullptr;
    m_src = m_dst = m_extSrcIP = m_excludeSrc = m_excludeDst = nullptr;
    m_srcPort = m_dstPort = nullptr;
    m_connSpec = nullptr;
    m_extendedSource = m_attrProfile = m_timeAttrProfile = nullptr;
}

void CKestFWRuleBuilder::init() {
    // After a rule was built every pointer is already empty; anything still held is released here
    // rather than forgotten.
    clearObjects();
    m_id = 0;
    m_internal = false;
    m_position = 0;
    m_direction = FW_RULE_DIR_INOUT;
    m_af = FW_RULE_AF_UNSPEC;
    m_connSpec = new CKestFWProtocolSpecList(FW_SPEC_DIR_PROTOCOL);
    m_l7Copy = m_l7Sampleable = false;
    m_hasIDS = false;
    memset(&m_ids, 0, sizeof m_ids);
    m_categoryId = m_bucketId = 0;
    m_active = true;
    m_srcMalicious = m_dstMalicious = false;
    m_oversubscription = 0;
}

// ----- scalars -----

void CKestFWRuleBuilder::setDirection(FWRuleDirection_t direction) {
    if (static_cast<unsigned int>(direction) >= FW_RULE_DIR_COUNT)
        throw CInvalidRuleDirectionException(static_cast<int>(direction));
    m_direction = direction;
}

void CKestFWRuleBuilder::setBucketId(unsigned char id) {
    KFW_DEBUG(KFW_COMP_RULE, 2, "Setting rule %u bucket id to %d\n", m_id, id);
    m_bucketId = id;
}

void CKestFWRuleBuilder::setCategoryId(unsigned char id) {
    KFW_DEBUG(KFW_COMP_RULE, 2, "Setting rule %u category id to %d\n", m_id, id);
    m_categoryId = id;
}

void CKestFWRuleBuilder::setOversubscription(unsigned char value) {
    KFW_DEBUG(KFW_COMP_RULE, 2, "Setting rule oversubscription to %d\n", value);
    m_oversubscription = value;
}

void CKestFWRuleBuilder::setInternal() {
    KFW_DEBUG(KFW_COMP_RULE, 1, "Setting rule %u as internal rule\n", m_id);
    m_internal = true;
}

void CKestFWRuleBuilder::setIDSProfile(FWuuid_ id) {
    m_ids = id;
    m_hasIDS = true;
}

// ----- protocol -----

void CKestFWRuleBuilder::setType(bool isIP) {
    CKestFWProtocol* p = new CKestFWProtocol(isIP);
    delete m_protocol;
    m_protocol = p;
}

void CKestFWRuleBuilder::setProtocol(unsigned short value, bool negate) {
    if (m_protocol == nullptr) throw CUnsupportedException("no protocol is defined");
    m_protocol->setProtocol(value, negate);
}

void CKestFWRuleBuilder::setProtocol(CKestFWProtocol* protocol) {
    if (protocol == m_protocol) return;
    delete m_protocol;
    m_protocol = protocol;
}

// ----- action -----

void CKestFWRuleBuilder::setAction(CKestFWRuleAction* action) {
    if (action == m_action) return;
    delete m_action;
    m_action = action;
}

void CKestFWRuleBuilder::setAction(FWRuleAction_t code, std::string keyPolicy) {
    delete m_action;
    m_action = nullptr;
    switch (code) {
        case FW_RULE_ACTION_ACCEPT:
            m_action = new CKestFWRuleActionAccept();
            break;
        case FW_RULE_ACTION_DROP:
            m_action = new CKestFWRuleActionDrop();
            break;
        case FW_RULE_ACTION_REJECT:
            m_action = new CKestFWRuleActionReject();
            break;
        case FW_RULE_ACTION_PUNT:
            m_action = new CKestFWRuleActionPunt();
            break;
        case FW_RULE_ACTION_DIVERT:
            m_action = new CKestFWRuleActionDivert();
            break;
        case FW_RULE_ACTION_COPY:
            m_action = new CKestFWRuleActionCopy();
            break;
        case FW_RULE_ACTION_CLEAR:
            m_action = new CKestFWRuleActionClear();
            break;
        case FW_RULE_ACTION_IDP_DETECT:
            m_action = new CKestFWRuleActionIDPDetect();
            break;
        case FW_RULE_ACTION_IDP_PROTECT:
            m_action = new CKestFWRuleActionIDPProtect();
            break;
        case FW_RULE_ACTION_GOTO_FILTER:
            m_action = new CKestFWRuleActionGoToFilter();
            break;
        case FW_RULE_ACTION_ENCRYPT:
        case FW_RULE_ACTION_PBR:
            if (keyPolicy.empty()) KFW_WARN("Adding Empty Key Policy \n");
            if (code == FW_RULE_ACTION_ENCRYPT)
                m_action = new CKestFWRuleActionEncrypt(keyPolicy.c_str());
            else
                m_action = new CKestFWRuleActionPbr(keyPolicy.c_str());
            break;
        default:
            break;
    }
}

void CKestFWRuleBuilder::setAction(unsigned short lbType, unsigned short idle, unsigned short close,
                                   const char* options) {
    delete m_action;
    m_action = nullptr;
    if (options != nullptr && options[0] != '\0')
        m_action = new CKestFWRuleActionLB(lbType, idle, close, options);
    else
        m_action = new CKestFWRuleActionLB(lbType, idle, close);
}

CKestFWRuleAction* CKestFWRuleBuilder::requireAction() const {
    if (m_action == nullptr) throw CUnsupportedException("no action is defined");
    return m_action;
}

void CKestFWRuleBuilder::setALG(FWDynamicApp_t app, bool flag) { requireAction()->enableDynamic(app, flag); }
void CKestFWRuleBuilder::setEnableLog() { requireAction()->enableLogPacket(); }
void CKestFWRuleBuilder::setEnableLBRule() { requireAction()->enableLBRule(); }
void CKestFWRuleBuilder::setDisableFlowRecord() { requireAction()->enableNoFlow(); }

// ----- tag -----

void CKestFWRuleBuilder::setTag(const std::string& tag) {
    if (tag.size() > CKestFWRule::kMaxTag) {
        KFW_WARN("rule tag is longer than %d chars: %s\n", static_cast<int>(CKestFWRule::kMaxTag), tag.c_str());
        m_tag = tag.substr(0, CKestFWRule::kMaxTag);
    } else {
        m_tag = tag;
    }
}

void CKestFWRuleBuilder::setTag(const char* tag) { setTag(std::string(tag ? tag : "")); }

// ----- addresses -----

void CKestFWRuleBuilder::replace(CKestFWAddress*& slot, CKestFWAddress* address) {
    if (address == nullptr || address == slot) return;
    delete slot;
    slot = address;
}

void CKestFWRuleBuilder::setSource(CKestFWAddress* address) { replace(m_src, address); }
void CKestFWRuleBuilder::setSource(const char* setName) { replace(m_src, setReference(setName)); }
void CKestFWRuleBuilder::setSource(unsigned int ipv4, unsigned char prefix) {
    replace(m_src, ipv4Address(ipv4, prefix));
}
void CKestFWRuleBuilder::setSource(const unsigned int* ipv6, unsigned char prefix) {
    if (ipv6) replace(m_src, ipv6Address(ipv6, prefix));
}
void CKestFWRuleBuilder::setSource(unsigned long mac) { replace(m_src, macAddress(mac)); }
void CKestFWRuleBuilder::setSource(const unsigned char* mac) { replace(m_src, macAddress(mac)); }

void CKestFWRuleBuilder::setDest(CKestFWAddress* address) { replace(m_dst, address); }
void CKestFWRuleBuilder::setDest(const char* setName) { replace(m_dst, setReference(setName)); }
void CKestFWRuleBuilder::setDest(unsigned int ipv4, unsigned char prefix) { replace(m_dst, ipv4Address(ipv4, prefix)); }
void CKestFWRuleBuilder::setDest(const unsigned int* ipv6, unsigned char prefix) {
    if (ipv6) replace(m_dst, ipv6Address(ipv6, prefix));
}
void CKestFWRuleBuilder::setDest(unsigned long mac) { replace(m_dst, macAddress(mac)); }
void CKestFWRuleBuilder::setDest(const unsigned char* mac) { replace(m_dst, macAddress(mac)); }

void CKestFWRuleBuilder::setExcludeSrc(CKestFWAddress* address) { replace(m_excludeSrc, address); }
void CKestFWRuleBuilder::setExcludeSrc(const char* setName) { replace(m_excludeSrc, setReference(setName)); }
void CKestFWRuleBuilder::setExcludeDest(CKestFWAddress* address) { replace(m_excludeDst, address); }
void CKestFWRuleBuilder::setExcludeDest(const char* setName) { replace(m_excludeDst, setReference(setName)); }

void CKestFWRuleBuilder::setExtSrcIP(CKestFWAddress* address) { replace(m_extSrcIP, address); }
void CKestFWRuleBuilder::setExtSrcIP(const char* setName) { replace(m_extSrcIP, setReference(setName)); }
void CKestFWRuleBuilder::setExtSrcIP(unsigned int ipv4, unsigned char prefix) {
    replace(m_extSrcIP, ipv4Address(ipv4, prefix));
}
void CKestFWRuleBuilder::setExtSrcIP(const unsigned int* ipv6, unsigned char prefix) {
    if (ipv6) replace(m_extSrcIP, ipv6Address(ipv6, prefix));
}

namespace {
void checkField(CKestFWRuleField field) {
    if (field > KFW_RULE_FIELD_EXT_SRC_IP)
        throw CUnsupportedException("unsupported rule address field ", static_cast<unsigned>(field));
}
}  // namespace

void CKestFWRuleBuilder::setRuleAddress(CKestFWRuleField field, CKestFWAddress* address, CKestFWAddress* exclusion,
                                        bool malicious) {
    std::unique_ptr<CKestFWAddress> a(address), x(exclusion);
    checkField(field);
    switch (field) {
        case KFW_RULE_FIELD_SOURCE:
            setSource(a.release());
            setExcludeSrc(x.release());
            setIpReputationSrc(malicious);
            break;
        case KFW_RULE_FIELD_DEST:
            setDest(a.release());
            setExcludeDest(x.release());
            setIpReputationDst(malicious);
            break;
        default:
            setExtSrcIP(a.release());
            break;
    }
}

void CKestFWRuleBuilder::setRuleAddress(CKestFWRuleField field, const char* setName, const char* exclusion,
                                        bool malicious) {
    checkField(field);
    std::unique_ptr<CKestFWAddress> a(setReference(setName));
    std::unique_ptr<CKestFWAddress> x(field == KFW_RULE_FIELD_EXT_SRC_IP ? nullptr : setReference(exclusion));
    setRuleAddress(field, a.release(), x.release(), malicious);
}

void CKestFWRuleBuilder::setRuleAddress(CKestFWRuleField field, CKestFWAddress* address, bool malicious) {
    std::unique_ptr<CKestFWAddress> a(address);
    checkField(field);
    setRuleAddress(field, a.release());
    if (field == KFW_RULE_FIELD_SOURCE) setIpReputationSrc(malicious);
    if (field == KFW_RULE_FIELD_DEST) setIpReputationDst(malicious);
}

void CKestFWRuleBuilder::setRuleAddress(CKestFWRuleField field, const char* setName, bool malicious) {
    checkField(field);
    setRuleAddress(field, setReference(setName), malicious);
}

void CKestFWRuleBuilder::setRuleAddress(CKestFWRuleField field, CKestFWAddress* address) {
    std::unique_ptr<CKestFWAddress> a(address);
    checkField(field);
    if (field == KFW_RULE_FIELD_SOURCE)
        setSource(a.release());
    else if (field == KFW_RULE_FIELD_DEST)
        setDest(a.release());
    else
        setExtSrcIP(a.release());
}

void CKestFWRuleBuilder::setRuleAddress(CKestFWRuleField field, const char* setName) {
    checkField(field);
    setRuleAddress(field, setReference(setName));
}

void CKestFWRuleBuilder::setRuleAddress(CKestFWRuleField field, unsigned int ipv4, unsigned char prefix) {
    checkField(field);
    setRuleAddress(field, ipv4Address(ipv4, prefix));
}

void CKestFWRuleBuilder::setRuleAddress(CKestFWRuleField field, const unsigned int* ipv6, unsigned char prefix) {
    checkField(field);
    if (ipv6) setRuleAddress(field, ipv6Address(ipv6, prefix));
}

void CKestFWRuleBuilder::setRuleAddress(CKestFWRuleField field, unsigned long mac) {
    checkField(field);
    if (field == KFW_RULE_FIELD_EXT_SRC_IP) throw CUnsupportedException("extended source address cannot be MAC");
    setRuleAddress(field, macAddress(mac));
}

void CKestFWRuleBuilder::setRuleAddress(CKestFWRuleField field, const unsigned char* mac) {
    checkField(field);
    if (field == KFW_RULE_FIELD_EXT_SRC_IP) throw CUnsupportedException("extended source address cannot be MAC");
    setRuleAddress(field, macAddress(mac));
}

// Addresses keep their "not" flag from construction on: a negated one is made anew from the same
// fields (CIDR forms from their stored, unmasked address; the others through their own record).
void CKestFWRuleBuilder::negateAddress(CKestFWAddress*& slot) {
    if (slot == nullptr || slot->isNegated()) return;
    std::unique_ptr<CKestFWAddress> negated;
    switch (slot->getType()) {
        case FW_ADDRESS_IPV4_CIDR: {
            in_addr a;
            unsigned char prefix = 0;
            static_cast<const CKestFWAddressIPv4CIDR*>(slot)->getAddress(&a, &prefix);
            negated.reset(new CKestFWAddressIPv4CIDR(a, prefix, true));
            break;
        }
        case FW_ADDRESS_IPV6_CIDR: {
            in6_addr a;
            unsigned char prefix = 0;
            static_cast<const CKestFWAddressIPv6CIDR*>(slot)->getAddress(&a, &prefix);
            negated.reset(new CKestFWAddressIPv6CIDR(a, prefix, true));
            break;
        }
        case FW_ADDRESS_ETHER_RANGE: {
            fw_ether_ start, end;
            static_cast<const CKestFWAddressEtherRange*>(slot)->getAddress(&start, &end);
            negated.reset(new CKestFWAddressEtherRange(start, end, true));
            break;
        }
        default: {
            if (slot->getType() > FW_ADDRESS_ATTR_SID)
                throw CUnsupportedException("cannot negate address ", slot->toString().c_str());
            FWAddress_ rec;
            memset(&rec, 0, sizeof rec);
            unsigned int used = 0;
            slot->toMessage(&rec, sizeof rec, &used);
            rec.flags |= FW_ADDRESS_FLAG_NEGATE;
            negated.reset(CKestFWAddressFactory::newFromMsgBuf(&rec));
            break;
        }
    }
    delete slot;
    slot = negated.release();
}

void CKestFWRuleBuilder::negateSource() { negateAddress(m_src); }
void CKestFWRuleBuilder::negateDest() { negateAddress(m_dst); }
void CKestFWRuleBuilder::negateExtSrcIP() { negateAddress(m_extSrcIP); }

void CKestFWRuleBuilder::negateRuleAddress(CKestFWRuleField field) {
    checkField(field);
    if (field == KFW_RULE_FIELD_SOURCE)
        negateSource();
    else if (field == KFW_RULE_FIELD_DEST)
        negateDest();
    else
        negateExtSrcIP();
}

// ----- ports and protocol specs -----

void CKestFWRuleBuilder::replaceSpec(CKestFWProtocolSpec*& slot, CKestFWProtocolSpec* spec) {
    if (spec == nullptr || spec == slot) return;
    delete slot;
    slot = spec;
}

CKestFWProtocolSpecL4PortSet* CKestFWRuleBuilder::portSet(CKestFWProtocolSpec*& slot, unsigned char dir) {
    if (slot == nullptr) slot = new CKestFWProtocolSpecL4PortSet(dir, false);
    if (slot->getSpecType() != FW_PROTO_SPEC_L4PORT_SET)
        throw CUnsupportedException("rule port is not a port set: ", slot->toString().c_str());
    return static_cast<CKestFWProtocolSpecL4PortSet*>(slot);
}

// Protocol specs keep their "not" flag from construction on: the port is rebuilt from its own record
// with the flag set.
void CKestFWRuleBuilder::negatePort(CKestFWProtocolSpec*& slot) {
    if (slot == nullptr) throw CUnsupportedException("no rule port is defined");
    if (slot->isNegated()) return;
    uint8_t rec[2 + CKestFWProtocolSpecL4PortSet::kBodySize];
    unsigned int used = 0;
    if (!slot->toRecord(rec, sizeof rec, &used))
        throw CUnsupportedException("cannot negate rule port ", slot->toString().c_str());
    const uint16_t header = static_cast<uint16_t>(rec[0] | rec[1] << 8) | 4u;
    rec[0] = static_cast<uint8_t>(header);
    rec[1] = static_cast<uint8_t>(header >> 8);
    std::unique_ptr<CKestFWProtocolSpec> negated(CKestFWProtocolSpecFactory::newFromMsgBuf(rec, used));
    delete slot;
    slot = negated.release();
}

void CKestFWRuleBuilder::setSourcePort(CKestFWProtocolSpec* spec) { replaceSpec(m_srcPort, spec); }
void CKestFWRuleBuilder::setSourcePort(unsigned short start, unsigned short end, bool negate) {
    replaceSpec(m_srcPort, new CKestFWProtocolSpecL4PortRange(FW_SPEC_DIR_SOURCE, start, end, negate));
}
void CKestFWRuleBuilder::setSourcePort(unsigned short port, bool negate) {
    replaceSpec(m_srcPort, new CKestFWProtocolSpecL4Port(FW_SPEC_DIR_SOURCE, port, negate));
}
void CKestFWRuleBuilder::addSourcePort(unsigned short start, unsigned short end) {
    if (start > end) throw CInvalidL4PortRangeException(start, end);
    portSet(m_srcPort, FW_SPEC_DIR_SOURCE)->addPortRange(start, end);
}
void CKestFWRuleBuilder::addSourcePort(unsigned short port) { portSet(m_srcPort, FW_SPEC_DIR_SOURCE)->addPort(port); }
void CKestFWRuleBuilder::negateSourcePort() { negatePort(m_srcPort); }

void CKestFWRuleBuilder::setDestPort(CKestFWProtocolSpec* spec) { replaceSpec(m_dstPort, spec); }
void CKestFWRuleBuilder::setDestPort(unsigned short start, unsigned short end, bool negate) {
    replaceSpec(m_dstPort, new CKestFWProtocolSpecL4PortRange(FW_SPEC_DIR_DEST, start, end, negate));
}
void CKestFWRuleBuilder::setDestPort(unsigned short port, bool negate) {
    replaceSpec(m_dstPort, new CKestFWProtocolSpecL4Port(FW_SPEC_DIR_DEST, port, negate));
}
void CKestFWRuleBuilder::addDestPort(unsigned short start, unsigned short end) {
    if (start > end) throw CInvalidL4PortRangeException(start, end);
    portSet(m_dstPort, FW_SPEC_DIR_DEST)->addPortRange(start, end);
}
void CKestFWRuleBuilder::addDestPort(unsigned short port) { portSet(m_dstPort, FW_SPEC_DIR_DEST)->addPort(port); }
void CKestFWRuleBuilder::negateDestPort() { negatePort(m_dstPort); }

void CKestFWRuleBuilder::addProtocolSpec(CKestFWProtocolSpec* spec) {
    if (spec != nullptr) m_connSpec->addSpec(spec);
}
void CKestFWRuleBuilder::setStateless() { m_connSpec->addSpec(new CKestFWProtocolSpecStateless()); }
void CKestFWRuleBuilder::setSloppy() { m_connSpec->addSpec(new CKestFWProtocolSpecSloppy()); }
void CKestFWRuleBuilder::setStrict() { m_connSpec->addSpec(new CKestFWProtocolSpecStrict()); }
void CKestFWRuleBuilder::addICMPType(unsigned char type, bool negate) {
    m_connSpec->addSpec(new CKestFWProtocolSpecICMPType(FW_SPEC_DIR_PROTOCOL, type, negate));
}
void CKestFWRuleBuilder::addICMPTypeCode(unsigned char type, unsigned char code, bool negate) {
    m_connSpec->addSpec(new CKestFWProtocolSpecICMPType(FW_SPEC_DIR_PROTOCOL, type, code, negate));
}
void CKestFWRuleBuilder::addTCPFlags(unsigned char flags, bool negate) {
    m_connSpec->addSpec(new CKestFWProtocolSpecTCPFlags(FW_SPEC_DIR_PROTOCOL, flags, negate));
}

// ----- profiles -----

namespace {
void replaceName(CKestFWContainerID*& slot, CKestFWContainerID* name) {
    if (name == slot) return;
    delete slot;
    slot = name;
}
}  // namespace

void CKestFWRuleBuilder::setAttributeProfile(CKestFWContainerID* profile) { replaceName(m_attrProfile, profile); }
void CKestFWRuleBuilder::setTimeAttributeProfile(CKestFWContainerID* profile) {
    replaceName(m_timeAttrProfile, profile);
}
void CKestFWRuleBuilder::setExtendedSource(CKestFWContainerID* profile) { replaceName(m_extendedSource, profile); }

// ----- validation and building -----

void CKestFWRuleBuilder::validateProtocolSpec() const {
    if (m_protocol == nullptr) throw CUnsupportedException("no protocol is defined");
    const bool ip = m_protocol->isDefined() && m_protocol->isIP() && !m_protocol->isNegated();
    const unsigned short value = m_protocol->getValue();
    const bool tcp = ip && value == 6;
    const bool udp = ip && value == 17;
    const bool icmp = ip && (value == 1 || value == 58);

    unsigned int ports = 0, tcpSpecs = 0, icmpSpecs = 0;
    for (const CKestFWProtocolSpec* s : m_connSpec->getSpecs()) {
        const unsigned int t = s->getSpecType();
        if (isPortKind(t)) ++ports;
        if (isTCPKind(t)) ++tcpSpecs;
        if (t == FW_PROTO_SPEC_ICMP_TYPE) ++icmpSpecs;
    }
    if (m_srcPort && isPortKind(m_srcPort->getSpecType())) ++ports;
    if (m_dstPort && isPortKind(m_dstPort->getSpecType())) ++ports;

    if (icmpSpecs != 0 && !icmp)
        throw CUnsupportedException("cannot accept icmp type while icmp protocol is not specified");
    if (ports != 0 && !tcp && !udp)
        throw CUnsupportedException("cannot accept tcp/udp port while tcp/udp protocol is not specified");
    if (tcpSpecs != 0 && !tcp)
        throw CUnsupportedException("cannot accept tcp flags/options while tcp protocol is not specified");
}

void CKestFWRuleBuilder::validateRule() const {
    if (m_protocol == nullptr) throw CUnsupportedException("no protocol is defined");
    if (m_action == nullptr) throw CUnsupportedException("no action is defined");
    const FWRuleAction_t code = m_action->getAction();
    if ((code == FW_RULE_ACTION_SNAT || code == FW_RULE_ACTION_DNAT || code == FW_RULE_ACTION_LB) &&
        !m_protocol->isIP())
        throw CUnsupportedException("cannot accept layer2 NAT rule!");
    if (code == FW_RULE_ACTION_SNAT && m_direction != FW_RULE_DIR_OUT)
        throw CUnsupportedException("SNAT rule direction is not out!");
    if (m_protocol->isIP()) {
        if (m_src && m_src->isMACAddress()) throw CUnsupportedException("layer3 rule src address is MAC");
        if (m_dst && m_dst->isMACAddress()) throw CUnsupportedException("layer3 rule dst address is MAC");
    } else {
        if (m_src && m_src->isIPAddress()) throw CUnsupportedException("layer2 rule src address is IP");
        if (m_dst && m_dst->isIPAddress()) throw CUnsupportedException("layer2 rule dst address is IP");
    }
    if (m_src && m_dst && m_src->isIPAddress() && m_dst->isIPAddress() &&
        m_src->isIPv4Address() != m_dst->isIPv4Address())
        throw CUnsupportedException("rule src and dst are different version of IP addresses");
    validateProtocolSpec();
}

CKestFWRule* CKestFWRuleBuilder::buildRule() {
    try {
        validateRule();
    } catch (const CKestFWException& e) {
        KFW_ERROR("buildRule error %u: %s\n", e.retcode(), e.what());
        return nullptr;
    }

    // From here every object belongs to the rule, which destroys them if it refuses them; the builder
    // lets go of them first.
    std::unique_ptr<CKestFWProtocolSpecList> srcPorts, dstPorts;
    if (m_srcPort) {
        srcPorts.reset(new CKestFWProtocolSpecList(FW_SPEC_DIR_SOURCE));
        srcPorts->addSpec(m_srcPort);
        m_srcPort = nullptr;
        srcPorts->setDir(FW_SPEC_DIR_SOURCE);
    }
    if (m_dstPort) {
        dstPorts.reset(new CKestFWProtocolSpecList(FW_SPEC_DIR_DEST));
        dstPorts->addSpec(m_dstPort);
        m_dstPort = nullptr;
        dstPorts->setDir(FW_SPEC_DIR_DEST);
    }
    CKestFWRule* built = nullptr;
    try {
        CKestFWProtocol* protocol = m_protocol;
        CKestFWProtocolSpecList* connSpec = m_connSpec;
        CKestFWAddress *src = m_src, *dst = m_dst, *extSrcIP = m_extSrcIP;
        CKestFWAddress *excludeSrc = m_excludeSrc, *excludeDst = m_excludeDst;
        CKestFWRuleAction* action = m_action;
        CKestFWContainerID *extendedSource = m_extendedSource, *attr = m_attrProfile, *time = m_timeAttrProfile;
        m_protocol = nullptr;
        m_connSpec = nullptr;
        m_src = m_dst = m_extSrcIP = m_excludeSrc = m_excludeDst = nullptr;
        m_action = nullptr;
        m_extendedSource = m_attrProfile = m_timeAttrProfile = nullptr;

        std::unique_ptr<CKestFWRule> rule(new CKestFWRule(
            m_id, m_position, m_direction, protocol, connSpec, src, srcPorts.release(), dst, dstPorts.release(), action,
            m_active, m_l7Copy, m_l7Sampleable, extendedSource, extSrcIP, attr, time, m_categoryId, m_bucketId,
            excludeSrc, excludeDst, m_srcMalicious, m_dstMalicious, m_oversubscription));
        rule->setAF(m_af);
        if (!m_tag.empty()) rule->setTag(m_tag.c_str());
        if (m_internal) rule->setInternal();
        if (m_hasIDS) rule->setIDSProfileID(m_ids);
        built = rule.release();
    } catch (const CKestFWException& e) {
        KFW_ERROR("buildRule error %u: %s\n", e.retcode(), e.what());
        init();
        return nullptr;
    }
    init();
    return built;
}

// ----- reading a record -----

void CKestFWRuleBuilder::init(const FWRule_* record) {
    init();
    m_tag.clear();
    if (record == nullptr) throw CInvalidInputDataException("no rule record");
    ByteReader r(record, sizeof(FWRule_));
    const uint8_t presence = r.getAt<uint8_t>(kOffPresence);
    const uint8_t proto = r.getAt<uint8_t>(kOffProtoFlags);
    const uint8_t flags = r.getAt<uint8_t>(kOffFlags);

    // 1. Bookkeeping and the protocol's kind.
    setDirection(static_cast<FWRuleDirection_t>((proto & FW_RULE_DIR_MASK) >> FW_RULE_DIR_SHIFT));
    setPosition(r.getAt<int32_t>(kOffPosition));
    setId(r.getAt<uint32_t>(kOffId));
    KFW_DEBUG(KFW_COMP_RULE, 2, "reading rule: %u\n", m_id);
    setBucketId(r.getAt<uint8_t>(kOffBucket));
    setCategoryId(r.getAt<uint8_t>(kOffCategory));
    setOversubscription(r.getAt<uint8_t>(kOffOversub));
    const bool ip = (proto & FW_RULE_PROTO_IP) != 0;
    setType(ip);

    // 2. The protocol value: IP protocol numbers in host order, Ethertypes in network order.
    if (presence & FW_RULE_HAS_PROTOCOL) {
        r.seek(kOffProtocol);
        const unsigned short value = ip ? r.u16() : r.be16();
        if (ip)
            KFW_DEBUG(KFW_COMP_RULE, 2, "reading rule protocol: %d\n", value);
        else
            KFW_DEBUG(KFW_COMP_RULE, 2, "reading rule ethertype: 0x%04x\n", value);
        setProtocol(value, (proto & FW_RULE_PROTO_NEGATE) != 0);
    }

    // 3. Source and destination.
    if (presence & FW_RULE_HAS_SRC) {
        setSource(readAddress(r, kOffSrc));
        KFW_DEBUG(KFW_COMP_RULE, 2, "reading src address: %d\n", static_cast<int>(m_src->getType()));
    }
    if (presence & FW_RULE_HAS_DST) {
        setDest(readAddress(r, kOffDst));
        KFW_DEBUG(KFW_COMP_RULE, 2, "reading dst address: %d\n", static_cast<int>(m_dst->getType()));
    }

    // 4. One port spec per side.
    setSourcePort(readSpec(r, kOffSrcPort, FW_RULE_PORT_BLOCK_SIZE));
    setDestPort(readSpec(r, kOffDstPort, FW_RULE_PORT_BLOCK_SIZE));
    KFW_DEBUG(KFW_COMP_RULE, 2, "reading rule ports\n");

    // 5. The connection block: modes, then its two protocol spec slots. The DSCP bits stay behind.
    const uint16_t mode = r.getAt<uint16_t>(kOffConnSpec);
    if (mode & kModeStateless) setStateless();
    if (mode & kModeSloppy) setSloppy();
    if (mode & kModeStrict) setStrict();
    addProtocolSpec(readSpec(r, kOffFlagsOrICMPSlot, kConnBlockEnd - kOffFlagsOrICMPSlot));
    addProtocolSpec(readSpec(r, kOffOptionsSlot, kConnBlockEnd - kOffOptionsSlot));
    KFW_DEBUG(KFW_COMP_RULE, 2, "reading rule protocol spec: mode 0x%04x\n", mode);

    // 6. Action and tag.
    r.seek(kOffAction);
    const uint8_t* action = r.view(FW_RULE_ACTION_RECORD_SIZE);
    if (action == nullptr) throw CInsufficientMsgBufException(FW_RULE_ACTION_RECORD_SIZE, 0);
    setAction(CKestFWRuleActionFactory::newFromMsgBuf(action, FW_RULE_ACTION_RECORD_SIZE));
    KFW_DEBUG(KFW_COMP_RULE, 2, "reading rule action: %d\n", static_cast<int>(m_action->getAction()));
    r.seek(kOffTag);
    const std::string tag = r.text(FW_RULE_TAG_SIZE);
    if (!tag.empty()) setTag(tag);

    // 7. Layer-7 profiles.
    const uint32_t profile = r.getAt<uint32_t>(kOffProfileFlags);
    if (profile & FW_RULE_PROFILE_NONE) KFW_DEBUG(KFW_COMP_RULE, 2, "rule has no layer 7 profiles\n");
    if (profile & FW_RULE_PROFILE_EXT_SRC) {
        setExtendedSource(readName(r, kOffExtSrcProfile));
        KFW_DEBUG(KFW_COMP_RULE, 2, "reading extended src %s\n", m_extendedSource->getName().c_str());
    }
    if (profile & FW_RULE_PROFILE_ATTR) {
        setAttributeProfile(readName(r, kOffAttrProfile));
        KFW_DEBUG(KFW_COMP_RULE, 2, "reading attribute profile %s\n", m_attrProfile->getName().c_str());
    }
    if (profile & FW_RULE_PROFILE_TIME_ATTR) {
        setTimeAttributeProfile(readName(r, kOffTimeAttrProfile));
        KFW_DEBUG(KFW_COMP_RULE, 2, "reading time attribute profile %s\n", m_timeAttrProfile->getName().c_str());
        if (!(flags & FW_RULE_ACTIVE)) setActive();
    }
    if (profile & FW_RULE_PROFILE_IDS) {
        FWuuid_ id;
        r.seek(kOffIdsProfile);
        r.bytes(id.bytes, sizeof id.bytes);
        setIDSProfile(id);
        KFW_DEBUG(KFW_COMP_RULE, 2, "reading ids profile\n");
    }
    if (profile & FW_RULE_PROFILE_L7_COPY) {
        KFW_DEBUG(KFW_COMP_RULE, 2, "setting l7 copy\n");
        m_l7Copy = true;
    }
    if (profile & FW_RULE_PROFILE_L7_SAMPLEABLE) {
        KFW_DEBUG(KFW_COMP_RULE, 2, "setting l7 sampleable\n");
        m_l7Sampleable = true;
    }

    // 8. Extended-source address, IP reputation, exclusions.
    if (presence & FW_RULE_HAS_EXT_SRC_IP) {
        setExtSrcIP(readAddress(r, kOffExtSrcIP));
        KFW_DEBUG(KFW_COMP_RULE, 2, "reading ext src address: %d\n", static_cast<int>(m_extSrcIP->getType()));
    }
    if (presence & FW_RULE_SRC_MALICIOUS) setIpReputationSrc(true);
    if (presence & FW_RULE_DST_MALICIOUS) setIpReputationDst(true);
    if (presence & FW_RULE_HAS_EXCLUDE_SRC) {
        setExcludeSrc(readAddress(r, kOffExcludeSrc));
        KFW_DEBUG(KFW_COMP_RULE, 2, "reading exclude src address: %d\n", static_cast<int>(m_excludeSrc->getType()));
    }
    if (presence & FW_RULE_HAS_EXCLUDE_DST) {
        setExcludeDest(readAddress(r, kOffExcludeDst));
        KFW_DEBUG(KFW_COMP_RULE, 2, "reading exclude dst address: %d\n", static_cast<int>(m_excludeDst->getType()));
    }
    // The record is a fixed 1420 bytes: every read above stays inside it.
    if (!r.ok()) throw CInsufficientMsgBufException(FW_RULE_RECORD_SIZE, static_cast<unsigned>(r.size()));
}

}  // namespace KestFirewall
