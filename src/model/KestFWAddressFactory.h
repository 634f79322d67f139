// Builds address objects from records (as callers and the kernel hand them over) and from the text
// of a single address-set member.
#pragma once

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressFactory {
public:
    // The form named by the record's type code (0-7, 9, 11-15, and 18 as a SID match); any other
    // code raises CInvalidAddressException "unknown address type". The caller owns the result.
    static CKestFWAddress* newFromMsgBuf(const FWAddress_* rec);
    // As above from raw bytes: with fewer than 144 bytes, *used is 0 and the result null; else
    // *used is 144.
    static CKestFWAddress* newFromMsgBuf(const void* buf, unsigned int size, unsigned int* used);
    // One member of an address set of the given kind (FW_ADDRSET_IP, FW_ADDRSET_MAC,
    // FW_ADDRSET_SID_ADDRESS), never negated.
    static CKestFWAddress* newFromString(FWAddrSetType_t kind, const char* text);
};

}  // namespace KestFirewall
