// The commands built from a configuration text, executed in order: one message per command, or, when
// batch execution is switched on, packed into large messages sent with one control call each.
#pragma once

#include <vector>

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

class KESTFW_API CKestFWCmdList : public IKestFWObject {
public:
    // Batched messages hold at least this many bytes of command records.
    static constexpr unsigned int kBatchCapacity = 256000;

    CKestFWCmdList() = default;
    ~CKestFWCmdList() override;
    CKestFWCmdList(const CKestFWCmdList&) = delete;
    CKestFWCmdList& operator=(const CKestFWCmdList&) = delete;

    // The largest body of the list's commands (0 when empty).
    unsigned int getMsgSize() const override;
    unsigned int getType() const override { return KFW_CMDLIST_OBJECT_TYPE; }
    // Each command's statement followed by ";\n".
    std::string toString() const override;
    // A list is not one message; raises CUnsupportedException.
    bool toMessage(const void* buf, unsigned int size, unsigned int* written) override;

    // The list owns the commands it is given.
    bool addCmd(CKestFWCmd* cmd);
    bool insertCmd(CKestFWCmd* cmd);
    // Moves all of `other`'s commands to the end of this list.
    bool mergeCmdList(CKestFWCmdList* other);

    // Executes the list for `port` (null: each command keeps its own port). The batch switch is read
    // from the environment once per process.
    FWStatus_t eval(fwlibhandle_* handle, dvs_port_* port, void* ctx);

    // One message per command; stops at the first failure, except that a missing switch port is passed
    // over when no port is given. The status of the last command executed.
    FWStatus_t evalSingle(fwlibhandle_* handle, dvs_port_* port, void* ctx);
    // Packs commands into messages of at least kBatchCapacity bytes; per-command statuses are not
    // examined. The status of the last message sent.
    FWStatus_t evalBatch(fwlibhandle_* handle, dvs_port_* port, void* ctx);

    const std::vector<CKestFWCmd*>& commands() const { return m_cmds; }

private:
    std::vector<CKestFWCmd*> m_cmds;
};

}  // namespace KestFirewall
