#include "model/KestFWAddressListFactory.h"

#include <cstdint>

#include "base/KestFWException.h"
#include "model/KestFWAddressIPList.h"
#include "model/KestFWAddressMACList.h"
#include "model/KestFWAddressSIDList.h"

namespace KestFirewall {

CKestFWAddressList* CKestFWAddressListFactory::newFromArray(int kind, FWAddrSetID_t id, const FWAddress_* records,
                                                            unsigned int count) {
    switch (kind) {
        case FW_ADDRSET_IP:
            return new CKestFWAddressIPList(id, records, count);
        case FW_ADDRSET_MAC:
            return new CKestFWAddressMACList(id, records, count);
        case FW_ADDRSET_SID:
            return new CKestFWAddressSIDList(id, records, count);
        default:
            throw CInvalidAddressException("unknown address type", static_cast<unsigned>(kind));
    }
}

CKestFWAddressList* CKestFWAddressListFactory::newFromMsgBuf(int kind, FWAddrSetID_t id, const void* buf,
                                                             unsigned int size, unsigned int count) {
    uint64_t need = uint64_t(count) * FW_ADDRESS_RECORD_SIZE;
    if (need > size || (count != 0 && buf == nullptr))
        throw CInsufficientMsgBufException(need > UINT32_MAX ? UINT32_MAX : static_cast<unsigned>(need), size);
    // FWAddress_ is made of bytes only, so any buffer address is a valid record address.
    return newFromArray(kind, id, static_cast<const FWAddress_*>(buf), count);
}

}  // namespace KestFirewall
