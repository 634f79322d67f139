#include "model/KestFWRule.h"

#include <cstddef>
#include <cstring>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "kestfw/kestfw_util.h"
#include "model/KestFWProtocolSpecStrict.h"
#include "model/KestFWRuleActionAccept.h"
#include "model/KestFWRuleLayout.h"
#include "util/ByteIO.h"

namespace KestFirewall {

namespace {
using namespace RuleLayout;

// The mode-word bit of the strict spec inside the protocol block.
constexpr uint16_t kStrictModeBit = CKestFWProtocolSpecStrict::kModeBit;

bool isNat(const CKestFWRuleAction* a) {
    if (a == nullptr) return false;
    const FWRuleAction_t code = a->getAction();
    return code == FW_RULE_ACTION_SNAT || code == FW_RULE_ACTION_DNAT || code == FW_RULE_ACTION_LB;
}

unsigned int portCount(const CKestFWProtocolSpecList* l) {
    if (l == nullptr) return 0;
    return l->getSpecCount(FW_PROTO_SPEC_L4PORT) + l->getSpecCount(FW_PROTO_SPEC_L4PORT_RANGE) +
           l->getSpecCount(FW_PROTO_SPEC_L4PORT_SET);
}

bool present(const CKestFWAddress* a) { return a != nullptr && a->getType() != FW_ADDRESS_ANY; }

const char* directionWord(FWRuleDirection_t d) {
    switch (d) {
        case FW_RULE_DIR_IN:
            return " in";
        case FW_RULE_DIR_OUT:
            return " out";
        default:
            return " inout";
    }
}

// A text cut to what its fixed field keeps.
std::string fieldText(const char* field, size_t width) { return std::string(field, strnlen(field, width)); }
}  // namespace

CKestFWRule::CKestFWRule(unsigned int id, int position, FWRuleDirection_t direction, CKestFWProtocol* protocol,
                         CKestFWProtocolSpecList* connSpec, CKestFWAddress* src, CKestFWProtocolSpecList* srcPorts,
                         CKestFWAddress* dst, CKestFWProtocolSpecList* dstPorts, CKestFWRuleAction* action, bool active,
                         bool l7Copy, bool l7Sampleable, CKestFWContainerID* extendedSource, CKestFWAddress* extSrcIP,
                         CKestFWContainerID* attributeProfile, CKestFWContainerID* timeAttributeProfile,
                         unsigned char categoryId, unsigned char bucketId, CKestFWAddress* excludeSrc,
                         CKestFWAddress* excludeDst, bool srcMalicious, bool dstMalicious,
                         unsigned char oversubscription)
    : m_id(id),
      m_position(position),
      m_protocol(protocol),
      m_connSpec(connSpec),
      m_src(src),
      m_srcPorts(srcPorts),
      m_dst(dst),
      m_dstPorts(dstPorts),
      m_action(action),
      m_extendedSource(extendedSource),
      m_extSrcIP(extSrcIP),
      m_attrProfile(attributeProfile),
      m_timeAttrProfile(timeAttributeProfile),
      m_excludeSrc(excludeSrc),
      m_excludeDst(excludeDst),
      m_active(active),
      m_srcMalicious(srcMalicious),
      m_dstMalicious(dstMalicious),
      m_categoryId(categoryId),
      m_bucketId(bucketId),
      m_oversubscription(oversubscription) {
    // Everything is owned from here on: whatever raises below destroys it with the members.
    setDirection(direction);
    if (m_attrProfile) m_profileFlags |= FW_RULE_PROFILE_ATTR;
    if (m_extendedSource) m_profileFlags |= FW_RULE_PROFILE_EXT_SRC;
    if (m_timeAttrProfile) m_profileFlags |= FW_RULE_PROFILE_TIME_ATTR;
    if (l7Copy) m_profileFlags |= FW_RULE_PROFILE_L7_COPY;
    if (l7Sampleable) m_profileFlags |= FW_RULE_PROFILE_L7_SAMPLEABLE;
    if ((m_profileFlags &
         (FW_RULE_PROFILE_ATTR | FW_RULE_PROFILE_EXT_SRC | FW_RULE_PROFILE_TIME_ATTR | FW_RULE_PROFILE_L7_COPY)) == 0)
        m_profileFlags |= FW_RULE_PROFILE_NONE;
    validate();
}

CKestFWRule::~CKestFWRule() = default;

void CKestFWRule::validate() const {
    if (!m_protocol) throw CUnsupportedException("no protocol is defined");
    if (isNat(m_action.get()) && !m_protocol->isIP()) throw CUnsupportedException("cannot accept layer2 NAT rule!");
    if (m_action && m_action->getAction() == FW_RULE_ACTION_SNAT && m_direction != FW_RULE_DIR_OUT)
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
    if (m_srcPorts) m_srcPorts->setPortForm(true);
    if (m_dstPorts) m_dstPorts->setPortForm(true);
    validateProtocolSpec();
    // The record has room for one address per slot: a list cannot travel in a rule.
    for (const CKestFWAddress* a : {m_src.get(), m_dst.get(), m_excludeSrc.get(), m_excludeDst.get(), m_extSrcIP.get()})
        if (a != nullptr && a->getType() > FW_ADDRESS_ATTR_SID)
            throw CUnsupportedException("rule address is not a single address: ", a->toString().c_str());
}

void CKestFWRule::validateProtocolSpec() const {
    const bool ip = m_protocol->isDefined() && m_protocol->isIP() && !m_protocol->isNegated();
    const unsigned short value = m_protocol->getValue();
    const bool tcp = ip && value == 6;
    const bool udp = ip && value == 17;
    const bool icmp = ip && (value == 1 || value == 58);

    const CKestFWProtocolSpecList* c = m_connSpec.get();
    const unsigned int connPorts = portCount(c);
    const unsigned int tcpSpecs = c ? c->getSpecCount(FW_PROTO_SPEC_TCP_FLAGS) +
                                          c->getSpecCount(FW_PROTO_SPEC_TCP_OPTIONS) +
                                          c->getSpecCount(FW_PROTO_SPEC_STRICT) + c->getSpecCount(FW_PROTO_SPEC_SLOPPY)
                                    : 0;
    const unsigned int icmpSpecs = c ? c->getSpecCount(FW_PROTO_SPEC_ICMP_TYPE) : 0;
    const unsigned int sidePorts = portCount(m_srcPorts.get()) + portCount(m_dstPorts.get());

    if (icmpSpecs != 0 && !icmp)
        throw CUnsupportedException("cannot accept icmp type while icmp protocol is not specified");
    if (connPorts + sidePorts != 0 && !tcp && !udp)
        throw CUnsupportedException("cannot accept tcp/udp port while tcp/udp protocol is not specified");
    if (tcpSpecs != 0 && !tcp)
        throw CUnsupportedException("cannot accept tcp flags/options while tcp protocol is not specified");
    if (connPorts != 0 && sidePorts != 0)
        throw CUnsupportedException("cannot accept both connection-level and direction-level specification for port");
}

void CKestFWRule::setInternal() {
    KFW_DEBUG(KFW_COMP_RULE, 1, "Setting rule %u as internal rule\n", m_id);
    m_internal = true;
}

void CKestFWRule::setTag(const char* tag) {
    m_tag = tag ? std::string(tag, strnlen(tag, kMaxTag)) : std::string();
    KFW_DEBUG(KFW_COMP_RULE, 1, "Setting rule %u tag '%s'\n", m_id, m_tag.c_str());
}

void CKestFWRule::setDirection(FWRuleDirection_t direction) {
    if (static_cast<unsigned int>(direction) >= FW_RULE_DIR_COUNT)
        throw CInvalidRuleDirectionException(static_cast<int>(direction));
    m_direction = direction;
}

void CKestFWRule::setAF(FWRuleAF_t af) {
    KFW_DEBUG(KFW_COMP_RULE, 1, "Setting rule %u address family to %d\n", m_id, static_cast<int>(af));
    if (static_cast<unsigned int>(af) >= FW_RULE_AF_COUNT)
        throw CUnsupportedException("unsupported address family ", static_cast<int>(af));
    const CKestFWAddress* ends[] = {m_src.get(), m_dst.get()};
    for (const CKestFWAddress* a : ends) {
        if (a == nullptr) continue;
        if ((af == FW_RULE_AF_INET6 && a->isIPv4Address()) || (af == FW_RULE_AF_INET && a->isIPv6Address()) ||
            (af != FW_RULE_AF_UNSPEC && a->isMACAddress()))
            throw CUnsupportedException("af conflicts with rule address");
    }
    m_af = af;
}

void CKestFWRule::setTCPStrict(bool on) {
    if (m_cache) {
        ByteReader r(m_cache->data(), m_cache->size());
        const uint8_t presence = r.getAt<uint8_t>(kOffPresence);
        const uint8_t proto = r.getAt<uint8_t>(kOffProtoFlags);
        const uint16_t value = r.getAt<uint16_t>(kOffProtocol);
        if ((presence & FW_RULE_HAS_PROTOCOL) && (proto & FW_RULE_PROTO_IP) && !(proto & FW_RULE_PROTO_NEGATE) &&
            value == 6) {
            uint16_t mode = r.getAt<uint16_t>(kOffConnSpec);
            mode = on ? static_cast<uint16_t>(mode | kStrictModeBit) : static_cast<uint16_t>(mode & ~kStrictModeBit);
            ByteWriter(m_cache->data(), m_cache->size()).putAt<uint16_t>(kOffConnSpec, mode);
            KFW_DEBUG(KFW_COMP_RULE, 1, "Setting rule %u tcp strict to '%d'\n", m_id, on ? 1 : 0);
        }
    }
    if (!(m_protocol->isDefined() && m_protocol->isIP() && !m_protocol->isNegated() && m_protocol->getValue() == 6))
        return;
    const bool has = m_connSpec && m_connSpec->getSpecCount(FW_PROTO_SPEC_STRICT) != 0;
    if (on && !has) {
        if (!m_connSpec) m_connSpec.reset(new CKestFWProtocolSpecList(FW_SPEC_DIR_PROTOCOL));
        m_connSpec->addSpec(new CKestFWProtocolSpecStrict());
        KFW_DEBUG(KFW_COMP_RULE, 1, "Setting rule %u to strict\n", m_id);
    } else if (!on && has) {
        m_connSpec->deleteSpec(FW_PROTO_SPEC_STRICT);
        KFW_DEBUG(KFW_COMP_RULE, 1, "Unsetting rule %u to strict\n", m_id);
    }
}

void CKestFWRule::setTenantCtx(const FWRuleTenancyInfo_& tenancy) {
    for (int i = 0; i < 3; ++i) {
        memset(m_tenancy.field[i], 0, sizeof m_tenancy.field[i]);
        memcpy(m_tenancy.field[i], tenancy.field[i], strnlen(tenancy.field[i], FW_RULE_TENANCY_FIELD_SIZE - 1));
    }
    if (m_cache) {
        ByteWriter w(m_cache->data(), m_cache->size());
        w.seek(kOffTenancy);
        for (int i = 0; i < 3; ++i) w.bytes(m_tenancy.field[i], FW_RULE_TENANCY_FIELD_SIZE);
    }
}

void CKestFWRule::setIDSProfileID(const FWuuid_& id) {
    m_idsProfile = id;
    m_profileFlags |= FW_RULE_PROFILE_IDS;
}

bool CKestFWRule::combineRule(CKestFWRule* other) {
    if (other == nullptr || other == this) return false;
    if (m_id != other->m_id || m_af != other->m_af || m_direction != other->m_direction ||
        m_protocol->getValue() != other->m_protocol->getValue())
        return false;
    if ((m_action && m_action->isDynamic()) || (other->m_action && other->m_action->isDynamic())) return false;
    if (m_action && other->m_action && m_action->getAction() != other->m_action->getAction()) return false;
    if (m_attrProfile && other->m_attrProfile && !(*m_attrProfile == *other->m_attrProfile)) return false;
    if (m_srcPorts != other->m_srcPorts) return false;
    if (!m_dstPorts || !other->m_dstPorts) return false;
    if (!m_dstPorts->mergeSpecList(*other->m_dstPorts)) return false;
    // The kept record no longer describes the merged ports.
    m_cache.reset();
    return true;
}

void CKestFWRule::writeRecord(uint8_t* rec) const {
    ByteWriter w(rec, kRecordSize);
    w.zeros(kRecordSize);
    unsigned int used = 0;

    // Bookkeeping, direction and the family as set.
    w.putAt<uint32_t>(kOffId, m_id);
    w.putAt<int32_t>(kOffPosition, m_position);
    uint8_t presence = 0;
    uint8_t proto = static_cast<uint8_t>((m_direction << FW_RULE_DIR_SHIFT) | (m_af << FW_RULE_AF_SHIFT));
    uint8_t flags = 0;
    w.seek(kOffTag);
    w.text(m_tag, FW_RULE_TAG_SIZE);
    w.putAt<uint8_t>(kOffCategory, m_categoryId);
    w.putAt<uint8_t>(kOffBucket, m_bucketId);
    w.putAt<uint8_t>(kOffOversub, m_oversubscription);
    KFW_DEBUG(KFW_COMP_RULE, 2, "    wrote rule: %u.\n", m_id);

    // Protocol: Ethertypes travel in network order, IP protocol numbers in host order.
    if (m_protocol->isIP()) proto |= FW_RULE_PROTO_IP;
    if (m_protocol->isDefined()) {
        presence |= FW_RULE_HAS_PROTOCOL;
        w.seek(kOffProtocol);
        if (m_protocol->isIP())
            w.u16(m_protocol->getValue());
        else
            w.be16(m_protocol->getValue());
        if (m_protocol->isNegated()) proto |= FW_RULE_PROTO_NEGATE;
    }

    if (m_connSpec) {
        m_connSpec->toMessage(rec + kOffConnSpec, FW_RULE_CONN_BLOCK_SIZE, &used);
        KFW_DEBUG(KFW_COMP_RULE, 2, "    wrote rule protocol spec.\n");
    }

    if (m_action) {
        m_action->toMessage(rec + kOffAction, FW_RULE_ACTION_RECORD_SIZE, &used);
    } else {
        CKestFWRuleActionAccept accept;
        accept.toMessage(rec + kOffAction, FW_RULE_ACTION_RECORD_SIZE, &used);
    }
    KFW_DEBUG(KFW_COMP_RULE, 2, "    wrote rule action: %d.\n",
              m_action ? static_cast<int>(m_action->getAction()) : static_cast<int>(FW_RULE_ACTION_ACCEPT));

    struct Slot {
        const CKestFWAddress* address;
        size_t offset;
        uint8_t bit;
        const char* name;
    };
    const Slot slots[] = {
        {m_src.get(), kOffSrc, FW_RULE_HAS_SRC, "source"},
        {m_dst.get(), kOffDst, FW_RULE_HAS_DST, "dest"},
        {m_excludeSrc.get(), kOffExcludeSrc, FW_RULE_HAS_EXCLUDE_SRC, "exclude source"},
        {m_excludeDst.get(), kOffExcludeDst, FW_RULE_HAS_EXCLUDE_DST, "exclude dest"},
    };
    for (const Slot& s : slots) {
        if (!present(s.address)) continue;
        const_cast<CKestFWAddress*>(s.address)->toMessage(rec + s.offset, FW_ADDRESS_RECORD_SIZE, &used);
        presence |= s.bit;
        KFW_DEBUG(KFW_COMP_RULE, 2, "    wrote rule %s: %d.\n", s.name, static_cast<int>(s.address->getType()));
    }
    if (m_srcMalicious) presence |= FW_RULE_SRC_MALICIOUS;
    if (m_dstMalicious) presence |= FW_RULE_DST_MALICIOUS;

    // A rule without a family takes the one its addresses imply, and says so.
    if (m_af == FW_RULE_AF_UNSPEC) {
        KFW_DEBUG(KFW_COMP_RULE, 2, "    fixing af\n");
        if ((m_src && m_src->isIPv4Address()) || (m_dst && m_dst->isIPv4Address())) {
            KFW_DEBUG(KFW_COMP_RULE, 2, "      af = inet\n");
            proto = static_cast<uint8_t>((proto & ~FW_RULE_AF_MASK) | (FW_RULE_AF_INET << FW_RULE_AF_SHIFT));
            flags |= FW_RULE_AF_DERIVED;
        }
        if ((m_src && m_src->isIPv6Address()) || (m_dst && m_dst->isIPv6Address())) {
            KFW_DEBUG(KFW_COMP_RULE, 2, "      af = inet6\n");
            proto = static_cast<uint8_t>((proto & ~FW_RULE_AF_MASK) | (FW_RULE_AF_INET6 << FW_RULE_AF_SHIFT));
            flags |= FW_RULE_AF_DERIVED;
        }
    }

    if (m_srcPorts) {
        m_srcPorts->toMessage2(rec + kOffSrcPort, FW_RULE_PORT_BLOCK_SIZE, &used);
        KFW_DEBUG(KFW_COMP_RULE, 2, "    wrote rule source port: %d.\n", static_cast<int>(used));
    }
    if (m_dstPorts) {
        m_dstPorts->toMessage2(rec + kOffDstPort, FW_RULE_PORT_BLOCK_SIZE, &used);
        KFW_DEBUG(KFW_COMP_RULE, 2, "    wrote rule dest port: %d.\n", static_cast<int>(used));
    }

    if (present(m_extSrcIP.get())) {
        m_extSrcIP->toMessage(rec + kOffExtSrcIP, FW_ADDRESS_RECORD_SIZE, &used);
        presence |= FW_RULE_HAS_EXT_SRC_IP;
        KFW_DEBUG(KFW_COMP_RULE, 2, "    wrote ext src ipset: %d.\n", static_cast<int>(m_extSrcIP->getType()));
    }

    // Layer-7 profiles by container name; "no profile" when the rule names none.
    uint32_t profile = 0;
    if (m_extendedSource) {
        KFW_DEBUG(KFW_COMP_RULE, 2, "    programming extended src %s\n", m_extendedSource->getName().c_str());
        w.seek(kOffExtSrcProfile);
        w.text(m_extendedSource->getName(), FW_RULE_NAME_SIZE);
        profile |= FW_RULE_PROFILE_EXT_SRC;
    }
    if (m_attrProfile) {
        KFW_DEBUG(KFW_COMP_RULE, 2, "    programming attribute profile %s\n", m_attrProfile->getName().c_str());
        w.seek(kOffAttrProfile);
        w.text(m_attrProfile->getName(), FW_RULE_NAME_SIZE);
        profile |= FW_RULE_PROFILE_ATTR;
    }
    if (m_timeAttrProfile) {
        KFW_DEBUG(KFW_COMP_RULE, 2, "    programming timer attribute profile %s\n",
                  m_timeAttrProfile->getName().c_str());
        w.seek(kOffTimeAttrProfile);
        w.text(m_timeAttrProfile->getName(), FW_RULE_NAME_SIZE);
        profile |= FW_RULE_PROFILE_TIME_ATTR;
    }
    if (hasIDSProfile()) {
        w.seek(kOffIdsProfile);
        w.bytes(m_idsProfile.bytes, sizeof m_idsProfile.bytes);
        profile |= FW_RULE_PROFILE_IDS;
    }
    if (profile == 0) profile = FW_RULE_PROFILE_NONE;
    w.putAt<uint32_t>(kOffProfileFlags, profile);

    w.seek(kOffTenancy);
    for (int i = 0; i < 3; ++i)
        w.text(fieldText(m_tenancy.field[i], FW_RULE_TENANCY_FIELD_SIZE - 1), FW_RULE_TENANCY_FIELD_SIZE);

    w.putAt<uint8_t>(kOffPresence, presence);
    w.putAt<uint8_t>(kOffProtoFlags, proto);
    w.putAt<uint8_t>(kOffFlags, flags);
}

bool CKestFWRule::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    if (size < kRecordSize) return false;
    if (!m_cache) {
        // Built aside so a spec that refuses to serialise leaves the caller's buffer alone; the
        // record writer zeroes the block itself, so it is not value-initialised here.
        std::unique_ptr<Record> rec(new Record);
        writeRecord(rec->data());
        m_cache = std::move(rec);
    } else {
        KFW_DEBUG(KFW_COMP_RULE, 2, "    copy cached rule: %u.\n", m_id);
    }
    memcpy(const_cast<void*>(buf), m_cache->data(), kRecordSize);
    if (used) *used = kRecordSize;
    return true;
}

