/* Records and identifiers shared by every family of the exported interface.
 * Every record here is a plain byte layout: the same bytes travel to the kernel,
 * come back from it and cross this interface, so no field relies on compiler padding. */
#ifndef KESTFW_TYPES_H
#define KESTFW_TYPES_H

#include <stdint.h>

#if defined(__GNUC__)
#define KESTFW_API __attribute__((visibility("default")))
#else
#define KESTFW_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* 0 is success; FW_StatusToString gives the text of every code. */
typedef uint32_t FWStatus_t;

/* The switch-port designator naming the filter instance a command is for (100 bytes). */
typedef struct dvs_port_ {
    char id[64];       /* vNIC id as "xx xx .. xx-xx .. xx", switch id, filter name or VIF id */
    char agent[32];    /* agent name */
    uint8_t index[3];  /* port index, 24-bit little-endian */
    uint8_t type;      /* low 4 bits: 0 none, 1 vNIC, 2 switch port, 7 filter, 8 VIF */
} dvs_port_;

enum {
    DVS_PORT_TYPE_NONE = 0,
    DVS_PORT_TYPE_VNIC = 1,
    DVS_PORT_TYPE_DVSPORT = 2,
    DVS_PORT_TYPE_FILTER = 7,
    DVS_PORT_TYPE_VIF = 8
};

/* Rule-set name: a fixed field of 64 bytes, passed by value. A name the caller hands in has at most 63
 * characters and a NUL. A name the library copies out of a kernel reply is the field as the kernel
 * wrote it: it may fill all 64 bytes with no NUL, so read it with strnlen(id.name, sizeof id.name) (or
 * printf's "%.*s"), never with strlen or a plain "%s". */
typedef struct FWRuleSetID_t {
    char name[64];
} FWRuleSetID_t;

/* Address-set name: a fixed field of 38 bytes, passed by value; at most 37 characters and a NUL going
 * in, and, like a rule-set name, up to all 38 bytes with no NUL coming out of a reply. */
typedef struct FWAddrSetID_t {
    char name[38];
} FWAddrSetID_t;

#ifdef __cplusplus
}
namespace KestFirewall {
class CKestFWLibHandle;
}
typedef KestFirewall::CKestFWLibHandle fwlibhandle_;
#else
typedef struct fwlibhandle_ fwlibhandle_;
#endif

#endif /* KESTFW_TYPES_H */
