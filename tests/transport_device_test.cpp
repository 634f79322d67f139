// The device channel and singletons on simulated devices: the request record, answers in place, failed
// calls as statuses, descriptors, the pass-through functions and the diagnostic message walk.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>

#include "base/KestFWLog.h"
#include "kestfw/kestfw.h"
#include "support/FdCount.h"
#include "support/LogCapture.h"
#include "support/TestCommands.h"
#include "support/Wire.h"
#include "transport/KestFWIOChannelIOCTL.h"
#include "transport/KestFWIoctl.h"
#include "transport/KestPLKIoctl.h"
#include "transport/KestSiIoctl.h"

KESTFW_CHECK_DESCRIPTORS_PER_TEST();

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

class Device : public ::testing::Test {
protected:
    void SetUp() override { kestsim_reset(); }
    void TearDown() override { kestsim_reset(); }
};

}  // namespace

TEST(DeviceRequest, RecordLayout) {
    dvs_port_ port = makePort(DVS_PORT_TYPE_VNIC, "id", 0x030201, "ag");
    uint8_t msg[4] = {};
    uint8_t record[KEST_IOREQ_SIZE];
    memset(record, 0xCC, sizeof record);
    CKestFWIOChannelIOCTL::buildRequest(record, &port, msg, 36);
    // Request 15, payload of 112 bytes at 20: the port (id, agent at 64, index and type at 96), then the
    // message length and address.
    Golden g(132);
    g.le(0, 15, 4).le(8, 112, 4).le(12, reinterpret_cast<uintptr_t>(record + 20), 8);
    g.text(20, "id").text(84, "ag").raw(116, {1, 2, 3, 1}).le(120, 36, 4).le(124, reinterpret_cast<uintptr_t>(msg), 8);
    EXPECT_EQ(Bytes(record, record + 132), g.b);
    CKestFWIOChannelIOCTL::buildRequest(record, nullptr, msg, 36);
    EXPECT_EQ(Bytes(record + 20, record + 120), Bytes(100, 0)) << "no port: all zero";
}

TEST_F(Device, ChannelSendsAndTheModuleAnswersInPlace) {
    kestsim_seed_ruleset_count(nullptr, 6);
    CKestFWIOChannelIOCTL channel("/dev/wyb-kest");
    Bytes m = countMessage();
    EXPECT_EQ(channel.sendIOCTL(nullptr, m.data(), 36, nullptr), 0u);
    EXPECT_EQ(m, Golden(36).raw(0, countMessage()).le(32, 6, 4).b);
    uint8_t req[KESTSIM_REQUEST_SIZE];
    ASSERT_EQ(kestsim_last_request(req), 0);
    EXPECT_EQ(Bytes(req + 124, req + 132), Golden(8).le(0, reinterpret_cast<uintptr_t>(m.data()), 8).b);
}

struct ErrnoCase {
    int err;
    unsigned portType;  // 99: no port
    FWStatus_t code;
    const char* message;
};
void PrintTo(const ErrnoCase& c, std::ostream* os) { *os << c.message << " (type " << c.portType << ")"; }

class DeviceErrno : public Device, public ::testing::WithParamInterface<ErrnoCase> {};

TEST_P(DeviceErrno, FailedCallRaisesTheMatchingException) {
    const ErrnoCase& c = GetParam();
    CKestFWIOChannelIOCTL channel("/dev/wyb-kest");
    dvs_port_ port = makePort(c.portType == 99 ? 0 : c.portType, "p", 0);
    ASSERT_EQ(kestsim_fault_errno(c.err, 1), 0);
    Bytes m = countMessage();
    expectRaises([&] { channel.sendIOCTL(c.portType == 99 ? nullptr : &port, m.data(), 36, nullptr); }, c.code,
                 c.message);
    EXPECT_EQ(m, countMessage());
}

