#include "cmd/KestFWCmdSetKifFlags.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdKifFlagsBody.h"

namespace KestFirewall {

bool CKestFWCmdSetKifFlags::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    ByteWriter w(writable(body), kBodySize);
    if (m_name != nullptr) {
        w.seek(KifFlagsBody::kOffNames);
        w.text(std::string(m_name, strnlen(m_name, KifFlagsBody::kNameWidth)), KifFlagsBody::kNameWidth);
    }
    w.putAt<uint8_t>(KifFlagsBody::kOffValues, static_cast<uint8_t>(m_value));
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_SetKifFlags(fwlibhandle_* handle, dvs_port_* port, void* ctx, const char* flag, unsigned int mode) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(flag != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdSetKifFlags cmd(port, flag, mode);
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
