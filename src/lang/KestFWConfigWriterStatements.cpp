#include "lang/KestFWConfigWriterStatements.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cstring>
#include <vector>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "cmd/KestFWCmdAddDomain2IPMapping.h"
#include "cmd/KestFWCmdClearAllConnection.h"
#include "cmd/KestFWCmdClearKifStat.h"
#include "cmd/KestFWCmdConfigTCPStrict.h"
#include "cmd/KestFWCmdCreateContainer.h"
#include "cmd/KestFWCmdDeleteSpoofGuard.h"
#include "cmd/KestFWCmdEnableVerbose.h"
#include "cmd/KestFWCmdGetAddrSetCount.h"
#include "cmd/KestFWCmdGetAddrSetInfo.h"
#include "cmd/KestFWCmdGetAddrSetList.h"
#include "cmd/KestFWCmdGetAddrSetStatList.h"
#include "cmd/KestFWCmdGetAddrSetTypeAndSize.h"
#include "cmd/KestFWCmdGetAddressOfAddrSet.h"
#include "cmd/KestFWCmdGetConnectionCount.h"
#include "cmd/KestFWCmdGetConnectionStat.h"
#include "cmd/KestFWCmdGetHopoverExportver.h"
#include "cmd/KestFWCmdGetKifStat.h"
#include "cmd/KestFWCmdGetLBConfig.h"
#include "cmd/KestFWCmdGetLBStat.h"
#include "cmd/KestFWCmdGetRuleCountOfRuleSet.h"
#include "cmd/KestFWCmdGetRuleOfRuleSet.h"
#include "cmd/KestFWCmdGetRuleSetInfo.h"
#include "cmd/KestFWCmdGetRuleSetList.h"
#include "cmd/KestFWCmdGetSharedAddrSet.h"
#include "cmd/KestFWCmdGetStatOfRuleSet.h"
#include "cmd/KestFWCmdGetTCPStrict.h"
#include "cmd/KestFWCmdGetTimeout.h"
#include "cmd/KestFWCmdModifyDomainUuidMap.h"
#include "cmd/KestFWCmdSetAllConnection.h"
#include "cmd/KestFWCmdSetConnAttr.h"
#include "cmd/KestFWCmdSetConnectionByFilter.h"
#include "cmd/KestFWCmdSetConnectionByList.h"
#include "cmd/KestFWCmdSetHopoverExportver.h"
#include "cmd/KestFWCmdSetTimeout.h"
#include "cmd/KestFWCmdSetUid2SidMapping.h"
#include "kestfw/kestfw_util.h"
#include "lang/KestFWConfigWriter.h"
#include "model/KestFWAddressEther.h"
#include "model/KestFWConnectionList.h"
#include "model/KestFWIDList.h"
#include "model/KestFWL7Attribute.h"

namespace KestFirewall {

namespace {

[[noreturn]] void refuse(const std::string& what) {
    KFW_WARN("cannot write %s in the configuration language\n", what.c_str());
    throw CUnsupportedException(("cannot write " + what).c_str());
}

std::string num(uint64_t v) { return std::to_string(v); }

std::string name(const char* field, size_t size, const char* what) {
    if (memchr(field, '\0', size) == nullptr) refuse(std::string(what) + " without its terminating NUL");
    return CKestFWConfigWriter::word(field);
}
std::string ruleSet(const FWRuleSetID_t& id) { return name(id.name, sizeof id.name, "rule-set name"); }
std::string addrSet(const FWAddrSetID_t& id) { return name(id.name, sizeof id.name, "address-set name"); }

const char* natPrefix(unsigned type) {
    switch (type) {
        case 0:
            return "";
        case 1:
            return "snat ";
        case 2:
            return "dnat ";
        default:
            refuse("rule type " + num(type));
    }
}

// A query window the statement does not name must be the one the grammar gives it.
void sameWindow(const CKestFWCmd& cmd, const CKestFWCmd& reference, const char* what) {
    if (cmd.getMsgSize() != reference.getMsgSize()) refuse(std::string(what) + " with a window of its own");
}

std::string ruleQuery(const char* kind, const RuleSelection& sel, const std::string& port) {
    std::string s = std::string("describe ") + natPrefix(sel.ruleType) + kind + " of ruleset " + ruleSet(sel.id);
    if (sel.ids) {
        if (sel.ids->size() != sel.count || sel.ids->size() == 0) refuse(std::string(kind) + " query by repeated ids");
        return s + port + " with " + sel.ids->toString();
    }
    if (sel.count != 10000) refuse(std::string(kind) + " query of " + num(sel.count) + " rules");
    return s + (sel.start != 0 ? " from " + num(sel.start) : "") + port;
}

std::string attributes(const CKestFWContainer& container) {
    std::vector<const CKestFWL7Attribute*> list;
    for (const auto& element : container.getElements()) {
        auto attribute = dynamic_cast<const CKestFWL7Attribute*>(element.get());
        if (attribute == nullptr) refuse("container element that is no attribute");
        list.push_back(attribute);
    }
    if (list.empty()) refuse("attribute list without attributes");
    return "{ " + CKestFWConfigWriter::l7Attributes(list) + " }";
}

std::string ipv4Port(const uint8_t* address, uint16_t port) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, address, text, sizeof text);
    return std::string(text) + ":" + num(ntohs(port));
}

