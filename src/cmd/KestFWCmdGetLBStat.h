// Second step of the load-balancer statistics read: a body sized from the counts the kernel put in the
// size record, and the statistics printed as a braced, quoted listing.
#pragma once

#include <vector>

#include "cmd/KestFWCmd.h"
#include "cmd/KestFWCmdLBLayout.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetLBStat : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetLBStat)

public:
    // The minimum body: the record alone.
    explicit CKestFWCmdGetLBStat(dvs_port_* port) : CKestFWCmdGetLBStat(port, nullptr) {}
    // The size record is borrowed and must outlive the command; more services than it can hold raise
    // CIntegerOverflowException.
    CKestFWCmdGetLBStat(dvs_port_* port, FWLBStat_* sizes);
    ~CKestFWCmdGetLBStat() override = default;

    unsigned int getMsgSize() const override { return m_bodySize; }
    // "describe statistics of lb virtual server, pool, pool member".
    std::string toString() const override { return "describe statistics of lb virtual server, pool, pool member"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints the statistics. An answer with more services or items than were asked for, or shorter than
    // its own counts, raises CInsufficientMsgBufException before anything is printed.
    void checkCmdReply(const void* body, unsigned int size) override;

private:
    FWLBStat_* m_sizes;
    std::vector<LBLayout::StatCounts> m_counts;
    unsigned int m_bodySize = LBLayout::kStatRecord;
};

}  // namespace KestFirewall
