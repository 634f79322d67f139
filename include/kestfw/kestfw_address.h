/* The address record: every address form (host, range, network, Ethernet, set reference, attribute
 * match) travels to the kernel, comes back from it and crosses this interface as one 144-byte record.
 * The record is a plain byte layout; integer fields are host order, addresses network order. */
#ifndef KESTFW_ADDRESS_H
#define KESTFW_ADDRESS_H

#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* An Ethernet address, six bytes in transmission order. */
typedef struct fw_ether_ {
    uint8_t octet[6];
} fw_ether_;

/* Address type codes: the first field of FWAddress_ and the object type of each address form. */
enum {
    FW_ADDRESS_ANY = 0,
    FW_ADDRESS_IPV4 = 1,
    FW_ADDRESS_IPV6 = 2,
    FW_ADDRESS_IPV4_RANGE = 3,
    FW_ADDRESS_IPV6_RANGE = 4,
    FW_ADDRESS_IPV4_CIDR = 5,
    FW_ADDRESS_IPV6_CIDR = 6,
    FW_ADDRESS_ETHER = 7,
    FW_ADDRESS_ETHER_RANGE = 8,
    FW_ADDRESS_ETHER_MASK = 9,
    FW_ADDRESS_VNIC = 10, /* named only; no form builds or reads it */
    FW_ADDRESS_ADDRSET = 11,
    FW_ADDRESS_ATTR_INT = 12,
    FW_ADDRESS_ATTR_UINT = 13,
    FW_ADDRESS_ATTR_STRING = 14,
    FW_ADDRESS_ATTR_SID = 15,
    FW_ADDRESS_IP_LIST = 16,
    FW_ADDRESS_MAC_LIST = 17,
    FW_ADDRESS_SID_LIST = 18, /* a single record of this code reads as a SID attribute */
    FW_ADDRESS_LIST = 141
};

/* Value types of an attribute match (the u32 at offset 8 of an attribute record). */
typedef uint32_t FWAttrIDValType;
enum {
    FW_ATTR_VAL_INT = 0,
    FW_ATTR_VAL_UINT = 1,
    FW_ATTR_VAL_STRING = 2,
    FW_ATTR_VAL_SID = 5
};

/* Attribute id of an attribute match (the u32 at offset 4 of an attribute record). */
typedef uint32_t FWAttrIDType;

/* Kinds of address set. The single-address text factory takes FW_ADDRSET_SID_ADDRESS for a SID,
 * the list factory and the address-set commands take FW_ADDRSET_SID. */
typedef uint32_t FWAddrSetType_t;
enum {
    FW_ADDRSET_IP = 1,
    FW_ADDRSET_MAC = 2,
    FW_ADDRSET_ATTR = 4,
    FW_ADDRSET_SID_ADDRESS = 5,
    FW_ADDRSET_SID = 15
};

#define FW_ADDRESS_RECORD_SIZE 144
#define FW_ADDRESS_FLAG_NEGATE 0x01

/* The address record. Body by type, offsets from the start of the record:
 *   1 ipv4        4..7 address
 *   2 ipv6        4..19 address
 *   3 ipv4 range  4..7 start, 8..11 end
 *   4 ipv6 range  4..19 start, 20..35 end
 *   5 ipv4/cidr   4..7 network (host bits cleared), 8 prefix length
 *   6 ipv6/cidr   4..19 network (host bits cleared), 20 prefix length
 *   7 ether       4..9 address
 *   8 ether range 4..9 start, 10..15 end
 *   9 ether/mask  4..9 address, 10..15 mask
 *  11 addrset     4..41 set name (38 bytes, NUL-terminated)
 *  12, 13 int     4..7 attribute id, 8..11 value type, 16..23 value (s64 / u64); 4..142 written whole
 *  14 string      4..7 attribute id, 8..11 value type, 12..142 value text (131 bytes, NUL-terminated)
 *  15 sid         4..7 attribute id, 8..11 value type, 12..87 SID text (76 bytes, NUL-terminated)
 * Bytes not named are left as they are when written and ignored when read. */
typedef struct FWAddress_ {
    uint8_t type[2];   /* address type code, u16 host order */
    uint8_t flags;     /* bit 0: negate ("not"); the other bits are not interpreted */
    uint8_t unused;
    uint8_t body[140]; /* by type, see above */
} FWAddress_;

#if defined(__cplusplus)
static_assert(sizeof(FWAddress_) == FW_ADDRESS_RECORD_SIZE, "address record is 144 bytes");
static_assert(sizeof(fw_ether_) == 6, "ethernet address is 6 bytes");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(sizeof(FWAddress_) == FW_ADDRESS_RECORD_SIZE, "address record is 144 bytes");
_Static_assert(sizeof(fw_ether_) == 6, "ethernet address is 6 bytes");
#endif

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_ADDRESS_H */
