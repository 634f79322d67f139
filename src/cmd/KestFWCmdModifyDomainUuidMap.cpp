#include "cmd/KestFWCmdModifyDomainUuidMap.h"

#include <memory>

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdHandles.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "kestfw/kestfw_identity.h"
#include "kestfw/kestfw_util.h"
#include "util/ByteIO.h"

namespace KestFirewall {

std::string CKestFWCmdModifyDomainUuidMap::trimDomain(const std::string& domain) {
    const std::string name = domain.substr(0, domain.find('\0'));
    return name.size() > kDomainMax ? name.substr(0, kDomainMax) : name;
}

void CKestFWCmdModifyDomainUuidMap::addDomainUuidEntry(const std::string& domain, const std::set<KestFWUuid>& uuids,
                                                       uint64_t value, uint32_t valueWord) {
    Entry& e = m_entries[trimDomain(domain)];
    e.uuids.insert(uuids.begin(), uuids.end());
    e.value = value;
    e.valueWord = valueWord;
}

bool CKestFWCmdModifyDomainUuidMap::delDomainUuidEntry(const std::string& domain) {
    return m_entries.erase(trimDomain(domain)) != 0;
}

unsigned int CKestFWCmdModifyDomainUuidMap::getMsgSize() const {
    uint64_t uuids = 0;
    for (const auto& d : m_entries) uuids += d.second.uuids.size();
    const unsigned int records = IdentityBody::sized("too many domains", kHeadSize, m_entries.size(), kRecordSize);
    return IdentityBody::sized("too many uuids", records, uuids, kUuidSize);
}

std::string CKestFWCmdModifyDomainUuidMap::toString() const {
    std::string out = m_remove ? "del " : "add ";
    out += "domainuuid {";
    if (m_entries.empty()) out += "no domain";
    bool firstDomain = true;
    for (const auto& d : m_entries) {
        if (!firstDomain) out += ", ";
        firstDomain = false;
        out += d.first + " {";
        if (d.second.uuids.empty()) out += "no uuids";
        bool first = true;
        for (const KestFWUuid& u : d.second.uuids) {
            char text[KESTFW_UUID_NORMAL_LEN];
            if (!first) out += ", ";
            first = false;
            out += uuid2normalstr(u.data(), text, sizeof text) ? text : "INVALID";
        }
        out += "}";
    }
    return out + "}";
}

bool CKestFWCmdModifyDomainUuidMap::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                 unsigned int) {
    const unsigned int need = getMsgSize();
    if (!IdentityBody::begin(body, avail, need)) return false;
    ByteWriter w(writable(body), need);
    w.u8(m_remove ? 1 : 0);
    w.u32(static_cast<uint32_t>(m_entries.size()));
    for (const auto& d : m_entries) {
        const size_t rec = w.pos();
        w.text(d.first, kDomainMax + 1);
        w.putAt<uint64_t>(rec + kOffRecValue, d.second.value);
        w.putAt<uint32_t>(rec + kOffRecUuidCount, static_cast<uint32_t>(d.second.uuids.size()));
        w.putAt<uint32_t>(rec + kOffRecValueWord, d.second.valueWord);
        for (const KestFWUuid& u : d.second.uuids) w.bytes(u.data(), u.size());
    }
    if (!w.ok()) return false;
    if (written != nullptr) *written = need;
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

namespace {
typedef CommandHandles<CKestFWCmdModifyDomainUuidMap> ModifyHandles;

std::set<KestFWUuid> uuidSet(const FWuuid_* uuids, unsigned int count) {
    std::set<KestFWUuid> out;
    for (unsigned int i = 0; i < count; ++i) {
        KestFWUuid u;
        memcpy(u.data(), uuids[i].bytes, u.size());
        out.insert(u);
    }
    return out;
}
}  // namespace

FWStatus_t FW_CreateDomainUuidModifyCmd(fwlibhandle_* handle, dvs_port_* port, int remove, void** cmd) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(cmd != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        std::unique_ptr<CKestFWCmdModifyDomainUuidMap> c(new CKestFWCmdModifyDomainUuidMap(port, remove != 0));
        ModifyHandles::add(c.get());
        *cmd = c.release();
        return 0;
    });
}

FWStatus_t FW_AddDomainUuidEntry(void* cmd, const char* domain, const FWuuid_* uuids, unsigned int count,
                                 uint64_t value, uint32_t valueWord) {
    KFW_API_ENTER();
    CKestFWCmdModifyDomainUuidMap* c = ModifyHandles::find(cmd);
    KFW_API_REQUIRE(c != nullptr && domain != nullptr && (count == 0 || uuids != nullptr));
    KFW_API_RUN([&]() -> FWStatus_t {
        c->addDomainUuidEntry(domain, uuidSet(uuids, count), value, valueWord);
        return 0;
    });
}

FWStatus_t FW_ExecuteDomainUuidModifyCmd(fwlibhandle_* handle, void* ctx, void** reply, void* cmd) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(cmd != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t { return ModifyHandles::execute(handle, ctx, reply, cmd); });
}

FWStatus_t FW_ReleaseDomainUuidModifyCmd(fwlibhandle_* handle, void*, void* cmd) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(cmd != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t { return ModifyHandles::release(handle, cmd); });
}

FWStatus_t FW_AddDomainAndUuids(fwlibhandle_* handle, dvs_port_* port, void* ctx, const char* domain,
                                const FWuuid_* uuids, unsigned int count) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(domain != nullptr && (count == 0 || uuids != nullptr));
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdModifyDomainUuidMap c(port, false);
        c.addDomainUuidEntry(domain, uuidSet(uuids, count), 0, 0);
        return kfwExecuteCommand(c, handle, ctx);
    });
}
