// The device interposer in this process: device paths open, control call 15 reaches the simulated
// module through the control interface, other paths and descriptors still reach the C library.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "sim/KestSimControl.h"
#include "support/SimMessages.h"

using namespace kestsim_test;

namespace {

const char* const kPaths[] = {"/dev/wyb-kest", "/dev/kest", "/dev/pelkintbl", "/dev/qel-kest-pwix"};

class Interposer : public ::testing::Test {
protected:
    void SetUp() override { kestsim_reset(); }
    void TearDown() override {
        for (int fd : m_fds) close(fd);
        kestsim_reset();
    }
    int openDev(kestsim_device_ dev) {
        m_fds.push_back(open(kPaths[dev], O_RDWR));
        return m_fds.back();
    }
    // Control call 15 on `fd`: 0 with the message answered, or the errno of the failed call.
    static int call(int fd, Bytes& m, const uint8_t* port = nullptr, void (*mutate)(uint8_t*) = nullptr) {
        Request r(m, port);
        if (mutate) mutate(r.b);
        errno = 0;
        return ioctl(fd, 15, r.b) == 0 ? 0 : errno;
    }
    std::vector<int> m_fds;
};

struct OpenWay {
    const char* name;
    int (*openIt)(const char* path);
};

class InterposerOpen : public Interposer, public ::testing::WithParamInterface<OpenWay> {};

TEST_P(InterposerOpen, EveryDevicePathGivesATrackedDescriptor) {
    for (int i = 0; i < KESTSIM_DEV_COUNT; ++i) {
        const auto dev = static_cast<kestsim_device_>(i);
        int a = GetParam().openIt(kPaths[dev]), b = GetParam().openIt(kPaths[dev]);
        ASSERT_GE(a, 0) << kPaths[dev] << ": " << strerror(errno);
        ASSERT_GE(b, 0);
        EXPECT_EQ(kestsim_device_of_fd(a), dev);
        EXPECT_EQ(kestsim_device_open_descriptors(dev), 2u);
        EXPECT_EQ(close(a), 0);
        EXPECT_EQ(kestsim_device_of_fd(a), -1);
        EXPECT_EQ(close(b), 0);
        EXPECT_EQ(kestsim_device_open_descriptors(dev), 0u);
        EXPECT_EQ(kestsim_device_open_count(dev), 2u);
        ASSERT_EQ(kestsim_device_fail_open(dev, EACCES), 0);
        errno = 0;
        EXPECT_EQ(GetParam().openIt(kPaths[dev]), -1);
        EXPECT_EQ(errno, EACCES);
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, InterposerOpen,
                         ::testing::Values(OpenWay{"open", [](const char* p) { return open(p, O_RDWR); }},
                                           OpenWay{"open64", [](const char* p) { return open64(p, O_RDWR); }},
                                           OpenWay{"openat", [](const char* p) { return openat(AT_FDCWD, p, O_RDWR); }},
                                           OpenWay{"openat64", [](const char* p) { return openat64(-1, p, O_RDWR); }}),
                         [](const ::testing::TestParamInfo<OpenWay>& i) { return std::string(i.param.name); });

TEST_F(Interposer, OtherPathsAndDescriptorsReachTheCLibrary) {
    for (const char* p : {"/dev/wyb-kest2", "dev/kest"}) {
        errno = 0;
        EXPECT_EQ(open(p, O_RDWR), -1) << p;
        EXPECT_EQ(errno, ENOENT) << p;
    }
    int devDir = open("/dev", O_RDONLY | O_DIRECTORY);
    EXPECT_EQ(openat(devDir, "wyb-kest", O_RDWR), -1) << "only the absolute device paths are simulated";
    EXPECT_EQ(ioctl(devDir, 15, nullptr), -1) << "ioctl on an ordinary descriptor is the real one";
    EXPECT_EQ(errno, ENOTTY);
    close(devDir);

    // A created file gets the mode passed behind the flags.
    const std::string file = "/tmp/kestsim-mode-" + std::to_string(getpid());
    mode_t old = umask(0);
    int fd = openat(AT_FDCWD, file.c_str(), O_CREAT | O_WRONLY | O_EXCL, 0640);
    umask(old);
    struct stat st;
    ASSERT_EQ(fstat(fd, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(kestsim_device_of_fd(fd), -1);
    EXPECT_EQ(close(fd), 0);
    unlink(file.c_str());

    int dev = open("/dev/wyb-kest", O_RDWR);
    close(dev);
    Bytes m = countMessage();
    EXPECT_EQ(call(dev, m), EBADF) << "a closed device descriptor is no longer the device";
    EXPECT_EQ(kestsim_ioctl_count(), 0u);
}

TEST_F(Interposer, ControlCallReachesTheModuleOnBothControlPaths) {
    PortRec p("filter-a", 7);
    ASSERT_EQ(kestsim_seed_ruleset_count(p.b, 4), 0);
    ASSERT_EQ(kestsim_seed_ruleset_count(nullptr, 2), 0);
    for (kestsim_device_ d : {KESTSIM_DEV_CONTROL, KESTSIM_DEV_CONTROL_OLD}) {
        for (const uint8_t* port : {static_cast<const uint8_t*>(p.b), static_cast<const uint8_t*>(nullptr)}) {
            Bytes m = countMessage();
            const Bytes sent = m;
            Request r(m, port);
            ASSERT_EQ(ioctl(openDev(d), 15, r.b), 0);
            EXPECT_EQ(m, with(sent, 32, port ? 4 : 2, 4));
            uint8_t lastReq[132];
            ASSERT_EQ(kestsim_last_request(lastReq), 0);
            EXPECT_EQ(memcmp(lastReq, r.b, 132), 0);
        }
        EXPECT_EQ(kestsim_device_ioctl_count(d), 2u);
    }
    EXPECT_EQ(kestsim_command_count(), 4u);
}

// A malformed request record fails the call, leaves the message alone and still reaches the module.
TEST_F(Interposer, MalformedRequestRecordsFailTheCall) {
    const std::pair<void (*)(uint8_t*), int> records[] = {
        {[](uint8_t* r) { r[0] = 16; }, EINVAL},
        {[](uint8_t* r) { r[4] = 1; }, EINVAL},
        {[](uint8_t* r) { r[8] = 111; }, EINVAL},
        {[](uint8_t* r) { r[12] ^= 4; }, EFAULT},
        {[](uint8_t* r) { r[120] = 35; }, EINVAL},
    };
    const int fd = openDev(KESTSIM_DEV_CONTROL);
    uint64_t calls = 0;
    for (const auto& rec : records) {
        Bytes m = countMessage();
        EXPECT_EQ(call(fd, m, nullptr, rec.first), rec.second);
        EXPECT_EQ(m, countMessage());
        EXPECT_EQ(kestsim_ioctl_count(), ++calls);
    }
}

TEST_F(Interposer, ControlDeviceKnowsOnlyRequest15AndPassThroughDevicesAnswerAsScripted) {
    int fd = openDev(KESTSIM_DEV_CONTROL);
    Bytes m = countMessage();
    Request r(m);
    EXPECT_EQ(ioctl(fd, 16, r.b), -1);
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_EQ(ioctl(fd, 15, nullptr), -1);
    EXPECT_EQ(errno, EFAULT);
    EXPECT_EQ(kestsim_ioctl_count(), 1u) << "request 16 never reached the module, the null record did";
    fd = openDev(KESTSIM_DEV_SI);
    int arg = 5;
    EXPECT_EQ(ioctl(fd, 15, &arg), 0);
    ASSERT_EQ(kestsim_device_set_result(KESTSIM_DEV_SI, 7, 0), 0);
    EXPECT_EQ(ioctl(fd, 3, &arg), 7);
    ASSERT_EQ(kestsim_device_set_result(KESTSIM_DEV_SI, -1, EPERM), 0);
    EXPECT_EQ(ioctl(fd, 4, &arg), -1);
    EXPECT_EQ(errno, EPERM);
    EXPECT_EQ(arg, 5);
    EXPECT_EQ(kestsim_ioctl_count(), 1u) << "pass-through calls never reach the firewall module";
}

TEST_F(Interposer, ScriptedFaultsUnknownFiltersAndResetThroughTheDevice) {
    int fd = openDev(KESTSIM_DEV_CONTROL);
    PortRec known("filter-a", 7), unknown("filter-b", 7);
    ASSERT_EQ(kestsim_declare_filter(known.b), 0);
    ASSERT_EQ(kestsim_seed_ruleset_count(nullptr, 3), 0);
    ASSERT_EQ(kestsim_fault_errno(ENOMEM, 1), 0);
    ASSERT_EQ(kestsim_fault_reply(KESTSIM_REPLY_LIE_COUNT, 9, 1, -1), 0);
    Bytes m = countMessage();
    EXPECT_EQ(call(fd, m, known.b), ENOMEM);
    EXPECT_EQ(call(fd, m, unknown.b), ENOENT);
    ASSERT_EQ(call(fd, m, nullptr), 0);
    EXPECT_EQ(get32(&m[32]), 12u);
    kestsim_reset();
    EXPECT_EQ(kestsim_device_open_descriptors(KESTSIM_DEV_CONTROL), 1u) << "open descriptors stay open";
    ASSERT_EQ(call(fd, m, unknown.b), 0) << "no filter declared any more";
    EXPECT_EQ(get32(&m[32]), 0u);
}

TEST_F(Interposer, ConcurrentCallersAreEachAnswered) {
    ASSERT_EQ(kestsim_seed_ruleset_count(nullptr, 6), 0);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            int fd = open("/dev/wyb-kest", O_RDWR);
            for (int i = 0; i < 200; ++i) {
                Bytes m = countMessage();
                if (call(fd, m) != 0 || get32(&m[32]) != 6) ++wrong;
            }
            close(fd);
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(kestsim_ioctl_count(), 800u);
    EXPECT_EQ(kestsim_device_open_descriptors(KESTSIM_DEV_CONTROL), 0u);
}

}  // namespace
