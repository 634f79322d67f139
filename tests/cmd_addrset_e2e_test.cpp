// Address sets from the exported functions and the command classes down to the simulated kernel
// module and back, through the device channel in this process and through the daemon: the exact
// message, what the module then holds, the result words, refusals before and in the kernel, the
// transaction fields, batch execution and reputation chunks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
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
#include "sim/KestSimControl.h"
#include "sim/daemon/KestSimDaemonClient.h"
#include "support/FakeChannel.h"
#include "support/SimHandle.h"
#include "support/TestCommands.h"

using namespace KestFirewall;
using namespace kestfw_test;
using Bytes = std::vector<uint8_t>;

namespace {

FWAddrSetID_t setId(const std::string& name) {
    FWAddrSetID_t id{};
    memcpy(id.name, name.data(), std::min(name.size(), sizeof id.name));
    return id;
}

// Member records written by hand: type code, then the address in network order at offset 4.
FWAddress_ record(uint16_t type, std::initializer_list<uint8_t> address) {
    FWAddress_ r{};
    r.type[0] = uint8_t(type), r.type[1] = uint8_t(type >> 8);
    std::copy(address.begin(), address.end(), r.body);
    return r;
}
FWAddress_ ipv4(uint8_t last) { return record(1, {10, 0, 0, last}); }
FWAddress_ ipv6One() { return record(2, {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}); }

Bytes bytesOf(const std::vector<FWAddress_>& recs) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(recs.data());
    return Bytes(p, p + recs.size() * sizeof(FWAddress_));
}

// What the module holds for a set: its member records back to back; empty when there is no set.
Bytes held(const dvs_port_* port, const char* name) {
    int n = kestsim_addrset_members(port, name, nullptr, 0);
    if (n < 0) return Bytes();
    Bytes out(size_t(n) * KESTSIM_ADDRESS_SIZE);
    kestsim_addrset_members(port, name, out.data(), uint32_t(n));
    return out;
}

uint32_t generation(const dvs_port_* port, const char* name) {
    uint32_t g = 0;
    return kestsim_addrset_info(port, name, &g, nullptr) == 0 ? g : 0;
}

Bytes lastMessage() {
    Bytes m(1 << 20);
    m.resize(kestsim_last_message(m.data(), uint32_t(m.size())));
    return m;
}

uint32_t le32(const Bytes& b, size_t off) {
    return uint32_t(b[off]) | uint32_t(b[off + 1]) << 8 | uint32_t(b[off + 2]) << 16 | uint32_t(b[off + 3]) << 24;
}

const char kVnic[] = "50 1a 2b 3c 4d 5e 6f 70-81 92 a3 b4 c5 d6 e7 f8";

}  // namespace

// ---- the example road -------------------------------------------------------------------------------

TEST_F(SimTest, ExampleRoadSendsOneMessageAndTheModuleHoldsBothHosts) {
    for (bool withIPv6 : {false, true}) {
        kestsim_reset();
        auto* list = new CKestFWAddressList(false);
        list->addAddress(new CKestFWAddressIPv4("10.0.0.1", false));
        list->addAddress(withIPv6 ? static_cast<CKestFWAddress*>(new CKestFWAddressIPv6("fe80::1", false))
                                  : new CKestFWAddressIPv4("10.0.0.2", false));
        auto* cmd = new CKestFWCmdCreateAddrSet(nullptr, "web", FW_ADDRSET_IP, list);
        CKestFWCmdList cmds;
        cmds.addCmd(cmd);
        ASSERT_EQ(cmds.eval(handle, nullptr, nullptr), 0u);

        const Bytes m = lastMessage();
        ASSERT_EQ(m.size(), 20u + 12 + 94 + 288);
        EXPECT_EQ(kestsim_ioctl_count(), 1u);
        EXPECT_EQ(le32(m, 20), 94u + 288);
        EXPECT_EQ(m[24] | m[25] << 8, 13);
        EXPECT_EQ(m[32 + 58], withIPv6 ? 0x0B : 0x03);
        EXPECT_EQ(le32(m, 32 + 46), 2u);
        EXPECT_EQ(le32(m, 32 + 54), 288u);
        EXPECT_EQ(kestsim_addrset_kind(nullptr, "web"), FW_ADDRSET_IP);
        EXPECT_EQ(held(nullptr, "web"), Bytes(m.begin() + 126, m.end()));
        const std::vector<FWAddress_> expected = {ipv4(1), withIPv6 ? ipv6One() : ipv4(2)};
        EXPECT_EQ(held(nullptr, "web"), bytesOf(expected));

        // The module named the change in its answer; the answer says the set is complete, so the
        // command keeps nothing of it.
        Bytes reply(m.size());
        kestsim_last_reply(reply.data(), uint32_t(reply.size()));
        EXPECT_EQ(le32(reply, 32 + 62), 1u);
        EXPECT_EQ(Bytes(cmd->getTransactionId(), cmd->getTransactionId() + 16), Bytes(16, 0));
        EXPECT_EQ(cmd->getTransactionWord(), 0u);

        // The same records through the exported function: built by the list factory, no IPv6 flag.
        ASSERT_EQ(FW_CreateAddrSet(handle, nullptr, nullptr, FW_ADDRSET_IP, 2, expected.data(), setId("web2")), 0u);
        EXPECT_EQ(lastMessage()[32 + 58], 0x03);
        EXPECT_EQ(held(nullptr, "web2"), bytesOf(expected));
    }
}

