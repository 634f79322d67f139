// The scanner's one recoverable allocation: the private copy of a range token. This program supplies
// its own strdup, which the scanner's code links against, so the copy can be made to fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "lang/kestfw_parser.hpp"
#include "lang/kestfw_scanner.hpp"

namespace {
bool g_failCopies = false;
}

extern "C" char* strdup(const char* s) noexcept {
    if (g_failCopies) return nullptr;
    size_t n = strlen(s) + 1;
    char* p = static_cast<char*>(malloc(n));
    if (p != nullptr) memcpy(p, s, n);
    return p;
}

TEST(ScannerMemory, FailedRangeCopyEndsTheScanWithStatus8) {
    for (const char* text : {"ip 10.0.0.1-5", "ip 10.0.0.1-10.0.0.9", "ip 2001:db8::1-2001:db8::9"}) {
        fw_lex_extra_ extra{};
        yyscan_t scanner = nullptr;
        ASSERT_EQ(yylex_init_extra(&extra, &scanner), 0);
        YY_BUFFER_STATE buffer = yy_scan_string(text, scanner);
        YYSTYPE value;
        YYLTYPE location{};
        EXPECT_EQ(yylex(&value, &location, scanner), KW_IP);
        g_failCopies = true;
        EXPECT_EQ(yylex(&value, &location, scanner), 0) << text;
        g_failCopies = false;
        EXPECT_EQ(extra.status, 8u);
        EXPECT_STREQ(extra.message, "out of memory");
        yy_delete_buffer(buffer, scanner);
        yylex_destroy(scanner);
    }
}
