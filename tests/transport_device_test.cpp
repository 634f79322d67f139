// The device channel and the device singletons on the simulated devices: the device request record,
// failed control calls turned into statuses, descriptors opened and closed, the pass-through
// functions, and the message walk printed for diagnosis.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "frame/KestFWException.h"
#include "frame/KestFWLog.h"
#include "kestfw/kestfw.h"
#include "sim/KestSimControl.h"
#include "support/LogCapture.h"
#include "support/TestCommands.h"
#include "transport/KestFWIOChannelIOCTL.h"
#include "transport/KestFWIoctl.h"
#include "transport/KestPLKIoctl.h"
#include "transport/KestSiIoctl.h"
#include "util/ByteIO.h"

using namespace KestFirewall;
using namespace kestfw_test;

namespace {

// A message of one rule-set count command, built by hand.
struct CountMessage {
    uint8_t bytes[36] = {'K', 'E', 'S', 'T', 16, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0,
                         0,   0,   4,   0,   0,  0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    uint32_t status() const { return ByteReader(bytes, 36).getAt<uint32_t>(28); }
};

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

    uint8_t expected[132] = {15, 0, 0, 0, 0, 0, 0, 0, 112, 0, 0, 0};
    uint64_t payload = reinterpret_cast<uintptr_t>(record + 20), message = reinterpret_cast<uintptr_t>(msg);
    for (int i = 0; i < 8; ++i) {
        expected[12 + i] = uint8_t(payload >> (8 * i));
        expected[124 + i] = uint8_t(message >> (8 * i));
    }
    expected[20] = 'i';
    expected[21] = 'd';
    expected[20 + 64] = 'a';
    expected[20 + 65] = 'g';
    expected[20 + 96] = 1;
    expected[20 + 97] = 2;
    expected[20 + 98] = 3;
    expected[20 + 99] = 1;
    expected[120] = 36;
    EXPECT_EQ(0, memcmp(record, expected, sizeof expected));

    // Without a port the port area is all zero.
    CKestFWIOChannelIOCTL::buildRequest(record, nullptr, msg, 36);
    std::vector<uint8_t> area(record + 20, record + 120);
    EXPECT_EQ(area, std::vector<uint8_t>(100, 0));
}

TEST_F(Device, ChannelSendsAndTheModuleAnswersInPlace) {
    kestsim_seed_ruleset_count(nullptr, 6);
    CKestFWIOChannelIOCTL channel("/dev/wyb-kest");
    CountMessage m;
    EXPECT_EQ(channel.sendIOCTL(nullptr, m.bytes, 36, nullptr), 0u);
    EXPECT_EQ(m.status(), 0u);
    EXPECT_EQ(ByteReader(m.bytes, 36).getAt<uint32_t>(32), 6u);

    uint8_t req[KESTSIM_REQUEST_SIZE];
    ASSERT_EQ(kestsim_last_request(req), 0);
    EXPECT_EQ(ByteReader(req, sizeof req).getAt<uint64_t>(124), reinterpret_cast<uintptr_t>(m.bytes));
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
    CountMessage m;
    try {
        channel.sendIOCTL(c.portType == 99 ? nullptr : &port, m.bytes, 36, nullptr);
        FAIL();
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), c.code);
        EXPECT_STREQ(e.what(), c.message);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DeviceErrno,
                         ::testing::Values(ErrnoCase{ENOENT, 99, 19, "ioctl failed, errno=2"},
                                           ErrnoCase{ENOENT, 0, 19, "ioctl failed, errno=2"},
                                           ErrnoCase{ENOENT, 1, 21, "ioctl failed because switch port is not found"},
                                           ErrnoCase{ENOENT, 2, 21, "ioctl failed because switch port is not found"},
                                           ErrnoCase{ENOENT, 0x18, 21, "ioctl failed because switch port is not found"},
                                           ErrnoCase{ENOENT, 0x10, 19,
                                                     "ioctl failed, errno=2"},  // high nibble is not a type
                                           ErrnoCase{ENOMEM, 0, 65, "ioctl failed, errno=12"},
                                           ErrnoCase{ENOMEM, 1, 65, "ioctl failed, errno=12"},
                                           ErrnoCase{EIO, 1, 19, "ioctl failed, errno=5"},
                                           ErrnoCase{EPERM, 7, 19, "ioctl failed, errno=1"}));

