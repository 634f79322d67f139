// Body shapes that several address-set and reputation-chunk commands share.
#pragma once

#include <cstdint>
#include <cstring>

#include "kestfw/kestfw_addrset.h"
#include "util/ByteIO.h"

namespace KestFirewall {
namespace AddrSetBody {

// Offset of the kernel's result word in the bodies that name one set.
constexpr unsigned int kOffResult = sizeof(FWAddrSetID_t);

// A zero-filled body of `size` bytes that starts with the set's name; the kernel answers with a
// result word behind the name. False, writing nothing, when `size` bytes are not available.
inline bool writeNamed(void* body, unsigned int avail, unsigned int size, const FWAddrSetID_t& id,
                       unsigned int* written) {
    if (body == nullptr || avail < size || size < sizeof id) return false;
    ByteWriter w(body, size);
    w.zeros(size);
    w.seek(0);
    w.bytes(id.name, sizeof id.name);
    if (written != nullptr) *written = size;
    return w.ok();
}

// The 24-byte head of the reputation-chunk bodies: chunk number, entry count, database id.
constexpr unsigned int kChunkHeadSize = 24;

inline void writeChunkHead(ByteWriter& w, uint32_t chunk, uint32_t entries, const uint8_t* databaseId) {
    w.u32(chunk);
    w.u32(entries);
    if (databaseId != nullptr)
        w.bytes(databaseId, FW_IPREP_DB_ID_SIZE);
    else
        w.zeros(FW_IPREP_DB_ID_SIZE);
}

}  // namespace AddrSetBody
}  // namespace KestFirewall
