#include "cmd/KestFWCmdIpRepLookup.h"

#include <cstring>

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "kestfw/kestfw_settings.h"

namespace KestFirewall {

bool CKestFWCmdIpRepLookup::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, kBodySize, written)) return false;
    ByteWriter(writable(body), kBodySize).putAt<uint32_t>(kOffAddress, m_address);
    return true;
}

void CKestFWCmdIpRepLookup::checkCmdReply(const void* body, unsigned int size) {
    if (body == nullptr || size < kBodySize) return;
    ByteReader r(body, size);
    bool found = r.getAt<uint8_t>(kOffFound) != 0;
    CKestFWReport report;
    report.line("ip:%u %s\n", m_address, found ? "found" : "not found");
    if (!found) return;
    uint32_t matched = r.getAt<uint32_t>(kOffMatched);
    uint32_t threat = r.getAt<uint32_t>(kOffThreatMask);
    uint32_t score = r.getAt<uint32_t>(kOffScore);
    unsigned int prefix = r.getAt<uint8_t>(kOffPrefix);
    report.line("ip:%u mask:%u threat_mask:%u score:%u", matched, prefix, threat, score);
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_LookIpRepDb(fwlibhandle_* handle, dvs_port_* port, uint32_t address, uint8_t* out) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(out != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdIpRepLookup cmd(port, address);
        return kfwExecuteCommand(cmd, handle, nullptr, [&](ByteReader& reply) {
            const uint8_t* p = reply.view(KESTFW_IPREP_LOOKUP_SIZE);
            if (p == nullptr)
                throw CInsufficientMsgBufException(KESTFW_IPREP_LOOKUP_SIZE, static_cast<unsigned>(reply.size()));
            memcpy(out, p, KESTFW_IPREP_LOOKUP_SIZE);
        });
    });
}
