// Sets connection timeouts: the selected values of a timeout record.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetTimeout : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetTimeout)

public:
    static constexpr unsigned int kBodySize = 116;

    // Copies the record.
    CKestFWCmdSetTimeout(dvs_port_* port, const FWInstTimeout_* timeouts);
    // One named timeout (case-insensitive); an unknown name raises CInvalidTimeoutException.
    CKestFWCmdSetTimeout(dvs_port_* port, const char* name, unsigned int value);
    ~CKestFWCmdSetTimeout() override = default;

    // Selects one more timeout; an index of 23 or more raises CInvalidTimeoutException.
    void setTimeout(unsigned int index, unsigned int value);

    unsigned int getMsgSize() const override { return kBodySize; }
    // "unimplemented".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    const FWInstTimeout_& getTimeouts() const { return m_timeouts; }

private:
    FWInstTimeout_ m_timeouts;
};

}  // namespace KestFirewall
