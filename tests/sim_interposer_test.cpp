// The device interposer in this process: device paths open, control call 15 reaches the simulated
// module through the control interface, other paths and descriptors still reach the C library.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "sim/KestSimControl.h"

using Bytes = std::vector<uint8_t>;

namespace {

void put(uint8_t* p, uint64_t v, int width) {
    for (int i = 0; i < width; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// One rule-set count command in a message: header "KEST", body length 16, one record of opcode 1.
Bytes countMessage() {
    Bytes m(36, 0);
    memcpy(m.data(), "KEST", 4);
    put(&m[4], 16, 4);
    m[12] = 1, m[13] = 1, m[15] = 1;
    put(&m[16], 1, 2);
    put(&m[20], 4, 4);
    put(&m[24], 1, 2);
    return m;
}

// The 132-byte device request record: 15, 0, 112, payload address (= record + 20), port, length, address.
struct Request {
    uint8_t b[132] = {};
    Request(Bytes& msg, const uint8_t* port = nullptr) {
        put(b, 15, 4);
        put(b + 8, 112, 4);
        put(b + 12, reinterpret_cast<uintptr_t>(b + 20), 8);
        if (port) memcpy(b + 20, port, 100);
        put(b + 120, msg.size(), 4);
        put(b + 124, reinterpret_cast<uintptr_t>(msg.data()), 8);
    }
};

struct PortRec {
    uint8_t b[100] = {};
    PortRec(const char* id, uint8_t type) {
        strncpy(reinterpret_cast<char*>(b), id, 63);
        b[99] = type;
    }
};

const char* const kPaths[] = {"/dev/wyb-kest", "/dev/kest", "/dev/pelkintbl", "/dev/qel-kest-pwix"};

class Interposer : public ::testing::Test {
protected:
    void SetUp() override { kestsim_reset(); }
    void TearDown() override {
        for (int fd : m_fds) close(fd);
        kestsim_reset();
    }
    int openDev(kestsim_device_ dev) {
        int fd = open(kPaths[dev], O_RDWR);
        if (fd >= 0) m_fds.push_back(fd);
        return fd;
    }
    std::vector<int> m_fds;
};

}  // namespace

// ---- opening and closing ----------------------------------------------------------------------------

struct OpenCase {
    const char* name;
    int (*openIt)(const char* path);
};

class InterposerOpen : public Interposer, public ::testing::WithParamInterface<std::tuple<OpenCase, int>> {};

TEST_P(InterposerOpen, EveryDevicePathGivesATrackedDescriptor) {
    const OpenCase& how = std::get<0>(GetParam());
    auto dev = static_cast<kestsim_device_>(std::get<1>(GetParam()));
    int a = how.openIt(kPaths[dev]);
    int b = how.openIt(kPaths[dev]);
    ASSERT_GE(a, 0) << strerror(errno);
    ASSERT_GE(b, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(kestsim_device_of_fd(a), dev);
    EXPECT_EQ(kestsim_device_open_count(dev), 2u);
    EXPECT_EQ(kestsim_device_open_descriptors(dev), 2u);
    EXPECT_EQ(close(a), 0);
    EXPECT_EQ(kestsim_device_of_fd(a), -1);
    EXPECT_EQ(kestsim_device_open_descriptors(dev), 1u);
    EXPECT_EQ(close(b), 0);
    EXPECT_EQ(kestsim_device_open_descriptors(dev), 0u);
    EXPECT_EQ(kestsim_device_open_count(dev), 2u);

    ASSERT_EQ(kestsim_device_fail_open(dev, EACCES), 0);
    errno = 0;
    EXPECT_EQ(how.openIt(kPaths[dev]), -1);
    EXPECT_EQ(errno, EACCES);
    ASSERT_EQ(kestsim_device_fail_open(dev, 0), 0);
    int c = how.openIt(kPaths[dev]);
    EXPECT_GE(c, 0);
    close(c);
}

std::string openCaseName(const ::testing::TestParamInfo<std::tuple<OpenCase, int>>& i) {
    static const char* const dev[] = {"Control", "ControlOld", "Plk", "Si"};
    return std::string(std::get<0>(i.param).name) + dev[std::get<1>(i.param)];
}

INSTANTIATE_TEST_SUITE_P(
    Ways, InterposerOpen,
    ::testing::
        Combine(::testing::Values(
                    OpenCase{"open", [](const char* p) { return open(p, O_RDWR); }},
                    OpenCase{"open64", [](const char* p) { return open64(p, O_RDWR); }},
                    OpenCase{"openat", [](const char* p) { return openat(AT_FDCWD, p, O_RDWR); }},
                    OpenCase{"openat64", [](const char* p) { return openat64(-1, p, O_RDWR); }},
                    OpenCase{
                        "cloexec",
                        [](const char* p) {
                            int fd = open(p, O_RDWR | O_CLOEXEC);
                            return fd < 0 || (fcntl(fd, F_GETFD) & FD_CLOEXEC) ? fd : -2;
                        }}),
                ::testing::Values(KESTSIM_DEV_CONTROL, KESTSIM_DEV_CONTROL_OLD, KESTSIM_DEV_PLK, KESTSIM_DEV_SI)),
    openCaseName);

TEST_F(Interposer, OtherPathsAndDescriptorsReachTheCLibrary) {
    int null = open("/dev/null", O_RDWR);
    ASSERT_GE(null, 0);
    EXPECT_EQ(kestsim_device_of_fd(null), -1);
    close(null);
    for (const char* p : {"/dev/wyb-kest2", "/dev/wyb", "/dev/kest/", "dev/kest"}) {
        errno = 0;
        EXPECT_EQ(open(p, O_RDWR), -1) << p;
        EXPECT_EQ(errno, ENOENT) << p;
    }
    int devDir = open("/dev", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(devDir, 0);
    EXPECT_EQ(openat(devDir, "wyb-kest", O_RDWR), -1) << "only the absolute device paths are simulated";
    close(devDir);

    // A created file gets the mode passed behind the flags.
    char dir[] = "/tmp/kestsim-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string file = std::string(dir) + "/f";
    mode_t old = umask(0);
    int fd = open(file.c_str(), O_CREAT | O_WRONLY | O_EXCL, 0640);
    umask(old);
    ASSERT_GE(fd, 0);
    struct stat st;
    ASSERT_EQ(fstat(fd, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(close(fd), 0);
    int fd2 = openat(AT_FDCWD, file.c_str(), O_RDONLY);
    EXPECT_GE(fd2, 0);
    close(fd2);
    unlink(file.c_str());
    rmdir(dir);

    // ioctl on an ordinary descriptor is the real one.
    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    ASSERT_EQ(write(pipefd[1], "abc", 3), 3);
    int avail = -1;
    EXPECT_EQ(ioctl(pipefd[0], FIONREAD, &avail), 0);
    EXPECT_EQ(avail, 3);
    close(pipefd[0]);
    close(pipefd[1]);
    EXPECT_EQ(kestsim_ioctl_count(), 0u);

    // A closed device descriptor is no longer the device.
    int dev = open("/dev/wyb-kest", O_RDWR);
    ASSERT_GE(dev, 0);
    close(dev);
    Bytes m = countMessage();
    Request r(m);
    errno = 0;
    EXPECT_EQ(ioctl(dev, 15, r.b), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(kestsim_ioctl_count(), 0u);
}

// ---- control calls ---------------------------------------------------------------------------------

TEST_F(Interposer, ControlCallReachesTheModuleOnBothControlPaths) {
    PortRec p("filter-a", 7);
    ASSERT_EQ(kestsim_seed_ruleset_count(p.b, 4), 0);
    ASSERT_EQ(kestsim_seed_ruleset_count(nullptr, 2), 0);
    uint64_t calls = 0;
    for (kestsim_device_ d : {KESTSIM_DEV_CONTROL, KESTSIM_DEV_CONTROL_OLD}) {
        int fd = openDev(d);
        ASSERT_GE(fd, 0);
        for (const uint8_t* port : {static_cast<const uint8_t*>(p.b), static_cast<const uint8_t*>(nullptr)}) {
            Bytes m = countMessage();
            const Bytes sent = m;
            Request r(m, port);
            ASSERT_EQ(ioctl(fd, 15, r.b), 0);
            EXPECT_EQ(get32(&m[28]), 0u);
            EXPECT_EQ(get32(&m[32]), port ? 4u : 2u);
            EXPECT_EQ(kestsim_ioctl_count(), ++calls);

            uint8_t lastReq[132];
            ASSERT_EQ(kestsim_last_request(lastReq), 0);
            EXPECT_EQ(memcmp(lastReq, r.b, 132), 0);
            Bytes got(64, 0xEE);
            EXPECT_EQ(kestsim_last_message(got.data(), 64), 36u);
            EXPECT_EQ(Bytes(got.begin(), got.begin() + 36), sent);
            EXPECT_EQ(got[36], 0xEE) << "no more than the message is copied";
            EXPECT_EQ(kestsim_last_reply(got.data(), 10), 36u);
            EXPECT_EQ(Bytes(got.begin(), got.begin() + 10), Bytes(m.begin(), m.begin() + 10));
            unsigned long req = 0;
            void* arg = nullptr;
            ASSERT_EQ(kestsim_device_last_ioctl(d, &req, &arg), 0);
            EXPECT_EQ(req, 15u);
            EXPECT_EQ(arg, r.b);
        }
        EXPECT_EQ(kestsim_device_ioctl_count(d), 2u);
    }
    EXPECT_EQ(kestsim_command_count(), 4u);
}

struct RecordCase {
    const char* name;
    void (*mutate)(uint8_t* rec);
    int err;
};

class InterposerRecord : public Interposer, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(InterposerRecord, MalformedRequestRecordsFailTheCall) {
    int fd = openDev(KESTSIM_DEV_CONTROL);
    ASSERT_GE(fd, 0);
    Bytes m = countMessage();
    const Bytes sent = m;
    Request r(m);
    GetParam().mutate(r.b);
    errno = 0;
    EXPECT_EQ(ioctl(fd, 15, r.b), -1);
    EXPECT_EQ(errno, GetParam().err);
    EXPECT_EQ(m, sent);
    EXPECT_EQ(kestsim_ioctl_count(), 1u) << "a refused call still reached the module";
    uint8_t last[132];
    ASSERT_EQ(kestsim_last_request(last), 0);
    EXPECT_EQ(memcmp(last, r.b, 132), 0);
}

INSTANTIATE_TEST_SUITE_P(Records, InterposerRecord,
                         ::testing::Values(RecordCase{"NumberWord", [](uint8_t* r) { r[0] = 16; }, EINVAL},
                                           RecordCase{"ZeroWord", [](uint8_t* r) { r[4] = 1; }, EINVAL},
                                           RecordCase{"PayloadLength", [](uint8_t* r) { r[8] = 111; }, EINVAL},
                                           RecordCase{"PayloadElsewhere", [](uint8_t* r) { r[12] ^= 4; }, EFAULT},
                                           RecordCase{"NoMessage", [](uint8_t* r) { memset(r + 124, 0, 8); }, EFAULT},
                                           RecordCase{"LengthPastHeader", [](uint8_t* r) { r[120] = 35; }, EINVAL},
                                           RecordCase{"LengthTooShort", [](uint8_t* r) { r[120] = 19; }, EINVAL}),
                         [](const ::testing::TestParamInfo<RecordCase>& i) { return std::string(i.param.name); });

TEST_F(Interposer, ControlDeviceKnowsOnlyRequest15) {
    int fd = openDev(KESTSIM_DEV_CONTROL);
    ASSERT_GE(fd, 0);
    Bytes m = countMessage();
    Request r(m);
    errno = 0;
    EXPECT_EQ(ioctl(fd, 16, r.b), -1);
    EXPECT_EQ(errno, ENOTTY);
    errno = 0;
    EXPECT_EQ(ioctl(fd, 15, nullptr), -1);
    EXPECT_EQ(errno, EFAULT);
    EXPECT_EQ(kestsim_ioctl_count(), 1u) << "request 16 never reached the module, the null record did";
    EXPECT_EQ(kestsim_device_ioctl_count(KESTSIM_DEV_CONTROL), 2u);
}

TEST_F(Interposer, PassThroughDevicesAnswerWhatTheTestScripted) {
    for (kestsim_device_ d : {KESTSIM_DEV_PLK, KESTSIM_DEV_SI}) {
        int fd = openDev(d);
        ASSERT_GE(fd, 0);
        int arg = 5;
        EXPECT_EQ(ioctl(fd, 0x4004AB01, &arg), 0);
        ASSERT_EQ(kestsim_device_set_result(d, 7, 0), 0);
        EXPECT_EQ(ioctl(fd, 3, &arg), 7);
        ASSERT_EQ(kestsim_device_set_result(d, -1, EPERM), 0);
        errno = 0;
        EXPECT_EQ(ioctl(fd, 4, &arg), -1);
        EXPECT_EQ(errno, EPERM);
        unsigned long req = 0;
        void* last = nullptr;
        ASSERT_EQ(kestsim_device_last_ioctl(d, &req, &last), 0);
        EXPECT_EQ(req, 4u);
        EXPECT_EQ(last, &arg);
        EXPECT_EQ(kestsim_device_ioctl_count(d), 3u);
        EXPECT_EQ(arg, 5);
    }
    EXPECT_EQ(kestsim_ioctl_count(), 0u) << "pass-through calls never reach the firewall module";
}

TEST_F(Interposer, ScriptedFaultsAndUnknownFiltersThroughTheDevice) {
    int fd = openDev(KESTSIM_DEV_CONTROL);
    ASSERT_GE(fd, 0);
    PortRec known("filter-a", 7), unknown("filter-b", 7);
    ASSERT_EQ(kestsim_declare_filter(known.b), 0);
    ASSERT_EQ(kestsim_fault_errno(ENOMEM, 1), 0);
    ASSERT_EQ(kestsim_fault_status(26, 1, 1), 0);
    ASSERT_EQ(kestsim_fault_reply(KESTSIM_REPLY_LIE_COUNT, 9, 1, -1), 0);
    EXPECT_EQ(kestsim_fault_pending(), 3u);
    struct Step {
        const uint8_t* port;
        int err;
        uint32_t status, count;
    };
    for (const Step& s : {Step{known.b, ENOMEM, 0, 0}, Step{unknown.b, ENOENT, 0, 0}, Step{known.b, 0, 26, 0},
                          Step{nullptr, 0, 0, 9}, Step{known.b, 0, 0, 0}}) {
        Bytes m = countMessage();
        Request r(m, s.port);
        errno = 0;
        int rc = ioctl(fd, 15, r.b);
        if (s.err) {
            EXPECT_EQ(rc, -1);
            EXPECT_EQ(errno, s.err);
        } else {
            ASSERT_EQ(rc, 0);
            EXPECT_EQ(get32(&m[28]), s.status);
            EXPECT_EQ(get32(&m[32]), s.count);
        }
    }
    EXPECT_EQ(kestsim_fault_pending(), 0u);
    ASSERT_EQ(kestsim_fault_status(26, 5, -1), 0);
    kestsim_fault_clear();
    EXPECT_EQ(kestsim_fault_pending(), 0u);
}

TEST_F(Interposer, ResetKeepsOpenDescriptorsWorking) {
    int fd = openDev(KESTSIM_DEV_CONTROL);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(kestsim_seed_ruleset_count(nullptr, 3), 0);
    kestsim_reset();
    EXPECT_EQ(kestsim_device_open_count(KESTSIM_DEV_CONTROL), 0u);
    EXPECT_EQ(kestsim_device_open_descriptors(KESTSIM_DEV_CONTROL), 1u);
    EXPECT_EQ(kestsim_last_request(nullptr), -1);
    EXPECT_EQ(kestsim_last_message(nullptr, 0), 0u);
    Bytes m = countMessage();
    Request r(m);
    ASSERT_EQ(ioctl(fd, 15, r.b), 0);
    EXPECT_EQ(get32(&m[32]), 0u) << "state is gone";
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
                Request r(m);
                if (ioctl(fd, 15, r.b) != 0 || get32(&m[32]) != 6) ++wrong;
            }
            close(fd);
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(kestsim_ioctl_count(), 800u);
    EXPECT_EQ(kestsim_device_open_descriptors(KESTSIM_DEV_CONTROL), 0u);
}

TEST_F(Interposer, ControlInterfaceRefusesBadArguments) {
    const std::vector<std::pair<const char*, int>> refused = {
        {"seed without name", kestsim_seed_ruleset(nullptr, nullptr, nullptr, 0)},
        {"seed rules without records", kestsim_seed_ruleset(nullptr, "a", nullptr, 1)},
        {"rule count without name", kestsim_ruleset_rule_count(nullptr, nullptr)},
        {"rule count of missing set", kestsim_ruleset_rule_count(nullptr, "none")},
        {"errno 0", kestsim_fault_errno(0, 1)},
        {"zero uses", kestsim_fault_status(26, 0, -1)},
        {"delay too long", kestsim_fault_delay(60000, 1)},
        {"unknown reply fault", kestsim_fault_reply(static_cast<kestsim_reply_fault_>(9), 0, 1, -1)},
        {"fail open of no device", kestsim_device_fail_open(static_cast<kestsim_device_>(4), EIO)},
        {"result of control device", kestsim_device_set_result(KESTSIM_DEV_CONTROL, 1, 0)},
        {"negative result without errno", kestsim_device_set_result(KESTSIM_DEV_PLK, -1, 0)},
        {"forget undeclared", kestsim_forget_filter(PortRec("x", 7).b)},
        {"last ioctl of no device", kestsim_device_last_ioctl(static_cast<kestsim_device_>(-1), nullptr, nullptr)},
        {"no request yet", kestsim_last_request(nullptr)},
    };
    for (const auto& c : refused) EXPECT_EQ(c.second, -1) << c.first;
    EXPECT_EQ(kestsim_fault_pending(), 0u);
    Bytes rules(2 * KESTSIM_RULE_SIZE, 1);
    ASSERT_EQ(kestsim_seed_ruleset(nullptr, "web", rules.data(), 2), 0);
    EXPECT_EQ(kestsim_ruleset_rule_count(nullptr, "web"), 2);
    EXPECT_EQ(kestsim_ruleset_count(nullptr), 1u);
    Bytes m = countMessage();
    EXPECT_EQ(kestsim_process(nullptr, m.data(), 36), 0);
    EXPECT_EQ(get32(&m[32]), 1u);
}
