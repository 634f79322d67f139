// Replies that misbehave: a header the reply rewrote, a retry after the kernel wrote into the body, and
// names that fill their whole field.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "cmd/KestFWCmd.h"
#include "cmd/KestFWCmdGetRootRuleSet.h"
#include "kestfw/kestfw.h"
#include "support/FakeChannel.h"
#include "support/WireBytes.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

// Answers every message with status 0 in its first command and then writes `value` at header offset
// `at` of the message.
class HeaderScribbler : public CKestFWIOChannel {
public:
    HeaderScribbler(int at, uint8_t value) : m_at(at), m_value(value) {}
    unsigned int sendIOCTL(dvs_port_*, void* msg, unsigned int msgLen, void*) override {
        uint8_t* m = static_cast<uint8_t*>(msg);
        if (msgLen >= 32) memset(m + 28, 0, 4);
        if (m_at >= 0) m[m_at] = m_value;
        return 0;
    }

private:
    int m_at;
    uint8_t m_value;
};

struct HeaderCase {
    const char* name;
    int at;
    uint8_t value;
    FWStatus_t status;
};

TEST(ReplyHeader, WhateverTheReplyDidTheMessageIsFreed) {
    const HeaderCase cases[] = {
        {"untouched", -1, 0, 0},          {"type set to response", 14, 1, 0}, {"body length changed", 4, 99, 0},
        {"signature broken", 0, 'k', 25}, {"major version 2", 12, 2, 25},     {"category 7", 15, 7, 25},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        SpyMsgBuf* spy = new SpyMsgBuf();
        CKestFWLibHandle handle(spy);
        handle.setIOChannel(new HeaderScribbler(c.at, c.value));
        uint32_t count = 77;
        EXPECT_EQ(FW_GetRuleSetCount(&handle, nullptr, nullptr, &count), c.status);
        EXPECT_EQ(spy->outstanding, 0) << "the message was not given back";
        // The handle goes on: the next message is sent and freed like the first.
        EXPECT_EQ(FW_GetRuleSetCount(&handle, nullptr, nullptr, &count), c.status);
        EXPECT_EQ(spy->outstanding, 0);
        EXPECT_EQ(spy->requested.size(), 2u);
    }
}

unsigned g_pauses = 0;

TEST(ReplyRetry, BadStateResendsTheRequestAsSentNotTheAnswer) {
    const struct {
        const char* name;
        std::vector<FakeStep> script;
        FWStatus_t status;
        size_t sends;
    } cases[] = {
        {"bad state then ok", {FakeStep{26}, FakeStep{0}}, 0, 2},
        {"bad state thrice", {FakeStep{26}}, 26, 3},
    };
    CKestFWCmd::RetryPause old = CKestFWCmd::setRetryPause([](unsigned s) { g_pauses += s; });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The kernel writes its half-done answer into the body on every attempt.
        FakeHandle fake(c.script, [](unsigned, uint16_t, uint8_t* body, uint32_t len) { memset(body, 0xAB, len); });
        uint32_t count = 0;
        EXPECT_EQ(FW_GetRuleSetCount(&fake.handle, nullptr, nullptr, &count), c.status);
        ASSERT_EQ(fake.sends.size(), c.sends);
        for (size_t i = 1; i < fake.sends.size(); ++i) EXPECT_EQ(fake.sends[i].message, fake.sends[0].message) << i;
        EXPECT_EQ(fake.spy->outstanding, 0);
    }
    CKestFWCmd::setRetryPause(old);
}

std::string g_report;
int capture(void*, const char* fmt, ...) {
    char line[512];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    g_report += line;
    return n;
}

// The kernel may fill a name field to its last byte: the caller gets the field as it came, the report
// prints exactly the field, and nothing reads past it.
TEST(ReplyNames, RootNamesFillingTheirFieldStayInsideIt) {
    const struct {
        const char* name;
        std::string l3, l2;
    } cases[] = {
        {"short names", "web", "mac"},
        {"whole fields", std::string(64, 'a'), std::string(64, 'b')},
        {"63 and 64", std::string(63, 'c'), std::string(64, 'd')},
    };
    FW_SetLibPrettyPrinting(capture, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHandle fake({FakeStep{0}}, [&](unsigned, uint16_t, uint8_t* body, uint32_t len) {
            ASSERT_EQ(len, CKestFWCmdGetRootRuleSet::kBodySize);
            memcpy(body + CKestFWCmdGetRootRuleSet::kOffLayer3, c.l3.data(), c.l3.size());
            memcpy(body + CKestFWCmdGetRootRuleSet::kOffLayer2, c.l2.data(), c.l2.size());
            body[CKestFWCmdGetRootRuleSet::kOffResult] = 9;
        });
        FWRuleSetID_t l3, l2;
        memset(&l3, 'X', sizeof l3);
        memset(&l2, 'X', sizeof l2);
        unsigned result = 0;
        g_report.clear();
        ASSERT_EQ(FW_GetRootRuleSet(&fake.handle, nullptr, nullptr, &l3, &l2, &result), 0u);
        EXPECT_EQ(std::string(l3.name, strnlen(l3.name, sizeof l3.name)), c.l3);
        EXPECT_EQ(std::string(l2.name, strnlen(l2.name, sizeof l2.name)), c.l2);
        EXPECT_EQ(result, 9u);
        EXPECT_EQ(g_report, "layer3 root ruleset : " + c.l3 + "\nlayer2 root ruleset : " + c.l2 + "\n");
    }
    FW_SetLibPrettyPrinting(nullptr, nullptr);
}

}  // namespace
