// Adds a user's SID with the group SIDs it belongs to to the kernel's user-to-SID map, or deletes
// the user. The kernel's answer word is logged.
#pragma once

#include <string>
#include <vector>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw_util.h"

namespace KestFirewall {

// 0 adds the user; any other value deletes it.
typedef unsigned int Uid2SidOp_t;

class KESTFW_API CKestFWCmdSetUid2SidMapping : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdSetUid2SidMapping)

public:
    static constexpr unsigned int kHeadSize = 88;
    static constexpr unsigned int kOffStatus = 0;
    static constexpr unsigned int kOffOp = 4;
    static constexpr unsigned int kOffCount = 8;
    static constexpr unsigned int kOffValue = 12;
    static constexpr unsigned int kOffUser = 16;
    static constexpr unsigned int kSidSize = sizeof(fwattr_sid);

    CKestFWCmdSetUid2SidMapping(dvs_port_* port, Uid2SidOp_t op, const fwattr_sid& user, unsigned int value)
        : CKestFWCmd(port), m_op(op), m_user(user), m_value(value) {}
    ~CKestFWCmdSetUid2SidMapping() override = default;

    unsigned int getMsgSize() const override;
    // "add uid2sid mapping UID: <sid> {<sid>, <sid>}".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    void checkCmdReply(const void* body, unsigned int size) override;

    // Appends n group SIDs.
    void addSid(const fwattr_sid* sids, unsigned int n);
    size_t getSidCount() const { return m_groups.size(); }

    const fwattr_sid& getUser() const { return m_user; }
    const std::vector<fwattr_sid>& getGroups() const { return m_groups; }
private:
    Uid2SidOp_t m_op;
    fwattr_sid m_user;
    unsigned int m_value;
    std::vector<fwattr_sid> m_groups;
};

// The text of a SID, or "INVALID".
std::string sidText(const fwattr_sid& sid);

}  // namespace KestFirewall
