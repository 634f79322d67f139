/* The rule action record: what the kernel does with a packet that matches a rule, with the action's
 * flags and its dynamic-application helper. The same 330 bytes travel to the kernel inside a rule,
 * come back from it and cross this interface. Every field is a byte or a byte array, so the layout
 * needs no packing; multi-byte fields are read and written byte-wise in the order noted. */
#ifndef KESTFW_ACTION_H
#define KESTFW_ACTION_H

#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Action codes (byte 290 of the record). */
typedef enum FWRuleAction_t {
    FW_RULE_ACTION_UNKNOWN = 0,
    FW_RULE_ACTION_ACCEPT = 1,
    FW_RULE_ACTION_DROP = 2,
    FW_RULE_ACTION_REJECT = 3,
    FW_RULE_ACTION_JUMPTO = 4,
    FW_RULE_ACTION_PUNT = 5,
    FW_RULE_ACTION_DIVERT = 6,
    FW_RULE_ACTION_SNAT = 7,
    FW_RULE_ACTION_DNAT = 8,
    FW_RULE_ACTION_MACREWRITE = 9,
    FW_RULE_ACTION_COPY = 10,
    FW_RULE_ACTION_ENCRYPT = 11,
    FW_RULE_ACTION_CLEAR = 12,
    FW_RULE_ACTION_PBR = 13,
    FW_RULE_ACTION_LB = 14,
    FW_RULE_ACTION_IDP_DETECT = 15,
    FW_RULE_ACTION_IDP_PROTECT = 16,
    FW_RULE_ACTION_GOTO_FILTER = 17,
    FW_RULE_ACTION_ICMP_RESP = 18, /* named only; no action of this code is built */
    FW_RULE_ACTION_COUNT = 19
} FWRuleAction_t;

/* Address-pool options of a destination NAT (4 bits of byte 282). */
typedef enum FWRulePoolOpt_t {
    FW_RULE_POOLOPT_NONE = 0,
    FW_RULE_POOLOPT_BITMASK = 1,
    FW_RULE_POOLOPT_RANDOM = 2,
    FW_RULE_POOLOPT_SOURCE_HASH = 3,
    FW_RULE_POOLOPT_ROUND_ROBIN = 4,
    FW_RULE_POOLOPT_TCP_CONN_BALANCE = 5,
    FW_RULE_POOLOPT_COUNT = 6
} FWRulePoolOpt_t;

/* Dynamic-application helpers (8 bits split over bytes 288 and 289). */
typedef enum FWDynamicApp_t {
    FW_DYNAPP_NONE = 0,
    FW_DYNAPP_FTP = 1,
    FW_DYNAPP_ORACLE = 2,
    FW_DYNAPP_SUNRPC = 3,
    FW_DYNAPP_DCERPC = 4,
    FW_DYNAPP_TFTP = 5
} FWDynamicApp_t;

/* Load-balancer kinds (byte 148). */
enum { FW_LB_TYPE_L4 = 0, FW_LB_TYPE_L7 = 1, FW_LB_TYPE_L7_ALT = 2, FW_LB_TYPE_COUNT = 3 };

/* Bits of byte 282 (nat_lb_flags). */
#define FW_ACTION_NAT_HAS_PORT 0x01
#define FW_ACTION_NAT_HAS_RANGE 0x02
#define FW_ACTION_NAT_POOLOPT_SHIFT 2
#define FW_ACTION_NAT_POOLOPT_MASK 0x3c
#define FW_ACTION_LB_HAS_OPTIONS 0x40
/* Bits of byte 291 (flags). */
#define FW_ACTION_FLAG_LOG 0x01
#define FW_ACTION_FLAG_COPY 0x02
#define FW_ACTION_FLAG_DYNAMIC 0x04
#define FW_ACTION_FLAG_NOFLOW 0x08
#define FW_ACTION_FLAG_RTT 0x10
#define FW_ACTION_FLAG_RESERVED 0xe0
/* Bits of byte 292 (flags2). */
#define FW_ACTION_FLAG2_LBRULE 0x01
#define FW_ACTION_FLAG2_RESERVED 0xfe

#define FW_RULE_ACTION_RECORD_SIZE 330
#define FW_ACTION_LB_OPTIONS_SIZE 128
#define FW_ACTION_KEY_POLICY_SIZE 37

typedef struct fw_rule_action_ {
    uint8_t body[144];        /*   0: SNAT/DNAT address record (FWAddress_), jumpto rule-set name (64 bytes),
                                     macrewrite Ethernet address (6 bytes) */
    uint8_t dnat_port[2];     /* 144: network order */
    uint8_t dnat_port_end[2]; /* 146: network order */
    uint8_t lb_type;          /* 148 */
    uint8_t reserved149;      /* 149: zero */
    uint8_t lb_idle[2];       /* 150: host order */
    uint8_t lb_close[2];      /* 152: host order */
    char lb_options[FW_ACTION_LB_OPTIONS_SIZE]; /* 154: NUL-terminated */
    uint8_t nat_lb_flags;   /* 282: bit 0 has port, bit 1 has range, bits 2..5 pool option, bit 6 LB options */
    uint8_t reserved283;    /* 283: zero */
    uint8_t pool_param[2];  /* 284: host order */
    uint8_t reserved286[2]; /* 286: zero */
    uint8_t dynapp_lo;      /* 288: bits 0..3 helper flags, bits 4..7 low nibble of the application */
    uint8_t dynapp_hi;      /* 289: bits 0..3 high nibble of the application */
    uint8_t action;         /* 290: FWRuleAction_t */
    uint8_t flags;          /* 291: FW_ACTION_FLAG_* */
    uint8_t flags2;         /* 292: FW_ACTION_FLAG2_* */
    char key_policy[FW_ACTION_KEY_POLICY_SIZE]; /* 293: encrypt/pbr key policy, at most 36 characters */
} fw_rule_action_;

#if defined(__cplusplus)
static_assert(sizeof(fw_rule_action_) == FW_RULE_ACTION_RECORD_SIZE, "action record is 330 bytes");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(sizeof(fw_rule_action_) == FW_RULE_ACTION_RECORD_SIZE, "action record is 330 bytes");
#endif

/* Names by code: "unknown", "accept", ... "icmp_resp" (FW_RULE_ACTION_COUNT entries), and the pool
 * options "none" ... "tcp-conn-balance" (FW_RULE_POOLOPT_COUNT entries). The printer and the parser
 * both read these tables. */
KESTFW_API extern const char* const g_kestfw_rule_action_name[FW_RULE_ACTION_COUNT];
KESTFW_API extern const char* const g_kestfw_rule_poolopt_name[FW_RULE_POOLOPT_COUNT];

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_ACTION_H */