// ---- create, replace, clear, destroy, destroy all -------------------------------------------------------

struct PortCase {
    const char* name;
    unsigned type;  // 99: no port
};
void PrintTo(const PortCase& c, std::ostream* os) { *os << c.name; }

class AddrSetLifecycle : public SimTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(AddrSetLifecycle, ModuleStateAndResultWordsFollowEachCall) {
    const bool none = GetParam().type == 99;
    dvs_port_ port = makePort(none ? 0 : GetParam().type, kVnic, 3, "agent");
    dvs_port_ other = makePort(7, "another-filter", 0);
    dvs_port_* arg = none ? nullptr : &port;
    const dvs_port_* sim = none || port.type == 0 ? nullptr : &port;

    std::vector<FWAddress_> recs = {ipv4(1), ipv4(2)};
    ASSERT_EQ(FW_CreateAddrSet(handle, arg, nullptr, FW_ADDRSET_IP, 2, recs.data(), setId("web")), 0u);
    EXPECT_EQ(kestsim_addrset_count(sim), 1u);
    EXPECT_EQ(held(sim, "web"), bytesOf(recs));
    EXPECT_EQ(generation(sim, "web"), 1u);
    EXPECT_EQ(kestsim_addrset_count(&other), 0u);

    recs = {ipv4(3), record(5, {192, 168, 0, 0, 16}), record(3, {10, 0, 0, 1, 10, 0, 0, 9})};
    ASSERT_EQ(FW_CreateAddrSet(handle, arg, nullptr, FW_ADDRSET_IP, 3, recs.data(), setId("web")), 0u);
    EXPECT_EQ(held(sim, "web"), bytesOf(recs));
    EXPECT_EQ(generation(sim, "web"), 2u);

    unsigned result = 0xDEADBEEF;
    ASSERT_EQ(FW_ClearAddrSet(handle, arg, nullptr, &result, setId("web")), 0u);
    EXPECT_EQ(result, 3u);  // the module reports the members it removed
    EXPECT_EQ(kestsim_addrset_members(sim, "web", nullptr, 0), 0);
    EXPECT_EQ(generation(sim, "web"), 3u);

    ASSERT_EQ(FW_CreateAddrSet(handle, arg, nullptr, FW_ADDRSET_IP, 1, recs.data(), setId("web")), 0u);
    ASSERT_EQ(FW_DestroyAddrSet(handle, arg, nullptr, &result, setId("web")), 0u);
    EXPECT_EQ(result, 1u);  // the members the set had
    EXPECT_EQ(kestsim_addrset_count(sim), 0u);

    FWAddress_ mac = record(7, {0, 0x50, 0x56, 1, 2, 3});
    ASSERT_EQ(FW_CreateAddrSet(handle, arg, nullptr, FW_ADDRSET_MAC, 1, &mac, setId("macs")), 0u);
    ASSERT_EQ(FW_CreateAddrSet(handle, arg, nullptr, FW_ADDRSET_IP, 0, &mac, setId("empty")), 0u);
    EXPECT_EQ(lastMessage().size(), 20u + 12 + 94);
    EXPECT_EQ(kestsim_addrset_kind(sim, "macs"), FW_ADDRSET_MAC);
    char name[KESTSIM_ADDRSET_NAME_SIZE];
    ASSERT_EQ(kestsim_addrset_name(sim, 0, name), 0);
    EXPECT_STREQ(name, "empty");
    ASSERT_EQ(FW_DestroyAllAddrSet(handle, arg, nullptr, &result), 0u);
    EXPECT_EQ(result, 2u);  // the sets destroyed
    EXPECT_EQ(kestsim_addrset_count(sim), 0u);

