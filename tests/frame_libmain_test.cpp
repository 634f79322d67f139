// Start-up and shutdown, the handle's message and channel plumbing, and the exported-function frame.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "base/KestFWApi.h"
#include "base/KestFWException.h"
#include "frame/KestFWLibHandle.h"
#include "kestfw/kestfw.h"
#include "sim/KestSimControl.h"
#include "support/LogCapture.h"
#include "transport/KestFWIOChannelIOCTL.h"
#include "transport/KestFWIoctl.h"
#include "base/Locks.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

int g_reserved = 0;
char kName[] = "FWIODeviceName";
char kOther[] = "FWIOFileName";
char kPath[] = "/dev/anything";

struct ShapeCase {
    const char* name;
    int ioType;
    std::vector<void*> args;
    bool nullArgs;
    FWStatus_t result;
};
void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.name; }

class InitializeShapes : public ::testing::TestWithParam<ShapeCase> {};

}  // namespace

TEST_P(InitializeShapes, OnlyKnownShapesMakeAChannel) {
    const ShapeCase& c = GetParam();
    std::vector<void*> args = c.args;
    fwlibhandle_* h = reinterpret_cast<fwlibhandle_*>(&g_reserved);
    LogCapture log;
    EXPECT_EQ(FW_Initialize(0x10000, &g_reserved, c.ioType, int(args.size()), c.nullArgs ? nullptr : args.data(), &h),
              c.result);
    if (c.result != 0) {
        EXPECT_EQ(h, nullptr);
        EXPECT_TRUE(log.has("error 10: cannot initialize IO channel: " + std::to_string(c.ioType) + "\n"));
        return;
    }
    auto* ch = dynamic_cast<CKestFWIOChannelIOCTL*>(h->getIOChannel());
    ASSERT_NE(ch, nullptr);
    EXPECT_EQ(ch->fd(), CKestFWIoctl::GetInstance()->getFd());
    EXPECT_EQ(FW_Exit(h), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, InitializeShapes,
                         ::testing::Values(ShapeCase{"device", 1, {}, false, 0},
                                           ShapeCase{"device by name", 1, {kName, kPath}, false, 0},
                                           ShapeCase{"device name without value", 1, {kName, nullptr}, false, 0},
                                           ShapeCase{"device odd count", 1, {kName}, false, 10},
                                           ShapeCase{"device wrong key", 1, {kOther, kPath}, false, 10},
                                           ShapeCase{"device missing array", 1, {kName, kPath}, true, 10},
                                           ShapeCase{"socket without address", 2, {}, false, 10},
                                           ShapeCase{"type seven", 7, {}, false, 10}));

TEST(Initialize, MissingPointersMakeNothing) {
    fwlibhandle_* h = reinterpret_cast<fwlibhandle_*>(&g_reserved);
    EXPECT_EQ(FW_Initialize(0x10000, nullptr, 1, 0, nullptr, &h), 3u);
    EXPECT_EQ(h, reinterpret_cast<fwlibhandle_*>(&g_reserved));
    EXPECT_EQ(FW_Initialize(0x10000, &g_reserved, 1, 0, nullptr, nullptr), 3u);
    EXPECT_EQ(FW_Exit(nullptr), 3u);
}

namespace {
struct CountedChannel : CKestFWIOChannel {
    explicit CountedChannel(int* destroyed) : m_destroyed(destroyed) {}
    ~CountedChannel() override { ++*m_destroyed; }
    unsigned int sendIOCTL(dvs_port_*, void*, unsigned int, void* ctx) override {
        lastCtx = ctx;
        return 0;
    }
    void* lastCtx = nullptr;
    int* m_destroyed;
};
}  // namespace

TEST(LibHandle, ASecondChannelReplacesAndReleasesTheFirst) {
    int destroyed = 0;
    LogCapture log;
    {
        CKestFWLibHandle h;
        EXPECT_EQ(h.setIOChannel(new CountedChannel(&destroyed)), 0);
        EXPECT_EQ(h.setIOChannel(new CountedChannel(&destroyed)), 0);
        EXPECT_EQ(destroyed, 1);
        EXPECT_TRUE(log.has("IOChannel has already been initialized\n"));
    }
    EXPECT_EQ(destroyed, 2);
}

TEST(LibHandle, ContextGivenOrTheHandlesDefaultAndSizesChecked) {
    int destroyed = 0;
    auto* ch = new CountedChannel(&destroyed);
    CKestFWLibHandle h;
    h.setIOChannel(ch);
    int defaultCtx = 0, own = 0;
    h.setDefaultIOContext(&defaultCtx);
    void* buf = nullptr;
    ASSERT_EQ(h.getCommandBuffer(&buf, 12), 0);
    h.addCommand(buf, 12);
    EXPECT_EQ(h.flushCommandBuffer(buf, 12, nullptr, nullptr), 0u);
    EXPECT_EQ(ch->lastCtx, &defaultCtx);
    EXPECT_EQ(h.flushCommandBuffer(buf, 12, nullptr, &own), 0u);
    EXPECT_EQ(ch->lastCtx, &own);
    // A size that disagrees with what was appended is refused before sending.
    ch->lastCtx = nullptr;
    EXPECT_EQ(h.flushCommandBuffer(buf, 24, nullptr, &own), 8u);
    EXPECT_EQ(ch->lastCtx, nullptr);
    EXPECT_EQ(h.resetCommandBuffer(buf), 0);
    EXPECT_EQ(h.releaseCommandBuffer(buf), 0);
}

TEST(LibHandle, MissingPartsGiveTheirCodes) {
    CKestFWLibHandle noBuffer(nullptr);
    void* buf = nullptr;
    EXPECT_EQ(noBuffer.getCommandBuffer(&buf, 4), 1);
    EXPECT_EQ(noBuffer.flushCommandBuffer(&buf, 4, nullptr, nullptr), 1u);
    CKestFWLibHandle noChannel;
    ASSERT_EQ(noChannel.getCommandBuffer(&buf, 4), 0);
    EXPECT_EQ(noChannel.flushCommandBuffer(buf, 0, nullptr, nullptr), 1u);
    EXPECT_EQ(noChannel.getCommandBuffer(&buf, 0xFFFFFFF0u), 8);
    EXPECT_EQ(noChannel.releaseCommandBuffer(buf), 0);
    uint64_t foreign[8] = {};
    EXPECT_EQ(noChannel.releaseCommandBuffer(reinterpret_cast<uint8_t*>(foreign) + 20), 3);
}

// The control device is opened once per process, so these run in a fresh copy of this program.
namespace {
void logToStderr(int, const char* fmt, va_list ap) { vfprintf(stderr, fmt, ap); }
}  // namespace

TEST(LibFreshProcess, WithoutTheDeviceInitializeFailsAndTheDefaultHandleEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FW_RegisterLogger(logToStderr, 0);
            kestsim_device_fail_open(KESTSIM_DEV_CONTROL, EACCES);
            fwlibhandle_* h = reinterpret_cast<fwlibhandle_*>(&g_reserved);
            if (FW_Initialize(0x10000, &g_reserved, 1, 0, nullptr, &h) != 12 || h != nullptr) std::exit(1);
            FW_GetDefaultLibHandle();
        },
        ::testing::ExitedWithCode(255), "Failed to initialize kest library: cannot load file");
}

