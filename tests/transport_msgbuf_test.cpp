// The message buffer: header stamping, sequence numbers, command accounting and the checks made
// before a message is sent.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>

#include "frame/KestFWException.h"
#include "frame/KestFWLog.h"
#include "support/LogCapture.h"
#include "transport/KestFWMsgBuf.h"
#include "transport/KestFWSimpleMsgBuf.h"
#include "util/ByteIO.h"

using namespace KestFirewall;
using kestfw_test::LogCapture;

namespace {

struct Message {
    CKestFWSimpleMsgBuf& mb;
    void* buf = nullptr;
    Message(CKestFWSimpleMsgBuf& m, unsigned size) : mb(m) { EXPECT_TRUE(mb.getBuffer(&buf, size)); }
    ~Message() {
        if (buf != nullptr) mb.releaseBuffer(buf);
    }
    uint8_t* hdr() const { return static_cast<uint8_t*>(buf) - 20; }
};

}  // namespace

TEST(MsgBuf, FreshHeaderBytes) {
    CKestFWSimpleMsgBuf mb;
    Message m(mb, 16);
    const uint8_t expected[20] = {'K', 'E', 'S', 'T', 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(0, memcmp(m.hdr(), expected, 20));
}

TEST(MsgBuf, SequenceNumbersCountPerBufferAndSurviveReset) {
    CKestFWSimpleMsgBuf mb, other;
    Message a(mb, 4), b(mb, 4), c(other, 4);
    EXPECT_EQ(ByteReader(a.hdr(), 20).getAt<uint32_t>(8), 0u);
    EXPECT_EQ(ByteReader(b.hdr(), 20).getAt<uint32_t>(8), 1u);
    EXPECT_EQ(ByteReader(c.hdr(), 20).getAt<uint32_t>(8), 0u);
    mb.addCommand(b.buf, 16);
    ASSERT_TRUE(mb.resetBuffer(b.buf));
    ByteReader r(b.hdr(), 20);
    EXPECT_EQ(r.getAt<uint32_t>(4), 0u);
    EXPECT_EQ(r.getAt<uint16_t>(16), 0u);
    EXPECT_EQ(r.getAt<uint32_t>(8), 1u);
}

TEST(MsgBuf, TwoCommandsAccumulateAndYieldTheWholeMessage) {
    CKestFWSimpleMsgBuf mb;
    Message m(mb, 36);
    mb.addCommand(m.buf, 12 + 4);
    mb.addCommand(m.buf, 12 + 8);
    ByteReader r(m.hdr(), 20);
    EXPECT_EQ(r.getAt<uint32_t>(4), 36u);
    EXPECT_EQ(r.getAt<uint16_t>(16), 2u);
    void* msg = nullptr;
    unsigned len = 0;
    ASSERT_TRUE(mb.getMessage(m.buf, 36, &msg, &len));
    EXPECT_EQ(msg, m.hdr());
    EXPECT_EQ(len, 56u);
}

struct ValidateCase {
    const char* name;
    unsigned offset;  // byte of the header to damage, or 99 for none
    uint8_t value;
    unsigned size;  // size given to validateBuffer
    bool valid;
    const char* warning;
};
void PrintTo(const ValidateCase& c, std::ostream* os) { *os << c.name; }

class MsgBufValidate : public ::testing::TestWithParam<ValidateCase> {};

TEST_P(MsgBufValidate, ChecksSignatureVersionCategoryAndSize) {
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
    EXPECT_EQ(mb.validateBuffer(m.buf, c.size), c.valid);
    if (c.warning != nullptr) {
        EXPECT_EQ(log.count(c.warning), 1u) << c.name;
    }
    if (c.offset < 20) m.hdr()[c.offset] = saved;  // so the message can be released
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MsgBufValidate,
    ::testing::Values(ValidateCase{"whole", 99, 0, 16, true, nullptr},
                      ValidateCase{"size zero ignores length", 99, 0, 0, true, nullptr},
                      ValidateCase{"size differs", 99, 0, 20, false, "message buffer [20] has a bad size"},
                      ValidateCase{"signature", 0, 'X', 16, false, "message buffer [16] has a bad signature"},
                      ValidateCase{"last signature byte", 3, 't', 0, false, "has a bad signature"},
                      ValidateCase{"major version", 12, 2, 16, false, "has a bad signature"},
                      ValidateCase{"minor version is not checked", 13, 7, 16, true, nullptr},
                      ValidateCase{"category", 15, 2, 16, false, "has a bad signature"},
                      ValidateCase{"type is not checked", 14, 1, 16, true, nullptr}),
    [](const ::testing::TestParamInfo<ValidateCase>& i) { return "case" + std::to_string(i.index); });

TEST(MsgBuf, NullAndDamagedBuffersAreRefusedNotFreed) {
    CKestFWSimpleMsgBuf mb;
    LogCapture log;
    EXPECT_FALSE(mb.validateBuffer(nullptr, 0));
    EXPECT_TRUE(log.has("attempt to validate a null message buffer"));
    EXPECT_FALSE(mb.releaseBuffer(nullptr));
    EXPECT_FALSE(mb.resetBuffer(nullptr));

    // Memory that does not start with a header of ours stays with its owner.
    uint8_t* foreign = static_cast<uint8_t*>(calloc(1, 64));
    EXPECT_FALSE(mb.releaseBuffer(foreign + 20));
    EXPECT_FALSE(mb.resetBuffer(foreign + 20));
    free(foreign);
}

TEST(MsgBuf, RequestsTooLargeForTheHeaderAreRefused) {
    CKestFWSimpleMsgBuf mb;
    kestfw_test::Verbosity v(KFW_COMP_MSGBUF, 2);
    LogCapture log;
    void* buf = reinterpret_cast<void*>(1);
    EXPECT_FALSE(mb.getBuffer(&buf, 0xFFFFFFECu));
    EXPECT_FALSE(mb.getBuffer(&buf, 0xFFFFFFFFu));
    EXPECT_EQ(buf, reinterpret_cast<void*>(1));
    EXPECT_TRUE(log.has("requested buffer size 4294967276 is too large"));
    EXPECT_FALSE(mb.getBuffer(nullptr, 4));
}

TEST(MsgBuf, TracesAtVerbosityTwo) {
    kestfw_test::Verbosity v(KFW_COMP_MSGBUF, 2);
    LogCapture log;
    {
        CKestFWSimpleMsgBuf mb;
        Message m(mb, 8);
        mb.addCommand(m.buf, 8);
        mb.resetBuffer(m.buf);
    }
    EXPECT_TRUE(log.has("kestfw:msgbuf KestFWSimpleMsgBuf.cpp:CKestFWSimpleMsgBuf():"));
    EXPECT_TRUE(log.has("created simple message buffer\n"));
    EXPECT_TRUE(log.has("allocated message buffer: [8].\n"));
    EXPECT_TRUE(log.has("reset message buffer of 1 cmds and 8 bytes.\n"));
    EXPECT_TRUE(log.has("released message buffer [0].\n"));
    EXPECT_TRUE(log.has("destroyed simple message buffer\n"));
}

TEST(MsgBufFactory, OnlyTheSimpleKind) {
    std::unique_ptr<CKestFWMsgBuf> mb(CKestFWMsgBufFactory::newMsgBuf(0));
    EXPECT_NE(dynamic_cast<CKestFWSimpleMsgBuf*>(mb.get()), nullptr);
    try {
        CKestFWMsgBufFactory::newMsgBuf(1);
        FAIL();
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), 3u);
        EXPECT_STREQ(e.what(), "unknown message buffer type: 1");
    }
}
