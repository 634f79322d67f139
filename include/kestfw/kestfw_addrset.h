/* Address sets: create a named set with its members, empty it, destroy one set or every set of a
 * filter, switch shared address sets on or off; and the entry record of an IP-reputation chunk.
 * Every function takes the library handle, the switch port (null: not bound to a port) and a channel
 * context first, and answers with a status; outputs are written only when the kernel accepted the
 * command. */
#ifndef KESTFW_ADDRSET_H
#define KESTFW_ADDRSET_H

#include "kestfw_address.h"
#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* One entry of an IP-reputation chunk (16 bytes), copied to the kernel as it is given. */
typedef struct fw_iprep_entry_ {
    uint32_t ip;          /* the address as the reputation database keeps it */
    uint32_t threat_mask; /* threat categories */
    uint32_t reputation;  /* score */
    uint8_t mask_len;     /* prefix length of the entry */
    uint8_t pad[3];
} fw_iprep_entry_;

#define FW_IPREP_ENTRY_SIZE 16
#define FW_IPREP_DB_ID_SIZE 16

#if defined(__cplusplus)
static_assert(sizeof(fw_iprep_entry_) == FW_IPREP_ENTRY_SIZE, "reputation entry is 16 bytes");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(sizeof(fw_iprep_entry_) == FW_IPREP_ENTRY_SIZE, "reputation entry is 16 bytes");
#endif

/* The kind of set that holds an address of the given type code: FW_ADDRSET_IP for IPv4 and IPv6
 * hosts, ranges and networks (1 to 6), FW_ADDRSET_MAC for an Ethernet address (7), else 0. */
KESTFW_API FWAddrSetType_t addr_type_to_addrset_type(unsigned short addressType);

/* Creates set `id` of the given kind (FW_ADDRSET_IP, FW_ADDRSET_MAC, FW_ADDRSET_SID) with `count`
 * members taken from `records`, replacing a set of that name. `records` must not be null, even for
 * an empty set. */
KESTFW_API FWStatus_t FW_CreateAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int kind,
                                       unsigned int count, const FWAddress_* records, FWAddrSetID_t id);
/* Destroys set `id`; `result` receives the kernel's word about the operation. */
KESTFW_API FWStatus_t FW_DestroyAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result,
                                        FWAddrSetID_t id);
/* Removes every member of set `id`; `result` receives the kernel's word about the operation. */
KESTFW_API FWStatus_t FW_ClearAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result,
                                      FWAddrSetID_t id);
/* Destroys every set of the filter; `result` receives the kernel's word about the operation. */
KESTFW_API FWStatus_t FW_DestroyAllAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result);
/* Switches shared address sets on (non-zero) or off. */
KESTFW_API FWStatus_t FW_ConfigSharedAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, int enable);

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_ADDRSET_H */
