// One firewall rule: what it matches (protocol, addresses with their exclusions, ports, connection
// protocol specs, layer-7 profiles), what it does (the action) and its bookkeeping (id, position,
// tag, category, bucket, over-subscription, tenant context). It serialises into the 1420-byte
// FWRule_ record; the first record written is kept and handed out again.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "kestfw/kestfw_rule.h"
#include "model/KestFWAddress.h"
#include "model/KestFWContainerID.h"
#include "model/KestFWObject.h"
#include "model/KestFWProtocol.h"
#include "model/KestFWProtocolSpecList.h"
#include "model/KestFWRuleAction.h"

namespace KestFirewall {

class KESTFW_API CKestFWRule : public IKestFWObject {
public:
    enum : unsigned int { kObjType = 21, kRecordSize = FW_RULE_RECORD_SIZE, kMaxTag = FW_RULE_TAG_SIZE - 1 };

    // Takes every object at once, also when it raises: the checks of a rule (layer-2 NAT, SNAT
    // direction, address kinds and IP versions, protocol specs that need TCP, UDP or ICMP) raise
    // CUnsupportedException and destroy what was handed over. A null protocol is refused the same way.
    // The source-port and destination-port lists are switched to the port form.
    CKestFWRule(unsigned int id, int position, FWRuleDirection_t direction, CKestFWProtocol* protocol,
                CKestFWProtocolSpecList* connSpec, CKestFWAddress* src, CKestFWProtocolSpecList* srcPorts,
                CKestFWAddress* dst, CKestFWProtocolSpecList* dstPorts, CKestFWRuleAction* action, bool active,
                bool l7Copy, bool l7Sampleable, CKestFWContainerID* extendedSource, CKestFWAddress* extSrcIP,
                CKestFWContainerID* attributeProfile, CKestFWContainerID* timeAttributeProfile,
                unsigned char categoryId, unsigned char bucketId, CKestFWAddress* excludeSrc,
                CKestFWAddress* excludeDst, bool srcMalicious, bool dstMalicious, unsigned char oversubscription);
    ~CKestFWRule() override;
    CKestFWRule(const CKestFWRule&) = delete;
    CKestFWRule& operator=(const CKestFWRule&) = delete;

    unsigned int getMsgSize() const override { return kRecordSize; }
    unsigned int getType() const override { return kObjType; }
    // The rule in the configuration language, ending in ";".
    std::string toString() const override;
    // The 1420-byte record; once written, later calls hand out the same bytes.
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    // The report form: one "Name : value" line per item.
    std::string toString2() const;

    void setInternal();
    // Keeps at most 39 characters; null clears the tag.
    void setTag(const char* tag);
    // 3 or more raises CInvalidRuleDirectionException.
    void setDirection(FWRuleDirection_t direction);
    // 3 or more, or a family that contradicts an IP or MAC source or destination, raises
    // CUnsupportedException.
    void setAF(FWRuleAF_t af);
    // Adds or removes the strict mode of a TCP rule; also patches the kept record.
    void setTCPStrict(bool on);
    // Copies the three 8-character fields; also patches the kept record.
    void setTenantCtx(const FWRuleTenancyInfo_& tenancy);
    void setIDSProfileID(const FWuuid_& id);

    // Raises CUnsupportedException when the specs need a protocol the rule does not match.
    void validateProtocolSpec() const;
    // Folds the other rule's destination ports into this rule's when the two differ in nothing else
    // that matters to the kernel; true when merged (the other rule's ports are then gone).
    bool combineRule(CKestFWRule* other);

    unsigned int getId() const { return m_id; }
    int getPosition() const { return m_position; }
    FWRuleDirection_t getDirection() const { return m_direction; }
    FWRuleAF_t getAF() const { return m_af; }
    bool isInternal() const { return m_internal; }
    bool isActive() const { return m_active; }
    bool isLayer3() const { return m_protocol->isIP(); }
    const std::string& getTag() const { return m_tag; }
    unsigned char getCategoryId() const { return m_categoryId; }
    unsigned char getBucketId() const { return m_bucketId; }
    unsigned char getOversubscription() const { return m_oversubscription; }
    bool isSrcMalicious() const { return m_srcMalicious; }
    bool isDstMalicious() const { return m_dstMalicious; }
    unsigned int getProfileFlags() const { return m_profileFlags; }
    const FWRuleTenancyInfo_& getTenantCtx() const { return m_tenancy; }

