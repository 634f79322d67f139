// Sets one named kernel flag of a filter.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetKifFlags : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetKifFlags)

public:
    static constexpr unsigned int kBodySize = 1316;

    // The name is borrowed and read when the body is written, so it must outlive the command.
    CKestFWCmdSetKifFlags(dvs_port_* port, const char* name, unsigned int value)
        : CKestFWCmd(port), m_name(name), m_value(value) {}
    ~CKestFWCmdSetKifFlags() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "set kif flags".
    std::string toString() const override { return "set kif flags"; }
    // The name in the first name slot (at most 39 characters), the value as one byte in the first value slot.
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

private:
    const char* m_name;
    unsigned int m_value;
};

}  // namespace KestFirewall