INSTANTIATE_TEST_SUITE_P(Cases, DeviceErrno,
                         ::testing::Values(ErrnoCase{ENOENT, 99, 19, "ioctl failed, errno=2"},
                                           ErrnoCase{ENOENT, 1, 21, "ioctl failed because switch port is not found"},
                                           ErrnoCase{ENOENT, 0x18, 21, "ioctl failed because switch port is not found"},
                                           ErrnoCase{ENOENT, 0x10, 19, "ioctl failed, errno=2"},  // not a type
                                           ErrnoCase{ENOMEM, 0, 65, "ioctl failed, errno=12"}));

// A control call that fails, interrupted, busy or handed a bad address, is that call's status alone:
// the handle's next call goes through.
TEST_F(Device, FailedCallsLeaveTheHandleUsable) {
    const struct {
        int err;
        FWStatus_t status;
    } cases[] = {{EINTR, 19}, {EAGAIN, 19}, {EFAULT, 19}, {ENOMEM, 65}};
    int reserved = 0;
    fwlibhandle_* h = nullptr;
    ASSERT_EQ(FW_Initialize(0x10000, &reserved, FW_IO_DEVICE, 0, nullptr, &h), 0u);
    ASSERT_EQ(kestsim_seed_ruleset_count(nullptr, 4), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        ASSERT_EQ(kestsim_fault_errno(c.err, 1), 0);
        uint32_t count = 77;
        EXPECT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), c.status);
        EXPECT_EQ(count, 77u);
        EXPECT_EQ(FW_GetRuleSetCount(h, nullptr, nullptr, &count), 0u);
        EXPECT_EQ(count, 4u);
    }
    EXPECT_EQ(FW_Exit(h), 0u);
}

TEST_F(Device, OpenedByPathIsClosedStoredDescriptorIsNot) {
    const int shared = CKestFWIoctl::GetInstance()->getFd();
    {
        CKestFWIOChannelIOCTL channel("/dev/wyb-kest");
        EXPECT_EQ(kestsim_device_of_fd(channel.fd()), int(KESTSIM_DEV_CONTROL));
        EXPECT_EQ(kestsim_device_open_descriptors(KESTSIM_DEV_CONTROL), 2u);
    }
    { CKestFWIOChannelIOCTL stored(shared); }
    EXPECT_EQ(kestsim_device_of_fd(shared), int(KESTSIM_DEV_CONTROL));
    EXPECT_EQ(kestsim_device_open_descriptors(KESTSIM_DEV_CONTROL), 1u) << "the singleton's";
    expectRaises([] { CKestFWIOChannelIOCTL channel("/nonexistent/kest"); }, 12,
                 "cannot open device /nonexistent/kest: 2");
}

TEST_F(Device, ControlPassThroughReachesTheModule) {
    kestsim_seed_ruleset_count(nullptr, 2);
    Bytes m = countMessage();
    uint8_t record[KEST_IOREQ_SIZE];
    CKestFWIOChannelIOCTL::buildRequest(record, nullptr, m.data(), 36);
    EXPECT_EQ(FW_Ioctl(15, record), 0u);
    EXPECT_EQ(le32(&m[32]), 2u);
    LogCapture log;
    ASSERT_EQ(kestsim_fault_errno(ENOMEM, 1), 0);
    EXPECT_EQ(FW_Ioctl(15, record), 0xFFFFFFFFu);
    EXPECT_TRUE(log.has("ioctl cmd 15 on device /dev/wyb-kest failed: Cannot allocate memory\n\n"));
    EXPECT_EQ(FW_Ioctl(15, nullptr), 0xFFFFFFFFu);
}

struct PassCase {
    kestsim_device_ dev;
    int result, err;
    uint32_t expected;
    const char* log;
};
void PrintTo(const PassCase& c, std::ostream* os) { *os << c.dev << " " << c.result; }

class DevicePassThrough : public Device, public ::testing::WithParamInterface<PassCase> {};

