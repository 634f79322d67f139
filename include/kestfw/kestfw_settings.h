/* Kernel-interface statistics and flags, kernel diagnostics, load-balancer reports and the global
 * settings of the firewall module. Every function takes the library handle and the switch port (null:
 * not bound to a port); most take a channel context next, and those that do not run without one.
 * Outputs are written only when the kernel accepted the command, unless a function says otherwise. */
#ifndef KESTFW_SETTINGS_H
#define KESTFW_SETTINGS_H

#include "kestfw_address.h"
#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Kernel-interface statistics ------------------------------------------------------------------ */

enum {
    KESTFW_KIFSTAT_SIZE = 2032,        /* bytes of the statistics record */
    KESTFW_KIFSTAT_WORDS = 508,        /* the record as 32-bit words, as FW_GetKifStat hands it out */
    KESTFW_KIFSTAT_ACTIONS = 25,       /* packet and byte counters per family and direction */
    KESTFW_KIFSTAT_REASONS = 42,       /* drop-reason counters */
    KESTFW_KIFFLAGS_SIZE = 1316,       /* the kernel-flags record */
    KESTFW_KIFFLAGS_COUNT = 32,        /* named flags at most */
    KESTFW_KIFFLAG_NAME_SIZE = 40,     /* one flag name, NUL included */
    KESTFW_DEBUG_COMPONENTS = 28,      /* kernel debug components */
    KESTFW_DEBUG_ALL_COMPONENTS = 255, /* the component number that means all of them */
    KESTFW_DEBUG_STATUS_SIZE = 30,     /* one level byte per component, the component count at 28 */
    KESTFW_IPREP_LOOKUP_SIZE = 21,     /* the reputation lookup answer */
    KESTFW_ALG_RECORD_SIZE = 6,
    KESTFW_ALG_PORT_RECORD_SIZE = 40
};

/* Labels of the counters, so tools can name them: per action ("pass:" ...) and per drop reason. */
KESTFW_API extern const char* const g_kestfw_kifstat_action_names[KESTFW_KIFSTAT_ACTIONS];
KESTFW_API extern const char* const g_kestfw_kifstat_reason_names[KESTFW_KIFSTAT_REASONS];

/* The filter's statistics record as 508 words (required). */
KESTFW_API FWStatus_t FW_GetKifStat(fwlibhandle_* handle, dvs_port_* port, void* ctx, uint32_t* stats);
KESTFW_API FWStatus_t FW_ClearKifStat(fwlibhandle_* handle, dvs_port_* port, void* ctx);
/* The filter's flag bits. */
KESTFW_API FWStatus_t FW_GetKifFlags(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* flags);
/* 1 when the named flag "PF_KIF_FLAG_L7_RULES_PRESENT" / "PF_KIF_FLAG_ID_RULES_PRESENT" is set, else 0. */
KESTFW_API FWStatus_t FW_GetKifL7Flag(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* set);
KESTFW_API FWStatus_t FW_GetKifIDFWFlag(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* set);
/* Sets named flag `flag` (at most 39 characters are sent) to `mode`. */
KESTFW_API FWStatus_t FW_SetKifFlags(fwlibhandle_* handle, dvs_port_* port, void* ctx, const char* flag,
                                     unsigned int mode);
/* The filter's fast-path flag: `value` carries the value in and the kernel's value out. */
KESTFW_API FWStatus_t FW_FpFlag(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* value,
                                unsigned int mode);
/* Removes the spoof-guard entry of an Ethernet address. */
KESTFW_API FWStatus_t FW_DeleteSpoofGuard(fwlibhandle_* handle, dvs_port_* port, void* ctx, fw_ether_ mac);

/* ---- Kernel diagnostics ---------------------------------------------------------------------------- */

/* Verbose log of component 1 (data path) or 2 (control path) at `level` (below 16). */
KESTFW_API FWStatus_t FW_EnableVerboseLog(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int component,
                                          unsigned int level);
/* Debug level (below 16) of a kernel component (below 28, or 255 for all). */
KESTFW_API FWStatus_t FW_DebugComponent(fwlibhandle_* handle, dvs_port_* port, void* ctx, uint8_t component,
                                        uint8_t level);
/* Prints the debug levels and copies them into `status` (KESTFW_DEBUG_STATUS_SIZE bytes, required):
 * one level per component, the component count in byte 28. */
KESTFW_API FWStatus_t FW_DebugStatus(fwlibhandle_* handle, dvs_port_* port, void* ctx, uint8_t* status);
/* Application-level gateways: the two kernel words of each count query, and the records of the lists.
 * `count` carries the records the caller has room for in `out` and receives the number copied. */
KESTFW_API FWStatus_t FW_GetAlgCount(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* word0,
                                     unsigned int* count);
KESTFW_API FWStatus_t FW_GetAlgPortCount(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* word0,
                                         unsigned int* count);
KESTFW_API FWStatus_t FW_GetAlgs(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int start,
                                 unsigned int* count, void* out);
KESTFW_API FWStatus_t FW_GetAlgPorts(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int start,
                                     unsigned int* count, void* out);
