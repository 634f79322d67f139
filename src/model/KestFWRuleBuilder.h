// Assembles a rule piece by piece (id, position, protocol, addresses, ports, protocol specs, action,
// profiles) and hands out a finished CKestFWRule; also reads a 1420-byte rule record back field by
// field. Every object given to a setter belongs to the builder at once and then to the rule it builds.
#pragma once

#include <string>

#include "kestfw/kestfw_rule.h"
#include "model/KestFWAddress.h"
#include "model/KestFWContainerID.h"
#include "model/KestFWProtocol.h"
#include "model/KestFWProtocolSpec.h"
#include "model/KestFWProtocolSpecL4PortSet.h"
#include "model/KestFWProtocolSpecList.h"
#include "model/KestFWRule.h"
#include "model/KestFWRuleAction.h"

namespace KestFirewall {

// The address slot a setRuleAddress call fills.
enum CKestFWRuleField : unsigned int {
    KFW_RULE_FIELD_SOURCE = 0,
    KFW_RULE_FIELD_DEST = 1,
    KFW_RULE_FIELD_EXT_SRC_IP = 2,
};

class KESTFW_API CKestFWRuleBuilder {
public:
    CKestFWRuleBuilder();
    // Starts empty, then reads the record (raising what reading raises).
    explicit CKestFWRuleBuilder(const FWRule_* record);
    ~CKestFWRuleBuilder();
    CKestFWRuleBuilder(const CKestFWRuleBuilder&) = delete;
    CKestFWRuleBuilder& operator=(const CKestFWRuleBuilder&) = delete;

    // Back to the defaults: no objects (destroying any still held), an empty connection list, active.
    // The tag is kept.
    void init();
    // Back to the defaults with an empty tag, then the record's fields one by one. Raises the
    // exceptions of the fields' own checks and factories; a slot holding a spec kind that
    // does not belong there raises CUnknownProtocolSpecTypeException.
    void init(const FWRule_* record);

    // Scalars.
    void setId(unsigned int id) { m_id = id; }
    void setPosition(int position) { m_position = position; }
    // 3 or more raises CInvalidRuleDirectionException.
    void setDirection(FWRuleDirection_t direction);
    void setInetAF(bool ipv6) { m_af = ipv6 ? FW_RULE_AF_INET6 : FW_RULE_AF_INET; }
    void setBucketId(unsigned char id);
    void setCategoryId(unsigned char id);
    void setOversubscription(unsigned char value);
    void setInternal();
    // Clears the active flag: a rule with a time attribute profile then prints " inactive".
    void setActive() { m_active = false; }
    void setIDSProfile(FWuuid_ id);

    // Protocol: setType makes a new undefined protocol of that kind; setProtocol(value, negate)
    // defines it and raises CUnsupportedException when no setType came first.
    void setType(bool isIP);
    void setProtocol(unsigned short value, bool negate);
    void setProtocol(CKestFWProtocol* protocol);
    bool isLayer3() const { return m_protocol != nullptr && m_protocol->isIP(); }

    // Action: each replaces the current one.
    void setAction(CKestFWRuleAction* action);
    // The plain actions by code, encrypt and pbr with the key policy; another code leaves none.
    void setAction(FWRuleAction_t code, std::string keyPolicy);
    void setAction(unsigned short lbType, unsigned short idle, unsigned short close, const char* options);
    // These need an action (else CUnsupportedException "no action is defined").
    void setALG(FWDynamicApp_t app, bool flag);
    void setEnableLog();
    void setEnableLBRule();
    void setDisableFlowRecord();

    // Longer than 39 characters: a warning and the first 39.
    void setTag(const std::string& tag);
    void setTag(const char* tag);

    // Addresses. A null pointer or name is ignored. IPv4 values are in network order (as in_addr);
    // a prefix of 32 (128 for IPv6) gives a host, anything else a network. A 48-bit MAC value gives
    // its six low-order bytes least significant first; a byte pointer six bytes in order.
    void setSource(CKestFWAddress* address);
    void setSource(const char* setName);
    void setSource(unsigned int ipv4, unsigned char prefix);
    void setSource(const unsigned int* ipv6, unsigned char prefix);
    void setSource(unsigned long mac);
    void setSource(const unsigned char* mac);
    void setDest(CKestFWAddress* address);
    void setDest(const char* setName);
    void setDest(unsigned int ipv4, unsigned char prefix);
    void setDest(const unsigned int* ipv6, unsigned char prefix);
    void setDest(unsigned long mac);
    void setDest(const unsigned char* mac);
    void setExcludeSrc(CKestFWAddress* address);
    void setExcludeSrc(const char* setName);
    void setExcludeDest(CKestFWAddress* address);
    void setExcludeDest(const char* setName);
    void setExtSrcIP(CKestFWAddress* address);
    void setExtSrcIP(const char* setName);
    void setExtSrcIP(unsigned int ipv4, unsigned char prefix);
    void setExtSrcIP(const unsigned int* ipv6, unsigned char prefix);
    void setIpReputationSrc(bool on) { m_srcMalicious = on; }
    void setIpReputationDst(bool on) { m_dstMalicious = on; }

