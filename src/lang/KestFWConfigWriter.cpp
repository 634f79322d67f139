#include "lang/KestFWConfigWriter.h"

#include <arpa/inet.h>

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "cmd/KestFWCmdClearAddrSet.h"
#include "cmd/KestFWCmdClearRootRuleSet.h"
#include "cmd/KestFWCmdClearRuleSet.h"
#include "cmd/KestFWCmdClearRuleSetJump.h"
#include "cmd/KestFWCmdConfigSharedAddrSet.h"
#include "cmd/KestFWCmdCreateAddrSet.h"
#include "cmd/KestFWCmdCreateRuleSet.h"
#include "cmd/KestFWCmdDestroyAddrSet.h"
#include "cmd/KestFWCmdDestroyAllAddrSet.h"
#include "cmd/KestFWCmdDestroyAllRuleSet.h"
#include "cmd/KestFWCmdDestroyRuleSet.h"
#include "cmd/KestFWCmdGetRootRuleSet.h"
#include "cmd/KestFWCmdGetRuleSetCount.h"
#include "cmd/KestFWCmdGetRuleSetJump.h"
#include "cmd/KestFWCmdList.h"
#include "cmd/KestFWCmdSetRootRuleSet.h"
#include "cmd/KestFWCmdSetRuleSetJump.h"
#include "kestfw/kestfw_util.h"
#include "kestfw/kestfw_writer.h"
#include "lang/KestFWConfigWriterStatements.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddressEther.h"
#include "model/KestFWAddressEtherMask.h"
#include "model/KestFWAddressEtherRange.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv4CIDR.h"
#include "model/KestFWAddressIPv4Range.h"
#include "model/KestFWAddressIPv6.h"
#include "model/KestFWAddressIPv6CIDR.h"
#include "model/KestFWAddressIPv6Range.h"
#include "model/KestFWAddressList.h"
#include "model/KestFWAttributeUtils.h"
#include "model/KestFWL7Attribute.h"
#include "model/KestFWProtocol.h"
#include "model/KestFWProtocolSpecDSCP.h"
#include "model/KestFWProtocolSpecICMPType.h"
#include "model/KestFWProtocolSpecL4Port.h"
#include "model/KestFWProtocolSpecL4PortRange.h"
#include "model/KestFWProtocolSpecL4PortSet.h"
#include "model/KestFWProtocolSpecList.h"
#include "model/KestFWProtocolSpecTCPFlags.h"
#include "model/KestFWProtocolSpecTCPOptions.h"
#include "model/KestFWRule.h"
#include "model/KestFWRuleActionDNAT.h"
#include "model/KestFWRuleActionDrop.h"
#include "model/KestFWRuleActionJumpto.h"
#include "model/KestFWRuleActionKeyPolicy.h"
#include "model/KestFWRuleActionLB.h"
#include "model/KestFWRuleActionMacRewrite.h"
#include "model/KestFWRuleActionSNAT.h"
#include "model/KestFWRuleFactory.h"
#include "model/KestFWRuleLayout.h"
#include "transport/KestFWPort.h"

