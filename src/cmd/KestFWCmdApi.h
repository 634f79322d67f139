// The body of most exported command functions: execute one command on the handle and, on success,
// copy the outputs out of the reply body and give the message back (also when copying raises).
//
//     KFW_API_RUN([&]() -> FWStatus_t {
//         CKestFWCmdGetRuleSetCount cmd(port);
//         return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) { *count = reply.u32(); });
//     });
#pragma once

#include "cmd/KestFWCmd.h"
#include "frame/KestFWLibHandle.h"
#include "util/ByteIO.h"

namespace KestFirewall {

template <typename CopyOut>
FWStatus_t kfwExecuteCommand(CKestFWCmd& cmd, CKestFWLibHandle* handle, void* ctx, CopyOut&& copyOut) {
    void* reply = nullptr;
    unsigned int len = 0;
    FWStatus_t status = cmd.execute(handle, &reply, &len, ctx);
    if (status != 0) return status;
    struct Release {
        CKestFWCmd& cmd;
        CKestFWLibHandle* handle;
        void* reply;
        ~Release() { cmd.releaseCmdBuffer(handle, reply); }
    } release{cmd, handle, reply};
    ByteReader body(reply, len);
    copyOut(body);
    return 0;
}

// For commands whose reply the caller does not read (reports print from checkCmdReply).
inline FWStatus_t kfwExecuteCommand(CKestFWCmd& cmd, CKestFWLibHandle* handle, void* ctx) {
    return kfwExecuteCommand(cmd, handle, ctx, [](ByteReader&) {});
}

}  // namespace KestFirewall
