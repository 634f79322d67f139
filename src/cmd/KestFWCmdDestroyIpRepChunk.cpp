#include "cmd/KestFWCmdDestroyIpRepChunk.h"

#include "cmd/KestFWCmdAddrSetBody.h"

namespace KestFirewall {

bool CKestFWCmdDestroyIpRepChunk::writeCmdBody(const void* body, unsigned int avail, unsigned int* written,
                                               unsigned int) {
    if (body == nullptr || avail < kBodySize) return false;
    ByteWriter w(writable(body), kBodySize);
    AddrSetBody::writeChunkHead(w, m_chunk, 0, nullptr);
    if (!w.ok()) return false;
    if (written != nullptr) *written = kBodySize;
    return true;
}

}  // namespace KestFirewall
