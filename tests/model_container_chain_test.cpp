// Containers: the element chain against hand-written bytes, parsing of untrusted chains, name rules,
// duplicates, attribute profiles and the text handed to the C interface.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame/KestFWException.h"
#include "kestfw/kestfw_frame.h"
#include "model/KestFWAttrProfile.h"
#include "model/KestFWContainer.h"
#include "model/KestFWContainerID.h"
#include "model/KestFWL7Attribute.h"

using namespace KestFirewall;
typedef std::vector<uint8_t> Bytes;

namespace {

std::vector<std::string> g_log;
void captureLog(int, const char* fmt, va_list ap) {
    char buf[512];
    vsnprintf(buf, sizeof buf, fmt, ap);
    g_log.push_back(buf);
}

class ContainerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        FW_RegisterLogger(captureLog, 6);
    }
    void TearDown() override { FW_UnregisterLogger(); }
    static bool logged(const std::string& text) {
        for (const auto& l : g_log)
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
    static std::unique_ptr<CKestFWL7Attribute> attr(FWAttrKeyID key, long value) {
        return std::unique_ptr<CKestFWL7Attribute>(new CKestFWL7Attribute(key, value, 0));
    }
    static Bytes write(CKestFWContainer& c) {
        Bytes out(c.getMsgSize(), 0xEE);
        unsigned int used = 0;
        EXPECT_TRUE(c.toMessage(out.data(), static_cast<unsigned int>(out.size()), &used));
        EXPECT_EQ(used, out.size());
        return out;
    }
    static std::unique_ptr<CKestFWContainer> parse(const Bytes& b, FWContainerType type = 2) {
        return BuildContainer("c", type, reinterpret_cast<const FWtlvChain*>(b.data()),
                              static_cast<unsigned int>(b.size()));
    }
};

// Chain header (type, count, element-area size), then per element: u16 1, u16 kind 0, u32 value length,
// and the attribute encoding (u16 key, u16 type, u32 length, u16 0, value).
const Bytes kTwoElementChain = {
    0x02, 0, 0,    0, 0x02, 0, 0, 0, 0x34, 0, 0,    0,                       // header: 52 bytes follow
    0x01, 0, 0x00, 0, 0x12, 0, 0, 0,                                         // element 0
    0x00, 0, 0x02, 0, 0x12, 0, 0, 0, 0,    0, 0x43, 0,    0, 0, 0, 0, 0, 0,  // APP_ID 67
    0x01, 0, 0x00, 0, 0x12, 0, 0, 0,                                         // element 1
    0x01, 0, 0x02, 0, 0x12, 0, 0, 0, 0,    0, 0x03, 0x03, 0, 0, 0, 0, 0, 0,  // TLS_VERSION 771
};

TEST_F(ContainerTest, WritesElementsInKeyOrder) {
    CKestFWAttrProfile p("web");
    ASSERT_TRUE(p.addAttribute(attr(FW_ATTR_KEY_TLS_VERSION, 771)));
    ASSERT_TRUE(p.addAttribute(attr(FW_ATTR_KEY_APP_ID, 67)));
    EXPECT_EQ(p.getMsgSize(), kTwoElementChain.size());
    EXPECT_EQ(write(p), kTwoElementChain);
    EXPECT_EQ(p.getCount(), 2u);
    EXPECT_EQ(p.getContainerType(), 2u);
}

TEST_F(ContainerTest, ChainRoundTripsThroughParse) {
    auto c = parse(kTwoElementChain);
    ASSERT_TRUE(c);
    EXPECT_NE(dynamic_cast<CKestFWAttrProfile*>(c.get()), nullptr);
    EXPECT_EQ(c->getCount(), 2u);
    EXPECT_EQ(c->CKestFWContainer::toString(), "{APP_ID : APP_HTTP, TLS_VERSION : TLS_V12 }");
    EXPECT_EQ(c->toString(), "c with {[ APP_ID : APP_HTTP][ TLS_VERSION : TLS_V12]}");
    EXPECT_EQ(write(*c), kTwoElementChain);
}

