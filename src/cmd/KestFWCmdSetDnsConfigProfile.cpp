#include "cmd/KestFWCmdSetDnsConfigProfile.h"

#include <memory>

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "kestfw/kestfw_identity.h"
#include "model/KestFWAddressFactory.h"
#include "util/ByteIO.h"

namespace KestFirewall {

unsigned int CKestFWCmdSetDnsConfigProfile::getMsgSize() const {
    return IdentityBody::sized("too many dns servers", kHeadSize, m_addresses.size(), FW_ADDRESS_RECORD_SIZE);
}

std::string CKestFWCmdSetDnsConfigProfile::toString() const {
    std::string out = "set dnsprofile ttl ";
    out += m_mode == kModeInfinite ? "infinite" : m_mode == kModeAuto ? "auto" : std::to_string(m_ttl);
    if (m_addresses.empty()) return out;
    out += " address { ";
    bool first = true;
    for (const FWAddress_& a : m_addresses) {
        if (!first) out += ", ";
        first = false;
        std::string text = "INVALID";
        try {
            std::unique_ptr<CKestFWAddress> address(CKestFWAddressFactory::newFromMsgBuf(&a));
            text = address->toString();
        } catch (const CKestFWException&) {
        }
        out += "address " + text;
    }
    return out + " }";
}

bool CKestFWCmdSetDnsConfigProfile::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                 unsigned int) {
    const unsigned int need = getMsgSize();
    if (!IdentityBody::begin(body, avail, need)) return false;
    ByteWriter w(writable(body), need);
    w.putAt<uint8_t>(kOffMode, m_mode);
    w.u32(m_ttl);
    w.u32(static_cast<uint32_t>(m_addresses.size()));
    for (const FWAddress_& a : m_addresses) w.bytes(&a, sizeof a);
    if (!w.ok()) return false;
    if (written != nullptr) *written = need;
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_SetDnsConfigProfile(fwlibhandle_* handle, dvs_port_* port, uint8_t mode, unsigned int ttl) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdSetDnsConfigProfile c(port, mode, ttl);
        return kfwExecuteCommand(c, handle, nullptr);
    });
}
