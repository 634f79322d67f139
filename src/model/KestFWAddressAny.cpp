#include "model/KestFWAddressAny.h"

#include "model/KestFWAddressUtil.h"

namespace KestFirewall {

CKestFWAddressAny::CKestFWAddressAny(const FWAddress_* rec) {
    AddressUtil::checkRecord(rec, FW_ADDRESS_ANY);
    m_negate = AddressUtil::recordNegate(rec);
}

bool CKestFWAddressAny::lessSameType(const CKestFWAddress& other) const {
    (void)dynamic_cast<const CKestFWAddressAny&>(other);
    return false;
}

}  // namespace KestFirewall