TEST(LibFreshProcess, ExitMakesTheDefaultHandleToCompareOnTheOpenDevice) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            kestsim_reset();
            fwlibhandle_* h = nullptr;
            bool ok = FW_Initialize(0x10000, &g_reserved, 1, 0, nullptr, &h) == 0 &&
                      kestsim_device_open_count(KESTSIM_DEV_CONTROL) == 1 && FW_Exit(h) == 0;
            ok = ok && kestsim_device_open_count(KESTSIM_DEV_CONTROL) == 1 && FW_GetDefaultLibHandle() != nullptr;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

namespace {

struct GuardCase {
    const char* name;
    int kind;  // 0 returns 28, 1 library exception, 2 lock failure, 3 an int
    FWStatus_t result;
    const char* log;
};
void PrintTo(const GuardCase& c, std::ostream* os) { *os << c.name; }

FWStatus_t guardedFunction(int kind) {
    KFW_API_ENTER();
    KFW_API_RUN([&]() -> FWStatus_t {
        switch (kind) {
            case 1:
                throw CPortNotFoundException("port went away");
            case 2:
                throw Locks::LockException(EDEADLK);
            case 3:
                throw 42;
            default: {
                // Commas outside parentheses stay inside the body.
                std::pair<int, FWStatus_t> status{0, 28};
                return status.second;
            }
        }
    });
}

class ApiGuard : public ::testing::TestWithParam<GuardCase> {};

}  // namespace

TEST_P(ApiGuard, EverythingRaisedBecomesAStatus) {
    const GuardCase& c = GetParam();
    Verbosity api(KFW_COMP_API, 1);
    LogCapture log;
    EXPECT_EQ(guardedFunction(c.kind), c.result);
    EXPECT_TRUE(log.has(c.log)) << c.name;
    EXPECT_TRUE(log.has(std::string(" guardedFunction: ") + FW_StatusToString(c.result) + "\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApiGuard,
    ::testing::Values(GuardCase{"status", 0, 28, "guardedFunction: no ruleset\n"},
                      GuardCase{"library exception", 1, 21, " error 21: port went away\n"},
                      GuardCase{"lock failure", 2, 5, " guardedFunction: encountered internal error\n"},
                      GuardCase{"anything", 3, 5, " guardedFunction: encountered internal error\n"}));
