// Builds the address list of an address set from its member records.
#pragma once

#include "model/KestFWAddressList.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressListFactory {
public:
    // Kind FW_ADDRSET_IP, FW_ADDRSET_MAC or FW_ADDRSET_SID; any other kind raises
    // CInvalidAddressException "unknown address type". The caller owns the result.
    static CKestFWAddressList* newFromArray(int kind, FWAddrSetID_t id, const FWAddress_* records, unsigned int count);
    // As above from raw reply bytes: `count` records must fit in `size` bytes, else
    // CInsufficientMsgBufException.
    static CKestFWAddressList* newFromMsgBuf(int kind, FWAddrSetID_t id, const void* buf, unsigned int size,
                                             unsigned int count);
};

}  // namespace KestFirewall
