/* The configuration language's grammar: a sequence of statements, each ended by ";", each building
 * the command it names; rules, addresses and their parts build the objects of the firewall model and
 * hand them upward. A failed parse leaves nothing behind: every owned value on the stack has a
 * destructor, and an action owns the values of its right-hand side from its first statement on.
 *
 * New statements are further alternatives of Command. */

%code requires {
#include <cstdint>

#include "kestfw/kestfw_rule.h"
#include "kestfw/kestfw_types.h"
#include "lang/KestFWLexTypes.h"
#include "lang/KestFWParseStatements.h"

namespace KestFirewall {
class CKestFWCmd;
class CKestFWAddress;
class CKestFWAddressList;
class CKestFWRule;
class CKestFWRuleList;
class CKestFWProtocol;
class CKestFWProtocolSpec;
class CKestFWProtocolSpecList;
class CKestFWProtocolSpecL4PortSet;
class CKestFWRuleAction;
class CKestFWContainerID;
class CKestFWIDList;
class CKestFWConnectionList;
}  // namespace KestFirewall

/* An address and port of "a.b.c.d:port" (network order address, host order port). */
struct FWLexIPPort {
    uint32_t address;
    uint16_t port;
};

#ifndef KESTFW_PARSER_IMPL
/* The parser's entry point leaves the library like the rest of the exported interface. */
KESTFW_API int yyparse(FWStatus_t* status, void* scanner, const char* inputName,
                       KestFirewall::CKestFWCmdList** cmdList, KestFirewall::CKestFWCmdConfig** config);
#endif
}

%code top {
/* The generated parser runs as kfwParseStack; yyparse below wraps it so that an exception raised by
 * an object constructor leaves the parse only after the stack's values have been destroyed. */
#define KESTFW_PARSER_IMPL 1
#define yyparse kfwParseStack
}

%code provides {
/* The declared display name of a token code, quotes included ("\"keyword create\"", "'['"). */
const char* kestfwTokenName(int token);
}

%code {
#include <arpa/inet.h>

#include <strings.h>

#include <cstring>
#include <memory>

#include "base/KestFWException.h"
#include "base/Locks.h"
#include "base/KestFWLog.h"
#include "cmd/KestFWCmdClearAddrSet.h"
#include "cmd/KestFWCmdClearRootRuleSet.h"
#include "cmd/KestFWCmdClearRuleSet.h"
#include "cmd/KestFWCmdClearRuleSetJump.h"
#include "cmd/KestFWCmdConfig.h"
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
#include "lang/KestFWParseStatements.h"
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
#include "model/KestFWConnectionList.h"
#include "model/KestFWIDList.h"
#include "model/KestFWL7Attribute.h"
#include "lang/KestFWParseSupport.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddressAny.h"
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
#include "model/KestFWContainerID.h"
#include "model/KestFWProtocol.h"
#include "model/KestFWProtocolSpecDSCP.h"
#include "model/KestFWProtocolSpecICMPType.h"
#include "model/KestFWProtocolSpecL4Port.h"
#include "model/KestFWProtocolSpecL4PortRange.h"
#include "model/KestFWProtocolSpecL4PortSet.h"
#include "model/KestFWProtocolSpecList.h"
#include "model/KestFWProtocolSpecSloppy.h"
#include "model/KestFWProtocolSpecStateless.h"
#include "model/KestFWProtocolSpecStrict.h"
#include "model/KestFWProtocolSpecTCPFlags.h"
#include "model/KestFWProtocolSpecTCPOptions.h"
#include "model/KestFWRule.h"
#include "model/KestFWRuleActionAccept.h"
#include "model/KestFWRuleActionClear.h"
#include "model/KestFWRuleActionCopy.h"
#include "model/KestFWRuleActionDNAT.h"
#include "model/KestFWRuleActionDivert.h"
#include "model/KestFWRuleActionDrop.h"
#include "model/KestFWRuleActionEncrypt.h"
#include "model/KestFWRuleActionGoToFilter.h"
#include "model/KestFWRuleActionIDPDetect.h"
#include "model/KestFWRuleActionIDPProtect.h"
#include "model/KestFWRuleActionJumpto.h"
#include "model/KestFWRuleActionLB.h"
#include "model/KestFWRuleActionMacRewrite.h"
#include "model/KestFWRuleActionPbr.h"
#include "model/KestFWRuleActionPunt.h"
#include "model/KestFWRuleActionReject.h"
#include "model/KestFWRuleActionSNAT.h"
#include "model/KestFWRuleList.h"
#include "util/KestFWUtil.h"

using namespace KestFirewall;

int yylex(YYSTYPE* value, YYLTYPE* location, void* scanner);
fw_lex_extra_* yyget_extra(void* scanner);
int yyget_lineno(void* scanner);
int yyget_column(void* scanner);
int yyget_leng(void* scanner);
void kfwLexStartColumns(void* scanner);
void yyerror(YYLTYPE* location, FWStatus_t* status, void* scanner, const char* inputName,
             KestFirewall::CKestFWCmdList** cmdList, KestFirewall::CKestFWCmdConfig** config, const char* message);

/* Every token gets the place it was read at, so an error can point at it. */
static int kfwLexLocated(YYSTYPE* value, YYLTYPE* location, void* scanner) {
    int token = yylex(value, location, scanner);
    int line = yyget_lineno(scanner);
    int end = yyget_column(scanner);
    int length = token != 0 ? yyget_leng(scanner) : 0;
    location->first_line = location->last_line = line;
    location->first_column = end - length + 1;
    location->last_column = end;
    return token;
}
#define yylex kfwLexLocated

/* Actions run through ACT: a semantic error of the text becomes yyerror with its status; any other
 * exception waits until the stack is unwound and then leaves yyparse. */
#define ACT(...)                                                                                  \
    do {                                                                                          \
        try {                                                                                     \
            __VA_ARGS__                                                                           \
        } catch (const CKestFWParseFailure& failure) {                                            \
            *status = failure.status;                                                             \
            yyerror(&yylloc, status, scanner, inputName, cmdList, config, failure.message.c_str()); \
            YYABORT;                                                                              \
        } catch (...) {                                                                           \
            CKestFWParseState::pending() = std::current_exception();                              \
            YYABORT;                                                                              \
        }                                                                                         \
    } while (0)

/* Takes a right-hand-side value out of the stack slot: from here on the action owns it. */
template <typename T>
static std::unique_ptr<T> take(T*& slot) {
    std::unique_ptr<T> owned(slot);
    slot = nullptr;
    return owned;
}

/* The command list once the whole text has been reduced to it. */
static CKestFWCmdList*& kfwFinishedList() {
    static thread_local CKestFWCmdList* list = nullptr;
    return list;
}

/* Replaces the parser's pending configuration command. */
static void kfwSetConfig(CKestFWCmdConfig** config, CKestFWCmdConfig* next) {
    delete *config;
    *config = next;
}

/* "enable|disable|describe X strict": X names the protocol, and only TCP has a strict mode. */
static void kfwExpectTcp(const char* name) {
    if (strcasecmp(name, "tcp") != 0) kfwParseFail(16, "%s", "expecting keyword tcp");
}

static CKestFWRuleList* kfwOneRule(std::unique_ptr<CKestFWRule> rule) {
    std::unique_ptr<CKestFWRuleList> list(new CKestFWRuleList(false));
    if (!list->addRule(rule.get())) kfwParseFail(16, "rule %u cannot join its rule set", rule->getId());
    rule.release();
    return list.release();
}

static CKestFWProtocolSpecList* kfwSpecList(CKestFWProtocolSpec* spec) {
    std::unique_ptr<CKestFWProtocolSpec> owned(spec);
    std::unique_ptr<CKestFWProtocolSpecList> list(new CKestFWProtocolSpecList(0));
    if (owned) list->addSpec(owned.release());
    return list.release();
}

static in_addr kfwAddr(uint32_t raw) {
    in_addr a;
    a.s_addr = raw;
    return a;
}

static fw_ether_ kfwEther(const uint8_t* bytes) {
    fw_ether_ e;
    memcpy(&e, bytes, sizeof e);
    return e;
}

static CKestFWAddress* kfwNegated(CKestFWAddress* address) {
    address->setNegate(true);
    return address;
}

static void kfwAddPort(CKestFWProtocolSpecL4PortSet* set, int64_t port) {
    if (!set->addPort(kfwCheckPort(port))) kfwParseFail(16, "port %d does not fit the port set", int(port));
}

static void kfwAddPortRange(CKestFWProtocolSpecL4PortSet* set, const FWLexNumRange& range) {
    unsigned short low = kfwCheckPort(range.low), high = kfwCheckPort(range.high);
    if (low > high) throw CUnsupportedException(16, "invalid port range");
    if (!set->addPortRange(low, high)) kfwParseFail(16, "port range %d-%d does not fit the port set", low, high);
}

static CKestFWProtocolSpec* kfwPortRange(const FWLexNumRange& range, bool negate) {
    unsigned short low = kfwCheckPort(range.low), high = kfwCheckPort(range.high);
    if (low > high) throw CUnsupportedException(16, "invalid port range");
    return new CKestFWProtocolSpecL4PortRange(0, low, high, negate);
}

static CKestFWProtocolSpecL4PortSet* kfwNegatedPortSet(CKestFWProtocolSpecL4PortSet* set) {
    std::unique_ptr<CKestFWProtocolSpecL4PortSet> plain(set);
    std::unique_ptr<CKestFWProtocolSpecL4PortSet> negated(new CKestFWProtocolSpecL4PortSet(0, true));
    if (!negated->addPortSet(plain.get())) kfwParseFail(16, "%s", "port set cannot be negated");
    return negated.release();
}
}

%define api.pure full
%define parse.error verbose
%locations
%lex-param   {void* scanner}
%parse-param {FWStatus_t* status} {void* scanner} {const char* inputName}
%parse-param {KestFirewall::CKestFWCmdList** cmdList} {KestFirewall::CKestFWCmdConfig** config}

/* The 256-byte semantic value. The scanner fills one of the first members per token; the grammar's
 * own values follow. */
