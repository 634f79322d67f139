// Adds domains with the VM UUIDs they belong to, or deletes domains, in the kernel's domain-to-UUID
// map. One command carries any number of domains; a domain named twice is one entry with the UUIDs
// of both.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "cmd/KestFWCmd.h"

namespace KestFirewall {

typedef std::array<uint8_t, 16> KestFWUuid;

class KESTFW_API CKestFWCmdModifyDomainUuidMap : public CKestFWCmd {
    KESTFW_CMD_IDENTITY(CKestFWCmdModifyDomainUuidMap)

public:
    static constexpr unsigned int kHeadSize = 5;
    static constexpr unsigned int kOffCount = 1;
    // One domain record; its UUIDs follow it.
    static constexpr unsigned int kRecordSize = 284;
    static constexpr unsigned int kDomainMax = 254;  // characters; the record keeps bytes 0 to 254
    static constexpr unsigned int kOffRecFlag = 255;
    static constexpr unsigned int kOffRecInfo = 256;
    static constexpr unsigned int kOffRecInfoWord = 264;
    static constexpr unsigned int kOffRecValue = 268;
    static constexpr unsigned int kOffRecUuidCount = 276;
    static constexpr unsigned int kOffRecValueWord = 280;
    static constexpr unsigned int kUuidSize = 16;

    struct Entry {
        std::set<KestFWUuid> uuids;
        uint64_t value = 0;
        uint32_t valueWord = 0;
    };

    CKestFWCmdModifyDomainUuidMap(dvs_port_* port, bool remove) : CKestFWCmd(port), m_remove(remove) {}
    ~CKestFWCmdModifyDomainUuidMap() override = default;

    unsigned int getMsgSize() const override;
    // "add domainuuid {a.com {<uuid>, <uuid>}, b.com {no uuids}}", "del domainuuid {no domain}".
    std::string toString() const override;
    bool writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int flags) override;

    // Adds the domain (cut to 254 characters), or merges the UUIDs into the entry it has; the entry
    // values are the latest given.
    void addDomainUuidEntry(const std::string& domain, const std::set<KestFWUuid>& uuids, uint64_t value,
                            uint32_t valueWord);
    // Drops the domain from the command; false when the command did not carry it.
    bool delDomainUuidEntry(const std::string& domain);
    static std::string trimDomain(const std::string& domain);

    bool isRemove() const { return m_remove; }
    const std::map<std::string, Entry>& getEntries() const { return m_entries; }

private:
    bool m_remove;
    std::map<std::string, Entry> m_entries;
};

}  // namespace KestFirewall
