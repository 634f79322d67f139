// Second step of the load-balancer configuration read: a body sized from the counts the kernel put in
// the size record, and the configuration report printed from the answer.
#pragma once

#include <vector>

#include "cmd/KestFWCmd.h"
#include "cmd/KestFWCmdLBLayout.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetLBConfig : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetLBConfig)

public:
    // The minimum body: no services asked for.
    explicit CKestFWCmdGetLBConfig(dvs_port_* port) : CKestFWCmdGetLBConfig(port, nullptr) {}
    // The size record is borrowed and must outlive the command. More services than the record can
    // hold, or a body beyond 64 MiB, raise CIntegerOverflowException.
    CKestFWCmdGetLBConfig(dvs_port_* port, FWLBConfigSize_* sizes);
    ~CKestFWCmdGetLBConfig() override = default;

    unsigned int getMsgSize() const override { return m_bodySize; }
    // "describe config of lb".
    std::string toString() const override { return "describe config of lb"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints the configuration report. An answer with more services or items than were asked for, or
    // shorter than its own counts, raises CInsufficientMsgBufException before anything is printed.
    void checkCmdReply(const void* body, unsigned int size) override;

private:
    FWLBConfigSize_* m_sizes;
    std::vector<LBLayout::ServiceCounts> m_counts;
    unsigned int m_bodySize = LBLayout::kCfgHeader;
};

}  // namespace KestFirewall
