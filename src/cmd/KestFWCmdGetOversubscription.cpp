#include "cmd/KestFWCmdGetOversubscription.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

std::string CKestFWCmdGetOversubscription::toString() const {
    return "get oversubscription toggle value currently set";
}

void CKestFWCmdGetOversubscription::checkCmdReply(const void* body, unsigned int size) {
    bool on = false;
    if (!replyBit(body, size, &on)) return;
    CKestFWReport report;
    report.line("Oversubscription : %s\n", on ? "bypass" : "drop");
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetOversubscription(fwlibhandle_* handle, dvs_port_* port) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetOversubscription cmd(port);
        return kfwExecuteCommand(cmd, handle, nullptr);
    });
}
