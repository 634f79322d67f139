// The entries of one chunk of the IP-reputation database, as the kernel loads them: 16-byte entries
// copied verbatim. Not a firewall object of its own; the chunk commands carry it.
#pragma once

#include <cstdint>
#include <string>

#include "kestfw/kestfw_addrset.h"

namespace KestFirewall {

class KESTFW_API CKestFWIpRepChunkList {
public:
    // Copies the 16-byte database id (null: all zero). Unless borrowed, the list frees `entries` (made
    // with malloc by the caller) when destroyed. A null `entries` holds no entries whatever `count` says.
    CKestFWIpRepChunkList(const unsigned char* databaseId16, int bucket, bool borrowed, int count,
                          fw_iprep_entry_* entries);
    virtual ~CKestFWIpRepChunkList();
    CKestFWIpRepChunkList(const CKestFWIpRepChunkList&) = delete;
    CKestFWIpRepChunkList& operator=(const CKestFWIpRepChunkList&) = delete;

    // 16 bytes per entry; more than 0x0FFFFFFF entries raise CIntegerOverflowException.
    unsigned int getMsgSize() const;
    // The entries as they are; false, writing nothing, when they do not fit in `size` bytes.
    bool toMessage(const void* buf, unsigned int size, unsigned int* written) const;
    // "{idbucket <n>chunk" and each entry as "ip: <u>mask: <n>threat mask: <n>reputation: <n>", the
    // entries separated by ", ", then "}".
    std::string toString() const;

    int getCount() const { return m_count; }
    int getBucket() const { return m_bucket; }
    bool isBorrowed() const { return m_borrowed; }
    const uint8_t* getDatabaseId() const { return m_databaseId; }
    const fw_iprep_entry_* getEntries() const { return m_entries; }

    static constexpr unsigned int kMaxEntries = 0x0FFFFFFF;

private:
    uint8_t m_databaseId[FW_IPREP_DB_ID_SIZE];
    int m_bucket;
    bool m_borrowed;
    fw_iprep_entry_* m_entries;
    int m_count;
};

}  // namespace KestFirewall
