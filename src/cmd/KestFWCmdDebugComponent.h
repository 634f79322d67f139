// Sets the debug level of one kernel component, or of all of them (255).
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdDebugComponent : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdDebugComponent)

public:
    static constexpr unsigned int kBodySize = 4;

    // Needs component below 28 or 255 and a level below 16, else CUnsupportedException.
    CKestFWCmdDebugComponent(dvs_port_* port, unsigned int component, unsigned int level);
    ~CKestFWCmdDebugComponent() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "debug <component name> <level>".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

private:
    unsigned int m_component;
    unsigned int m_level;
};

}  // namespace KestFirewall
