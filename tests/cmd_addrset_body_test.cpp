// The address-set and reputation-chunk commands on their own: every body byte by byte against bytes
// written by hand from the record tables, refusals of short space, text forms, the transaction fields
// taken from an answer, names, member records added one by one, and the chunk list.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cmd/KestFWCmdClearAddrSet.h"
#include "cmd/KestFWCmdConfigSharedAddrSet.h"
#include "cmd/KestFWCmdCreateAddrSet.h"
#include "cmd/KestFWCmdCreateIpRepChunk.h"
#include "cmd/KestFWCmdDestroyAddrSet.h"
#include "cmd/KestFWCmdDestroyAllAddrSet.h"
#include "cmd/KestFWCmdDestroyIpRepChunk.h"
#include "frame/KestFWException.h"
#include "frame/KestFWLog.h"
#include "model/KestFWAddrSetID.h"
#include "model/KestFWAddressIPv4.h"
#include "model/KestFWAddressIPv6.h"
#include "support/LogCapture.h"
#include "support/TestCommands.h"

using namespace KestFirewall;
using namespace kestfw_test;
using Bytes = std::vector<uint8_t>;

namespace {

// Hand-written bytes: a zero-filled area with fields put at their offsets.
struct Golden {
    Bytes b;
    explicit Golden(size_t n) : b(n, 0) {}
    Golden& le(size_t off, uint64_t v, int width) {
        for (int i = 0; i < width; ++i) b[off + i] = uint8_t(v >> (8 * i));
        return *this;
    }
    Golden& raw(size_t off, const Bytes& v) {
        std::copy(v.begin(), v.end(), b.begin() + off);
        return *this;
    }
    Golden& text(size_t off, const char* s) { return raw(off, Bytes(s, s + strlen(s))); }
};

FWAddrSetID_t setId(const char* name) {
    FWAddrSetID_t id{};
    strncpy(id.name, name, sizeof id.name - 1);
    return id;
}

// IPv4 host record: type 1, flags 0, the address in network order at 4.
Bytes ipv4Record(uint8_t a, uint8_t b, uint8_t c, uint8_t d) { return Golden(144).le(0, 1, 2).raw(4, {a, b, c, d}).b; }

CKestFWAddressList* twoHosts(bool withIPv6) {
    auto* list = new CKestFWAddressList(false);
    list->addAddress(new CKestFWAddressIPv4("10.0.0.1", false));
    list->addAddress(withIPv6 ? static_cast<CKestFWAddress*>(new CKestFWAddressIPv6("fe80::1", false))
                              : new CKestFWAddressIPv4("10.0.0.2", false));
    return list;
}

fw_iprep_entry_* entries(std::initializer_list<fw_iprep_entry_> list) {
    auto* e = static_cast<fw_iprep_entry_*>(malloc(sizeof(fw_iprep_entry_) * list.size()));
    std::copy(list.begin(), list.end(), e);
    return e;
}

const unsigned char kDb[16] = {0xD0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xDF};
dvs_port_ g_filter = makePort(7, "f1", 0);

struct BodyCase {
    const char* name;
    std::function<CKestFWCmd*()> make;
    unsigned opcode, type;
    Bytes body;
    std::string text;
};
void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }

Golden createHead(const char* name, uint32_t n, uint8_t flags) {
    return std::move(Golden(94 + 144 * n).text(0, name).le(46, n, 4).le(50, 1, 4).le(54, 144 * n, 4).le(58, flags, 1));
}

