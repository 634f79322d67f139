#include "model/KestFWAddressSIDList.h"

namespace KestFirewall {

CKestFWAddressSIDList::CKestFWAddressSIDList(FWAddrSetID_t id, const FWAddress_* records, unsigned int count)
    : CKestFWAddressList(id, false, false) {
    fillFromRecords(records, count, &accepts);
}

std::string CKestFWAddressSIDList::toString() const { return std::string(notPrefix()) + "sid " + listText(); }

bool CKestFWAddressSIDList::accepts(unsigned int type) { return type == FW_ADDRESS_ATTR_SID; }

}  // namespace KestFirewall
