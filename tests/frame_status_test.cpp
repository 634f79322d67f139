// Status texts, the exception family's codes and messages, and the logger's level arithmetic.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "frame/KestFWException.h"
#include "frame/KestFWLog.h"

using namespace KestFirewall;

TEST(StatusText, KnownAndUnknownCodes) {
    EXPECT_STREQ(FW_StatusToString(0), "ok");
    EXPECT_STREQ(FW_StatusToString(26), "bad state");
    EXPECT_STREQ(FW_StatusToString(61), "Threshold crossed");
    EXPECT_STREQ(FW_StatusToString(70), "failed to find uid to sid mapping");
    const char* a = FW_StatusToString(71);
    EXPECT_STREQ(a, "unknown error code: 71");
    // One shared buffer: the next unknown code overwrites the text.
    const char* b = FW_StatusToString(4294967295u);
    EXPECT_EQ(a, b);
    EXPECT_STREQ(b, "unknown error code: 4294967295");
}

TEST(Exceptions, MessagesAndCodes) {
    struct Case {
        CKestFWException e;
        const char* msg;
        FWStatus_t code;
    };
    const unsigned char v4a[4] = {10, 0, 0, 9}, v4b[4] = {10, 0, 0, 1};
    unsigned char v6a[16] = {0x20, 0x01, 0x0d, 0xb8}, v6b[16] = {0x20, 0x01};
    v6a[15] = 2;
    const std::vector<Case> cases = {
        {CKestFWException(), "", 5},
        {CKestFWException("plain"), "plain", 5},
        {CUnsupportedException(22, "x"), "x", 22},
        {CUnsupportedException("n=", -3), "n=-3", 7},
        {CUnsupportedException("n=", 3u), "n=3", 7},
        {CUnsupportedException("a", "b"), "ab", 7},
        {CInvalidTimeoutException("tcp_foo"), "unrecognized timeout tcp_foo", 58},
        {CInvalidTimeoutException(9u), "unrecognized timeout id 9", 58},
        {CInvalidAddressException("bad", 4u), "bad: 4", 33},
        {CInvalidAddrSetTypeException(-1), "invalid addrset type: -1", 34},
        {CInsufficientMsgBufException(12, 4), "expect 12 byte in message buffer, but only get 4 bytes", 9},
        {CInvalidIPv4RangeException(v4a, v4b), "invalid IPv4 range: 10.0.0.9 - 10.0.0.1", 33},
        {CInvalidIPv6RangeException(v6a, v6b), "invalid IPv6 range: 2001:db8::2 - 2001::", 33},
        {CCannotOpenDevException("/dev/x", 2), "cannot open device /dev/x: 2", 12},
        {CIoctlException("t", ENOMEM), "t", 65},
        {CIoctlException("t", ENOENT), "t", 19},
        {CInvalidL4PortException(70000u), "invalid TCP/UDP port: 70000", 38},
        {CInvalidL4PortRangeException(9, 3), "invalid TCP/UDP port range: 9 - 3", 38},
        {CTooManyL4PortException(16u), "too many TCP/UDP port: 16", 39},
        {CInvalidTCPFlagsException(0x1ff), "invalid TCP flags: 0x01ff", 40},
        {CDuplicateProtocolSpecException(127), "duplicate definition of protocol spec of /tcp/udp port set", 43},
        {CCannotOpenFileException("a", "b"), "a : b", 12},
        {CInvalidContainerNameException("c1", "too long"), "invalid container name: c1(too long)", 69},
        {CInvalidUidException(), "missing uid to sid mapping", 70},
        {CIpfixPacketFullException(), "", 50},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.e.what(), c.msg);
        EXPECT_EQ(c.e.retcode(), c.code) << c.msg;
    }
}

TEST(Exceptions, FormattedPartIsCutAt255) {
    std::string longText(400, 'x');
    CIDTooLongException e(longText.c_str());
    EXPECT_EQ(std::string(e.what()).size(), 255u);
}

namespace {
std::vector<int> g_levels;
void recordLevel(int level, const char*, va_list) { g_levels.push_back(level); }
}  // namespace

TEST(Logger, CallbackLevelIsShiftedByBase) {
    g_levels.clear();
    FW_RegisterLogger(recordLevel, 10);
    Logger(KFW_LOG_DEBUG, "x");
    Logger(KFW_LOG_WARNING, "x");
    FW_RegisterLogger(recordLevel, 0);
    Logger(KFW_LOG_INFO, "x");
    FW_UnregisterLogger();
    EXPECT_EQ(g_levels, (std::vector<int>{11, 8, 0}));
}
