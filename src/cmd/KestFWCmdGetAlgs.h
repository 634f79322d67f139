// Lists the application-level gateways: room for the records in bytes and a count go out.
#pragma once

#include "cmd/KestFWCmdAlgQuery.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdGetAlgs : public CKestFWCmdAlgQuery {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetAlgs)

public:
    CKestFWCmdGetAlgs(dvs_port_* port, unsigned int room, unsigned int count)
        : CKestFWCmdAlgQuery(port, room, count, KESTFW_ALG_RECORD_SIZE, "alg count : %u\n") {}
    ~CKestFWCmdGetAlgs() override = default;

    // "describe algs" and the port clause.
    std::string toString() const override { return "describe algs" + dvsportToString("of"); }
};

}  // namespace KestFirewall
