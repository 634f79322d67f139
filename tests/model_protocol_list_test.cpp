// Specification lists: the 56-byte protocol block and the 38-byte port block against hand-written
// bytes, duplicate detection, reading a protocol block back, and merging destination ports.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/KestFWException.h"
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

using namespace KestFirewall;

namespace {

std::vector<uint8_t> hex(const std::string& text) {
    std::vector<uint8_t> out;
    std::string digits;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
}

std::string zeros(unsigned n) {
    std::string s;
    for (unsigned i = 0; i < n; ++i) s += " 00";
    return s;
}

std::vector<uint8_t> block(CKestFWProtocolSpecList& list) {
    std::vector<uint8_t> buf(list.getMsgSize(), 0xcc);
    unsigned used = 0;
    EXPECT_TRUE(list.toMessage(buf.data(), static_cast<unsigned>(buf.size()), &used));
    EXPECT_EQ(used, buf.size());
    return buf;
}

using Fill = std::function<void(CKestFWProtocolSpecList&)>;

struct BlockCase {
    const char* name;
    unsigned char dir;
    bool portForm;
    Fill fill;
    std::string bytes;
    const char* text;
};

class ListBlock : public ::testing::TestWithParam<BlockCase> {};

TEST_P(ListBlock, WritesAndPrints) {
    const BlockCase& c = GetParam();
    CKestFWProtocolSpecList list(c.dir);
    list.setPortForm(c.portForm);
    c.fill(list);
    EXPECT_EQ(list.toString(), c.text);
    EXPECT_EQ(block(list), hex(c.bytes));
}

// Protocol block: mode word (bit 0 stateless, bits 5..10 dscp, bit 11 strict, bit 12 sloppy), two zero
// bytes, the flags-or-icmp slot (header at 4, body at 6), the options slot (header at 12, body at 14).
const BlockCase kBlocks[] = {
    {"Empty", 0, false, [](CKestFWProtocolSpecList&) {}, zeros(56), ""},
    {"StatelessStrictDscp46", 0, false,
     [](CKestFWProtocolSpecList& l) {
         l.addSpec(new CKestFWProtocolSpecStateless());
         l.addSpec(new CKestFWProtocolSpecStrict());
         l.addSpec(new CKestFWProtocolSpecDSCP(46));
     },
     "c1 0d" + zeros(54), "with {stateless, strict, dscp 46}"},
    {"FlagsOptionsSloppy", 0, false,
     [](CKestFWProtocolSpecList& l) {
         const unsigned char sack[] = {0x04, 0x02};
         l.addSpec(new CKestFWProtocolSpecTCPOptions(0, sack, 2, true));
         l.addSpec(new CKestFWProtocolSpecTCPFlags(0, 0x02, false));
         l.addSpec(new CKestFWProtocolSpecSloppy());
     },
     "00 10 | 00 00 | 20 00 | 02 00 00 00 00 00 | 2c 00 | 02 00 04 02" + zeros(38),
     "with {not tcpoptions 0x0402, flag 0x0002, sloppy}"},
    {"IcmpAndIgnoredPort", 0, false,
     [](CKestFWProtocolSpecList& l) {
         l.addSpec(new CKestFWProtocolSpecL4Port(0, 53, false));
         l.addSpec(new CKestFWProtocolSpecICMPType(0, 0, 0, false));
     },
     "00 00 00 00 | 30 00 | 03 00 00 00 00 00" + zeros(44), "with {port 53, typecode 0:0}"},
    {"PortBlockSet", 2, true,
     [](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecL4PortSet(2, "443 80 1000-2000")); },
     "1a 00 | 04 00 | 03 e8 07 d0 00 50 01 bb" + zeros(22) + " | 01 00 | 00 00", "port {1000-2000, 80, 443}"},
    {"PortBlockPortWithIgnoredMode", 1, true,
     [](CKestFWProtocolSpecList& l) {
         l.addSpec(new CKestFWProtocolSpecStateless());
         l.addSpec(new CKestFWProtocolSpecL4Port(1, 22, true));
     },
     "0d 00 | 00 16" + zeros(34), "with {stateless, not port 22}"},
    {"PortBlockRange", 2, true,
     [](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecL4PortRange(2, 0, 65535, false)); },
     "12 00 | 00 00 ff ff 00 00" + zeros(30), "port 0-65535"},
    {"PortBlockEmpty", 2, true, [](CKestFWProtocolSpecList&) {}, zeros(38), ""},
};

INSTANTIATE_TEST_SUITE_P(Blocks, ListBlock, ::testing::ValuesIn(kBlocks),
                         [](const auto& info) { return std::string(info.param.name); });

struct DuplicateCase {
    const char* name;
    bool portForm;
    Fill fill;
    bool atAdd;  // raised by addSpec, else by toMessage
    const char* message;
};

class ListDuplicate : public ::testing::TestWithParam<DuplicateCase> {};

