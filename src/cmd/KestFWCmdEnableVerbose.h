// Sets the verbose-log level of the kernel's data path (1) or control path (2).
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdEnableVerbose : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdEnableVerbose)

public:
    static constexpr unsigned int kBodySize = 4;

    // Needs component 1 or 2 and a level below 16, else CUnsupportedException.
    CKestFWCmdEnableVerbose(dvs_port_* port, unsigned int component, unsigned int level);
    ~CKestFWCmdEnableVerbose() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "debug <component name> <level>".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    unsigned int getComponent() const { return m_component; }
    unsigned int getLevel() const { return m_level; }
private:
    unsigned int m_component;
    unsigned int m_level;
};

}  // namespace KestFirewall
