#include "cmd/KestFWCmdGetAddrSetTypeAndSize.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdAddrSetBody.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdQueryBody.h"
#include "kestfw/kestfw_query.h"

namespace KestFirewall {

std::string CKestFWCmdGetAddrSetTypeAndSize::toString() const {
    return "describe size of addrset " + QueryBody::fieldName(m_id.name, sizeof m_id.name) + dvsportToString("of");
}

bool CKestFWCmdGetAddrSetTypeAndSize::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                   unsigned int) {
    return AddrSetBody::writeNamed(writable(body), avail, kBodySize, m_id, written);
}

void CKestFWCmdGetAddrSetTypeAndSize::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t elements = r.getAt<uint32_t>(kOffElements);
    const uint32_t type = r.getAt<uint32_t>(kOffType);
    const uint32_t bytes = r.getAt<uint32_t>(kOffSize);
    if (!r.ok()) return;
    CKestFWReport report;
    report.line("addrset type : %u\n", type);
    report.line("addrset elements count : %u\n", elements);
    report.line("addrset serialize size : %u\n", bytes);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetAddrSetTypeAndSize(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* type,
                                    unsigned int* size, FWAddrSetID_t id) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(type != nullptr && size != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetAddrSetTypeAndSize cmd(port, id);
        using C = CKestFWCmdGetAddrSetTypeAndSize;
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            const uint32_t first = reply.getAt<uint32_t>(C::kOffElements);
            const uint32_t bytes = reply.getAt<uint32_t>(C::kOffSize);
            if (!reply.ok()) throw QueryBody::shortReply("an address-set size");
            *type = first;
            *size = bytes;
        });
    });
}
