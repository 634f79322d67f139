// What the module keeps per filter for identity-aware and domain-aware rules: attribute containers,
// the domain-to-address and domain-to-UUID maps, the user-to-SID map and the DNS caching profile.
// Records are kept as they arrived so reads hand back exactly what was loaded.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace KestSim {

namespace IdentityOpcode {
constexpr uint16_t kGetElementsOfContainer = 53;
constexpr uint16_t kDeleteFqdnTree = 67;
constexpr uint16_t kGetFqdnCount = 68;
constexpr uint16_t kGetFqdnEntries = 69;
constexpr uint16_t kGetUuid = 70;
constexpr uint16_t kModifyDomainUuidMap = 71;
constexpr uint16_t kGetDomainUuidMap = 72;
constexpr uint16_t kCreateContainer = 75;
constexpr uint16_t kAddDomain2IPMapping = 76;
constexpr uint16_t kSetUid2SidMapping = 80;
constexpr uint16_t kGetUid2SidMapping = 81;
constexpr uint16_t kGetUid2SidMappingSize = 82;
constexpr uint16_t kSetDnsConfigProfile = 83;
constexpr uint16_t kGetDnsConfigProfile = 84;
}  // namespace IdentityOpcode

namespace IdentityStatus {
constexpr uint32_t kInvalidContainerName = 69;
constexpr uint32_t kNoUid2SidMapping = 70;
}  // namespace IdentityStatus

struct SimContainer {
    uint32_t type = 0;
    uint32_t count = 0;
    std::vector<uint8_t> elements;  // the element area of the chain, headers included
    uint32_t generation = 0;
};

typedef std::array<uint8_t, 16> SimUuid;

struct SimDomainUuids {
    std::set<SimUuid> uuids;
    uint64_t value = 0;
    uint32_t valueWord = 0;
    uint32_t generation = 0;
};

// One address of a domain: the time-to-live of its answer and its 144-byte record.
typedef std::pair<uint32_t, std::vector<uint8_t>> SimDomainAddress;

struct SimUserSids {
    std::vector<uint8_t> groups;  // 72 bytes per group SID
    uint32_t value = 0;
};

struct SimDnsProfile {
    uint8_t mode = 2;  // automatic until set
    uint32_t ttl = 0;
    std::vector<uint8_t> servers;  // 144-byte address records
};

struct IdentityState {
    std::map<std::string, SimContainer> containers;
    std::map<std::string, std::vector<SimDomainAddress>> domainAddresses;
    std::map<std::string, SimDomainUuids> domainUuids;
    std::map<std::vector<uint8_t>, SimUserSids> userSids;  // by the user's 72-byte SID
    SimDnsProfile dns;
    uint32_t generation = 0;
};

}  // namespace KestSim
