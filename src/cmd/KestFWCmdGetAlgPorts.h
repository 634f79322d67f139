// Lists the ports of the application-level gateways: room for the records in bytes and a count go out.
#pragma once

#include "cmd/KestFWCmdAlgQuery.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetAlgPorts : public CKestFWCmdAlgQuery {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetAlgPorts)

public:
    CKestFWCmdGetAlgPorts(dvs_port_* port, unsigned int room, unsigned int count)
        : CKestFWCmdAlgQuery(port, room, count, KESTFW_ALG_PORT_RECORD_SIZE, "alg port count : %u\n") {}
    ~CKestFWCmdGetAlgPorts() override = default;

    // "describe alg ports" and the port clause.
    std::string toString() const override { return "describe alg ports" + dvsportToString("of"); }
};

}  // namespace KestFirewall
