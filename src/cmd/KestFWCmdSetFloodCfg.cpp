#include "cmd/KestFWCmdSetFloodCfg.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

static_assert(sizeof(FWFloodCfg_t) == CKestFWCmdSetFloodCfg::kBodySize, "flood configuration is 36 bytes");

CKestFWCmdSetFloodCfg::CKestFWCmdSetFloodCfg(dvs_port_* port, const FWFloodCfg_t* cfg) : CKestFWCmd(port) {
    memset(&m_cfg, 0, sizeof m_cfg);
    if (cfg != nullptr) m_cfg = *cfg;
}

bool CKestFWCmdSetFloodCfg::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    ByteWriter w(writable(body), kBodySize);
    for (uint32_t v : m_cfg.value) w.u32(v);
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_SetFloodCfg(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWFloodCfg_t* cfg) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(cfg != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdSetFloodCfg cmd(port, cfg);
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
