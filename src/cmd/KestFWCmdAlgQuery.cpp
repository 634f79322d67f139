#include "cmd/KestFWCmdAlgQuery.h"

#include <cstring>

#include "base/KestFWException.h"
#include "base/KestFWReport.h"
#include "util/ByteIO.h"

namespace KestFirewall {

namespace {
// A room the message could never carry is refused before anything is sent.
constexpr unsigned int kMaxRoom = 64u << 20;
}  // namespace

unsigned int CKestFWCmdAlgQuery::getMsgSize() const {
    if (m_room > kMaxRoom) throw CIntegerOverflowException("alg room too large: ", m_room);
    return kHeaderSize + m_room;
}

bool CKestFWCmdAlgQuery::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    if (!zeroBody(body, avail, getMsgSize(), written)) return false;
    ByteWriter w(writable(body), kHeaderSize);
    w.u32(m_room);
    w.u32(m_count);
    return true;
}

void CKestFWCmdAlgQuery::checkCmdReply(const void* body, unsigned int size) {
    ByteReader r(body, size);
    uint32_t n = r.getAt<uint32_t>(kOffCount);
    if (!r.ok()) return;
    CKestFWReport report;
    report.line(m_label, n);
}

unsigned int CKestFWCmdAlgQuery::copyRecords(ByteReader& reply, void* out, unsigned int max) const {
    uint32_t n = reply.getAt<uint32_t>(kOffCount);
    if (!reply.ok()) throw CInsufficientMsgBufException(kHeaderSize, static_cast<unsigned>(reply.size()));
    size_t fits = (reply.size() - kOffRecords) / m_recordSize;
    size_t roomFits = m_room / m_recordSize;
    size_t take = n;
    if (take > max) take = max;
    if (take > fits) take = fits;
    if (take > roomFits) take = roomFits;
    if (take != 0 && out != nullptr) {
        const uint8_t* p = reply.view(take * m_recordSize);
        if (p == nullptr) return 0;
        memcpy(out, p, take * m_recordSize);
    }
    return out != nullptr ? static_cast<unsigned int>(take) : 0;
}

}  // namespace KestFirewall
