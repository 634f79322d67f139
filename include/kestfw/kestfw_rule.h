/* The rule record: one firewall rule (match fields, action and bookkeeping) as it travels to the
 * kernel inside a rule set, comes back from it and crosses this interface. Every field is a byte or
 * a byte array, so the layout needs no packing; integers are host order unless noted, addresses and
 * ports network order. Also the rendering of rule and address records as configuration text. */
#ifndef KESTFW_RULE_H
#define KESTFW_RULE_H

#include "kestfw_action.h"
#include "kestfw_address.h"
#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Direction of a rule (bits 2..3 of byte 1281). */
typedef enum FWRuleDirection_t {
    FW_RULE_DIR_INOUT = 0,
    FW_RULE_DIR_IN = 1,
    FW_RULE_DIR_OUT = 2,
    FW_RULE_DIR_COUNT = 3
} FWRuleDirection_t;

/* Address family of a rule (bits 4..5 of byte 1281). */
typedef enum FWRuleAF_t {
    FW_RULE_AF_UNSPEC = 0,
    FW_RULE_AF_INET = 1,
    FW_RULE_AF_INET6 = 2,
    FW_RULE_AF_COUNT = 3
} FWRuleAF_t;

/* Over-subscription behaviour of a rule (byte 1392). */
enum { FW_RULE_OVERSUB_NONE = 0, FW_RULE_OVERSUB_BYPASS = 1, FW_RULE_OVERSUB_DROP = 2, FW_RULE_OVERSUB_INHERIT = 3 };

/* A 16-byte identifier (the IDS profile of a rule). */
typedef struct FWuuid_ {
    uint8_t bytes[16];
} FWuuid_;

/* Tenant context of a rule: three texts of at most 8 characters, each NUL-terminated in 9 bytes. */
#define FW_RULE_TENANCY_FIELD_SIZE 9
typedef struct FWRuleTenancyInfo_ {
    char field[3][FW_RULE_TENANCY_FIELD_SIZE];
} FWRuleTenancyInfo_;

/* Byte 1280 (presence). */
#define FW_RULE_HAS_SRC 0x01
#define FW_RULE_HAS_DST 0x02
#define FW_RULE_HAS_EXCLUDE_SRC 0x04
#define FW_RULE_HAS_EXCLUDE_DST 0x08
#define FW_RULE_SRC_MALICIOUS 0x10
#define FW_RULE_DST_MALICIOUS 0x20
#define FW_RULE_HAS_EXT_SRC_IP 0x40
#define FW_RULE_HAS_PROTOCOL 0x80
/* Byte 1281 (protocol, direction, family). */
#define FW_RULE_PROTO_NEGATE 0x01
#define FW_RULE_PROTO_IP 0x02
#define FW_RULE_DIR_SHIFT 2
#define FW_RULE_DIR_MASK 0x0c
#define FW_RULE_AF_SHIFT 4
#define FW_RULE_AF_MASK 0x30
/* Byte 1283. */
#define FW_RULE_AF_DERIVED 0x10 /* the family was derived from the addresses by the writer */
#define FW_RULE_INTERNAL 0x40
#define FW_RULE_ACTIVE 0x80
/* Profile flags (u32 at 1384). */
#define FW_RULE_PROFILE_NONE 0x01
#define FW_RULE_PROFILE_L7_COPY 0x02
#define FW_RULE_PROFILE_EXT_SRC 0x04
#define FW_RULE_PROFILE_ATTR 0x08
#define FW_RULE_PROFILE_TIME_ATTR 0x10
#define FW_RULE_PROFILE_IDS 0x20
#define FW_RULE_PROFILE_L7_SAMPLEABLE 0x40

#define FW_RULE_RECORD_SIZE 1420
#define FW_RULE_PORT_BLOCK_SIZE 38
#define FW_RULE_CONN_BLOCK_SIZE 56
#define FW_RULE_NAME_SIZE 38
#define FW_RULE_TAG_SIZE 40

