#include "cmd/KestFWCmdGetDnsConfigProfile.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "cmd/KestFWCmdSetDnsConfigProfile.h"
#include "kestfw/kestfw_identity.h"
#include "util/ByteIO.h"

namespace KestFirewall {

typedef CKestFWCmdSetDnsConfigProfile Set;

bool CKestFWCmdGetDnsConfigProfile::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                 unsigned int) {
    // The query sends nothing of its own; the kernel fills the same fields the set command carries.
    if (!IdentityBody::begin(body, avail, kBodySize)) return false;
    if (written != nullptr) *written = kBodySize;
    return true;
}

void CKestFWCmdGetDnsConfigProfile::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint8_t mode = r.getAt<uint8_t>(Set::kOffMode);
    const uint32_t ttl = r.getAt<uint32_t>(Set::kOffTTL);
    if (!r.ok()) return;
    m_mode = mode;
    m_ttl = ttl;
    CKestFWReport report;
    if (mode == Set::kModeInfinite)
        report.line("Time To Live Value : Infinite\n");
    else if (mode == Set::kModeAuto)
        report.line("Time To Live Value : auto\n");
    else
        report.line("Time To Live Value : %u secs\n", ttl);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetDnsConfigProfile(fwlibhandle_* handle, dvs_port_* port) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetDnsConfigProfile c(port);
        return kfwExecuteCommand(c, handle, nullptr);
    });
}