%union {
    char text[256];
    int64_t int64Value;
    uint64_t uint64Value;
    FWLexNumRange numRange;
    FWLexIPv4Range ipv4Range;
    FWLexIPv6Range ipv6Range;
    uint8_t mac[6];
    uint8_t macPair[12];
    FWLexVnicPort vnicPort;
    KestFirewall::CKestFWCmd* cmd;
    KestFirewall::CKestFWCmdList* cmdList;
    dvs_port_ port;
    KestFirewall::CKestFWAddress* address;
    KestFirewall::CKestFWAddressList* addressList;
    KestFirewall::CKestFWRule* rule;
    KestFirewall::CKestFWRuleList* ruleList;
    KestFirewall::CKestFWProtocol* protocol;
    KestFirewall::CKestFWProtocolSpec* spec;
    KestFirewall::CKestFWProtocolSpecList* specList;
    KestFirewall::CKestFWProtocolSpecL4PortSet* portSet;
    KestFirewall::CKestFWRuleAction* action;
    KestFirewall::CKestFWContainerID* containerId;
    FWLexIPPort ipPort;
    FWuuid_ uuid;
    uint32_t word;
    KestFirewall::CKestFWIDList* idList;
    KestFirewall::CKestFWConnectionList* connList;
    FWConnection_* conn;
    KestFirewall::KestFWStrList* strList;
    KestFirewall::KestFWL7Values* l7Values;
    KestFirewall::KestFWL7List* l7List;
    KestFirewall::KestFWDomainEntry* domainEntry;
    KestFirewall::KestFWDomainList* domainList;
}

/* Keywords, in the scanner's rule order. */
%token KW_CREATE              "keyword create"
%token KW_ADD                 "keyword add"
%token KW_DELETE              "keyword delete"
%token KW_REPLACE             "keyword replace"
%token KW_DESCRIBE            "keyword describe"
%token KW_DESTROY             "keyword destroy"
%token KW_ENABLE              "keyword enable"
%token KW_SHARED              "keyword shared"
%token KW_DISABLE             "keyword disable"
%token KW_SET                 "keyword set"
%token KW_REORDER             "keyword reorder"
%token KW_CLEAR               "keyword clear"
%token KW_RULESET             "keyword ruleset"
%token KW_ADDRESS             "keyword address"
%token KW_ADDRSET             "keyword addrset"
%token KW_ATTRIBUTE           "keyword attribute"
%token KW_ATTRSET             "keyword attrset"
%token KW_RULE                "keyword rule"
%token KW_DVSWITCH            "keyword dvswitch"
%token KW_PORT                "keyword port"
%token KW_ROOT                "keyword root"
%token KW_DEFAULT             "keyword default"
%token KW_AGENT               "keyword agent"
%token KW_DVSPORT             "keyword dvsport"
%token KW_INET                "keyword inet"
%token KW_INET6               "keyword inet6"
%token KW_IP                  "keyword ip"
%token KW_MAC                 "keyword mac"
%token KW_VNIC                "keyword vnic"
%token KW_FILTER              "keyword filter"
%token KW_VIF                 "keyword vif"
%token KW_SIZE                "keyword size"
%token KW_INFO                "keyword info"
%token KW_STAT                "keyword stat"
%token KW_REVISION            "keyword revision"
%token KW_CHECKSUM            "keyword checksum"
%token KW_AT                  "keyword at"
%token KW_INOUT               "keyword inout"
%token KW_IN                  "keyword in"
%token KW_OUT                 "keyword out"
%token KW_OF                  "keyword of"
%token KW_TO                  "keyword to"
%token KW_AS                  "keyword as"
%token KW_WITH                "keyword with"
%token KW_KEYPOLICY           "keyword keypolicy"
%token KW_AND                 "keyword and"
%token KW_INTO                "keyword into"
%token KW_FROM                "keyword from"
%token KW_ALL                 "keyword all"
%token KW_PASS                "keyword pass/accept"
%token KW_ENCRYPT             "keyword encrypt"
%token KW_DROP                "keyword drop"
%token KW_REJECT              "keyword reject/deny"
%token KW_JUMPTO              "keyword jumpto"
%token KW_PUNT                "keyword punt"
%token KW_PBR                 "keyword pbr"
%token KW_SNAT                "keyword snat"
%token KW_DNAT                "keyword dnat"
%token KW_IDP_DETECT          "keyword idp_detect"
%token KW_IDP_PROTECT         "keyword idp_protect"
%token KW_DNE                 "keyword dne"
%token KW_LB                  "keyword lb"
%token KW_POOLOPT             "keyword poolopt"
%token KW_LBTYPE              "keyword lbtype"
%token KW_LBIDLETIMEOUT       "keyword lbidletimeout"
%token KW_LBCLOSETIMEOUT      "keyword lbclosetimeout"
%token KW_LBOPTIONS           "keyword lboptions"
%token KW_RANDOM              "keyword random"
%token KW_ROUND_ROBIN         "keyword round-robin"
%token KW_LB_L4               "keyword lb-l4"
%token KW_LB_L7               "keyword lb-l7"
%token KW_TCP_CONN_BALANCE    "keyword tcp-conn-balance"
%token KW_STATELESS           "keyword stateless"
%token KW_DSCP                "keyword dscp"
%token KW_RTT                 "keyword rtt"
%token KW_LOG                 "keyword log"
%token KW_NOFLOW              "keyword noflow"
%token KW_LBRULE              "keyword lbrule"
%token KW_TAG                 "keyword tag"
%token KW_FTP                 "keyword ftp"
%token KW_ORACLE              "keyword oracle"
%token KW_DCERPC              "keyword dcerpc"
%token KW_SUNRPC              "keyword sunrpc"
%token KW_TFTP                "keyword tftp"
%token KW_DIVERT              "keyword divert"
%token KW_MACREWRITE          "keyword macrewrite"
%token KW_COPY                "keyword copy"
%token KW_NOT                 "keyword not"
%token KW_ETHERTYPE           "keyword ethertype"
%token KW_PROTOCOL            "keyword protocol"
%token KW_FLAG                "keyword flag"
%token KW_FLAGS               "keyword flags"
%token KW_SYN                 "keyword SYN"
%token KW_FIN                 "keyword FIN"
%token KW_RST                 "keyword RST"
%token KW_PSH                 "keyword PSH"
%token KW_ACK                 "keyword ACK"
%token KW_URG                 "keyword URG"
%token KW_ECE                 "keyword ECE"
%token KW_CWR                 "keyword CWR"
%token KW_NS                  "keyword NS"
%token KW_OPTION              "keyword option"
%token KW_ICMPTYPE            "keyword icmptype"
%token KW_TYPECODE            "keyword typecode"
%token KW_LIST                "keyword list"
%token KW_CONNECTION          "keyword connection"
%token KW_EXPORTVER           "keyword exportver"
%token KW_COUNT               "keyword count"
%token KW_SPOOFGUARD          "keyword spoofguard"
%token KW_KIF                 "keyword kif"
%token KW_ANY                 "keyword any"
%token KW_CONFIG              "keyword config"
%token KW_DEVICE              "keyword device"
%token KW_SOCKET              "keyword socket"
%token KW_SAVE                "keyword save"
%token KW_FILE                "keyword file"
%token KW_GHSOCK              "keyword ghsock"
%token KW_DEBUG               "keyword debug"
%token KW_STRICT              "keyword strict"
%token KW_SLOPPY              "keyword sloppy"
%token KW_TIMEOUT             "keyword timeout"
%token KW_EXTSRCPROFILE       "keyword extsrcprofile"
%token KW_EXTSRCIP            "keyword extsrcip"
%token KW_EXCLUDESRCIP        "keyword excludesrcip"
%token KW_EXCLUDEDSTIP        "keyword excludedstip"
%token KW_MALSRC              "keyword malsrc"
%token KW_MALDST              "keyword maldst"
%token KW_PROFILE             "keyword profile"
%token KW_ATTRPROFILE         "keyword attrprofile"
%token KW_TBRPROFILE          "keyword tbrprofile"
%token KW_IDSPROFILE          "keyword idsprofile"
%token KW_CONTAINER           "keyword container"
%token KW_UUID                "keyword uuid"
%token KW_MAPPED              "keyword mapped"
%token KW_GOTO_FILTER         "keyword goto_filter"
%token KW_CONNATTR            "keyword connattr"
%token KW_DOMAIN2IP           "keyword domain2ip"
%token KW_DOMAIN              "keyword domain"
%token KW_DOMAINUUIDMAP       "keyword domainuuidmap"
%token KW_UID2SIDMAP          "keyword uid2sidmap"
%token KW_CATEGORYID          "keyword rule category id"
%token KW_BUCKETID            "keyword rule bucket filter id"

/* Literal forms. */
%token <text>        IPV4_CIDR    "IPv4 address with CIDR"
%token <text>        IPV4_MASK    "IPv4 address with mask"
%token <ipv4Range>   IPV4_RANGE   "IPv4 address with range"
%token <text>        IPV4         "IPv4 address"
%token <text>        IPV6         "IPv6 address"
%token <text>        IPV6_CIDR    "IPv6 address with CIDR"
%token <ipv6Range>   IPV6_RANGE   "IPv6 address with range"
%token <text>        IPV4_PORT    "IPv4:port"
%token <text>        ANY_PORT     "Any:port"
%token <mac>         MAC          "Ethernet address"
%token <macPair>     MAC_RANGE    "Ethernet address with range"
%token <macPair>     MAC_MASK     "Ethernet address with mask"
%token <vnicPort>    UUID_PORT    "UUID:port"
%token <text>        STRING       "double-quoted string"
%token <int64Value>  DEC          "decimal"
%token <uint64Value> HEX          "hex"
%token <numRange>    RANGE        "range"
%token               COMMENT      "comment"
/* Punctuation the grammar has no use for yet keeps its display name. */
%token '-' '.' '[' ']' ':'

