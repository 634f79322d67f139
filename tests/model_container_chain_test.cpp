// Containers: hand-written element chains, untrusted chains, name rules, duplicates and profile texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/KestFWException.h"
#include "model/KestFWAttrProfile.h"
#include "model/KestFWContainer.h"
#include "model/KestFWContainerID.h"
#include "model/KestFWL7Attribute.h"
#include "support/LogCapture.h"
#include "support/WireBytes.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

std::unique_ptr<CKestFWL7Attribute> attr(FWAttrKeyID key, long value) {
    return std::unique_ptr<CKestFWL7Attribute>(new CKestFWL7Attribute(key, value, 0));
}

Bytes write(CKestFWContainer& c) {
    Bytes out(c.getMsgSize(), 0xEE);
    unsigned int used = 0;
    EXPECT_TRUE(c.toMessage(out.data(), unsigned(out.size()), &used));
    EXPECT_EQ(used, out.size());
    return out;
}

std::unique_ptr<CKestFWContainer> parse(const Bytes& b, FWContainerType type = 2) {
    return BuildContainer("c", type, reinterpret_cast<const FWtlvChain*>(b.data()), unsigned(b.size()));
}

// Chain header (type, count, element-area size), then per element: u16 1, u16 kind 0, u32 value length,
// and the attribute encoding (u16 key, u16 type, u32 length, u16 0, value).
const Bytes kChain = hexBytes(
    "02000000 02000000 34000000"
    " 0100 0000 12000000  0000 0200 12000000 0000 43 00*7"      // APP_ID 67
    " 0100 0000 12000000  0100 0200 12000000 0000 0303 00*6");  // TLS_VERSION 771

TEST(Container, WritesElementsInKeyOrderAndParsesThemBack) {
    CKestFWAttrProfile p("web");
    ASSERT_TRUE(p.addAttribute(attr(FW_ATTR_KEY_TLS_VERSION, 771)));
    ASSERT_TRUE(p.addAttribute(attr(FW_ATTR_KEY_APP_ID, 67)));
    EXPECT_EQ(p.getMsgSize(), kChain.size());
    EXPECT_EQ(write(p), kChain);
    auto c = parse(kChain);
    ASSERT_NE(dynamic_cast<CKestFWAttrProfile*>(c.get()), nullptr);
    EXPECT_EQ(c->getCount(), 2u);
    EXPECT_EQ(c->CKestFWContainer::toString(), "{APP_ID : APP_HTTP, TLS_VERSION : TLS_V12 }");
    EXPECT_EQ(c->toString(), "c with {[ APP_ID : APP_HTTP][ TLS_VERSION : TLS_V12]}");
    EXPECT_EQ(write(*c), kChain);
    // An empty container of another type is its header alone, and no profile.
    auto empty = BuildContainer("empty", 7);
    EXPECT_EQ(dynamic_cast<CKestFWAttrProfile*>(empty.get()), nullptr);
    EXPECT_EQ(write(*empty), hexBytes("07000000 00*8"));
    EXPECT_EQ(empty->toString(), "{ }");
    EXPECT_EQ(parse(hexBytes("07000000 00*8"), 7)->getCount(), 0u);
}

TEST(Container, SmallBufferAndDuplicates) {
    LogCapture log;
    CKestFWContainer c("x", 2);
    EXPECT_TRUE(c.addElement(attr(FW_ATTR_KEY_APP_ID, 67)));
    EXPECT_FALSE(c.addElement(attr(FW_ATTR_KEY_APP_ID, 67)));
    EXPECT_FALSE(c.addElement(nullptr));
    Bytes out(c.getMsgSize() - 1, 0xEE);
    unsigned int used = 5;
    EXPECT_FALSE(c.toMessage(out.data(), unsigned(out.size()), &used));
    EXPECT_EQ(out, Bytes(out.size(), 0xEE));
    EXPECT_EQ(used, 5u);
    EXPECT_TRUE(log.has("size of message buffer 37 is less than required size 38"));
    // Two transactions that the ordering alone cannot tell apart are still two elements.
    for (const char* domain : {"a.io", "b.io"})
        EXPECT_TRUE(c.addElement(std::unique_ptr<CKestFWContainerElement>(
            new CKestFWL7Attribute(FW_ATTR_KEY_DNS_TXN, std::string(domain), 1u, 0u, 9u, 0))));
    EXPECT_EQ(c.getCount(), 3u);
}

