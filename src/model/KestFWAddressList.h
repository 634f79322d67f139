// An ordered list of addresses: the members of an address set (or a rule's address side). Members
// keep their insertion order and duplicates stay. The list owns its members unless it is borrowed;
// the members it makes itself (the two halves of a 0-prefix IPv4 network) are always its own.
#pragma once

#include <cstddef>
#include <vector>

#include "model/KestFWAddress.h"

namespace KestFirewall {

class KESTFW_API CKestFWAddressList : public CKestFWAddress {
public:
    explicit CKestFWAddressList(bool borrowed);
    CKestFWAddressList(FWAddrSetID_t id, bool negate, bool borrowed);
    ~CKestFWAddressList() override;
    CKestFWAddressList(const CKestFWAddressList&) = delete;
    CKestFWAddressList& operator=(const CKestFWAddressList&) = delete;

    // Takes ownership unless borrowed. Refused forms (set references, unsigned attribute matches,
    // lists, unknown codes) log a warning and return false; the caller keeps them.
    bool addAddress(const CKestFWAddress* address);

    // 144 bytes per member, no list header.
    unsigned int getMsgSize() const override;
    unsigned int getType() const override { return FW_ADDRESS_LIST; }
    std::string toString() const override;
    bool toMessage(const void* buf, unsigned int size, unsigned int* used) override;
    // Lists order by type code only; two lists of the same type cannot be compared.
    bool operator<(const CKestFWAddress& other) const override;

    size_t size() const { return m_addresses.size(); }
    bool empty() const { return m_addresses.empty(); }
    const std::vector<CKestFWAddress*>& getAddresses() const { return m_addresses; }
    bool hasIPv6() const { return m_hasIPv6; }
    bool isBorrowed() const { return m_borrowed; }
    const FWAddrSetID_t& getSetID() const { return m_id; }

protected:
    void writeBody(ByteWriter&) const override {}
    bool lessSameType(const CKestFWAddress& other) const override;

    // Fills the list from `count` consecutive records, refusing members whose type `accepts` does
    // not allow (CInvalidAddressException with the member's text); no 0-prefix split, no IPv6 flag.
    void fillFromRecords(const FWAddress_* records, unsigned int count, bool (*accepts)(unsigned int type));
    // "{" + set name + members joined by ", " + "}".
    std::string listText() const;

    std::vector<CKestFWAddress*> m_addresses;
    std::vector<CKestFWAddress*> m_created;
    FWAddrSetID_t m_id;
    bool m_hasIPv6 = false;
    bool m_borrowed;
};

}  // namespace KestFirewall
