#include "cmd/KestFWCmdCreateIpRepChunk.h"

#include <cstring>

#include "cmd/KestFWCmdAddrSetBody.h"
#include "base/KestFWException.h"

namespace KestFirewall {

CKestFWCmdCreateIpRepChunk::CKestFWCmdCreateIpRepChunk(dvs_port_* port, const unsigned char* databaseId16,
                                                       CKestFWIpRepChunkList* list, int chunk)
    : CKestFWCmd(port), m_chunk(chunk), m_list(list) {
    if (databaseId16 != nullptr)
        memcpy(m_databaseId, databaseId16, sizeof m_databaseId);
    else
        memset(m_databaseId, 0, sizeof m_databaseId);
}

CKestFWCmdCreateIpRepChunk::~CKestFWCmdCreateIpRepChunk() = default;

unsigned int CKestFWCmdCreateIpRepChunk::getMsgSize() const {
    // At most 0x0FFFFFFF entries, so the sum cannot wrap.
    return AddrSetBody::kChunkHeadSize + (m_list ? m_list->getMsgSize() : 0);
}

std::string CKestFWCmdCreateIpRepChunk::toString() const { return "create iprep chunk "; }

bool CKestFWCmdCreateIpRepChunk::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                              unsigned int) {
    const unsigned int size = getMsgSize();
    if (body == nullptr || size > avail) return false;
    const unsigned int head = AddrSetBody::kChunkHeadSize;
    unsigned int used = 0;
    if (m_list && !m_list->toMessage(writable(body) + head, avail - head, &used)) return false;
    ByteWriter w(writable(body), head);
    AddrSetBody::writeChunkHead(w, static_cast<uint32_t>(m_chunk), used / FW_IPREP_ENTRY_SIZE, m_databaseId);
    if (!w.ok()) return false;
    if (written != nullptr) *written = head + used;
    return true;
}

}  // namespace KestFirewall