    for (int enable : {5, 0}) {
        ASSERT_EQ(FW_ConfigSharedAddrSet(handle, arg, nullptr, enable), 0u);
        EXPECT_EQ(lastMessage()[32], enable ? 0x01 : 0x00);
        EXPECT_EQ(kestsim_shared_addrset(sim), enable ? 1 : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Ports, AddrSetLifecycle,
                         ::testing::Values(PortCase{"no port", 99}, PortCase{"untyped port", 0}, PortCase{"vnic", 1},
                                           PortCase{"filter", 7}),
                         [](const ::testing::TestParamInfo<PortCase>& i) { return "case" + std::to_string(i.index); });

// ---- refusals -------------------------------------------------------------------------------------------

struct FailCase {
    const char* name;
    std::function<FWStatus_t(fwlibhandle_*, unsigned*)> call;
    FWStatus_t status;
    uint64_t sends;
};
void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }

class AddrSetFailure : public SimTest, public ::testing::WithParamInterface<FailCase> {};

// The module starts with MAC set "m" holding one member; a failure leaves it and the caller's result
// word as they were.
TEST_P(AddrSetFailure, ReturnsItsStatusAndLeavesEverythingAlone) {
    const FailCase& c = GetParam();
    FWAddress_ mac = record(7, {0, 0x50, 0x56, 1, 2, 3});
    ASSERT_EQ(kestsim_seed_addrset(nullptr, "m", FW_ADDRSET_MAC, &mac, 1), 0);
    unsigned result = 0xDEADBEEF;
    EXPECT_EQ(c.call(handle, &result), c.status);
    EXPECT_EQ(kestsim_ioctl_count(), c.sends);
    EXPECT_EQ(result, 0xDEADBEEFu);
    EXPECT_EQ(kestsim_addrset_count(nullptr), 1u);
    EXPECT_EQ(held(nullptr, "m"), bytesOf({mac}));
    EXPECT_EQ(generation(nullptr, "m"), 1u);
}

const FWAddress_ kTwo[] = {ipv4(1), ipv4(2)};

INSTANTIATE_TEST_SUITE_P(
    Cases, AddrSetFailure,
    ::testing::Values(
        FailCase{"create without handle",
                 [](fwlibhandle_*, unsigned*) {
                     return FW_CreateAddrSet(nullptr, nullptr, nullptr, 1, 2, kTwo, setId("a"));
                 },
                 2, 0},
        FailCase{
            "create without records",
            [](fwlibhandle_* h, unsigned*) { return FW_CreateAddrSet(h, nullptr, nullptr, 1, 0, nullptr, setId("a")); },
            3, 0},
        FailCase{
            "create of kind 5",
            [](fwlibhandle_* h, unsigned*) { return FW_CreateAddrSet(h, nullptr, nullptr, 5, 2, kTwo, setId("a")); },
            33, 0},
        FailCase{
            "MAC set given IP records",
            [](fwlibhandle_* h, unsigned*) { return FW_CreateAddrSet(h, nullptr, nullptr, 2, 2, kTwo, setId("a")); },
            33, 0},
        FailCase{
            "kernel refuses another kind for a set",
            [](fwlibhandle_* h, unsigned*) { return FW_CreateAddrSet(h, nullptr, nullptr, 1, 2, kTwo, setId("m")); },
            34, 1},
        FailCase{"name filling the whole field",
                 [](fwlibhandle_* h, unsigned*) {
                     return FW_CreateAddrSet(h, nullptr, nullptr, 1, 2, kTwo, setId(std::string(38, 'x')));
                 },
                 31, 1},
        FailCase{"kernel busy three times",
                 [](fwlibhandle_* h, unsigned*) {
                     kestsim_fault_status(26, 3, 13);
                     return FW_CreateAddrSet(h, nullptr, nullptr, 1, 2, kTwo, setId("a"));
                 },
                 26, 3},
        FailCase{"destroy unknown set",
                 [](fwlibhandle_* h, unsigned* r) { return FW_DestroyAddrSet(h, nullptr, nullptr, r, setId("gone")); },
                 29, 1},
        FailCase{"clear unknown set",
                 [](fwlibhandle_* h, unsigned* r) { return FW_ClearAddrSet(h, nullptr, nullptr, r, setId("gone")); },
                 29, 1},
        FailCase{"destroy all refused",
                 [](fwlibhandle_* h, unsigned* r) {
                     kestsim_fault_status(29, 1, 63);
                     return FW_DestroyAllAddrSet(h, nullptr, nullptr, r);
                 },
                 29, 1},
        FailCase{"destroy without result",
                 [](fwlibhandle_* h, unsigned*) { return FW_DestroyAddrSet(h, nullptr, nullptr, nullptr, setId("m")); },
                 3, 0},
        FailCase{"shared switch without handle",
                 [](fwlibhandle_*, unsigned*) { return FW_ConfigSharedAddrSet(nullptr, nullptr, nullptr, 1); }, 2, 0}),
    [](const ::testing::TestParamInfo<FailCase>& i) { return "case" + std::to_string(i.index); });

// ---- transaction fields from the kernel's answer ----------------------------------------------------------

TEST(AddrSetTransaction, KeptWhileTheAnswerLeavesTheSetOpenClearedOnceComplete) {
    for (uint8_t flags : {0x01, 0x03}) {
        FakeHandle fh({FakeStep{}}, [&](unsigned, uint16_t, uint8_t* body, uint32_t len) {
            ByteWriter w(body, len);
            w.putAt<uint8_t>(58, flags);
            w.putAt<uint32_t>(62, 0xA1A2A3A4);
            w.putAt<uint64_t>(78, 42);
        });
        CKestFWCmdCreateAddrSet cmd(nullptr, "t", FW_ADDRSET_IP);
        ASSERT_EQ(kfwExecuteCommand(cmd, &fh.handle, nullptr), 0u);
        EXPECT_EQ(cmd.getTransactionWord(), flags == 0x01 ? 42u : 0u);
        EXPECT_EQ(ByteReader(cmd.getTransactionId(), 16).u32(), flags == 0x01 ? 0xA1A2A3A4u : 0u);
        EXPECT_EQ(fh.spy->outstanding, 0);
    }
}

// ---- batch execution -------------------------------------------------------------------------------------

TEST_F(SimTest, BatchOfCreatesTravelsInOneMessageAndCreatesEverySet) {
    CKestFWCmdList cmds;
    size_t bytes = 20;
    for (unsigned i = 0; i < 60; ++i) {
        const std::vector<FWAddress_> recs = {ipv4(uint8_t(i)), ipv4(uint8_t(i + 100))};
        auto* cmd = new CKestFWCmdCreateAddrSet(nullptr, ("set-" + std::to_string(i)).c_str(), FW_ADDRSET_IP);
        cmd->addAddress(recs.data(), 1 + i % 2);
        bytes += 12 + cmd->getMsgSize();
        cmds.addCmd(cmd);
    }
    ASSERT_EQ(cmds.evalBatch(handle, nullptr, nullptr), 0u);
    EXPECT_EQ(kestsim_ioctl_count(), 1u);
    EXPECT_EQ(kestsim_command_count(), 60u);
    EXPECT_EQ(lastMessage().size(), bytes);
    ASSERT_EQ(kestsim_addrset_count(nullptr), 60u);
    for (unsigned i = 0; i < 60; ++i) {
        std::vector<FWAddress_> recs = {ipv4(uint8_t(i))};
        if (i % 2) recs.push_back(ipv4(uint8_t(i + 100)));
        EXPECT_EQ(held(nullptr, ("set-" + std::to_string(i)).c_str()), bytesOf(recs)) << i;
    }
}

// ---- reputation chunks ----------------------------------------------------------------------------------

TEST_F(SimTest, ReputationChunksLoadAndUnload) {
    const unsigned char db[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    auto* e = static_cast<fw_iprep_entry_*>(malloc(2 * sizeof(fw_iprep_entry_)));
    e[0] = {0x0A000001, 3, 70, 24, {}};
    e[1] = {0x0B000001, 1, 20, 40, {}};  // a prefix the module refuses
    const Bytes first(reinterpret_cast<uint8_t*>(e), reinterpret_cast<uint8_t*>(e) + 16);
    {
        CKestFWCmdCreateIpRepChunk refused(nullptr, db, new CKestFWIpRepChunkList(db, 0, true, 2, e), 4);
        EXPECT_EQ(kfwExecuteCommand(refused, handle, nullptr), 3u);
    }
    CKestFWCmdCreateIpRepChunk load(nullptr, db, new CKestFWIpRepChunkList(db, 0, false, 1, e), 4);
    ASSERT_EQ(kfwExecuteCommand(load, handle, nullptr), 0u);
    Bytes id(16), entries(16);
    ASSERT_EQ(kestsim_iprep_chunk(nullptr, 4, id.data(), entries.data(), 1), 1);
    EXPECT_EQ(id, Bytes(db, db + 16));
    EXPECT_EQ(entries, first);

    fw_iprep_entry_ one{};
    CKestFWCmdCreateIpRepChunk huge(nullptr, db, new CKestFWIpRepChunkList(db, 0, true, 0x10000000, &one), 5);
    EXPECT_EQ(kfwExecuteCommand(huge, handle, nullptr), 17u);

    CKestFWCmdDestroyIpRepChunk unload(nullptr, 4);
    EXPECT_EQ(kfwExecuteCommand(unload, handle, nullptr), 0u);
    EXPECT_EQ(kestsim_iprep_chunk_count(nullptr), 0u);
    EXPECT_EQ(kfwExecuteCommand(unload, handle, nullptr), 3u);
    EXPECT_EQ(kestsim_ioctl_count(), 4u);
}

// ---- the same through the daemon ----------------------------------------------------------------------
// The device channel's control calls are forwarded to kestsimd, so another process's module answers.

class AddrSetDaemon : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        ASSERT_TRUE(daemon.start()) << daemon.error();
        kestsim_set_forward(daemon.forwardPath().c_str());
    }
    void TearDown() override {
        kestsim_set_forward(nullptr);
        EXPECT_EQ(daemon.stop(), 0);
        SimTest::TearDown();
    }
    KestSim::DaemonProcess daemon;
};