    const CKestFWProtocol* getProtocol() const { return m_protocol.get(); }
    const CKestFWRuleAction* getAction() const { return m_action.get(); }
    const CKestFWAddress* getSource() const { return m_src.get(); }
    const CKestFWAddress* getDest() const { return m_dst.get(); }
    const CKestFWAddress* getExcludeSrc() const { return m_excludeSrc.get(); }
    const CKestFWAddress* getExcludeDest() const { return m_excludeDst.get(); }
    const CKestFWAddress* getExtSrcIP() const { return m_extSrcIP.get(); }
    const CKestFWProtocolSpecList* getProtocolSpec() const { return m_connSpec.get(); }
    const CKestFWProtocolSpecList* getSourcePorts() const { return m_srcPorts.get(); }
    const CKestFWProtocolSpecList* getDestPorts() const { return m_dstPorts.get(); }

    bool hasAttributeProfile() const { return (m_profileFlags & FW_RULE_PROFILE_ATTR) != 0; }
    bool hasTimeAttributeProfile() const { return (m_profileFlags & FW_RULE_PROFILE_TIME_ATTR) != 0; }
    bool hasExtSrcProfile() const { return (m_profileFlags & FW_RULE_PROFILE_EXT_SRC) != 0; }
    bool hasIDSProfile() const { return (m_profileFlags & FW_RULE_PROFILE_IDS) != 0; }
    const CKestFWContainerID* getAttributeProfile() const { return m_attrProfile.get(); }
    const CKestFWContainerID* getTimeAttributeProfile() const { return m_timeAttrProfile.get(); }
    const CKestFWContainerID* getExtSrcProfile() const { return m_extendedSource.get(); }
    const FWuuid_& getIDSProfileID() const { return m_idsProfile; }

private:
    void validate() const;
    void writeRecord(uint8_t* rec) const;
    std::string addressText(const CKestFWAddress* address, bool malicious) const;

    unsigned int m_id;
    int m_position;
    FWRuleDirection_t m_direction = FW_RULE_DIR_INOUT;
    FWRuleAF_t m_af = FW_RULE_AF_UNSPEC;
    bool m_internal = false;
    std::unique_ptr<CKestFWProtocol> m_protocol;
    std::unique_ptr<CKestFWProtocolSpecList> m_connSpec;
    std::unique_ptr<CKestFWAddress> m_src;
    std::unique_ptr<CKestFWProtocolSpecList> m_srcPorts;
    std::unique_ptr<CKestFWAddress> m_dst;
    std::unique_ptr<CKestFWProtocolSpecList> m_dstPorts;
    std::unique_ptr<CKestFWRuleAction> m_action;
    std::unique_ptr<CKestFWContainerID> m_extendedSource;
    std::unique_ptr<CKestFWAddress> m_extSrcIP;
    std::unique_ptr<CKestFWContainerID> m_attrProfile;
    std::unique_ptr<CKestFWContainerID> m_timeAttrProfile;
    std::unique_ptr<CKestFWAddress> m_excludeSrc;
    std::unique_ptr<CKestFWAddress> m_excludeDst;
    bool m_active;
    bool m_srcMalicious;
    bool m_dstMalicious;
    unsigned char m_categoryId;
    unsigned char m_bucketId;
    unsigned char m_oversubscription;
    unsigned int m_profileFlags = 0;
    FWuuid_ m_idsProfile{};
    std::string m_tag;
    FWRuleTenancyInfo_ m_tenancy{};

    // The record written by the first toMessage; allocated then, so that a rule which is never sent,
    // or is rendered from a record it was read from, costs no record-sized block.
    using Record = std::array<uint8_t, kRecordSize>;
    std::unique_ptr<Record> m_cache;
};

}  // namespace KestFirewall