const BodyCase kBodies[] = {
    {"create two IPv4 hosts",
     [] { return new CKestFWCmdCreateAddrSet(&g_filter, "web", FW_ADDRSET_IP, twoHosts(false)); }, 13, 36,
     createHead("web", 2, 0x03).raw(94, ipv4Record(10, 0, 0, 1)).raw(238, ipv4Record(10, 0, 0, 2)).b,
     "create addrset web for filter f1 with {ip 10.0.0.1, ip 10.0.0.2}"},
    {"create with an IPv6 host added to the list",
     [] { return new CKestFWCmdCreateAddrSet(nullptr, setId("v6"), FW_ADDRSET_IP, twoHosts(true)); }, 13, 36,
     createHead("v6", 2, 0x0B)
         .raw(94, ipv4Record(10, 0, 0, 1))
         .le(238, 2, 2)
         .raw(242, {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1})
         .b,
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
    {"shared off", [] { return new CKestFWCmdConfigSharedAddrSet(nullptr, false); }, 41, 64, Bytes(4, 0),
     "disable shared addrset"},
    {"chunk with two entries",
     [] {
         return new CKestFWCmdCreateIpRepChunk(
             nullptr, kDb,
             new CKestFWIpRepChunkList(kDb, 3, false, 2, entries({{0x0A000001, 5, 90, 24, {}}, {7, 0, 1, 32, {}}})), 9);
     },
     95, 118,
     Golden(56)
         .le(0, 9, 4)
         .le(4, 2, 4)
         .raw(8, Bytes(kDb, kDb + 16))
         .le(24, 0x0A000001, 4)
         .le(28, 5, 4)
         .le(32, 90, 4)
         .le(36, 24, 1)
         .le(40, 7, 4)
         .le(48, 1, 4)
         .le(52, 32, 1)
         .b,
     "create iprep chunk "},
    {"chunk without entries",
     [] {
         return new CKestFWCmdCreateIpRepChunk(nullptr, kDb, new CKestFWIpRepChunkList(kDb, 0, true, 0, nullptr), -1);
     },
     95, 118, Golden(24).le(0, 0xFFFFFFFF, 4).raw(8, Bytes(kDb, kDb + 16)).b, "create iprep chunk "},
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
    bool always = c.opcode == 41;
    EXPECT_EQ(cmd->writeCmdBody(small.data(), unsigned(small.size() - 1), &written, 0), always);
    EXPECT_EQ(small, always ? c.body : Bytes(c.body.size(), 0xEE));
}

INSTANTIATE_TEST_SUITE_P(Cases, AddrSetBody, ::testing::ValuesIn(kBodies),
                         [](const ::testing::TestParamInfo<BodyCase>& i) { return "case" + std::to_string(i.index); });

struct ReplyCase {
    uint8_t flags;
    bool kept;
};

TEST(CreateAddrSetReply, TransactionFieldsFollowTheAnswersFlags) {
    const ReplyCase cases[] = {{0x03, false}, {0x0B, false}, {0x01, true}, {0x02, true}, {0x08, true}, {0x00, true}};
    for (const ReplyCase& c : cases) {
        CKestFWCmdCreateAddrSet cmd(nullptr, "s", FW_ADDRSET_IP);
        // Something kept from an earlier answer must not survive a complete one.
        Bytes earlier = createHead("s", 0, 0x01).le(62, 0x99, 4).le(78, 0x99, 8).b;
        cmd.checkCmdReply(earlier.data(), unsigned(earlier.size()));
        Verbosity v(KFW_COMP_CMD, 1);
        LogCapture log;
        Bytes reply = createHead("s", 0, c.flags)
                          .le(62, 0x04030201, 4)
                          .le(66, 8, 4)
                          .le(70, 0, 4)
                          .le(74, 0xFFFFFFFF, 4)
                          .le(78, 0x1122334455667788ull, 8)
                          .b;
        cmd.checkCmdReply(reply.data(), unsigned(reply.size()));
        Bytes id(cmd.getTransactionId(), cmd.getTransactionId() + 16);
        EXPECT_EQ(id, c.kept ? Bytes(reply.begin() + 62, reply.begin() + 78) : Bytes(16, 0)) << int(c.flags);
        EXPECT_EQ(cmd.getTransactionWord(), c.kept ? 0x1122334455667788ull : 0u) << int(c.flags);
        EXPECT_TRUE(log.has("transaction id: 0x04030201, 0x00000008, 0x00000000, 0xffffffff\n"));
    }
    // An answer too short to hold the fields changes nothing.
    CKestFWCmdCreateAddrSet cmd(nullptr, "s", FW_ADDRSET_IP);
    Bytes shortReply = createHead("s", 0, 0x01).le(78, 5, 8).b;
    cmd.checkCmdReply(shortReply.data(), 85);
    EXPECT_EQ(cmd.getTransactionWord(), 0u);
}

TEST(CreateAddrSetName, ThirtySevenCharactersFitThirtyEightRaiseAndTheListIsStillReleased) {
    const std::string fits(37, 'a'), tooLong(38, 'a'), longer(60, 'b');
    CKestFWCmdCreateAddrSet ok(nullptr, fits.c_str(), FW_ADDRSET_IP, twoHosts(false));
    EXPECT_EQ(std::string(ok.getSetID().name), fits);
    const FWStatus_t codes[] = {32, 32, 4};
    const char* names[] = {tooLong.c_str(), longer.c_str(), nullptr};
    for (int i = 0; i < 3; ++i) {
        try {
            CKestFWCmdCreateAddrSet bad(nullptr, names[i], FW_ADDRSET_IP, twoHosts(true));  // leak-checked
            ADD_FAILURE() << i;
        } catch (const CKestFWException& e) {
            EXPECT_EQ(e.retcode(), codes[i]);
            if (i == 0) {
                EXPECT_EQ(std::string(e.what()), "id is too long: " + tooLong);
            }
        }
    }
}

TEST(CreateAddrSetMembers, RecordsAddedThroughTheListKeepItsRules) {
    LogCapture log;
    for (bool borrowed : {false, true}) {
        CKestFWCmdCreateAddrSet cmd(nullptr, setId("m"), FW_ADDRSET_IP, new CKestFWAddressList(borrowed));
        FWAddress_ recs[3] = {};
        CKestFWAddressIPv6("::1", false).toMessage(&recs[0], 144, nullptr);
        CKestFWAddrSetID("other", false).toMessage(&recs[1], 144, nullptr);  // refused by the list
        CKestFWAddressIPv4("1.2.3.4", true).toMessage(&recs[2], 144, nullptr);
        EXPECT_TRUE(cmd.addAddress(recs, 3));
        EXPECT_EQ(cmd.getAddressList()->size(), 2u);
        EXPECT_TRUE(cmd.getAddressList()->hasIPv6());
        EXPECT_EQ(cmd.toString(), "create addrset m with {ip ::1, not ip 1.2.3.4}");
        Bytes body(cmd.getMsgSize());
        unsigned written = 0;
        ASSERT_TRUE(cmd.writeCmdBody(body.data(), unsigned(body.size()), &written, 0));
        EXPECT_EQ(body[58], 0x0B);
        EXPECT_EQ(Bytes(body.begin() + 238, body.end()),
                  Bytes(reinterpret_cast<uint8_t*>(&recs[2]), reinterpret_cast<uint8_t*>(&recs[2]) + 144));
    }
    EXPECT_TRUE(log.has("cannot add address of unsupported type 11\n"));
    CKestFWCmdCreateAddrSet cmd(nullptr, setId("m"), FW_ADDRSET_IP);
    FWAddress_ unknown{};
    unknown.type[0] = 99;
    EXPECT_THROW(cmd.addAddress(&unknown, 1), CInvalidAddressException);
    EXPECT_THROW(cmd.addAddress(nullptr, 1), CInvalidAddressException);
    EXPECT_TRUE(cmd.addAddress(nullptr, 0));
}

TEST(IpRepChunkList, TextSizeAndOverflow) {
    CKestFWIpRepChunkList two(kDb, 7, false, 2, entries({{167772161, 3, 90, 24, {}}, {1, 0, 5, 32, {}}}));
    EXPECT_EQ(two.toString(),
              "{idbucket 7chunkip: 167772161mask: 24threat mask: 3reputation: 90, ip: 1mask: 32threat mask: "
              "0reputation: 5}");
    EXPECT_EQ(two.getMsgSize(), 32u);
    unsigned written = 0;
    Bytes small(31);
    EXPECT_FALSE(two.toMessage(small.data(), 31, &written));
    EXPECT_EQ(CKestFWIpRepChunkList(nullptr, -2, true, 0, nullptr).toString(), "{idbucket -2chunk}");

    fw_iprep_entry_ one{};
    for (int count : {0x10000000, -1}) {
        CKestFWIpRepChunkList huge(kDb, 0, true, count, &one);
        try {
            huge.getMsgSize();
            ADD_FAILURE();
        } catch (const CKestFWException& e) {
            EXPECT_EQ(e.retcode(), 17u);
            EXPECT_EQ(std::string(e.what()), "too many chunks: " + std::to_string(unsigned(count)));
        }
    }
    CKestFWIpRepChunkList fits(kDb, 0, true, 0x0FFFFFFF, &one);
    EXPECT_EQ(fits.getMsgSize(), 0xFFFFFFF0u);
}

TEST(AddrSetKind, OfAddressType) {
    const unsigned short types[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 15, 141, 0xFFFF};
    const FWAddrSetType_t kinds[] = {0, 1, 1, 1, 1, 1, 1, 2, 0, 0, 0, 0, 0, 0};
    for (size_t i = 0; i < sizeof types / sizeof types[0]; ++i)
        EXPECT_EQ(addr_type_to_addrset_type(types[i]), kinds[i]) << types[i];
}
