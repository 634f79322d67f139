#include "cmd/KestFWCmdGetDomainUuidMap.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/KestFWApi.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdHandles.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "kestfw/kestfw_identity.h"
#include "util/ByteIO.h"

namespace KestFirewall {

typedef CKestFWCmdModifyDomainUuidMap Rec;

CKestFWCmdGetDomainUuidMap::CKestFWCmdGetDomainUuidMap(dvs_port_* port, uint8_t operation, uint8_t flag,
                                                       unsigned int room, uint32_t first, uint32_t second)
    : CKestFWCmd(port), m_operation(operation), m_flag(flag), m_room(room), m_first(first), m_second(second) {
    IdentityBody::sized("domain uuid room too large", kHeadSize, room, 1);
}

std::string CKestFWCmdGetDomainUuidMap::toString() const {
    return std::string(m_operation == kOpFetch ? "get " : "getsize ") + "domainuuid ";
}

bool CKestFWCmdGetDomainUuidMap::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                              unsigned int) {
    if (!IdentityBody::begin(body, avail, getMsgSize())) return false;
    ByteWriter w(writable(body), getMsgSize());
    w.u8(m_operation);
    w.u8(m_flag);
    w.u32(m_first);
    w.u32(m_second);
    w.u32(m_room);
    if (written != nullptr) *written = getMsgSize();
    return w.ok();
}

void CKestFWCmdGetDomainUuidMap::checkCmdReply(const void* body, unsigned int size) {
    m_entries.clear();
    if (m_operation != kOpFetch || size < kHeadSize) return;
    ByteReader r(body, size);
    const uint32_t count = r.getAt<uint32_t>(kOffCount);
    std::vector<DomainUUIDEntry> entries;
    size_t pos = kHeadSize;
    for (uint32_t i = 0; i < count; ++i) {
        DomainUUIDEntry e;
        r.seek(pos);
        e.domain = r.text(Rec::kDomainMax + 1);
        e.flag = r.getAt<uint8_t>(pos + Rec::kOffRecFlag);
        e.info = r.getAt<uint64_t>(pos + Rec::kOffRecInfo);
        e.infoWord = r.getAt<uint32_t>(pos + Rec::kOffRecInfoWord);
        e.value = r.getAt<uint64_t>(pos + Rec::kOffRecValue);
        const uint32_t uuids = r.getAt<uint32_t>(pos + Rec::kOffRecUuidCount);
        e.valueWord = r.getAt<uint32_t>(pos + Rec::kOffRecValueWord);
        if (!r.ok() || uuids > r.remaining() / Rec::kUuidSize) {
            KFW_ERROR("domain uuid record %u runs past the reply of %u bytes\n", i, size);
            throw CInvalidInputDataException("malformed domain uuid reply");
        }
        for (uint32_t k = 0; k < uuids; ++k) {
            KestFWUuid u;
            r.bytes(u.data(), u.size());
            e.uuids.insert(u);
        }
        pos = r.pos();
        entries.push_back(std::move(e));
    }
    m_entries.swap(entries);
}

bool CKestFWCmdGetDomainUuidMap::getDomainUuidEntry(unsigned int index, DomainUUIDEntry* entry) const {
    if (entry == nullptr || index >= m_entries.size()) return false;
    *entry = m_entries[index];
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

namespace {
typedef CommandHandles<CKestFWCmdGetDomainUuidMap> GetHandles;
}

FWStatus_t FW_CreateGetDomainUuidCmd(fwlibhandle_* handle, dvs_port_* port, uint8_t operation, uint8_t flag,
                                     unsigned int room, uint32_t first, uint32_t second, void** cmd) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(cmd != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        std::unique_ptr<CKestFWCmdGetDomainUuidMap> c(
            new CKestFWCmdGetDomainUuidMap(port, operation, flag, room, first, second));
        GetHandles::add(c.get());
        *cmd = c.release();
        return 0;
    });
}

FWStatus_t FW_ExecuteGetDomainUuidCmd(fwlibhandle_* handle, void* ctx, void** reply, void* cmd) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(cmd != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t { return GetHandles::execute(handle, ctx, reply, cmd); });
}

FWStatus_t FW_ReleaseGetDomainUuidMapCmd(fwlibhandle_* handle, void*, void* cmd) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(cmd != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t { return GetHandles::release(handle, cmd); });
}

FWStatus_t FW_GetDomainUuidNumAndSize(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* count,
                                      unsigned int* size) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != nullptr && size != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetDomainUuidMap c(port, 0, 0, 0, 0, 0);
        return kfwExecuteCommand(c, handle, ctx, [&](ByteReader& reply) {
            const uint32_t n = reply.getAt<uint32_t>(CKestFWCmdGetDomainUuidMap::kOffCount);
            const uint32_t bytes = reply.getAt<uint32_t>(CKestFWCmdGetDomainUuidMap::kOffRoom);
            if (!reply.ok()) throw CInvalidInputDataException("short domain uuid size reply");
            *count = n;
            *size = bytes;
        });
    });
}

FWStatus_t FW_GetDomainUuidEntry(void* cmd, unsigned int index, FWDomainUuidEntry_* entry, FWuuid_* uuids,
                                 unsigned int maxUuids) {
    KFW_API_ENTER();
    CKestFWCmdGetDomainUuidMap* c = GetHandles::find(cmd);
    KFW_API_REQUIRE(c != nullptr && entry != nullptr && (maxUuids == 0 || uuids != nullptr));
    KFW_API_RUN([&]() -> FWStatus_t {
        DomainUUIDEntry e;
        if (!c->getDomainUuidEntry(index, &e)) return 3;
        memset(entry, 0, sizeof *entry);
        memcpy(entry->domain, e.domain.data(), std::min(e.domain.size(), sizeof entry->domain - 1));
        entry->flag = e.flag;
        entry->info = e.info;
        entry->infoWord = e.infoWord;
        entry->value = e.value;
        entry->valueWord = e.valueWord;
        entry->uuidCount = static_cast<uint32_t>(e.uuids.size());
        unsigned int i = 0;
        for (const KestFWUuid& u : e.uuids) {
            if (i == maxUuids) break;
            memcpy(uuids[i++].bytes, u.data(), u.size());
        }
        return 0;
    });
}
