// Address sets down to a simulated module: the example message and what the module holds, refusals that
// change nothing, reputation chunks, and the lifecycle on the daemon's module by both roads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdCreateAddrSet.h"
#include "cmd/KestFWCmdCreateIpRepChunk.h"
#include "cmd/KestFWCmdDestroyIpRepChunk.h"
#include "cmd/KestFWCmdList.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv6.h"
#include "support/DaemonRoads.h"
#include "support/FdCount.h"
#include "support/SetSamples.h"
#include "support/SimHandle.h"
#include "support/Wire.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

const FWAddress_ kIPv6One = addrRecord(2, {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
const FWAddress_ kMac = addrRecord(7, {0, 0x50, 0x56, 1, 2, 3});

// The member records this process's module holds for a set; empty when there is no such set.
Bytes held(const char* name) {
    int n = kestsim_addrset_members(nullptr, name, nullptr, 0);
    Bytes out(size_t(std::max(n, 0)) * KESTSIM_ADDRESS_SIZE);
    if (n > 0) kestsim_addrset_members(nullptr, name, out.data(), uint32_t(n));
    return out;
}

}  // namespace

TEST_F(SimTest, ExampleMessageAndWhatTheModuleHolds) {
    auto* list = new CKestFWAddressList(false);
    list->addAddress(new CKestFWAddressIPv4("10.0.0.1", false));
    list->addAddress(new CKestFWAddressIPv6("fe80::1", false));
    auto* cmd = new CKestFWCmdCreateAddrSet(nullptr, "web", FW_ADDRSET_IP, list);
    CKestFWCmdList cmds;
    cmds.addCmd(cmd);
    ASSERT_EQ(cmds.eval(handle, nullptr, nullptr), 0u);
    const Bytes m = simLastMessage();
    ASSERT_EQ(m.size(), 20u + 12 + 94 + 288);
    EXPECT_EQ(kestsim_ioctl_count(), 1u);
    EXPECT_EQ(le32(&m[20]), 94u + 288);
    EXPECT_EQ(m[24] | m[25] << 8, 13);
    EXPECT_EQ(m[32 + 58], 0x0B);
    EXPECT_EQ(kestsim_addrset_kind(nullptr, "web"), FW_ADDRSET_IP);
    const std::vector<FWAddress_> expected = {ipv4Host(1), kIPv6One};
    EXPECT_EQ(held("web"), bytesOf(expected));
    // The module named its change in the answer and said the set is complete: nothing is kept.
    EXPECT_EQ(le32(&simLastReply()[32 + 62]), 1u);
    EXPECT_EQ(Bytes(cmd->getTransactionId(), cmd->getTransactionId() + 16), Bytes(16, 0));
    EXPECT_EQ(cmd->getTransactionWord(), 0u);
    // The same records through the exported function: rebuilt by the list factory, no IPv6 flag.
    ASSERT_EQ(FW_CreateAddrSet(handle, nullptr, nullptr, FW_ADDRSET_IP, 2, expected.data(), setId("web2")), 0u);
    EXPECT_EQ(simLastMessage()[32 + 58], 0x03);
    EXPECT_EQ(held("web2"), bytesOf(expected));
}

// ---- Refusals: the module keeps MAC set "m" of one member and the caller's result word stays -----------

struct FailCase {
    const char* name;
    char op;  // c create, d destroy, l clear, a destroy all
    uint32_t kind;
    std::string set;
    uint32_t fault;  // a status the module answers with, every time
    FWStatus_t status;
    uint64_t sends;
};
void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }

