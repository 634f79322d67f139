// Counts the ports of the application-level gateways.
#pragma once

#include "cmd/KestFWCmdAlgQuery.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetAlgPortCount : public CKestFWCmdAlgQuery {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetAlgPortCount)

public:
    explicit CKestFWCmdGetAlgPortCount(dvs_port_* port) : CKestFWCmdAlgQuery(port, 0, 0, KESTFW_ALG_PORT_RECORD_SIZE, "alg port count : %u\n") {}
    ~CKestFWCmdGetAlgPortCount() override = default;

    // "describe alg port count" and the port clause.
    std::string toString() const override { return "describe alg port count" + dvsportToString("of"); }
};

}  // namespace KestFirewall
