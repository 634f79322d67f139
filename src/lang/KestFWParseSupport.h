// What the grammar's actions share: the per-parse state (default switch port, attribute type of the
// attribute set being read, the thread's last parse error), the checks that turn a bad value of the
// text into a status and a message, and the builders that are more than one constructor call.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "kestfw/kestfw_address.h"
#include "kestfw/kestfw_config.h"
#include "kestfw/kestfw_rule.h"
#include "kestfw/kestfw_types.h"
#include "lang/KestFWLexTypes.h"

namespace KestFirewall {

class CKestFWAddress;
class CKestFWAddressList;
class CKestFWCmd;
class CKestFWCmdList;
class CKestFWContainerID;
class CKestFWProtocol;
class CKestFWProtocolSpecList;
class CKestFWRule;
class CKestFWRuleAction;

// A semantic error of the text: the grammar reports it through yyerror and abandons the parse.
struct CKestFWParseFailure {
    FWStatus_t status;
    std::string message;
};
[[noreturn]] void kfwParseFail(FWStatus_t status, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// Process-wide state of the grammar, kept in one place. Parses must not run concurrently: every
// parse resets the default port, and the attribute type outlives a parse on purpose.
class CKestFWParseState {
public:
    static constexpr FWAttrIDType kNoAttributeType = 0xFFFFFFFFu;
    // Start of a parse: the default port becomes all zero with agent "orbane-wyb-kest".
    static void beginParse();
    static dvs_port_ defaultPort() { return g_kestfw_default_dvsport; }
    // "config default agent A and PORT": later statements without a port clause use PORT with agent A.
    static void setDefaultPort(const dvs_port_& port, const char* agent);
    // "create T attrset": the key named T (kNoAttributeType when T names none).
    static void setAttributeType(const char* name);
    static FWAttrIDType attributeType();

    // The calling thread's last parse error.
    static void clearError();
    static void recordError(const char* input, unsigned line, unsigned firstColumn, unsigned lastColumn,
                            FWStatus_t status, const char* message);
    static bool lastError(FWParseError_* out);

    // An exception an action raised, kept while the parser unwinds its stack, raised again after.
    static std::exception_ptr& pending();
};

// Switch ports of the port clauses; every form but filter and vif takes the default port's agent.
dvs_port_ kfwPortFromUuidPort(const FWLexVnicPort& value, unsigned type);
dvs_port_ kfwPortFromVnicText(const char* text, unsigned type);
dvs_port_ kfwPortFromSwitch(const char* text, int64_t index);
dvs_port_ kfwPortFromFilter(const char* text);
dvs_port_ kfwPortFromVif(const char* text);

// Names of sets: at most `max` characters, else status 32 with "<what> name (%s) is too long".
FWRuleSetID_t kfwRuleSetName(const char* name, size_t max = 63, const char* what = "ruleset");
FWAddrSetID_t kfwAddrSetName(const char* name);

// Numbers of the text: a value outside 0..max fails with `message` and status 17.
uint64_t kfwCheckRange(int64_t value, uint64_t max, const char* message);
// A TCP/UDP port: outside 0..65535 fails with status 38.
unsigned short kfwCheckPort(int64_t value);
// "a.b.c.d:port" or "any:port".
void kfwIPPort(const char* text, bool any, in_addr* address, unsigned short* port);

// Appends `address` to `list`, cutting an IPv4 or IPv6 range into CIDR blocks; takes the address.
void kfwAddAddress(CKestFWAddressList* list, CKestFWAddress* address);
// A one-member list holding `address` as written (ranges stay whole).
CKestFWAddressList* kfwSingleList(CKestFWAddress* address);

// An attribute-set value typed by the current attribute type.
CKestFWAddress* kfwAttributeValue(const char* text);
// "protocol NAME" resolved by the system's protocol table.
CKestFWProtocol* kfwProtocolByName(const char* name, bool negate);
// The key policy of encrypt and pbr: a standard UUID text, else status 3.
void kfwCheckKeyPolicy(const char* text);
// Applies the action flag word (log, copy, noflow, rtt, lbrule, dynamic application).
CKestFWRuleAction* kfwApplyActionFlags(CKestFWRuleAction* action, uint32_t flags);

// Everything a rule statement names, owned until the rule takes it.
struct KestFWRuleParts {
    int64_t id = 0;
    int64_t position = 0;
    unsigned direction = 0;
    unsigned family = 0;
    std::unique_ptr<CKestFWProtocol> protocol;
    std::unique_ptr<CKestFWProtocolSpecList> specs;
    std::unique_ptr<CKestFWAddress> src;
    std::unique_ptr<CKestFWProtocolSpecList> srcPorts;
    std::unique_ptr<CKestFWAddress> dst;
    std::unique_ptr<CKestFWProtocolSpecList> dstPorts;
    std::unique_ptr<CKestFWContainerID> extSrcProfile;
    std::unique_ptr<CKestFWContainerID> attrProfile;
    FWuuid_ idsProfile{};
    std::unique_ptr<CKestFWContainerID> timeProfile;
    std::unique_ptr<CKestFWRuleAction> action;
    std::string tag;
    unsigned category = 0;
    unsigned bucket = 0;
    std::unique_ptr<CKestFWAddress> extSrcIP;
    std::unique_ptr<CKestFWAddress> excludeSrc;
    std::unique_ptr<CKestFWAddress> excludeDst;
    bool srcMalicious = false;
    bool dstMalicious = false;
};
// Builds the rule; address sets that replace IP ranges the rule cannot carry are appended to `out`
// first, so they exist before the rule set that refers to them.
CKestFWRule* kfwAssembleRule(CKestFWCmdList* out, KestFWRuleParts& parts);

}  // namespace KestFirewall
