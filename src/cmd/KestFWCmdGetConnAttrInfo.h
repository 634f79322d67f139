// Asks how many L7 attributes a connection (by key or by state identifier) holds and how large they
// are serialised; the kernel answers behind the request in the same 60-byte body.
#pragma once

#include <cstdint>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_conn.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetConnAttrInfo : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetConnAttrInfo)

public:
    static constexpr unsigned int kBodySize = 60;
    static constexpr unsigned int kOffConnection = 4;
    static constexpr unsigned int kOffStateId = 44;
    static constexpr unsigned int kOffCount = 52;
    static constexpr unsigned int kOffSize = 56;
    static constexpr uint32_t kKeyedByConnection = 2;
    static constexpr uint32_t kKeyedByStateId = 0;

    CKestFWCmdGetConnAttrInfo(dvs_port_* port, const FWConnection_& conn);
    CKestFWCmdGetConnAttrInfo(dvs_port_* port, uint64_t stateId);
    ~CKestFWCmdGetConnAttrInfo() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "get connection attr " and " state_id : <n>", or the connection placeholder.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "attribute count : <n>" and "serialize size : <n>".
    void checkCmdReply(const void* body, unsigned int size) override;

private:
    uint32_t m_keyKind;
    FWConnection_ m_conn;
    uint64_t m_stateId;
};

}  // namespace KestFirewall