namespace KestFirewall {

namespace {

// A set that holds IP and MAC members alike ("create addrset N { ... }").
constexpr FWAddrSetType_t kMixedSet = 0;

[[noreturn]] void refuse(const std::string& what) {
    KFW_WARN("cannot write %s in the configuration language\n", what.c_str());
    throw CUnsupportedException(("cannot write " + what).c_str());
}

// Every keyword of the scanner: a name spelled like one must be quoted to stay a name.
const std::set<std::string>& keywords() {
    static const char* const kWords =
        "create add delete replace describe destroy enable shared disable set reorder clear ruleset address "
        "addrset attribute attrset rule dvswitch port root default agent dvsport inet inet6 ip mac vnic "
        "filter vif size info stat revision checksum at inout in out of to as with keypolicy and into from "
        "all pass encrypt accept drop deny reject jumpto punt pbr snat dnat idp_detect idp_protect dne lb "
        "poolopt lbtype lbidletimeout lbclosetimeout lboptions random round-robin l4 l7 tcp-conn-balance "
        "stateless dscp rtt log noflow lbrule tag divert macrewrite copy ethertype protocol flag flags SYN "
        "FIN RST PSH ACK URG ECE CWR NS option options icmptype typecode list connection connections "
        "exportver count spoofguard kif config device socket save file ghsock debug strict sloppy timeout "
        "extsrcprofile extsrcip excludesrcip excludedstip malsrc maldst profile attrprofile tbrprofile "
        "idsprofile container uuid mapped goto_filter connattr domain2ip domain domainuuidmap uid2sidmap "
        "categoryid bucketid";
    static const std::set<std::string> words = [] {
        std::set<std::string> all;
        std::istringstream in(kWords);
        for (std::string w; in >> w;) all.insert(w);
        return all;
    }();
    return words;
}

// Keywords the scanner matches in any case.
bool isFoldedKeyword(const std::string& text) {
    static const char* const folded[] = {"ftp", "oracle", "dcerpc", "sunrpc", "tftp", "not", "any"};
    for (const char* k : folded)
        if (strcasecmp(text.c_str(), k) == 0) return true;
    return false;
}

bool isIdentStart(char c) { return isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '/'; }
bool isIdentChar(char c) { return isIdentStart(c) || isdigit(static_cast<unsigned char>(c)) || c == '-'; }

// A UUID at the front would scan as a UUID (or a UUID with port) rather than an identifier.
bool startsWithUuid(const std::string& t) {
    static const char shape[] = "HHHHHHHH-HHHH-HHHH-HHHH-HHHHHHHHHHHH";
    if (t.size() < sizeof shape - 1) return false;
    for (size_t i = 0; i + 1 < sizeof shape; ++i) {
        bool ok = shape[i] == '-' ? t[i] == '-' : isxdigit(static_cast<unsigned char>(t[i])) != 0;
        if (!ok) return false;
    }
    return true;
}

// A name held in a fixed field: refused when the field has no terminating NUL.
template <size_t N>
std::string fieldName(const char (&field)[N], const char* what) {
    size_t n = strnlen(field, N);
    if (n == N) refuse(std::string(what) + " without its terminating NUL");
    return std::string(field, n);
}

std::string ipv4Text(in_addr a) {
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, buf, sizeof buf);
    return buf;
}

std::string ipv6Text(const in6_addr& a) {
    char buf[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, &a, buf, sizeof buf);
    return buf;
}

std::string macText(const fw_ether_& m) {
    return kestfwFormat("%02x:%02x:%02x:%02x:%02x:%02x", m.octet[0], m.octet[1], m.octet[2], m.octet[3], m.octet[4],
                        m.octet[5]);
}

bool isRange(const CKestFWAddress& a) {
    return a.getType() == FW_ADDRESS_IPV4_RANGE || a.getType() == FW_ADDRESS_IPV6_RANGE;
}

// An IP address as the grammar's IP_Address (host, network or range); "" for other forms.
std::string ipText(const CKestFWAddress& a) {
    switch (a.getType()) {
        case FW_ADDRESS_IPV4: {
            in_addr v{};
            dynamic_cast<const CKestFWAddressIPv4&>(a).getAddress(&v);
            return ipv4Text(v);
        }
        case FW_ADDRESS_IPV4_CIDR: {
            in_addr v{};
            unsigned char prefix = 0;
            dynamic_cast<const CKestFWAddressIPv4CIDR&>(a).getAddress(&v, &prefix);
            return ipv4Text(v) + "/" + std::to_string(prefix);
        }
        case FW_ADDRESS_IPV4_RANGE: {
            in_addr lo{}, hi{};
            dynamic_cast<const CKestFWAddressIPv4Range&>(a).getAddress(&lo, &hi);
            return ipv4Text(lo) + "-" + ipv4Text(hi);
        }
        case FW_ADDRESS_IPV6: {
            in6_addr v{};
            dynamic_cast<const CKestFWAddressIPv6&>(a).getAddress(&v);
            return ipv6Text(v);
        }
        case FW_ADDRESS_IPV6_CIDR: {
            in6_addr v{};
            unsigned char prefix = 0;
            dynamic_cast<const CKestFWAddressIPv6CIDR&>(a).getAddress(&v, &prefix);
            return ipv6Text(v) + "/" + std::to_string(prefix);
        }
        case FW_ADDRESS_IPV6_RANGE: {
            in6_addr lo{}, hi{};
            dynamic_cast<const CKestFWAddressIPv6Range&>(a).getAddress(&lo, &hi);
            return ipv6Text(lo) + "-" + ipv6Text(hi);
        }
        default:
            return std::string();
    }
}

// A MAC address as the grammar's MAC_Address (address, range or mask); "" for other forms.
std::string macForm(const CKestFWAddress& a) {
    fw_ether_ x{}, y{};
    switch (a.getType()) {
        case FW_ADDRESS_ETHER:
            dynamic_cast<const CKestFWAddressEther&>(a).getAddress(&x);
            return macText(x);
        case FW_ADDRESS_ETHER_RANGE:
            dynamic_cast<const CKestFWAddressEtherRange&>(a).getAddress(&x, &y);
            return macText(x) + "-" + macText(y);
        case FW_ADDRESS_ETHER_MASK:
            dynamic_cast<const CKestFWAddressEtherMask&>(a).getAddress(&x, &y);
            return macText(x) + "/" + macText(y);
        default:
            return std::string();
    }
}

std::string addrSetName(const CKestFWAddress& a) {
    FWAddrSetID_t id{};
    dynamic_cast<const CKestFWAddrSetID&>(a).getAddress(&id);
    return CKestFWConfigWriter::word(fieldName(id.name, "address-set name"));
}

// An address set named where the grammar takes only a name (extsrcip, excludesrcip, excludedstip).
std::string setReference(const CKestFWAddress* a, const char* keyword, bool negatable) {
    if (a == nullptr || a->getType() == FW_ADDRESS_ANY) return std::string();
    if (a->getType() != FW_ADDRESS_ADDRSET) refuse(std::string(keyword) + " other than an address-set name");
    if (a->isNegated() && !negatable) refuse(std::string("a negated ") + keyword);
    return std::string(" ") + keyword + (a->isNegated() ? " not " : " ") + addrSetName(*a);
}

// The dynamic-application helper flags that "as <app>" gives.
unsigned int defaultDynFlags(unsigned int app) {
    CKestFWRuleActionDrop probe;
    probe.enableDynamic(app);
    return probe.getDynamicAppFlags();
}

std::string flagsText(const CKestFWRuleAction& a) {
    std::vector<const char*> flags;
    if (a.isLogPacket()) flags.push_back("log");
    if (a.isCopyPacket()) flags.push_back("copy");
    if (a.isNoFlow()) flags.push_back("noflow");
    if (a.isRtt()) flags.push_back("rtt");
    if (a.isLBRule()) flags.push_back("lbrule");
    std::string s;
    if (flags.size() == 1) {
        s = std::string(" with ") + flags[0];
    } else if (!flags.empty()) {
        s = " with {";
        for (size_t i = 0; i < flags.size(); ++i) s += (i ? ", " : "") + std::string(flags[i]);
        s += "}";
    }
    if (a.isDynamic()) {
        static const char* const apps[] = {nullptr, "ftp", "oracle", "sunrpc", "dcerpc", "tftp"};
        unsigned int app = a.getDynamicApp();
        if (app < FW_DYNAPP_FTP || app > FW_DYNAPP_TFTP) refuse(kestfwFormat("dynamic application %u", app));
        if (a.getDynamicAppFlags() != defaultDynFlags(app))
            refuse(kestfwFormat("dynamic application helper flags %u", a.getDynamicAppFlags()));
        s += std::string(" as ") + apps[app];
    }
    return s;
}

// A NAT target: an address-set name or one IP address, never negated, never a range (the parser
// moves a range target into a set of its own).
std::string natTarget(const CKestFWAddress* a, const char* action) {
    if (a == nullptr) refuse(std::string(action) + " without a target");
    if (a->isNegated()) refuse(std::string("a negated ") + action + " target");
    if (a->getType() == FW_ADDRESS_ADDRSET) return "addrset " + addrSetName(*a);
    if (isRange(*a)) refuse(std::string("an IP range as ") + action + " target");
    std::string ip = ipText(*a);
    if (ip.empty()) refuse(std::string(action) + " target of address type " + std::to_string(a->getType()));
    return "ip " + ip;
}

std::string dnatText(const CKestFWRuleActionDNAT& d) {
    std::string target = natTarget(d.getAddress(), "dnat");
    const bool toSet = d.getAddress()->getType() == FW_ADDRESS_ADDRSET;
    std::string s = "dnat " + target;
    if (d.hasPort()) {
        s += d.hasPortRange() ? kestfwFormat(" port %u-%u", d.getPort(), d.getPortEnd())
                              : kestfwFormat(" port %u", d.getPort());
    }
    const unsigned int pool = d.getPoolOpt();
    if (pool == FW_RULE_POOLOPT_NONE) {
        if (d.getPoolParam() != 0) refuse("a dnat persistence timeout without a pool option");
        return s;
    }
    // A pool option goes with an address set, and with no port or a port range.
    if (!toSet || (d.hasPort() && !d.hasPortRange())) refuse("a dnat pool option with this target");
    const char* name = nullptr;
    switch (pool) {
        case FW_RULE_POOLOPT_ROUND_ROBIN:
            name = "round-robin";
            break;
        case FW_RULE_POOLOPT_RANDOM:
            name = "random";
            break;
        case FW_RULE_POOLOPT_TCP_CONN_BALANCE:
            name = "tcp-conn-balance";
            break;
        default:
            refuse(kestfwFormat("dnat pool option %u", pool));
    }
    s += std::string(" poolopt ") + name;
    if (d.getPoolParam() != 0) s += kestfwFormat(" %u", d.getPoolParam());
    return s;
}

std::string keyPolicyText(const CKestFWRuleAction& a) {
    const std::string& policy = dynamic_cast<const CKestFWRuleActionKeyPolicy&>(a).getKeyPolicy();
    uint8_t uuid[16];
    if (!normalstr2uuid(uuid, policy.c_str())) refuse("key policy \"" + policy + "\" that is not a UUID");
    return " keypolicy " + CKestFWConfigWriter::word(policy);
}

std::string lbText(const CKestFWRuleActionLB& lb) {
    std::string s = "lb lbtype ";
    switch (lb.getLBType()) {
        case FW_LB_TYPE_L4:
            s += "l4";
            break;
        case FW_LB_TYPE_L7:
            s += "l7";
            break;
        default:
            refuse(kestfwFormat("load-balancer type %u", lb.getLBType()));
    }
    if (lb.getIdleTimeout() != 0) s += kestfwFormat(" lbidletimeout %u", lb.getIdleTimeout());
    if (lb.getCloseTimeout() != 0) s += kestfwFormat(" lbclosetimeout %u", lb.getCloseTimeout());
    if (lb.hasOptions()) s += " lboptions " + CKestFWConfigWriter::word(lb.getOptions());
    return s;
}

std::string tcpFlagsText(unsigned int flags) {
    static const char* const names[] = {"FIN", "SYN", "RST", "PSH", "ACK", "URG", "ECE", "CWR", "NS"};
    if (flags == 0 || flags > 511) return std::to_string(flags);
    std::vector<const char*> set;
    for (unsigned int bit = 0; bit < 9; ++bit)
        if (flags & (1u << bit)) set.push_back(names[bit]);
    if (set.size() == 1) return set[0];
    std::string s = "{";
    for (size_t i = 0; i < set.size(); ++i) s += (i ? ", " : "") + std::string(set[i]);
    return s + "}";
}

std::string optionText(const std::vector<uint8_t>& bytes) {
    std::string text(bytes.begin(), bytes.end());
    if (text.find('\0') != std::string::npos) refuse("TCP options holding a zero byte");
    bool dq = text.find('"') != std::string::npos;
    bool sq = text.find('\'') != std::string::npos;
    if (dq && sq) refuse("TCP options holding both quote characters");
    return dq ? "'" + text + "'" : "\"" + text + "\"";
}

// The grammar's statements for one kind of command, each without the port clause.
std::string ruleSetName(const FWRuleSetID_t& id) {
    return CKestFWConfigWriter::word(fieldName(id.name, "rule-set name"));
}
std::string addrSetIdName(const FWAddrSetID_t& id) {
    return CKestFWConfigWriter::word(fieldName(id.name, "address-set name"));
}

std::string createRuleSet(const CKestFWCmdCreateRuleSet& c, const std::string& port) {
    std::string s = "create ruleset " + ruleSetName(c.getRuleSetId()) + port;
    const CKestFWRuleList* rules = c.getRuleList();
    if (rules == nullptr || rules->getRuleCount() == 0) return s;
    // The jump target reaches the kernel only through its own command; the text keeps it when it can.
    std::string jump = fieldName(c.getJumpTarget().name, "jump target");
    if (!jump.empty()) s += " jumpto " + CKestFWConfigWriter::word(jump) + " with";
    s += " {\n";
    for (const CKestFWRule* r : rules->getRules()) s += "    " + CKestFWConfigWriter::rule(*r) + ";\n";
    return s + "}";
}

std::string setRoot(const CKestFWCmdSetRootRuleSet& c, const std::string& port) {
    std::string l3 = fieldName(c.getLayer3().name, "root rule-set name");
    std::string l2 = fieldName(c.getLayer2().name, "root rule-set name");
    if (l3.empty()) refuse("root rule sets without a layer-3 root");
    if (l3.size() > 60) refuse("a root rule-set name over 60 characters");
    std::string s = "set root ruleset " + CKestFWConfigWriter::word(l3);
    if (l2 != l3 + "_L2") s += " and " + CKestFWConfigWriter::word(l2);
    return s + port;
}

std::string createAddrSet(const CKestFWCmdCreateAddrSet& c, const std::string& port) {
    std::string s = "create addrset " + addrSetIdName(c.getSetID()) + port;
    return s + CKestFWConfigWriter::memberList(c.getSetType(), c.getAddressList());
}

// One attribute's value, and which of the grammar's value lists it belongs to (a bracket holds
// values of one list kind only).
enum class ValueList { Text, Int, Uint, Uuid, Dns };

std::string l7Value(const CKestFWL7Attribute& a, ValueList* kind) {
    if (a.getOperator() != FW_ATTR_OP_EQ) refuse("an L7 attribute with operator " + std::to_string(a.getOperator()));
    switch (a.getAttrType()) {
        case FW_ATTR_KVT_EINT: {
            // By name when the vocabulary reads the name back as the same number.
            long number = 0;
            if (!a.getString().empty() && str2eint(a.getKeyID(), a.getString(), &number) && number == a.getInt()) {
                *kind = ValueList::Text;
                return CKestFWConfigWriter::word(a.getString());
            }
            // The grammar keeps decimal attribute values in 32 bits.
            if (a.getInt() < INT32_MIN || a.getInt() > INT32_MAX)
                refuse("enumerated attribute value " + std::to_string(a.getInt()));
            *kind = ValueList::Int;
            return std::to_string(a.getInt());
        }
        case FW_ATTR_KVT_INT:
            if (a.getInt() < INT32_MIN || a.getInt() > INT32_MAX)
                refuse("attribute value " + std::to_string(a.getInt()));
            *kind = ValueList::Int;
            return std::to_string(a.getInt());
        case FW_ATTR_KVT_UINT:
            *kind = ValueList::Uint;
            return std::to_string(a.getUInt()) + "u";
        case FW_ATTR_KVT_SID:
        case FW_ATTR_KVT_INTERVAL:
            *kind = ValueList::Text;
            return CKestFWConfigWriter::word(a.getString());
        case FW_ATTR_KVT_UUID_STR: {
            *kind = ValueList::Uuid;
            const std::string uuid = "uuid " + CKestFWConfigWriter::word(a.getUUIDString());
            return a.getString().empty() ? uuid : CKestFWConfigWriter::word(a.getString()) + " " + uuid;
        }
        case FW_ATTR_KVT_DNS_TXN:
            if (a.getDNSTxnID() != 0) refuse("a DNS attribute with transaction id " + std::to_string(a.getDNSTxnID()));
            *kind = ValueList::Dns;
            return CKestFWConfigWriter::word(a.getDomain()) + kestfwFormat(" %u %u", a.getDNSRRType(), a.getDNSRCode());
        default:
            refuse("an L7 attribute of value type " + std::to_string(a.getAttrType()));
    }
}

}  // namespace

