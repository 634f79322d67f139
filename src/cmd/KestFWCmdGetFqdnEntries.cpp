#include "cmd/KestFWCmdGetFqdnEntries.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdIdentityBody.h"
#include "kestfw/kestfw_identity.h"
#include "util/ByteIO.h"

namespace KestFirewall {

CKestFWCmdGetFqdnEntries::CKestFWCmdGetFqdnEntries(dvs_port_* port, const in_addr& address, unsigned int number)
    : CKestFWCmd(port), m_family(1), m_number(number) {
    memcpy(m_address, &address, sizeof address);
}

CKestFWCmdGetFqdnEntries::CKestFWCmdGetFqdnEntries(dvs_port_* port, const in6_addr& address, unsigned int number)
    : CKestFWCmd(port), m_family(2), m_number(number) {
    memcpy(m_address, &address, sizeof address);
}

bool CKestFWCmdGetFqdnEntries::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!IdentityBody::begin(body, avail, kBodySize)) return false;
    ByteWriter w(writable(body), kBodySize);
    w.putAt<uint16_t>(kOffFamily, m_family);
    w.seek(kOffAddress);
    w.bytes(m_address, m_family == 1 ? 4 : 16);
    w.putAt<uint32_t>(kOffNumber, m_number);
    if (written != nullptr) *written = kBodySize;
    return w.ok();
}

void CKestFWCmdGetFqdnEntries::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t domains = r.getAt<uint32_t>(kOffDomainCount);
    const uint32_t uuids = r.getAt<uint32_t>(kOffUuidCount);
    if (!r.ok()) return;
    m_domains = domains;
    m_uuids = uuids;
    CKestFWReport report;
    report.line("domain count : %u, uuid count : %u\n", domains, uuids);
}

}  // namespace KestFirewall

using namespace KestFirewall;

namespace {
FWStatus_t getFqdnEntry(CKestFWCmdGetFqdnEntries& c, fwlibhandle_* handle, void* ctx, FWFqdnEntryCount_* out) {
    return kfwExecuteCommand(c, handle, ctx, [&](ByteReader&) {
        out->domainCount = c.getDomainCount();
        out->uuidCount = c.getUuidCount();
    });
}
}  // namespace

FWStatus_t FW_GetFqdnEntryV4(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                             const struct in_addr* address, FWFqdnEntryCount_* out) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != 0 && address != nullptr && out != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetFqdnEntries c(port, *address, count);
        return getFqdnEntry(c, handle, ctx, out);
    });
}

FWStatus_t FW_GetFqdnEntryV6(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                             const struct in6_addr* address, FWFqdnEntryCount_* out) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != 0 && address != nullptr && out != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetFqdnEntries c(port, *address, count);
        return getFqdnEntry(c, handle, ctx, out);
    });
}