std::string connections(const CKestFWConnectionList& list) {
    std::vector<FWConnection_> records(list.size());
    unsigned int used = 0;
    if (records.empty() || !const_cast<CKestFWConnectionList&>(list).toMessage(
                               records.data(), unsigned(records.size() * sizeof(FWConnection_)), &used))
        refuse("connection list");
    std::string s;
    for (const FWConnection_& c : records) {
        bool plain = c.flags == 0 && c.proto == 0 && c.zero[0] == 0 && c.zero[1] == 0;
        for (int i = 4; i < 16; ++i) plain = plain && c.src[i] == 0 && c.dst[i] == 0;
        if (!plain) refuse("connection other than IPv4 addresses and ports");
        s += (s.empty() ? "" : ", ") + std::string("from ") + ipv4Port(c.src, c.sport) + " to " +
             ipv4Port(c.dst, c.dport);
    }
    return "{ " + s + " }";
}

std::string connSpec(const FWConnection_& c) {
    bool v6 = (c.flags & FW_CONN_FLAG_IPV6) != 0;
    if ((c.flags & ~(FW_CONN_FLAG_IPV6 | FW_CONN_FLAG_INBOUND | FW_CONN_FLAG_OUTBOUND)) != 0 ||
        ((c.flags & FW_CONN_FLAG_INBOUND) && (c.flags & FW_CONN_FLAG_OUTBOUND)) || c.zero[0] != 0 || c.zero[1] != 0)
        refuse("connection flags");
    char src[INET6_ADDRSTRLEN] = {}, dst[INET6_ADDRSTRLEN] = {};
    inet_ntop(v6 ? AF_INET6 : AF_INET, c.src, src, sizeof src);
    inet_ntop(v6 ? AF_INET6 : AF_INET, c.dst, dst, sizeof dst);
    for (int i = 4; !v6 && i < 16; ++i)
        if (c.src[i] != 0 || c.dst[i] != 0) refuse("IPv4 connection with bytes past its addresses");
    const protoent* proto = getprotobynumber(c.proto);
    if (proto == nullptr || getprotobyname(proto->p_name) == nullptr ||
        getprotobyname(proto->p_name)->p_proto != c.proto)
        refuse("connection protocol " + num(c.proto));
    const char* dir = (c.flags & FW_CONN_FLAG_INBOUND)    ? "dir_in"
                      : (c.flags & FW_CONN_FLAG_OUTBOUND) ? "dir_out"
                                                          : "none";
    return std::string(src) + " " + num(ntohs(c.sport)) + " " + dst + " " + num(ntohs(c.dport)) + " " +
           CKestFWConfigWriter::word(proto->p_name) + " " + dir;
}

std::string sidText(const fwattr_sid& sid) {
    char text[256] = {};
    if (sid_bin2str(&sid, text, sizeof text) != 1) refuse("SID record");
    return "\"" + std::string(text) + "\"";
}

unsigned presentCount(const FWInstTimeout_& t, unsigned* which) {
    unsigned n = 0;
    for (unsigned i = 0; i < 23; ++i)
        if (t.present[i]) {
            ++n;
            *which = i;
        }
    return n;
}

std::string setTimeout(const CKestFWCmdSetTimeout& c, const std::string& port) {
    const FWInstTimeout_& t = c.getTimeouts();
    unsigned which = 0, n = presentCount(t, &which);
    if (n == 1)
        return "set timeout \"" + std::string(g_kestfw_timeout_name[which]) + "\" to " + num(t.value[which]) + port;
    if (n != 23) refuse("setting of " + num(n) + " timeouts");
    std::string list;
    for (unsigned i = 0; i < 23; ++i) list += (i ? " " : "") + num(t.value[i]);
    return "set timeout to \"" + list + "\"" + port;
}

std::string getTimeout(const CKestFWCmdGetTimeout& c, const std::string& port) {
    const FWInstTimeout_& t = c.getTimeouts();
    for (unsigned i = 0; i < 23; ++i)
        if (t.value[i] != 0) refuse("timeout query carrying values");
    unsigned which = 0, n = presentCount(t, &which);
    if (n == 1) return "describe timeout \"" + std::string(g_kestfw_timeout_name[which]) + "\"" + port;
    if (n != 23) refuse("query of " + num(n) + " timeouts");
    return "describe timeout" + port;
}

