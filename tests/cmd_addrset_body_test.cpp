// Address-set and reputation-chunk commands alone: hand-written bodies, short space, texts, transaction
// fields from an answer, name limits, member records added one by one, and the chunk list's limits.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "cmd/KestFWCmdClearAddrSet.h"
#include "cmd/KestFWCmdConfigSharedAddrSet.h"
#include "cmd/KestFWCmdCreateAddrSet.h"
#include "cmd/KestFWCmdCreateIpRepChunk.h"
#include "cmd/KestFWCmdDestroyAddrSet.h"
#include "cmd/KestFWCmdDestroyAllAddrSet.h"
#include "cmd/KestFWCmdDestroyIpRepChunk.h"
#include "base/KestFWLog.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv6.h"
#include "support/LogCapture.h"
#include "support/SetSamples.h"
#include "support/TestCommands.h"
#include "support/Wire.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

// IPv4 host record: type 1, flags 0, the address in network order at 4.
Bytes ipv4Record(uint8_t last) { return Golden(144).le(0, 1, 2).raw(4, {10, 0, 0, last}).b; }

CKestFWAddressList* twoHosts(bool withIPv6) {
    auto* list = new CKestFWAddressList(false);
    list->addAddress(new CKestFWAddressIPv4("10.0.0.1", false));
    list->addAddress(withIPv6 ? static_cast<CKestFWAddress*>(new CKestFWAddressIPv6("fe80::1", false))
                              : new CKestFWAddressIPv4("10.0.0.2", false));
    return list;
}

// The create head: name, member count, kind 1 word, member bytes, flags.
Golden createHead(const char* name, uint32_t n, uint8_t flags) {
    return std::move(Golden(94 + 144 * n).text(0, name).le(46, n, 4).le(50, 1, 4).le(54, 144 * n, 4).le(58, flags, 1));
}

const unsigned char kDb[16] = {0xD0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xDF};

// Chunk 9 of two entries from database kDb; each entry: address, threat mask, reputation, prefix length.
Bytes chunkBody() {
    Golden g(56);
    g.le(0, 9, 4).le(4, 2, 4).raw(8, Bytes(kDb, kDb + 16));
    g.le(24, 0x0A000001, 4).le(28, 5, 4).le(32, 90, 4).le(36, 24, 1);
    g.le(40, 7, 4).le(44, 0, 4).le(48, 1, 4).le(52, 32, 1);
    return g.b;
}
dvs_port_ g_filter = makePort(7, "f1", 0);

struct BodyCase {
    const char* name;
    std::function<CKestFWCmd*()> make;
    unsigned opcode, type;
    Bytes body;
    std::string text;
};
void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }

const BodyCase kBodies[] = {
    {"create two IPv4 hosts",
     [] { return new CKestFWCmdCreateAddrSet(&g_filter, "web", FW_ADDRSET_IP, twoHosts(false)); }, 13, 36,
     createHead("web", 2, 0x03).raw(94, ipv4Record(1)).raw(238, ipv4Record(2)).b,
     "create addrset web for filter f1 with {ip 10.0.0.1, ip 10.0.0.2}"},
    {"create with an IPv6 host",
     [] { return new CKestFWCmdCreateAddrSet(nullptr, setId("v6"), FW_ADDRSET_IP, twoHosts(true)); }, 13, 36,
     createHead("v6", 2, 0x0B).raw(94, ipv4Record(1)).le(238, 2, 2).raw(242, {0xFE, 0x80}).le(257, 1, 1).b,
     "create addrset v6 with {ip 10.0.0.1, ip fe80::1}"},
    {"create empty", [] { return new CKestFWCmdCreateAddrSet(nullptr, setId("e"), FW_ADDRSET_MAC); }, 13, 36,
     createHead("e", 0, 0x03).b, "create addrset e with {}"},
    {"clear", [] { return new CKestFWCmdClearAddrSet(&g_filter, setId("web")); }, 62, 85, Golden(46).text(0, "web").b,
     "delete all from addrset web of filter f1"},
    {"destroy", [] { return new CKestFWCmdDestroyAddrSet(&g_filter, setId("web")); }, 14, 37,
     Golden(42).text(0, "web").b, "destroy addrset web of filter f1"},
    {"destroy all", [] { return new CKestFWCmdDestroyAllAddrSet(nullptr); }, 63, 86, Bytes(4, 0),
     "destroy all addrset"},
    {"shared on", [] { return new CKestFWCmdConfigSharedAddrSet(&g_filter, true); }, 41, 64, Bytes{1, 0, 0, 0},
     "enable shared addrset"},
    {"chunk with two entries",
     [] {
         auto* e = static_cast<fw_iprep_entry_*>(malloc(2 * sizeof(fw_iprep_entry_)));
         e[0] = {0x0A000001, 5, 90, 24, {}};
         e[1] = {7, 0, 1, 32, {}};
         return new CKestFWCmdCreateIpRepChunk(nullptr, kDb, new CKestFWIpRepChunkList(kDb, 3, false, 2, e), 9);
     },
     95, 118, chunkBody(), "create iprep chunk "},
    {"destroy chunk", [] { return new CKestFWCmdDestroyIpRepChunk(&g_filter, 77); }, 98, 121, Golden(24).le(0, 77, 4).b,
     "destroy iprep chunk "},
};

