// libkestsim_preload.so in a foreign process: the probe program links nothing of the simulator, so the
// device opens and answers only when the interposer is preloaded into it.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

// The build puts the simulator's outputs beside the tests: <build>/sim and <build>/tests.
std::string simDir() {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return std::string();
    self[n] = '\0';
    std::string dir(self);
    dir = dir.substr(0, dir.rfind('/'));
    return dir.substr(0, dir.rfind('/')) + "/sim";
}

struct Result {
    int exitCode;
    std::string out;
};

Result runProbe(bool preload, const std::string& args) {
    std::string sim = simDir();
    std::string cmd;
    if (preload) {
        // A sanitized build has the sanitizer runtime as a needed library of the probe, so it cannot be
        // first in the list; tell it that is intended. Other builds ignore the variable.
        const char* asan = getenv("ASAN_OPTIONS");
        std::string opts =
            std::string(asan && *asan ? asan : "") + (asan && *asan ? ":" : "") + "verify_asan_link_order=0";
        cmd = "ASAN_OPTIONS='" + opts + "' LD_PRELOAD='" + sim + "/libkestsim_preload.so' ";
    }
    cmd += "'" + sim + "/kestsim_probe' " + args + " 2>&1";
    Result r{-1, std::string()};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[256];
    while (fgets(buf, sizeof buf, p)) r.out += buf;
    int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

struct ProbeCase {
    const char* name;
    bool preload;
    const char* args;
    int exitCode;
    const char* out;
};

class Preload : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(Preload, ProbeSeesTheSimulatedDevices) {
    if (access("/dev/wyb-kest", F_OK) == 0) GTEST_SKIP() << "a real control device is present";
    ASSERT_EQ(access((simDir() + "/kestsim_probe").c_str(), X_OK), 0) << simDir();
    ASSERT_EQ(access((simDir() + "/libkestsim_preload.so").c_str(), R_OK), 0);
    Result r = runProbe(GetParam().preload, GetParam().args);
    EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.out;
    EXPECT_EQ(r.out, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Probe, Preload,
    ::testing::Values(ProbeCase{"WithoutInterposerNoDevice", false, "", 1, "open /dev/wyb-kest failed: 2\n"},
                      ProbeCase{"WithoutInterposerNoControl", false, "/dev/wyb-kest 3", 1, "no control interface\n"},
                      ProbeCase{"ControlDevice", true, "", 0, "count 0 status 0\n"},
                      ProbeCase{"SeededThroughControlInterface", true, "/dev/wyb-kest 5", 0, "count 5 status 0\n"},
                      ProbeCase{"OldControlDevice", true, "/dev/kest 2", 0, "count 2 status 0\n"},
                      // A pass-through device answers 0 and leaves the message alone.
                      ProbeCase{"PassThroughDevice", true, "/dev/pelkintbl 5", 0, "count 0 status 0\n"},
                      // Ordinary paths stay ordinary: /dev/null knows no request 15.
                      ProbeCase{"OrdinaryPath", true, "/dev/null", 1, "ioctl failed: 25\n"},
                      ProbeCase{"MissingPath", true, "/dev/wyb-kest0", 1, "open /dev/wyb-kest0 failed: 2\n"}),
    [](const ::testing::TestParamInfo<ProbeCase>& i) { return std::string(i.param.name); });

}  // namespace
