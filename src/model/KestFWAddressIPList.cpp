#include "model/KestFWAddressIPList.h"

namespace KestFirewall {

CKestFWAddressIPList::CKestFWAddressIPList(FWAddrSetID_t id, const FWAddress_* records, unsigned int count)
    : CKestFWAddressList(id, false, false) {
    fillFromRecords(records, count, &accepts);
}

std::string CKestFWAddressIPList::toString() const { return std::string(notPrefix()) + "ip " + listText(); }

bool CKestFWAddressIPList::accepts(unsigned int type) { return type <= FW_ADDRESS_IPV6_CIDR; }

}  // namespace KestFirewall