TEST_P(ListDuplicate, Raises43) {
    const DuplicateCase& c = GetParam();
    CKestFWProtocolSpecList list(0);
    list.setPortForm(c.portForm);
    try {
        c.fill(list);
        if (c.atAdd) FAIL() << "addSpec accepted a duplicate";
        std::vector<uint8_t> buf(56);
        list.toMessage(buf.data(), 56, nullptr);
        FAIL() << "serialised a list with two members for one slot";
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), 43u);
        EXPECT_STREQ(e.what(), c.message);
    }
}

const DuplicateCase kDuplicates[] = {
    {"SameKindTwice", false,
     [](CKestFWProtocolSpecList& l) {
         l.addSpec(new CKestFWProtocolSpecTCPFlags(0, 1, false));
         l.addSpec(new CKestFWProtocolSpecTCPFlags(0, 2, false));
     },
     true, "duplicate definition of protocol spec of tcp flags"},
    {"StrictTwice", false,
     [](CKestFWProtocolSpecList& l) {
         l.addSpec(new CKestFWProtocolSpecStrict());
         l.addSpec(new CKestFWProtocolSpecStrict());
     },
     true, "duplicate definition of protocol spec of tcp strict"},
    // Flags and ICMP share one slot: both can be held, the second one written is refused.
    {"FlagsThenIcmp", false,
     [](CKestFWProtocolSpecList& l) {
         l.addSpec(new CKestFWProtocolSpecTCPFlags(0, 1, false));
         l.addSpec(new CKestFWProtocolSpecICMPType(0, 8, false));
     },
     false, "duplicate definition of protocol spec of unknown"},
    {"IcmpThenFlags", false,
     [](CKestFWProtocolSpecList& l) {
         l.addSpec(new CKestFWProtocolSpecICMPType(0, 8, false));
         l.addSpec(new CKestFWProtocolSpecTCPFlags(0, 1, false));
     },
     false, "duplicate definition of protocol spec of unknown"},
    {"PortAndRangeInPortBlock", true,
     [](CKestFWProtocolSpecList& l) {
         l.addSpec(new CKestFWProtocolSpecL4Port(0, 1, false));
         l.addSpec(new CKestFWProtocolSpecL4PortRange(0, 2, 3, false));
     },
     false, "duplicate definition of protocol spec of unknown"},
};

INSTANTIATE_TEST_SUITE_P(Lists, ListDuplicate, ::testing::ValuesIn(kDuplicates),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SpecList, CountsDeletesAndDirections) {
    CKestFWProtocolSpecList list(0);
    list.addSpec(new CKestFWProtocolSpecStateless());
    list.addSpec(new CKestFWProtocolSpecL4Port(0, 80, false));
    list.addSpec(new CKestFWProtocolSpecTCPFlags(0, 2, false));
    EXPECT_EQ(list.getSpecCount(FW_PROTO_SPEC_ANY), 3u);
    EXPECT_EQ(list.getSpecCount(FW_PROTO_SPEC_L4PORT), 1u);
    EXPECT_EQ(list.getSpecCount(FW_PROTO_SPEC_STRICT), 0u);
    list.setDir(2);
    for (const CKestFWProtocolSpec* s : list.getSpecs()) EXPECT_EQ(s->getDir(), 2);
    EXPECT_THROW(list.setDir(3), CInvalidProtocolSpecDirException);
    list.deleteSpec(FW_PROTO_SPEC_L4PORT);
    list.deleteSpec(FW_PROTO_SPEC_SLOPPY);  // none held: no error
    EXPECT_EQ(list.toString(), "with {stateless, flag 0x0002}");
    list.addSpec(new CKestFWProtocolSpecL4Port(2, 81, false));  // its kind may come back once deleted
    EXPECT_EQ(list.getSpecCount(FW_PROTO_SPEC_ANY), 3u);
    EXPECT_EQ(list.getMsgSize(), 56u);
    list.setPortForm(true);
    EXPECT_EQ(list.getMsgSize(), 38u);
    EXPECT_THROW(CKestFWProtocolSpecList(3), CInvalidProtocolSpecDirException);
}

TEST(SpecList, SmallBuffersAreRefusedUntouched) {
    CKestFWProtocolSpecList list(0);
    list.addSpec(new CKestFWProtocolSpecStateless());
    std::vector<uint8_t> buf(56, 0xcc);
    unsigned used = 5;
    EXPECT_FALSE(list.toMessage(buf.data(), 55, &used));
    list.setPortForm(true);
    EXPECT_FALSE(list.toMessage(buf.data(), 37, &used));
    EXPECT_FALSE(list.toMessage2(buf.data(), 37, &used));
    EXPECT_EQ(used, 5u);
    EXPECT_EQ(buf, std::vector<uint8_t>(56, 0xcc));
}