std::string domainMap(const CKestFWCmdModifyDomainUuidMap& c, const std::string& port) {
    if (c.isRemove() || c.getEntries().empty()) refuse("domain map without domains to add");
    std::string s = "add domainuuidmap" + port + " {";
    for (const auto& entry : c.getEntries()) {
        if (entry.second.valueWord != 0 || entry.second.value > uint64_t(INT64_MAX)) refuse("domain entry value");
        s += " domain " + CKestFWConfigWriter::word(entry.first) + " " + num(entry.second.value) + " {";
        std::string uuids;
        for (const KestFWUuid& u : entry.second.uuids) {
            char text[40] = {};
            uuid2normalstr(u.data(), text, sizeof text);
            uuids += (uuids.empty() ? "" : ", ") + std::string("\"") + text + "\"";
        }
        s += uuids + "};";
    }
    return s + " }";
}

std::string domain2ip(const CKestFWCmdAddDomain2IPMapping& c, const std::string& port) {
    std::string members;
    for (const auto& entry : c.getAddresses()) {
        if (entry.second != 100) refuse("domain address with a ttl of " + num(entry.second));
        members += (members.empty() ? "" : ", ") + CKestFWConfigWriter::member(*entry.first);
    }
    return "add domain2ip" + port + " " + CKestFWConfigWriter::word(c.getDomain()) + " with { " + members + " }";
}

std::string uid2sid(const CKestFWCmdSetUid2SidMapping& c, const std::string& port) {
    if (c.getGroups().empty()) refuse("user without group SIDs");
    std::string s = "set uid2sidmap" + port + " " + sidText(c.getUser()) + " {";
    for (size_t i = 0; i < c.getGroups().size(); ++i) s += (i ? ", " : " ") + sidText(c.getGroups()[i]);
    return s + " }";
}

std::string connAttr(const CKestFWCmdSetConnAttr& c, const std::string& port) {
    std::string s = "set connattr" + port + " ";
    if (const FWConnection_* conn = c.getConnection())
        s += connSpec(*conn);
    else if (c.getStateId() != 0 && htonll(c.getStateId()) <= uint64_t(INT64_MAX))
        s += num(htonll(c.getStateId()));
    else
        refuse("connection attributes without their connection");
    return s + " with " + attributes(c.getContainer());
}

}  // namespace

