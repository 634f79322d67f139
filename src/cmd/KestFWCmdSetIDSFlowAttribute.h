// Marks one flow for intrusion detection, or (flag false) invalidates the flow's mark.
#pragma once

#include <cstdint>

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetIDSFlowAttribute : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetIDSFlowAttribute)

public:
    static constexpr unsigned int kBodySize = 12;

    CKestFWCmdSetIDSFlowAttribute(dvs_port_* port, uint64_t flow, bool flag)
        : CKestFWCmd(port), m_flow(flow), m_flag(flag) {}
    ~CKestFWCmdSetIDSFlowAttribute() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "invalidate flow" when the flag is false, empty when true.
    std::string toString() const override { return m_flag ? "" : "invalidate flow"; }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

private:
    uint64_t m_flow;
    bool m_flag;
};

}  // namespace KestFirewall
