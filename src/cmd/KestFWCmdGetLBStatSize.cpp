#include "cmd/KestFWCmdGetLBStatSize.h"

#include <cstring>
#include <string>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdLBLayout.h"

namespace KestFirewall {

static_assert(sizeof(FWLBStat_) == CKestFWCmdGetLBStatSize::kBodySize, "size record layout");

bool CKestFWCmdGetLBStatSize::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    if (m_record != nullptr) memcpy(writable(body), m_record->bytes, kBodySize);
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetLBStatSize(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWLBStat_* record) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(record != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetLBStatSize cmd(port, record);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            const uint8_t* p = reply.view(sizeof *record);
            if (p == nullptr) throw CInsufficientMsgBufException(sizeof *record, static_cast<unsigned>(reply.size()));
            memcpy(record->bytes, p, sizeof *record);
        });
    });
}
