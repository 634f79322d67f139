// Clears load-balancer statistics; the flags of the caller's record choose which, and the kernel says which it cleared.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdClearLBStat : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdClearLBStat)

public:
    static constexpr unsigned int kBodySize = KESTFW_LB_STAT_SIZE;

    // The record is borrowed, sent whole, and must outlive the command; null sends zeros.
    CKestFWCmdClearLBStat(dvs_port_* port, FWLBStat_* record) : CKestFWCmd(port), m_record(record) {}
    ~CKestFWCmdClearLBStat() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "clear stat of lb".
    std::string toString() const override { return "clear stat of lb"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints which statistics the kernel cleared, as a braced result list.
    void checkCmdReply(const void* body, unsigned int size) override;

private:
    FWLBStat_* m_record;
};

}  // namespace KestFirewall
