// The members of an IP address set as read from records: any, IPv4 and IPv6 hosts, ranges and
// networks (type codes 0 to 6).
#pragma once

#include "model/KestFWAddressList.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressIPList : public CKestFWAddressList {
public:
    // A plain list owning its members, read from `count` consecutive records.
    CKestFWAddressIPList(FWAddrSetID_t id, const FWAddress_* records, unsigned int count);

    unsigned int getType() const override { return FW_ADDRESS_IP_LIST; }
    // "not " when negated, then "ip " and the list text.
    std::string toString() const override;

    static bool accepts(unsigned int type);
};

}  // namespace KestFirewall
