// Connection commands alone: hand-written bodies for every command, their texts, the constructor
// refusals, the connection list's order and duplicates, and the identifier limits of the DPI query.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "cmd/KestFWCmdClearAllConnection.h"
#include "cmd/KestFWCmdGetConnAttrInfo.h"
#include "cmd/KestFWCmdGetConnectionCount.h"
#include "cmd/KestFWCmdGetConnectionDPIInfo.h"
#include "cmd/KestFWCmdGetConnectionStat.h"
#include "cmd/KestFWCmdSetAllConnection.h"
#include "cmd/KestFWCmdSetConnAttr.h"
#include "cmd/KestFWCmdSetConnectionByFilter.h"
#include "cmd/KestFWCmdSetConnectionByList.h"
#include "cmd/KestFWCmdSetFailPolicy.h"
#include "model/KestFWConnectionList.h"
#include "support/Wire.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

// 10.0.0.<a>:<sp> -> 10.0.0.<b>:<dp>, TCP, inbound.
FWConnection_ conn4(uint8_t a, uint16_t sp, uint8_t b, uint16_t dp) {
    FWConnection_ c{};
    c.src[0] = 10, c.src[3] = a;
    c.dst[0] = 10, c.dst[3] = b;
    c.sport = htons(sp);
    c.dport = htons(dp);
    c.flags = FW_CONN_FLAG_INBOUND;
    c.proto = 6;
    return c;
}

// The 40 key bytes as the record table lays them out.
Bytes keyBytes(uint8_t a, uint16_t sp, uint8_t b, uint16_t dp) {
    return Golden(40)
        .raw(0, {10, 0, 0, a})
        .raw(16, {10, 0, 0, b})
        .raw(32, {uint8_t(sp >> 8), uint8_t(sp), uint8_t(dp >> 8), uint8_t(dp), FW_CONN_FLAG_INBOUND})
        .le(39, 6, 1)
        .b;
}

Bytes bodyOf(CKestFWCmd& cmd) {
    Bytes b(cmd.getMsgSize() + 16, 0xEE);
    unsigned written = 0;
    EXPECT_TRUE(cmd.writeCmdBody(b.data(), unsigned(b.size()), &written, 0));
    EXPECT_EQ(written, cmd.getMsgSize());
    b.resize(written);
    return b;
}

FWConnFilter_ patternFilter() {
    FWConnFilter_ f;
    for (unsigned i = 0; i < sizeof f.bytes; ++i) f.bytes[i] = uint8_t(i + 1);
    return f;
}

struct BodyCase {
    const char* name;
    std::function<CKestFWCmd*()> make;
    unsigned opcode;
    unsigned type;
    Bytes body;
    std::string text;
};
void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }

class ConnBody : public ::testing::TestWithParam<BodyCase> {};

TEST_P(ConnBody, OpcodeTypeBodyAndText) {
    const BodyCase& c = GetParam();
    std::unique_ptr<CKestFWCmd> cmd(c.make());
    EXPECT_EQ(cmd->getCommand(), c.opcode);
    EXPECT_EQ(cmd->getType(), c.type);
    EXPECT_EQ(bodyOf(*cmd), c.body);
    EXPECT_EQ(cmd->toString(), c.text);
    // One byte short of the body: refused, nothing reported written.
    Bytes small(cmd->getMsgSize() - 1);
    unsigned written = 7;
    EXPECT_FALSE(cmd->writeCmdBody(small.data(), unsigned(small.size()), &written, 0));
}

const FWConnFilter_ kFilter = patternFilter();

Bytes filterBody() {
    Golden g(84);
    for (unsigned i = 0; i < 80; ++i) g.le(i, i + 1, 1);
    return g.b;
}

Bytes statBody(unsigned count, uint64_t start) {
    Golden g(102 + 294 * count);
    g.le(0, 1, 1).le(12, count, 4).le(28, 102 + 294 * count, 4);
    for (int i = 0; i < 8; ++i) g.le(4 + i, uint8_t(start >> (56 - 8 * i)), 1);
    return g.b;
}

