/* Tracked connections (flows) of a filter: count them, read the flow table page by page, clear it,
 * have connections re-evaluated against the current rules (by a selection, by a list, or all), set
 * the failure policy, attach L7 attributes to one connection and ask about its attributes and its
 * deep-packet-inspection state.
 * Every function that reaches the kernel takes the library handle, the switch port (null: not bound
 * to a port) and a channel context first, and answers with a status; outputs are written only when
 * the kernel accepted the command. Records here are byte layouts the library reads and writes field by
 * field. */
#ifndef KESTFW_CONN_H
#define KESTFW_CONN_H

#include "kestfw_l7.h"
#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Connection key (40 bytes). Addresses of an IPv4 connection use the first 4 bytes of their field. */
typedef struct FWConnection_ {
    uint8_t src[16];
    uint8_t dst[16];
    uint16_t sport; /* network order */
    uint16_t dport; /* network order */
    uint8_t flags;  /* FW_CONN_FLAG_* */
    uint8_t zero[2];
    uint8_t proto; /* IP protocol number */
} FWConnection_;

#define FW_CONNECTION_SIZE 40
#define FW_CONN_FLAG_IPV6 0x01
#define FW_CONN_FLAG_INBOUND 0x02
#define FW_CONN_FLAG_OUTBOUND 0x04

/* Selection of connections (80 bytes); its fields are the kernel's and the library copies it as is. */
typedef struct FWConnFilter_ {
    uint8_t bytes[80];
} FWConnFilter_;

#define FW_CONN_FILTER_SIZE 80

/* One flow record of the flow table as the kernel reports it (294 bytes). */
typedef struct FWConnectionStat_ {
    uint8_t bytes[294];
} FWConnectionStat_;

#define FW_CONNECTION_STAT_SIZE 294
#define FW_CONN_STAT_OFF_FLOW_ID 3 /* u64, network order */

/* The flow identifier of a flow record, in host order: a caller reading the whole table asks for the
 * next page from the last identifier of a page plus one (0 starts at the beginning). */
static inline uint64_t FW_ConnectionStatFlowID(const FWConnectionStat_* rec) {
    uint64_t id = 0;
    int i;
    for (i = 0; i < 8; ++i) id = (id << 8) | rec->bytes[FW_CONN_STAT_OFF_FLOW_ID + i];
    return id;
}

/* One slot of the DPI query (16 bytes): the state identifier asked about and the kernel's answer. */
typedef struct FWConnDPIInfo_ {
    uint64_t state_id;
    uint8_t answer[8];
} FWConnDPIInfo_;

#define FW_CONN_DPI_MAX 100

#if defined(__cplusplus)
static_assert(sizeof(FWConnection_) == FW_CONNECTION_SIZE, "connection key is 40 bytes");
static_assert(sizeof(FWConnFilter_) == FW_CONN_FILTER_SIZE, "connection filter is 80 bytes");
static_assert(sizeof(FWConnectionStat_) == FW_CONNECTION_STAT_SIZE, "flow record is 294 bytes");
static_assert(sizeof(FWConnDPIInfo_) == 16, "DPI slot is 16 bytes");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(sizeof(FWConnection_) == FW_CONNECTION_SIZE, "connection key is 40 bytes");
_Static_assert(sizeof(FWConnFilter_) == FW_CONN_FILTER_SIZE, "connection filter is 80 bytes");
_Static_assert(sizeof(FWConnectionStat_) == FW_CONNECTION_STAT_SIZE, "flow record is 294 bytes");
_Static_assert(sizeof(FWConnDPIInfo_) == 16, "DPI slot is 16 bytes");
#endif

/* What to do when the firewall cannot decide on a packet. */
#ifndef KESTFW_FAIL_POLICY_DEFINED
#define KESTFW_FAIL_POLICY_DEFINED
typedef uint32_t FWFailPolicy_t;
enum { FW_FAIL_OPEN = 0, FW_FAIL_CLOSE = 1 };
#endif

/* What a connection-attribute command does with its attributes. */
typedef uint32_t FWAttrOpType;
enum { FW_ATTR_OP_ADD = 0, FW_ATTR_OP_DELETE = 1, FW_ATTR_OP_DNS_REVAL_DONE = 2 };

/* Number of tracked connections; `filter` may be null (the count is always of all connections). */
KESTFW_API FWStatus_t FW_GetConnectionCount(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWConnFilter_* filter,
                                            unsigned int* count);
