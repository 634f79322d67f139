#include "lang/KestFWParseSupport.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "cmd/KestFWCmdCreateAddrSet.h"
#include "cmd/KestFWCmdList.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv4CIDR.h"
#include "model/KestFWAddressIPv4Range.h"
#include "model/KestFWAddressIPv6.h"
#include "model/KestFWAddressIPv6CIDR.h"
#include "model/KestFWAddressIPv6Range.h"
#include "model/KestFWAddressList.h"
#include "model/KestFWAttr.h"
#include "model/KestFWAttributeUtils.h"
#include "model/KestFWContainerID.h"
#include "model/KestFWProtocol.h"
#include "model/KestFWProtocolSpecList.h"
#include "model/KestFWRule.h"
#include "model/KestFWRuleAction.h"
#include "util/KestFWUtil.h"

extern "C" {
dvs_port_ g_kestfw_default_dvsport = {
    {0}, {'o', 'r', 'b', 'a', 'n', 'e', '-', 'w', 'y', 'b', '-', 'k', 'e', 's', 't'}, {0, 0, 0}, 0};
}

namespace KestFirewall {

namespace {

const char* const kDefaultAgent = "orbane-wyb-kest";
FWAttrIDType s_attributeType = CKestFWParseState::kNoAttributeType;

struct LastError {
    bool set = false;
    FWParseError_ error{};
};
thread_local LastError t_lastError;
thread_local std::exception_ptr t_pending;

void setIndex(dvs_port_& port, uint32_t index) {
    port.index[0] = uint8_t(index);
    port.index[1] = uint8_t(index >> 8);
    port.index[2] = uint8_t(index >> 16);
}

void setType(dvs_port_& port, unsigned type) { port.type = uint8_t((port.type & 0xF0) | (type & 0x0F)); }

dvs_port_ portWithDefaultAgent() {
    dvs_port_ port;
    memset(&port, 0, sizeof port);
    memcpy(port.agent, g_kestfw_default_dvsport.agent, sizeof port.agent);
    return port;
}

}  // namespace

void kfwParseFail(FWStatus_t status, const char* fmt, ...) {
    char text[256];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    throw CKestFWParseFailure{status, text};
}

void CKestFWParseState::beginParse() {
    memset(&g_kestfw_default_dvsport, 0, sizeof g_kestfw_default_dvsport);
    Strncpy(g_kestfw_default_dvsport.agent, kDefaultAgent, sizeof g_kestfw_default_dvsport.agent);
}

void CKestFWParseState::setDefaultPort(const dvs_port_& port, const char* agent) {
    g_kestfw_default_dvsport = port;
    Strncpy(g_kestfw_default_dvsport.agent, agent, sizeof g_kestfw_default_dvsport.agent);
}

void CKestFWParseState::setAttributeType(const char* name) {
    const _FWAttrKey* key = name != nullptr ? str2attrkey(name) : nullptr;
    s_attributeType = key != nullptr ? FWAttrIDType(key->key) : kNoAttributeType;
}

FWAttrIDType CKestFWParseState::attributeType() { return s_attributeType; }

void CKestFWParseState::clearError() { t_lastError.set = false; }

void CKestFWParseState::recordError(const char* input, unsigned line, unsigned firstColumn, unsigned lastColumn,
                                    FWStatus_t status, const char* message) {
    FWParseError_& e = t_lastError.error;
    memset(&e, 0, sizeof e);
    Strncpy(e.input, input != nullptr ? input : "", sizeof e.input);
    e.line = line;
    e.firstColumn = firstColumn;
    e.lastColumn = lastColumn;
    e.status = status;
    Strncpy(e.message, message != nullptr ? message : "", sizeof e.message);
    t_lastError.set = true;
}

bool CKestFWParseState::lastError(FWParseError_* out) {
    if (!t_lastError.set) return false;
    *out = t_lastError.error;
    return true;
}

std::exception_ptr& CKestFWParseState::pending() { return t_pending; }

dvs_port_ kfwPortFromUuidPort(const FWLexVnicPort& value, unsigned type) {
    dvs_port_ port = portWithDefaultAgent();
    Strncpy(port.id, value.text, 63);
    setIndex(port, value.port);
    setType(port, type);
    return port;
}

dvs_port_ kfwPortFromVnicText(const char* text, unsigned type) {
    uint8_t uuid[16];
    unsigned int index = 0;
    if (vnicstr2uuid(uuid, &index, text) != 1) kfwParseFail(47, "invalid vnic uuid (%s)", text);
    dvs_port_ port = portWithDefaultAgent();
    uuid2rvqstr(uuid, port.id, sizeof port.id);
    setIndex(port, index);
    setType(port, type);
    return port;
}

dvs_port_ kfwPortFromSwitch(const char* text, int64_t index) {
    uint8_t uuid[16];
    if (rvqstr2uuid(uuid, text) != 1) kfwParseFail(54, "invalid switch id (%s)", text);
    uint32_t number = uint32_t(kfwCheckRange(index, 16777215, "switch port number overflows"));
    dvs_port_ port = portWithDefaultAgent();
    uuid2rvqstr(uuid, port.id, sizeof port.id);
    setIndex(port, number);
    setType(port, DVS_PORT_TYPE_DVSPORT);
    return port;
}

dvs_port_ kfwPortFromFilter(const char* text) {
    if (strlen(text) > 63) kfwParseFail(62, "filter name is too long (%s)", text);
    dvs_port_ port;
    memset(&port, 0, sizeof port);
    Strncpy(port.id, text, sizeof port.id);
    setType(port, DVS_PORT_TYPE_FILTER);
    return port;
}

dvs_port_ kfwPortFromVif(const char* text) {
    uint8_t uuid[16];
    if (normalstr2uuid(uuid, text) != 1) kfwParseFail(63, "invalid vif uuid (%s)", text);
    dvs_port_ port;
    memset(&port, 0, sizeof port);
    Strncpy(port.id, text, sizeof port.id);
    setType(port, DVS_PORT_TYPE_VIF);
    return port;
}

FWRuleSetID_t kfwRuleSetName(const char* name, size_t max, const char* what) {
    if (strlen(name) > max) kfwParseFail(32, "%s name (%s) is too long", what, name);
    FWRuleSetID_t id;
    memset(&id, 0, sizeof id);
    Strncpy(id.name, name, sizeof id.name);
    return id;
}

FWAddrSetID_t kfwAddrSetName(const char* name) {
    if (strlen(name) > 37) kfwParseFail(32, "addrset name (%s) is too long", name);
    FWAddrSetID_t id;
    memset(&id, 0, sizeof id);
    Strncpy(id.name, name, sizeof id.name);
    return id;
}

uint64_t kfwCheckRange(int64_t value, uint64_t max, const char* message) {
    if (value < 0 || uint64_t(value) > max) kfwParseFail(17, "%s", message);
    return uint64_t(value);
}

unsigned short kfwCheckPort(int64_t value) {
    if (value < 0 || value > 65535) kfwParseFail(38, "TCP/UDP port number (%d) is invalid", int(value));
    return static_cast<unsigned short>(value);
}

void kfwIPPort(const char* text, bool any, in_addr* address, unsigned short* port) {
    if (any) {
        long number = 0;
        address->s_addr = 0;
        if (Str2Port(text + 4, &number) != 1) kfwParseFail(38, "port number (%s) is invalid", text);
        *port = static_cast<unsigned short>(number);
        return;
    }
    if (fw_str2ipport(text, address, port) != 1) kfwParseFail(38, "port number (%s) is invalid", text);
}

namespace {

struct Splitter {
    CKestFWAddressList* list;
};

bool addV4Block(void* ctx, in_addr network, unsigned int prefix) {
    CKestFWAddressList* list = static_cast<Splitter*>(ctx)->list;
    std::unique_ptr<CKestFWAddress> block;
    if (prefix == 32)
        block.reset(new CKestFWAddressIPv4(network, false));
    else
        block.reset(new CKestFWAddressIPv4CIDR(network, static_cast<unsigned char>(prefix), false));
    if (!list->addAddress(block.get())) return false;
    block.release();
    return true;
}

bool addV6Block(void* ctx, in6_addr network, unsigned int prefix) {
    CKestFWAddressList* list = static_cast<Splitter*>(ctx)->list;
    std::unique_ptr<CKestFWAddress> block;
    if (prefix == 128)
        block.reset(new CKestFWAddressIPv6(network, false));
    else
        block.reset(new CKestFWAddressIPv6CIDR(network, static_cast<unsigned char>(prefix), false));
    if (!list->addAddress(block.get())) return false;
    block.release();
    return true;
}

// Cuts a range into blocks of `list`; false when the address is no range or the cut failed.
bool splitRange(const CKestFWAddress& address, CKestFWAddressList* list, bool* isRange) {
    Splitter s{list};
    *isRange = true;
    if (auto* v4 = dynamic_cast<const CKestFWAddressIPv4Range*>(&address)) {
        in_addr first, last;
        v4->getAddress(&first, &last);  // answers the range's negation, not success
        return ipv4range2cidr(first, last, &s, addV4Block) == 1;
    }
    if (auto* v6 = dynamic_cast<const CKestFWAddressIPv6Range*>(&address)) {
        in6_addr first, last;
        v6->getAddress(&first, &last);
        return ipv6range2cidr(first, last, &s, addV6Block) == 1;
    }
    *isRange = false;
    return false;
}

}  // namespace

void kfwAddAddress(CKestFWAddressList* list, CKestFWAddress* address) {
    std::unique_ptr<CKestFWAddress> owned(address);
    bool isRange = false;
    if (splitRange(*owned, list, &isRange)) {
        KFW_LOG(KFW_LOG_INFO, "replaced %s range %s to cidr list\n", owned->isIPv6Address() ? "ipv6" : "ip",
                owned->toString().c_str());
        return;
    }
    if (isRange) kfwParseFail(16, "failed to replace ip range %s to cidr list", owned->toString().c_str());
    if (!list->addAddress(owned.get())) kfwParseFail(16, "address %s cannot join a list", owned->toString().c_str());
    owned.release();
}

CKestFWAddressList* kfwSingleList(CKestFWAddress* address) {
    std::unique_ptr<CKestFWAddress> owned(address);
    std::unique_ptr<CKestFWAddressList> list(new CKestFWAddressList(false));
    if (!list->addAddress(owned.get())) kfwParseFail(16, "address %s cannot join a list", owned->toString().c_str());
    owned.release();
    return list.release();
}

CKestFWAddress* kfwAttributeValue(const char* text) {
    FWAttrIDType type = CKestFWParseState::attributeType();
    const _FWAttrKey* key = type <= 17 ? dpID2attrkey(type) : nullptr;
    if (key == nullptr) kfwParseFail(16, "unknown attribute type %u", unsigned(type));
    // The key's value type decides how the set holds the text: numbers and enumerated numbers as
    // integers, identifiers with text as strings, SIDs as SID texts.
    switch (key->valueType) {
        case 0:
        case 2:
            return new CKestFWAttr<FW_ATTR_VAL_INT>(type, text);
        case 1:
            return new CKestFWAttr<FW_ATTR_VAL_UINT>(type, text);
        case 3:
            return new CKestFWAttr<FW_ATTR_VAL_STRING>(type, text);
        case 4:
            return new CKestFWAttr<FW_ATTR_VAL_SID>(type, text);
        default:
            kfwParseFail(16, "attribute type %u has no set values", unsigned(type));
    }
}

CKestFWProtocol* kfwProtocolByName(const char* name, bool negate) {
    unsigned short number = 0;
    if (!CKestFWProtocol::protocolNumber(name, &number)) kfwParseFail(52, "unknown protocol (%s)", name);
    return new CKestFWProtocol(true, number, true, negate);
}

void kfwCheckKeyPolicy(const char* text) {
    uint8_t uuid[16];
    if (normalstr2uuid(uuid, text) != 1) kfwParseFail(3, "bad uuid (%s)", text);
}

CKestFWRuleAction* kfwApplyActionFlags(CKestFWRuleAction* action, uint32_t flags) {
    if (flags & 1u) action->enableLogPacket();
    if (flags & 2u) action->enableCopyPacket();
    if (flags & 8u) action->enableNoFlow();
    if (flags & 16u) action->enableRtt();
    if (flags & 256u) action->enableLBRule();
    if ((flags & 4u) && (flags >> 16) != 0) action->enableDynamic(flags >> 16);
    return action;
}

namespace {

// An IP range the rule cannot carry becomes an address set of its own; null for any other address.
CKestFWCmd* rangeToSetCmd(const char* name, const CKestFWAddress& address, bool* negate) {
    bool v6 = dynamic_cast<const CKestFWAddressIPv6Range*>(&address) != nullptr;
    if (!v6 && dynamic_cast<const CKestFWAddressIPv4Range*>(&address) == nullptr) return nullptr;
    std::unique_ptr<CKestFWAddressList> list(new CKestFWAddressList(false));
    bool isRange = false;
    if (!splitRange(address, list.get(), &isRange)) return nullptr;
    *negate = address.isNegated();
    KFW_LOG(KFW_LOG_INFO, "replaced %s range %s to ipset %s\n", v6 ? "ipv6" : "ip", address.toString().c_str(), name);
    return new CKestFWCmdCreateAddrSet(nullptr, name, 1, list.release());
}

void replaceRange(CKestFWCmdList* out, const char* prefix, int64_t id, std::unique_ptr<CKestFWAddress>& address) {
    if (!address) return;
    char name[38];
    snprintf(name, sizeof name, "%s%u", prefix, unsigned(id));
    bool negate = false;
    std::unique_ptr<CKestFWCmd> cmd(rangeToSetCmd(name, *address, &negate));
    if (!cmd) return;
    if (!out->addCmd(cmd.get())) kfwParseFail(16, "cannot add address set %s", name);
    cmd.release();
    address.reset(new CKestFWAddrSetID(name, negate));
}

}  // namespace

CKestFWRule* kfwAssembleRule(CKestFWCmdList* out, KestFWRuleParts& p) {
    unsigned int id = unsigned(kfwCheckRange(p.id, 4294967295u, "rule id value overflows"));
    int position = int(kfwCheckRange(p.position, 4294967295u, "rule position value overflows"));
    p.specs->setDir(0);
    p.srcPorts->setDir(1);
    p.dstPorts->setDir(2);
    replaceRange(out, "src", p.id, p.src);
    replaceRange(out, "dst", p.id, p.dst);
    FWRuleAction_t code = p.action->getAction();
    if (code == FW_RULE_ACTION_SNAT || code == FW_RULE_ACTION_DNAT) {
        char name[38];
        snprintf(name, sizeof name, "target%u", id);
        std::unique_ptr<CKestFWAddress> range(p.action->replaceIPRangeAddress(name));
        if (range) {
            bool negate = false;
            std::unique_ptr<CKestFWCmd> cmd(rangeToSetCmd(name, *range, &negate));
            if (!cmd || !out->addCmd(cmd.get()))
                throw CUnsupportedException(6, "failed to replace NAT rule target ip range");
            cmd.release();
        }
    }
    std::unique_ptr<CKestFWRule> rule(new CKestFWRule(
        id, position, FWRuleDirection_t(p.direction), p.protocol.release(), p.specs.release(), p.src.release(),
        p.srcPorts.release(), p.dst.release(), p.dstPorts.release(), p.action.release(), true, false, false,
        p.extSrcProfile.release(), p.extSrcIP.release(), p.attrProfile.release(), p.timeProfile.release(),
        static_cast<unsigned char>(p.category), static_cast<unsigned char>(p.bucket), p.excludeSrc.release(),
        p.excludeDst.release(), p.srcMalicious, p.dstMalicious, 0));
    if (p.family != 0) rule->setAF(FWRuleAF_t(p.family));
    if (!p.tag.empty()) rule->setTag(p.tag.c_str());
    static const FWuuid_ kNoProfile{};
    if (memcmp(&p.idsProfile, &kNoProfile, sizeof kNoProfile) != 0) rule->setIDSProfileID(p.idsProfile);
    return rule.release();
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetLastParseError(FWParseError_* out) {
    if (out == nullptr) return 3;
    return CKestFWParseState::lastError(out) ? 0 : FW_PARSE_ERROR_NONE;
}
