// First step of the load-balancer statistics read: the kernel fills the per-service counts of the caller's size record.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetLBStatSize : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetLBStatSize)

public:
    static constexpr unsigned int kBodySize = KESTFW_LB_STAT_SIZE;

    // The record is borrowed, sent whole, and must outlive the command; null sends zeros.
    CKestFWCmdGetLBStatSize(dvs_port_* port, FWLBStat_* record) : CKestFWCmd(port), m_record(record) {}
    ~CKestFWCmdGetLBStatSize() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe the size of lb stat".
    std::string toString() const override { return "describe the size of lb stat"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

private:
    FWLBStat_* m_record;
};

}  // namespace KestFirewall
