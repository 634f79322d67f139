#include "cmd/KestFWCmdGetTimeout.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdTimeoutBody.h"

namespace KestFirewall {

CKestFWCmdGetTimeout::CKestFWCmdGetTimeout(dvs_port_* port) : CKestFWCmd(port) {
    memset(&m_timeouts, 0, sizeof m_timeouts);
}

CKestFWCmdGetTimeout::CKestFWCmdGetTimeout(dvs_port_* port, const FWInstTimeout_* timeouts)
    : CKestFWCmdGetTimeout(port) {
    if (timeouts != nullptr) m_timeouts = *timeouts;
}

CKestFWCmdGetTimeout::CKestFWCmdGetTimeout(dvs_port_* port, unsigned int index) : CKestFWCmdGetTimeout(port) {
    select(index);
}

CKestFWCmdGetTimeout::CKestFWCmdGetTimeout(dvs_port_* port, const char* name) : CKestFWCmdGetTimeout(port) {
    select(name != nullptr ? TimeoutName2ID(name) : KESTFW_TIMEOUT_COUNT + 1);
}

void CKestFWCmdGetTimeout::select(unsigned int index) {
    if (index >= TimeoutBody::kCount) throw CInvalidTimeoutException(index);
    m_timeouts.present[index] = 1;
}

std::string CKestFWCmdGetTimeout::toString() const { return "describe timeout"; }

bool CKestFWCmdGetTimeout::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    TimeoutBody::write(writable(body), m_timeouts);
    return true;
}

void CKestFWCmdGetTimeout::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    FWInstTimeout_ t;
    if (!TimeoutBody::read(r, t)) return;
    CKestFWReport report;
    report.line("Connection Timeouts:\n");
    for (unsigned int i = 0; i < TimeoutBody::kCount; ++i)
        if (t.present[i] != 0) report.line("   %-22s: %u\n", g_kestfw_timeout_name[i], t.value[i]);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetTimeout(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWInstTimeout_* timeouts) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(timeouts != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetTimeout cmd(port, timeouts);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            if (!TimeoutBody::read(reply, *timeouts))
                throw CInsufficientMsgBufException(TimeoutBody::kSize, static_cast<unsigned int>(reply.size()));
        });
    });
}
