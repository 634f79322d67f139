// Identity and name mappings against a simulated module: the lent command handles (created, executed
// any number of times, released exactly once), and every mapping loaded, read back, replaced and read
// again on the daemon's module by both roads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdCreateContainer.h"
#include "model/KestFWL7Attribute.h"
#include "support/AddressMakers.h"
#include "support/DaemonRoads.h"
#include "support/FdCount.h"
#include "support/SetSamples.h"
#include "support/SimHandle.h"
#include "support/Wire.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

FWuuid_ uuidOf(uint8_t first) {
    FWuuid_ u;
    for (int i = 0; i < 16; ++i) u.bytes[i] = uint8_t(first + i);
    return u;
}

// The three families of lent command handles, each with a way to fill its command.
struct HandleFamily {
    const char* name;
    std::function<FWStatus_t(fwlibhandle_*, void**)> create;
    std::function<FWStatus_t(void*)> fill;
    FWStatus_t (*execute)(fwlibhandle_*, void*, void**, void*);
    FWStatus_t (*release)(fwlibhandle_*, void*, void*);
};
void PrintTo(const HandleFamily& f, std::ostream* os) { *os << f.name; }

const FWuuid_ kUuids[2] = {uuidOf(1), uuidOf(0x40)};

const HandleFamily kFamilies[] = {
    {"domain uuid modify", [](fwlibhandle_* h, void** c) { return FW_CreateDomainUuidModifyCmd(h, nullptr, 0, c); },
     [](void* c) { return FW_AddDomainUuidEntry(c, "a.io", kUuids, 2, 1, 2); }, FW_ExecuteDomainUuidModifyCmd,
     FW_ReleaseDomainUuidModifyCmd},
    {"domain uuid get",
     [](fwlibhandle_* h, void** c) { return FW_CreateGetDomainUuidCmd(h, nullptr, 3, 0, 4096, 0, 0, c); },
     [](void*) { return FWStatus_t(0); }, FW_ExecuteGetDomainUuidCmd, FW_ReleaseGetDomainUuidMapCmd},
    {"domain to addresses", [](fwlibhandle_* h, void** c) { return FW_CreateDomain2IPHandle(h, nullptr, "a.io", c); },
     [](void* c) {
         const FWAddress_ one = ipv4Host(1);
         return FW_AddIPAddress(c, &one, 30);
     },
     FW_SetDomain2IP, FW_ReleaseDomain2IPHandle},
};

class LentHandle : public SimTest, public ::testing::WithParamInterface<HandleFamily> {};

TEST_P(LentHandle, SurvivesRepeatedExecutionAndIsReleasedOnce) {
    const HandleFamily& f = GetParam();
    void* cmd = nullptr;
    ASSERT_EQ(f.create(handle, &cmd), 0u);
    ASSERT_NE(cmd, nullptr);
    EXPECT_EQ(kestsim_ioctl_count(), 0u) << "creating sends nothing";
    ASSERT_EQ(f.fill(cmd), 0u);
    EXPECT_EQ(f.execute(handle, nullptr, nullptr, cmd), 0u);
    void* reply = nullptr;
    EXPECT_EQ(f.execute(handle, nullptr, &reply, cmd), 0u);
    EXPECT_NE(reply, nullptr);
    EXPECT_EQ(f.execute(handle, nullptr, &reply, cmd), 0u) << "the reply still out is given back first";
    EXPECT_EQ(kestsim_ioctl_count(), 3u);
    EXPECT_EQ(f.release(handle, reply, cmd), 0u);
    EXPECT_EQ(f.release(handle, nullptr, cmd), 3u) << "released twice";
    EXPECT_EQ(f.execute(handle, nullptr, nullptr, cmd), 3u) << "executed after release";
    EXPECT_EQ(kestsim_ioctl_count(), 3u);
}