// Every connection-level kind survives list -> protocol block -> list with the same text and bytes.
TEST(SpecList, ProtocolBlockReadsBack) {
    const std::vector<Fill> fills = {
        [](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecStateless()); },
        [](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecDSCP(63)); },
        [](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecStrict()); },
        [](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecSloppy()); },
        [](CKestFWProtocolSpecList& l) {
            l.addSpec(new CKestFWProtocolSpecStateless());
            l.addSpec(new CKestFWProtocolSpecDSCP(1));
            l.addSpec(new CKestFWProtocolSpecStrict());
            l.addSpec(new CKestFWProtocolSpecSloppy());
            l.addSpec(new CKestFWProtocolSpecTCPFlags(0, 0x1ff, true));
            const unsigned char nop[] = {1, 1, 1};
            l.addSpec(new CKestFWProtocolSpecTCPOptions(0, nop, 3, false));
        },
        [](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecICMPType(0, 11, true)); },
    };
    for (const Fill& fill : fills) {
        CKestFWProtocolSpecList list(0);
        fill(list);
        const std::vector<uint8_t> bytes = block(list);
        std::unique_ptr<CKestFWProtocolSpecList> back(CKestFWProtocolSpecList::newFromProtocolBlock(bytes.data(), 56));
        EXPECT_EQ(back->toString(), list.toString());
        EXPECT_EQ(block(*back), bytes);
    }
    // A slot holding a kind that does not belong there is refused (a fuzz find: a port record in the
    // options slot).
    for (const char* bad : {"00 00 00 00 | 08 00 | 00 50", "00 00 00 00 | 00 00 00 00 00 00 00 00 | 30 00"}) {
        std::vector<uint8_t> b = hex(bad);
        b.resize(56);
        EXPECT_THROW(CKestFWProtocolSpecList::newFromProtocolBlock(b.data(), 56), CUnknownProtocolSpecTypeException);
    }
    uint8_t shortBlock[55] = {};
    EXPECT_THROW(CKestFWProtocolSpecList::newFromProtocolBlock(shortBlock, 55), CInsufficientMsgBufException);
}

// Merging the destination ports of a second rule into the first's.
struct MergeCase {
    const char* name;
    Fill mine, theirs;
    unsigned char myDir;
    bool myNegate;
    bool result;
    const char* myText;
    unsigned theirCount;
};

class SpecMerge : public ::testing::TestWithParam<MergeCase> {};

TEST_P(SpecMerge, FoldsPortsOrRefuses) {
    const MergeCase& c = GetParam();
    CKestFWProtocolSpecList mine(c.myDir), theirs(2);
    mine.setNegate(c.myNegate);
    c.mine(mine);
    c.theirs(theirs);
    EXPECT_EQ(mine.mergeSpecList(theirs), c.result);
    EXPECT_EQ(mine.toString(), c.myText);
    EXPECT_EQ(theirs.getSpecCount(FW_PROTO_SPEC_ANY), c.theirCount);
}

Fill port(unsigned short p) {
    return [p](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecL4Port(2, p, false)); };
}
Fill set(const char* text) {
    return [text](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecL4PortSet(2, text)); };
}
const Fill none = [](CKestFWProtocolSpecList&) {};

const MergeCase kMerges[] = {
    {"PortIntoPort", port(80), port(443), 2, false, true, "port {80, 443}", 0},
    {"SetIntoRange",
     [](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecL4PortRange(2, 1000, 2000, false)); },
     set("443 80"), 2, false, true, "port {1000-2000, 80, 443}", 0},
    {"RangeIntoSet", set("22"),
     [](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecL4PortRange(2, 5, 9, false)); }, 2, false,
     true, "port {5-9, 22}", 0},
    {"NothingToFold", port(80), none, 2, false, true, "port {80}", 0},
    {"SamePortAgain", set("80"), port(80), 2, false, false, "port {80}", 1},
    {"FullSet", set("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15"), port(16), 2, false, false,
     "port {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}", 1},
    {"SourceSide", port(80), port(443), 1, false, false, "port 80", 1},
    {"NegatedList", port(80), port(443), 2, true, false, "port 80", 1},
    {"EmptyList", none, port(443), 2, false, false, "", 1},
    {"TwoMembers",
     [](CKestFWProtocolSpecList& l) {
         l.addSpec(new CKestFWProtocolSpecL4Port(2, 80, false));
         l.addSpec(new CKestFWProtocolSpecStateless());
     },
     port(443), 2, false, false, "with {port 80, stateless}", 1},
    {"NotAPort", [](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecTCPFlags(2, 2, false)); },
     port(443), 2, false, false, "flag 0x0002", 1},
    {"OtherNotAPort", port(80),
     [](CKestFWProtocolSpecList& l) { l.addSpec(new CKestFWProtocolSpecICMPType(2, 8, false)); }, 2, false, false,
     "port {80}", 1},
};

INSTANTIATE_TEST_SUITE_P(Lists, SpecMerge, ::testing::ValuesIn(kMerges),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
