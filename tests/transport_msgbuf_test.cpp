// The message buffer: header stamping, per-buffer sequences, command accounting, checks before sending.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <ostream>

#include "support/LogCapture.h"
#include "support/Wire.h"
#include "transport/KestFWMsgBuf.h"
#include "transport/KestFWSimpleMsgBuf.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

struct Message {
    CKestFWSimpleMsgBuf& mb;
    void* buf = nullptr;
    Message(CKestFWSimpleMsgBuf& m, unsigned size) : mb(m) { EXPECT_TRUE(mb.getBuffer(&buf, size)); }
    ~Message() { mb.releaseBuffer(buf); }
    uint8_t* hdr() const { return static_cast<uint8_t*>(buf) - 20; }
    Bytes header() const { return Bytes(hdr(), hdr() + 20); }
};

// Header: "KEST", body length, sequence, version 1.1, request, firewall, command count.
Bytes header(uint32_t body, uint32_t sequence, uint16_t commands) {
    return Golden(20).text(0, "KEST").le(4, body, 4).le(8, sequence, 4).raw(12, {1, 1, 0, 1}).le(16, commands, 2).b;
}

}  // namespace

TEST(MsgBuf, HeadersSequencesAndCommandAccounting) {
    CKestFWSimpleMsgBuf mb, other;
    Message a(mb, 36), b(mb, 4), c(other, 4);
    EXPECT_EQ(a.header(), header(0, 0, 0));
    EXPECT_EQ(b.header(), header(0, 1, 0));
    EXPECT_EQ(c.header(), header(0, 0, 0)) << "each buffer numbers its own messages";
    mb.addCommand(a.buf, 12 + 4);
    mb.addCommand(a.buf, 12 + 8);
    EXPECT_EQ(a.header(), header(36, 0, 2));
    void* msg = nullptr;
    unsigned len = 0;
    ASSERT_TRUE(mb.getMessage(a.buf, 36, &msg, &len));
    EXPECT_EQ(msg, a.hdr());
    EXPECT_EQ(len, 56u);
    mb.addCommand(b.buf, 16);
    ASSERT_TRUE(mb.resetBuffer(b.buf));
    EXPECT_EQ(b.header(), header(0, 1, 0)) << "a reset keeps the sequence number";
}

struct ValidateCase {
    const char* name;
    unsigned offset;  // byte of the header to damage, or 99 for none
    uint8_t value;
    unsigned size;        // size given to validateBuffer
    const char* warning;  // null: valid
};
void PrintTo(const ValidateCase& c, std::ostream* os) { *os << c.name; }

class MsgBufValidate : public ::testing::TestWithParam<ValidateCase> {};

TEST_P(MsgBufValidate, ChecksSignatureMajorVersionCategoryAndSize) {
    const ValidateCase& c = GetParam();
    CKestFWSimpleMsgBuf mb;
    Message m(mb, 16);
    mb.addCommand(m.buf, 16);
    uint8_t saved = 0;
    if (c.offset < 20) {
        saved = m.hdr()[c.offset];
        m.hdr()[c.offset] = c.value;
    }
    LogCapture log;
    EXPECT_EQ(mb.validateBuffer(m.buf, c.size), c.warning == nullptr);
    if (c.warning != nullptr) {
        EXPECT_EQ(log.count(c.warning), 1u) << c.name;
    }
    if (c.offset < 20) m.hdr()[c.offset] = saved;  // so the message can be released
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MsgBufValidate,
    ::testing::Values(ValidateCase{"whole", 99, 0, 16, nullptr},
                      ValidateCase{"size zero ignores length", 99, 0, 0, nullptr},
                      ValidateCase{"size differs", 99, 0, 20, "message buffer [20] has a bad size"},
                      ValidateCase{"signature", 3, 't', 16, "message buffer [16] has a bad signature"},
                      ValidateCase{"major version", 12, 2, 16, "has a bad signature"},
                      ValidateCase{"minor version is not checked", 13, 7, 16, nullptr},
                      ValidateCase{"category", 15, 2, 16, "has a bad signature"}));

TEST(MsgBuf, NullForeignAndOversizedBuffersAreRefused) {
    CKestFWSimpleMsgBuf mb;
    EXPECT_FALSE(mb.validateBuffer(nullptr, 0));
    EXPECT_FALSE(mb.releaseBuffer(nullptr));
    EXPECT_FALSE(mb.resetBuffer(nullptr));
    // Memory that does not start with a header of ours stays with its owner.
    uint8_t* foreign = static_cast<uint8_t*>(calloc(1, 64));
    EXPECT_FALSE(mb.releaseBuffer(foreign + 20));
    EXPECT_FALSE(mb.resetBuffer(foreign + 20));
    free(foreign);
    // Sizes the header's length word cannot hold.
    void* buf = reinterpret_cast<void*>(1);
    EXPECT_FALSE(mb.getBuffer(&buf, 0xFFFFFFECu));
    EXPECT_EQ(buf, reinterpret_cast<void*>(1));
    EXPECT_FALSE(mb.getBuffer(nullptr, 4));
}

TEST(MsgBufFactory, OnlyTheSimpleKind) {
    std::unique_ptr<CKestFWMsgBuf> mb(CKestFWMsgBufFactory::newMsgBuf(0));
    EXPECT_NE(dynamic_cast<CKestFWSimpleMsgBuf*>(mb.get()), nullptr);
    expectRaises([] { delete CKestFWMsgBufFactory::newMsgBuf(1); }, 3, "unknown message buffer type: 1");
}