/* Looks an IPv4 address (host order) up in the reputation database; `out` (KESTFW_IPREP_LOOKUP_SIZE
 * bytes, required) receives the answer: found byte, matched address, threat mask, score, prefix length. */
KESTFW_API FWStatus_t FW_LookIpRepDb(fwlibhandle_* handle, dvs_port_* port, uint32_t address, uint8_t* out);

/* ---- Load balancer --------------------------------------------------------------------------------- */

enum {
    KESTFW_LB_CONFIG_SIZE_SIZE = 20073,
    KESTFW_LB_STAT_SIZE = 30141,
    KESTFW_LB_MAX_SERVICES = 1000 /* per-service entries the size records have room for */
};

/* The size record of the configuration read: the caller selects, the kernel fills the counts. */
typedef struct FWLBConfigSize_ {
    uint8_t bytes[KESTFW_LB_CONFIG_SIZE_SIZE];
} FWLBConfigSize_;
/* The size record of the statistics read and clear. */
typedef struct FWLBStat_ {
    uint8_t bytes[KESTFW_LB_STAT_SIZE];
} FWLBStat_;

/* First step: the kernel fills the counts of `sizes` (required). */
KESTFW_API FWStatus_t FW_GetLBConfigSize(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWLBConfigSize_* sizes);
/* Second step: prints the configuration and copies up to `out_size` bytes of the answer into `out`. */
KESTFW_API FWStatus_t FW_GetLBConfig(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWLBConfigSize_* sizes,
                                     void* out, unsigned int out_size);
KESTFW_API FWStatus_t FW_GetLBStatSize(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWLBStat_* sizes);
KESTFW_API FWStatus_t FW_GetLBStat(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWLBStat_* sizes, void* out,
                                   unsigned int out_size);
/* Clears the statistics chosen by the flags in byte 140 of `request` (required) and prints the result. */
KESTFW_API FWStatus_t FW_ClearLBStat(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWLBStat_* request);

/* ---- Global settings ------------------------------------------------------------------------------- */

enum {
    KESTFW_FLOOD_CFG_SIZE = 36,
    KESTFW_FLOOD_STAT_SIZE = 12456,
    KESTFW_FLOOD_SYNCACHE_COUNT_OFFSET = 164,
    KESTFW_FLOOD_SYNCACHE_MAX = 512
};

/* 23 timeout values, then one flag per value marking it as meant. */
typedef struct FWInstTimeout_ {
    uint32_t value[23];
    uint8_t present[23];
    uint8_t pad;
} FWInstTimeout_;
typedef struct FWFloodCfg_t {
    uint32_t value[9];
} FWFloodCfg_t;
typedef struct FWFloodStat_t {
    uint8_t bytes[KESTFW_FLOOD_STAT_SIZE];
} FWFloodStat_t;
typedef struct FWHopoverExportver_ {
    uint32_t version;
} FWHopoverExportver_;

/* Fail policy: 0 fail open, 1 fail close. */
KESTFW_API FWStatus_t FW_GetFailPolicy(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* policy);
/* Sets the flagged timeouts / reads them back into the same record (required). */
KESTFW_API FWStatus_t FW_SetTimeout(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWInstTimeout_* timeouts);
KESTFW_API FWStatus_t FW_GetTimeout(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWInstTimeout_* timeouts);
KESTFW_API FWStatus_t FW_SetFloodCfg(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWFloodCfg_t* cfg);
/* Refuses an answer with more than KESTFW_FLOOD_SYNCACHE_MAX syncache entries (17), `stat` untouched. */
KESTFW_API FWStatus_t FW_GetFloodStat(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWFloodStat_t* stat);
KESTFW_API FWStatus_t FW_SetHopoverExportver(fwlibhandle_* handle, dvs_port_* port, void* ctx,
                                             FWHopoverExportver_* version);
KESTFW_API FWStatus_t FW_GetHopoverExportver(fwlibhandle_* handle, dvs_port_* port, void* ctx,
                                             FWHopoverExportver_* version);
KESTFW_API FWStatus_t FW_ConfigICMPErrPktDrop(fwlibhandle_* handle, dvs_port_* port, void* ctx, int mode);
KESTFW_API FWStatus_t FW_SetIDSMode(fwlibhandle_* handle, dvs_port_* port, int enable);
KESTFW_API FWStatus_t FW_SetOversubscription(fwlibhandle_* handle, dvs_port_* port, int bypass);
KESTFW_API FWStatus_t FW_SetL7CopyMode(fwlibhandle_* handle, dvs_port_* port, int enable);
KESTFW_API FWStatus_t FW_SetIDSFlowAttr(fwlibhandle_* handle, dvs_port_* port, uint64_t flow, int flag);
/* These two print their report through the report printer. */
KESTFW_API FWStatus_t FW_GetIDSMode(fwlibhandle_* handle, dvs_port_* port);
KESTFW_API FWStatus_t FW_GetOversubscription(fwlibhandle_* handle, dvs_port_* port);
/* `enabled` (required) is set to 0 first, then to the kernel's IDS switch. */
KESTFW_API FWStatus_t FW_GetIsIDSEnabled(fwlibhandle_* handle, dvs_port_* port, unsigned int* enabled);

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_SETTINGS_H */
