#include "model/KestFWIpRepChunkList.h"

#include <cstdlib>
#include <cstring>

#include "base/KestFWException.h"

namespace KestFirewall {

CKestFWIpRepChunkList::CKestFWIpRepChunkList(const unsigned char* databaseId16, int bucket, bool borrowed, int count,
                                             fw_iprep_entry_* entries)
    : m_bucket(bucket), m_borrowed(borrowed), m_entries(entries), m_count(entries != nullptr ? count : 0) {
    if (databaseId16 != nullptr)
        memcpy(m_databaseId, databaseId16, sizeof m_databaseId);
    else
        memset(m_databaseId, 0, sizeof m_databaseId);
}

CKestFWIpRepChunkList::~CKestFWIpRepChunkList() {
    if (!m_borrowed) free(m_entries);
}

unsigned int CKestFWIpRepChunkList::getMsgSize() const {
    // A negative count reads as a huge one and is refused with it.
    unsigned int n = static_cast<unsigned int>(m_count);
    if (n > kMaxEntries) throw CIntegerOverflowException("too many chunks", n);
    return n * FW_IPREP_ENTRY_SIZE;
}

bool CKestFWIpRepChunkList::toMessage(const void* buf, unsigned int size, unsigned int* written) const {
    unsigned int need = getMsgSize();
    if (need > size || (need != 0 && buf == nullptr)) return false;
    if (need != 0) memcpy(const_cast<void*>(buf), m_entries, need);
    if (written != nullptr) *written = need;
    return true;
}

std::string CKestFWIpRepChunkList::toString() const {
    std::string s = "{idbucket " + std::to_string(m_bucket) + "chunk";
    for (int i = 0; i < m_count; ++i) {
        const fw_iprep_entry_& e = m_entries[i];
        if (i != 0) s += ", ";
        s += "ip: " + std::to_string(e.ip) + "mask: " + std::to_string(unsigned(e.mask_len)) +
             "threat mask: " + std::to_string(e.threat_mask) + "reputation: " + std::to_string(e.reputation);
    }
    return s + "}";
}

}  // namespace KestFirewall
