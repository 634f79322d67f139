// Values the query, connection, identity and attribute statements collect before their command is
// built, and the builders that turn them into the command's pieces. Each value is owned by the stack
// slot holding it until an action takes it; a failed parse deletes whatever is left.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "kestfw/kestfw_conn.h"
#include "kestfw/kestfw_settings.h"
#include "kestfw/kestfw_types.h"

namespace KestFirewall {

class CKestFWL7Attribute;

typedef std::vector<std::string> KestFWStrList;

// The values of one "[KEY : v, v, ...]" before the key types them; one kind per list.
struct KestFWL7Values {
    enum Kind { Strings, Ints, Uints, Uuids, Dns };
    struct UuidValue {
        std::string name;
        std::array<uint8_t, 16> uuid;
    };
    struct DnsValue {
        std::string name;
        uint32_t rrType;
        uint32_t rcode;
    };
    Kind kind = Strings;
    std::vector<std::string> strings;
    std::vector<int32_t> ints;
    std::vector<uint64_t> uints;
    std::vector<UuidValue> uuids;
    std::vector<DnsValue> dns;
};

// The attributes of a bracketed list or of several, in text order.
struct KestFWL7List {
    std::vector<std::unique_ptr<CKestFWL7Attribute>> attributes;
    KestFWL7List();
    ~KestFWL7List();
};

// "domain NAME NUMBER { uuid, ... };" of a domain-to-UUID map.
struct KestFWDomainEntry {
    std::string name;
    uint64_t number = 0;
    std::set<std::array<uint8_t, 16>> uuids;
};
typedef std::vector<KestFWDomainEntry> KestFWDomainList;

// A UUID value of an attribute list: a standard UUID text, else "invalid uuid value<text>" (16).
std::array<uint8_t, 16> kfwUuidValue(const char* text);
// The domain entry: every string a standard UUID text, duplicates dropped.
KestFWDomainEntry* kfwDomainEntry(const char* name, int64_t number, const KestFWStrList& uuids);
// One attribute per value, keyed by KEY ("invalid key<KEY>" (16) when the catalogue lacks it).
KestFWL7List* kfwL7Attributes(const char* key, const KestFWL7Values& values);

// "from A port N to B port M" (IPv4 texts; null for any) and "from A:N to B:M".
FWConnection_* kfwConnection(const char* src, int64_t sport, const char* dst, int64_t dport);
FWConnection_* kfwConnectionOfPorts(const char* src, bool srcAny, const char* dst, bool dstAny);
// "A sport B dport PROTO DIRECTION" of a connection-attribute statement.
FWConnection_* kfwConnSpec(const char* src, int64_t sport, const char* dst, int64_t dport, const char* protocol,
                           const char* direction);

// "set timeout to LIST": the 23 values of the list, all marked present.
void kfwTimeoutList(const char* text, FWInstTimeout_* out);
// "debug T L": the kernel component T names (1 data path, 2 control path); fails on any other.
unsigned kfwDebugComponent(const char* name);

class CKestFWAddressList;
class CKestFWCmd;
class CKestFWIDList;

// "describe [snat|dnat] rule|stat of ruleset N ...": `query` is the rule type (0 plain, 1 snat,
// 2 dnat) plus kStatQuery for statistics; either a window (count, start) or the ids asked for.
constexpr uint32_t kStatQuery = 4;
CKestFWCmd* kfwRuleQuery(dvs_port_* port, const char* name, uint32_t query, unsigned count, unsigned start);
CKestFWCmd* kfwRuleQuery(dvs_port_* port, const char* name, uint32_t query, std::unique_ptr<CKestFWIDList> ids);

// The statements that carry attributes, addresses or SIDs; each takes the values it is handed.
CKestFWCmd* kfwCreateContainer(dvs_port_* port, const char* name, std::unique_ptr<KestFWL7List> attributes);
CKestFWCmd* kfwConnAttr(dvs_port_* port, std::unique_ptr<FWConnection_> conn, int64_t stateId,
                        std::unique_ptr<KestFWL7List> attributes);
CKestFWCmd* kfwDomain2IP(dvs_port_* port, const char* domain, std::unique_ptr<CKestFWAddressList> addresses);
CKestFWCmd* kfwDomainUuidMap(dvs_port_* port, std::unique_ptr<KestFWDomainList> entries);
CKestFWCmd* kfwUid2Sid(dvs_port_* port, const char* uid, std::unique_ptr<KestFWStrList> sids);

}  // namespace KestFirewall
