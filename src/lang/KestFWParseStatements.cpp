#include "lang/KestFWParseStatements.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <strings.h>

#include <cstring>

#include "base/KestFWLog.h"
#include "cmd/KestFWCmdAddDomain2IPMapping.h"
#include "cmd/KestFWCmdCreateContainer.h"
#include "cmd/KestFWCmdGetRuleOfRuleSet.h"
#include "cmd/KestFWCmdGetStatOfRuleSet.h"
#include "cmd/KestFWCmdModifyDomainUuidMap.h"
#include "cmd/KestFWCmdSetConnAttr.h"
#include "cmd/KestFWCmdSetUid2SidMapping.h"
#include "kestfw/kestfw_settings.h"
#include "kestfw/kestfw_util.h"
#include "lang/KestFWParseSupport.h"
#include "model/KestFWAddressFactory.h"
#include "model/KestFWAddressList.h"
#include "model/KestFWAttributeUtils.h"
#include "model/KestFWIDList.h"
#include "model/KestFWL7Attribute.h"

namespace KestFirewall {

KestFWL7List::KestFWL7List() = default;
KestFWL7List::~KestFWL7List() = default;

std::array<uint8_t, 16> kfwUuidValue(const char* text) {
    std::array<uint8_t, 16> uuid{};
    if (normalstr2uuid(uuid.data(), text) != 1) kfwParseFail(16, "invalid uuid value%s", text);
    return uuid;
}

KestFWDomainEntry* kfwDomainEntry(const char* name, int64_t number, const KestFWStrList& uuids) {
    std::unique_ptr<KestFWDomainEntry> entry(new KestFWDomainEntry);
    entry->name = name;
    entry->number = uint64_t(number);
    for (const std::string& text : uuids) entry->uuids.insert(kfwUuidValue(text.c_str()));
    return entry.release();
}

KestFWL7List* kfwL7Attributes(const char* key, const KestFWL7Values& values) {
    const _FWAttrKey* record = str2attrkey(key);
    if (record == nullptr) kfwParseFail(16, "invalid key %s", key);
    FWAttrKeyID id = record->key;
    std::unique_ptr<KestFWL7List> list(new KestFWL7List);
    auto add = [&](CKestFWL7Attribute* attribute) { list->attributes.emplace_back(attribute); };
    switch (values.kind) {
        case KestFWL7Values::Strings:
            for (const std::string& s : values.strings) add(new CKestFWL7Attribute(id, s, 0));
            break;
        case KestFWL7Values::Ints:
            for (int32_t v : values.ints) add(new CKestFWL7Attribute(id, long(v), 0));
            break;
        case KestFWL7Values::Uints:
            for (uint64_t v : values.uints) add(new CKestFWL7Attribute(id, static_cast<unsigned long>(v), 0));
            break;
        case KestFWL7Values::Uuids:
            for (const auto& u : values.uuids) add(new CKestFWL7Attribute(id, u.uuid.data(), u.name, 0));
            break;
        case KestFWL7Values::Dns:
            for (const auto& d : values.dns) add(new CKestFWL7Attribute(id, d.name, d.rrType, d.rcode, 0, 0));
            break;
    }
    return list.release();
}

namespace {

// An IPv4 text or "any" (0.0.0.0) into the first four bytes of a connection's address field.
void putIPv4(uint8_t* field, const char* text) {
    if (text == nullptr) return;
    in_addr a;
    if (inet_pton(AF_INET, text, &a) != 1) kfwParseFail(16, "connection address (%s) is not an IPv4 address", text);
    memcpy(field, &a, 4);
}

}  // namespace

FWConnection_* kfwConnection(const char* src, int64_t sport, const char* dst, int64_t dport) {
    std::unique_ptr<FWConnection_> conn(new FWConnection_());
    putIPv4(conn->src, src);
    putIPv4(conn->dst, dst);
    conn->sport = htons(kfwCheckPort(sport));
    conn->dport = htons(kfwCheckPort(dport));
    return conn.release();
}

FWConnection_* kfwConnectionOfPorts(const char* src, bool srcAny, const char* dst, bool dstAny) {
    std::unique_ptr<FWConnection_> conn(new FWConnection_());
    in_addr a;
    unsigned short port = 0;
    kfwIPPort(src, srcAny, &a, &port);
    memcpy(conn->src, &a, 4);
    conn->sport = htons(port);
    kfwIPPort(dst, dstAny, &a, &port);
    memcpy(conn->dst, &a, 4);
    conn->dport = htons(port);
    return conn.release();
}

FWConnection_* kfwConnSpec(const char* src, int64_t sport, const char* dst, int64_t dport, const char* protocol,
                           const char* direction) {
    std::unique_ptr<FWConnection_> conn(new FWConnection_());
    bool srcV6 = strchr(src, ':') != nullptr, dstV6 = strchr(dst, ':') != nullptr;
    if (srcV6 != dstV6) kfwParseFail(16, "connection addresses %s and %s are of different families", src, dst);
    int family = srcV6 ? AF_INET6 : AF_INET;
    if (inet_pton(family, src, conn->src) != 1 || inet_pton(family, dst, conn->dst) != 1)
        kfwParseFail(16, "invalid connection address %s or %s", src, dst);
    if (srcV6) conn->flags |= FW_CONN_FLAG_IPV6;
    conn->sport = htons(kfwCheckPort(sport));
    conn->dport = htons(kfwCheckPort(dport));
    const protoent* entry = getprotobyname(protocol);
    if (entry == nullptr) kfwParseFail(16, "unknown protocol (%s)", protocol);
    conn->proto = uint8_t(entry->p_proto);
    if (strncmp(direction, "dir_in", 6) == 0)
        conn->flags |= FW_CONN_FLAG_INBOUND;
    else if (strncmp(direction, "dir_out", 7) == 0)
        conn->flags |= FW_CONN_FLAG_OUTBOUND;
    return conn.release();
}

void kfwTimeoutList(const char* text, FWInstTimeout_* out) {
    memset(out, 0, sizeof *out);
    if (ParseTimeoutList(text, out->value, 23) != 1) kfwParseFail(16, "%s", "invalid timeouts");
    memset(out->present, 1, sizeof out->present);
}

unsigned kfwDebugComponent(const char* name) {
    if (strcasecmp(name, "dp") == 0 || strcasecmp(name, "pf") == 0) return 1;
    if (strcasecmp(name, "cp") == 0) return 2;
    kfwParseFail(16, "unknown debug component (%s)", name);
}

CKestFWCmd* kfwRuleQuery(dvs_port_* port, const char* name, uint32_t query, unsigned count, unsigned start) {
    FWRuleSetID_t id = kfwRuleSetName(name);
    unsigned type = query & ~kStatQuery;
    if (query & kStatQuery) return new CKestFWCmdGetStatOfRuleSet(port, id, count, start, type);
    return new CKestFWCmdGetRuleOfRuleSet(port, id, count, start, type);
}

CKestFWCmd* kfwRuleQuery(dvs_port_* port, const char* name, uint32_t query, std::unique_ptr<CKestFWIDList> ids) {
    FWRuleSetID_t id = kfwRuleSetName(name);
    unsigned type = query & ~kStatQuery;
    // The command owns the list from its first member on, also when its constructor gives up.
    CKestFWIDList* list = ids.release();
    if (query & kStatQuery) return new CKestFWCmdGetStatOfRuleSet(port, id, list, type);
    return new CKestFWCmdGetRuleOfRuleSet(port, id, list, type);
}

CKestFWCmd* kfwCreateContainer(dvs_port_* port, const char* name, std::unique_ptr<KestFWL7List> attributes) {
    FWAddrSetID_t id = kfwAddrSetName(name);
    std::unique_ptr<CKestFWCmdCreateContainer> cmd(
        new CKestFWCmdCreateContainer(port, id.name, FW_CONTAINER_ATTR_PROFILE));
    for (const auto& attribute : attributes->attributes) {
        KFW_DEBUG(KFW_COMP_PARSER, 1, "adding element\n");
        cmd->addElement(std::unique_ptr<CKestFWContainerElement>(new CKestFWL7Attribute(*attribute)));
    }
    return cmd.release();
}

CKestFWCmd* kfwConnAttr(dvs_port_* port, std::unique_ptr<FWConnection_> conn, int64_t stateId,
                        std::unique_ptr<KestFWL7List> attributes) {
    std::unique_ptr<CKestFWCmdSetConnAttr> cmd;
    if (conn)
        cmd.reset(new CKestFWCmdSetConnAttr(port, *conn, 0));
    else if (stateId != 0)
        cmd.reset(new CKestFWCmdSetConnAttr(port, htonll(uint64_t(stateId)), 0));
    else
        kfwParseFail(16, "%s", "connection attributes need a connection or a state id");
    for (const auto& attribute : attributes->attributes)
        cmd->addAttribute(std::unique_ptr<CKestFWL7Attribute>(new CKestFWL7Attribute(*attribute)));
    return cmd.release();
}

CKestFWCmd* kfwDomain2IP(dvs_port_* port, const char* domain, std::unique_ptr<CKestFWAddressList> addresses) {
    std::unique_ptr<CKestFWCmdAddDomain2IPMapping> cmd(new CKestFWCmdAddDomain2IPMapping(port, domain));
    for (CKestFWAddress* address : addresses->getAddresses()) {
        // The list keeps its members; the command gets its own copy through the address record.
        FWAddress_ record;
        unsigned int used = 0;
        if (!address->toMessage(&record, sizeof record, &used))
            kfwParseFail(16, "address %s cannot map a domain", address->toString().c_str());
        cmd->addAddress(std::unique_ptr<CKestFWAddress>(CKestFWAddressFactory::newFromMsgBuf(&record)), 100);
    }
    return cmd.release();
}

CKestFWCmd* kfwDomainUuidMap(dvs_port_* port, std::unique_ptr<KestFWDomainList> entries) {
    std::unique_ptr<CKestFWCmdModifyDomainUuidMap> cmd(new CKestFWCmdModifyDomainUuidMap(port, false));
    for (const KestFWDomainEntry& entry : *entries) {
        std::set<KestFWUuid> uuids(entry.uuids.begin(), entry.uuids.end());
        cmd->addDomainUuidEntry(entry.name, uuids, entry.number, 0);
    }
    return cmd.release();
}

CKestFWCmd* kfwUid2Sid(dvs_port_* port, const char* uid, std::unique_ptr<KestFWStrList> sids) {
    fwattr_sid user;
    memset(&user, 0, sizeof user);
    if (sid_str2bin(uid, &user) != 1) kfwParseFail(16, "%s", "invalid uid");
    std::unique_ptr<CKestFWCmdSetUid2SidMapping> cmd(
        new CKestFWCmdSetUid2SidMapping(port, 0, user, jhash32(&user, sizeof user, 0)));
    for (const std::string& text : *sids) {
        fwattr_sid sid;
        memset(&sid, 0, sizeof sid);
        if (sid_str2bin(text.c_str(), &sid) != 1) kfwParseFail(16, "invalid sid : %s\n", text.c_str());
        cmd->addSid(&sid, 1);
    }
    return cmd.release();
}

}  // namespace KestFirewall