class AddrSetFailure : public SimTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(AddrSetFailure, ReturnsItsStatusAndLeavesEverythingAlone) {
    const FailCase& c = GetParam();
    ASSERT_EQ(kestsim_seed_addrset(nullptr, "m", FW_ADDRSET_MAC, &kMac, 1), 0);
    if (c.fault != 0) kestsim_fault_status(c.fault, 100, -1);
    const FWAddress_ two[] = {ipv4Host(1), ipv4Host(2)};
    unsigned result = 0xDEADBEEF;
    FWStatus_t st = c.op == 'c'   ? FW_CreateAddrSet(handle, nullptr, nullptr, c.kind, 2, two, setId(c.set))
                    : c.op == 'd' ? FW_DestroyAddrSet(handle, nullptr, nullptr, &result, setId(c.set))
                    : c.op == 'l' ? FW_ClearAddrSet(handle, nullptr, nullptr, &result, setId(c.set))
                                  : FW_DestroyAllAddrSet(handle, nullptr, nullptr, &result);
    EXPECT_EQ(st, c.status);
    EXPECT_EQ(kestsim_ioctl_count(), c.sends);
    EXPECT_EQ(result, 0xDEADBEEFu);
    EXPECT_EQ(kestsim_addrset_count(nullptr), 1u);
    EXPECT_EQ(held("m"), bytesOf({kMac}));
    uint32_t generation = 0;
    kestsim_addrset_info(nullptr, "m", &generation, nullptr);
    EXPECT_EQ(generation, 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, AddrSetFailure,
                         ::testing::Values(FailCase{"kind 5", 'c', 5, "a", 0, 33, 0},
                                           FailCase{"MAC set given IP records", 'c', 2, "a", 0, 33, 0},
                                           FailCase{"kernel refuses another kind for a set", 'c', 1, "m", 0, 34, 1},
                                           FailCase{"name filling the whole field", 'c', 1, std::string(38, 'x'), 0, 31,
                                                    1},
                                           FailCase{"destroy unknown set", 'd', 0, "gone", 0, 29, 1},
                                           FailCase{"destroy all refused", 'a', 0, "", 29, 29, 1}));

TEST_F(SimTest, MissingHandleAndPointersAreRefusedBeforeSending) {
    const FWAddress_ one = ipv4Host(1);
    EXPECT_EQ(FW_CreateAddrSet(nullptr, nullptr, nullptr, 1, 1, &one, setId("a")), 2u);
    EXPECT_EQ(FW_CreateAddrSet(handle, nullptr, nullptr, 1, 0, nullptr, setId("a")), 3u);
    EXPECT_EQ(FW_DestroyAddrSet(handle, nullptr, nullptr, nullptr, setId("a")), 3u);
    EXPECT_EQ(FW_ClearAddrSet(handle, nullptr, nullptr, nullptr, setId("a")), 3u);
    EXPECT_EQ(FW_DestroyAllAddrSet(handle, nullptr, nullptr, nullptr), 3u);
    EXPECT_EQ(FW_ConfigSharedAddrSet(nullptr, nullptr, nullptr, 1), 2u);
    EXPECT_EQ(kestsim_ioctl_count(), 0u);
}

TEST_F(SimTest, ReputationChunksLoadAndUnload) {
    const unsigned char db[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    auto* e = static_cast<fw_iprep_entry_*>(malloc(2 * sizeof(fw_iprep_entry_)));
    e[0] = {0x0A000001, 3, 70, 24, {}};
    e[1] = {0x0B000001, 1, 20, 40, {}};  // a prefix the module refuses
    const Bytes first(reinterpret_cast<uint8_t*>(e), reinterpret_cast<uint8_t*>(e) + 16);
    CKestFWCmdCreateIpRepChunk refused(nullptr, db, new CKestFWIpRepChunkList(db, 0, true, 2, e), 4);
    EXPECT_EQ(kfwExecuteCommand(refused, handle, nullptr), 3u);
    CKestFWCmdCreateIpRepChunk load(nullptr, db, new CKestFWIpRepChunkList(db, 0, false, 1, e), 4);
    ASSERT_EQ(kfwExecuteCommand(load, handle, nullptr), 0u);
    Bytes id(16), entries(16);
    ASSERT_EQ(kestsim_iprep_chunk(nullptr, 4, id.data(), entries.data(), 1), 1);
    EXPECT_EQ(id, Bytes(db, db + 16));
    EXPECT_EQ(entries, first);
    CKestFWCmdDestroyIpRepChunk unload(nullptr, 4);
    EXPECT_EQ(kfwExecuteCommand(unload, handle, nullptr), 0u);
    EXPECT_EQ(kestsim_iprep_chunk_count(nullptr), 0u);
    EXPECT_EQ(kfwExecuteCommand(unload, handle, nullptr), 3u);
}

// ---- The lifecycle on the daemon's module, by either road -------------------------------------------------

using AddrSetRoads = DaemonRoadTest;

TEST_P(AddrSetRoads, LifecycleReachesTheDaemonsModule) {
    const std::vector<FWAddress_> recs = {ipv4Host(1), kIPv6One, ipv4Host(9)};
    ASSERT_EQ(FW_CreateAddrSet(handle, nullptr, nullptr, FW_ADDRSET_IP, 2, recs.data(), setId("web")), 0u);
    EXPECT_EQ(show("addrsets host"), "addrsets 1 web");
    ASSERT_EQ(FW_CreateAddrSet(handle, nullptr, nullptr, FW_ADDRSET_IP, 3, recs.data(), setId("web")), 0u);
    ASSERT_EQ(FW_CreateAddrSet(handle, nullptr, nullptr, FW_ADDRSET_MAC, 1, &kMac, setId("mac")), 0u);
    ASSERT_EQ(FW_CreateAddrSet(handle, nullptr, nullptr, FW_ADDRSET_IP, 0, &kMac, setId("aaa")), 0u);
    EXPECT_EQ(show("last-message").substr(0, 12), "message 126 ") << "an empty set is the head alone";
    EXPECT_EQ(show("addrsets host"), "addrsets 3 aaa mac web");
    const std::string web = show("addrset host web");
    EXPECT_EQ(web.substr(0, 33), "addrset kind 1 generation 2 time ");
    EXPECT_EQ(web.substr(web.find(" members ")), " members 3 " + KestSim::DaemonProcess::hex(recs.data(), 3 * 144));
    EXPECT_EQ(show("addrset host mac").substr(0, 27), "addrset kind 2 generation 1");
    EXPECT_EQ(kestsim_addrset_count(nullptr), 0u) << "this process's own module saw nothing";

    unsigned result = 0;
    ASSERT_EQ(FW_ClearAddrSet(handle, nullptr, nullptr, &result, setId("web")), 0u);
    EXPECT_EQ(result, 3u) << "the members removed";
    const std::string cleared = show("addrset host web");
    EXPECT_EQ(cleared.substr(0, 27) + cleared.substr(cleared.find(" members ")),
              "addrset kind 1 generation 3 members 0");
    ASSERT_EQ(FW_DestroyAddrSet(handle, nullptr, nullptr, &result, setId("mac")), 0u);
    EXPECT_EQ(result, 1u) << "the members the set had";
    EXPECT_EQ(show("addrset host mac"), "addrset none");
    result = 77;
    EXPECT_EQ(FW_DestroyAddrSet(handle, nullptr, nullptr, &result, setId("mac")), 29u);
    EXPECT_EQ(result, 77u);
    ASSERT_EQ(FW_DestroyAllAddrSet(handle, nullptr, nullptr, &result), 0u);
    EXPECT_EQ(result, 2u) << "the sets destroyed";
    EXPECT_EQ(show("addrsets host"), "addrsets 0");

    for (int enable : {5, 0}) {
        ASSERT_EQ(FW_ConfigSharedAddrSet(handle, nullptr, nullptr, enable), 0u);
        EXPECT_EQ(show("shared host"), enable ? "shared on" : "shared off");
    }
    EXPECT_EQ(show("requests"), requests(10));
}

INSTANTIATE_TEST_SUITE_P(Roads, AddrSetRoads, ::testing::Values(Road::Device, Road::Socket), roadName);
