// Creates (or replaces) an address set with its members. The kernel answers in the same body and
// may leave a transaction open, naming it by an id and a word that the command keeps.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_addrset.h"
#include "model/KestFWAddressList.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdCreateAddrSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdCreateAddrSet)

public:
    // The fixed part in front of the member records.
    static constexpr unsigned int kHeadSize = 94;
    static constexpr unsigned int kOffRequestWord = 38;
    static constexpr unsigned int kOffCount = 46;
    static constexpr unsigned int kOffOne = 50;
    static constexpr unsigned int kOffMemberBytes = 54;
    static constexpr unsigned int kOffFlags = 58;
    static constexpr unsigned int kOffTransactionId = 62;
    static constexpr unsigned int kOffTransactionWord = 78;
    static constexpr uint8_t kFlagsComplete = 0x03;  // both set in the answer: no transaction left open
    static constexpr uint8_t kFlagIPv6 = 0x08;
    static constexpr unsigned int kTransactionIdSize = 16;

    // Adopts `list` (a null list stands for an empty one).
    CKestFWCmdCreateAddrSet(dvs_port_* port, FWAddrSetID_t id, FWAddrSetType_t kind, CKestFWAddressList* list);
    // An empty set; members may follow through addAddress.
    CKestFWCmdCreateAddrSet(dvs_port_* port, FWAddrSetID_t id, FWAddrSetType_t kind);
    // The name as text: 38 characters or more raise CIDTooLongException; the list is adopted even then.
    CKestFWCmdCreateAddrSet(dvs_port_* port, const char* name, FWAddrSetType_t kind);
    CKestFWCmdCreateAddrSet(dvs_port_* port, const char* name, FWAddrSetType_t kind, CKestFWAddressList* list);
    ~CKestFWCmdCreateAddrSet() override;

    // Builds an address from each record and adds it to the list; members the list refuses are
    // dropped after its warning. Unknown record types raise the address factory's exception.
    bool addAddress(const FWAddress_* records, unsigned int count);

    // 94 bytes and 144 per member.
    unsigned int getMsgSize() const override;
    // "create addrset <name>" [" for" port] " with " and the list's text.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Keeps the transaction id and word of an answer whose flags do not say the set is complete,
    // else clears them.
    void checkCmdReply(const void* body, unsigned int size) override;

    const FWAddrSetID_t& getSetID() const { return m_id; }
    FWAddrSetType_t getSetType() const { return m_kind; }
    CKestFWAddressList* getAddressList() const { return m_list.get(); }
    const uint8_t* getTransactionId() const { return m_transactionId; }
    uint64_t getTransactionWord() const { return m_transactionWord; }
    uint64_t getRequestWord() const { return m_requestWord; }

private:
    void setName(const char* name);

    FWAddrSetID_t m_id;
    FWAddrSetType_t m_kind;
    std::unique_ptr<CKestFWAddressList> m_list;
    uint8_t m_transactionId[kTransactionIdSize];
    uint64_t m_transactionWord = 0;
    uint64_t m_requestWord = 0;
    // Members built by addAddress while the list is borrowed: the list does not release them.
    std::vector<std::unique_ptr<CKestFWAddress>> m_made;
};

}  // namespace KestFirewall