TEST_F(ContainerTest, EmptyContainerIsItsHeader) {
    auto c = BuildContainer("empty", 7);
    EXPECT_EQ(dynamic_cast<CKestFWAttrProfile*>(c.get()), nullptr);
    EXPECT_EQ(write(*c), (Bytes{0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c->toString(), "{ }");
    auto back = parse(Bytes{0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 7);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->getCount(), 0u);
}

TEST_F(ContainerTest, SmallBufferWritesNothing) {
    CKestFWContainer c("x", 2);
    c.addElement(attr(FW_ATTR_KEY_APP_ID, 67));
    Bytes out(c.getMsgSize() - 1, 0xEE);
    unsigned int used = 5;
    EXPECT_FALSE(c.toMessage(out.data(), static_cast<unsigned int>(out.size()), &used));
    EXPECT_EQ(out, Bytes(out.size(), 0xEE));
    EXPECT_EQ(used, 5u);
    EXPECT_TRUE(logged("size of message buffer 37 is less than required size 38"));
}

TEST_F(ContainerTest, EqualElementsAreKeptOnce) {
    CKestFWContainer c("x", 2);
    EXPECT_TRUE(c.addElement(attr(FW_ATTR_KEY_APP_ID, 67)));
    EXPECT_FALSE(c.addElement(attr(FW_ATTR_KEY_APP_ID, 67)));
    EXPECT_FALSE(c.addElement(nullptr));
    EXPECT_EQ(c.getCount(), 1u);
    // Two transactions that the ordering alone cannot tell apart are still two elements.
    EXPECT_TRUE(c.addElement(std::unique_ptr<CKestFWContainerElement>(
        new CKestFWL7Attribute(FW_ATTR_KEY_DNS_TXN, std::string("a.io"), 1u, 0u, 9u, 0))));
    EXPECT_TRUE(c.addElement(std::unique_ptr<CKestFWContainerElement>(
        new CKestFWL7Attribute(FW_ATTR_KEY_DNS_TXN, std::string("b.io"), 1u, 0u, 9u, 0))));
    EXPECT_EQ(c.getCount(), 3u);
}

struct NameCase {
    size_t length;
    bool accepted;
};

class ContainerName : public ContainerTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ContainerName, AtMostThirtySevenCharacters) {
    const std::string name(GetParam().length, 'n');
    if (GetParam().accepted) {
        EXPECT_EQ(CKestFWContainer(name, 2).getName(), name);
        const FWAddrSetID_t id = CKestFWContainerID(name).getContainerID();
        EXPECT_EQ(std::string(id.name), name);
        EXPECT_EQ(CKestFWContainerID(id).getName(), name);
        return;
    }
    const std::string message =
        "invalid container name: " + name + "(size: " + std::to_string(name.size()) + "greater than max size: 37)";
    for (int which = 0; which < 3; ++which) {
        try {
            if (which == 0) CKestFWContainer(name, 2);
            if (which == 1) CKestFWContainerID{name};
            if (which == 2) CKestFWAttrProfile{name};
            FAIL() << which;
        } catch (const CInvalidContainerNameException& e) {
            EXPECT_EQ(e.retcode(), 69u);
            EXPECT_EQ(e.what(), message);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Container, ContainerName,
                         ::testing::Values(NameCase{0, true}, NameCase{37, true}, NameCase{38, false},
                                           NameCase{200, false}));

TEST_F(ContainerTest, IdFromAnUnterminatedField) {
    FWAddrSetID_t id;
    memset(id.name, 'z', sizeof id.name);
    EXPECT_THROW(CKestFWContainerID{id}, CInvalidContainerNameException);
}

struct BadChain {
    const char* label;
    Bytes bytes;
    const char* log;
};

Bytes withTail(Bytes b, std::initializer_list<uint8_t> tail) {
    b.insert(b.end(), tail);
    return b;
}

Bytes patched(Bytes b, size_t at, uint8_t v) {
    b[at] = v;
    return b;
}

const BadChain kBadChains[] = {
    {"ElevenBytes", Bytes(kTwoElementChain.begin(), kTwoElementChain.begin() + 11),
     "size of tlv chain message less than minimum size : 12"},
    {"AreaLargerThanBuffer", patched(kTwoElementChain, 8, 0x41),
     "size of tlv chain 65 is greater than the buffer size 64"},
    {"SecondElementOfKindOne", patched(kTwoElementChain, 40, 0x01), "failed to create element at index 1"},
    {"CountBeyondTheElements", patched(kTwoElementChain, 4, 0x03), "failed to create element at index 2"},
    {"HugeCount", patched(kTwoElementChain, 7, 0xff), "failed to create element at index 2"},
    {"ElementLongerThanBuffer", patched(kTwoElementChain, 42, 0x13), "failed to create element at index 1"},
    {"ValueRefusedByAttribute", patched(kTwoElementChain, 20, 0x12), "failed to create element at index 0"},
    {"TruncatedLastElement", Bytes(kTwoElementChain.begin(), kTwoElementChain.end() - 1),
     "failed to create element at index 1"},
    {"HeaderOnlyWithCount", withTail(Bytes{0x02, 0, 0, 0, 0x01, 0, 0, 0, 0x00, 0, 0, 0}, {0x01, 0, 0, 0}),
     "failed to create element at index 0"},
};

class ContainerBadChain : public ContainerTest, public ::testing::WithParamInterface<BadChain> {};

TEST_P(ContainerBadChain, IsRefusedWholeAndLogged) {
    EXPECT_FALSE(parse(GetParam().bytes));
    EXPECT_TRUE(logged(GetParam().log)) << GetParam().log;
    // A container that already holds elements keeps exactly those when a chain fails.
    CKestFWAttrProfile p("p");
    p.addAttribute(attr(FW_ATTR_KEY_HTTP_METHOD, 1));
    EXPECT_FALSE(p.parseTLVChain(reinterpret_cast<const FWtlvChain*>(GetParam().bytes.data()),
                                 static_cast<unsigned int>(GetParam().bytes.size())));
    EXPECT_EQ(p.getCount(), 1u);
    EXPECT_EQ(p.getGroups().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Container, ContainerBadChain, ::testing::ValuesIn(kBadChains),
                         [](const ::testing::TestParamInfo<BadChain>& i) { return std::string(i.param.label); });

TEST_F(ContainerTest, NullChainAndElementAreRefused) {
    CKestFWContainer c("x", 2);
    EXPECT_FALSE(c.parseTLVChain(nullptr, 100));
    EXPECT_EQ(CKestFWContainerElement::buildContainerElement(nullptr, 100), nullptr);
    const uint8_t header[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(CKestFWContainerElement::buildContainerElement(reinterpret_cast<const FWtlvChainElem*>(header), 7),
              nullptr);
}

TEST_F(ContainerTest, ProfileGroupsAttributesByKey) {
    CKestFWAttrProfile p("prof");
    p.addAttribute(attr(FW_ATTR_KEY_TLS_VERSION, 772));
    p.addAttribute(attr(FW_ATTR_KEY_APP_ID, 199));
    p.addAttribute(attr(FW_ATTR_KEY_TLS_VERSION, 771));
    p.addAttribute(attr(FW_ATTR_KEY_TLS_VERSION, 771));
    EXPECT_EQ(p.getCount(), 3u);
    ASSERT_EQ(p.getGroups().size(), 2u);
    EXPECT_EQ(p.getGroups().at(FW_ATTR_KEY_TLS_VERSION).size(), 2u);
    EXPECT_EQ(p.toString(), "prof with {[ APP_ID : APP_SSL][ TLS_VERSION : TLS_V12, TLS_VERSION : TLS_V13]}");
}

// An element kind the profile does not hold.
class OtherElement : public CKestFWContainerElement {
public:
    OtherElement() : CKestFWContainerElement(1) {}
    std::string toString() const override { return "other"; }
    FWContElementType getTlvType() const override { return 1; }
    unsigned int getTlvLength() const override { return 0; }
    bool serializeValue(void*, unsigned int, unsigned int* w) const override {
        *w = 0;
        return true;
    }
    bool operator==(const CKestFWContainerElement&) const override { return false; }
    bool operator<(const CKestFWContainerElement&) const override { return false; }
    std::unique_ptr<CKestFWContainerElement> clone() const override {
        return std::unique_ptr<CKestFWContainerElement>(new OtherElement);
    }
};

TEST_F(ContainerTest, ProfileRefusesOtherElements) {
    CKestFWAttrProfile p("prof");
    EXPECT_FALSE(p.addElement(std::unique_ptr<CKestFWContainerElement>(new OtherElement)));
    EXPECT_TRUE(logged("element is not an attribute"));
    EXPECT_EQ(p.getCount(), 0u);
    EXPECT_EQ(p.toString(), "prof with {}");
}

TEST_F(ContainerTest, ElementTextsForTheCInterface) {
    const uint8_t uuid[16] = {0xaa, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xbb};
    CKestFWAttrProfile p("prof");
    p.addAttribute(attr(FW_ATTR_KEY_HTTP_METHOD, 0));
    p.addAttribute(std::unique_ptr<CKestFWL7Attribute>(new CKestFWL7Attribute(FW_ATTR_KEY_FQDN, uuid, "a.io", 0)));
    char* out[3] = {nullptr, nullptr, nullptr};
    EXPECT_FALSE(p.elementsToCharArray(out, 1, true));
    EXPECT_TRUE(logged("number of elements mismatch 1 != 2"));
    EXPECT_EQ(out[0], nullptr);
    for (bool withUuid : {false, true}) {
        ASSERT_TRUE(p.elementsToCharArray(out, 3, withUuid));
        EXPECT_STREQ(out[0], "HTTP_METHOD : GET");
        EXPECT_STREQ(out[1], withUuid ? "FQDN : a.io (aa000000-0000-0000-0000-0000000000bb)" : "FQDN : a.io");
        EXPECT_EQ(out[2], nullptr);
        free(out[0]);
        free(out[1]);
        out[0] = out[1] = nullptr;
    }
}

}  // namespace
