// Counts the application-level gateways.
#pragma once

#include "cmd/KestFWCmdAlgQuery.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetAlgCount : public CKestFWCmdAlgQuery {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetAlgCount)

public:
    explicit CKestFWCmdGetAlgCount(dvs_port_* port) : CKestFWCmdAlgQuery(port, 0, 0, KESTFW_ALG_RECORD_SIZE, "alg count : %u\n") {}
    ~CKestFWCmdGetAlgCount() override = default;

    // "describe alg count" and the port clause.
    std::string toString() const override { return "describe alg count" + dvsportToString("of"); }
};

}  // namespace KestFirewall
