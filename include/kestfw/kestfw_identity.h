/* Identity and name mappings the kernel keeps: domain names to addresses and to VM UUIDs, user SIDs
 * to group SIDs, the DNS answer-caching profile, the FQDN filtering state, and attribute containers.
 *
 * Command handles (void*): a create function builds a command the caller fills over several calls;
 * the execute function sends it as often as wanted; the release function frees it exactly once
 * (a handle already released, or never created, is refused with 3). An execute function given a
 * non-null reply pointer hands the kernel's reply out; each such reply goes back through the release
 * function (or is released by the next execute of the same handle). */
#ifndef KESTFW_IDENTITY_H
#define KESTFW_IDENTITY_H

#include <netinet/in.h>

#include "kestfw_address.h"
#include "kestfw_rule.h"
#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

enum { FW_DOMAIN_NAME_MAX = 254 }; /* characters of a domain kept in the domain-to-UUID map */

/* One domain of the domain-to-UUID map as the kernel reported it. */
typedef struct FWDomainUuidEntry_ {
    char domain[FW_DOMAIN_NAME_MAX + 1];
    uint8_t flag;       /* reply byte 255 */
    uint64_t info;      /* reply u64 at 256 */
    uint32_t infoWord;  /* reply u32 at 264 */
    uint64_t value;     /* entry value, u64 at 268 */
    uint32_t valueWord; /* entry value, u32 at 280 */
    uint32_t uuidCount; /* UUIDs the domain has (may exceed what was copied) */
} FWDomainUuidEntry_;

/* Answer of an FQDN address query. */
typedef struct FWFqdnEntryCount_ {
    uint32_t domainCount;
    uint32_t uuidCount;
} FWFqdnEntryCount_;

enum { FW_FQDN_UUID_ENTRY_SIZE = 1090 };
enum { FW_UID2SID_ADD = 0, FW_UID2SID_DEL = 1 };
enum { FW_DNS_TTL_INFINITE = 1, FW_DNS_TTL_AUTO = 2 };

/* Domain to UUIDs: build, fill, send, free. `remove` non-zero deletes the listed domains. */
KESTFW_API FWStatus_t FW_CreateDomainUuidModifyCmd(fwlibhandle_* handle, dvs_port_* port, int remove, void** cmd);
/* Adds a domain (cut to 254 characters) with `count` UUIDs; a domain already in the command gains
 * the UUIDs. */
KESTFW_API FWStatus_t FW_AddDomainUuidEntry(void* cmd, const char* domain, const FWuuid_* uuids, unsigned int count,
                                            uint64_t value, uint32_t valueWord);
KESTFW_API FWStatus_t FW_ExecuteDomainUuidModifyCmd(fwlibhandle_* handle, void* ctx, void** reply, void* cmd);
KESTFW_API FWStatus_t FW_ReleaseDomainUuidModifyCmd(fwlibhandle_* handle, void* reply, void* cmd);
/* One command with one domain and its UUIDs, sent at once. */
KESTFW_API FWStatus_t FW_AddDomainAndUuids(fwlibhandle_* handle, dvs_port_* port, void* ctx, const char* domain,
                                           const FWuuid_* uuids, unsigned int count);

/* Domain-to-UUID map reads: operation 3 fetches entries into `room` bytes, any other only sizes. */
KESTFW_API FWStatus_t FW_CreateGetDomainUuidCmd(fwlibhandle_* handle, dvs_port_* port, uint8_t operation, uint8_t flag,
                                                unsigned int room, uint32_t first, uint32_t second, void** cmd);
KESTFW_API FWStatus_t FW_ExecuteGetDomainUuidCmd(fwlibhandle_* handle, void* ctx, void** reply, void* cmd);
KESTFW_API FWStatus_t FW_ReleaseGetDomainUuidMapCmd(fwlibhandle_* handle, void* reply, void* cmd);
/* Number of domains and the bytes their records take. */
KESTFW_API FWStatus_t FW_GetDomainUuidNumAndSize(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* count,
                                                 unsigned int* size);
/* Entry `index` of the last reply of a get command: the fields, and at most maxUuids UUIDs. */
KESTFW_API FWStatus_t FW_GetDomainUuidEntry(void* cmd, unsigned int index, FWDomainUuidEntry_* entry, FWuuid_* uuids,
                                            unsigned int maxUuids);

/* Domain to addresses: build, fill, send, free; a domain's addresses replace what it had. */
KESTFW_API FWStatus_t FW_CreateDomain2IPHandle(fwlibhandle_* handle, dvs_port_* port, const char* domain, void** cmd);
KESTFW_API FWStatus_t FW_AddIPAddress(void* cmd, const FWAddress_* address, unsigned int ttl);
KESTFW_API FWStatus_t FW_SetDomain2IP(fwlibhandle_* handle, void* ctx, void** reply, void* cmd);
KESTFW_API FWStatus_t FW_ReleaseDomain2IPHandle(fwlibhandle_* handle, void* reply, void* cmd);
/* One command with `count` addresses (each with ttls[i]), sent at once. */
KESTFW_API FWStatus_t FW_SetDomain2IPMap(fwlibhandle_* handle, dvs_port_* port, void* ctx, const char* domain,
                                         const FWAddress_* addresses, const unsigned int* ttls, unsigned int count);

/* User SID to group SIDs (texts as sid_str2bin reads them). */
KESTFW_API FWStatus_t FW_AddAttrUid2MultiSid(fwlibhandle_* handle, dvs_port_* port, unsigned int operation,
                                             const char* userSid, const char* const* groupSids, unsigned int count,
                                             unsigned int value);
KESTFW_API FWStatus_t FW_GetUid2SidMapSize(fwlibhandle_* handle, dvs_port_* port, unsigned int* size,
                                           unsigned int* entries);
/* Prints entries start .. start + count - 1 through the report printer. */
KESTFW_API FWStatus_t FW_GetUid2SidMap(fwlibhandle_* handle, dvs_port_* port, unsigned int start, unsigned int count);

/* DNS profile: mode 1 infinite, 2 automatic, otherwise `ttl` seconds. The get prints its report. */
KESTFW_API FWStatus_t FW_SetDnsConfigProfile(fwlibhandle_* handle, dvs_port_* port, uint8_t mode, unsigned int ttl);
KESTFW_API FWStatus_t FW_GetDnsConfigProfile(fwlibhandle_* handle, dvs_port_* port);

/* FQDN filtering state. */
KESTFW_API FWStatus_t FW_DeleteFqdnTree(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result);
KESTFW_API FWStatus_t FW_GetFqdnCount(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* count);
KESTFW_API FWStatus_t FW_GetFqdnEntryV4(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                        const struct in_addr* address, FWFqdnEntryCount_* out);
KESTFW_API FWStatus_t FW_GetFqdnEntryV6(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                        const struct in6_addr* address, FWFqdnEntryCount_* out);
/* Domains and UUIDs of an address: `count` entries of FW_FQDN_UUID_ENTRY_SIZE bytes into out. */
KESTFW_API FWStatus_t FW_GetDomainAndUuids(fwlibhandle_* handle, dvs_port_* port, void* ctx, const FWAddress_* address,
                                           uint32_t first, uint32_t second, unsigned int count, void* out);

/* Texts of the elements of attribute profile `id` (at most count; each malloc'ed, the caller frees
 * them) and how many were stored. */
KESTFW_API FWStatus_t FW_GetElementsOfContainer(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                                unsigned int start, char** out, unsigned int* returned,
                                                FWAddrSetID_t id);

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_IDENTITY_H */
