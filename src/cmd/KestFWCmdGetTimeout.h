// Reads connection timeouts: the kernel fills the values of the timeouts the record selects.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetTimeout : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetTimeout)

public:
    static constexpr unsigned int kBodySize = 116;

    // Nothing selected.
    explicit CKestFWCmdGetTimeout(dvs_port_* port);
    // Copies the record.
    CKestFWCmdGetTimeout(dvs_port_* port, const FWInstTimeout_* timeouts);
    // One timeout by index (below 23, else CInvalidTimeoutException).
    CKestFWCmdGetTimeout(dvs_port_* port, unsigned int index);
    // One timeout by name (case-insensitive; unknown raises CInvalidTimeoutException with 24).
    CKestFWCmdGetTimeout(dvs_port_* port, const char* name);
    ~CKestFWCmdGetTimeout() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "describe timeout".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "Connection Timeouts:" and one line per timeout selected in the reply.
    void checkCmdReply(const void* body, unsigned int size) override;

    const FWInstTimeout_& getTimeouts() const { return m_timeouts; }

private:
    void select(unsigned int index);

    FWInstTimeout_ m_timeouts;
};

}  // namespace KestFirewall