std::string CKestFWConfigWriter::l7Attributes(const std::vector<const CKestFWL7Attribute*>& attributes) {
    std::string s;
    FWAttrKeyID key = 0;
    ValueList open = ValueList::Text;
    bool inBracket = false;
    for (const CKestFWL7Attribute* a : attributes) {
        ValueList kind = ValueList::Text;
        const std::string value = l7Value(*a, &kind);
        if (inBracket && a->getKeyID() == key && kind == open) {
            s += ", " + value;
            continue;
        }
        const std::string name = dpID2str(a->getKeyID());
        if (name.empty()) refuse("L7 attribute key " + std::to_string(a->getKeyID()));
        s += std::string(inBracket ? "], [" : "[") + word(name) + " : " + value;
        key = a->getKeyID();
        open = kind;
        inBracket = true;
    }
    return inBracket ? s + "]" : s;
}

std::string CKestFWConfigWriter::word(const std::string& text) {
    if (text.size() > 255) refuse("a name of " + std::to_string(text.size()) + " characters");
    bool ident = !text.empty() && isIdentStart(text[0]) && text != ".";
    for (size_t i = 1; ident && i < text.size(); ++i) ident = isIdentChar(text[i]);
    if (ident && keywords().count(text) == 0 && !isFoldedKeyword(text) && !startsWithUuid(text)) return text;
    if (text.find('"') == std::string::npos) return "\"" + text + "\"";
    if (text.find('\'') == std::string::npos) return "'" + text + "'";
    refuse("a name holding both quote characters");
}