Bytes listBody() {
    Golden g(8 + 80);
    g.le(0, 2, 4).raw(8, keyBytes(1, 80, 2, 8080)).raw(48, keyBytes(3, 1, 4, 2));
    return g.b;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ConnBody,
    ::
        testing::
            Values(
                BodyCase{"Count", [] { return new CKestFWCmdGetConnectionCount(nullptr, nullptr); }, 23, 46,
                         Bytes(16, 0), "describe connection count"},
                BodyCase{"StatFromStart", [] { return new CKestFWCmdGetConnectionStat(nullptr, nullptr, 2, 0); }, 24,
                         47, statBody(2, 0), "describe connection stat "},
                BodyCase{"StatFromFlow",
                         [] { return new CKestFWCmdGetConnectionStat(nullptr, nullptr, 1, 0x0102030405060708ull); }, 24,
                         47, statBody(1, 0x0102030405060708ull), "describe connection stat  from 0x0102030405060708"},
                BodyCase{"FailOpen", [] { return new CKestFWCmdSetFailPolicy(nullptr, FW_FAIL_OPEN); }, 28, 51,
                         Bytes{0}, " failure policy: fail open"},
                BodyCase{"FailCloseFromWideValue", [] { return new CKestFWCmdSetFailPolicy(nullptr, 0x101); }, 28, 51,
                         Bytes{1}, " failure policy: fail close"},
                BodyCase{"ByListSortedAndDeduplicated",
                         [] {
                             const FWConnection_ cs[3] = {conn4(3, 1, 4, 2), conn4(1, 80, 2, 8080), conn4(3, 1, 4, 2)};
                             return new CKestFWCmdSetConnectionByList(nullptr, 3, cs);
                         },
                         34, 57, listBody(),
                         "set connection  with { from 10.0.0.1:80 to 10.0.0.2:8080, from 10.0.0.3:1 to 10.0.0.4:2}"},
                BodyCase{"ClearAll", [] { return new CKestFWCmdClearAllConnection(nullptr); }, 40, 63, Bytes(4, 0),
                         "clear all connection"},
                BodyCase{"ByFilter", [] { return new CKestFWCmdSetConnectionByFilter(nullptr, &kFilter); }, 64, 87,
                         filterBody(), "set connection "},
                BodyCase{"All", [] { return new CKestFWCmdSetAllConnection(nullptr); }, 65, 88, Bytes(4, 0),
                         "set all connection"},
                BodyCase{
                    "AttrByConnection",
                    [] { return new CKestFWCmdSetConnAttr(nullptr, conn4(1, 80, 2, 8080), FW_ATTR_OP_DELETE); }, 73, 96,
                    Golden(80).le(4, 1, 4).raw(8, keyBytes(1, 80, 2, 8080)).le(48, 1, 4).le(64, 12, 4).le(68, 2, 4).b,
                    "set connection attr\n{\ndummy with {}}"},
                BodyCase{"AttrByStateId",
                         [] { return new CKestFWCmdSetConnAttr(nullptr, 0x1122334455ull, FW_ATTR_OP_ADD); }, 73, 96,
                         Golden(80).le(52, 0x1122334455ull, 8).le(64, 12, 4).le(68, 2, 4).b,
                         "set connection attr\n{\ndummy with {}}"},
                BodyCase{"AttrInfoByConnection",
                         [] { return new CKestFWCmdGetConnAttrInfo(nullptr, conn4(1, 80, 2, 8080)); }, 74, 97,
                         Golden(60).le(0, 2, 4).raw(4, keyBytes(1, 80, 2, 8080)).b,
                         "get connection attr  conn : <need to pring the FWConnection_t>"},
                BodyCase{"AttrInfoByStateId", [] { return new CKestFWCmdGetConnAttrInfo(nullptr, 77); },
                         74, 97, Golden(60).le(44, 77, 8).b, "get connection attr  state_id : 77"},
                BodyCase{
                    "DPIInfo",
                    [] {
                        auto* c = new CKestFWCmdGetConnectionDPIInfo(nullptr);
                        c->addStateID(5ul);
                        c->addStateID(0x100000000ul);
                        return c;
                    },
                    77, 100, Golden(40).le(0, 2, 4).le(8, 5, 8).le(24, 0x100000000ull, 8).b,
                    "get connection dpi info of { 5, 4294967296"}),
    [](const ::testing::TestParamInfo<BodyCase>& i) { return std::string(i.param.name); });

