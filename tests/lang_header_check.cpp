// The scanner and parser entry points as a caller outside the library sees them: the exported
// headers alone, linked against the shared library alone. A declaration that does not match the
// library's definition fails the link.
#include <cstdio>
#include <cstring>

#include "kestfw/kestfw.h"

int main() {
    fw_lex_extra_ extra;
    memset(&extra, 0, sizeof extra);
    void* scanner = nullptr;
    if (yylex_init(&scanner) != 0) return 1;
    yyset_extra(&extra, scanner);
    yy_buffer_state* buffer = yy_scan_string("destroy all ruleset; create ruleset r1;", scanner);
    yyset_lineno(1, scanner);
    FWStatus_t status = 0;
    KestFirewall::CKestFWCmdList* list = nullptr;
    KestFirewall::CKestFWCmdConfig* config = nullptr;
    int result = yyparse(&status, scanner, "<check>", &list, &config);
    yy_delete_buffer(buffer, scanner);
    yylex_destroy(scanner);
    if (result != 0 || list == nullptr || config != nullptr) return 2;
    // The list is freed through the loader's door, as a configuration handle.
    if (FW_FreeConfigFile(list) != 0) return 3;
    FWParseError_ e;
    if (FW_GetLastParseError(&e) != FW_PARSE_ERROR_NONE) return 4;
    printf("parsed\n");
    return 0;
}
