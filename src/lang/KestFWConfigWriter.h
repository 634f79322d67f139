// Writes commands, rules and their parts back as configuration text that the parser reads into the
// same message bytes: the "save" form of a configuration. It is not the objects' own toString, which
// is a display form. What the language cannot say (a negated "any", an IP range inside a rule, a
// tenant context, a port whose agent is not the default one ...) is refused with
// CUnsupportedException (status 7) naming the part, never written as something else.
#pragma once

#include <string>
#include <vector>

#include "base/KestFWApi.h"
#include "kestfw/kestfw_address.h"
#include "kestfw/kestfw_types.h"

namespace KestFirewall {

class CKestFWAddress;
class CKestFWAddressList;
class CKestFWCmd;
class CKestFWCmdList;
class CKestFWL7Attribute;
class CKestFWProtocol;
class CKestFWProtocolSpec;
class CKestFWProtocolSpecList;
class CKestFWRule;
class CKestFWRuleAction;

class KESTFW_API CKestFWConfigWriter {
public:
    // The agent every parse starts its default port with.
    static constexpr const char* kDefaultAgent = "orbane-wyb-kest";

    // A name as one STRING token: bare when the scanner reads it back as an identifier, else in
    // double quotes (single quotes when it holds a double quote). Over 255 characters, or both
    // quote characters, is refused.
    static std::string word(const std::string& text);
    // " of <port>" for a port that names a switch port, else "".
    static std::string portClause(const dvs_port_& port);

    // An address where a rule names its source or destination ("any", "not ip 10.0.0.0/8",
    // "addrset web", "mac 00:11:22:33:44:55").
    static std::string ruleAddress(const CKestFWAddress* address);
    // One address-set member, without the optional "ip"/"mac" keyword.
    static std::string member(const CKestFWAddress& address);
    // The members of a set of `kind` as they follow the set's name ("" for a set without members).
    static std::string memberList(FWAddrSetType_t kind, const CKestFWAddressList* list);

    static std::string protocol(const CKestFWProtocol& protocol);
    // One connection spec (stateless, dscp 10, flag {SYN, ACK}, not icmptype 8, ...).
    static std::string protocolSpec(const CKestFWProtocolSpec& spec);
    // The connection specs of a rule: "" when none, the one spec, or "with {a, b}".
    static std::string protocolSpecList(const CKestFWProtocolSpecList* list);
    // A rule side's ports: "" when none, else "port 80", "not port 1-9" or "port {1-9, 80}".
    static std::string portSpec(const CKestFWProtocolSpecList* list);
    // The action with its flags and dynamic application ("pass with {log, rtt} as ftp").
    static std::string action(const CKestFWRuleAction& action);
    // L7 attributes as bracketed lists, consecutive values of one key sharing a bracket:
    // [APP_ID : HTTP, SSL], [FQDN : "www" uuid "<uuid>"].
    static std::string l7Attributes(const std::vector<const CKestFWL7Attribute*>& attributes);
    // "rule <id> ... <action> ..." without the closing ";".
    static std::string rule(const CKestFWRule& rule);

    // One statement without the closing ";".
    static std::string command(const CKestFWCmd& cmd);
    // Every command as a statement closed by ";\n"; refused as a whole when one is.
    static std::string commandList(const CKestFWCmdList& list);
};

}  // namespace KestFirewall