%type <cmdList>     Rule_Cmd_List
%type <cmd>         Rule_Command Command Cmd_RuleSet Cmd_AddrSet Cmd_Config
%type <cmd>         Cmd_Query Cmd_Connection Cmd_Identity Cmd_Settings
%type <port>        Optional_DVS_Port DVS_Port
%type <text>        Optional_Save_to
%type <ipPort>      Single_IP_Port
%type <address>     Single_IP_Address IP_Address IP_Address_Or_Any Single_MAC_Address MAC_Address Address_Spec
%type <address>     Src_Addr_Spec Dst_Addr_Spec Attribute_Obj Optional_ExtSrc_Addr_Spec
%type <address>     Optional_ExcludeSrc_Addr_Spec Optional_ExcludeDst_Addr_Spec
%type <addressList> IP_List Single_IP_Or_List MAC_List Single_MAC_Or_List IP_And_MAC_List Any_IP_And_MAC_List
%type <addressList> Attribute_List Single_Attribute_Or_List Optional_Single_Attribute_Or_List
%type <ruleList>    Set_of_Rules Rule_List
%type <rule>        Single_Rule
%type <protocol>    Rule_Protocol
%type <spec>        Single_Proto_Spec Single_Port_Spec
%type <specList>    Optional_Protocol_Spec Protocol_Spec Proto_Spec_List Optional_Port_Spec
%type <portSet>     L4_Port_List
%type <action>      Rule_Action Single_Rule_Action
%type <containerId> Optional_ExtSrc_Profile_Spec Optional_Attribute_Profile_Spec Optional_Time_Profile_Spec
%type <uuid>        Optional_IDS_Profile_Spec
%type <text>        Optional_Rule_Tag Key_Policy
%type <word>        Rule_Direction Optional_Rule_AF TCP_Flag TCP_Flag_List Single_TCP_Flag_Or_List
%type <word>        Optional_Rule_Action_Flag With_Rule_Action_Flag Rule_Action_Flag_List Rule_Action_Flag
%type <word>        As_Dynamic_App Pool_Option LB_Type Optional_Rule_Category_ID Optional_Rule_Bucket_ID
%type <word>        Optional_Rule_SRC_Malicious Optional_Rule_DST_Malicious
%type <int64Value>  Rule_Position Optional_Persist_Timeout Optional_StateID
%type <word>        Rule_NAT_Type Rule_Query
%type <idList>      ID_List Single_ID_Or_List
%type <connList>    Connection_List
%type <conn>        Single_Connection Optional_ConnSpec
%type <text>        Conn_Address Conn_IP_Address Single_IP_Or_Any_Port
%type <strList>     STR_List L7_String_Values
%type <l7Values>    L7_Values L7_Int_Values L7_Uint_Values L7_UUID_Values L7_UUID_Value L7_DNS_Values
%type <l7List>      Single_L7Attribute_Or_List L7_Attribute_List
%type <domainEntry> Domain_UUID_Entry
%type <domainList>  Domain_UUID_List

%destructor { delete $$; } <cmd> <cmdList> <address> <addressList> <rule> <ruleList> <protocol>
%destructor { delete $$; } <spec> <specList> <portSet> <action> <containerId>
%destructor { delete $$; } <idList> <connList> <conn> <strList> <l7Values> <l7List> <domainEntry> <domainList>

%start Firewall

%%

Firewall
    : Rule_Cmd_List
        {
            /* The list leaves the stack here; until the end of input is accepted it is kept aside so
             * that an error after the last statement still frees it. */
            kfwFinishedList() = $1;
            fw_lex_extra_* extra = yyget_extra(scanner);
            if (extra != nullptr && extra->status != 0) {
                yyerror(&yylloc, status, scanner, inputName, cmdList, config, extra->message);
                YYABORT;
            }
        }
    ;

Rule_Cmd_List
    : %empty                    { $$ = new CKestFWCmdList(); *cmdList = $$; }
    | Rule_Cmd_List Rule_Command
        {
            $$ = $1;
            std::unique_ptr<CKestFWCmd> cmd(take($2));
            if (cmd && $$->addCmd(cmd.get())) cmd.release();
        }
    ;

Rule_Command
    : Command ';'               { $$ = $1; }
    ;

Command
    : Cmd_RuleSet
    | Cmd_AddrSet
    | Cmd_Config
    | Cmd_Query
    | Cmd_Connection
    | Cmd_Identity
    | Cmd_Settings
    ;

/* ---- Switch ports ---------------------------------------------------------------------------- */

Optional_DVS_Port
    : %empty                    { $$ = CKestFWParseState::defaultPort(); }
    | KW_OF DVS_Port            { $$ = $2; }
    | KW_TO DVS_Port            { $$ = $2; }
    ;

DVS_Port
    : KW_DVSPORT UUID_PORT              { $$ = kfwPortFromUuidPort($2, DVS_PORT_TYPE_DVSPORT); }
    | KW_DVSPORT STRING                 { ACT($$ = kfwPortFromVnicText($2, DVS_PORT_TYPE_DVSPORT);); }
    | KW_DVSWITCH STRING KW_PORT DEC    { ACT($$ = kfwPortFromSwitch($2, $4);); }
    | KW_VNIC UUID_PORT                 { $$ = kfwPortFromUuidPort($2, DVS_PORT_TYPE_VNIC); }
    | KW_VNIC STRING                    { ACT($$ = kfwPortFromVnicText($2, DVS_PORT_TYPE_VNIC);); }
    | KW_FILTER STRING                  { ACT($$ = kfwPortFromFilter($2);); }
    | KW_VIF STRING                     { ACT($$ = kfwPortFromVif($2);); }
    ;

/* ---- Rule sets ------------------------------------------------------------------------------- */

Cmd_RuleSet
    : KW_CREATE KW_RULESET STRING Optional_DVS_Port KW_WITH Set_of_Rules
        { auto rules = take($6); ACT(FWRuleSetID_t id = kfwRuleSetName($3); FWRuleSetID_t jump{};
              $$ = new CKestFWCmdCreateRuleSet(&$4, id, jump, rules.release());); }
    | KW_CREATE KW_RULESET STRING Optional_DVS_Port Set_of_Rules
        { auto rules = take($5); ACT(FWRuleSetID_t id = kfwRuleSetName($3); FWRuleSetID_t jump{};
              $$ = new CKestFWCmdCreateRuleSet(&$4, id, jump, rules.release());); }
    | KW_CREATE KW_RULESET STRING Optional_DVS_Port KW_JUMPTO STRING KW_WITH Set_of_Rules
        { auto rules = take($8); ACT(FWRuleSetID_t id = kfwRuleSetName($3); FWRuleSetID_t jump = kfwRuleSetName($6);
              $$ = new CKestFWCmdCreateRuleSet(&$4, id, jump, rules.release());); }
    | KW_CREATE KW_RULESET STRING Optional_DVS_Port KW_WITH Single_Rule
        { auto rule = take($6); ACT(FWRuleSetID_t id = kfwRuleSetName($3); FWRuleSetID_t jump{};
              std::unique_ptr<CKestFWRuleList> rules(kfwOneRule(std::move(rule)));
              $$ = new CKestFWCmdCreateRuleSet(&$4, id, jump, rules.release());); }
    | KW_CREATE KW_RULESET STRING Optional_DVS_Port
        { ACT(FWRuleSetID_t id = kfwRuleSetName($3); FWRuleSetID_t jump{};
              $$ = new CKestFWCmdCreateRuleSet(&$4, id, jump);); }
    | KW_DESCRIBE KW_ROOT KW_RULESET Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetRootRuleSet(&$4);); }
    | KW_SET KW_ROOT KW_RULESET STRING Optional_DVS_Port
        { ACT(FWRuleSetID_t l3 = kfwRuleSetName($4, 60, "root ruleset"); FWRuleSetID_t l2{};
              Strncpy(l2.name, (std::string(l3.name) + "_L2").c_str(), sizeof l2.name);
              $$ = new CKestFWCmdSetRootRuleSet(&$5, l3, l2);); }
    | KW_SET KW_ROOT KW_RULESET STRING KW_AND STRING Optional_DVS_Port
        { ACT(FWRuleSetID_t l3 = kfwRuleSetName($4, 60, "root ruleset");
              FWRuleSetID_t l2 = kfwRuleSetName($6, 60, "root ruleset");
              $$ = new CKestFWCmdSetRootRuleSet(&$7, l3, l2);); }
    | KW_CLEAR KW_ROOT KW_RULESET Optional_DVS_Port
        { ACT($$ = new CKestFWCmdClearRootRuleSet(&$4);); }
    | KW_DESTROY KW_RULESET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdDestroyRuleSet(&$4, kfwRuleSetName($3));); }
    | KW_DESTROY KW_ALL KW_RULESET Optional_DVS_Port
        { ACT($$ = new CKestFWCmdDestroyAllRuleSet(&$4);); }
    | KW_SET KW_JUMPTO KW_OF KW_RULESET STRING KW_AS STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdSetRuleSetJump(&$8, kfwRuleSetName($5), kfwRuleSetName($7));); }
    | KW_DESCRIBE KW_JUMPTO KW_OF KW_RULESET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetRuleSetJump(&$6, kfwRuleSetName($5));); }
    | KW_CLEAR KW_JUMPTO KW_OF KW_RULESET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdClearRuleSetJump(&$6, kfwRuleSetName($5));); }
    | KW_CLEAR KW_RULE KW_OF KW_RULESET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdClearRuleSet(&$6, kfwRuleSetName($5));); }
    | KW_DESCRIBE KW_COUNT KW_OF KW_RULESET Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetRuleSetCount(&$5);); }
    ;

/* ---- Address sets ---------------------------------------------------------------------------- */

Cmd_AddrSet
    : KW_CREATE STRING KW_ATTRSET { CKestFWParseState::setAttributeType($2); }
      STRING Optional_DVS_Port Optional_Single_Attribute_Or_List
        { auto list = take($7); ACT(FWAddrSetID_t id = kfwAddrSetName($5);
              $$ = list ? new CKestFWCmdCreateAddrSet(&$6, id, 4, list.release())
                        : new CKestFWCmdCreateAddrSet(&$6, id, 4);); }
    | KW_CREATE KW_ADDRSET STRING Optional_DVS_Port KW_WITH Single_IP_Or_List
        { auto list = take($6); ACT($$ = new CKestFWCmdCreateAddrSet(&$4, kfwAddrSetName($3), 1, list.release());); }
    | KW_CREATE KW_ADDRSET STRING Optional_DVS_Port KW_WITH Single_MAC_Or_List
        { auto list = take($6); ACT($$ = new CKestFWCmdCreateAddrSet(&$4, kfwAddrSetName($3), 2, list.release());); }
    | KW_CREATE KW_ADDRSET STRING Optional_DVS_Port Any_IP_And_MAC_List
        { auto list = take($5); ACT($$ = new CKestFWCmdCreateAddrSet(&$4, kfwAddrSetName($3), 0, list.release());); }
    | KW_CREATE KW_ADDRSET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdCreateAddrSet(&$4, kfwAddrSetName($3), 1);); }
    | KW_DELETE KW_ALL KW_FROM KW_ADDRSET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdClearAddrSet(&$6, kfwAddrSetName($5));); }
    | KW_DESTROY KW_ADDRSET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdDestroyAddrSet(&$4, kfwAddrSetName($3));); }
    | KW_DESTROY KW_ALL KW_ADDRSET Optional_DVS_Port
        { ACT($$ = new CKestFWCmdDestroyAllAddrSet(&$4);); }
    | KW_DELETE KW_ATTRPROFILE STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdDestroyAddrSet(&$4, kfwAddrSetName($3));); }
    | KW_DELETE KW_CONTAINER STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdDestroyAddrSet(&$4, kfwAddrSetName($3));); }
    | KW_DESTROY KW_ATTRPROFILE STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdDestroyAddrSet(&$4, kfwAddrSetName($3));); }
    | KW_DESTROY KW_CONTAINER STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdDestroyAddrSet(&$4, kfwAddrSetName($3));); }
    ;