typedef struct FWRule_ {
    uint8_t id[4];                              /*    0 */
    uint8_t position[4];                        /*    4: signed; -1 none */
    uint8_t reserved8[4];                       /*    8 */
    FWAddress_ src;                             /*   12 */
    FWAddress_ dst;                             /*  156 */
    FWAddress_ exclude_src;                     /*  300 */
    FWAddress_ exclude_dst;                     /*  444 */
    uint8_t src_port[FW_RULE_PORT_BLOCK_SIZE];  /*  588: one port spec record */
    uint8_t dst_port[FW_RULE_PORT_BLOCK_SIZE];  /*  626 */
    uint8_t reserved664[4];                     /*  664 */
    char ext_src_profile[FW_RULE_NAME_SIZE];    /*  668: extended-source container name */
    FWAddress_ ext_src_ip;                      /*  706 */
    uint8_t reserved850[4];                     /*  850 */
    char attr_profile[FW_RULE_NAME_SIZE];       /*  854 */
    uint8_t reserved892[4];                     /*  892 */
    char time_attr_profile[FW_RULE_NAME_SIZE];  /*  896 */
    FWuuid_ ids_profile;                        /*  934 */
    fw_rule_action_ action;                     /*  950 */
    uint8_t presence;                           /* 1280: FW_RULE_HAS_* and malicious bits */
    uint8_t proto_flags;                        /* 1281: negate, layer 3, direction, family */
    uint8_t reserved1282;                       /* 1282 */
    uint8_t flags;                              /* 1283: FW_RULE_AF_DERIVED, INTERNAL, ACTIVE */
    uint8_t protocol[2];                        /* 1284: IP protocol host order, Ethertype network order */
    uint8_t conn_spec[FW_RULE_CONN_BLOCK_SIZE]; /* 1286: protocol block */
    char tag[FW_RULE_TAG_SIZE];                 /* 1342: at most 39 characters */
    uint8_t category_id;                        /* 1382 */
    uint8_t bucket_id;                          /* 1383: non-zero puts the rule in the pre-filter */
    uint8_t profile_flags[4];                   /* 1384: FW_RULE_PROFILE_* */
    uint8_t reserved1388[4];                    /* 1388 */
    uint8_t oversubscription;                   /* 1392: FW_RULE_OVERSUB_* */
    FWRuleTenancyInfo_ tenancy;                 /* 1393 */
} FWRule_;

#if defined(__cplusplus)
static_assert(sizeof(FWuuid_) == 16, "uuid is 16 bytes");
static_assert(sizeof(FWRuleTenancyInfo_) == 27, "tenancy is 27 bytes");
static_assert(sizeof(FWRule_) == FW_RULE_RECORD_SIZE, "rule record is 1420 bytes");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(sizeof(FWuuid_) == 16, "uuid is 16 bytes");
_Static_assert(sizeof(FWRuleTenancyInfo_) == 27, "tenancy is 27 bytes");
_Static_assert(sizeof(FWRule_) == FW_RULE_RECORD_SIZE, "rule record is 1420 bytes");
#endif

/* Renders `count` rule records as configuration text (detailed != 0: the report form), the texts
 * back to back in `out`. 3 for a null pointer, a zero count or a zero size; 9 only when `out` cannot
 * hold the texts and their NUL; 4 ("invalid input buffer") for a malformed record, one whose fields
 * reach past their slots; 7 for a record whose parts make no rule (ports without TCP or UDP); a record
 * holding a value the library refuses gives the status of that fault (37 for an unknown action, ...).
 * On any failure `out` is empty. */
KESTFW_API FWStatus_t FW_GetRuleString(const FWRule_* rules, unsigned int count, char* out, unsigned int outSize,
                                       int detailed);
/* The same for `count` address records; 8 when `out` cannot hold the texts and their NUL, 4 for a
 * malformed record. */
KESTFW_API FWStatus_t FW_GetAddressString(const FWAddress_* addresses, unsigned int count, char* out,
                                          unsigned int outSize);

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_RULE_H */