/* Reads at most `count` (non-zero) flow records starting at flow identifier `start` into `out` and
 * their number into `returned`. A reply claiming more records than asked for is refused (17). */
KESTFW_API FWStatus_t FW_GetConnectionStat(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                           FWConnFilter_* filter, uint64_t start, FWConnectionStat_* out,
                                           unsigned int* returned);
/* Prints the flow table from `start` (at most `count` records) through the report printer. */
KESTFW_API FWStatus_t FW_PrintConnectionStat(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                             uint64_t start);
/* Asks for the DPI state of `count` state identifiers (equal to `capacity`, at most 100); `out` gets
 * one slot per identifier and `answered` the number of states the kernel answered (may be null). */
KESTFW_API FWStatus_t FW_GetConnectionDPIInfo(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                              const uint64_t* stateIds, unsigned int capacity, FWConnDPIInfo_* out,
                                              unsigned int* answered);
/* Re-evaluates the connections the filter selects; `result` gets the number affected. */
KESTFW_API FWStatus_t FW_SetConnectionByFilter(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWConnFilter_* filter,
                                               unsigned int* result);
/* Re-evaluates the `count` (non-zero) listed connections; `result` gets the number affected. */
KESTFW_API FWStatus_t FW_SetConnectionByList(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                             const FWConnection_* conns, unsigned int* result);
/* Re-evaluates every connection. */
KESTFW_API FWStatus_t FW_SetAllConnection(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result);
/* Drops every tracked connection; `result` gets the number cleared. */
KESTFW_API FWStatus_t FW_ClearAllConnection(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result);
/* FW_FAIL_OPEN or FW_FAIL_CLOSE (taken as a byte); anything else is refused (7) without sending. */
KESTFW_API FWStatus_t FW_SetFailPolicy(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWFailPolicy_t policy);

/* Connection attributes, as a command handle: create it keyed by exactly one of a connection or a
 * non-zero state identifier (both or neither: 3), add attributes, execute it as often as wanted, and
 * release it. `result` of FW_SetConnectionAttr gets the kernel's word about the operation. */
KESTFW_API FWStatus_t FW_CreateConnectionAttr(fwlibhandle_* handle, dvs_port_* port, const FWConnection_* conn,
                                              uint64_t stateId, FWAttrOpType op, void** attrCmd);
KESTFW_API FWStatus_t FW_SetConnectionAttr(fwlibhandle_* handle, void* ctx, void* attrCmd, unsigned int* result);
KESTFW_API FWStatus_t FW_ReleaseConnectionAttr(fwlibhandle_* handle, void* attrCmd);
/* Number and serialised size of the attributes a connection (when given) or state identifier holds. */
KESTFW_API FWStatus_t FW_GetConnAttrInfo(fwlibhandle_* handle, dvs_port_* port, void* ctx, const FWConnection_* conn,
                                         uint64_t stateId, unsigned int* count, unsigned int* size);
/* Tells the kernel that the DNS revalidation of a connection (or state identifier) is done. */
KESTFW_API FWStatus_t FW_SetDNSRevalDone(fwlibhandle_* handle, dvs_port_* port, void* ctx, const FWConnection_* conn,
                                         uint64_t stateId, unsigned int* result);

/* Attributes added to a connection-attribute command handle (no kernel call). */
/* A text value: an enumerated name, a SID or interval text, or the text of an identifier-with-text key. */
KESTFW_API FWStatus_t FW_AddAttrSTR(void* attrCmd, FWAttrKeyID key, const char* value);
/* A number, signed or unsigned as the key's value type is. */
KESTFW_API FWStatus_t FW_AddAttrINT(void* attrCmd, FWAttrKeyID key, int64_t value);
KESTFW_API FWStatus_t FW_AddAttrDNS(void* attrCmd, const char* domain, uint32_t rrType, uint32_t rcode, uint32_t txnId);
KESTFW_API FWStatus_t FW_AddAttrProcessHash(void* attrCmd, uint64_t hash);
/* `count` (non-zero) Windows SID texts, each its own attribute. */
KESTFW_API FWStatus_t FW_AddAttrMultiSID(void* attrCmd, const char* const* sids, unsigned int count);
KESTFW_API FWStatus_t FW_AddAttrUserSID(void* attrCmd, const char* sid);
/* Not supported: always 7. */
KESTFW_API FWStatus_t FW_AddAttrUUID(void* attrCmd, FWAttrKeyID key, const uint8_t* uuid, const char* text);

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_CONN_H */
