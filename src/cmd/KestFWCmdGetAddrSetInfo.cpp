#include "cmd/KestFWCmdGetAddrSetInfo.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdAddrSetBody.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdQueryBody.h"
#include "kestfw/kestfw_query.h"

namespace KestFirewall {

std::string CKestFWCmdGetAddrSetInfo::toString() const {
    return "describe info of addrset " + QueryBody::fieldName(m_id.name, sizeof m_id.name) + dvsportToString("of");
}

bool CKestFWCmdGetAddrSetInfo::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    return AddrSetBody::writeNamed(writable(body), avail, kBodySize, m_id, written);
}

void CKestFWCmdGetAddrSetInfo::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t count = r.getAt<uint32_t>(kOffCount);
    const uint64_t when = r.getAt<uint64_t>(kOffTime);
    const uint64_t generation = r.getAt<uint64_t>(kOffGeneration);
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("address count    : %u\n", count);
    report.line("generation number: %llu\n", static_cast<unsigned long long>(generation));
    QueryBody::timeLine(report, "realization time : %04d-%02d-%02dT%02d:%02d:%02d\n", when);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetAddrSetInfo(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWAddrSetInfo_* info, FWAddrSetID_t id) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(info != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetAddrSetInfo cmd(port, id);
        using C = CKestFWCmdGetAddrSetInfo;
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            FWAddrSetInfo_ out{};
            out.address_count = reply.getAt<uint32_t>(C::kOffCount);
            out.realization_time = reply.getAt<uint64_t>(C::kOffTime);
            out.generation = reply.getAt<uint64_t>(C::kOffGeneration);
            if (!reply.ok()) throw QueryBody::shortReply("address-set information");
            *info = out;
        });
    });
}