std::string CKestFWRule::addressText(const CKestFWAddress* address, bool malicious) const {
    if (address == nullptr) return malicious ? "malicious" : "any";
    return malicious ? address->toString() + " with malicious" : address->toString();
}

std::string CKestFWRule::toString() const {
    std::string s = m_internal ? "# internal # " : "";
    s += kestfwFormat("rule %u", m_id);
    if (m_position != -1) s += kestfwFormat(" at %d", m_position);
    if (m_profileFlags & FW_RULE_PROFILE_L7_SAMPLEABLE) s += " (s)";
    s += directionWord(m_direction);
    if (m_af == FW_RULE_AF_INET)
        s += " inet";
    else if (m_af == FW_RULE_AF_INET6)
        s += " inet6";

    const std::string protocol = m_protocol->toString();
    if (!protocol.empty()) s += " " + protocol;
    const std::string conn = m_connSpec ? m_connSpec->toString() : std::string();
    if (!conn.empty()) s += " " + conn;

    s += " from " + addressText(m_src.get(), m_srcMalicious);
    const std::string srcPorts = m_srcPorts ? m_srcPorts->toString() : std::string();
    if (!srcPorts.empty()) s += " " + srcPorts;
    if (m_excludeSrc) s += " excluding " + m_excludeSrc->toString();

    s += " to " + addressText(m_dst.get(), m_dstMalicious);
    if (m_excludeDst) s += " excluding " + m_excludeDst->toString();
    const std::string dstPorts = m_dstPorts ? m_dstPorts->toString() : std::string();
    if (!dstPorts.empty()) s += " " + dstPorts;

    if (m_extendedSource) s += " with extended src " + m_extendedSource->getName();
    if (m_extSrcIP) s += " with ext_src_ip " + m_extSrcIP->toString();
    if (m_attrProfile) s += " with attribute profile " + m_attrProfile->getName();
    if (m_timeAttrProfile) s += " with time attribute profile " + m_timeAttrProfile->getName();
    if (m_profileFlags & FW_RULE_PROFILE_L7_COPY) s += " with L7 copy";
    if (hasIDSProfile()) {
        char uuid[KESTFW_UUID_NORMAL_LEN];
        s += " with ids profile ";
        s += uuid2normalstr(m_idsProfile.bytes, uuid, sizeof uuid) ? uuid : "INVALID";
    }
    if (m_bucketId != 0) s += " in pre_filter";

    if (m_action) {
        s += " " + m_action->toString();
    } else {
        CKestFWRuleActionAccept accept;
        s += " " + accept.toString();
    }
    if (!m_tag.empty()) s += " tag '" + m_tag + "'";
    if (m_timeAttrProfile) s += m_active ? " active" : " inactive";
    switch (m_oversubscription) {
        case FW_RULE_OVERSUB_BYPASS:
            s += " oversubscription bypass";
            break;
        case FW_RULE_OVERSUB_DROP:
            s += " oversubscription drop";
            break;
        case FW_RULE_OVERSUB_INHERIT:
            s += " oversubscription inherit";
            break;
        default:
            break;
    }
    return s + ";";
}

