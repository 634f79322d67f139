// Sets the export version the filter uses when a virtual machine moves to another host.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetHopoverExportver : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetHopoverExportver)

public:
    static constexpr unsigned int kBodySize = 4;

    CKestFWCmdSetHopoverExportver(dvs_port_* port, unsigned int version) : CKestFWCmd(port), m_version(version) {}
    CKestFWCmdSetHopoverExportver(dvs_port_* port, const FWHopoverExportver_* version)
        : CKestFWCmd(port), m_version(version != nullptr ? version->version : 0) {}
    ~CKestFWCmdSetHopoverExportver() override = default;

    void setHopoverExportver(unsigned int version) { m_version = version; }
    unsigned int getHopoverExportver() const { return m_version; }

    unsigned int getMsgSize() const override { return kBodySize; }
    // "set exportver  <version>".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

private:
    unsigned int m_version;
};

}  // namespace KestFirewall
