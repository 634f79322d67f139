// Switches shared address sets on or off.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdConfigSharedAddrSet : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdConfigSharedAddrSet)

public:
    static constexpr unsigned int kBodySize = 4;

    CKestFWCmdConfigSharedAddrSet(dvs_port_* port, bool enable) : CKestFWCmd(port), m_enable(enable) {}
    ~CKestFWCmdConfigSharedAddrSet() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "enable shared addrset" or "disable shared addrset".
    std::string toString() const override;
    // Writes its four bytes whatever `avail` says: the framework always offers at least the body size.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    bool isEnabled() const { return m_enable; }

private:
    bool m_enable;
};

}  // namespace KestFirewall
