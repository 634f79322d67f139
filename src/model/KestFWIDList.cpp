#include "model/KestFWIDList.h"

#include "base/KestFWException.h"
#include "util/ByteIO.h"

namespace KestFirewall {

bool CKestFWIDList::addID(unsigned int id) {
    m_ids.insert(id);
    return true;
}

unsigned int CKestFWIDList::getMsgSize() const {
    // Four bytes per id must stay within 32 bits.
    if (m_ids.size() >= (size_t(1) << 30))
        throw CIntegerOverflowException("connection count overflows", static_cast<unsigned>(m_ids.size()));
    return static_cast<unsigned int>(m_ids.size() * 4);
}

bool CKestFWIDList::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    unsigned int need = getMsgSize();
    if (need > size) return false;
    ByteWriter w(const_cast<void*>(buf), need);
    for (unsigned int id : m_ids) w.u32(id);
    if (!w.ok()) return false;
    if (used != nullptr) *used = need;
    return true;
}

std::string CKestFWIDList::toString() const {
    std::string s = "{";
    bool first = true;
    for (unsigned int id : m_ids) {
        if (!first) s += ",";
        s += std::to_string(id);
        first = false;
    }
    return s + "}";
}

bool CKestFWIDList::operator<(const CKestFWIDList&) const {
    throw CUnsupportedException("compare two connection list");
}

}  // namespace KestFirewall
