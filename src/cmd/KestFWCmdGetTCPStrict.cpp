#include "cmd/KestFWCmdGetTCPStrict.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

std::string CKestFWCmdGetTCPStrict::toString() const { return "describe tcp strict"; }

void CKestFWCmdGetTCPStrict::checkCmdReply(const void* body, unsigned int size) {
    bool on = false;
    if (!replyBit(body, size, &on)) return;
    CKestFWReport report;
    report.line("tcp strict: %s\n", on ? "enabled" : "disabled");
}

}  // namespace KestFirewall
