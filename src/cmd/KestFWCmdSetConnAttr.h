// Attaches L7 attributes to one connection, named by its key or by the kernel's state identifier. The
// attributes travel as an attribute container's chain behind a 68-byte head; the kernel writes its
// verdict into the first word and a word about the operation into the second.
#pragma once

#include <cstdint>
#include <memory>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_conn.h"
#include "model/KestFWContainer.h"
#include "model/KestFWL7Attribute.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetConnAttr : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetConnAttr)

public:
    static constexpr unsigned int kHeadSize = 68;
    static constexpr unsigned int kOffStatus = 0;
    static constexpr unsigned int kOffOperation = 4;
    static constexpr unsigned int kOffConnection = 8;
    static constexpr unsigned int kOffKeyKind = 48;
    static constexpr unsigned int kOffStateId = 52;
    static constexpr unsigned int kOffAttrCount = 60;
    static constexpr unsigned int kOffChainSize = 64;
    static constexpr uint32_t kKeyedByConnection = 1;
    static constexpr uint32_t kKeyedByStateId = 0;

    CKestFWCmdSetConnAttr(dvs_port_* port, const FWConnection_& conn, FWAttrOpType op);
    CKestFWCmdSetConnAttr(dvs_port_* port, uint64_t stateId, FWAttrOpType op);
    ~CKestFWCmdSetConnAttr() override = default;

    unsigned int getMsgSize() const override;
    // "set connection attr", a line break, "{", a line break, the container's text, "}".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // The kernel's verdict at offset 0: 0 accepted, 70 CInvalidUidException, else CIoctlException.
    void checkCmdReply(const void* body, unsigned int size) override;

    // Moves the attribute into the container; false when an equal one is held already.
    bool addAttribute(std::unique_ptr<CKestFWL7Attribute> attr);
    const CKestFWContainer& getContainer() const { return *m_container; }

    // The connection named, or null when the state id names it.
    const FWConnection_* getConnection() const { return m_keyKind == kKeyedByConnection ? &m_conn : nullptr; }
    uint64_t getStateId() const { return m_stateId; }
private:
    uint32_t m_keyKind;
    FWAttrOpType m_op;
    FWConnection_ m_conn;
    uint64_t m_stateId;
    std::unique_ptr<CKestFWContainer> m_container;
};

}  // namespace KestFirewall
