// Identity and name-mapping commands on their own: the bodies they write at their size limits, the
// refusal one past each limit, refusal of a buffer one byte short, their texts, and replies that claim
// more than they carry.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cmd/KestFWCmdAddDomain2IPMapping.h"
#include "cmd/KestFWCmdCreateContainer.h"
#include "cmd/KestFWCmdDeleteFqdnTree.h"
#include "cmd/KestFWCmdGetDomainUuidMap.h"
#include "cmd/KestFWCmdGetElementsOfContainer.h"
#include "cmd/KestFWCmdGetFqdnEntries.h"
#include "cmd/KestFWCmdGetUid2SidMapping.h"
#include "cmd/KestFWCmdGetUuid.h"
#include "cmd/KestFWCmdModifyDomainUuidMap.h"
#include "cmd/KestFWCmdSetDnsConfigProfile.h"
#include "cmd/KestFWCmdSetUid2SidMapping.h"
#include "model/KestFWAddressFactory.h"
#include "model/KestFWL7Attribute.h"
#include "support/AddressMakers.h"
#include "support/LogCapture.h"
#include "support/SetSamples.h"
#include "support/Wire.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

KestFWUuid uuid(uint8_t first) {
    KestFWUuid u{};
    for (size_t i = 0; i < u.size(); ++i) u[i] = uint8_t(first + i);
    return u;
}
Bytes bytesOf(const KestFWUuid& u) { return Bytes(u.begin(), u.end()); }
template <typename T>
Bytes rawOf(const T& v) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&v);
    return Bytes(p, p + sizeof v);
}

// A Windows SID with `n` sub-authorities.
std::string winSid(unsigned n) {
    std::string s = "S-1-5";
    for (unsigned i = 0; i < n; ++i) s += "-" + std::to_string(1000 + i);
    return s;
}
fwattr_sid sidOf(const std::string& text) {
    fwattr_sid s;
    EXPECT_EQ(sid_str2bin(text.c_str(), &s), 1) << text;
    return s;
}

