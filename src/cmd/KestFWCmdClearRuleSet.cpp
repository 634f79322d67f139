#include "cmd/KestFWCmdClearRuleSet.h"

#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdRuleSetBody.h"
#include "base/KestFWApi.h"
#include "kestfw/kestfw_ruleset.h"

namespace KestFirewall {

std::string CKestFWCmdClearRuleSet::toString() const {
    return "clear rule of ruleset " + ruleSetName(m_id) + dvsportToString("of");
}

bool CKestFWCmdClearRuleSet::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    return writeFixedRuleSetBody(body, avail, kBodySize, written, [&](ByteWriter& w) { putRuleSetId(w, 0, m_id); });
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_ClearRuleSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result, FWRuleSetID_t id) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(result != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdClearRuleSet cmd(port, id);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            const uint32_t word = reply.getAt<uint32_t>(CKestFWCmdClearRuleSet::kOffResult);
            if (reply.ok()) *result = word;
        });
    });
}