/* ---- Channel configuration and the default port ---------------------------------------------- */

Cmd_Config
    : KW_CONFIG KW_DEVICE STRING Optional_Save_to
        { ACT(kfwSetConfig(config, new CKestFWCmdConfig(true, $3, $4)); $$ = nullptr;); }
    | KW_CONFIG KW_FILE STRING Optional_Save_to
        { ACT(kfwSetConfig(config, new CKestFWCmdConfig(false, $3, $4)); $$ = nullptr;); }
    | KW_CONFIG KW_SOCKET Single_IP_Port Optional_Save_to
        { ACT(kfwSetConfig(config, new CKestFWCmdConfig(true, kfwAddr($3.address), $3.port, $4)); $$ = nullptr;); }
    | KW_CONFIG KW_GHSOCK Single_IP_Port Optional_Save_to
        { ACT(kfwSetConfig(config, new CKestFWCmdConfig(false, kfwAddr($3.address), $3.port, $4)); $$ = nullptr;); }
    | KW_CONFIG KW_DEFAULT KW_AGENT STRING KW_AND DVS_Port
        { CKestFWParseState::setDefaultPort($6, $4); $$ = nullptr; }
    | KW_ENABLE KW_SHARED KW_ADDRSET Optional_DVS_Port
        { ACT($$ = new CKestFWCmdConfigSharedAddrSet(&$4, true);); }
    | KW_DISABLE KW_SHARED KW_ADDRSET Optional_DVS_Port
        { ACT($$ = new CKestFWCmdConfigSharedAddrSet(&$4, false);); }
    ;

Optional_Save_to
    : %empty                    { $$[0] = '\0'; }
    | KW_SAVE KW_TO STRING      { Strncpy($$, $3, sizeof $$); }
    ;

Single_IP_Port
    : IPV4_PORT
        { ACT(in_addr a; unsigned short p = 0; kfwIPPort($1, false, &a, &p); $$.address = a.s_addr; $$.port = p;); }
    ;

/* ---- Addresses and address lists ------------------------------------------------------------- */

Single_IP_Address
    : IPV4                      { ACT($$ = new CKestFWAddressIPv4($1, false);); }
    | IPV6                      { ACT($$ = new CKestFWAddressIPv6($1, false);); }
    ;

IP_Address
    : Single_IP_Address         { $$ = $1; }
    | IPV4_CIDR                 { ACT($$ = new CKestFWAddressIPv4CIDR($1, false);); }
    | IPV4_MASK                 { ACT($$ = new CKestFWAddressIPv4CIDR($1, false);); }
    | IPV4_RANGE
        { ACT(in_addr first, last; memcpy(&first, $1.first, 4); memcpy(&last, $1.last, 4);
              $$ = new CKestFWAddressIPv4Range(first, last, false);); }
    | IPV6_CIDR                 { ACT($$ = new CKestFWAddressIPv6CIDR($1, false);); }
    | IPV6_RANGE
        { ACT(in6_addr first, last; memcpy(&first, $1.first, 16); memcpy(&last, $1.last, 16);
              $$ = new CKestFWAddressIPv6Range(first, last, false);); }
    ;

IP_Address_Or_Any
    : IP_Address                { $$ = $1; }
    | KW_ANY                    { ACT($$ = new CKestFWAddressAny();); }
    ;

