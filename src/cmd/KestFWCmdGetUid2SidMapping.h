// Reads a page of the kernel's user-to-SID map and prints it: per user its SID, whether it is active,
// its connection count, its correlation identifier and its group SIDs.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetUid2SidMapping : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetUid2SidMapping)

public:
    static constexpr unsigned int kHeadSize = 84;
    static constexpr unsigned int kOffCount = 4;
    static constexpr unsigned int kOffStart = 8;
    static constexpr unsigned int kOffEntries = 12;
    // Inside an entry.
    static constexpr unsigned int kOffEntryStatus = 0;
    static constexpr unsigned int kOffEntrySids = 4;
    static constexpr unsigned int kOffEntryConns = 12;
    static constexpr unsigned int kOffEntryCorrId = 16;
    static constexpr unsigned int kOffEntryUser = 20;
    static constexpr unsigned int kOffEntryGroups = 92;
    // Room reserved per user asked for: the entry with up to 16 group SIDs.
    static constexpr unsigned int kEntryRoom = kOffEntryGroups + 16 * 72;

    CKestFWCmdGetUid2SidMapping(dvs_port_* port, uint32_t start, uint32_t count);
    ~CKestFWCmdGetUid2SidMapping() override = default;

    unsigned int getMsgSize() const override { return m_size; }
    std::string toString() const override { return "get uid2sid mapping UID: "; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints the entries; an entry running past the reply ends the report (logged).
    void checkCmdReply(const void* body, unsigned int size) override;

private:
    uint32_t m_start;
    uint32_t m_count;
    unsigned int m_size;
};

}  // namespace KestFirewall