    // Dispatch to the source, destination or extended-source setter. With an exclusion and a flag they
    // also set the matching exclusion and IP-reputation flag (the extended source takes the address
    // only); with a flag, the IP-reputation flag. A field outside 0..2, or a MAC value for the extended
    // source, raises CUnsupportedException.
    void setRuleAddress(CKestFWRuleField field, CKestFWAddress* address, CKestFWAddress* exclusion, bool malicious);
    void setRuleAddress(CKestFWRuleField field, const char* setName, const char* exclusion, bool malicious);
    void setRuleAddress(CKestFWRuleField field, CKestFWAddress* address, bool malicious);
    void setRuleAddress(CKestFWRuleField field, const char* setName, bool malicious);
    void setRuleAddress(CKestFWRuleField field, CKestFWAddress* address);
    void setRuleAddress(CKestFWRuleField field, const char* setName);
    void setRuleAddress(CKestFWRuleField field, unsigned int ipv4, unsigned char prefix);
    void setRuleAddress(CKestFWRuleField field, const unsigned int* ipv6, unsigned char prefix);
    void setRuleAddress(CKestFWRuleField field, unsigned long mac);
    void setRuleAddress(CKestFWRuleField field, const unsigned char* mac);
    // Marks the address "not" when there is one.
    void negateSource();
    void negateDest();
    void negateExtSrcIP();
    void negateRuleAddress(CKestFWRuleField field);

    // Ports: one spec per side (direction 1 source, 2 destination). add*Port grows a port
    // set (made when there is no port yet; an existing single port or range raises
    // CUnsupportedException). negate*Port needs a port (else CUnsupportedException).
    void setSourcePort(CKestFWProtocolSpec* spec);
    void setSourcePort(unsigned short start, unsigned short end, bool negate);
    void setSourcePort(unsigned short port, bool negate);
    void addSourcePort(unsigned short start, unsigned short end);
    void addSourcePort(unsigned short port);
    void negateSourcePort();
    void setDestPort(CKestFWProtocolSpec* spec);
    void setDestPort(unsigned short start, unsigned short end, bool negate);
    void setDestPort(unsigned short port, bool negate);
    void addDestPort(unsigned short start, unsigned short end);
    void addDestPort(unsigned short port);
    void negateDestPort();

    // Connection specs (direction 0); a kind already held raises
    // CDuplicateProtocolSpecException.
    void addProtocolSpec(CKestFWProtocolSpec* spec);
    void setStateless();
    void setSloppy();
    void setStrict();
    void addICMPType(unsigned char type, bool negate);
    void addICMPTypeCode(unsigned char type, unsigned char code, bool negate);
    void addTCPFlags(unsigned char flags, bool negate);

    // Layer-7 profiles by container name.
    void setAttributeProfile(CKestFWContainerID* profile);
    void setTimeAttributeProfile(CKestFWContainerID* profile);
    void setExtendedSource(CKestFWContainerID* profile);

    // Raise CUnsupportedException on the first fault.
    void validateProtocolSpec() const;
    void validateRule() const;
    // The finished rule (the caller owns it) and an empty builder; null, with the error logged, when
    // the pieces do not make a rule (the builder then keeps what was set, unless the rule itself
    // refused them).
    CKestFWRule* buildRule();

    const std::string& getTag() const { return m_tag; }

private:
    void clearObjects();
    void replace(CKestFWAddress*& slot, CKestFWAddress* address);
    void replaceSpec(CKestFWProtocolSpec*& slot, CKestFWProtocolSpec* spec);
    // The side's port set, made when the side has no port yet.
    static CKestFWProtocolSpecL4PortSet* portSet(CKestFWProtocolSpec*& slot, unsigned char dir);
    static void negatePort(CKestFWProtocolSpec*& slot);
    static void negateAddress(CKestFWAddress*& slot);
    CKestFWRuleAction* requireAction() const;

    unsigned int m_id = 0;
    bool m_internal = false;
    int m_position = 0;
    FWRuleDirection_t m_direction = FW_RULE_DIR_INOUT;
    CKestFWProtocol* m_protocol = nullptr;
    CKestFWRuleAction* m_action = nullptr;
    CKestFWAddress* m_src = nullptr;
    CKestFWAddress* m_dst = nullptr;
    FWRuleAF_t m_af = FW_RULE_AF_UNSPEC;
    CKestFWProtocolSpec* m_srcPort = nullptr;
    CKestFWProtocolSpec* m_dstPort = nullptr;
    CKestFWProtocolSpecList* m_connSpec = nullptr;
    CKestFWContainerID* m_extendedSource = nullptr;
    CKestFWContainerID* m_attrProfile = nullptr;
    CKestFWContainerID* m_timeAttrProfile = nullptr;
    CKestFWAddress* m_extSrcIP = nullptr;
    bool m_l7Copy = false;
    bool m_l7Sampleable = false;
    std::string m_tag;
    bool m_hasIDS = false;
    FWuuid_ m_ids{};
    unsigned char m_categoryId = 0;
    unsigned char m_bucketId = 0;
    bool m_active = true;
    bool m_srcMalicious = false;
    bool m_dstMalicious = false;
    CKestFWAddress* m_excludeSrc = nullptr;
    CKestFWAddress* m_excludeDst = nullptr;
    unsigned char m_oversubscription = 0;
};

}  // namespace KestFirewall
