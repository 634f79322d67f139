#include "cmd/KestFWCmdDeleteFqdnTree.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "kestfw/kestfw_identity.h"
#include "util/ByteIO.h"

namespace KestFirewall {

std::string CKestFWCmdDeleteFqdnTree::toString() const { return "describe delete fqdn " + dvsportToString("of"); }

bool CKestFWCmdDeleteFqdnTree::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!IdentityBody::begin(body, avail, kBodySize)) return false;
    if (written != nullptr) *written = kBodySize;
    return true;
}

void CKestFWCmdDeleteFqdnTree::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t word = r.u32();
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("fqdn tree deleted return code %u\n", word);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_DeleteFqdnTree(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(result != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdDeleteFqdnTree c(port);
        return kfwExecuteCommand(c, handle, ctx, [&](ByteReader& reply) {
            const uint32_t word = reply.u32();
            if (reply.ok()) *result = word;
        });
    });
}