std::string CKestFWConfigWriter::portClause(const dvs_port_& port) {
    dvs_port_ expect{};
    snprintf(expect.agent, sizeof expect.agent, "%s", kDefaultAgent);

    // A port that names no switch port is replaced by the caller's port when the list is evaluated,
    // whatever agent it carries (the address sets a rule's ranges become carry none at all).
    const unsigned int type = kfwPortType(&port);
    if (type == 0) return std::string();

    const std::string id = fieldName(port.id, "switch-port identifier");
    std::string clause;
    switch (type) {
        case DVS_PORT_TYPE_FILTER:
        case DVS_PORT_TYPE_VIF: {
            // These two forms leave the agent empty.
            memset(&expect, 0, sizeof expect);
            if (type == DVS_PORT_TYPE_VIF) {
                uint8_t uuid[16];
                if (!normalstr2uuid(uuid, id.c_str())) refuse("a VIF port whose identifier is not a UUID");
            }
            memcpy(expect.id, id.data(), id.size());
            clause = (type == DVS_PORT_TYPE_FILTER ? " of filter " : " of vif ") + word(id);
            break;
        }
        case DVS_PORT_TYPE_VNIC:
        case DVS_PORT_TYPE_DVSPORT: {
            unsigned char b[16];
            int n = sscanf(id.c_str(),
                           "%2hhx %2hhx %2hhx %2hhx %2hhx %2hhx %2hhx %2hhx-%2hhx %2hhx %2hhx %2hhx %2hhx %2hhx %2hhx "
                           "%2hhx",
                           &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7], &b[8], &b[9], &b[10], &b[11], &b[12],
                           &b[13], &b[14], &b[15]);
            const unsigned int index = kfwPortIndex(&port);
            // The port token keeps three digits of the index.
            if (n != 16 || index > 999) refuse("switch port \"" + id + "\" index " + std::to_string(index));
            snprintf(expect.id, sizeof expect.id,
                     "%02x %02x %02x %02x %02x %02x %02x %02x-%02x %02x %02x %02x %02x %02x %02x %02x", b[0], b[1],
                     b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
            expect.index[0] = static_cast<uint8_t>(index & 0xff);
            expect.index[1] = static_cast<uint8_t>((index >> 8) & 0xff);
            expect.index[2] = static_cast<uint8_t>((index >> 16) & 0xff);
            clause = kestfwFormat(" of %s %02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x:%u",
                                  type == DVS_PORT_TYPE_VNIC ? "vnic" : "dvsport", b[0], b[1], b[2], b[3], b[4], b[5],
                                  b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15], index);
            break;
        }
        default:
            refuse(kestfwFormat("a switch port of type %u", type));
    }
    expect.type = static_cast<uint8_t>(type);
    if (memcmp(&port, &expect, sizeof port) != 0) refuse("switch port \"" + id + "\" with these agent or spare bytes");
    return clause;
}

