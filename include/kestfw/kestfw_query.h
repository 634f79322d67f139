/* Reading rule sets and address sets back: counts, names page by page, per-set information, the rules
 * of a rule set with their statistics, the members of an address set and per-set traffic statistics,
 * and the shared-address-set switch. Every function takes the library handle, the switch port (null:
 * not bound to a port) and a channel context first, and answers with a status. Outputs are written only
 * when the kernel accepted the command; a list output never receives more entries than `count` asked
 * for, and `*returned` tells how many it did receive. Each call also prints its report through the
 * print function installed with FW_SetLibPrettyPrinting, when there is one. */
#ifndef KESTFW_QUERY_H
#define KESTFW_QUERY_H

#include "kestfw_address.h"
#include "kestfw_rule.h"
#include "kestfw_types.h"

#ifdef __cplusplus
namespace KestFirewall {
class CKestFWIDList;
}
typedef KestFirewall::CKestFWIDList fwidlist_;
extern "C" {
#else
/* A set of rule ids (built in C++ with CKestFWIDList). */
typedef struct fwidlist_ fwidlist_;
#endif

/* What FW_GetRuleSetInfo and FW_GetAddrSetInfo hand back. */
typedef struct FWRuleSetInfo_ {
    uint32_t rule_count;
    uint32_t reserved;
    uint64_t realization_time; /* seconds since the host booted */
    uint64_t generation;
} FWRuleSetInfo_;

typedef struct FWAddrSetInfo_ {
    uint32_t address_count;
    uint32_t reserved;
    uint64_t realization_time; /* seconds since the host booted */
    uint64_t generation;
} FWAddrSetInfo_;

/* The statistics of one rule, as the kernel keeps them (64 bytes). */
typedef struct FWRuleStat_ {
    uint32_t rule_id;
    uint32_t reserved;
    uint64_t evaluations;
    uint64_t hits;
    uint64_t sessions;
    uint64_t packets_in;
    uint64_t packets_out;
    uint64_t bytes_in;
    uint64_t bytes_out;
} FWRuleStat_;

/* The traffic statistics of one address set (134 bytes, packed): packets and bytes are counted per
 * direction and verdict in the order out + pass, out + drop, in + pass, in + drop. */
#pragma pack(push, 1)
typedef struct FWAddrSetStat_ {
    FWAddrSetID_t set;
    uint64_t packets[4];
    uint64_t bytes[4];
    uint64_t match;
    uint64_t no_match;
    uint64_t uptime;
    uint64_t reserved;
} FWAddrSetStat_;
#pragma pack(pop)

#define FW_RULE_STAT_SIZE 64
#define FW_ADDRSET_STAT_SIZE 134

#if defined(__cplusplus)
static_assert(sizeof(FWRuleSetInfo_) == 24 && sizeof(FWAddrSetInfo_) == 24, "info records are 24 bytes");
static_assert(sizeof(FWRuleStat_) == FW_RULE_STAT_SIZE, "rule statistics record is 64 bytes");
static_assert(sizeof(FWAddrSetStat_) == FW_ADDRSET_STAT_SIZE, "address-set statistics record is 134 bytes");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(sizeof(FWRuleStat_) == FW_RULE_STAT_SIZE, "rule statistics record is 64 bytes");
_Static_assert(sizeof(FWAddrSetStat_) == FW_ADDRSET_STAT_SIZE, "address-set statistics record is 134 bytes");
#endif

/* ---- Rule sets ---- */
/* FW_GetRuleSetCount (kestfw_cmd.h) gives the number of rule sets. */
/* Up to `count` (non-zero) rule-set names from index `start`, into `ids`. */
KESTFW_API FWStatus_t FW_GetRuleSetList(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                        unsigned int start, FWRuleSetID_t* ids, unsigned int* returned);
/* Number of rules of rule type `ruleType` (0 all, 1 snat, 2 dnat, 4 idp, 5 pre filter; others give 3). */
KESTFW_API FWStatus_t FW_GetRuleCountOfRuleSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int ruleType,
                                               unsigned int* count, FWRuleSetID_t id);
KESTFW_API FWStatus_t FW_GetRuleSetInfo(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWRuleSetInfo_* info,
                                        FWRuleSetID_t id);
/* Up to `count` (non-zero) rule records of rule set `id`: from position `start`, or, when `ids` is not
 * null, the rules with those ids (the caller keeps the list). */
KESTFW_API FWStatus_t FW_GetRuleOfRuleSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int ruleType,
                                          unsigned int count, unsigned int start, FWRuleSetID_t id,
                                          const fwidlist_* ids, FWRule_* rules, unsigned int* returned);
/* The same selection as FW_GetRuleOfRuleSet, answered with each rule's statistics. */
KESTFW_API FWStatus_t FW_GetStatOfRuleSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int ruleType,
                                          unsigned int count, unsigned int start, FWRuleSetID_t id,
                                          const fwidlist_* ids, FWRuleStat_* stats, unsigned int* returned);

/* ---- Address sets ---- */
/* Number of address sets of kind `kind` (0: every kind; 6 and above give 34). */
KESTFW_API FWStatus_t FW_GetAddrSetCount(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int kind,
                                         unsigned int* count);
KESTFW_API FWStatus_t FW_GetAddrSetList(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int kind,
                                        unsigned int count, unsigned int start, FWAddrSetID_t* ids,
                                        unsigned int* returned);
KESTFW_API FWStatus_t FW_GetAddrSetStatList(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int kind,
                                            unsigned int count, unsigned int start, FWAddrSetStat_* stats,
                                            unsigned int* returned);
/* The word at reply offset 38 into `type` and the serialised size into `size`. */
KESTFW_API FWStatus_t FW_GetAddrSetTypeAndSize(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* type,
                                               unsigned int* size, FWAddrSetID_t id);
KESTFW_API FWStatus_t FW_GetAddrSetInfo(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWAddrSetInfo_* info,
                                        FWAddrSetID_t id);
/* Up to `count` (non-zero) member records of set `id` from index `start`; `reserved` must be 0 (else 5,
 * nothing sent). `generation` and `realization` (either may be null) receive the set's generation
 * number and realization time. */
KESTFW_API FWStatus_t FW_GetAddressOfAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                             unsigned int start, uint32_t reserved, FWAddrSetID_t id,
                                             FWAddress_* addresses, unsigned int* returned, uint64_t* generation,
                                             uint64_t* realization);
/* 1 when shared address sets are switched on for the filter, else 0. */
KESTFW_API FWStatus_t FW_GetSharedAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* enabled);

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_QUERY_H */