bool kfwWriteStatement(const CKestFWCmd& cmd, const std::string& port, std::string* out) {
    std::string& s = *out;
    dvs_port_ any = cmd.getDVSPort();
    if (auto c = dynamic_cast<const CKestFWCmdGetRuleCountOfRuleSet*>(&cmd))
        s = std::string("describe ") + natPrefix(c->getRuleType()) + "rule count of ruleset " +
            ruleSet(c->getRuleSetId()) + port;
    else if (auto c = dynamic_cast<const CKestFWCmdGetRuleSetInfo*>(&cmd))
        s = "describe info of ruleset " + ruleSet(c->getRuleSetId()) + port;
    else if (auto c = dynamic_cast<const CKestFWCmdGetRuleOfRuleSet*>(&cmd))
        s = ruleQuery("rule", c->getSelection(), port);
    else if (auto c = dynamic_cast<const CKestFWCmdGetStatOfRuleSet*>(&cmd))
        s = ruleQuery("stat", c->getSelection(), port);
    else if (auto c = dynamic_cast<const CKestFWCmdGetRuleSetList*>(&cmd)) {
        sameWindow(cmd, CKestFWCmdGetRuleSetList(&any, 10000, 0), "rule-set list");
        s = "describe list of ruleset" + (c->getStart() ? " from " + num(c->getStart()) : "") + port;
    } else if (auto c = dynamic_cast<const CKestFWCmdGetAddrSetTypeAndSize*>(&cmd))
        s = "describe size of addrset " + addrSet(c->getSetID()) + port;
    else if (auto c = dynamic_cast<const CKestFWCmdGetAddrSetInfo*>(&cmd))
        s = "describe info of addrset " + addrSet(c->getSetID()) + port;
    else if (dynamic_cast<const CKestFWCmdGetAddrSetStatList*>(&cmd)) {
        sameWindow(cmd, CKestFWCmdGetAddrSetStatList(&any, 0, 20000, 0), "address-set statistics");
        s = "describe stat of addrset" + port;
    } else if (auto c = dynamic_cast<const CKestFWCmdGetAddressOfAddrSet*>(&cmd)) {
        sameWindow(cmd, CKestFWCmdGetAddressOfAddrSet(&any, c->getSetID(), 50000, 0), "address query");
        s = "describe address of addrset " + addrSet(c->getSetID()) +
            (c->getStart() ? " from " + num(c->getStart()) : "") + port;
    } else if (dynamic_cast<const CKestFWCmdGetAddrSetCount*>(&cmd))
        s = "describe count of addrset" + port;
    else if (auto c = dynamic_cast<const CKestFWCmdGetAddrSetList*>(&cmd)) {
        sameWindow(cmd, CKestFWCmdGetAddrSetList(&any, 0, 20000, 0), "address-set list");
        s = "describe list of addrset" + (c->getStart() ? " from " + num(c->getStart()) : "") + port;
    } else if (dynamic_cast<const CKestFWCmdGetConnectionCount*>(&cmd))
        s = "describe connection count" + port;
    else if (dynamic_cast<const CKestFWCmdSetConnectionByFilter*>(&cmd))
        s = "set connection" + port;
    else if (auto c = dynamic_cast<const CKestFWCmdSetConnectionByList*>(&cmd))
        s = "set connection" + port + " with " + connections(c->getList());
    else if (dynamic_cast<const CKestFWCmdSetAllConnection*>(&cmd))
        s = "set all connection" + port;
    else if (auto c = dynamic_cast<const CKestFWCmdGetConnectionStat*>(&cmd)) {
        if (c->getCount() != 50000 || c->getStart() > uint64_t(INT64_MAX)) refuse("connection statistics window");
        s = "describe connection stat" + (c->getStart() ? " from " + num(c->getStart()) : "") + port;
    } else if (dynamic_cast<const CKestFWCmdClearAllConnection*>(&cmd))
        s = "clear all connection" + port;
    else if (auto c = dynamic_cast<const CKestFWCmdCreateContainer*>(&cmd))
        s = "create attrprofile " + CKestFWConfigWriter::word(c->getContainer().getName()) + port + " with " +
            attributes(c->getContainer());
    else if (auto c = dynamic_cast<const CKestFWCmdModifyDomainUuidMap*>(&cmd))
        s = domainMap(*c, port);
    else if (auto c = dynamic_cast<const CKestFWCmdAddDomain2IPMapping*>(&cmd))
        s = domain2ip(*c, port);
    else if (auto c = dynamic_cast<const CKestFWCmdSetUid2SidMapping*>(&cmd))
        s = uid2sid(*c, port);
    else if (auto c = dynamic_cast<const CKestFWCmdSetConnAttr*>(&cmd))
        s = connAttr(*c, port);
    else if (dynamic_cast<const CKestFWCmdGetHopoverExportver*>(&cmd))
        s = "describe exportver" + port;
    else if (auto c = dynamic_cast<const CKestFWCmdSetHopoverExportver*>(&cmd))
        s = "set exportver " + num(c->getHopoverExportver()) + port;
    else if (auto c = dynamic_cast<const CKestFWCmdDeleteSpoofGuard*>(&cmd))
        s = "delete spoofguard" +
            (c->getAddress() ? " with mac " + CKestFWConfigWriter::member(*c->getAddress()) : std::string()) + port;
    else if (dynamic_cast<const CKestFWCmdGetKifStat*>(&cmd))
        s = "describe stat of kif" + port;
    else if (dynamic_cast<const CKestFWCmdClearKifStat*>(&cmd))
        s = "clear stat of kif" + port;
    else if (dynamic_cast<const CKestFWCmdGetLBConfig*>(&cmd))
        s = "describe config of lb" + port;
    else if (dynamic_cast<const CKestFWCmdGetLBStat*>(&cmd))
        s = "describe stat of lb" + port;
    else if (auto c = dynamic_cast<const CKestFWCmdConfigTCPStrict*>(&cmd))
        s = std::string(c->isEnabled() ? "enable" : "disable") + " tcp strict" + port;
    else if (dynamic_cast<const CKestFWCmdGetTCPStrict*>(&cmd))
        s = "describe tcp strict" + port;
    else if (auto c = dynamic_cast<const CKestFWCmdSetTimeout*>(&cmd))
        s = setTimeout(*c, port);
    else if (auto c = dynamic_cast<const CKestFWCmdGetTimeout*>(&cmd))
        s = getTimeout(*c, port);
    else if (dynamic_cast<const CKestFWCmdGetSharedAddrSet*>(&cmd))
        s = "describe shared addrset" + port;
    else if (auto c = dynamic_cast<const CKestFWCmdEnableVerbose*>(&cmd)) {
        if ((c->getComponent() != 1 && c->getComponent() != 2) || c->getLevel() > 15) refuse("debug setting");
        s = std::string("debug ") + (c->getComponent() == 1 ? "dp " : "cp ") + num(c->getLevel()) + port;
    } else
        return false;
    return true;
}

}  // namespace KestFirewall