std::string CKestFWConfigWriter::ruleAddress(const CKestFWAddress* a) {
    // The kernel sees no difference between a missing address and "any", negated or not.
    if (a == nullptr || a->getType() == FW_ADDRESS_ANY) return "any";
    const std::string neg = a->isNegated() ? "not " : "";
    if (a->getType() == FW_ADDRESS_ADDRSET) return neg + "addrset " + addrSetName(*a);
    if (isRange(*a)) refuse("an IP range as a rule address");
    std::string ip = ipText(*a);
    if (!ip.empty()) return neg + "ip " + ip;
    std::string mac = macForm(*a);
    if (!mac.empty()) return neg + "mac " + mac;
    refuse("a rule address of type " + std::to_string(a->getType()));
}

std::string CKestFWConfigWriter::member(const CKestFWAddress& a) {
    if (a.isNegated()) refuse("a negated address-set member");
    if (a.getType() == FW_ADDRESS_ANY) return "any";
    std::string text = ipText(a);
    if (text.empty()) text = macForm(a);
    if (text.empty()) refuse("an address-set member of type " + std::to_string(a.getType()));
    return text;
}

std::string CKestFWConfigWriter::memberList(FWAddrSetType_t kind, const CKestFWAddressList* list) {
    static const CKestFWAddressList none(false);
    const std::vector<CKestFWAddress*>& members = (list ? *list : none).getAddresses();
    if (kind != kMixedSet && kind != FW_ADDRSET_IP && kind != FW_ADDRSET_MAC)
        refuse(kestfwFormat("an address set of kind %u", static_cast<unsigned>(kind)));

    for (const CKestFWAddress* m : members) {
        bool ip = !ipText(*m).empty();
        bool mac = !macForm(*m).empty();
        bool any = m->getType() == FW_ADDRESS_ANY;
        if ((kind == FW_ADDRSET_IP && !ip && !(any && members.size() == 1)) || (kind == FW_ADDRSET_MAC && !mac) ||
            (kind == kMixedSet && !ip && !mac))
            refuse(kestfwFormat("member of type %u in an address set of kind %u", m->getType(),
                                static_cast<unsigned>(kind)));
        // Inside braces the parser cuts a range into networks.
        if (isRange(*m) && (members.size() > 1 || kind == kMixedSet))
            refuse("an IP range among several address-set members");
    }
    if (kind == kMixedSet) {
        std::string s = " {";
        for (size_t i = 0; i < members.size(); ++i) s += (i ? ", " : "") + member(*members[i]);
        return s + "}";
    }
    if (members.empty()) {
        // Only an IP set may go without members: a bare "create addrset" is one.
        if (kind != FW_ADDRSET_IP) refuse("a MAC address set without members");
        return std::string();
    }
    if (members.size() == 1) return " with " + member(*members[0]);
    std::string s = " with {";
    for (size_t i = 0; i < members.size(); ++i) s += (i ? ", " : "") + member(*members[i]);
    return s + "}";
}

