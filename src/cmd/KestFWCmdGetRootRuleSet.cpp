#include "cmd/KestFWCmdGetRootRuleSet.h"

#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdRuleSetBody.h"
#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "kestfw/kestfw_ruleset.h"

namespace KestFirewall {

std::string CKestFWCmdGetRootRuleSet::toString() const { return "describe root ruleset " + dvsportToString("of"); }

bool CKestFWCmdGetRootRuleSet::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    return writeFixedRuleSetBody(body, avail, kBodySize, written, [](ByteWriter&) {});
}

void CKestFWCmdGetRootRuleSet::checkCmdReply(const void* body, unsigned int size) {
    CKestFWReport report;
    if (!report.active()) return;
    ByteReader r(body, size);
    // A name that fills its whole field is printed as far as the field goes.
    const std::string layer3 = r.text(kRuleSetIdSize);
    const std::string layer2 = r.text(kRuleSetIdSize);
    if (!r.ok()) return;
    report.line("layer3 root ruleset : %s\n", layer3.c_str());
    report.line("layer2 root ruleset : %s\n", layer2.c_str());
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetRootRuleSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWRuleSetID_t* layer3,
                             FWRuleSetID_t* layer2, unsigned int* result) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(layer3 != nullptr && layer2 != nullptr && result != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetRootRuleSet cmd(port);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            // Read whole before anything reaches the caller: the names travel as the kernel wrote them.
            FWRuleSetID_t l3, l2;
            reply.seek(CKestFWCmdGetRootRuleSet::kOffLayer3);
            reply.bytes(l3.name, sizeof l3.name);
            reply.seek(CKestFWCmdGetRootRuleSet::kOffLayer2);
            reply.bytes(l2.name, sizeof l2.name);
            const uint32_t word = reply.getAt<uint32_t>(CKestFWCmdGetRootRuleSet::kOffResult);
            if (!reply.ok()) return;
            *layer3 = l3;
            *layer2 = l2;
            *result = word;
        });
    });
}
