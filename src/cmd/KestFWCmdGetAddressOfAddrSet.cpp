#include "cmd/KestFWCmdGetAddressOfAddrSet.h"

#include <algorithm>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdQueryBody.h"
#include "kestfw/kestfw_query.h"
#include "kestfw/kestfw_rule.h"

namespace KestFirewall {

CKestFWCmdGetAddressOfAddrSet::CKestFWCmdGetAddressOfAddrSet(dvs_port_* port, FWAddrSetID_t id, unsigned int count,
                                                             unsigned int start)
    : CKestFWCmd(port), m_id(id), m_count(count), m_start(start) {
    if (!QueryBody::productFits(count, kRecordSize))
        throw CIntegerOverflowException("invalid number of addresses", count);
}

std::string CKestFWCmdGetAddressOfAddrSet::toString() const {
    std::string s =
        "describe address of addrset " + QueryBody::fieldName(m_id.name, sizeof m_id.name) + dvsportToString("of");
    if (m_start != 0) s += " from " + std::to_string(m_start);
    return s;
}

bool CKestFWCmdGetAddressOfAddrSet::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                 unsigned int) {
    if (body == nullptr || avail < getMsgSize()) return false;
    ByteWriter w(writable(body), kHeadSize);
    w.zeros(kHeadSize);
    w.seek(0);
    w.bytes(m_id.name, sizeof m_id.name);
    w.putAt<uint32_t>(kOffMode, 1);
    w.putAt<uint32_t>(kOffCount, m_count);
    w.putAt<uint32_t>(kOffStart, m_start);
    if (written != nullptr) *written = getMsgSize();
    return w.ok();
}

void CKestFWCmdGetAddressOfAddrSet::checkCmdReply(const void* body, unsigned int size) {
    CKestFWReport report;
    ByteReader r(body, size);
    const uint32_t claimed = r.getAt<uint32_t>(kOffReturned);
    const uint64_t when = r.getAt<uint64_t>(kOffTime);
    const uint64_t generation = r.getAt<uint64_t>(kOffGeneration);
    KFW_DEBUG(KFW_COMP_CMD, 1, "retrieved %u addresses of addrset %s\n", claimed,
              QueryBody::fieldName(m_id.name, sizeof m_id.name).c_str());
    if (!r.ok()) return;
    report.line("# generation number: %llu\n", static_cast<unsigned long long>(generation));
    QueryBody::timeLine(report, "# realization time : %04d-%02d-%02dT%02d:%02d:%02d\n", when);
    if (!report.active()) return;
    const uint32_t n = QueryBody::boundedCount(claimed, size, kHeadSize, kRecordSize, "addresses");
    r.seek(kHeadSize);
    for (uint32_t i = 0; i < n; ++i) {
        FWAddress_ address;
        r.bytes(&address, sizeof address);
        char text[512];
        const FWStatus_t status = FW_GetAddressString(&address, 1, text, sizeof text);
        if (status != 0) {
            KFW_DEBUG(KFW_COMP_CMD, 1, "failed to convert address #%u: %d\n", i, int(status));
            continue;
        }
        report.line("%s\n", static_cast<const char*>(text));
    }
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetAddressOfAddrSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                  unsigned int start, uint32_t reserved, FWAddrSetID_t id, FWAddress_* addresses,
                                  unsigned int* returned, uint64_t* generation, uint64_t* realization) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != 0 && addresses != nullptr && returned != nullptr);
    if (reserved != 0) KFW_API_RETURN(5);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetAddressOfAddrSet cmd(port, id, count, start);
        using C = CKestFWCmdGetAddressOfAddrSet;
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            const uint32_t claimed = reply.getAt<uint32_t>(C::kOffReturned);
            const uint64_t when = reply.getAt<uint64_t>(C::kOffTime);
            const uint64_t gen = reply.getAt<uint64_t>(C::kOffGeneration);
            if (!reply.ok()) throw QueryBody::shortReply("addresses");
            const uint32_t n = std::min<uint32_t>(
                QueryBody::boundedCount(claimed, reply.size(), C::kHeadSize, C::kRecordSize, "addresses"), count);
            reply.seek(C::kHeadSize);
            for (uint32_t i = 0; i < n; ++i) reply.bytes(&addresses[i], C::kRecordSize);
            *returned = n;
            if (generation != nullptr) *generation = gen;
            if (realization != nullptr) *realization = when;
        });
    });
}
