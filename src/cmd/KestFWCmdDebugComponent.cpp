#include "cmd/KestFWCmdDebugComponent.h"

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdDebugNames.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

CKestFWCmdDebugComponent::CKestFWCmdDebugComponent(dvs_port_* port, unsigned int component, unsigned int level)
    : CKestFWCmd(port), m_component(component), m_level(level) {
    if (component >= DebugNames::kComponents && component != DebugNames::kAllComponents)
        throw CUnsupportedException("unsupported debug component");
    if (level >= DebugNames::kLevels) throw CUnsupportedException("unsupported debug level");
}

std::string CKestFWCmdDebugComponent::toString() const {
    return std::string("debug ") + DebugNames::component(m_component) + " " + std::to_string(m_level);
}

bool CKestFWCmdDebugComponent::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                            unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    ByteWriter(writable(body), kBodySize).u32(DebugNames::word(m_component, m_level));
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_DebugComponent(fwlibhandle_* handle, dvs_port_* port, void* ctx, uint8_t component, uint8_t level) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdDebugComponent cmd(port, component, level);
        return kfwExecuteCommand(cmd, handle, ctx);
    });
}
