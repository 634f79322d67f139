// Scans arbitrary bytes as configuration text. Every input must end in a token stream or a lexical
// error, with well-formed values, no crash, leak or endless stream. The first byte chooses how the
// text is read (string or stream) and whether the lexer's trace lines are formatted.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/KestFWLog.h"
#include "lang/kestfw_parser.hpp"
#include "lang/kestfw_scanner.hpp"

namespace {

void formatAndDrop(int, const char* fmt, va_list ap) {
    char line[512];
    vsnprintf(line, sizeof line, fmt, ap);
}

void check(bool ok, const char* what) {
    if (!ok) {
        fprintf(stdout, "scanner invariant broken: %s\n", what);
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Unrecognised characters are reported on the C stderr stream; silence that stream only. The
    // sanitizers and the fuzzer keep writing their reports to the error descriptor itself.
    FILE* devnull = fopen("/dev/null", "w");
    if (devnull != nullptr) stderr = devnull;
    FW_RegisterLogger(formatAndDrop, 6);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    ++data;
    --size;

    FW_SetLibVerboseLevel(KestFirewall::KFW_COMP_LEXER, (mode & 1) ? 1 : 0);
    fw_lex_extra_ extra;
    memset(&extra, 0, sizeof extra);
    yyscan_t scanner = nullptr;
    check(yylex_init_extra(&extra, &scanner) == 0, "scanner created");

    FILE* in = nullptr;
    YY_BUFFER_STATE buffer = nullptr;
    if ((mode & 2) && size > 0) {
        in = fmemopen(const_cast<uint8_t*>(data), size, "r");
        check(in != nullptr, "stream opened");
        yyset_in(in, scanner);
    } else {
        buffer = yy_scan_bytes(reinterpret_cast<const char*>(data), static_cast<int>(size), scanner);
        check(buffer != nullptr, "buffer made");
        yyset_lineno(1, scanner);
    }

    YYSTYPE value;
    YYLTYPE location{};
    size_t tokens = 0;
    for (;;) {
        memset(&value, 0xa5, sizeof value);
        int code = yylex(&value, &location, scanner);
        if (code == 0) break;
        // Every token consumes at least one byte, so a longer stream means the scanner is stuck.
        check(++tokens <= size, "token stream no longer than the input");
        check(strcmp(kestfwTokenName(code), "\"invalid token\"") != 0, "known token code");
        if (code == STRING || code == IPV4 || code == IPV4_CIDR || code == IPV4_MASK || code == IPV4_PORT ||
            code == ANY_PORT || code == IPV6 || code == IPV6_CIDR)
            check(memchr(value.text, '\0', sizeof value.text) != nullptr, "text value terminated");
        if (code == UUID_PORT) check(strlen(value.vnicPort.text) == 47 && value.vnicPort.port <= 999, "vnic port");
    }
    check(yylex(&value, &location, scanner) == 0, "an ended stream stays ended");
    if (extra.status != 0) {
        check(extra.status == 8 || extra.status == 16 || extra.status == 31 || extra.status == 33, "lexical status");
        check(memchr(extra.message, '\0', sizeof extra.message) != nullptr && extra.message[0] != '\0',
              "error message");
    }
    check(yyget_lineno(scanner) >= 1, "line number");

    if (buffer != nullptr) yy_delete_buffer(buffer, scanner);
    yylex_destroy(scanner);
    if (in != nullptr) fclose(in);
    return 0;
}