TEST_F(Device, OpenedByPathIsClosedStoredDescriptorIsNot) {
    CKestFWIoctl::GetInstance();
    {
        CKestFWIOChannelIOCTL channel("/dev/wyb-kest");
        EXPECT_EQ(kestsim_device_of_fd(channel.fd()), int(KESTSIM_DEV_CONTROL));
        EXPECT_EQ(kestsim_device_open_descriptors(KESTSIM_DEV_CONTROL), 2u);
    }
    EXPECT_EQ(kestsim_device_open_descriptors(KESTSIM_DEV_CONTROL), 1u);  // the singleton's
    int shared = CKestFWIoctl::GetInstance()->getFd();
    { CKestFWIOChannelIOCTL stored(shared); }
    EXPECT_EQ(kestsim_device_of_fd(shared), int(KESTSIM_DEV_CONTROL));
    EXPECT_EQ(kestsim_device_open_descriptors(KESTSIM_DEV_CONTROL), 1u);
}

TEST_F(Device, OpenFailureNamesTheDeviceAndErrno) {
    try {
        CKestFWIOChannelIOCTL channel("/nonexistent/kest");
        FAIL();
    } catch (const CKestFWException& e) {
        EXPECT_EQ(e.retcode(), 12u);
        EXPECT_STREQ(e.what(), "cannot open device /nonexistent/kest: 2");
    }
    ASSERT_EQ(kestsim_device_fail_open(KESTSIM_DEV_CONTROL, EACCES), 0);
    EXPECT_THROW(CKestFWIOChannelIOCTL channel, CCannotOpenDevException);
}

TEST_F(Device, ControlPassThroughReachesTheModule) {
    kestsim_seed_ruleset_count(nullptr, 2);
    CountMessage m;
    uint8_t record[KEST_IOREQ_SIZE];
    CKestFWIOChannelIOCTL::buildRequest(record, nullptr, m.bytes, 36);
    EXPECT_EQ(FW_Ioctl(15, record), 0u);
    EXPECT_EQ(ByteReader(m.bytes, 36).getAt<uint32_t>(32), 2u);

    LogCapture log;
    ASSERT_EQ(kestsim_fault_errno(ENOMEM, 1), 0);
    EXPECT_EQ(FW_Ioctl(15, record), 0xFFFFFFFFu);
    EXPECT_TRUE(log.has("ioctl cmd 15 on device /dev/wyb-kest failed: Cannot allocate memory\n\n"));
}

struct PassCase {
    const char* name;
    kestsim_device_ dev;
    int result;
    int err;
    uint32_t expected;
    const char* log;
};
void PrintTo(const PassCase& c, std::ostream* os) { *os << c.name; }

class DevicePassThrough : public Device, public ::testing::WithParamInterface<PassCase> {};

