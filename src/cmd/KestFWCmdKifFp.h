// Sets or shows the fast-path flag of a filter; the two values are the kernel's to interpret.
#pragma once

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdKifFp : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdKifFp)

public:
    static constexpr unsigned int kBodySize = 8;

    CKestFWCmdKifFp(dvs_port_* port, unsigned int first, unsigned int second)
        : CKestFWCmd(port), m_first(first), m_second(second) {}
    ~CKestFWCmdKifFp() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "Set/show kif fast flag" and the port clause.
    std::string toString() const override { return "Set/show kif fast flag" + dvsportToString("of"); }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Prints "Kif flag not set".
    void checkCmdReply(const void* body, unsigned int size) override;

private:
    unsigned int m_first;
    unsigned int m_second;
};

}  // namespace KestFirewall
