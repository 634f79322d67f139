// The external command runner and the flow-exclusion printers: real child programs with output past
// the buffer, ignored input, silence past the limit and a missing program, each leaving no descriptor
// and no child behind; golden lines for every field of a flow-exclusion record.
#include <arpa/inet.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "kestfw/kestfw_runner.h"
#include "support/LogCapture.h"

namespace {

size_t openDescriptors() {
    size_t n = 0;
    DIR* d = opendir("/proc/self/fd");
    while (readdir(d) != nullptr) ++n;
    closedir(d);
    return n;
}

bool noChildLeft() { return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

struct RunCase {
    const char* name;
    std::vector<std::string> argv;
    std::string input;  // fed to the child's standard input when not empty
    int outCapacity;
    int timeout;
    int expectResult;
    std::string expectOut;  // compared up to the returned length
    int expectOutLen;
    std::string expectErr;
};

class Runner : public ::testing::TestWithParam<RunCase> {};

TEST_P(Runner, CollectsOutputAndLeavesNothingBehind) {
    const RunCase& c = GetParam();
    std::vector<char*> argv;
    for (const std::string& a : c.argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char> out(static_cast<size_t>(c.outCapacity) + 1, 'x');
    char err[64] = {};
    int outLen = c.outCapacity, errLen = sizeof err;
    size_t before = openDescriptors();

    int rc = RunCommandWithTimeout(argv[0], argv.data(), out.data(), &outLen, err, &errLen,
                                   c.input.empty() ? nullptr : c.input.data(), static_cast<int>(c.input.size()),
                                   c.timeout);

    EXPECT_EQ(rc, c.expectResult);
    if (c.expectResult == 1) {
        EXPECT_EQ(outLen, c.expectOutLen);
        EXPECT_EQ(std::string(out.data(), static_cast<size_t>(outLen)).substr(0, c.expectOut.size()), c.expectOut);
        if (outLen == c.outCapacity) EXPECT_EQ(out[static_cast<size_t>(c.outCapacity) - 1], '\0');
        else EXPECT_EQ(out[static_cast<size_t>(outLen)], '\0');
        EXPECT_EQ(std::string(err, static_cast<size_t>(std::max(errLen, 0))), c.expectErr);
    }
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_TRUE(noChildLeft());
}

const std::string kBig(200000, 'i');

INSTANTIATE_TEST_SUITE_P(
    Cases, Runner,
    ::testing::Values(
        RunCase{"Output", {"/bin/sh", "-c", "printf hello"}, "", 64, 0, 1, "hello", 5, ""},
        RunCase{"ErrorOutput", {"/bin/sh", "-c", "printf oops >&2"}, "", 64, 0, 1, "", 0, "oops"},
        RunCase{"InputEchoed", {"/bin/cat"}, "abc", 64, 0, 1, "abc", 3, ""},
        // More output than the buffer: the length is the capacity and its last byte becomes NUL.
        RunCase{"OutputPastCapacity", {"/bin/sh", "-c", "yes abcdefgh | head -c 300000"}, "", 100, 0, 1, "abcdefgh", 100, ""},
        // A child that never reads a large input must not stall the caller.
        RunCase{"InputIgnored", {"/bin/true"}, kBig, 64, 0, 1, "", 0, ""},
        RunCase{"InputIgnoredBySleeper", {"/bin/sh", "-c", "sleep 0.2; printf done"}, kBig, 64, 5, 1, "done", 4, ""},
        // Silence past the limit: SIGTERM, reaped, still a success with nothing read.
        RunCase{"SilentChildKilled", {"/bin/sleep", "100"}, "", 64, 2, 1, "", 0, ""},
        RunCase{"MissingProgram", {"/nonexistent/program"}, "", 64, 0, 0, "", 0, ""}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST(RunnerLimits, SilentChildIsKilledAtTheLimitNotBefore) {
    char* argv[] = {const_cast<char*>("/bin/sleep"), const_cast<char*>("100"), nullptr};
    char out[16];
    int outLen = sizeof out;
    kestfw_test::LogCapture log;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunCommandWithTimeout(argv[0], argv, out, &outLen, nullptr, nullptr, nullptr, 0, 3), 1);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 2.0);
    EXPECT_LT(seconds, 20.0);
    EXPECT_EQ(outLen, 0);
    EXPECT_EQ(log.count("Kill stuck child process /bin/sleep."), 1u);
    EXPECT_TRUE(noChildLeft());
}

TEST(RunnerLimits, ChildIgnoringTermIsStillReaped) {
    char* argv[] = {const_cast<char*>("/bin/sh"), const_cast<char*>("-c"),
                    const_cast<char*>("trap '' TERM; sleep 30"), nullptr};
    char out[16];
    int outLen = sizeof out;
    EXPECT_EQ(RunCommandWithTimeout(argv[0], argv, out, &outLen, nullptr, nullptr, nullptr, 0, 1), 1);
    EXPECT_TRUE(noChildLeft());
}

// A pipe is no packet-filter table device: every control call fails, and says so.
TEST(Revalidation, FailedControlCallsAnswerZero) {
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    kestfw_test::LogCapture log;
    uint8_t uuid[16] = {1};
    unsigned count = 7;
    EXPECT_EQ(RevalidateOneVM(p[0], 12345, uuid), 0);
    EXPECT_EQ(RevalidateOneVMPort(p[0], 12345, 9), 0);
    EXPECT_EQ(GetFilterDetailList(p[0], "agent", &count), nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(log.count("Failed to revalidate vm of world id 12345"), 2u);
    EXPECT_TRUE(log.has("ioctl failed: "));
    close(p[0]);
    close(p[1]);
}

// ---- flow-exclusion printers ----

int appendTo(void* ctx, const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    *static_cast<std::string*>(ctx) += buf;
    return n;
}

std::string printed(void (*printer)(FWPrettyPrint_t, void*, const FWFlowExclusion_*), const FWFlowExclusion_& r) {
    std::string text;
    printer(appendTo, &text, &r);
    return text;
}

FWFlowExclusion_ fullV4() {
    FWFlowExclusion_ r;
    memset(&r, 0, sizeof r);
    r.flags = FWFE_SRC_MAC | FWFE_DST_MAC | FWFE_SRC_IP | FWFE_SRC_IP_RANGE | FWFE_DST_IP | FWFE_SRC_PORT |
              FWFE_DST_PORT | FWFE_ETHERTYPES | FWFE_PROTOCOLS | FWFE_VNIC1_STD | FWFE_VNIC2_SPACED;
    r.negate = FWFE_SRC_MAC | FWFE_DST_IP | FWFE_SRC_PORT;
    r.negate2 = FWFE_NEG2_PROTOCOLS | FWFE_NEG2_VNIC2_SPACED;
    r.protocolCount = 3;
    r.protocols[0] = 6;
    r.protocols[1] = 17;
    r.protocols[2] = 253;  // no name in the protocol database
    r.ethertypeCount = 2;
    r.ethertypes[0] = htons(0x0800);
    r.ethertypes[1] = htons(0x86dd);
    const uint8_t srcMac[12] = {0, 0x11, 0x22, 0x33, 0x44, 0x55, 0xff, 0xff, 0xff, 0, 0, 0};
    memcpy(r.srcMac, srcMac, 6);
    memcpy(r.srcMacMask, srcMac + 6, 6);
    memset(r.dstMac, 0xaa, 6);
    memset(r.dstMacMask, 0xff, 6);
    inet_pton(AF_INET, "10.0.0.1", r.srcIp);
    inet_pton(AF_INET, "10.0.0.9", r.srcIp + 4);
    inet_pton(AF_INET, "192.168.1.0", r.dstIp);
    inet_pton(AF_INET, "255.255.255.0", r.dstIp + 4);
    r.srcPort[0] = htons(1000);
    r.srcPort[1] = htons(2000);
    r.dstPort[0] = htons(443);
    r.dstPort[1] = htons(443);
    for (int i = 0; i < 16; ++i) r.vnic1[i] = static_cast<uint8_t>(i);
    r.vnic1Index = 7;
    for (int i = 0; i < 16; ++i) r.vnic2[i] = static_cast<uint8_t>(0xf0 + i);
    return r;
}

TEST(FlowExclusion, CompactGoldenLines) {
    FWFlowExclusion_ onlyPort;
    memset(&onlyPort, 0, sizeof onlyPort);
    onlyPort.flags = FWFE_DST_PORT;
    onlyPort.negate = FWFE_DST_PORT;
    onlyPort.dstPort[0] = htons(80);
    EXPECT_EQ(printed(PrintFlowExclusion, onlyPort), "|||||||!80||\n");

    FWFlowExclusion_ v6;
    memset(&v6, 0, sizeof v6);
    v6.flags = FWFE_IPV6 | FWFE_SRC_IP | FWFE_SRC_IP_RANGE | FWFE_DST_IP | FWFE_VNIC2_STD;
    inet_pton(AF_INET6, "2001:db8::1", v6.srcIp);
    inet_pton(AF_INET6, "2001:db8::ff", v6.srcIp + 16);
    inet_pton(AF_INET6, "fe80::", v6.dstIp);
    inet_pton(AF_INET6, "ffff:ffff::", v6.dstIp + 16);
    v6.negate2 = FWFE_NEG2_VNIC2_STD;
    v6.vnic2Index = 12;
    EXPECT_EQ(printed(PrintFlowExclusion, v6),
              "|||2001:db8::1-2001:db8::ff|fe80::/ffff:ffff::||||"
              "|!00000000-0000-0000-0000-000000000000.012|\n");

    FWFlowExclusion_ r = fullV4();
    EXPECT_EQ(printed(PrintFlowExclusion, r),
              "!00:11:22:33:44:55/ff:ff:ff:00:00:00|aa:aa:aa:aa:aa:aa/ff:ff:ff:ff:ff:ff|0x0800,0x86dd|"
              "10.0.0.1-10.0.0.9|!192.168.1.0/255.255.255.0|!tcp,udp,253|!1000-2000|443|"
              "00010203-0405-0607-0809-0a0b0c0d0e0f.007|"
              "!f0 f1 f2 f3 f4 f5 f6 f7-f8 f9 fa fb fc fd fe ff|\n");
}

TEST(FlowExclusion, CountsPastTheRecordAreBounded) {
    FWFlowExclusion_ r;
    memset(&r, 0, sizeof r);
    r.flags = FWFE_PROTOCOLS | FWFE_ETHERTYPES;
    r.protocolCount = 255;
    r.ethertypeCount = 255;
    std::string line = printed(PrintFlowExclusion, r);
    EXPECT_EQ(line.substr(0, line.find('|', 2) + 1), "||0x0000,0x0000,0x0000,0x0000|");
}

TEST(FlowExclusion, LongFormPadsEveryColumnToItsWidth) {
    std::string line = printed(PrintLongFlowExclusion, fullV4());
    const size_t widths[10] = {37, 37, 29, 79, 79, 34, 13, 13, 49, 49};
    size_t pos = 0;
    for (int i = 0; i < 10; ++i) {
        pos += widths[i];
        if (i < 9) {
            ASSERT_EQ(line[pos], ' ') << "column " << i;
            ++pos;
        }
    }
    EXPECT_EQ(line.substr(pos), "\n");
    EXPECT_EQ(line.substr(0, 37), "!00:11:22:33:44:55/ff:ff:ff:00:00:00 ");
    EXPECT_EQ(line.substr(38 + 38 + 30, 17), "10.0.0.1-10.0.0.9");
}

}  // namespace
