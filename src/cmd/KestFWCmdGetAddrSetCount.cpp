#include "cmd/KestFWCmdGetAddrSetCount.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdQueryBody.h"
#include "kestfw/kestfw_query.h"

namespace KestFirewall {

CKestFWCmdGetAddrSetCount::CKestFWCmdGetAddrSetCount(dvs_port_* port, unsigned int type)
    : CKestFWCmd(port), m_type(type) {
    if (type >= QueryBody::kTypeLimit) throw CInvalidAddrSetTypeException(int(type));
}

std::string CKestFWCmdGetAddrSetCount::toString() const { return "describe count of addrset " + dvsportToString("of"); }

bool CKestFWCmdGetAddrSetCount::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                             unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    writable(body)[kOffType] = uint8_t(m_type & QueryBody::kAddrSetTypeMask);
    return true;
}

void CKestFWCmdGetAddrSetCount::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t count = r.getAt<uint32_t>(kOffCount);
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("addrset count : %u\n", count);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetAddrSetCount(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int kind,
                              unsigned int* count) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetAddrSetCount cmd(port, kind);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            const uint32_t n = reply.getAt<uint32_t>(CKestFWCmdGetAddrSetCount::kOffCount);
            if (!reply.ok()) throw QueryBody::shortReply("an address-set count");
            *count = n;
        });
    });
}