const FWAddress_ kV6 = addrRecord(2, {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
const std::string kDomain254(254, 'd');
const std::string kName37(37, 'c');

std::unique_ptr<CKestFWAddress> addressOf(const FWAddress_& rec) {
    return std::unique_ptr<CKestFWAddress>(CKestFWAddressFactory::newFromMsgBuf(&rec));
}

struct BodyCase {
    const char* name;
    std::function<CKestFWCmd*()> build;
    std::function<Golden()> golden;
    std::string text;  // empty: not checked
};
void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }

Bytes writeBody(CKestFWCmd& cmd, unsigned int avail, bool* ok, unsigned int* written) {
    Bytes out(avail + 16, 0xEE);
    *ok = cmd.writeCmdBody(out.data(), avail, written, 0);
    out.resize(avail);
    return out;
}

class IdentityBody : public ::testing::TestWithParam<BodyCase> {};

TEST_P(IdentityBody, WritesItsGoldenBodyAndRefusesOneByteLess) {
    const BodyCase& c = GetParam();
    std::unique_ptr<CKestFWCmd> cmd(c.build());
    const Bytes expected = c.golden().b;
    ASSERT_EQ(cmd->getMsgSize(), expected.size());
    bool ok = false;
    unsigned int written = 0;
    EXPECT_EQ(writeBody(*cmd, cmd->getMsgSize(), &ok, &written), expected);
    EXPECT_TRUE(ok);
    EXPECT_EQ(written, expected.size());
    if (!c.text.empty()) {
        EXPECT_EQ(cmd->toString(), c.text);
    }

    LogCapture log;
    const unsigned int shortBy1 = cmd->getMsgSize() - 1;
    const Bytes untouched = writeBody(*cmd, shortBy1, &ok, &written);
    EXPECT_FALSE(ok);
    EXPECT_EQ(untouched, Bytes(shortBy1, 0xEE)) << "nothing is written into a buffer that is too small";
    EXPECT_TRUE(log.has("failed to write command body buffer size: " + std::to_string(shortBy1) +
                        " required size: " + std::to_string(expected.size())));
}

CKestFWCmd* domainUuid(const std::string& domain) {
    auto* c = new CKestFWCmdModifyDomainUuidMap(nullptr, false);
    c->addDomainUuidEntry(domain, {uuid(0x20)}, 0x1122334455667788ull, 0x99);
    c->addDomainUuidEntry(domain, {uuid(0x10)}, 0x1122334455667788ull, 0x99);  // merges
    return c;
}
Golden domainUuidGolden() {
    return Golden(5 + 284 + 32)
        .le(1, 1, 4)
        .text(5, kDomain254)
        .le(5 + 268, 0x1122334455667788ull, 8)
        .le(5 + 276, 2, 4)
        .le(5 + 280, 0x99, 4)
        .raw(5 + 284, bytesOf(uuid(0x10)))
        .raw(5 + 300, bytesOf(uuid(0x20)));
}

CKestFWCmd* sidMapping(unsigned groups) {
    auto* c = new CKestFWCmdSetUid2SidMapping(nullptr, 0, sidOf(winSid(15)), 7);
    std::vector<fwattr_sid> g;
    for (unsigned i = 0; i < groups; ++i) g.push_back(sidOf(winSid(1 + i % 15)));
    c->addSid(g.data(), groups);
    return c;
}
Golden sidGolden(unsigned groups) {
    Golden g(88 + 72 * groups);
    g.le(8, groups, 4).le(12, 7, 4).raw(16, rawOf(sidOf(winSid(15))));
    for (unsigned i = 0; i < groups; ++i) g.raw(88 + 72 * i, rawOf(sidOf(winSid(1 + i % 15))));
    return g;
}

CKestFWCmd* container(const std::string& name, FWContainerType type, bool element) {
    auto* c = new CKestFWCmdCreateContainer(nullptr, name, type);
    if (element)
        c->addElement(std::unique_ptr<CKestFWContainerElement>(new CKestFWL7Attribute(FW_ATTR_KEY_APP_ID, 67L, 0)));
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, IdentityBody,
    ::testing::Values(
        BodyCase{"domain uuid of 254 characters, two merged uuids", [] { return domainUuid(kDomain254); },
                 domainUuidGolden, ""},
        BodyCase{"domain uuid of 300 characters cut to 254", [] { return domainUuid(std::string(300, 'd')); },
                 domainUuidGolden, ""},
        BodyCase{"domain uuid delete without uuids",
                 [] {
                     auto* c = new CKestFWCmdModifyDomainUuidMap(nullptr, true);
                     c->addDomainUuidEntry("b.io", {}, 0, 0);
                     c->addDomainUuidEntry("a.io", {}, 0, 0);
                     c->addDomainUuidEntry("c.io", {}, 0, 0);
                     c->delDomainUuidEntry("c.io");
                     return c;
                 },
                 [] { return Golden(5 + 2 * 284).le(0, 1, 1).le(1, 2, 4).text(5, "a.io").text(5 + 284, "b.io"); },
                 "del domainuuid {a.io {no uuids}, b.io {no uuids}}"},
        BodyCase{"domain uuid without domains", [] { return new CKestFWCmdModifyDomainUuidMap(nullptr, false); },
                 [] { return Golden(5); }, "add domainuuid {no domain}"},
        BodyCase{"domain to addresses",
                 [] {
                     auto* c = new CKestFWCmdAddDomain2IPMapping(nullptr, std::string("a.com\0junk", 10));
                     c->addAddress(addressOf(ipv4Host(1)), 60);
                     c->addAddress(addressOf(kV6), 0xFFFFFFFF);
                     return c;
                 },
                 [] {
                     return Golden(16 + 2 * 148)
                         .le(0, 2, 4)
                         .le(4, 304, 4)
                         .le(8, 6, 2)
                         .text(10, "a.com")
                         .le(16, 60, 4)
                         .raw(20, rawOf(ipv4Host(1)))
                         .le(164, 0xFFFFFFFF, 4)
                         .raw(168, rawOf(kV6));
                 },
                 "add domain2ip mapping a.com {ip 10.0.0.1 [ttl: 60, type: 1], ip fe80::1 [ttl: 4294967295, type: 2]}"},
        BodyCase{"domain to no addresses", [] { return new CKestFWCmdAddDomain2IPMapping(nullptr, "x"); },
                 [] { return Golden(12).le(4, 4, 4).le(8, 2, 2).text(10, "x"); }, "add domain2ip mapping x {no ips}"},
        BodyCase{"user with a 15-part SID and 40 groups", [] { return sidMapping(40); }, [] { return sidGolden(40); },
                 ""},
        BodyCase{"user without groups", [] { return sidMapping(0); }, [] { return sidGolden(0); },
                 "add uid2sid mapping UID: " + winSid(15) + " {}"},
        BodyCase{"dns profile with a server",
                 [] {
                     auto* c = new CKestFWCmdSetDnsConfigProfile(nullptr);
                     c->setTTL(30);
                     c->addAddress(ipv4Host(53));
                     return c;
                 },
                 [] { return Golden(13 + 144).le(5, 30, 4).le(9, 1, 4).raw(13, rawOf(ipv4Host(53))); },
                 "set dnsprofile ttl 30 address { address ip 10.0.0.53 }"},
        BodyCase{"dns profile infinite",
                 [] {
                     auto* c = new CKestFWCmdSetDnsConfigProfile(nullptr, 0, 5);
                     c->setTTLInfinite();
                     return c;
                 },
                 [] { return Golden(13).le(4, 1, 1); }, "set dnsprofile ttl infinite"},
        BodyCase{"domain uuid fetch", [] { return new CKestFWCmdGetDomainUuidMap(nullptr, 3, 1, 100, 7, 9); },
                 [] { return Golden(118).le(0, 3, 1).le(1, 1, 1).le(2, 7, 4).le(6, 9, 4).le(10, 100, 4); },
                 "get domainuuid "},
        BodyCase{"user map page", [] { return new CKestFWCmdGetUid2SidMapping(nullptr, 2, 1); },
                 [] { return Golden(84 + 92 + 16 * 72).le(4, 1, 4).le(8, 2, 4); }, ""},
        BodyCase{"fqdn entries of an IPv4 address",
                 [] { return new CKestFWCmdGetFqdnEntries(nullptr, v4("10.0.0.1"), 5); },
                 [] {
                     return Golden(179).le(0, 1, 2).raw(4, {10, 0, 0, 1}).le(144, 5, 4);
                 },
                 "describe dst filtering"},
        BodyCase{"fqdn entries of an IPv6 address",
                 [] { return new CKestFWCmdGetFqdnEntries(nullptr, v6("fe80::1"), 2); },
                 [] { return Golden(179).le(0, 2, 2).raw(4, Bytes(kV6.body, kV6.body + 16)).le(144, 2, 4); }, ""},
        BodyCase{
            "uuids of an address", [] { return new CKestFWCmdGetUuid(nullptr, ipv4Host(1), 1, 2, 3); },
            [] { return Golden(413 + 3 * 1090).raw(0, rawOf(ipv4Host(1))).le(144, 1, 4).le(401, 2, 4).le(405, 3, 4); },
            "describe list of dst filtering domains"},
        BodyCase{"attribute profile with a 37-character name", [] { return container(kName37, 2, false); },
                 [] { return Golden(94 + 12).text(0, kName37).le(50, 2, 4).le(54, 12, 4).le(58, 3, 1).le(94, 2, 4); },
                 "create attrprofile " + kName37 + " with {}\n"},
        BodyCase{"plain container with an element", [] { return container("c", 9, true); },
                 [] {
                     CKestFWContainer ref("c", 9);
                     ref.addElement(
                         std::unique_ptr<CKestFWContainerElement>(new CKestFWL7Attribute(FW_ATTR_KEY_APP_ID, 67L, 0)));
                     Bytes chain(ref.getMsgSize());
                     unsigned used = 0;
                     ref.toMessage(chain.data(), unsigned(chain.size()), &used);
                     return Golden(94 + chain.size())
                         .text(0, "c")
                         .le(46, 1, 4)
                         .le(50, 9, 4)
                         .le(54, chain.size(), 4)
                         .le(58, 3, 1)
                         .raw(94, chain);
                 },
                 ""},
        BodyCase{"container elements", [] { return new CKestFWCmdGetElementsOfContainer(nullptr, kName37, 2, 4, 100); },
                 [] { return Golden(170).text(0, kName37).le(38, 2, 4).le(42, 4, 4); }, ""},
        BodyCase{"fqdn tree delete", [] { return new CKestFWCmdDeleteFqdnTree(nullptr); }, [] { return Golden(4); },
                 "describe delete fqdn "}));

// ---- One past each limit ----------------------------------------------------------------------------------

struct LimitCase {
    const char* name;
    std::function<void()> build;
    FWStatus_t code;
    std::string message;  // empty: not checked
};
void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class IdentityLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(IdentityLimit, IsRefusedWithItsStatus) {
    const LimitCase& c = GetParam();
    expectRaises(c.build, c.code, c.message.empty() ? nullptr : c.message.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Limits, IdentityLimit,
    ::testing::Values(
        LimitCase{"container name of 38 characters",
                  [] { CKestFWCmdCreateContainer(nullptr, std::string(38, 'c'), 2); }, 69,
                  "invalid container name: " + std::string(38, 'c') + "(size: 38greater than max size: 37)"},
        LimitCase{"container read of a 38-character name",
                  [] { CKestFWCmdGetElementsOfContainer(nullptr, std::string(38, 'c'), 2, 1, 10); }, 69, ""},
        LimitCase{"domain of 65535 characters for addresses",
                  [] { CKestFWCmdAddDomain2IPMapping(nullptr, std::string(65535, 'a')); }, 32, ""},
        LimitCase{"uuid entries past what a message can carry",
                  [] { CKestFWCmdGetUuid(nullptr, ipv4Host(1), 0, 0, 3950000); }, 17, "too many uuid entries: 3950000"},
        LimitCase{"domain uuid room past what a message can carry",
                  [] { CKestFWCmdGetDomainUuidMap(nullptr, 3, 0, 0xFFFFFFF0u, 0, 0); }, 17, ""},
        LimitCase{"user map page past what a message can carry",
                  [] { CKestFWCmdGetUid2SidMapping(nullptr, 0, 4000000); }, 17, ""}));

TEST(IdentityLimits, DomainOf65534CharactersStillTravels) {
    CKestFWCmdAddDomain2IPMapping c(nullptr, std::string(65534, 'a'));
    Bytes body(c.getMsgSize());
    unsigned written = 0;
    ASSERT_TRUE(c.writeCmdBody(body.data(), unsigned(body.size()), &written, 0));
    EXPECT_EQ(body[8] | body[9] << 8, 65535);
    EXPECT_EQ(body.back(), 0);
}

// ---- Replies that claim more than they carry --------------------------------------------------------------

TEST(IdentityReplies, DomainRecordsPastTheReplyAreRefusedWhole) {
    CKestFWCmdGetDomainUuidMap c(nullptr, 3, 0, 2 * 284, 0, 0);
    Golden reply(18 + 2 * 284);
    reply.le(14, 2, 4).text(18, "a.io").le(18 + 276, 0, 4).text(18 + 284, "b.io").le(18 + 284 + 276, 1, 4);
    expectRaises([&] { c.checkCmdReply(reply.b.data(), unsigned(reply.b.size())); }, 4);
    EXPECT_EQ(c.getCount(), 0u);
    reply.le(18 + 284 + 276, 0, 4).le(18 + 255, 1, 1).le(18 + 256, 5, 8).le(18 + 264, 6, 4);
    c.checkCmdReply(reply.b.data(), unsigned(reply.b.size()));
    ASSERT_EQ(c.getCount(), 2u);
    DomainUUIDEntry e;
    ASSERT_TRUE(c.getDomainUuidEntry(0, &e));
    EXPECT_EQ(e.domain, "a.io");
    EXPECT_EQ(e.flag, 1);
    EXPECT_EQ(e.info, 5u);
    EXPECT_EQ(e.infoWord, 6u);
    EXPECT_FALSE(c.getDomainUuidEntry(2, &e));
    reply.le(14, 3, 4);
    expectRaises([&] { c.checkCmdReply(reply.b.data(), unsigned(reply.b.size())); }, 4);
    EXPECT_EQ(c.getCount(), 0u) << "a refused reply leaves nothing of the earlier one";
}

TEST(IdentityReplies, UserEntryClaimingMoreGroupsThanItCarriesEndsTheReport) {
    CKestFWCmdGetUid2SidMapping c(nullptr, 0, 1);
    Golden reply(c.getMsgSize());
    reply.le(4, 1, 4).le(12 + 4, 1000, 4).raw(12 + 20, rawOf(sidOf(winSid(2))));
    ReportCapture report;
    LogCapture log;
    c.checkCmdReply(reply.b.data(), unsigned(reply.b.size()));
    EXPECT_TRUE(ReportCapture::lines().empty());
    EXPECT_TRUE(log.has("runs past the reply"));
}

TEST(IdentityReplies, ContainerChainThatDoesNotParseIsRefused) {
    CKestFWCmdGetElementsOfContainer c(nullptr, "p", 2, 4, 40);
    Golden reply(70 + 40);
    reply.le(70, 2, 4).le(74, 3, 4).le(78, 28, 4).le(82, 1, 2).le(86, 500, 4);
    LogCapture log;
    expectRaises([&] { c.checkCmdReply(reply.b.data(), unsigned(reply.b.size())); }, 4,
                 "failed to parse the tlv chain");
    EXPECT_TRUE(log.has("failed to parse the tlv chain"));
    EXPECT_EQ(c.getContainer().getCount(), 0u);
}

}  // namespace
