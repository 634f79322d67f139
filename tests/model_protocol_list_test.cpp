// Protocol spec lists: the 56-byte protocol and 38-byte port blocks against hand-written bytes,
// duplicates, reading a protocol block back, and merging destination ports.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/KestFWProtocolSpecDSCP.h"
#include "model/KestFWProtocolSpecICMPType.h"
#include "model/KestFWProtocolSpecL4Port.h"
#include "model/KestFWProtocolSpecL4PortRange.h"
#include "model/KestFWProtocolSpecL4PortSet.h"
#include "model/KestFWProtocolSpecList.h"
#include "model/KestFWProtocolSpecSloppy.h"
#include "model/KestFWProtocolSpecStateless.h"
#include "model/KestFWProtocolSpecStrict.h"
#include "model/KestFWProtocolSpecTCPFlags.h"
#include "model/KestFWProtocolSpecTCPOptions.h"
#include "support/RecordBytes.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

std::vector<uint8_t> block(CKestFWProtocolSpecList& list) {
    std::vector<uint8_t> buf(list.getMsgSize(), 0xcc);
    unsigned used = 0;
    EXPECT_TRUE(list.toMessage(buf.data(), static_cast<unsigned>(buf.size()), &used));
    EXPECT_EQ(used, buf.size());
    return buf;
}

using Maker = std::function<CKestFWProtocolSpec*()>;

template <typename... M>
std::vector<Maker> specs(M... makers) {
    return {makers...};
}

// A list of `dir` holding the specs, in the port form when asked.
std::unique_ptr<CKestFWProtocolSpecList> listOf(const std::vector<Maker>& specs, unsigned char dir = 0,
                                                bool portForm = false) {
    std::unique_ptr<CKestFWProtocolSpecList> l(new CKestFWProtocolSpecList(dir));
    l->setPortForm(portForm);
    for (const Maker& s : specs) l->addSpec(s());
    return l;
}

using Stateless = CKestFWProtocolSpecStateless;
using Port = CKestFWProtocolSpecL4Port;
using PortSet = CKestFWProtocolSpecL4PortSet;
using Range = CKestFWProtocolSpecL4PortRange;
using Flags = CKestFWProtocolSpecTCPFlags;
using Icmp = CKestFWProtocolSpecICMPType;
const unsigned char kSack[] = {0x04, 0x02};

struct BlockCase {
    const char* name;
    bool portForm;
    std::vector<Maker> specs;
    std::string bytes;
    std::string text;
    std::string readText = "";  // read back, when it differs: the block's own order, without ignored kinds
};

std::ostream& operator<<(std::ostream& os, const BlockCase& c) { return os << c.name; }

class ListBlock : public ::testing::TestWithParam<BlockCase> {};

TEST_P(ListBlock, WritesPrintsAndReadsBack) {
    const BlockCase& c = GetParam();
    std::unique_ptr<CKestFWProtocolSpecList> list = listOf(c.specs, c.portForm ? 2 : 0, c.portForm);
    EXPECT_EQ(list->toString(), c.text);
    const std::vector<uint8_t> bytes = block(*list);
    EXPECT_EQ(bytes, hex(c.bytes));
    if (c.portForm) return;
    std::unique_ptr<CKestFWProtocolSpecList> back(CKestFWProtocolSpecList::newFromProtocolBlock(bytes.data(), 56));
    EXPECT_EQ(back->toString(), c.readText.empty() ? c.text : c.readText);
    EXPECT_EQ(block(*back), bytes);
}

// Protocol block: mode word (bit 0 stateless, bits 5..10 dscp, bit 11 strict, bit 12 sloppy), two zero
// bytes, the flags-or-icmp slot (header at 4, body at 6), the options slot (header at 12, body at 14).
const BlockCase kBlocks[] = {
    {"Empty", false, specs(), zeros(56), ""},
    {"StatelessDscp63Strict", false,
     specs(mk<Stateless>(), mk<CKestFWProtocolSpecDSCP>(63), mk<CKestFWProtocolSpecStrict>()), "e1 0f" + zeros(54),
     "with {stateless, dscp 63, strict}"},
    {"OptionsFlagsSloppy", false,
     specs(mk<CKestFWProtocolSpecTCPOptions>(0, kSack, 2, true), mk<Flags>(0, 0x1ff, false),
           mk<CKestFWProtocolSpecSloppy>()),
     "00 10 | 00 00 | 20 00 | ff 01 00 00 00 00 | 2c 00 | 02 00 04 02" + zeros(38),
     "with {not tcpoptions 0x0402, flag 0x01ff, sloppy}", "with {sloppy, flag 0x01ff, not tcpoptions 0x0402}"},
    {"IcmpAndIgnoredPort", false, specs(mk<Port>(0, 53, false), mk<Icmp>(0, 11, true)),
     "00 00 00 00 | 34 00 | 01 00 00 00 0b 00" + zeros(44), "with {port 53, not icmptype 11}", "not icmptype 11"},
    {"PortBlockPortWithIgnoredMode", true, specs(mk<Stateless>(), mk<Port>(1, 22, true)), "0d 00 | 00 16" + zeros(34),
     "with {stateless, not port 22}"},
};

INSTANTIATE_TEST_SUITE_P(Blocks, ListBlock, ::testing::ValuesIn(kBlocks), ::testing::PrintToStringParamName());

