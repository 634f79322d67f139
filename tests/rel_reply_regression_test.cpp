// Replies the fuzzer found harmful, replayed through a caller's own channel whose request function
// answers with the row's bytes: each once crashed, overflowed or over-read, and must now end in the
// row's status with the reply's values copied out unchanged. New findings become new rows.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw.h"
#include "support/ApiCalls.h"
#include "support/FdCount.h"
#include "support/LogCapture.h"
#include "transport/KestFWMsgHdr.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

namespace kestfw_test {
namespace {

using namespace KestFirewall;

struct Answer {
    uint32_t status = 0;
    std::vector<uint8_t> body;
};
Answer g_answer;

int answerWith(void*, void* msg, unsigned int len, void*) {
    auto* m = static_cast<uint8_t*>(msg);
    const unsigned body = KEST_MSG_HDR_SIZE + KEST_CMD_HDR_SIZE;
    if (len < body) return 0;
    for (int i = 0; i < 4; ++i) m[KEST_MSG_HDR_SIZE + KEST_CMD_OFF_STATUS + i] = uint8_t(g_answer.status >> (8 * i));
    memcpy(m + body, g_answer.body.data(), std::min<size_t>(g_answer.body.size(), len - body));
    return 0;
}
int initCtx(void*, void** ctx) {
    *ctx = nullptr;
    return 0;
}
void exitCtx(void*) {}

std::vector<uint8_t> bodyWith(size_t size, size_t off, uint64_t value) {
    std::vector<uint8_t> b(size, 0);
    for (int i = 0; i < 8; ++i) b[off + i] = uint8_t(value >> (8 * i));
    return b;
}

struct Finding {
    const char* name;
    std::vector<uint8_t> body;
    // Runs the call on the handle and checks what it copied out.
    std::function<void(fwlibhandle_*)> check;
};

// A realization time at the end of time or so far ahead that its year overflows the report's
// arithmetic; the info call prints a report and copies the time out as the kernel gave it.
std::vector<Finding> findings() {
    auto ruleSetInfo = [](uint64_t expected) {
        return [expected](fwlibhandle_* h) {
            FWRuleSetInfo_ info{};
            FWRuleSetID_t id{};
            strcpy(id.name, "rs");
            EXPECT_EQ(FW_GetRuleSetInfo(h, nullptr, nullptr, &info, id), 0u);
            EXPECT_EQ(info.realization_time, expected);
        };
    };
    auto addrSetInfo = [](uint64_t expected) {
        return [expected](fwlibhandle_* h) {
            FWAddrSetInfo_ info{};
            FWAddrSetID_t id{};
            strcpy(id.name, "as");
            EXPECT_EQ(FW_GetAddrSetInfo(h, nullptr, nullptr, &info, id), 0u);
            EXPECT_EQ(info.realization_time, expected);
        };
    };
    const uint64_t endOfTime = ~0ull, yearOverflow = 1ull << 56, signBit = 1ull << 63;
    return {
        {"RuleSetTimeEndOfTime", bodyWith(84, 68, endOfTime), ruleSetInfo(endOfTime)},
        {"RuleSetTimeSignBit", bodyWith(84, 68, signBit), ruleSetInfo(signBit)},
        {"RuleSetTimeYearOverflow", bodyWith(84, 68, yearOverflow), ruleSetInfo(yearOverflow)},
        {"AddrSetTimeEndOfTime", bodyWith(58, 42, endOfTime), addrSetInfo(endOfTime)},
        {"AddrSetTimeYearOverflow", bodyWith(58, 42, yearOverflow), addrSetInfo(yearOverflow)},
    };
}

class FuzzFinding : public ::testing::TestWithParam<Finding> {
protected:
    void SetUp() override {
        m_oldPause = CKestFWCmd::setRetryPause([](unsigned) {});
        FW_SetLibPrettyPrinting(&countingPrinter, &lines);
        static FWLibGenericIO_ ops{};
        ops.init = &initCtx;
        ops.exit = &exitCtx;
        ops.request = &answerWith;
        char key[] = KESTFW_IO_GENERIC_IO;
        void* args[2] = {key, &ops};
        int reserved = 0;
        ASSERT_EQ(FW_Initialize(0x10000, &reserved, FW_IO_GENERIC, 2, args, &handle), 0u);
    }
    void TearDown() override {
        EXPECT_EQ(FW_Exit(handle), 0u);
        FW_SetLibPrettyPrinting(nullptr, nullptr);
        CKestFWCmd::setRetryPause(m_oldPause);
    }
    fwlibhandle_* handle = nullptr;
    unsigned long lines = 0;

private:
    CKestFWCmd::RetryPause m_oldPause = nullptr;
};

TEST_P(FuzzFinding, EndsInItsStatusWithTheValuesCopiedOut) {
    LogCapture log;
    g_answer.status = 0;
    g_answer.body = GetParam().body;
    GetParam().check(handle);
    EXPECT_GT(lines, 0u);  // the report was printed, not skipped
}

INSTANTIATE_TEST_SUITE_P(Replies, FuzzFinding, ::testing::ValuesIn(findings()),
                         [](const ::testing::TestParamInfo<Finding>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace kestfw_test