TEST_P(DevicePassThrough, ResultOfTheDevice) {
    const PassCase& c = GetParam();
    ASSERT_EQ(kestsim_device_set_result(c.dev, c.result, c.err), 0);
    int arg = 0;
    LogCapture log;
    EXPECT_EQ(c.dev == KESTSIM_DEV_PLK ? PLK_Ioctl(0x4711, &arg) : SI_Ioctl(0x4711, &arg), c.expected);
    unsigned long request = 0;
    void* seen = nullptr;
    ASSERT_EQ(kestsim_device_last_ioctl(c.dev, &request, &seen), 0);
    EXPECT_EQ(request, 0x4711u);
    EXPECT_EQ(seen, &arg);
    EXPECT_TRUE(log.has(c.log)) << c.log;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DevicePassThrough,
    ::testing::Values(PassCase{KESTSIM_DEV_PLK, 7, 0, 7, "ioctl cmd 18193 on device /dev/pelkintbl failed"},
                      PassCase{KESTSIM_DEV_PLK, -1, EPERM, 0xFFFFFFFFu,
                               "ioctl cmd 18193 on device /dev/pelkintbl failed: Operation not permitted\n\n"},
                      PassCase{KESTSIM_DEV_SI, 0, 0, 0, "successfully sent cmd 18193 with data 0x"}));

// Singletons open their device once per process, so these run in a fresh copy of this program.
TEST(DeviceFreshProcess, PassThroughWithoutDevicesAndTheOldControlDevice) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            kestsim_device_fail_open(KESTSIM_DEV_PLK, EACCES);
            kestsim_device_fail_open(KESTSIM_DEV_SI, ENOENT);
            kestsim_device_fail_open(KESTSIM_DEV_CONTROL, EACCES);
            int arg = 0;
            bool ok = PLK_GetFd() == -1 && PLK_Ioctl(1, &arg) == 0xFFFFFFFFu && SI_Ioctl(1, &arg) == 0xFFFFFFFFu &&
                      FW_Ioctl(15, &arg) == 0xFFFFFFFFu;
            // Once the device is there the singleton is made on the next use, and kept.
            kestsim_device_fail_open(KESTSIM_DEV_PLK, 0);
            const int fd = PLK_GetFd();
            std::exit(ok && kestsim_device_of_fd(fd) == KESTSIM_DEV_PLK && PLK_GetFd() == fd ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    for (bool old : {true, false}) {
        EXPECT_EXIT(
            {
                old ? setenv("KEST_CONTROL_DEVICE_PATH_OLD", "", 1) : unsetenv("KEST_CONTROL_DEVICE_PATH_OLD");
                CKestFWIoctl* dev = CKestFWIoctl::GetInstance();
                bool ok = CKestFWIoctl::ioctl_devname == (old ? "/dev/kest" : "/dev/wyb-kest") &&
                          kestsim_device_of_fd(dev->getFd()) == (old ? KESTSIM_DEV_CONTROL_OLD : KESTSIM_DEV_CONTROL);
                std::exit(ok ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

TEST(ValidateMessage, WalksHeaderAndEveryCommandAtVerbosityThree) {
    // Two commands of bodies 4 and 8, the second answered with status 28.
    uint8_t msg[20 + 16 + 20] = {'K', 'E', 'S', 'T', 36, 0, 0, 0, 7, 0, 0, 0, 1, 1, 1, 1, 2, 0, 0, 0, 4,  0, 0, 0,
                                 1,   0,   0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 2, 0, 0, 0, 28, 0, 0, 0};
    CKestFWIOChannelIOCTL channel(CKestFWIoctl::GetInstance()->getFd());
    Verbosity io(KFW_COMP_IO, 3);
    LogCapture log;
    channel.validateMessage(msg, sizeof msg);
    EXPECT_TRUE(log.has(". ok   : command status 28\n"));

    // A damaged header, and a record claiming more body than the message holds: the walk stops after it.
    uint8_t bad[20 + 12] = {'K', 'E', 'S', 'X', 0,   0, 0, 0, 0, 0, 0, 0, 1, 1, 9, 3,
                            1,   0,   5,   0,   200, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    log.clear();
    channel.validateMessage(bad, sizeof bad);
    EXPECT_TRUE(log.has(". error: message signature not found\n"));
    EXPECT_TRUE(log.has(". fail: message padding is unknown (5)\n"));
    EXPECT_EQ(log.count("command no."), 1u);
    log.clear();
    channel.validateMessage(bad, 7);  // shorter than a header
    EXPECT_FALSE(log.has("command no."));
}
