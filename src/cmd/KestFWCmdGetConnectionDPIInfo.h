// Asks the kernel for the deep-packet-inspection state of up to 101 state identifiers: one 16-byte slot
// per identifier, the kernel's 8-byte answer behind each identifier.
#pragma once

#include <cstdint>
#include <vector>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_conn.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetConnectionDPIInfo : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetConnectionDPIInfo)

public:
    static constexpr unsigned int kHeadSize = 8;
    static constexpr unsigned int kSlotSize = 16;
    static constexpr unsigned int kOffAnswered = 4;
    static constexpr size_t kMaxArray = 100;

    explicit CKestFWCmdGetConnectionDPIInfo(dvs_port_* port) : CKestFWCmd(port) {}
    ~CKestFWCmdGetConnectionDPIInfo() override = default;

    unsigned int getMsgSize() const override { return kHeadSize + kSlotSize * unsigned(m_ids.size()); }
    // "get connection dpi info of { " and the identifiers separated by ", ".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints nothing; logs the number of states the kernel answered.
    void checkCmdReply(const void* body, unsigned int size) override;

    // One identifier; false (nothing added) when 101 are present already.
    bool addStateID(unsigned long id);
    // A whole array; false (nothing added) when it holds more than 100. What is present is not looked at.
    bool addStateID(unsigned long* ids, unsigned int count);
    const std::vector<uint64_t>& getStateIDs() const { return m_ids; }

private:
    std::vector<uint64_t> m_ids;
};

}  // namespace KestFirewall