TEST(ConnCommands, AttributesTravelAsTheContainerChain) {
    CKestFWCmdSetConnAttr cmd(nullptr, 9, FW_ATTR_OP_ADD);
    EXPECT_TRUE(cmd.addAttribute(std::make_unique<CKestFWL7Attribute>(FW_ATTR_KEY_PROCESS_HASH, 0xABCDul, 0)));
    EXPECT_FALSE(cmd.addAttribute(std::make_unique<CKestFWL7Attribute>(FW_ATTR_KEY_PROCESS_HASH, 0xABCDul, 0)));
    const Bytes b = bodyOf(cmd);
    // Head, then the chain: its 12-byte header, one element header of 8 and an 18-byte unsigned value.
    ASSERT_EQ(b.size(), 68u + 12 + 8 + 18);
    EXPECT_EQ(le32(&b[60]), 1u);
    EXPECT_EQ(le32(&b[64]), 12u + 8 + 18);
    EXPECT_EQ(le32(&b[68]), 2u);
    EXPECT_EQ(le32(&b[72]), 1u);
    EXPECT_EQ(b[68 + 12 + 8], FW_ATTR_KEY_PROCESS_HASH);
    EXPECT_EQ(le32(&b[68 + 12 + 8 + 10]), 0xABCDu);
}

TEST(ConnCommands, ConstructorRefusals) {
    expectRaises([] { CKestFWCmdSetFailPolicy(nullptr, 2); }, 7, "invalid fail policy");
    expectRaises([] { CKestFWCmdGetConnectionStat(nullptr, nullptr, 0x00E00000u, 0); }, 17,
                 "number of connections: 14680064");
    expectRaises([] { CKestFWCmdSetConnectionByList(nullptr, 0x07000000u, nullptr); }, 17,
                 "number of connections: 117440512");
}

TEST(ConnCommands, DPIIdentifierLimits) {
    CKestFWCmdGetConnectionDPIInfo one(nullptr);
    for (unsigned long i = 0; i < 101; ++i) ASSERT_TRUE(one.addStateID(i));
    EXPECT_FALSE(one.addStateID(101ul));
    EXPECT_EQ(one.getStateIDs().size(), 101u);

    unsigned long ids[101] = {};
    CKestFWCmdGetConnectionDPIInfo many(nullptr);
    EXPECT_FALSE(many.addStateID(ids, 101));
    EXPECT_TRUE(many.getStateIDs().empty());
    EXPECT_TRUE(many.addStateID(ids, 100));
    EXPECT_TRUE(many.addStateID(ids, 100));  // what is present is not counted
    EXPECT_EQ(many.getStateIDs().size(), 200u);
}

TEST(ConnectionList, OrderDuplicatesAndComparison) {
    CKestFWConnectionList a, b;
    EXPECT_TRUE(a.addConnection(new FWConnection_(conn4(9, 1, 1, 1))));
    EXPECT_TRUE(a.addConnection(new FWConnection_(conn4(2, 1, 1, 1))));
    EXPECT_FALSE(a.addConnection(new FWConnection_(conn4(9, 1, 1, 1))));
    FWConnection_ outbound = conn4(9, 1, 1, 1);
    outbound.flags = FW_CONN_FLAG_OUTBOUND;  // differs in one byte: a record of its own
    EXPECT_TRUE(a.addConnection(new FWConnection_(outbound)));
    EXPECT_EQ(a.getMsgSize(), 120u);
    EXPECT_EQ(a.getType(), 138u);
    Bytes m(120);
    unsigned written = 0;
    ASSERT_TRUE(a.toMessage(m.data(), 120, &written));
    EXPECT_EQ(Bytes(m.begin(), m.begin() + 40), keyBytes(2, 1, 1, 1));
    EXPECT_EQ(m[40 + 36], FW_CONN_FLAG_INBOUND);
    EXPECT_EQ(m[80 + 36], FW_CONN_FLAG_OUTBOUND);
    EXPECT_FALSE(a.toMessage(m.data(), 119, &written));

    EXPECT_TRUE(b < a);
    EXPECT_FALSE(a < b);
    b.addConnection(new FWConnection_(conn4(1, 1, 1, 1)));
    b.addConnection(new FWConnection_(conn4(1, 2, 1, 1)));
    b.addConnection(new FWConnection_(conn4(1, 3, 1, 1)));
    expectRaises([&] { (void)(a < b); }, 7, "compare two connection list");
}

}  // namespace