TEST_P(LentHandle, NullAndFailedCreatesAreRefusedWithoutSending) {
    const HandleFamily& f = GetParam();
    EXPECT_EQ(f.release(handle, nullptr, nullptr), 3u);
    void* cmd = nullptr;
    EXPECT_EQ(f.create(nullptr, &cmd), 2u);
    EXPECT_EQ(f.create(handle, nullptr), 3u);
    EXPECT_EQ(cmd, nullptr);
    EXPECT_EQ(f.execute(handle, nullptr, nullptr, cmd), 3u);
    EXPECT_EQ(f.execute(nullptr, nullptr, nullptr, cmd), 2u);
    int foreign = 0;
    EXPECT_EQ(f.execute(handle, nullptr, nullptr, &foreign), 3u) << "never created";
    EXPECT_EQ(f.release(handle, nullptr, &foreign), 3u);
    EXPECT_EQ(kestsim_ioctl_count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Families, LentHandle, ::testing::ValuesIn(kFamilies));

TEST_F(SimTest, HandleOfOneFamilyIsRefusedByAnother) {
    void* modify = nullptr;
    ASSERT_EQ(FW_CreateDomainUuidModifyCmd(handle, nullptr, 0, &modify), 0u);
    EXPECT_EQ(FW_SetDomain2IP(handle, nullptr, nullptr, modify), 3u);
    EXPECT_EQ(FW_ReleaseGetDomainUuidMapCmd(handle, nullptr, modify), 3u);
    EXPECT_EQ(FW_GetDomainUuidEntry(modify, 0, nullptr, nullptr, 0), 3u);
    EXPECT_EQ(FW_ReleaseDomainUuidModifyCmd(handle, nullptr, modify), 0u);
}

TEST_F(SimTest, DomainUuidReadsPageThroughTheRoomGiven) {
    ASSERT_EQ(FW_AddDomainAndUuids(handle, nullptr, nullptr, "b.io", kUuids, 2), 0u);
    ASSERT_EQ(FW_AddDomainAndUuids(handle, nullptr, nullptr, "a.io", kUuids, 1), 0u);
    unsigned count = 0, size = 0;
    ASSERT_EQ(FW_GetDomainUuidNumAndSize(handle, nullptr, nullptr, &count, &size), 0u);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(size, 2 * 284u + 3 * 16);
    void* get = nullptr;
    ASSERT_EQ(FW_CreateGetDomainUuidCmd(handle, nullptr, 3, 0, 284 + 16, 0, 0, &get), 0u);
    ASSERT_EQ(FW_ExecuteGetDomainUuidCmd(handle, nullptr, nullptr, get), 0u);
    FWDomainUuidEntry_ e;
    FWuuid_ got[2];
    ASSERT_EQ(FW_GetDomainUuidEntry(get, 0, &e, got, 2), 0u);
    EXPECT_STREQ(e.domain, "a.io");
    EXPECT_EQ(e.uuidCount, 1u);
    EXPECT_EQ(FW_GetDomainUuidEntry(get, 1, &e, got, 2), 3u) << "only one record fit the room";
    EXPECT_EQ(FW_ReleaseGetDomainUuidMapCmd(handle, nullptr, get), 0u);
}

// ---- Exported functions that refuse before sending -------------------------------------------------------

struct Refusal {
    const char* name;
    std::function<FWStatus_t(fwlibhandle_*)> call;
    FWStatus_t status;
};
void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

std::string sidParts(unsigned n) {
    std::string s = "S-1-5";
    for (unsigned i = 0; i < n; ++i) s += "-" + std::to_string(i + 1);
    return s;
}

class IdentityRefusal : public SimTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(IdentityRefusal, SendsNothing) {
    EXPECT_EQ(GetParam().call(handle), GetParam().status);
    EXPECT_EQ(kestsim_ioctl_count(), 0u);
}

const Refusal kRefusals[] = {
    {"user SID of 16 parts",
     [](fwlibhandle_* h) { return FW_AddAttrUid2MultiSid(h, nullptr, 0, sidParts(16).c_str(), nullptr, 0, 0); }, 3},
    {"group SID of 16 parts",
     [](fwlibhandle_* h) {
         const std::string g = sidParts(16);
         const char* groups[1] = {g.c_str()};
         return FW_AddAttrUid2MultiSid(h, nullptr, 0, sidParts(15).c_str(), groups, 1, 0);
     },
     3},
    {"container id filling its whole field",
     [](fwlibhandle_* h) {
         FWAddrSetID_t id;
         memset(id.name, 'c', sizeof id.name);
         char* out[1];
         unsigned n = 0;
         return FW_GetElementsOfContainer(h, nullptr, nullptr, 1, 0, out, &n, id);
     },
     69},
    {"domain uuid entry without domain",
     [](fwlibhandle_* h) { return FW_AddDomainAndUuids(h, nullptr, nullptr, nullptr, nullptr, 0); }, 3},
    {"addresses without their ttls",
     [](fwlibhandle_* h) {
         const FWAddress_ one = ipv4Host(1);
         return FW_SetDomain2IPMap(h, nullptr, nullptr, "a.io", &one, nullptr, 1);
     },
     3},
    {"domain address of an unknown kind",
     [](fwlibhandle_* h) {
         const FWAddress_ bad = addrRecord(10, {});
         const unsigned ttl = 1;
         return FW_SetDomain2IPMap(h, nullptr, nullptr, "a.io", &bad, &ttl, 1);
     },
     33},
    {"fqdn entries of no count",
     [](fwlibhandle_* h) {
         const in_addr a = v4("10.0.0.1");
         FWFqdnEntryCount_ c;
         return FW_GetFqdnEntryV4(h, nullptr, nullptr, 0, &a, &c);
     },
     3},
    {"user map page of no users", [](fwlibhandle_* h) { return FW_GetUid2SidMap(h, nullptr, 0, 0); }, 3},
    {"no lib handle", [](fwlibhandle_*) { return FW_GetDnsConfigProfile(nullptr, nullptr); }, 2},
};

INSTANTIATE_TEST_SUITE_P(Cases, IdentityRefusal, ::testing::ValuesIn(kRefusals));

// ---- Every mapping on the daemon's module, by either road ----------------------------------------------

class IdentityRoads : public DaemonRoadTest {
protected:
    std::vector<std::string> report(const std::function<FWStatus_t()>& f) {
        ReportCapture capture;
        EXPECT_EQ(f(), 0u);
        return ReportCapture::lines();
    }
    // The domains and the UUIDs of each, as the module answers a fetch.
    std::vector<std::string> domainUuids() {
        void* get = nullptr;
        EXPECT_EQ(FW_CreateGetDomainUuidCmd(handle, nullptr, 3, 0, 8192, 0, 0, &get), 0u);
        EXPECT_EQ(FW_ExecuteGetDomainUuidCmd(handle, nullptr, nullptr, get), 0u);
        std::vector<std::string> out;
        FWDomainUuidEntry_ e;
        FWuuid_ uuids[4];
        for (unsigned i = 0; FW_GetDomainUuidEntry(get, i, &e, uuids, 4) == 0; ++i) {
            std::string line = std::string(e.domain) + ":";
            for (unsigned k = 0; k < e.uuidCount && k < 4; ++k) line += " " + std::to_string(uuids[k].bytes[0]);
            out.push_back(line);
        }
        EXPECT_EQ(FW_ReleaseGetDomainUuidMapCmd(handle, nullptr, get), 0u);
        return out;
    }
    std::vector<std::string> profileElements() {
        char* texts[4] = {};
        unsigned n = 0;
        EXPECT_EQ(FW_GetElementsOfContainer(handle, nullptr, nullptr, 4, 0, texts, &n, setId("prof")), 0u);
        std::vector<std::string> out;
        for (unsigned i = 0; i < n; ++i) {
            out.push_back(texts[i]);
            free(texts[i]);
        }
        return out;
    }
    FWFqdnEntryCount_ fqdn(const char* address) {
        FWFqdnEntryCount_ c{99, 99};
        const in_addr a = v4(address);
        EXPECT_EQ(FW_GetFqdnEntryV4(handle, nullptr, nullptr, 1, &a, &c), 0u);
        return c;
    }
    void createProfile(long appId) {
        CKestFWCmdCreateContainer c(nullptr, "prof", FW_CONTAINER_ATTR_PROFILE);
        c.addElement(std::unique_ptr<CKestFWContainerElement>(new CKestFWL7Attribute(FW_ATTR_KEY_APP_ID, appId, 0)));
        expected = c.getContainer().getElements().begin()->get()->toString();
        ASSERT_EQ(kfwExecuteCommand(c, handle, nullptr), 0u);
    }
    std::string expected;
};

TEST_P(IdentityRoads, EveryMappingLoadsReadsBackAndIsReplaced) {
    // Load.
    createProfile(67);
    EXPECT_EQ(profileElements(), std::vector<std::string>{expected});
    const FWAddress_ addrs[2] = {ipv4Host(1), ipv4Host(2)};
    const unsigned ttls[2] = {60, 0};
    ASSERT_EQ(FW_SetDomain2IPMap(handle, nullptr, nullptr, "a.io", addrs, ttls, 2), 0u);
    ASSERT_EQ(FW_AddDomainAndUuids(handle, nullptr, nullptr, "a.io", kUuids, 2), 0u);
    const std::string user = "S-1-5-21-7-8-9-1001";
    const char* groups[2] = {"S-1-5-32-544", "S-1-5-32-545"};
    ASSERT_EQ(FW_AddAttrUid2MultiSid(handle, nullptr, FW_UID2SID_ADD, user.c_str(), groups, 2, 12), 0u);
    ASSERT_EQ(FW_SetDnsConfigProfile(handle, nullptr, 0, 30), 0u);

    // Read back.
    EXPECT_EQ(domainUuids(), (std::vector<std::string>{"a.io: 1 64"}));
    unsigned n = 0;
    ASSERT_EQ(FW_GetFqdnCount(handle, nullptr, nullptr, &n), 0u);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(fqdn("10.0.0.2").domainCount, 1u);
    EXPECT_EQ(fqdn("10.0.0.2").uuidCount, 2u);
    EXPECT_EQ(
        report([&] { return FW_GetUid2SidMap(handle, nullptr, 0, 4); }),
        (std::vector<std::string>{"User ID : " + user + "\n", "Status : Active\n", "NoConn : 0\n", "CorrID : 12\n",
                                  "{\n", "    SID : S-1-5-32-544\n", "    SID : S-1-5-32-545\n", "}\n"}));
    unsigned size = 0, entries = 0;
    ASSERT_EQ(FW_GetUid2SidMapSize(handle, nullptr, &size, &entries), 0u);
    EXPECT_EQ(entries, 1u);
    EXPECT_EQ(size, 92u + 2 * 72);
    EXPECT_EQ(report([&] { return FW_GetDnsConfigProfile(handle, nullptr); }),
              std::vector<std::string>{"Time To Live Value : 30 secs\n"});

    // Replace.
    createProfile(80);
    ASSERT_EQ(FW_SetDomain2IPMap(handle, nullptr, nullptr, "a.io", &addrs[0], ttls, 1), 0u);
    ASSERT_EQ(FW_AddDomainAndUuids(handle, nullptr, nullptr, "a.io", &kUuids[1], 1), 0u);
    ASSERT_EQ(FW_AddAttrUid2MultiSid(handle, nullptr, FW_UID2SID_ADD, user.c_str(), groups, 1, 13), 0u);
    ASSERT_EQ(FW_SetDnsConfigProfile(handle, nullptr, FW_DNS_TTL_INFINITE, 0), 0u);

    // Read again.
    EXPECT_EQ(profileElements(), std::vector<std::string>{expected});
    EXPECT_EQ(domainUuids(), (std::vector<std::string>{"a.io: 64"}));
    EXPECT_EQ(fqdn("10.0.0.2").domainCount, 0u);
    EXPECT_EQ(fqdn("10.0.0.1").uuidCount, 1u);
    EXPECT_EQ(report([&] { return FW_GetUid2SidMap(handle, nullptr, 0, 4); }).size(), 7u);
    EXPECT_EQ(report([&] { return FW_GetDnsConfigProfile(handle, nullptr); }),
              std::vector<std::string>{"Time To Live Value : Infinite\n"});

    // Remove.
    ASSERT_EQ(FW_AddAttrUid2MultiSid(handle, nullptr, FW_UID2SID_DEL, user.c_str(), nullptr, 0, 0), 0u);
    EXPECT_EQ(FW_AddAttrUid2MultiSid(handle, nullptr, FW_UID2SID_DEL, user.c_str(), nullptr, 0, 0), 70u);
    unsigned result = 0;
    ASSERT_EQ(FW_DeleteFqdnTree(handle, nullptr, nullptr, &result), 0u);
    EXPECT_EQ(result, 1u) << "the domains dropped";
    ASSERT_EQ(FW_GetFqdnCount(handle, nullptr, nullptr, &n), 0u);
    EXPECT_EQ(n, 0u);
}

INSTANTIATE_TEST_SUITE_P(Roads, IdentityRoads, ::testing::Values(Road::Device, Road::Socket), roadName);

}  // namespace
