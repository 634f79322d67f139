// Address records and address text from untrusted sources: callers of the C interface and kernel
// replies hand records in, configuration text hands members in. Whatever the bytes, the factories
// answer with an object or a clean exception, and an object's record reads back to the same record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddressEtherMask.h"
#include "model/KestFWAddressEtherRange.h"
#include "model/KestFWAddressFactory.h"
#include "model/KestFWAddressIPv4CIDR.h"
#include "model/KestFWAddressIPv4Range.h"
#include "model/KestFWAddressIPv6CIDR.h"
#include "model/KestFWAddressIPv6Range.h"
#include "model/KestFWAddressList.h"
#include "model/KestFWAddressListFactory.h"
#include "model/KestFWAttr.h"

using namespace KestFirewall;

namespace {

void quietLog(int, const char*, va_list) {}

// Writes the address, reads the record back, writes again: both records must be identical.
void checkRecordTrip(CKestFWAddress& a) {
    (void)a.toString();
    (void)a.isIPAddress();
    (void)a.getName();
    FWAddress_ first, second;
    memset(&first, 0, sizeof first);
    memset(&second, 0, sizeof second);
    unsigned used = 0;
    if (!a.toMessage(&first, sizeof first, &used) || used != sizeof first) __builtin_trap();
    if (a.getType() == FW_ADDRESS_ETHER_RANGE) return;  // never read back by the factory
    std::unique_ptr<CKestFWAddress> b(CKestFWAddressFactory::newFromMsgBuf(&first));
    if (!b->toMessage(&second, sizeof second, &used)) __builtin_trap();
    if (memcmp(&first, &second, sizeof first) != 0) __builtin_trap();
    if (*b < *b) __builtin_trap();
}

void oneRecord(const uint8_t* data, size_t size) {
    unsigned used = 0;
    std::unique_ptr<CKestFWAddress> a(CKestFWAddressFactory::newFromMsgBuf(data, static_cast<unsigned>(size), &used));
    if (!a) {
        if (size >= sizeof(FWAddress_) || used != 0) __builtin_trap();
        return;
    }
    checkRecordTrip(*a);
    // Every accepted form may enter a plain list; the list may refuse it and then it stays ours.
    CKestFWAddressList list(true);
    if (list.addAddress(a.get())) {
        std::vector<uint8_t> buf(list.getMsgSize());
        unsigned n = 0;
        if (!list.toMessage(buf.data(), static_cast<unsigned>(buf.size()), &n) || n != buf.size()) __builtin_trap();
        (void)list.toString();
    }
}

void recordArray(uint8_t kind, uint8_t countByte, const uint8_t* data, size_t size) {
    static const int kinds[] = {FW_ADDRSET_IP, FW_ADDRSET_MAC, FW_ADDRSET_SID, FW_ADDRSET_SID_ADDRESS};
    FWAddrSetID_t id;
    memset(&id, 0, sizeof id);
    memcpy(id.name, "fuzz", 4);
    // The claimed count may exceed what the buffer holds; the factory must notice.
    unsigned count = countByte & 0x80 ? countByte & 0x7f : static_cast<unsigned>(size / sizeof(FWAddress_));
    std::unique_ptr<CKestFWAddressList> list(CKestFWAddressListFactory::newFromMsgBuf(
        kinds[kind % 4], id, size ? data : nullptr, static_cast<unsigned>(size), count));
    if (list->size() != count) __builtin_trap();
    std::vector<uint8_t> buf(list->getMsgSize());
    unsigned n = 0;
    if (!list->toMessage(buf.data(), static_cast<unsigned>(buf.size()), &n) || n != buf.size()) __builtin_trap();
    (void)list->toString();
}

template <typename T>
void textForm(const char* text) {
    T a(text, false);
    checkRecordTrip(a);
}

void text(uint8_t which, const uint8_t* data, size_t size) {
    std::string s(reinterpret_cast<const char*>(data), size);
    const char* t = s.c_str();  // cut at the first NUL, as a C caller's text would be
    switch (which % 12) {
        case 0:
            delete CKestFWAddressFactory::newFromString(FW_ADDRSET_IP, t);
            break;
        case 1:
            delete CKestFWAddressFactory::newFromString(FW_ADDRSET_MAC, t);
            break;
        case 2: {
            std::unique_ptr<CKestFWAddress> a(CKestFWAddressFactory::newFromString(FW_ADDRSET_SID_ADDRESS, t));
            checkRecordTrip(*a);
            break;
        }
        case 3:
            textForm<CKestFWAddressIPv4CIDR>(t);
            break;
        case 4:
            textForm<CKestFWAddressIPv6CIDR>(t);
            break;
        case 5:
            textForm<CKestFWAddressIPv4Range>(t);
            break;
        case 6:
            textForm<CKestFWAddressIPv6Range>(t);
            break;
        case 7:
            textForm<CKestFWAddressEtherMask>(t);
            break;
        case 8:
            textForm<CKestFWAddressEtherRange>(t);
            break;
        case 9:
            textForm<CKestFWAddrSetID>(t);
            break;
        case 10: {
            CKestFWAttrString a(14, t);
            checkRecordTrip(a);
            break;
        }
        default: {
            CKestFWAttrInt a(0, t);
            checkRecordTrip(a);
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FW_RegisterLogger(quietLog, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    uint8_t mode = data[0], arg = data[1];
    // An exact copy, so reading one byte too many lands outside the fuzzer's allocation.
    std::vector<uint8_t> rest(data + 2, data + size);
    try {
        switch (mode % 3) {
            case 0:
                oneRecord(rest.data(), rest.size());
                break;
            case 1:
                recordArray(static_cast<uint8_t>(mode / 3), arg, rest.data(), rest.size());
                break;
            default:
                text(arg, rest.data(), rest.size());
                break;
        }
    } catch (const CKestFWException&) {
        // A clean refusal.
    }
    return 0;
}
