#include "cmd/KestFWCmdSetConnectionByFilter.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

CKestFWCmdSetConnectionByFilter::CKestFWCmdSetConnectionByFilter(dvs_port_* port, const FWConnFilter_* filter)
    : CKestFWCmd(port) {
    memset(&m_filter, 0, sizeof m_filter);
    if (filter != nullptr) memcpy(m_filter.bytes, filter->bytes, sizeof m_filter.bytes);
}

bool CKestFWCmdSetConnectionByFilter::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                   unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    ByteWriter w(writable(body), kBodySize);
    w.bytes(m_filter.bytes, sizeof m_filter.bytes);
    return w.ok();
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_SetConnectionByFilter(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWConnFilter_* filter,
                                    unsigned int* result) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(filter != nullptr && result != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdSetConnectionByFilter cmd(port, filter);
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            uint32_t n = reply.getAt<uint32_t>(CKestFWCmdSetConnectionByFilter::kOffResult);
            if (reply.ok()) *result = n;
        });
    });
}
