// First step of the load-balancer configuration read: the kernel fills the per-service counts of the caller's size
// record.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetLBConfigSize : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetLBConfigSize)

public:
    static constexpr unsigned int kBodySize = KESTFW_LB_CONFIG_SIZE_SIZE;

    // The record is borrowed, sent whole, and must outlive the command; null sends zeros.
    CKestFWCmdGetLBConfigSize(dvs_port_* port, FWLBConfigSize_* record) : CKestFWCmd(port), m_record(record) {}
    ~CKestFWCmdGetLBConfigSize() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe the size of lb config".
    std::string toString() const override { return "describe the size of lb config"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

private:
    FWLBConfigSize_* m_record;
};

}  // namespace KestFirewall