IP_List
    : IP_Address                { auto a = take($1); ACT(std::unique_ptr<CKestFWAddressList> l(new CKestFWAddressList(false));
                                      kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    | KW_IP IP_Address          { auto a = take($2); ACT(std::unique_ptr<CKestFWAddressList> l(new CKestFWAddressList(false));
                                      kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    | IP_List ',' IP_Address    { auto l = take($1); auto a = take($3); ACT(kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    | IP_List ',' KW_IP IP_Address
                                { auto l = take($1); auto a = take($4); ACT(kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    ;

Single_IP_Or_List
    : IP_Address_Or_Any         { auto a = take($1); ACT($$ = kfwSingleList(a.release());); }
    | '{' IP_List '}'           { $$ = $2; }
    | '{' IP_List ',' '}'       { $$ = $2; }
    | '{' '}'                   { ACT($$ = new CKestFWAddressList(false);); }
    ;

Single_MAC_Address
    : MAC                       { ACT($$ = new CKestFWAddressEther(kfwEther($1), false);); }
    ;

MAC_Address
    : Single_MAC_Address        { $$ = $1; }
    | MAC_RANGE                 { ACT($$ = new CKestFWAddressEtherRange(kfwEther($1), kfwEther($1 + 6), false);); }
    | MAC_MASK                  { ACT($$ = new CKestFWAddressEtherMask(kfwEther($1), kfwEther($1 + 6), false);); }
    ;

MAC_List
    : MAC_Address               { auto a = take($1); ACT($$ = kfwSingleList(a.release());); }
    | KW_MAC MAC_Address        { auto a = take($2); ACT($$ = kfwSingleList(a.release());); }
    | MAC_List ',' MAC_Address  { auto l = take($1); auto a = take($3); ACT(kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    | MAC_List ',' KW_MAC MAC_Address
                                { auto l = take($1); auto a = take($4); ACT(kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    ;

Single_MAC_Or_List
    : MAC_Address               { auto a = take($1); ACT($$ = kfwSingleList(a.release());); }
    | '{' MAC_List '}'          { $$ = $2; }
    | '{' MAC_List ',' '}'      { $$ = $2; }
    ;

IP_And_MAC_List
    : IP_Address                { auto a = take($1); ACT(std::unique_ptr<CKestFWAddressList> l(new CKestFWAddressList(false));
                                      kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    | KW_IP IP_Address          { auto a = take($2); ACT(std::unique_ptr<CKestFWAddressList> l(new CKestFWAddressList(false));
                                      kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    | MAC_Address               { auto a = take($1); ACT($$ = kfwSingleList(a.release());); }
    | KW_MAC MAC_Address        { auto a = take($2); ACT($$ = kfwSingleList(a.release());); }
    | IP_And_MAC_List ',' IP_Address
                                { auto l = take($1); auto a = take($3); ACT(kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    | IP_And_MAC_List ',' KW_IP IP_Address
                                { auto l = take($1); auto a = take($4); ACT(kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    | IP_And_MAC_List ',' MAC_Address
                                { auto l = take($1); auto a = take($3); ACT(kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    | IP_And_MAC_List ',' KW_MAC MAC_Address
                                { auto l = take($1); auto a = take($4); ACT(kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    ;

Any_IP_And_MAC_List
    : '{' IP_And_MAC_List '}'       { $$ = $2; }
    | '{' IP_And_MAC_List ',' '}'   { $$ = $2; }
    | '{' '}'                       { ACT($$ = new CKestFWAddressList(false);); }
    ;

/* ---- Attribute-set values -------------------------------------------------------------------- */

Attribute_Obj
    : STRING                    { ACT($$ = kfwAttributeValue($1);); }
    ;

Attribute_List
    : Attribute_Obj             { auto a = take($1); ACT($$ = kfwSingleList(a.release());); }
    | Attribute_List ',' Attribute_Obj
                                { auto l = take($1); auto a = take($3); ACT(kfwAddAddress(l.get(), a.release()); $$ = l.release();); }
    ;

Single_Attribute_Or_List
    : Attribute_Obj             { auto a = take($1); ACT($$ = kfwSingleList(a.release());); }
    | '{' Attribute_List '}'    { $$ = $2; }
    | '{' Attribute_List ',' '}' { $$ = $2; }
    ;

Optional_Single_Attribute_Or_List
    : %empty                    { $$ = nullptr; }
    | KW_WITH Single_Attribute_Or_List { $$ = $2; }
    ;

/* ---- Rules ----------------------------------------------------------------------------------- */

Set_of_Rules
    : '{' Rule_List '}'         { $$ = $2; }
    ;

Rule_List
    : Single_Rule ';'           { auto r = take($1); ACT($$ = kfwOneRule(std::move(r));); }
    | Rule_List Single_Rule ';'
        { auto l = take($1); auto r = take($2);
          ACT(if (!l->addRule(r.get())) kfwParseFail(16, "rule %u cannot join its rule set", r->getId());
              r.release(); $$ = l.release();); }
    ;

Single_Rule
    : KW_RULE DEC Rule_Position Rule_Direction Optional_Rule_AF Rule_Protocol Optional_Protocol_Spec
      Src_Addr_Spec Optional_Port_Spec Dst_Addr_Spec Optional_Port_Spec Optional_ExtSrc_Profile_Spec
      Optional_Attribute_Profile_Spec Optional_IDS_Profile_Spec Optional_Time_Profile_Spec Rule_Action
      Optional_Rule_Tag Optional_Rule_Category_ID Optional_Rule_Bucket_ID Optional_ExtSrc_Addr_Spec
      Optional_ExcludeSrc_Addr_Spec Optional_ExcludeDst_Addr_Spec Optional_Rule_SRC_Malicious
      Optional_Rule_DST_Malicious
        {
            KestFWRuleParts parts;
            parts.id = $2;
            parts.position = $3;
            parts.direction = $4;
            parts.family = $5;
            parts.protocol = take($6);
            parts.specs = take($7);
            parts.src = take($8);
            parts.srcPorts = take($9);
            parts.dst = take($10);
            parts.dstPorts = take($11);
            parts.extSrcProfile = take($12);
            parts.attrProfile = take($13);
            parts.idsProfile = $14;
            parts.timeProfile = take($15);
            parts.action = take($16);
            parts.category = $18;
            parts.bucket = $19;
            parts.extSrcIP = take($20);
            parts.excludeSrc = take($21);
            parts.excludeDst = take($22);
            parts.srcMalicious = $23 != 0;
            parts.dstMalicious = $24 != 0;
            ACT(parts.tag = $17; $$ = kfwAssembleRule(*cmdList, parts););
        }
    ;

Rule_Position
    : %empty                    { $$ = 0; }
    | KW_AT DEC                 { $$ = $2; }
    ;

Rule_Direction
    : KW_INOUT                  { $$ = 0; }
    | KW_IN                     { $$ = 1; }
    | KW_OUT                    { $$ = 2; }
    ;

Optional_Rule_AF
    : %empty                    { $$ = 0; }
    | KW_INET                   { $$ = 1; }
    | KW_INET6                  { $$ = 2; }
    ;

Rule_Protocol
    : KW_PROTOCOL KW_ANY        { ACT($$ = new CKestFWProtocol(false, 0, true, false);); }
    | KW_PROTOCOL STRING        { ACT($$ = kfwProtocolByName($2, false);); }
    | KW_NOT KW_PROTOCOL STRING { ACT($$ = kfwProtocolByName($3, true);); }
    | KW_PROTOCOL DEC
        { ACT($$ = new CKestFWProtocol(true, (unsigned short)kfwCheckRange($2, 255, "ip protocol value overflows"), true, false);); }
    | KW_NOT KW_PROTOCOL DEC
        { ACT($$ = new CKestFWProtocol(true, (unsigned short)kfwCheckRange($3, 255, "ip protocol value overflows"), true, true);); }
    | KW_ETHERTYPE KW_ANY       { ACT($$ = new CKestFWProtocol(false, 0, false, false);); }
    | KW_ETHERTYPE DEC
        { ACT($$ = new CKestFWProtocol(true, (unsigned short)kfwCheckRange($2, 65535, "ether type value overflows"), false, false);); }
    | KW_NOT KW_ETHERTYPE DEC
        { ACT($$ = new CKestFWProtocol(true, (unsigned short)kfwCheckRange($3, 65535, "ether type value overflows"), false, true);); }
    ;

Optional_Protocol_Spec
    : %empty                    { ACT($$ = new CKestFWProtocolSpecList(0);); }
    | Protocol_Spec             { $$ = $1; }
    ;

Protocol_Spec
    : Single_Proto_Spec         { auto s = take($1); ACT($$ = kfwSpecList(s.release());); }
    | KW_WITH '{' Proto_Spec_List '}'      { $$ = $3; }
    | KW_WITH '{' Proto_Spec_List ',' '}'  { $$ = $3; }
    ;

Proto_Spec_List
    : Single_Proto_Spec         { auto s = take($1); ACT($$ = kfwSpecList(s.release());); }
    | Proto_Spec_List ',' Single_Proto_Spec
        { auto l = take($1); auto s = take($3); ACT(l->addSpec(s.release()); $$ = l.release();); }
    ;

Single_Proto_Spec
    : KW_STATELESS              { ACT($$ = new CKestFWProtocolSpecStateless();); }
    | KW_STRICT                 { ACT($$ = new CKestFWProtocolSpecStrict();); }
    | KW_SLOPPY                 { ACT($$ = new CKestFWProtocolSpecSloppy();); }
    | KW_DSCP STRING
        { ACT(long v = 0; if (Str2Long($2, 16, &v) != 1) throw CUnsupportedException(60, "bad dscp markings");
              $$ = new CKestFWProtocolSpecDSCP((unsigned char)(v & 0xFF));); }
    | KW_DSCP DEC               { ACT($$ = new CKestFWProtocolSpecDSCP((unsigned char)($2 & 0xFF));); }
    | KW_FLAG Single_TCP_Flag_Or_List         { ACT($$ = new CKestFWProtocolSpecTCPFlags(0, (unsigned short)$2, false);); }
    | KW_NOT KW_FLAG Single_TCP_Flag_Or_List  { ACT($$ = new CKestFWProtocolSpecTCPFlags(0, (unsigned short)$3, true);); }
    | KW_OPTION STRING
        { ACT($$ = new CKestFWProtocolSpecTCPOptions(0, (const unsigned char*)$2, (unsigned)strlen($2), false);); }
    | KW_NOT KW_OPTION STRING
        { ACT($$ = new CKestFWProtocolSpecTCPOptions(0, (const unsigned char*)$3, (unsigned)strlen($3), true);); }
    | KW_ICMPTYPE DEC
        { ACT($$ = new CKestFWProtocolSpecICMPType(0, (unsigned char)kfwCheckRange($2, 255, "icmp type overflows"), false);); }
    | KW_NOT KW_ICMPTYPE DEC
        { ACT($$ = new CKestFWProtocolSpecICMPType(0, (unsigned char)kfwCheckRange($3, 255, "icmp type overflows"), true);); }
    | KW_TYPECODE RANGE
        { ACT($$ = new CKestFWProtocolSpecICMPType(0, (unsigned char)kfwCheckRange($2.low, 255, "icmp code overflows"),
                                                   (unsigned char)kfwCheckRange($2.high, 255, "icmp code overflows"), false);); }
    | KW_NOT KW_TYPECODE RANGE
        { ACT($$ = new CKestFWProtocolSpecICMPType(0, (unsigned char)kfwCheckRange($3.low, 255, "icmp code overflows"),
                                                   (unsigned char)kfwCheckRange($3.high, 255, "icmp code overflows"), true);); }
    ;

Single_TCP_Flag_Or_List
    : TCP_Flag                  { $$ = $1; }
    | '{' TCP_Flag_List '}'     { $$ = $2; }
    | '{' TCP_Flag_List ',' '}' { $$ = $2; }
    ;

TCP_Flag_List
    : TCP_Flag                  { $$ = $1; }
    | TCP_Flag_List ',' TCP_Flag { $$ = $1 | $3; }
    ;

TCP_Flag
    : DEC                       { ACT($$ = (uint32_t)kfwCheckRange($1, 511, "TCP flag value overflows");); }
    | KW_FIN { $$ = 1; } | KW_SYN { $$ = 2; } | KW_RST { $$ = 4; } | KW_PSH { $$ = 8; } | KW_ACK { $$ = 16; }
    | KW_URG { $$ = 32; } | KW_ECE { $$ = 64; } | KW_CWR { $$ = 128; } | KW_NS { $$ = 256; }
    ;

Src_Addr_Spec
    : KW_FROM Address_Spec      { $$ = $2; }
    ;

Dst_Addr_Spec
    : KW_TO Address_Spec        { $$ = $2; }
    ;

Address_Spec
    : KW_ANY                    { ACT($$ = new CKestFWAddressAny();); }
    | KW_IP IP_Address          { $$ = $2; }
    | IP_Address                { $$ = $1; }
    | KW_MAC MAC_Address        { $$ = $2; }
    | MAC_Address               { $$ = $1; }
    | KW_ADDRSET STRING         { ACT($$ = new CKestFWAddrSetID($2, false);); }
    | STRING                    { ACT($$ = new CKestFWAddrSetID($1, false);); }
    | KW_NOT KW_IP IP_Address   { auto a = take($3); ACT($$ = kfwNegated(a.release());); }
    | KW_NOT IP_Address         { auto a = take($2); ACT($$ = kfwNegated(a.release());); }
    | KW_NOT KW_MAC MAC_Address { auto a = take($3); ACT($$ = kfwNegated(a.release());); }
    | KW_NOT MAC_Address        { auto a = take($2); ACT($$ = kfwNegated(a.release());); }
    | KW_NOT KW_ADDRSET STRING  { ACT($$ = new CKestFWAddrSetID($3, true);); }
    | KW_NOT STRING             { ACT($$ = new CKestFWAddrSetID($2, true);); }
    ;

Optional_Port_Spec
    : %empty                    { ACT($$ = new CKestFWProtocolSpecList(0);); }
    | Single_Port_Spec          { auto s = take($1); ACT($$ = kfwSpecList(s.release());); }
    ;

Single_Port_Spec
    : KW_PORT DEC               { ACT($$ = new CKestFWProtocolSpecL4Port(0, kfwCheckPort($2), false);); }
    | KW_PORT RANGE             { ACT($$ = kfwPortRange($2, false);); }
    | KW_PORT '{' L4_Port_List '}'          { $$ = $3; }
    | KW_PORT '{' L4_Port_List ',' '}'      { $$ = $3; }
    | KW_NOT KW_PORT DEC        { ACT($$ = new CKestFWProtocolSpecL4Port(0, kfwCheckPort($3), true);); }
    | KW_NOT KW_PORT RANGE      { ACT($$ = kfwPortRange($3, true);); }
    | KW_NOT KW_PORT '{' L4_Port_List '}'     { auto s = take($4); ACT($$ = kfwNegatedPortSet(s.release());); }
    | KW_NOT KW_PORT '{' L4_Port_List ',' '}' { auto s = take($4); ACT($$ = kfwNegatedPortSet(s.release());); }
    ;

L4_Port_List
    : DEC
        { ACT(std::unique_ptr<CKestFWProtocolSpecL4PortSet> s(new CKestFWProtocolSpecL4PortSet(0, false));
              kfwAddPort(s.get(), $1); $$ = s.release();); }
    | RANGE
        { ACT(std::unique_ptr<CKestFWProtocolSpecL4PortSet> s(new CKestFWProtocolSpecL4PortSet(0, false));
              kfwAddPortRange(s.get(), $1); $$ = s.release();); }
    | L4_Port_List ',' DEC      { auto s = take($1); ACT(kfwAddPort(s.get(), $3); $$ = s.release();); }
    | L4_Port_List ',' RANGE    { auto s = take($1); ACT(kfwAddPortRange(s.get(), $3); $$ = s.release();); }
    ;

Optional_ExtSrc_Profile_Spec
    : %empty                    { $$ = nullptr; }
    | KW_EXTSRCPROFILE STRING   { ACT($$ = new CKestFWContainerID(std::string($2));); }
    ;

Optional_Attribute_Profile_Spec
    : %empty                    { $$ = nullptr; }
    | KW_ATTRPROFILE STRING     { ACT($$ = new CKestFWContainerID(std::string($2));); }
    | KW_WITH KW_ATTRIBUTE KW_PROFILE STRING { ACT($$ = new CKestFWContainerID(std::string($4));); }
    ;

Optional_IDS_Profile_Spec
    : %empty                    { memset(&$$, 0, sizeof $$); }
    | KW_IDSPROFILE '{' DEC ',' DEC '}'
        { memcpy($$.bytes, &$3, 8); memcpy($$.bytes + 8, &$5, 8); }
    ;

Optional_Time_Profile_Spec
    : %empty                    { $$ = nullptr; }
    | KW_TBRPROFILE STRING      { ACT($$ = new CKestFWContainerID(std::string($2));); }
    ;

Optional_Rule_Tag
    : %empty                    { $$[0] = '\0'; }
    | KW_TAG STRING             { Strncpy($$, $2, 40); }
    ;

Optional_Rule_Category_ID
    : %empty                    { $$ = 0; }
    | KW_CATEGORYID DEC         { $$ = uint32_t($2 & 0xFF); }
    ;

Optional_Rule_Bucket_ID
    : %empty                    { $$ = 0; }
    | KW_BUCKETID DEC           { $$ = uint32_t($2 & 0xFF); }
    ;

Optional_ExtSrc_Addr_Spec
    : %empty                    { $$ = nullptr; }
    | KW_EXTSRCIP STRING        { ACT($$ = new CKestFWAddrSetID($2, false);); }
    | KW_EXTSRCIP KW_NOT STRING { ACT($$ = new CKestFWAddrSetID($3, true);); }
    ;

Optional_ExcludeSrc_Addr_Spec
    : %empty                    { $$ = nullptr; }
    | KW_EXCLUDESRCIP STRING    { ACT($$ = new CKestFWAddrSetID($2, false);); }
    ;

Optional_ExcludeDst_Addr_Spec
    : %empty                    { $$ = nullptr; }
    | KW_EXCLUDEDSTIP STRING    { ACT($$ = new CKestFWAddrSetID($2, false);); }
    ;

Optional_Rule_SRC_Malicious
    : %empty                    { $$ = 0; }
    | KW_MALSRC DEC             { $$ = $2 != 0; }
    ;

Optional_Rule_DST_Malicious
    : %empty                    { $$ = 0; }
    | KW_MALDST DEC             { $$ = $2 != 0; }
    ;

/* ---- Rule actions ---------------------------------------------------------------------------- */

Rule_Action
    : Single_Rule_Action Optional_Rule_Action_Flag
        { auto a = take($1); ACT($$ = kfwApplyActionFlags(a.get(), $2); a.release();); }
    ;

Single_Rule_Action
    : KW_DROP                   { ACT($$ = new CKestFWRuleActionDrop();); }
    | KW_PASS                   { ACT($$ = new CKestFWRuleActionAccept();); }
    | KW_ENCRYPT Key_Policy     { ACT($$ = new CKestFWRuleActionEncrypt($2);); }
    | KW_CLEAR                  { ACT($$ = new CKestFWRuleActionClear();); }
    | KW_REJECT                 { ACT($$ = new CKestFWRuleActionReject();); }
    | KW_PUNT                   { ACT($$ = new CKestFWRuleActionPunt();); }
    | KW_PBR Key_Policy         { ACT($$ = new CKestFWRuleActionPbr($2);); }
    | KW_COPY                   { ACT($$ = new CKestFWRuleActionCopy();); }
    | KW_IDP_DETECT             { ACT($$ = new CKestFWRuleActionIDPDetect();); }
    | KW_IDP_PROTECT            { ACT($$ = new CKestFWRuleActionIDPProtect();); }
    | KW_JUMPTO STRING          { ACT($$ = new CKestFWRuleActionJumpto($2);); }
    | KW_DIVERT                 { ACT($$ = new CKestFWRuleActionDivert();); }
    | KW_MACREWRITE MAC         { ACT($$ = new CKestFWRuleActionMacRewrite(kfwEther($2));); }
    | KW_SNAT KW_ADDRSET STRING { ACT($$ = new CKestFWRuleActionSNAT(new CKestFWAddrSetID($3, false));); }
    | KW_SNAT KW_IP IP_Address  { auto a = take($3); ACT($$ = new CKestFWRuleActionSNAT(a.release());); }
    | KW_DNAT KW_ADDRSET STRING KW_PORT DEC
        { ACT(unsigned short p = kfwCheckPort($5);
              $$ = new CKestFWRuleActionDNAT(new CKestFWAddrSetID($3, false), FWRulePoolOpt_t(0), p, (unsigned short)0);); }
    | KW_DNAT KW_ADDRSET STRING KW_PORT RANGE KW_POOLOPT Pool_Option Optional_Persist_Timeout
        { ACT(unsigned short lo = kfwCheckPort($5.low), hi = kfwCheckPort($5.high);
              $$ = new CKestFWRuleActionDNAT(new CKestFWAddrSetID($3, false), FWRulePoolOpt_t($7), lo, hi,
                                             (unsigned short)$8);); }
    | KW_DNAT KW_ADDRSET STRING KW_PORT RANGE
        { ACT(unsigned short lo = kfwCheckPort($5.low), hi = kfwCheckPort($5.high);
              $$ = new CKestFWRuleActionDNAT(new CKestFWAddrSetID($3, false), FWRulePoolOpt_t(0), lo, hi, (unsigned short)0);); }
    | KW_DNAT KW_ADDRSET STRING KW_POOLOPT Pool_Option Optional_Persist_Timeout
        { ACT($$ = new CKestFWRuleActionDNAT(new CKestFWAddrSetID($3, false), FWRulePoolOpt_t($5), (unsigned short)$6);); }
    | KW_DNAT KW_ADDRSET STRING
        { ACT($$ = new CKestFWRuleActionDNAT(new CKestFWAddrSetID($3, false), FWRulePoolOpt_t(0), (unsigned short)0);); }
    | KW_DNAT KW_IP IP_Address KW_PORT RANGE
        { auto a = take($3); ACT(unsigned short lo = kfwCheckPort($5.low), hi = kfwCheckPort($5.high);
              $$ = new CKestFWRuleActionDNAT(a.release(), FWRulePoolOpt_t(0), lo, hi, (unsigned short)0);); }
    | KW_DNAT KW_IP IP_Address KW_PORT DEC
        { auto a = take($3); ACT(unsigned short p = kfwCheckPort($5);
              $$ = new CKestFWRuleActionDNAT(a.release(), FWRulePoolOpt_t(0), p, (unsigned short)0);); }
    | KW_DNAT KW_IP IP_Address
        { auto a = take($3); ACT($$ = new CKestFWRuleActionDNAT(a.release(), FWRulePoolOpt_t(0), (unsigned short)0);); }
    | KW_LB KW_LBTYPE LB_Type   { ACT($$ = new CKestFWRuleActionLB((unsigned short)$3);); }
    | KW_LB KW_LBTYPE LB_Type KW_LBIDLETIMEOUT DEC
        { ACT($$ = new CKestFWRuleActionLB((unsigned short)$3, (unsigned short)$5, 0);); }
    | KW_LB KW_LBTYPE LB_Type KW_LBCLOSETIMEOUT DEC
        { ACT($$ = new CKestFWRuleActionLB((unsigned short)$3, 0, (unsigned short)$5);); }
    | KW_LB KW_LBTYPE LB_Type KW_LBIDLETIMEOUT DEC KW_LBCLOSETIMEOUT DEC
        { ACT($$ = new CKestFWRuleActionLB((unsigned short)$3, (unsigned short)$5, (unsigned short)$7);); }
    | KW_LB KW_LBTYPE LB_Type KW_LBOPTIONS STRING
        { ACT($$ = new CKestFWRuleActionLB((unsigned short)$3, 0, 0, $5);); }
    | KW_LB KW_LBTYPE LB_Type KW_LBIDLETIMEOUT DEC KW_LBOPTIONS STRING
        { ACT($$ = new CKestFWRuleActionLB((unsigned short)$3, (unsigned short)$5, 0, $7);); }
    | KW_LB KW_LBTYPE LB_Type KW_LBCLOSETIMEOUT DEC KW_LBOPTIONS STRING
        { ACT($$ = new CKestFWRuleActionLB((unsigned short)$3, 0, (unsigned short)$5, $7);); }
    | KW_LB KW_LBTYPE LB_Type KW_LBIDLETIMEOUT DEC KW_LBCLOSETIMEOUT DEC KW_LBOPTIONS STRING
        { ACT($$ = new CKestFWRuleActionLB((unsigned short)$3, (unsigned short)$5, (unsigned short)$7, $9);); }
    | KW_GOTO_FILTER            { ACT($$ = new CKestFWRuleActionGoToFilter();); }
    ;

Optional_Rule_Action_Flag
    : %empty                    { $$ = 0; }
    | With_Rule_Action_Flag     { $$ = $1; }
    | As_Dynamic_App            { $$ = $1; }
    | With_Rule_Action_Flag As_Dynamic_App { $$ = $1 | $2; }
    ;

With_Rule_Action_Flag
    : KW_WITH Rule_Action_Flag  { $$ = $2; }
    | KW_WITH '{' Rule_Action_Flag_List '}'     { $$ = $3; }
    | KW_WITH '{' Rule_Action_Flag_List ',' '}' { $$ = $3; }
    ;

Rule_Action_Flag_List
    : Rule_Action_Flag          { $$ = $1; }
    | Rule_Action_Flag_List ',' Rule_Action_Flag { $$ = $1 | $3; }
    ;

Rule_Action_Flag
    : KW_LOG { $$ = 1; } | KW_COPY { $$ = 2; } | KW_NOFLOW { $$ = 8; } | KW_RTT { $$ = 16; } | KW_LBRULE { $$ = 256; }
    ;

As_Dynamic_App
    : KW_AS KW_FTP { $$ = 4u | (1u << 16); } | KW_AS KW_ORACLE { $$ = 4u | (2u << 16); }
    | KW_AS KW_SUNRPC { $$ = 4u | (3u << 16); } | KW_AS KW_DCERPC { $$ = 4u | (4u << 16); }
    | KW_AS KW_TFTP { $$ = 4u | (5u << 16); }
    ;

Key_Policy
    : KW_KEYPOLICY STRING       { ACT(kfwCheckKeyPolicy($2); Strncpy($$, $2, 37);); }
    ;

Pool_Option
    : KW_ROUND_ROBIN { $$ = 4; } | KW_RANDOM { $$ = 2; } | KW_TCP_CONN_BALANCE { $$ = 5; }
    ;

Optional_Persist_Timeout
    : %empty                    { $$ = 0; }
    | DEC                       { $$ = $1; }
    ;

LB_Type
    : KW_LB_L4 { $$ = 0; } | KW_LB_L7 { $$ = 1; }
    ;

/* ---- Rule-set and address-set queries -------------------------------------------------------- */

Cmd_Query
    : KW_DESCRIBE KW_RULE KW_COUNT KW_OF KW_RULESET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetRuleCountOfRuleSet(&$7, kfwRuleSetName($6), 0);); }
    | KW_DESCRIBE Rule_NAT_Type KW_RULE KW_COUNT KW_OF KW_RULESET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetRuleCountOfRuleSet(&$8, kfwRuleSetName($7), $2);); }
    | KW_DESCRIBE KW_INFO KW_OF KW_RULESET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetRuleSetInfo(&$6, kfwRuleSetName($5));); }
    | KW_DESCRIBE Rule_Query STRING Optional_DVS_Port
        { ACT($$ = kfwRuleQuery(&$4, $3, $2, 10000, 0);); }
    | KW_DESCRIBE Rule_Query STRING KW_FROM DEC Optional_DVS_Port
        { ACT(unsigned start = unsigned(kfwCheckRange($5, 4294967295u, "rule position value overflows"));
              $$ = kfwRuleQuery(&$6, $3, $2, 10000, start);); }
    | KW_DESCRIBE Rule_Query STRING Optional_DVS_Port KW_WITH Single_ID_Or_List
        { auto ids = take($6); ACT($$ = kfwRuleQuery(&$4, $3, $2, std::move(ids));); }
    | KW_DESCRIBE KW_LIST KW_OF KW_RULESET Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetRuleSetList(&$5, 10000, 0);); }
    | KW_DESCRIBE KW_LIST KW_OF KW_RULESET KW_FROM DEC Optional_DVS_Port
        { ACT(unsigned start = unsigned(kfwCheckRange($6, 4294967295u, "rule index value overflows"));
              $$ = new CKestFWCmdGetRuleSetList(&$7, 10000, start);); }
    | KW_DESCRIBE KW_SIZE KW_OF KW_ADDRSET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetAddrSetTypeAndSize(&$6, kfwAddrSetName($5));); }
    | KW_DESCRIBE KW_INFO KW_OF KW_ADDRSET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetAddrSetInfo(&$6, kfwAddrSetName($5));); }
    | KW_DESCRIBE KW_STAT KW_OF KW_ADDRSET Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetAddrSetStatList(&$5, 0, 20000, 0);); }
    | KW_DESCRIBE KW_ADDRESS KW_OF KW_ADDRSET STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetAddressOfAddrSet(&$6, kfwAddrSetName($5), 50000, 0);); }
    | KW_DESCRIBE KW_ADDRESS KW_OF KW_ADDRSET STRING KW_FROM DEC Optional_DVS_Port
        { ACT(FWAddrSetID_t id = kfwAddrSetName($5);
              unsigned start = unsigned(kfwCheckRange($7, 4294967295u, "addrset index value overflows"));
              $$ = new CKestFWCmdGetAddressOfAddrSet(&$8, id, 50000, start);); }
    | KW_DESCRIBE KW_COUNT KW_OF KW_ADDRSET Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetAddrSetCount(&$5, 0);); }
    | KW_DESCRIBE KW_LIST KW_OF KW_ADDRSET Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetAddrSetList(&$5, 0, 20000, 0);); }
    | KW_DESCRIBE KW_LIST KW_OF KW_ADDRSET KW_FROM DEC Optional_DVS_Port
        { ACT(unsigned start = unsigned(kfwCheckRange($6, 4294967295u, "addrset list index value overflows"));
              $$ = new CKestFWCmdGetAddrSetList(&$7, 0, 20000, start);); }
    ;

Rule_NAT_Type
    : KW_SNAT                   { $$ = 1; }
    | KW_DNAT                   { $$ = 2; }
    ;

/* What a rule or statistics query reads: the rule type, plus kStatQuery for statistics. */
Rule_Query
    : KW_RULE KW_OF KW_RULESET                  { $$ = 0; }
    | KW_STAT KW_OF KW_RULESET                  { $$ = kStatQuery; }
    | Rule_NAT_Type KW_RULE KW_OF KW_RULESET    { $$ = $1; }
    | Rule_NAT_Type KW_STAT KW_OF KW_RULESET    { $$ = $1 | kStatQuery; }
    ;

ID_List
    : DEC
        { ACT(std::unique_ptr<CKestFWIDList> l(new CKestFWIDList());
              l->addID(unsigned(kfwCheckRange($1, 4294967295u, "rule id value overflows"))); $$ = l.release();); }
    | ID_List ',' DEC
        { auto l = take($1); ACT(l->addID(unsigned(kfwCheckRange($3, 4294967295u, "rule id value overflows")));
              $$ = l.release();); }
    ;

Single_ID_Or_List
    : DEC
        { ACT(std::unique_ptr<CKestFWIDList> l(new CKestFWIDList());
              l->addID(unsigned(kfwCheckRange($1, 4294967295u, "rule id value overflows"))); $$ = l.release();); }
    | '{' ID_List '}'           { $$ = $2; }
    | '{' ID_List ',' '}'       { $$ = $2; }
    ;

/* ---- Connections ----------------------------------------------------------------------------- */

Cmd_Connection
    : KW_DESCRIBE KW_CONNECTION KW_COUNT Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetConnectionCount(&$4, nullptr);); }
    | KW_SET KW_CONNECTION Optional_DVS_Port
        { ACT($$ = new CKestFWCmdSetConnectionByFilter(&$3, nullptr);); }
    | KW_SET KW_CONNECTION Optional_DVS_Port KW_WITH '{' Connection_List '}'
        { auto l = take($6); ACT($$ = new CKestFWCmdSetConnectionByList(&$3, l.get()); l.release();); }
    | KW_SET KW_CONNECTION Optional_DVS_Port KW_WITH Single_Connection
        { auto c = take($5); ACT(std::unique_ptr<CKestFWConnectionList> l(new CKestFWConnectionList());
              l->addConnection(c.release()); $$ = new CKestFWCmdSetConnectionByList(&$3, l.get()); l.release();); }
    | KW_SET KW_ALL KW_CONNECTION Optional_DVS_Port
        { ACT($$ = new CKestFWCmdSetAllConnection(&$4);); }
    | KW_DESCRIBE KW_CONNECTION KW_STAT Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetConnectionStat(&$4, nullptr, 50000, 0);); }
    | KW_DESCRIBE KW_CONNECTION KW_STAT KW_FROM DEC Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetConnectionStat(&$6, nullptr, 50000, uint64_t($5));); }
    | KW_CLEAR KW_ALL KW_CONNECTION Optional_DVS_Port
        { ACT($$ = new CKestFWCmdClearAllConnection(&$4);); }
    ;

