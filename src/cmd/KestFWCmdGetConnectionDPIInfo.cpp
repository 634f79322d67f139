#include "cmd/KestFWCmdGetConnectionDPIInfo.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"

namespace KestFirewall {

std::string CKestFWCmdGetConnectionDPIInfo::toString() const {
    std::string s = "get connection dpi info of { ";
    for (size_t i = 0; i < m_ids.size(); ++i) s += (i ? ", " : "") + std::to_string(m_ids[i]);
    return s;
}

bool CKestFWCmdGetConnectionDPIInfo::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                                  unsigned int) {
    const unsigned int size = getMsgSize();
    if (!zeroBody(body, avail, size, written)) return false;
    ByteWriter w(writable(body), size);
    w.u32(unsigned(m_ids.size()));
    w.u32(0);
    for (uint64_t id : m_ids) {
        w.u64(id);
        w.zeros(8);
    }
    return w.ok();
}

void CKestFWCmdGetConnectionDPIInfo::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    const uint32_t answered = r.getAt<uint32_t>(kOffAnswered);
    if (r.ok()) KFW_DEBUG(KFW_COMP_MISC, 1, "responded state count : %u\n", answered);
}

bool CKestFWCmdGetConnectionDPIInfo::addStateID(unsigned long id) {
    if (m_ids.size() > kMaxArray) return false;
    m_ids.push_back(id);
    return true;
}

bool CKestFWCmdGetConnectionDPIInfo::addStateID(unsigned long* ids, unsigned int count) {
    if (count > kMaxArray || (count != 0 && ids == nullptr)) return false;
    m_ids.insert(m_ids.end(), ids, ids + count);
    return true;
}

}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_GetConnectionDPIInfo(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int count,
                                   const uint64_t* stateIds, unsigned int capacity, FWConnDPIInfo_* out,
                                   unsigned int* answered) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(count != 0 && stateIds != nullptr && out != nullptr);
    KFW_API_REQUIRE(count == capacity && count <= CKestFWCmdGetConnectionDPIInfo::kMaxArray);
    KFW_API_RUN([&]() -> FWStatus_t {
        CKestFWCmdGetConnectionDPIInfo cmd(port);
        for (unsigned int i = 0; i < count; ++i) cmd.addStateID(static_cast<unsigned long>(stateIds[i]));
        return kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
            const uint32_t n = reply.getAt<uint32_t>(CKestFWCmdGetConnectionDPIInfo::kOffAnswered);
            std::vector<FWConnDPIInfo_> slots(count);
            for (FWConnDPIInfo_& s : slots) {
                s.state_id = reply.u64();
                reply.bytes(s.answer, sizeof s.answer);
            }
            if (!reply.ok())
                throw CInsufficientMsgBufException(
                    CKestFWCmdGetConnectionDPIInfo::kHeadSize + count * CKestFWCmdGetConnectionDPIInfo::kSlotSize,
                    unsigned(reply.size()));
            for (unsigned int i = 0; i < count; ++i) out[i] = slots[i];
            if (answered != nullptr) *answered = n;
        });
    });
}