// Two members for one slot: a second of a kind is refused when added; flags and ICMP share a slot
// (as do the port kinds in the port block), so holding both is refused when written.
TEST(SpecList, DuplicatesRaise43) {
    EXPECT_EQ(raised([] {
                  listOf({mk<Flags>(0, 1, false), mk<Flags>(0, 2, false)});
              }),
              "43: duplicate definition of protocol spec of tcp flags");
    std::vector<uint8_t> buf(56);
    std::unique_ptr<CKestFWProtocolSpecList> shared = listOf({mk<Flags>(0, 1, false), mk<Icmp>(0, 8, false)});
    EXPECT_EQ(raised([&] { shared->toMessage(buf.data(), 56, nullptr); }),
              "43: duplicate definition of protocol spec of unknown");
    std::unique_ptr<CKestFWProtocolSpecList> ports =
        listOf({mk<Port>(0, 1, false), mk<Range>(0, 2, 3, false)}, 0, true);
    EXPECT_EQ(raised([&] { ports->toMessage(buf.data(), 56, nullptr); }),
              "43: duplicate definition of protocol spec of unknown");
}

TEST(SpecList, CountsDeletesAndDirections) {
    std::unique_ptr<CKestFWProtocolSpecList> list =
        listOf({mk<Stateless>(), mk<Port>(0, 80, false), mk<Flags>(0, 2, false)});
    list->setDir(2);
    for (const CKestFWProtocolSpec* s : list->getSpecs()) EXPECT_EQ(s->getDir(), 2);
    EXPECT_THROW(list->setDir(3), CInvalidProtocolSpecDirException);
    list->deleteSpec(FW_PROTO_SPEC_L4PORT);
    EXPECT_EQ(list->toString(), "with {stateless, flag 0x0002}");
    list->addSpec(new Port(2, 81, false));  // its kind may come back once deleted
    EXPECT_EQ(list->getSpecCount(FW_PROTO_SPEC_ANY), 3u);
    EXPECT_THROW(CKestFWProtocolSpecList(3), CInvalidProtocolSpecDirException);
}

TEST(SpecList, SmallBuffersShortBlocksAndMisplacedKindsAreRefused) {
    std::unique_ptr<CKestFWProtocolSpecList> list = listOf({mk<Stateless>()});
    std::vector<uint8_t> buf(56, 0xcc);
    unsigned used = 5;
    EXPECT_FALSE(list->toMessage(buf.data(), 55, &used));
    list->setPortForm(true);
    EXPECT_FALSE(list->toMessage(buf.data(), 37, &used));
    EXPECT_EQ(used, 5u);
    EXPECT_EQ(buf, std::vector<uint8_t>(56, 0xcc));

    // A port record in the flags slot, an ICMP record in the options slot.
    for (const char* bad : {"00 00 00 00 | 08 00 | 00 50", "00 00 00 00 | 00 00 00 00 00 00 00 00 | 30 00"}) {
        std::vector<uint8_t> b = hex(bad);
        b.resize(56);
        EXPECT_THROW(CKestFWProtocolSpecList::newFromProtocolBlock(b.data(), 56), CUnknownProtocolSpecTypeException);
    }
    EXPECT_THROW(CKestFWProtocolSpecList::newFromProtocolBlock(buf.data(), 55), CInsufficientMsgBufException);
}

// Merging the destination ports of a second rule into the first's.
struct MergeCase {
    const char* name;
    std::vector<Maker> mine, theirs;
    unsigned char myDir;
    bool myNegate;
    bool result;
    const char* myText;
};

std::ostream& operator<<(std::ostream& os, const MergeCase& c) { return os << c.name; }

class SpecMerge : public ::testing::TestWithParam<MergeCase> {};

TEST_P(SpecMerge, FoldsPortsOrRefusesLeavingBothAlone) {
    const MergeCase& c = GetParam();
    std::unique_ptr<CKestFWProtocolSpecList> mine = listOf(c.mine, c.myDir), theirs = listOf(c.theirs, 2);
    mine->setNegate(c.myNegate);
    EXPECT_EQ(mine->mergeSpecList(*theirs), c.result);
    EXPECT_EQ(mine->toString(), c.myText);
    EXPECT_EQ(theirs->getSpecCount(FW_PROTO_SPEC_ANY), c.result ? 0u : c.theirs.size());
}

const MergeCase kMerges[] = {
    {"PortIntoPort", specs(mk<Port>(2, 80, false)), specs(mk<Port>(2, 443, false)), 2, false, true, "port {80, 443}"},
    {"SetIntoRange", specs(mk<Range>(2, 1000, 2000, false)), specs(mk<PortSet>(2, "443 80")), 2, false, true,
     "port {1000-2000, 80, 443}"},
    {"NothingToFold", specs(mk<Port>(2, 80, false)), specs(), 2, false, true, "port {80}"},
    {"SamePortAgain", specs(mk<PortSet>(2, "80")), specs(mk<Port>(2, 80, false)), 2, false, false, "port {80}"},
    {"FullSet", specs(mk<PortSet>(2, "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15")), specs(mk<Port>(2, 16, false)), 2, false,
     false, "port {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}"},
    {"SourceSide", specs(mk<Port>(2, 80, false)), specs(mk<Port>(2, 443, false)), 1, false, false, "port 80"},
    {"NegatedList", specs(mk<Port>(2, 80, false)), specs(mk<Port>(2, 443, false)), 2, true, false, "port 80"},
    {"EmptyList", specs(), specs(mk<Port>(2, 443, false)), 2, false, false, ""},
    {"TwoMembers", specs(mk<Port>(2, 80, false), mk<Stateless>()), specs(mk<Port>(2, 443, false)), 2, false, false,
     "with {port 80, stateless}"},
    {"OtherNotAPort", specs(mk<Port>(2, 80, false)), specs(mk<Icmp>(2, 8, false)), 2, false, false, "port {80}"},
};

INSTANTIATE_TEST_SUITE_P(Lists, SpecMerge, ::testing::ValuesIn(kMerges), ::testing::PrintToStringParamName());

}  // namespace