Connection_List
    : Single_Connection
        { auto c = take($1); ACT(std::unique_ptr<CKestFWConnectionList> l(new CKestFWConnectionList());
              l->addConnection(c.release()); $$ = l.release();); }
    | Connection_List ',' Single_Connection
        { auto l = take($1); auto c = take($3); ACT(l->addConnection(c.release()); $$ = l.release();); }
    ;

Single_Connection
    : KW_FROM Conn_Address KW_PORT DEC KW_TO Conn_Address KW_PORT DEC
        { ACT($$ = kfwConnection($2[0] ? $2 : nullptr, $4, $6[0] ? $6 : nullptr, $8);); }
    | KW_FROM Single_IP_Or_Any_Port KW_TO Single_IP_Or_Any_Port
        { ACT($$ = kfwConnectionOfPorts($2, strncasecmp($2, "any:", 4) == 0, $4, strncasecmp($4, "any:", 4) == 0);); }
    ;

/* An address of a connection as written; "any" is the empty text. */
Conn_Address
    : IPV4                      { Strncpy($$, $1, sizeof $$); }
    | IPV6                      { Strncpy($$, $1, sizeof $$); }
    | KW_ANY                    { $$[0] = '\0'; }
    ;

Single_IP_Or_Any_Port
    : IPV4_PORT                 { Strncpy($$, $1, sizeof $$); }
    | ANY_PORT                  { Strncpy($$, $1, sizeof $$); }
    ;

