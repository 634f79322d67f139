#include "cmd/KestFWCmdGetHopoverExportver.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

std::string CKestFWCmdGetHopoverExportver::toString() const { return "describe exportver"; }

bool CKestFWCmdGetHopoverExportver::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                 unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    ByteWriter(writable(body), kBodySize).u32(m_version);
    return true;
}

void CKestFWCmdGetHopoverExportver::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    uint32_t version = r.u32();
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("Current export version: %u\n", version);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetHopoverExportver(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWHopoverExportver_* version) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(version != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetHopoverExportver cmd(port, version);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t v = reply.u32();
            if (!reply.ok()) throw CInsufficientMsgBufException(4, static_cast<unsigned int>(reply.size()));
            version->version = v;
        });
    });
}