class AddrSetBody : public ::testing::TestWithParam<BodyCase> {};

}  // namespace

TEST_P(AddrSetBody, WritesExactlyItsBodyOrNothing) {
    const BodyCase& c = GetParam();
    std::unique_ptr<CKestFWCmd> cmd(c.make());
    EXPECT_EQ(cmd->getCommand(), c.opcode);
    EXPECT_EQ(cmd->getType(), c.type);
    EXPECT_EQ(cmd->toString(), c.text);
    ASSERT_EQ(cmd->getMsgSize(), c.body.size());
    Bytes buf(c.body.size() + 8, 0xEE);
    unsigned written = 0;
    ASSERT_TRUE(cmd->writeCmdBody(buf.data(), unsigned(buf.size()), &written, 0));
    ASSERT_EQ(written, c.body.size());
    EXPECT_EQ(Bytes(buf.begin(), buf.begin() + written), c.body);
    EXPECT_EQ(Bytes(buf.begin() + written, buf.end()), Bytes(8, 0xEE));
    // One byte short: refused untouched, except the shared switch, which always writes its word.
    Bytes small(c.body.size(), 0xEE);
    const bool always = c.opcode == 41;
    EXPECT_EQ(cmd->writeCmdBody(small.data(), unsigned(small.size() - 1), &written, 0), always);
    EXPECT_EQ(small, always ? c.body : Bytes(c.body.size(), 0xEE));
}

INSTANTIATE_TEST_SUITE_P(Cases, AddrSetBody, ::testing::ValuesIn(kBodies));

TEST(CreateAddrSetReply, TransactionFieldsFollowTheAnswersFlags) {
    const std::pair<uint8_t, bool> cases[] = {{0x0B, false}, {0x01, true}, {0x02, true}, {0x00, true}};
    for (const auto& c : cases) {
        CKestFWCmdCreateAddrSet cmd(nullptr, "s", FW_ADDRSET_IP);
        // An earlier answer left a transaction; a reply too short to hold the fields changes nothing.
        Bytes earlier = createHead("s", 0, 0x01).le(62, 0x99, 4).le(78, 0x99, 8).b;
        cmd.checkCmdReply(earlier.data(), unsigned(earlier.size()));
        Bytes shortReply = createHead("s", 0, 0x01).le(78, 5, 8).b;
        cmd.checkCmdReply(shortReply.data(), 85);
        ASSERT_EQ(cmd.getTransactionWord(), 0x99u);
        Verbosity v(KFW_COMP_CMD, 1);
        LogCapture log;
        Golden g = createHead("s", 0, c.first).le(62, 0x04030201, 4).le(66, 8, 4).le(74, 0xFFFFFFFF, 4);
        const Bytes reply = g.le(78, 0x1122334455667788ull, 8).b;
        cmd.checkCmdReply(reply.data(), unsigned(reply.size()));
        EXPECT_EQ(Bytes(cmd.getTransactionId(), cmd.getTransactionId() + 16),
                  c.second ? Bytes(reply.begin() + 62, reply.begin() + 78) : Bytes(16, 0))
            << int(c.first);
        EXPECT_EQ(cmd.getTransactionWord(), c.second ? 0x1122334455667788ull : 0u) << int(c.first);
        EXPECT_TRUE(log.has("transaction id: 0x04030201, 0x00000008, 0x00000000, 0xffffffff\n"));
    }
}

