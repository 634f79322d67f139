#include "cmd/KestFWCmdGetAddrSetStatList.h"

#include <algorithm>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdQueryBody.h"
#include "kestfw/kestfw_query.h"

namespace KestFirewall {

CKestFWCmdGetAddrSetStatList::CKestFWCmdGetAddrSetStatList(dvs_port_* port, unsigned int type, unsigned int count,
                                                           unsigned int start)
    : CKestFWCmd(port), m_type(type), m_count(count), m_start(start) {
    if (type >= QueryBody::kTypeLimit) throw CInvalidAddrSetTypeException(int(type));
    if (!QueryBody::productFits(count, kRecordSize))
        throw CIntegerOverflowException("invalid number of addrset stat to retrieve", count);
}

std::string CKestFWCmdGetAddrSetStatList::toString() const {
    return "describe stat of addrsets " + dvsportToString("of");
}

bool CKestFWCmdGetAddrSetStatList::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                unsigned int) {
    if (body == nullptr || avail < getMsgSize()) return false;
    ByteWriter w(writable(body), kOffRecords);
    w.zeros(kOffRecords);
    w.putAt<uint8_t>(0, uint8_t(m_type & QueryBody::kAddrSetTypeMask));
    w.putAt<uint32_t>(kOffCount, m_count);
    w.putAt<uint32_t>(kOffStart, m_start);
    if (written != nullptr) *written = getMsgSize();
    return w.ok();
}

void CKestFWCmdGetAddrSetStatList::checkCmdReply(const void* body, unsigned int size) {
    CKestFWReport report;
    ByteReader r(body, size);
    const uint32_t claimed = r.getAt<uint32_t>(kOffReturned);
    if (!r.ok() || !report.active()) return;
    const uint32_t n = QueryBody::boundedCount(claimed, size, kOffRecords, kRecordSize, "address-set statistics");
    typedef unsigned long long ull;
    for (uint32_t i = 0; i < n; ++i) {
        r.seek(kOffRecords + size_t(i) * kRecordSize);
        const std::string name = r.text(sizeof(FWAddrSetID_t));
        // Record order: packets out+pass, out+drop, in+pass, in+drop, then bytes in the same order.
        uint64_t v[11];
        for (uint64_t& x : v) x = r.u64();
        report.line("addrset %s:\n", name.c_str());
        report.line("    in + pass  : packets = %-16llu  bytes = %-16llu\n", ull(v[2]), ull(v[6]));
        report.line("    in + drop  : packets = %-16llu  bytes = %-16llu\n", ull(v[3]), ull(v[7]));
        report.line("    out + pass : packets = %-16llu  bytes = %-16llu\n", ull(v[0]), ull(v[4]));
        report.line("    out + drop : packets = %-16llu  bytes = %-16llu\n", ull(v[1]), ull(v[5]));
        report.line("    match = %-16llu  no_match = %-16llu  uptime = %-16llu\n", ull(v[8]), ull(v[9]), ull(v[10]));
    }
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetAddrSetStatList(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int kind,
                                 unsigned int count, unsigned int start, FWAddrSetStat_* stats,
                                 unsigned int* returned) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != 0 && stats != nullptr && returned != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetAddrSetStatList cmd(port, kind, count, start);
        using C = CKestFWCmdGetAddrSetStatList;
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            const uint32_t claimed = reply.getAt<uint32_t>(C::kOffReturned);
            if (!reply.ok()) throw QueryBody::shortReply("address-set statistics");
            const uint32_t n = std::min<uint32_t>(QueryBody::boundedCount(claimed, reply.size(), C::kOffRecords,
                                                                          C::kRecordSize, "address-set statistics"),
                                                  count);
            reply.seek(C::kOffRecords);
            for (uint32_t i = 0; i < n; ++i) reply.bytes(&stats[i], C::kRecordSize);
            *returned = n;
        });
    });
}
