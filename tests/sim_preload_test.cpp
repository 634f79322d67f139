// libkestsim_preload.so in a foreign process: the probe program links nothing of the simulator, so the
// device opens and answers only when the interposer is preloaded into it.
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/SimProcess.h"

using namespace kestsim_test;

namespace {

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
    RunResult r = runCommand(probeCommand(GetParam().args, GetParam().preload));
    EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.out;
    EXPECT_EQ(r.out, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Probe, Preload,
    ::testing::Values(ProbeCase{"WithoutInterposer", false, "", 1, "open /dev/wyb-kest failed: 2\n"},
                      ProbeCase{"SeededThroughControlInterface", true, "/dev/wyb-kest 5", 0, "count 5 status 0\n"},
                      ProbeCase{"OldControlDevice", true, "/dev/kest 2", 0, "count 2 status 0\n"},
                      // A pass-through device answers 0 and leaves the message alone.
                      ProbeCase{"PassThroughDevice", true, "/dev/pelkintbl 5", 0, "count 0 status 0\n"},
                      // Ordinary paths stay ordinary: /dev/null knows no request 15.
                      ProbeCase{"OrdinaryPath", true, "/dev/null", 1, "ioctl failed: 25\n"},
                      ProbeCase{"MissingPath", true, "/dev/wyb-kest0", 1, "open /dev/wyb-kest0 failed: 2\n"}),
    [](const ::testing::TestParamInfo<ProbeCase>& i) { return std::string(i.param.name); });

}  // namespace
