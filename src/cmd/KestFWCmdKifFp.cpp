#include "cmd/KestFWCmdKifFp.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

bool CKestFWCmdKifFp::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    ByteWriter w(writable(body), kBodySize);
    w.u32(m_first);
    w.u32(m_second);
    return true;
}

void CKestFWCmdKifFp::checkCmdReply(const void*, unsigned int) {
    CKestFWReport report;
    report.line("Kif flag not set\n");
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_FpFlag(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* value, unsigned int mode) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(value != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdKifFp cmd(port, *value, mode);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t v = reply.u32();
            if (!reply.ok()) throw CInsufficientMsgBufException(4, static_cast<unsigned>(reply.size()));
            *value = v;
        });
    });
}
