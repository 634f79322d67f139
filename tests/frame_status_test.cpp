// Status texts, the exception family's formatted messages and codes, and the logger's level arithmetic.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"

using namespace KestFirewall;

TEST(StatusText, KnownAndUnknownCodes) {
    EXPECT_STREQ(FW_StatusToString(0), "ok");
    EXPECT_STREQ(FW_StatusToString(26), "bad state");
    EXPECT_STREQ(FW_StatusToString(70), "failed to find uid to sid mapping");
    const char* a = FW_StatusToString(71);
    EXPECT_STREQ(a, "unknown error code: 71");
    // One shared buffer: the next unknown code overwrites the text.
    EXPECT_EQ(FW_StatusToString(4294967295u), a);
    EXPECT_STREQ(a, "unknown error code: 4294967295");
}

TEST(Exceptions, FormattedMessagesAndCodes) {
    const unsigned char v4a[4] = {10, 0, 0, 9}, v4b[4] = {10, 0, 0, 1};
    unsigned char v6a[16] = {0x20, 0x01, 0x0d, 0xb8}, v6b[16] = {0x20, 0x01};
    v6a[15] = 2;
    const std::vector<std::pair<CKestFWException, std::pair<const char*, FWStatus_t>>> cases = {
        {CUnsupportedException("n=", -3), {"n=-3", 7}},
        {CInvalidTimeoutException(9u), {"unrecognized timeout id 9", 58}},
        {CInsufficientMsgBufException(12, 4), {"expect 12 byte in message buffer, but only get 4 bytes", 9}},
        {CInvalidIPv4RangeException(v4a, v4b), {"invalid IPv4 range: 10.0.0.9 - 10.0.0.1", 33}},
        {CInvalidIPv6RangeException(v6a, v6b), {"invalid IPv6 range: 2001:db8::2 - 2001::", 33}},
        {CIoctlException("t", ENOMEM), {"t", 65}},
        {CInvalidTCPFlagsException(0x1ff), {"invalid TCP flags: 0x01ff", 40}},
        {CDuplicateProtocolSpecException(127), {"duplicate definition of protocol spec of /tcp/udp port set", 43}},
        {CInvalidContainerNameException("c1", "too long"), {"invalid container name: c1(too long)", 69}},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.first.what(), c.second.first);
        EXPECT_EQ(c.first.retcode(), c.second.second) << c.second.first;
    }
    EXPECT_EQ(std::string(CIDTooLongException(std::string(400, 'x').c_str()).what()).size(), 255u);
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