TEST_F(AddrSetDaemon, LifecycleReachesTheDaemonsModule) {
    dvs_port_ port = makePort(7, "f1", 0);
    const std::string p = KestSim::DaemonProcess::portToken(&port);
    const std::vector<FWAddress_> recs = {ipv4(1), ipv6One(), ipv4(9)};
    ASSERT_EQ(FW_CreateAddrSet(handle, &port, nullptr, FW_ADDRSET_IP, 2, recs.data(), setId("web")), 0u);
    ASSERT_EQ(FW_CreateAddrSet(handle, &port, nullptr, FW_ADDRSET_IP, 3, recs.data(), setId("web")), 0u);
    ASSERT_EQ(FW_CreateAddrSet(handle, &port, nullptr, FW_ADDRSET_IP, 1, recs.data(), setId("aaa")), 0u);
    EXPECT_EQ(daemon.control("show addrsets " + p), "addrsets 2 aaa web");
    const std::string web = daemon.control("show addrset " + p + " web");
    EXPECT_EQ(web.substr(0, 32), "addrset kind 1 generation 2 time");
    EXPECT_EQ(web.substr(web.find(" members ")),
              " members 3 " + KestSim::DaemonProcess::hex(recs.data(), 3 * sizeof(FWAddress_)));
    EXPECT_EQ(kestsim_addrset_count(&port), 0u) << "this process's own module saw nothing";

    unsigned result = 0;
    ASSERT_EQ(FW_ClearAddrSet(handle, &port, nullptr, &result, setId("web")), 0u);
    EXPECT_EQ(result, 3u);
    EXPECT_EQ(daemon.control("show addrset " + p + " web").substr(0, 27), "addrset kind 1 generation 3");
    ASSERT_EQ(FW_DestroyAddrSet(handle, &port, nullptr, &result, setId("aaa")), 0u);
    EXPECT_EQ(result, 1u);
    EXPECT_EQ(daemon.control("show addrset " + p + " aaa"), "addrset none");
    EXPECT_EQ(FW_DestroyAddrSet(handle, &port, nullptr, &result, setId("aaa")), 29u);
    ASSERT_EQ(FW_DestroyAllAddrSet(handle, &port, nullptr, &result), 0u);
    EXPECT_EQ(result, 1u);
    EXPECT_EQ(daemon.control("show addrsets " + p), "addrsets 0");

    ASSERT_EQ(FW_ConfigSharedAddrSet(handle, &port, nullptr, 1), 0u);
    EXPECT_EQ(daemon.control("show shared " + p), "shared on");
    EXPECT_EQ(daemon.control("show shared host"), "shared off");
    EXPECT_EQ(daemon.control("show calls"), "calls 8");
}
