#include "model/KestFWAddressFactory.h"

#include <cstring>
#include <memory>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddressAny.h"
#include "model/KestFWAddressEther.h"
#include "model/KestFWAddressEtherMask.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv4CIDR.h"
#include "model/KestFWAddressIPv4Range.h"
#include "model/KestFWAddressIPv6.h"
#include "model/KestFWAddressIPv6CIDR.h"
#include "model/KestFWAddressIPv6Range.h"
#include "model/KestFWAddressUtil.h"
#include "model/KestFWAttr.h"

namespace KestFirewall {

namespace {
// The attribute id under which SID members of an address set travel (the Windows SID key).
constexpr FWAttrIDType kSidAttrID = 8;
// A SID text and its NUL fill the 76-byte value field at most.
constexpr size_t kSidField = CKestFWAddressAttr::kSidWidth;
}  // namespace

CKestFWAddress* CKestFWAddressFactory::newFromMsgBuf(const FWAddress_* rec) {
    if (rec == nullptr) throw CInvalidAddressException("null address record");
    unsigned type = AddressUtil::recordType(rec);
    KFW_DEBUG(KFW_COMP_ADDRESS, 1, "%s: address type is %s\n", __func__, CKestFWAddress::typeName(type));
    switch (type) {
        case FW_ADDRESS_ANY:
            return new CKestFWAddressAny(rec);
        case FW_ADDRESS_IPV4:
            return new CKestFWAddressIPv4(rec);
        case FW_ADDRESS_IPV6:
            return new CKestFWAddressIPv6(rec);
        case FW_ADDRESS_IPV4_RANGE:
            return new CKestFWAddressIPv4Range(rec);
        case FW_ADDRESS_IPV6_RANGE:
            return new CKestFWAddressIPv6Range(rec);
        case FW_ADDRESS_IPV4_CIDR:
            return new CKestFWAddressIPv4CIDR(rec);
        case FW_ADDRESS_IPV6_CIDR:
            return new CKestFWAddressIPv6CIDR(rec);
        case FW_ADDRESS_ETHER:
            return new CKestFWAddressEther(rec);
        case FW_ADDRESS_ETHER_MASK:
            return new CKestFWAddressEtherMask(rec);
        case FW_ADDRESS_ADDRSET:
            return new CKestFWAddrSetID(rec);
        case FW_ADDRESS_ATTR_INT:
            return new CKestFWAttrInt(rec);
        case FW_ADDRESS_ATTR_UINT:
            return new CKestFWAttrUInt(rec);
        case FW_ADDRESS_ATTR_STRING:
            return new CKestFWAttrString(rec);
        case FW_ADDRESS_ATTR_SID:
        case FW_ADDRESS_SID_LIST:
            return new CKestFWAttrSID(rec);
        default:
            // Ethernet ranges and vNIC references are never handed back by the kernel.
            throw CInvalidAddressException("unknown address type", type);
    }
}

CKestFWAddress* CKestFWAddressFactory::newFromMsgBuf(const void* buf, unsigned int size, unsigned int* used) {
    if (buf == nullptr || size < FW_ADDRESS_RECORD_SIZE) {
        if (used != nullptr) *used = 0;
        return nullptr;
    }
    if (used != nullptr) *used = FW_ADDRESS_RECORD_SIZE;
    // Copied out so a record at any alignment reads the same.
    FWAddress_ rec;
    memcpy(&rec, buf, sizeof rec);
    return newFromMsgBuf(&rec);
}

CKestFWAddress* CKestFWAddressFactory::newFromString(FWAddrSetType_t kind, const char* text) {
    if (text == nullptr) throw CInvalidAddressException("");
    switch (kind) {
        case FW_ADDRSET_MAC:
            KFW_DEBUG(KFW_COMP_ADDRESS, 1, "creating mac address from %s\n", text);
            if (strchr(text, '/') != nullptr) return new CKestFWAddressEtherMask(text, false);
            return new CKestFWAddressEther(text, false);
        case FW_ADDRSET_SID_ADDRESS:
            KFW_DEBUG(KFW_COMP_ADDRESS, 1, "creating sid address from %s\n", text);
            if (strlen(text) + 1 > kSidField) throw CIDTooLongException(text);
            return new CKestFWAttrSID(kSidAttrID, text, false);
        case FW_ADDRSET_IP:
            KFW_DEBUG(KFW_COMP_ADDRESS, 1, "creating ip address from %s\n", text);
            if (strchr(text, ':') != nullptr) {
                if (strchr(text, '-') != nullptr) return new CKestFWAddressIPv6Range(text, false);
                if (strchr(text, '/') != nullptr) return new CKestFWAddressIPv6CIDR(text, false);
                return new CKestFWAddressIPv6(text, false);
            }
            if (strchr(text, '-') != nullptr) return new CKestFWAddressIPv4Range(text, false);
            if (strchr(text, '/') != nullptr) return new CKestFWAddressIPv4CIDR(text, false);
            return new CKestFWAddressIPv4(text, false);
        default:
            throw CUnsupportedException("unsupported address set type", static_cast<unsigned>(kind));
    }
}

}  // namespace KestFirewall