/* ---- Identity mappings, attribute profiles and containers ------------------------------------ */

Cmd_Identity
    : KW_CREATE KW_ATTRPROFILE STRING Optional_DVS_Port KW_WITH '{' Single_L7Attribute_Or_List '}'
        { auto l = take($7); ACT($$ = kfwCreateContainer(&$4, $3, std::move(l));); }
    | KW_CREATE KW_ATTRPROFILE STRING Optional_DVS_Port KW_WITH '{' Single_L7Attribute_Or_List ',' '}'
        { auto l = take($7); ACT($$ = kfwCreateContainer(&$4, $3, std::move(l));); }
    | KW_CREATE KW_CONTAINER STRING Optional_DVS_Port '{' Single_L7Attribute_Or_List '}'
        { auto l = take($6); ACT($$ = kfwCreateContainer(&$4, $3, std::move(l));); }
    | KW_CREATE KW_CONTAINER STRING Optional_DVS_Port '{' Single_L7Attribute_Or_List ',' '}'
        { auto l = take($6); ACT($$ = kfwCreateContainer(&$4, $3, std::move(l));); }
    | KW_CREATE KW_TBRPROFILE STRING Optional_DVS_Port KW_WITH '{' Single_L7Attribute_Or_List '}'
        { auto l = take($7); ACT($$ = kfwCreateContainer(&$4, $3, std::move(l));); }
    | KW_ADD KW_DOMAINUUIDMAP Optional_DVS_Port '{' Domain_UUID_List '}'
        { auto l = take($5); ACT($$ = kfwDomainUuidMap(&$3, std::move(l));); }
    | KW_ADD KW_DOMAIN2IP Optional_DVS_Port STRING KW_WITH Single_IP_Or_List
        { auto l = take($6); ACT($$ = kfwDomain2IP(&$3, $4, std::move(l));); }
    | KW_SET KW_UID2SIDMAP Optional_DVS_Port STRING '{' L7_String_Values '}'
        { auto l = take($6); ACT($$ = kfwUid2Sid(&$3, $4, std::move(l));); }
    | KW_SET KW_CONNATTR Optional_DVS_Port Optional_ConnSpec Optional_StateID KW_WITH '{' Single_L7Attribute_Or_List '}'
        { auto c = take($4); auto l = take($8); ACT($$ = kfwConnAttr(&$3, std::move(c), $5, std::move(l));); }
    ;

STR_List
    : %empty                    { ACT($$ = new KestFWStrList();); }
    | STRING                    { ACT($$ = new KestFWStrList{std::string($1)};); }
    | STR_List ',' STRING       { auto l = take($1); ACT(l->push_back($3); $$ = l.release();); }
    ;

Domain_UUID_Entry
    : KW_DOMAIN STRING DEC '{' STR_List '}' ';'
        { auto l = take($5); ACT($$ = kfwDomainEntry($2, $3, *l);); }
    ;

