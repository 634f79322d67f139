/* The configuration language's grammar. Token codes, their display names (which syntax errors print)
 * and the semantic value shared with the scanner are declared here. The command productions build on
 * this token vocabulary; until they are in place the grammar accepts any token stream, so that a text
 * can be scanned end to end through yyparse and a lexical error surfaces with its own status. */

%code requires {
#include <cstdint>

#include "kestfw/kestfw_types.h"
#include "lang/KestFWLexTypes.h"

/* The parser's entry point leaves the library like the rest of the exported interface. */
KESTFW_API int yyparse(FWStatus_t* status, void* scanner, const char* inputName,
                       KestFirewall::CKestFWCmdList** cmdList, KestFirewall::CKestFWCmdConfig** config);
}

%code provides {
/* The declared display name of a token code, quotes included ("\"keyword create\"", "'['"). */
const char* kestfwTokenName(int token);
}

%code {
#include "base/KestFWLog.h"

int yylex(YYSTYPE* value, YYLTYPE* location, void* scanner);
fw_lex_extra_* yyget_extra(void* scanner);
int yyget_lineno(void* scanner);
void yyerror(YYLTYPE* location, FWStatus_t* status, void* scanner, const char* inputName,
             KestFirewall::CKestFWCmdList** cmdList, KestFirewall::CKestFWCmdConfig** config, const char* message);
}

%define api.pure full
%define parse.error verbose
%locations
%lex-param   {void* scanner}
%parse-param {FWStatus_t* status} {void* scanner} {const char* inputName}
%parse-param {KestFirewall::CKestFWCmdList** cmdList} {KestFirewall::CKestFWCmdConfig** config}

/* The 256-byte semantic value. The scanner fills one member per token. */
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

%start Firewall

%%

Firewall
    : Token_Stream
        {
            fw_lex_extra_* extra = yyget_extra(scanner);
            if (extra != nullptr && extra->status != 0) {
                yyerror(&yylloc, status, scanner, inputName, cmdList, config, extra->message);
                YYABORT;
            }
        }
    ;

Token_Stream
    : %empty
    | Token_Stream Any_Token
    ;

Any_Token
    : KW_CREATE | KW_ADD | KW_DELETE | KW_REPLACE | KW_DESCRIBE | KW_DESTROY | KW_ENABLE | KW_SHARED | KW_DISABLE
    | KW_SET | KW_REORDER | KW_CLEAR | KW_RULESET | KW_ADDRESS | KW_ADDRSET | KW_ATTRIBUTE | KW_ATTRSET | KW_RULE
    | KW_DVSWITCH | KW_PORT | KW_ROOT | KW_DEFAULT | KW_AGENT | KW_DVSPORT | KW_INET | KW_INET6 | KW_IP | KW_MAC
    | KW_VNIC | KW_FILTER | KW_VIF | KW_SIZE | KW_INFO | KW_STAT | KW_REVISION | KW_CHECKSUM | KW_AT | KW_INOUT
    | KW_IN | KW_OUT | KW_OF | KW_TO | KW_AS | KW_WITH | KW_KEYPOLICY | KW_AND | KW_INTO | KW_FROM | KW_ALL
    | KW_PASS | KW_ENCRYPT | KW_DROP | KW_REJECT | KW_JUMPTO | KW_PUNT | KW_PBR | KW_SNAT | KW_DNAT | KW_IDP_DETECT
    | KW_IDP_PROTECT | KW_DNE | KW_LB | KW_POOLOPT | KW_LBTYPE | KW_LBIDLETIMEOUT | KW_LBCLOSETIMEOUT
    | KW_LBOPTIONS | KW_RANDOM | KW_ROUND_ROBIN | KW_LB_L4 | KW_LB_L7 | KW_TCP_CONN_BALANCE | KW_STATELESS
    | KW_DSCP | KW_RTT | KW_LOG | KW_NOFLOW | KW_LBRULE | KW_TAG | KW_FTP | KW_ORACLE | KW_DCERPC | KW_SUNRPC
    | KW_TFTP | KW_DIVERT | KW_MACREWRITE | KW_COPY | KW_NOT | KW_ETHERTYPE | KW_PROTOCOL | KW_FLAG | KW_FLAGS
    | KW_SYN | KW_FIN | KW_RST | KW_PSH | KW_ACK | KW_URG | KW_ECE | KW_CWR | KW_NS | KW_OPTION | KW_ICMPTYPE
    | KW_TYPECODE | KW_LIST | KW_CONNECTION | KW_EXPORTVER | KW_COUNT | KW_SPOOFGUARD | KW_KIF | KW_ANY | KW_CONFIG
    | KW_DEVICE | KW_SOCKET | KW_SAVE | KW_FILE | KW_GHSOCK | KW_DEBUG | KW_STRICT | KW_SLOPPY | KW_TIMEOUT
    | KW_EXTSRCPROFILE | KW_EXTSRCIP | KW_EXCLUDESRCIP | KW_EXCLUDEDSTIP | KW_MALSRC | KW_MALDST | KW_PROFILE
    | KW_ATTRPROFILE | KW_TBRPROFILE | KW_IDSPROFILE | KW_CONTAINER | KW_UUID | KW_MAPPED | KW_GOTO_FILTER
    | KW_CONNATTR | KW_DOMAIN2IP | KW_DOMAIN | KW_DOMAINUUIDMAP | KW_UID2SIDMAP | KW_CATEGORYID | KW_BUCKETID
    | IPV4_CIDR | IPV4_MASK | IPV4_RANGE | IPV4 | IPV6 | IPV6_CIDR | IPV6_RANGE | IPV4_PORT | ANY_PORT | MAC
    | MAC_RANGE | MAC_MASK | UUID_PORT | STRING | DEC | HEX | RANGE | COMMENT | '.' | '[' | ']' | '{' | '}' | ';'
    | ',' | ':' | '-'
    ;

%%

/* Every parse error ends here. A lexical error recorded by the scanner wins over the parser's own
 * message, so the caller sees the status the scanner chose. */
void yyerror(YYLTYPE*, FWStatus_t* status, void* scanner, const char* inputName,
             KestFirewall::CKestFWCmdList** cmdList, KestFirewall::CKestFWCmdConfig** config, const char* message) {
    fw_lex_extra_* extra = scanner != nullptr ? yyget_extra(scanner) : nullptr;
    if (extra != nullptr && extra->status != 0) {
        *status = extra->status;
        message = extra->message;
    }
    KFW_ERROR("[%s:%d] %s\n", inputName != nullptr ? inputName : "", scanner != nullptr ? yyget_lineno(scanner) : 0,
              message);
    if (*status == 0) *status = 16;
    if (cmdList != nullptr) *cmdList = nullptr;
    if (config != nullptr) *config = nullptr;
}

const char* kestfwTokenName(int token) { return yysymbol_name(YYTRANSLATE(token)); }