std::string CKestFWConfigWriter::protocol(const CKestFWProtocol& p) {
    const std::string neg = p.isNegated() ? "not " : "";
    if (!p.isDefined()) {
        if (p.isNegated()) refuse("a negated \"any\" protocol");
        return p.isIP() ? "protocol any" : "ethertype any";
    }
    if (p.isIP()) {
        if (p.getValue() > 255) refuse("IP protocol " + std::to_string(p.getValue()));
        // The database's name when it reads back as the same number, else the number itself.
        const std::string name = CKestFWProtocol::protocolName(p.getValue());
        unsigned short number = 0;
        if (!CKestFWProtocol::protocolNumber(name.c_str(), &number) || number != p.getValue())
            return neg + "protocol " + std::to_string(p.getValue());
        return neg + "protocol " + word(name);
    }
    return neg + kestfwFormat("ethertype 0x%04x", p.getValue());
}

std::string CKestFWConfigWriter::protocolSpec(const CKestFWProtocolSpec& spec) {
    const std::string neg = spec.isNegated() ? "not " : "";
    switch (spec.getSpecType()) {
        case FW_PROTO_SPEC_STATELESS:
        case FW_PROTO_SPEC_STRICT:
        case FW_PROTO_SPEC_SLOPPY:
        case FW_PROTO_SPEC_DSCP:
            if (spec.isNegated()) refuse("a negated connection mode or DSCP marking");
            break;
        default:
            break;
    }
    switch (spec.getSpecType()) {
        case FW_PROTO_SPEC_STATELESS:
            return "stateless";
        case FW_PROTO_SPEC_STRICT:
            return "strict";
        case FW_PROTO_SPEC_SLOPPY:
            return "sloppy";
        case FW_PROTO_SPEC_DSCP:
            return "dscp " + std::to_string(dynamic_cast<const CKestFWProtocolSpecDSCP&>(spec).getValue());
        case FW_PROTO_SPEC_TCP_FLAGS:
            return neg + "flag " + tcpFlagsText(dynamic_cast<const CKestFWProtocolSpecTCPFlags&>(spec).getFlags());
        case FW_PROTO_SPEC_TCP_OPTIONS:
            return neg + "option " + optionText(dynamic_cast<const CKestFWProtocolSpecTCPOptions&>(spec).getOptions());
        case FW_PROTO_SPEC_ICMP_TYPE: {
            const auto& icmp = dynamic_cast<const CKestFWProtocolSpecICMPType&>(spec);
            if (icmp.hasCode()) return neg + kestfwFormat("typecode %u-%u", icmp.getICMPType(), icmp.getCode());
            return neg + kestfwFormat("icmptype %u", icmp.getICMPType());
        }
        default:
            refuse("protocol spec of kind " + std::to_string(spec.getSpecType()) + " among connection specs");
    }
}

std::string CKestFWConfigWriter::protocolSpecList(const CKestFWProtocolSpecList* list) {
    if (list == nullptr || list->empty()) return std::string();
    const auto& specs = list->getSpecs();
    if (specs.size() == 1) return protocolSpec(*specs[0]);
    std::string s = "with {";
    for (size_t i = 0; i < specs.size(); ++i) s += (i ? ", " : "") + protocolSpec(*specs[i]);
    return s + "}";
}

std::string CKestFWConfigWriter::portSpec(const CKestFWProtocolSpecList* list) {
    if (list == nullptr || list->empty()) return std::string();
    if (list->getSpecs().size() != 1) refuse("more than one port spec on one side of a rule");
    const CKestFWProtocolSpec& spec = *list->getSpecs()[0];
    const std::string neg = spec.isNegated() ? "not " : "";
    switch (spec.getSpecType()) {
        case FW_PROTO_SPEC_L4PORT:
            return neg + kestfwFormat("port %u", dynamic_cast<const CKestFWProtocolSpecL4Port&>(spec).getPort());
        case FW_PROTO_SPEC_L4PORT_RANGE: {
            const auto& r = dynamic_cast<const CKestFWProtocolSpecL4PortRange&>(spec);
            return neg + kestfwFormat("port %u-%u", r.getStart(), r.getEnd());
        }
        case FW_PROTO_SPEC_L4PORT_SET: {
            const auto& set = dynamic_cast<const CKestFWProtocolSpecL4PortSet&>(spec);
            if (set.empty()) refuse("an empty port set");
            std::string s = neg + "port {";
            bool first = true;
            for (unsigned int packed : set.getRanges()) {
                s += (first ? "" : ", ") + kestfwFormat("%u-%u", packed & 0xffffu, packed >> 16);
                first = false;
            }
            for (unsigned short port : set.getPorts()) {
                s += (first ? "" : ", ") + std::to_string(port);
                first = false;
            }
            return s + "}";
        }
        default:
            refuse("protocol spec of kind " + std::to_string(spec.getSpecType()) + " as a port spec");
    }
}

