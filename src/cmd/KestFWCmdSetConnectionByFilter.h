// Has the connections a selection picks re-evaluated; the kernel answers with the number affected
// behind the selection.
#pragma once

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_conn.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetConnectionByFilter : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetConnectionByFilter)

public:
    static constexpr unsigned int kBodySize = 84;
    static constexpr unsigned int kOffResult = 80;

    // Copies the selection; a null one selects with all zero bytes.
    CKestFWCmdSetConnectionByFilter(dvs_port_* port, const FWConnFilter_* filter);
    ~CKestFWCmdSetConnectionByFilter() override = default;

    unsigned int getMsgSize() const override { return kBodySize; }
    // "set connection " and the port clause.
    std::string toString() const override { return "set connection " + dvsportToString("of"); }
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

private:
    FWConnFilter_ m_filter;
};

}  // namespace KestFirewall
