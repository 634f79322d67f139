// Reads the kernel's domain-to-UUID map: operation 3 fetches the domain records into the room the
// command reserves, any other operation asks only for their number and size.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "cmd/KestFWCmd.h"
#include "cmd/KestFWCmdModifyDomainUuidMap.h"

namespace KestFirewall {

// One domain as the kernel reported it; the values are the kernel's and are carried unchanged.
struct DomainUUIDEntry {
    std::string domain;
    uint8_t flag = 0;
    uint64_t info = 0;
    uint32_t infoWord = 0;
    uint64_t value = 0;
    uint32_t valueWord = 0;
    std::set<KestFWUuid> uuids;
};

class KESTFW_API CKestFWCmdGetDomainUuidMap : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdGetDomainUuidMap)

public:
    static constexpr unsigned int kHeadSize = 18;
    static constexpr uint8_t kOpFetch = 3;
    static constexpr unsigned int kOffFlag = 1;
    static constexpr unsigned int kOffFirst = 2;
    static constexpr unsigned int kOffSecond = 6;
    static constexpr unsigned int kOffRoom = 10;
    static constexpr unsigned int kOffCount = 14;

    CKestFWCmdGetDomainUuidMap(dvs_port_* port, uint8_t operation, uint8_t flag, unsigned int room, uint32_t first,
                               uint32_t second);
    ~CKestFWCmdGetDomainUuidMap() override = default;

    unsigned int getMsgSize() const override { return kHeadSize + m_room; }
    // "get domainuuid " or "getsize domainuuid ".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;
    // Keeps the records of a fetch; a record running past the reply is refused (4) and none is kept.
    void checkCmdReply(const void* body, unsigned int size) override;

    unsigned int getCount() const { return static_cast<unsigned int>(m_entries.size()); }
    bool getDomainUuidEntry(unsigned int index, DomainUUIDEntry* entry) const;

private:
    uint8_t m_operation;
    uint8_t m_flag;
    unsigned int m_room;
    uint32_t m_first;
    uint32_t m_second;
    std::vector<DomainUUIDEntry> m_entries;
};

}  // namespace KestFirewall