TEST(CreateAddrSet, ThirtySevenCharactersFitThirtyEightRaiseAndTheListIsStillReleased) {
    const std::string fits(37, 'a'), tooLong(38, 'a');
    CKestFWCmdCreateAddrSet ok(nullptr, fits.c_str(), FW_ADDRSET_IP, twoHosts(false));
    EXPECT_EQ(std::string(ok.getSetID().name), fits);
    // The adopted list is released either way (leak-checked).
    expectRaises([&] { CKestFWCmdCreateAddrSet(nullptr, tooLong.c_str(), FW_ADDRSET_IP, twoHosts(true)); }, 32,
                 ("id is too long: " + tooLong).c_str());
    expectRaises([&] { CKestFWCmdCreateAddrSet(nullptr, nullptr, FW_ADDRSET_IP, twoHosts(true)); }, 4);
}

TEST(CreateAddrSet, RecordsAddedThroughTheListKeepItsRules) {
    LogCapture log;
    for (bool borrowed : {false, true}) {
        CKestFWCmdCreateAddrSet cmd(nullptr, setId("m"), FW_ADDRSET_IP, new CKestFWAddressList(borrowed));
        FWAddress_ recs[3] = {};
        CKestFWAddressIPv6("::1", false).toMessage(&recs[0], 144, nullptr);
        CKestFWAddrSetID("other", false).toMessage(&recs[1], 144, nullptr);  // refused by the list
        CKestFWAddressIPv4("1.2.3.4", true).toMessage(&recs[2], 144, nullptr);
        EXPECT_TRUE(cmd.addAddress(recs, 3));
        EXPECT_EQ(cmd.toString(), "create addrset m with {ip ::1, not ip 1.2.3.4}");
        Bytes body(cmd.getMsgSize());
        unsigned written = 0;
        ASSERT_TRUE(cmd.writeCmdBody(body.data(), unsigned(body.size()), &written, 0));
        EXPECT_EQ(body[58], 0x0B);
        EXPECT_EQ(Bytes(body.begin() + 238, body.end()), bytesOf({recs[2]}));
    }
    EXPECT_TRUE(log.has("cannot add address of unsupported type 11\n"));
    CKestFWCmdCreateAddrSet cmd(nullptr, setId("m"), FW_ADDRSET_IP);
    const FWAddress_ unknown = addrRecord(99, {});
    EXPECT_THROW(cmd.addAddress(&unknown, 1), CInvalidAddressException);
    EXPECT_THROW(cmd.addAddress(nullptr, 1), CInvalidAddressException);
    EXPECT_TRUE(cmd.addAddress(nullptr, 0));
}

TEST(IpRepChunkList, TextSizeAndTheEntryLimit) {
    auto* e = static_cast<fw_iprep_entry_*>(malloc(2 * sizeof(fw_iprep_entry_)));
    e[0] = {167772161, 3, 90, 24, {}};
    e[1] = {1, 0, 5, 32, {}};
    CKestFWIpRepChunkList two(kDb, 7, false, 2, e);
    EXPECT_EQ(two.toString(),
              "{idbucket 7chunkip: 167772161mask: 24threat mask: 3reputation: 90, ip: 1mask: 32threat mask: "
              "0reputation: 5}");
    EXPECT_EQ(two.getMsgSize(), 32u);
    Bytes small(31);
    EXPECT_FALSE(two.toMessage(small.data(), 31, nullptr));

    fw_iprep_entry_ one{};
    EXPECT_EQ(CKestFWIpRepChunkList(kDb, 0, true, 0x0FFFFFFF, &one).getMsgSize(), 0xFFFFFFF0u);
    for (int count : {0x10000000, -1})
        expectRaises([&] { CKestFWIpRepChunkList(kDb, 0, true, count, &one).getMsgSize(); }, 17,
                     ("too many chunks: " + std::to_string(unsigned(count))).c_str());
}

TEST(AddrSetKind, OfAddressType) {
    const unsigned short types[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 15, 141, 0xFFFF};
    const FWAddrSetType_t kinds[] = {0, 1, 1, 1, 1, 1, 1, 2, 0, 0, 0, 0, 0, 0};
    for (size_t i = 0; i < sizeof types / sizeof types[0]; ++i)
        EXPECT_EQ(addr_type_to_addrset_type(types[i]), kinds[i]) << types[i];
}
