// Has the listed connections re-evaluated; the kernel answers with the number affected in the first
// word.
#pragma once

#include <memory>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_conn.h"
#include "model/KestFWConnectionList.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdSetConnectionByList : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetConnectionByList)

public:
    static constexpr unsigned int kHeadSize = 8;

    // Copies `count` records (count x 40 must fit in 32 bits: "number of connections").
    CKestFWCmdSetConnectionByList(dvs_port_* port, unsigned int count, const FWConnection_* conns);
    // Takes the list.
    CKestFWCmdSetConnectionByList(dvs_port_* port, CKestFWConnectionList* list);
    ~CKestFWCmdSetConnectionByList() override = default;

    unsigned int getMsgSize() const override;
    // "set connection " the port clause, " with " and the list.
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    const CKestFWConnectionList& getList() const { return *m_list; }

private:
    std::unique_ptr<CKestFWConnectionList> m_list;
};

}  // namespace KestFirewall
