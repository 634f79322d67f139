#include "cmd/KestFWCmdAddDomain2IPMapping.h"

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdHandles.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "kestfw/kestfw_identity.h"
#include "model/KestFWAddressFactory.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWCmdAddDomain2IPMapping::CKestFWCmdAddDomain2IPMapping(dvs_port_* port, const std::string& domain)
    : CKestFWCmd(port), m_domain(domain.substr(0, domain.find('\0'))) {
    if (m_domain.size() > kDomainMax) throw CIDTooLongException(m_domain.c_str());
}

void CKestFWCmdAddDomain2IPMapping::addAddress(std::unique_ptr<CKestFWAddress> address, unsigned int ttl) {
    if (!address) throw CInvalidAddressException("no address for domain", 0u);
    m_addresses.emplace_back(std::move(address), ttl);
}

unsigned int CKestFWCmdAddDomain2IPMapping::getMsgSize() const {
    return IdentityBody::sized("too many domain addresses", kOffDomain + m_domain.size() + 1, m_addresses.size(),
                               kPerAddress);
}

std::string CKestFWCmdAddDomain2IPMapping::toString() const {
    std::string out = "add domain2ip mapping " + m_domain + " {";
    if (m_addresses.empty()) out += "no ips";
    bool first = true;
    for (const auto& a : m_addresses) {
        if (!first) out += ", ";
        first = false;
        out += a.first->toString() + " [ttl: " + std::to_string(a.second) +
               ", type: " + std::to_string(a.first->getType()) + "]";
    }
    return out + "}";
}

bool CKestFWCmdAddDomain2IPMapping::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                 unsigned int) {
    const unsigned int need = getMsgSize();
    if (!IdentityBody::begin(body, avail, need)) return false;
    ByteWriter w(writable(body), need);
    w.u32(static_cast<uint32_t>(m_addresses.size()));
    w.u32(need - 8);
    w.u16(static_cast<uint16_t>(m_domain.size() + 1));
    w.bytes(m_domain.data(), m_domain.size());
    w.u8(0);
    for (const auto& a : m_addresses) {
        w.u32(a.second);
        const size_t rec = w.pos();
        w.skip(FW_ADDRESS_RECORD_SIZE);
        unsigned int used = 0;
        if (!w.ok() || !a.first->toMessage(writable(body) + rec, FW_ADDRESS_RECORD_SIZE, &used)) return false;
    }
    if (!w.ok()) return false;
    if (written != nullptr) *written = need;
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

namespace {
typedef CommandHandles<CKestFWCmdAddDomain2IPMapping> Domain2IPHandles;

void addRecord(CKestFWCmdAddDomain2IPMapping& cmd, const FWAddress_& rec, unsigned int ttl) {
    cmd.addAddress(std::unique_ptr<CKestFWAddress>(CKestFWAddressFactory::newFromMsgBuf(&rec)), ttl);
}
}  // namespace

FWStatus_t FW_CreateDomain2IPHandle(fwlibhandle_* handle, dvs_port_* port, const char* domain, void** cmd) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(domain != nullptr && cmd != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        std::unique_ptr<CKestFWCmdAddDomain2IPMapping> c(new CKestFWCmdAddDomain2IPMapping(port, domain));
        Domain2IPHandles::add(c.get());
        *cmd = c.release();
        return 0;
    });
}

FWStatus_t FW_AddIPAddress(void* cmd, const FWAddress_* address, unsigned int ttl) {
    KFW_API_ENTER();
    CKestFWCmdAddDomain2IPMapping* c = Domain2IPHandles::find(cmd);
    KFW_API_REQUIRE(c != nullptr && address != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        addRecord(*c, *address, ttl);
        return 0;
    });
}

FWStatus_t FW_SetDomain2IP(fwlibhandle_* handle, void* ctx, void** reply, void* cmd) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(cmd != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t { return Domain2IPHandles::execute(handle, ctx, reply, cmd); });
}

FWStatus_t FW_ReleaseDomain2IPHandle(fwlibhandle_* handle, void*, void* cmd) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(cmd != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t { return Domain2IPHandles::release(handle, cmd); });
}

FWStatus_t FW_SetDomain2IPMap(fwlibhandle_* handle, dvs_port_* port, void* ctx, const char* domain,
                              const FWAddress_* addresses, const unsigned int* ttls, unsigned int count) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(domain != nullptr && (count == 0 || (addresses != nullptr && ttls != nullptr)));
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdAddDomain2IPMapping c(port, domain);
        for (unsigned int i = 0; i < count; ++i) addRecord(c, addresses[i], ttls[i]);
        return kfwExecuteCommand(c, handle, ctx);
    });
}