std::string CKestFWRule::toString2() const {
    std::string s = m_internal ? "# internal # " : "";
    s += kestfwFormat("Rule : %u\n", m_id);
    s += kestfwFormat("Position : %d\n", m_position);
    s += std::string("Direction :") + directionWord(m_direction) + "\n";
    if (m_af == FW_RULE_AF_INET)
        s += "Af : inet\n";
    else if (m_af == FW_RULE_AF_INET6)
        s += "Af : inet6\n";
    s += m_protocol->toString2() + "\n";
    s += "Conn_Spec :";
    if (m_connSpec) s += " " + m_connSpec->toString();
    s += "\n";

    // A negated end is shown plain, with the exclusion on a line of its own.
    auto end = [&s](const char* name, const CKestFWAddress* a) {
        std::string text = a ? a->toString() : "any";
        const bool negated = a && a->isNegated();
        if (negated) {
            const size_t at = text.rfind("not ");
            if (at != std::string::npos) text.erase(at, 4);
        }
        s += std::string(name) + " : " + text + "\n";
        if (negated) s += std::string(name) + "_Excluded : Yes\n";
    };
    end("Source", m_src.get());
    if (m_srcPorts) s += "Source_Port : " + m_srcPorts->toString() + "\n";
    end("Destination", m_dst.get());
    if (m_dstPorts) s += "Destination_Port : " + m_dstPorts->toString() + "\n";
    if (m_action) {
        s += "Action : " + m_action->toString(0) + "\n";
    } else {
        CKestFWRuleActionAccept accept;
        s += "Action : " + accept.toString(0) + "\n";
    }
    return s;
}

}  // namespace KestFirewall