std::string CKestFWConfigWriter::action(const CKestFWRuleAction& a) {
    std::string s;
    switch (a.getAction()) {
        case FW_RULE_ACTION_ACCEPT:
            s = "pass";
            break;
        case FW_RULE_ACTION_DROP:
            s = "drop";
            break;
        case FW_RULE_ACTION_REJECT:
            s = "reject";
            break;
        case FW_RULE_ACTION_PUNT:
            s = "punt";
            break;
        case FW_RULE_ACTION_DIVERT:
            s = "divert";
            break;
        case FW_RULE_ACTION_COPY:
            s = "copy";
            break;
        case FW_RULE_ACTION_CLEAR:
            s = "clear";
            break;
        case FW_RULE_ACTION_IDP_DETECT:
            s = "idp_detect";
            break;
        case FW_RULE_ACTION_IDP_PROTECT:
            s = "idp_protect";
            break;
        case FW_RULE_ACTION_GOTO_FILTER:
            s = "goto_filter";
            break;
        case FW_RULE_ACTION_ENCRYPT:
            s = "encrypt" + keyPolicyText(a);
            break;
        case FW_RULE_ACTION_PBR:
            s = "pbr" + keyPolicyText(a);
            break;
        case FW_RULE_ACTION_JUMPTO: {
            std::string target = dynamic_cast<const CKestFWRuleActionJumpto&>(a).getTarget();
            s = "jumpto " + word(target);
            break;
        }
        case FW_RULE_ACTION_MACREWRITE:
            s = "macrewrite " + macText(dynamic_cast<const CKestFWRuleActionMacRewrite&>(a).getMac());
            break;
        case FW_RULE_ACTION_SNAT:
            s = "snat " + natTarget(dynamic_cast<const CKestFWRuleActionSNAT&>(a).getAddress(), "snat");
            break;
        case FW_RULE_ACTION_DNAT:
            s = dnatText(dynamic_cast<const CKestFWRuleActionDNAT&>(a));
            break;
        case FW_RULE_ACTION_LB:
            s = lbText(dynamic_cast<const CKestFWRuleActionLB&>(a));
            break;
        default:
            refuse("rule action " + std::to_string(a.getAction()));
    }
    return s + flagsText(a);
}

std::string CKestFWConfigWriter::rule(const CKestFWRule& r) {
    if (r.getOversubscription() != 0) refuse("a rule's over-subscription mark");
    for (const auto& field : r.getTenantCtx().field)
        if (field[0] != '\0') refuse("a rule's tenant context");

    std::string s = kestfwFormat("rule %u", r.getId());
    if (r.getPosition() != 0) s += kestfwFormat(" at %d", r.getPosition());
    static const char* const directions[] = {" inout", " in", " out"};
    if (r.getDirection() > FW_RULE_DIR_OUT) refuse("rule direction " + std::to_string(r.getDirection()));
    s += directions[r.getDirection()];
    if (r.getAF() == FW_RULE_AF_INET)
        s += " inet";
    else if (r.getAF() == FW_RULE_AF_INET6)
        s += " inet6";

    if (r.getProtocol() == nullptr) refuse("a rule without a protocol");
    s += " " + protocol(*r.getProtocol());
    std::string specs = protocolSpecList(r.getProtocolSpec());
    if (!specs.empty()) s += " " + specs;
    s += " from " + ruleAddress(r.getSource());
    std::string ports = portSpec(r.getSourcePorts());
    if (!ports.empty()) s += " " + ports;
    s += " to " + ruleAddress(r.getDest());
    ports = portSpec(r.getDestPorts());
    if (!ports.empty()) s += " " + ports;

    if (r.getExtSrcProfile()) s += " extsrcprofile " + word(r.getExtSrcProfile()->getName());
    if (r.getAttributeProfile()) s += " attrprofile " + word(r.getAttributeProfile()->getName());
    if (r.hasIDSProfile()) {
        int64_t first = 0, second = 0;
        memcpy(&first, r.getIDSProfileID().bytes, 8);
        memcpy(&second, r.getIDSProfileID().bytes + 8, 8);
        if (first == 0 && second == 0) refuse("an all-zero IDS profile");
        s += kestfwFormat(" idsprofile {%" PRId64 ", %" PRId64 "}", first, second);
    }
    if (r.getTimeAttributeProfile()) s += " tbrprofile " + word(r.getTimeAttributeProfile()->getName());

    if (r.getAction() == nullptr) refuse("a rule without an action");
    s += " " + action(*r.getAction());
    if (!r.getTag().empty()) s += " tag " + word(r.getTag());
    if (r.getCategoryId() != 0) s += kestfwFormat(" categoryid %u", r.getCategoryId());
    if (r.getBucketId() != 0) s += kestfwFormat(" bucketid %u", r.getBucketId());
    s += setReference(r.getExtSrcIP(), "extsrcip", true);
    s += setReference(r.getExcludeSrc(), "excludesrcip", false);
    s += setReference(r.getExcludeDest(), "excludedstip", false);
    if (r.isSrcMalicious()) s += " malsrc 1";
    if (r.isDstMalicious()) s += " maldst 1";
    return s;
}

