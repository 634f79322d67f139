/* Layer-7 attributes and the containers that carry them.
 * An attribute is a fact about a flow (the application found by deep packet inspection, a TLS
 * version, an HTTP method, a user SID, a time window, ...) named by a key from a fixed catalogue.
 * Attributes travel to the kernel inside containers, as one chain of type-length-value elements.
 * Every record here is a plain byte layout in host order; the library reads and writes them field
 * by field, never by overlaying these structs on a buffer. */
#ifndef KESTFW_L7_H
#define KESTFW_L7_H

#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Attribute keys (the kernel's numbering). */
typedef uint32_t FWAttrKeyID;
enum {
    FW_ATTR_KEY_APP_ID = 0,
    FW_ATTR_KEY_TLS_VERSION = 1,
    FW_ATTR_KEY_TLS_CIPHER_SUITE = 2,
    FW_ATTR_KEY_CIFS_SMB_VERSION = 3,
    FW_ATTR_KEY_HTTP_METHOD = 4,
    FW_ATTR_KEY_HTTP_PATH = 5,
    FW_ATTR_KEY_FTP_COMMAND = 6,
    FW_ATTR_KEY_FQDN = 7,
    FW_ATTR_KEY_WIN_SID = 8,
    FW_ATTR_KEY_USER_SID = 9,
    FW_ATTR_KEY_PROCESS_HASH = 10,
    FW_ATTR_KEY_CTX_PROFILE_ID = 11,
    FW_ATTR_KEY_TB_DOW_ID = 12,
    FW_ATTR_KEY_TB_ST_ID = 13,
    FW_ATTR_KEY_TB_ET_ID = 14,
    FW_ATTR_KEY_TB_INTRV_ID = 15,
    FW_ATTR_KEY_TB_TZ_ID = 16,
    FW_ATTR_KEY_DNS_TXN = 17,
    FW_ATTR_KEY_MAX = 18 /* also the answer for an unknown key name */
};

/* Management-side key numbers start here (APP_ID is 10000). */
#define FW_ATTR_MP_KEY_BASE 10000

/* Value types of an attribute key. */
typedef uint32_t FWAttrKeyValueType;
enum {
    FW_ATTR_KVT_INT = 0,      /* signed 64-bit */
    FW_ATTR_KVT_UINT = 1,     /* unsigned 64-bit */
    FW_ATTR_KVT_EINT = 2,     /* enumerated: a number with its vocabulary name */
    FW_ATTR_KVT_UUID_STR = 3, /* 16-byte UUID and a text */
    FW_ATTR_KVT_SID = 4,      /* 72-byte binary SID */
    FW_ATTR_KVT_INTERVAL = 5, /* time-of-day interval */
    FW_ATTR_KVT_DNS_TXN = 6   /* DNS transaction */
};

/* Operator an attribute was built with; the grammar builds every attribute with 0. */
typedef uint32_t FwAttrOperator;
enum { FW_ATTR_OP_EQ = 0 };

/* States of deep packet inspection on a flow. */
typedef uint32_t FWDPIState;
enum { FW_DPI_STATE_NONE = 0, FW_DPI_STATE_PUNT = 1, FW_DPI_STATE_COPY = 2, FW_DPI_STATE_DONE = 3 };

/* Container types; an attribute profile is type 2. */
typedef uint32_t FWContainerType;
enum { FW_CONTAINER_ATTR_PROFILE = 2 };

/* Element kinds of a container chain; the L7 attribute is the only one. */
typedef uint32_t FWContElementType;
enum { FW_CONT_ELEM_L7_ATTRIBUTE = 0 };

/* A container name: at most 37 characters. */
#define FW_CONTAINER_NAME_MAX 37

/* Key record of the catalogue (13 bytes, packed). */
typedef struct __attribute__((packed)) _FWAttrKey {
    uint16_t valueType; /* FWAttrKeyValueType */
    uint16_t key;       /* FWAttrKeyID */
    uint8_t discovery;
    uint32_t toSlowPath; /* action towards the slow path */
    uint32_t toFastPath; /* action towards the fast path */
} _FWAttrKey;

/* Header of an encoded attribute (10 bytes); the value follows at offset 10:
 *   types 0-2  value (64-bit) at 10                                         total 18
 *   type 3     UUID (16) at 10, u16 text length with NUL (0 if empty) at 26,
 *              the text with its NUL from 28                                 total 28 (+ length)
 *   type 4     SID record (72) at 10                                         total 82
 *   type 5     start (u64) at 10, end (u64) at 18, day (u32) at 26           total 30
 *   type 6     rr type (u32) at 10, rcode (u32) at 14, txn id (u32) at 18,
 *              u16 domain length with NUL (0 if empty) at 22, the domain from 24
 *                                                                            total 24 (+ length) */
typedef struct __attribute__((packed)) _FWAttrValue {
    uint16_t key;
    uint16_t type;
    uint32_t length;   /* of the whole encoding, header included */
    uint16_t reserved; /* 0 */
} _FWAttrValue;

#define FW_ATTR_VALUE_HEADER_SIZE 10

/* Chain message of a container: this 12-byte header, then the elements one after another. */
typedef struct __attribute__((packed)) FWtlvChain {
    uint32_t type;  /* FWContainerType */
    uint32_t count; /* number of elements */
    uint32_t size;  /* bytes of the element area (the whole message less this header) */
} FWtlvChain;

/* Element header (8 bytes); the value follows, and the next element starts after it. */
typedef struct __attribute__((packed)) FWtlvChainElem {
    uint16_t one;    /* always 1 */
    uint16_t type;   /* FWContElementType */
    uint32_t length; /* bytes of the value */
} FWtlvChainElem;

#define FW_TLV_CHAIN_HEADER_SIZE 12
#define FW_TLV_ELEM_HEADER_SIZE 8

/* "NONE", "PUNT", "COPY", "DONE"; "UNKNOWN" above 3. */
KESTFW_API const char* FW_DPIStateToString(FWDPIState state);

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_L7_H */
