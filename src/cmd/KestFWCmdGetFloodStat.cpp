#include "cmd/KestFWCmdGetFloodStat.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

CKestFWCmdGetFloodStat::CKestFWCmdGetFloodStat(dvs_port_* port, const FWFloodStat_t* stat)
    : CKestFWCmd(port), m_stat(kBodySize, 0) {
    if (stat != nullptr) memcpy(m_stat.data(), stat->bytes, kBodySize);
}

bool CKestFWCmdGetFloodStat::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    memcpy(writable(body), m_stat.data(), kBodySize);
    return true;
}

void CKestFWCmdGetFloodStat::copyReply(const void* body, unsigned int size, FWFloodStat_t* out) {
    ByteReader r(body, size);
    uint32_t count = r.getAt<uint32_t>(kOffSyncacheCount);
    r.seek(0);
    const uint8_t* whole = r.view(kBodySize);
    if (whole == nullptr) throw CInsufficientMsgBufException(kBodySize, size);
    if (count > kMaxSyncache) throw CIntegerOverflowException("too many syncache hash stats", count);
    memcpy(out->bytes, whole, kBodySize);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetFloodStat(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWFloodStat_t* stat) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(stat != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetFloodStat cmd(port, stat);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            const uint8_t* p = reply.view(reply.size());
            CKestFWCmdGetFloodStat::copyReply(p, p != nullptr ? static_cast<unsigned int>(reply.size()) : 0, stat);
        });
    });
}
