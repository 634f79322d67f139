#include "cmd/KestFWCmdGetRuleSetList.h"

#include <algorithm>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdQueryBody.h"
#include "kestfw/kestfw_query.h"

namespace KestFirewall {

CKestFWCmdGetRuleSetList::CKestFWCmdGetRuleSetList(dvs_port_* port, unsigned int count, unsigned int start)
    : CKestFWCmd(port), m_count(count), m_start(start) {
    if (!QueryBody::productFits(count, kNameSize))
        throw CIntegerOverflowException("invalid number of ruleset id to retrieve", count);
}

std::string CKestFWCmdGetRuleSetList::toString() const {
    std::string s = "describe list of ruleset" + dvsportToString("of");
    if (m_start != 0) s += " from " + std::to_string(m_start);
    return s;
}

bool CKestFWCmdGetRuleSetList::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (body == nullptr || avail < getMsgSize()) return false;
    ByteWriter w(writable(body), kOffNames);
    w.zeros(kOffNames);
    w.putAt<uint32_t>(kOffCount, m_count);
    w.putAt<uint32_t>(kOffStart, m_start);
    if (written != nullptr) *written = getMsgSize();
    return w.ok();
}

void CKestFWCmdGetRuleSetList::checkCmdReply(const void* body, unsigned int size) {
    CKestFWReport report;
    ByteReader r(body, size);
    const uint32_t claimed = r.getAt<uint32_t>(kOffReturned);
    KFW_DEBUG(KFW_COMP_CMD, 1, "retrieved %u rulesets\n", claimed);
    if (!r.ok() || !report.active()) return;
    const uint32_t n = QueryBody::boundedCount(claimed, size, kOffNames, kNameSize, "rule sets");
    r.seek(kOffNames);
    for (uint32_t i = 0; i < n; ++i) report.line("%s\n", r.text(kNameSize).c_str());
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetRuleSetList(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count, unsigned int start,
                             FWRuleSetID_t* ids, unsigned int* returned) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != 0 && ids != nullptr && returned != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetRuleSetList cmd(port, count, start);
        using C = CKestFWCmdGetRuleSetList;
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            const uint32_t claimed = reply.getAt<uint32_t>(C::kOffReturned);
            if (!reply.ok()) throw QueryBody::shortReply("a rule-set list");
            const uint32_t n = std::min<uint32_t>(
                QueryBody::boundedCount(claimed, reply.size(), C::kOffNames, C::kNameSize, "rule sets"), count);
            reply.seek(C::kOffNames);
            for (uint32_t i = 0; i < n; ++i) reply.bytes(ids[i].name, C::kNameSize);
            *returned = n;
        });
    });
}