TEST_P(DevicePassThrough, ResultOfTheDevice) {
    const PassCase& c = GetParam();
    ASSERT_EQ(kestsim_device_set_result(c.dev, c.result, c.err), 0);
    int arg = 0;
    LogCapture log;
    uint32_t got = c.dev == KESTSIM_DEV_PLK ? PLK_Ioctl(0x4711, &arg) : SI_Ioctl(0x4711, &arg);
    EXPECT_EQ(got, c.expected);
    unsigned long request = 0;
    void* seen = nullptr;
    ASSERT_EQ(kestsim_device_last_ioctl(c.dev, &request, &seen), 0);
    EXPECT_EQ(request, 0x4711u);
    EXPECT_EQ(seen, &arg);
    if (c.log != nullptr) {
        EXPECT_TRUE(log.has(c.log)) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DevicePassThrough,
    ::testing::Values(PassCase{"plk ok", KESTSIM_DEV_PLK, 0, 0, 0, nullptr},
                      PassCase{"plk value", KESTSIM_DEV_PLK, 7, 0, 7,
                               "ioctl cmd 18193 on device /dev/pelkintbl failed"},
                      PassCase{"plk error", KESTSIM_DEV_PLK, -1, EPERM, 0xFFFFFFFFu,
                               "ioctl cmd 18193 on device /dev/pelkintbl failed: Operation not permitted\n\n"},
                      PassCase{"si ok", KESTSIM_DEV_SI, 0, 0, 0, "successfully sent cmd 18193 with data 0x"},
                      PassCase{"si error", KESTSIM_DEV_SI, -1, EINVAL, 0xFFFFFFFFu,
                               "ioctl cmd 18193 on device /dev/qel-kest-pwix failed: Invalid argument\n\n"}));

TEST_F(Device, NullArgumentsArePassedOnNotFollowed) {
    EXPECT_EQ(FW_Ioctl(15, nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(PLK_Ioctl(3, nullptr), 0u);
    EXPECT_EQ(SI_Ioctl(3, nullptr), 0u);
    unsigned long request = 0;
    void* seen = reinterpret_cast<void*>(1);
    ASSERT_EQ(kestsim_device_last_ioctl(KESTSIM_DEV_SI, &request, &seen), 0);
    EXPECT_EQ(seen, nullptr);
}

TEST_F(Device, PacketFilterDescriptorIsTheSingletons) {
    int fd = PLK_GetFd();
    EXPECT_EQ(kestsim_device_of_fd(fd), int(KESTSIM_DEV_PLK));
    EXPECT_EQ(PLK_GetFd(), fd);
}

// Singletons open their device once per process, so these run in a fresh copy of this program.
TEST(DeviceFreshProcess, PassThroughWithoutDevices) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            kestsim_device_fail_open(KESTSIM_DEV_PLK, EACCES);
            kestsim_device_fail_open(KESTSIM_DEV_SI, ENOENT);
            kestsim_device_fail_open(KESTSIM_DEV_CONTROL, EACCES);
            int arg = 0;
            bool ok = PLK_GetFd() == -1 && PLK_Ioctl(1, &arg) == 0xFFFFFFFFu && SI_Ioctl(1, &arg) == 0xFFFFFFFFu &&
                      FW_Ioctl(15, &arg) == 0xFFFFFFFFu;
            // Once the device is there the singleton is made on the next use.
            kestsim_device_fail_open(KESTSIM_DEV_PLK, 0);
            ok = ok && PLK_GetFd() >= 0;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(DeviceFreshProcess, OldControlDeviceWhenAskedFor) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("KEST_CONTROL_DEVICE_PATH_OLD", "", 1);
            CKestFWIoctl* dev = CKestFWIoctl::GetInstance();
            bool ok = CKestFWIoctl::ioctl_devname == "/dev/kest" &&
                      kestsim_device_of_fd(dev->getFd()) == KESTSIM_DEV_CONTROL_OLD;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            unsetenv("KEST_CONTROL_DEVICE_PATH_OLD");
            CKestFWIoctl* dev = CKestFWIoctl::GetInstance();
            bool ok = CKestFWIoctl::ioctl_devname == "/dev/wyb-kest" &&
                      kestsim_device_of_fd(dev->getFd()) == KESTSIM_DEV_CONTROL;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ValidateMessage, WalksHeaderAndCommandsAtVerbosityThree) {
    // Two commands of bodies 4 and 8, the second answered with status 28.
    uint8_t msg[20 + 16 + 20] = {'K', 'E', 'S', 'T', 36, 0, 0, 0, 7, 0, 0, 0, 1, 1, 1, 1, 2, 0, 0, 0, 4,  0, 0, 0,
                                 1,   0,   0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 2, 0, 0, 0, 28, 0, 0, 0};
    CKestFWIOChannelIOCTL channel(CKestFWIoctl::GetInstance()->getFd());
    Verbosity io(KFW_COMP_IO, 3);
    LogCapture log;
    channel.validateMessage(msg, sizeof msg);
    const std::vector<std::string> expected = {
        "Validating message\n",
        ". ok   : message signature found\n",
        ". ok   : body length is 36\n",
        ". ok   : message sequence is 7\n",
        ". ok   : message major version is 1\n",
        ". ok   : message minor version is 1\n",
        ". ok   : message type is response\n",
        ". ok   : message category is firewall\n",
        ". ok   : message contains 2 commads\n",
        ". ok   : message padding is zero\n",
        ". ok   : command no. 1\n",
        ". ok   : command body has 4 bytes\n",
        ". ok   : command is 1\n",
        ". ok   : command status 0\n",
        ". ok   : command no. 2\n",
        ". ok   : command body has 8 bytes\n",
        ". ok   : command is 2\n",
        ". ok   : command status 28\n",
    };
    ASSERT_EQ(log.all().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string& line = log.all()[i];
        EXPECT_EQ(line.rfind("kestfw:io KestFWIOChannel.cpp:validateMessage():", 0), 0u) << line;
        EXPECT_EQ(line.substr(line.size() - expected[i].size()), expected[i]) << i;
    }
}

TEST(ValidateMessage, DamagedHeaderAndTruncatedRecords) {
    uint8_t msg[20 + 12] = {'K', 'E', 'S', 'X', 0,   0, 0, 0, 0, 0, 0, 0, 1, 1, 9, 3,
                            1,   0,   5,   0,   200, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    CKestFWIOChannelIOCTL channel(CKestFWIoctl::GetInstance()->getFd());
    Verbosity io(KFW_COMP_IO, 3);
    LogCapture log;
    channel.validateMessage(msg, sizeof msg);
    EXPECT_TRUE(log.has(". error: message signature not found\n"));
    EXPECT_FALSE(log.has("body length is"));
    EXPECT_TRUE(log.has(". error: message type is unknown (9)\n"));
    EXPECT_TRUE(log.has(". fail: message category is unknown (3)\n"));
    EXPECT_TRUE(log.has(". fail: message padding is unknown (5)\n"));
    // The record claims more body than the message holds; the walk stops after it.
    EXPECT_EQ(log.count("command no."), 1u);
    log.clear();
    channel.validateMessage(msg, 7);  // shorter than a header
    EXPECT_TRUE(log.has("message signature not found"));
    EXPECT_FALSE(log.has("command no."));
}
