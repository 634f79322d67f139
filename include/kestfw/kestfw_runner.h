/* Services for the host's tools that need no library handle: run an external program with a time limit
 * and collect its output, ask the packet-filter framework to revalidate the filters of running VMs,
 * fetch an agent's filter list, and print flow-exclusion records. Each call is self-contained and keeps
 * no state; the kernel calls go to a descriptor the caller opened on the packet-filter table device. */
#ifndef KESTFW_RUNNER_H
#define KESTFW_RUNNER_H

#include <stdint.h>

#include "kestfw_frame.h"
#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Runs `path` with `argv` (no environment), its standard input fed once from `input` (may be null),
 * its standard output collected into `out` (capacity *outLen on entry, bytes read on return; the text
 * is NUL-terminated, overwriting the last byte when the output filled the capacity) and one read of
 * its standard error into `err` (capacity *errLen, not terminated). With a non-zero `timeout` (seconds)
 * a child that stays silent that long is sent SIGTERM. Returns 1 when the program was started and
 * reaped, whatever its exit status, else 0. */
KESTFW_API int RunCommandWithTimeout(const char* path, char* const argv[], char* out, int* outLen, char* err,
                                     int* errLen, const void* input, int inputLen, int timeout);
/* RunCommandWithTimeout without a time limit. */
KESTFW_API int RunCommand(const char* path, char* const argv[], char* out, int* outLen, char* err, int* errLen,
                          const void* input, int inputLen);

/* Control calls on the packet-filter table device. */
#define KESTFW_PLK_REVALIDATE_VM 10
#define KESTFW_PLK_REVALIDATE_PORT 12
#define KESTFW_PLK_FILTER_COUNT 20
#define KESTFW_PLK_FILTER_FETCH 21
/* Size of one filter record of GetFilterDetailList, handed on unchanged. */
#define KESTFW_FILTER_RECORD_SIZE 909

/* The script that lists the running VMs, one "world:spaced-uuid" line each. */
#define KESTFW_VM_LIST_SCRIPT "/bin/wyb_kest_vm_list.sh"

/* Revalidate the filters of every running VM (from the VM-list script), of one VM, or of one VM port.
 * 1 on success, 0 on failure (logged). */
KESTFW_API int RevalidateAllVMs(int fd);
KESTFW_API int RevalidateOneVM(int fd, unsigned int worldId, const uint8_t uuid[16]);
KESTFW_API int RevalidateOneVMPort(int fd, unsigned int worldId, unsigned int portId);

/* The filters of `agent`: a newly allocated array of *count records of KESTFW_FILTER_RECORD_SIZE bytes
 * (free() it), or null with *count 0. */
KESTFW_API void* GetFilterDetailList(int fd, const char* agent, unsigned int* count);

/* Flow-exclusion record (162 bytes, packed). Presence flags: */
#define FWFE_SRC_MAC 0x1u
#define FWFE_DST_MAC 0x2u
#define FWFE_SRC_IP 0x4u
#define FWFE_SRC_IP_RANGE 0x8u /* else address and mask */
#define FWFE_DST_IP 0x10u
#define FWFE_DST_IP_RANGE 0x20u
#define FWFE_SRC_PORT 0x40u
#define FWFE_DST_PORT 0x80u
#define FWFE_ETHERTYPES 0x100u
#define FWFE_PROTOCOLS 0x200u
#define FWFE_VNIC1_STD 0x400u
#define FWFE_VNIC2_STD 0x800u
#define FWFE_VNIC1_SPACED 0x1000u
#define FWFE_VNIC2_SPACED 0x2000u
#define FWFE_IPV6 0x80000000u
/* Negation flags of `negate` use the presence bits 1, 2, 4, 16, 64 and 128; those of `negate2`: */
#define FWFE_NEG2_ETHERTYPES 0x1u
#define FWFE_NEG2_PROTOCOLS 0x2u
#define FWFE_NEG2_VNIC1_STD 0x4u
#define FWFE_NEG2_VNIC2_STD 0x8u
#define FWFE_NEG2_VNIC1_SPACED 0x10u
#define FWFE_NEG2_VNIC2_SPACED 0x20u

typedef struct __attribute__((packed)) FWFlowExclusion_ {
    uint32_t flags;
    uint8_t negate;
    uint8_t negate2;
    uint8_t reserved[2];
    uint8_t protocolCount;  /* at most 8 */
    uint8_t ethertypeCount; /* at most 4 */
    uint8_t protocols[8];
    uint16_t ethertypes[4]; /* network order */
    uint8_t srcMac[6], srcMacMask[6];
    uint8_t dstMac[6], dstMacMask[6];
    uint8_t srcIp[32]; /* IPv4: address at 0, mask or range end at 4; IPv6: at 0 and 16 */
    uint8_t dstIp[32];
    uint16_t srcPort[2]; /* low, high; network order */
    uint16_t dstPort[2];
    uint8_t vnic1[16];
    uint32_t vnic1Index;
    uint8_t vnic2[16];
    uint32_t vnic2Index;
} FWFlowExclusion_;

/* One line of ten '|'-ended fields. */
KESTFW_API void PrintFlowExclusion(FWPrettyPrint_t print, void* ctx, const FWFlowExclusion_* record);
/* The same fields padded to fixed column widths. */
KESTFW_API void PrintLongFlowExclusion(FWPrettyPrint_t print, void* ctx, const FWFlowExclusion_* record);

#ifdef __cplusplus
}
#endif

#endif
