// The members of a MAC address set as read from records: single Ethernet addresses (type code 7).
#pragma once

#include "model/KestFWAddressList.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressMACList : public CKestFWAddressList {
public:
    // A plain list owning its members, read from `count` consecutive records.
    CKestFWAddressMACList(FWAddrSetID_t id, const FWAddress_* records, unsigned int count);

    unsigned int getType() const override { return FW_ADDRESS_MAC_LIST; }
    // "not " when negated, then "mac " and the list text.
    std::string toString() const override;

    static bool accepts(unsigned int type);
};

}  // namespace KestFirewall
