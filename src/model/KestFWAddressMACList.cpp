#include "model/KestFWAddressMACList.h"

namespace KestFirewall {

CKestFWAddressMACList::CKestFWAddressMACList(FWAddrSetID_t id, const FWAddress_* records, unsigned int count)
    : CKestFWAddressList(id, false, false) {
    fillFromRecords(records, count, &accepts);
}

std::string CKestFWAddressMACList::toString() const { return std::string(notPrefix()) + "mac " + listText(); }

bool CKestFWAddressMACList::accepts(unsigned int type) { return type == FW_ADDRESS_ETHER; }

}  // namespace KestFirewall
