#include "cmd/KestFWCmdGetConnAttrInfo.h"

#include <cstring>
#include <memory>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "model/KestFWConnectionList.h"

namespace KestFirewall {

CKestFWCmdGetConnAttrInfo::CKestFWCmdGetConnAttrInfo(dvs_port_* port, const FWConnection_& conn)
    : CKestFWCmd(port), m_keyKind(kKeyedByConnection), m_conn(conn), m_stateId(0) {}

CKestFWCmdGetConnAttrInfo::CKestFWCmdGetConnAttrInfo(dvs_port_* port, uint64_t stateId)
    : CKestFWCmd(port), m_keyKind(kKeyedByStateId), m_stateId(stateId) {
    memset(&m_conn, 0, sizeof m_conn);
}

std::string CKestFWCmdGetConnAttrInfo::toString() const {
    std::string s = "get connection attr ";
    if (m_keyKind == kKeyedByConnection) return s + " conn : <need to pring the FWConnection_t>";
    return s + " state_id : " + std::to_string(m_stateId);
}

bool CKestFWCmdGetConnAttrInfo::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                             unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    ByteWriter w(writable(body), kBodySize);
    w.u32(m_keyKind);
    kfwPutConnection(w, m_conn);
    w.u64(m_stateId);
    return w.ok();
}

void CKestFWCmdGetConnAttrInfo::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t count = r.getAt<uint32_t>(kOffCount);
    const uint32_t bytes = r.u32();
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("attribute count : %u\n", count);
    report.line("serialize size : %u\n", bytes);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetConnAttrInfo(fwlibhandle_* handle, dvs_port_* port, void* ctx, const FWConnection_* conn,
                              uint64_t stateId, unsigned int* count, unsigned int* size) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != nullptr && size != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        std::unique_ptr<CKestFWCmdGetConnAttrInfo> cmd(conn != nullptr ? new CKestFWCmdGetConnAttrInfo(port, *conn)
                                                                       : new CKestFWCmdGetConnAttrInfo(port, stateId));
        return kfwExecuteCommand(*cmd, handle, ctx, [&](ByteReader& reply) {
            const uint32_t n = reply.getAt<uint32_t>(CKestFWCmdGetConnAttrInfo::kOffCount);
            const uint32_t bytes = reply.u32();
            if (!reply.ok()) return;
            *count = n;
            *size = bytes;
        });
    });
}
