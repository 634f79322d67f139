// Reads one page of the flow table: at most `count` flow records from a start flow identifier on. The
// body is sized for the answer; the kernel writes the number of records and the records in place.
// Its reply check prints the flow report, one line per flow.
#pragma once

#include <cstdint>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_conn.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetConnectionStat : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetConnectionStat)

public:
    static constexpr unsigned int kHeadSize = 102;
    static constexpr unsigned int kRecordSize = FW_CONNECTION_STAT_SIZE;
    static constexpr unsigned int kOffStart = 4;
    static constexpr unsigned int kOffCount = 12;
    static constexpr unsigned int kOffReturned = 16;
    static constexpr unsigned int kOffBodySize = 28;

    // count x 294 must fit in 32 bits ("number of connections"); the selection is not kept.
    CKestFWCmdGetConnectionStat(dvs_port_* port, FWConnFilter_* filter, unsigned int count, uint64_t start);
    ~CKestFWCmdGetConnectionStat() override = default;

    unsigned int getMsgSize() const override { return kHeadSize + kRecordSize * m_count; }
    // "describe connection stat " the port clause, and " from 0x<start>" when the start is not 0.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // The flow report.
    void checkCmdReply(const void* body, unsigned int size) override;

    unsigned int getCount() const { return m_count; }
    uint64_t getStart() const { return m_start; }

    // The number of records a reply of `size` bytes claims and actually holds, whichever is smaller.
    static unsigned int recordsHeld(const void* body, unsigned int size, unsigned int* claimed);

private:
    unsigned int m_count;
    uint64_t m_start;
};

}  // namespace KestFirewall