Domain_UUID_List
    : Domain_UUID_Entry
        { auto e = take($1); ACT($$ = new KestFWDomainList{*e};); }
    | Domain_UUID_List Domain_UUID_Entry
        { auto l = take($1); auto e = take($2); ACT(l->push_back(*e); $$ = l.release();); }
    ;

Optional_ConnSpec
    : %empty                    { $$ = nullptr; }
    | Conn_IP_Address DEC Conn_IP_Address DEC STRING STRING
        { ACT($$ = kfwConnSpec($1, $2, $3, $4, $5, $6);); }
    ;

Conn_IP_Address
    : IPV4                      { Strncpy($$, $1, sizeof $$); }
    | IPV6                      { Strncpy($$, $1, sizeof $$); }
    ;

Optional_StateID
    : %empty                    { $$ = 0; }
    | DEC                       { $$ = $1; }
    ;

/* ---- L7 attribute lists: "[KEY : value, ...]", one kind of value per bracket ------------------ */

Single_L7Attribute_Or_List
    : L7_Attribute_List         { $$ = $1; }
    | Single_L7Attribute_Or_List ',' L7_Attribute_List
        { auto l = take($1); auto more = take($3);
          ACT(for (auto& a : more->attributes) l->attributes.push_back(std::move(a)); $$ = l.release();); }
    ;

L7_Attribute_List
    : '[' STRING ':' L7_String_Values ']'
        { auto v = take($4); ACT(KestFWL7Values values; values.strings = *v; $$ = kfwL7Attributes($2, values);); }
    | '[' STRING ':' L7_Values ']'
        { auto v = take($4); ACT($$ = kfwL7Attributes($2, *v);); }
    ;

L7_String_Values
    : STRING                    { ACT($$ = new KestFWStrList{std::string($1)};); }
    | L7_String_Values ',' STRING
                                { auto l = take($1); ACT(l->push_back($3); $$ = l.release();); }
    ;

L7_Values
    : L7_Int_Values             { $$ = $1; }
    | L7_Uint_Values            { $$ = $1; }
    | L7_UUID_Values            { $$ = $1; }
    | L7_DNS_Values             { $$ = $1; }
    ;

L7_Int_Values
    : DEC                       { ACT($$ = new KestFWL7Values(); $$->kind = KestFWL7Values::Ints; $$->ints.push_back(int32_t($1));); }
    | L7_Int_Values ',' DEC     { auto l = take($1); ACT(l->ints.push_back(int32_t($3)); $$ = l.release();); }
    ;

L7_Uint_Values
    : HEX                       { ACT($$ = new KestFWL7Values(); $$->kind = KestFWL7Values::Uints; $$->uints.push_back($1);); }
    | L7_Uint_Values ',' HEX    { auto l = take($1); ACT(l->uints.push_back($3); $$ = l.release();); }
    ;

L7_UUID_Values
    : L7_UUID_Value             { $$ = $1; }
    | L7_UUID_Values ',' L7_UUID_Value
        { auto l = take($1); auto v = take($3); ACT(l->uuids.push_back(v->uuids.front()); $$ = l.release();); }
    ;

L7_UUID_Value
    : STRING KW_UUID STRING
        { ACT(std::unique_ptr<KestFWL7Values> v(new KestFWL7Values()); v->kind = KestFWL7Values::Uuids;
              v->uuids.push_back({$1, kfwUuidValue($3)}); $$ = v.release();); }
    | KW_UUID STRING
        { ACT(std::unique_ptr<KestFWL7Values> v(new KestFWL7Values()); v->kind = KestFWL7Values::Uuids;
              v->uuids.push_back({"", kfwUuidValue($2)}); $$ = v.release();); }
    ;

L7_DNS_Values
    : STRING DEC DEC
        { ACT($$ = new KestFWL7Values(); $$->kind = KestFWL7Values::Dns;
              $$->dns.push_back({$1, uint32_t($2), uint32_t($3)});); }
    | L7_DNS_Values ',' STRING DEC DEC
        { auto l = take($1); ACT(l->dns.push_back({$3, uint32_t($4), uint32_t($5)}); $$ = l.release();); }
    ;

/* ---- Settings and diagnostics ---------------------------------------------------------------- */

Cmd_Settings
    : KW_DESCRIBE KW_EXPORTVER Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetHopoverExportver(&$3);); }
    | KW_SET KW_EXPORTVER DEC Optional_DVS_Port
        { ACT($$ = new CKestFWCmdSetHopoverExportver(&$4, unsigned($3));); }
    | KW_DELETE KW_SPOOFGUARD Optional_DVS_Port
        { ACT($$ = new CKestFWCmdDeleteSpoofGuard(&$3, nullptr);); }
    | KW_DELETE KW_SPOOFGUARD KW_WITH KW_MAC Single_MAC_Address Optional_DVS_Port
        { auto mac = take($5);
          ACT($$ = new CKestFWCmdDeleteSpoofGuard(&$6, static_cast<CKestFWAddressEther*>(mac.get())); mac.release();); }
    | KW_DESCRIBE KW_STAT KW_OF KW_KIF Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetKifStat(&$5);); }
    | KW_CLEAR KW_STAT KW_OF KW_KIF Optional_DVS_Port
        { ACT($$ = new CKestFWCmdClearKifStat(&$5);); }
    | KW_DESCRIBE KW_CONFIG KW_OF KW_LB Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetLBConfig(&$5);); }
    | KW_DESCRIBE KW_STAT KW_OF KW_LB Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetLBStat(&$5);); }
    | KW_ENABLE STRING KW_STRICT Optional_DVS_Port
        { ACT(kfwExpectTcp($2); $$ = new CKestFWCmdConfigTCPStrict(&$4, true);); }
    | KW_DISABLE STRING KW_STRICT Optional_DVS_Port
        { ACT(kfwExpectTcp($2); $$ = new CKestFWCmdConfigTCPStrict(&$4, false);); }
    | KW_DESCRIBE STRING KW_STRICT Optional_DVS_Port
        { ACT(kfwExpectTcp($2); $$ = new CKestFWCmdGetTCPStrict(&$4);); }
    | KW_SET KW_TIMEOUT STRING KW_TO DEC Optional_DVS_Port
        { ACT(unsigned value = unsigned(kfwCheckRange($5, 4294967295u, "invalid timeout value"));
              $$ = new CKestFWCmdSetTimeout(&$6, $3, value);); }
    | KW_SET KW_TIMEOUT KW_TO STRING Optional_DVS_Port
        { ACT(FWInstTimeout_ timeouts; kfwTimeoutList($4, &timeouts); $$ = new CKestFWCmdSetTimeout(&$5, &timeouts);); }
    | KW_DESCRIBE KW_TIMEOUT STRING Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetTimeout(&$4, $3);); }
    | KW_DESCRIBE KW_TIMEOUT Optional_DVS_Port
        { ACT(FWInstTimeout_ timeouts; memset(&timeouts, 0, sizeof timeouts);
              memset(timeouts.present, 1, sizeof timeouts.present);
              $$ = new CKestFWCmdGetTimeout(&$3, &timeouts);); }
    | KW_DESCRIBE KW_SHARED KW_ADDRSET Optional_DVS_Port
        { ACT($$ = new CKestFWCmdGetSharedAddrSet(&$4);); }
    | KW_DEBUG STRING DEC Optional_DVS_Port
        { ACT(unsigned level = unsigned(kfwCheckRange($3, 15, "debug level value overflows"));
              $$ = new CKestFWCmdEnableVerbose(&$4, kfwDebugComponent($2), level);); }
    ;

%%

#undef yyparse

KESTFW_API int yyparse(FWStatus_t* status, void* scanner, const char* inputName,
                       KestFirewall::CKestFWCmdList** cmdList, KestFirewall::CKestFWCmdConfig** config);

/* Every parse error ends here. A lexical error recorded by the scanner wins over the parser's own
 * message, so the caller sees the status the scanner chose. The parse keeps nothing it built. */
void yyerror(YYLTYPE* location, FWStatus_t* status, void* scanner, const char* inputName,
             KestFirewall::CKestFWCmdList** cmdList, KestFirewall::CKestFWCmdConfig** config, const char* message) {
    fw_lex_extra_* extra = scanner != nullptr ? yyget_extra(scanner) : nullptr;
    if (extra != nullptr && extra->status != 0) {
        *status = extra->status;
        message = extra->message;
    }
    int line = scanner != nullptr ? yyget_lineno(scanner) : 0;
    KFW_ERROR("[%s:%d] %s\n", inputName != nullptr ? inputName : "", line, message);
    if (*status == 0) *status = 16;
    unsigned first = location != nullptr && location->first_column > 0 ? unsigned(location->first_column) : 1;
    unsigned last = location != nullptr && location->last_column > 0 ? unsigned(location->last_column) : 0;
    CKestFWParseState::recordError(inputName, unsigned(line), first, last, *status, message);
    if (cmdList != nullptr) *cmdList = nullptr;
    if (config != nullptr) {
        delete *config;
        *config = nullptr;
    }
}

/* A parse changes process-wide state (the default switch port, the attribute type, the list being
 * finished), so parses of different threads take turns instead of corrupting each other. */
static Locks::Mutex& kfwParseMutex() {
    static Locks::Mutex m;
    return m;
}

int yyparse(FWStatus_t* status, void* scanner, const char* inputName, KestFirewall::CKestFWCmdList** cmdList,
            KestFirewall::CKestFWCmdConfig** config) {
    Locks::ScopedLock oneParseAtATime(kfwParseMutex());
    CKestFWParseState::beginParse();
    CKestFWParseState::pending() = nullptr;
    if (scanner != nullptr) kfwLexStartColumns(scanner);
    kfwFinishedList() = nullptr;
    int result = kfwParseStack(status, scanner, inputName, cmdList, config);
    CKestFWCmdList* finished = kfwFinishedList();
    kfwFinishedList() = nullptr;
    if (result != 0) delete finished;
    if (CKestFWParseState::pending()) {
        /* The stack is unwound and the list it held is gone; the exception carries the status. */
        std::exception_ptr raised = CKestFWParseState::pending();
        CKestFWParseState::pending() = nullptr;
        *cmdList = nullptr;
        delete *config;
        *config = nullptr;
        std::rethrow_exception(raised);
    }
    if (result == 0) CKestFWParseState::clearError();
    return result;
}

const char* kestfwTokenName(int token) { return yysymbol_name(YYTRANSLATE(token)); }