std::string CKestFWConfigWriter::command(const CKestFWCmd& cmd) {
    const std::string port = portClause(cmd.getDVSPort());
    if (auto c = dynamic_cast<const CKestFWCmdCreateRuleSet*>(&cmd)) return createRuleSet(*c, port);
    if (auto c = dynamic_cast<const CKestFWCmdDestroyRuleSet*>(&cmd))
        return "destroy ruleset " + ruleSetName(c->getRuleSetId()) + port;
    if (dynamic_cast<const CKestFWCmdDestroyAllRuleSet*>(&cmd)) return "destroy all ruleset" + port;
    if (auto c = dynamic_cast<const CKestFWCmdClearRuleSet*>(&cmd))
        return "clear rule of ruleset " + ruleSetName(c->getRuleSetId()) + port;
    if (auto c = dynamic_cast<const CKestFWCmdSetRootRuleSet*>(&cmd)) return setRoot(*c, port);
    if (dynamic_cast<const CKestFWCmdClearRootRuleSet*>(&cmd)) return "clear root ruleset" + port;
    if (dynamic_cast<const CKestFWCmdGetRootRuleSet*>(&cmd)) return "describe root ruleset" + port;
    if (auto c = dynamic_cast<const CKestFWCmdSetRuleSetJump*>(&cmd))
        return "set jumpto of ruleset " + ruleSetName(c->getRuleSetId()) + " as " + ruleSetName(c->getJumpTarget()) +
               port;
    if (auto c = dynamic_cast<const CKestFWCmdGetRuleSetJump*>(&cmd))
        return "describe jumpto of ruleset " + ruleSetName(c->getRuleSetId()) + port;
    if (auto c = dynamic_cast<const CKestFWCmdClearRuleSetJump*>(&cmd))
        return "clear jumpto of ruleset " + ruleSetName(c->getRuleSetId()) + port;
    if (dynamic_cast<const CKestFWCmdGetRuleSetCount*>(&cmd)) return "describe count of ruleset" + port;
    if (auto c = dynamic_cast<const CKestFWCmdCreateAddrSet*>(&cmd)) return createAddrSet(*c, port);
    if (auto c = dynamic_cast<const CKestFWCmdClearAddrSet*>(&cmd))
        return "delete all from addrset " + addrSetIdName(c->getSetID()) + port;
    if (auto c = dynamic_cast<const CKestFWCmdDestroyAddrSet*>(&cmd))
        return "destroy addrset " + addrSetIdName(c->getSetID()) + port;
    if (dynamic_cast<const CKestFWCmdDestroyAllAddrSet*>(&cmd)) return "destroy all addrset" + port;
    if (auto c = dynamic_cast<const CKestFWCmdConfigSharedAddrSet*>(&cmd))
        return std::string(c->isEnabled() ? "enable" : "disable") + " shared addrset" + port;
    std::string statement;
    if (kfwWriteStatement(cmd, port, &statement)) return statement;
    refuse(kestfwFormat("command of opcode %u", cmd.getCommand()));
}

std::string CKestFWConfigWriter::commandList(const CKestFWCmdList& list) {
    std::string s;
    for (const CKestFWCmd* cmd : list.commands()) s += command(*cmd) + ";\n";
    return s;
}

}  // namespace KestFirewall

using namespace KestFirewall;

namespace {

// The text can only give back what the rule object holds: a record field that the object dropped
// (a tenant context, spare bytes) would come back different, so such a record is refused. The flag
// byte and the profile bits that the kernel keeps for itself are not the text's business.
void checkRecordCarried(const FWRule_& given, CKestFWRule& rebuilt) {
    uint8_t mine[FW_RULE_RECORD_SIZE] = {};
    unsigned int used = 0;
    rebuilt.toMessage(mine, sizeof mine, &used);
    const auto* theirs = reinterpret_cast<const uint8_t*>(&given);
    const uint32_t kernelProfileBits = FW_RULE_PROFILE_NONE | FW_RULE_PROFILE_L7_COPY | FW_RULE_PROFILE_L7_SAMPLEABLE;
    for (size_t i = 0; i < FW_RULE_RECORD_SIZE; ++i) {
        if (i == RuleLayout::kOffFlags) continue;
        uint8_t ignore = 0;
        if (i >= RuleLayout::kOffProfileFlags && i < RuleLayout::kOffProfileFlags + 4)
            ignore = static_cast<uint8_t>(kernelProfileBits >> (8 * (i - RuleLayout::kOffProfileFlags)));
        if ((mine[i] ^ theirs[i]) & ~ignore)
            refuse(kestfwFormat("rule record byte %zu (0x%02x where the rule gives 0x%02x)", i, theirs[i], mine[i]));
    }
}

}  // namespace

extern "C" {

FWStatus_t FW_WriteRuleText(const FWRule_* rule, char* out, unsigned int outSize) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(rule != nullptr && out != nullptr && outSize != 0);
    // The caller sees either the whole text or an empty one.
    out[0] = '\0';
    KFW_API_RUN([&]() -> FWStatus_t {
        std::unique_ptr<CKestFWRule> r(CKestFWRuleFactory::newFromMsgBuf(rule));
        if (!r) throw CUnsupportedException("rule record does not describe a rule");
        checkRecordCarried(*rule, *r);
        const std::string text = CKestFWConfigWriter::rule(*r) + ";";
        if (text.size() + 1 > outSize)
            throw CKestFWException(kestfwFormat("rule text needs %zu bytes, %u given", text.size() + 1, outSize), 8);
        memcpy(out, text.c_str(), text.size() + 1);
        return 0;
    });
}

FWStatus_t FW_WriteConfigText(void* configHandle, char* out, unsigned int outSize, unsigned int* needed) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(configHandle != nullptr && (out != nullptr || outSize == 0));
    if (out != nullptr) out[0] = '\0';
    KFW_API_RUN([&]() -> FWStatus_t {
        const auto* list = static_cast<const CKestFWCmdList*>(configHandle);
        const std::string text = CKestFWConfigWriter::commandList(*list);
        if (text.size() + 1 > UINT32_MAX) throw CKestFWException("configuration text exceeds 4 GiB", 8);
        if (needed != nullptr) *needed = static_cast<unsigned int>(text.size() + 1);
        if (text.size() + 1 > outSize) return 8;
        memcpy(out, text.c_str(), text.size() + 1);
        return 0;
    });
}

}  // extern "C"