TEST(Container, NameOfAtMostThirtySevenCharacters) {
    for (size_t length : {0, 37}) {
        const std::string name(length, 'n');
        EXPECT_EQ(CKestFWContainer(name, 2).getName(), name);
        const FWAddrSetID_t id = CKestFWContainerID(name).getContainerID();
        EXPECT_EQ(std::string(id.name), name);
        EXPECT_EQ(CKestFWContainerID(id).getName(), name);
    }
    const std::string name(38, 'n');
    for (int which = 0; which < 2; ++which) {
        try {
            if (which == 0) CKestFWContainer(name, 2);
            if (which == 1) CKestFWContainerID{name};
            FAIL() << which;
        } catch (const CInvalidContainerNameException& e) {
            EXPECT_EQ(e.retcode(), 69u);
            EXPECT_EQ(e.what(), "invalid container name: " + name + "(size: 38greater than max size: 37)");
        }
    }
    FWAddrSetID_t unterminated;
    memset(unterminated.name, 'z', sizeof unterminated.name);
    EXPECT_THROW(CKestFWContainerID{unterminated}, CInvalidContainerNameException);
}

struct BadChain {
    const char* label;
    Bytes bytes;
    const char* log;
};

Bytes patched(size_t at, uint8_t v) {
    Bytes b = kChain;
    b[at] = v;
    return b;
}

const BadChain kBadChains[] = {
    {"ElevenBytes", Bytes(kChain.begin(), kChain.begin() + 11),
     "size of tlv chain message less than minimum size : 12"},
    {"AreaLargerThanBuffer", patched(8, 0x41), "size of tlv chain 65 is greater than the buffer size 64"},
    {"SecondElementOfKindOne", patched(40, 0x01), "failed to create element at index 1"},
    {"CountBeyondTheElements", patched(4, 0x03), "failed to create element at index 2"},
    {"ElementLongerThanBuffer", patched(42, 0x13), "failed to create element at index 1"},
    {"ValueRefusedByAttribute", patched(20, 0x12), "failed to create element at index 0"},
};

class ContainerBadChain : public ::testing::TestWithParam<BadChain> {};

TEST_P(ContainerBadChain, IsRefusedWholeAndLogged) {
    LogCapture log;
    EXPECT_FALSE(parse(GetParam().bytes));
    EXPECT_TRUE(log.has(GetParam().log)) << GetParam().log;
    // A container that already holds elements keeps exactly those when a chain fails.
    CKestFWAttrProfile p("p");
    p.addAttribute(attr(FW_ATTR_KEY_HTTP_METHOD, 1));
    EXPECT_FALSE(p.parseTLVChain(reinterpret_cast<const FWtlvChain*>(GetParam().bytes.data()),
                                 unsigned(GetParam().bytes.size())));
    EXPECT_EQ(p.getCount(), 1u);
    EXPECT_EQ(p.getGroups().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Container, ContainerBadChain, ::testing::ValuesIn(kBadChains),
                         [](const ::testing::TestParamInfo<BadChain>& i) { return std::string(i.param.label); });

TEST(Container, NullChainAndShortElementAreRefused) {
    EXPECT_FALSE(CKestFWContainer("x", 2).parseTLVChain(nullptr, 100));
    EXPECT_EQ(CKestFWContainerElement::buildContainerElement(nullptr, 100), nullptr);
    const Bytes head = hexBytes("0100 0000 00000000");
    EXPECT_EQ(CKestFWContainerElement::buildContainerElement(reinterpret_cast<const FWtlvChainElem*>(head.data()), 7),
              nullptr);
}

TEST(Container, ProfileGroupsByKeyAndHandsOutItsTexts) {
    const uint8_t uuid[16] = {0xaa, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xbb};
    LogCapture log;
    CKestFWAttrProfile p("prof");
    for (long v : {772, 199, 771, 771})
        p.addAttribute(attr(v == 199 ? FW_ATTR_KEY_APP_ID : FW_ATTR_KEY_TLS_VERSION, v));
    p.addAttribute(std::unique_ptr<CKestFWL7Attribute>(new CKestFWL7Attribute(FW_ATTR_KEY_FQDN, uuid, "a.io", 0)));
    EXPECT_EQ(p.getCount(), 4u);
    ASSERT_EQ(p.getGroups().size(), 3u);
    EXPECT_EQ(p.getGroups().at(FW_ATTR_KEY_TLS_VERSION).size(), 2u);
    EXPECT_EQ(p.toString(),
              "prof with {[ APP_ID : APP_SSL][ TLS_VERSION : TLS_V12, TLS_VERSION : TLS_V13][ FQDN : a.io]}");
    char* out[5] = {};
    EXPECT_FALSE(p.elementsToCharArray(out, 3, true));
    EXPECT_TRUE(log.has("number of elements mismatch 3 != 4"));
    EXPECT_EQ(out[0], nullptr);
    for (bool withUuid : {false, true}) {
        ASSERT_TRUE(p.elementsToCharArray(out, 5, withUuid));
        EXPECT_EQ(std::vector<std::string>(out, out + 4),
                  (std::vector<std::string>{
                      "APP_ID : APP_SSL", "TLS_VERSION : TLS_V12", "TLS_VERSION : TLS_V13",
                      withUuid ? "FQDN : a.io (aa000000-0000-0000-0000-0000000000bb)" : "FQDN : a.io"}));
        EXPECT_EQ(out[4], nullptr);
        for (char*& text : out) free(text), text = nullptr;
    }
}

}  // namespace
