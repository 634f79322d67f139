// Parses arbitrary bytes as a whole configuration text. Every input must end in a command list or a
// failure with a status, with nothing left behind either way: no crash, leak or overread. The parse
// is driven through the scanner and parser entry points, so channel statements are built but never
// opened.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "cmd/KestFWCmdConfig.h"
#include "cmd/KestFWCmdList.h"
#include "lang/kestfw_parser.hpp"
#include "lang/kestfw_scanner.hpp"

namespace {

void dropLine(int, const char*, va_list) {}

void check(bool ok, const char* what) {
    if (!ok) {
        fprintf(stdout, "parser invariant broken: %s\n", what);
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Unrecognised characters are reported on the C stderr stream; silence that stream only.
    FILE* devnull = fopen("/dev/null", "w");
    if (devnull != nullptr) stderr = devnull;
    FW_RegisterLogger(dropLine, 6);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    fw_lex_extra_ extra;
    memset(&extra, 0, sizeof extra);
    yyscan_t scanner = nullptr;
    check(yylex_init(&scanner) == 0, "scanner created");
    yyset_extra(&extra, scanner);
    YY_BUFFER_STATE buffer = yy_scan_string(text.c_str(), scanner);
    check(buffer != nullptr, "buffer created");
    yyset_lineno(1, scanner);

    FWStatus_t status = 0;
    KestFirewall::CKestFWCmdList* list = nullptr;
    KestFirewall::CKestFWCmdConfig* config = nullptr;
    bool raised = false;
    int result = 0;
    try {
        result = yyparse(&status, scanner, "<fuzz>", &list, &config);
    } catch (const KestFirewall::CKestFWException&) {
        raised = true;
    }
    if (raised || result != 0) {
        check(list == nullptr && config == nullptr, "a failed parse hands nothing out");
        check(raised || status != 0, "a failed parse has a status");
    } else {
        check(list != nullptr, "an accepted text gives a list");
        // Every command renders and sizes itself.
        for (KestFirewall::CKestFWCmd* cmd : list->commands()) {
            (void)cmd->toString();
            (void)cmd->getMsgSize();
        }
    }
    delete list;
    delete config;
    yy_delete_buffer(buffer, scanner);
    yylex_destroy(scanner);
    return 0;
}
