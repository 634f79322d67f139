// The members of a SID address set as read from records: SID matches (type code 15).
#pragma once

#include "model/KestFWAddressList.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressSIDList : public CKestFWAddressList {
public:
    // A plain list owning its members, read from `count` consecutive records.
    CKestFWAddressSIDList(FWAddrSetID_t id, const FWAddress_* records, unsigned int count);

    unsigned int getType() const override { return FW_ADDRESS_SID_LIST; }
    // "not " when negated, then "sid " and the list text.
    std::string toString() const override;

    static bool accepts(unsigned int type);
};

}  // namespace KestFirewall
