// Reads the export version the filter uses when a virtual machine moves to another host.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetHopoverExportver : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetHopoverExportver)

public:
    static constexpr unsigned int kBodySize = 4;

    explicit CKestFWCmdGetHopoverExportver(dvs_port_* port) : CKestFWCmd(port), m_version(0) {}
    CKestFWCmdGetHopoverExportver(dvs_port_* port, const FWHopoverExportver_* version)
        : CKestFWCmd(port), m_version(version != nullptr ? version->version : 0) {}
    ~CKestFWCmdGetHopoverExportver() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe exportver".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "Current export version: <n>".
    void checkCmdReply(const void* body, unsigned int size) override;

private:
    unsigned int m_version;
};

}  // namespace KestFirewall
