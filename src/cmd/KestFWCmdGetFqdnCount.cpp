#include "cmd/KestFWCmdGetFqdnCount.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "kestfw/kestfw_identity.h"
#include "util/ByteIO.h"

namespace KestFirewall {

std::string CKestFWCmdGetFqdnCount::toString() const { return "describe count of fqdn " + dvsportToString("of"); }

bool CKestFWCmdGetFqdnCount::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!IdentityBody::begin(body, avail, kBodySize)) return false;
    if (written != nullptr) *written = kBodySize;
    return true;
}

void CKestFWCmdGetFqdnCount::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t word = r.u32();
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("fqdn count : %u \n", word);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetFqdnCount(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* count) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetFqdnCount c(port);
        return kfwExecuteCommand(c, handle, ctx, [&](ByteReader& reply) {
            const uint32_t word = reply.u32();
            if (reply.ok()) *count = word;
        });
    });
}
