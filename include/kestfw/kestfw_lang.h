/* The configuration language's scanner and parser entry points, for C++ callers that drive a parse
 * themselves instead of going through FW_LoadConfigString. They carry C++ linkage; a plain-C program
 * uses the loading functions of kestfw_config.h.
 *
 * One parse: zero an fw_lex_extra_, yylex_init, yyset_extra, then either yy_scan_string followed by
 * yyset_lineno(1) or yyset_in, then yyparse, yy_delete_buffer for a string buffer, yylex_destroy. */
#ifndef KESTFW_LANG_H
#define KESTFW_LANG_H

#include <stddef.h>
#include <stdio.h>

#include "kestfw_types.h"

/* The scanner's error record (260 bytes), zero-filled by whoever starts a parse. The first lexical
 * error stores its status and text here and ends the token stream. */
typedef struct fw_lex_extra_ {
    FWStatus_t status;
    char message[256];
} fw_lex_extra_;

#ifdef __cplusplus
union YYSTYPE;
struct YYLTYPE;
struct yy_buffer_state;
namespace KestFirewall {
class CKestFWCmdList;
class CKestFWCmdConfig;
}  // namespace KestFirewall

KESTFW_API int yyparse(FWStatus_t* status, void* scanner, const char* inputName, KestFirewall::CKestFWCmdList** cmdList,
                       KestFirewall::CKestFWCmdConfig** config);
KESTFW_API int yylex(YYSTYPE* value, YYLTYPE* location, void* scanner);
KESTFW_API int yylex_init(void** scanner);
KESTFW_API int yylex_init_extra(fw_lex_extra_* extra, void** scanner);
KESTFW_API int yylex_destroy(void* scanner);
KESTFW_API void yyset_extra(fw_lex_extra_* extra, void* scanner);
KESTFW_API fw_lex_extra_* yyget_extra(void* scanner);
KESTFW_API yy_buffer_state* yy_scan_string(const char* text, void* scanner);
KESTFW_API yy_buffer_state* yy_scan_bytes(const char* bytes, int len, void* scanner);
KESTFW_API yy_buffer_state* yy_scan_buffer(char* base, size_t size, void* scanner);
KESTFW_API void yy_delete_buffer(yy_buffer_state* buffer, void* scanner);
KESTFW_API yy_buffer_state* yy_create_buffer(FILE* file, int size, void* scanner);
KESTFW_API void yy_switch_to_buffer(yy_buffer_state* buffer, void* scanner);
KESTFW_API void yypush_buffer_state(yy_buffer_state* buffer, void* scanner);
KESTFW_API void yypop_buffer_state(void* scanner);
KESTFW_API void yy_flush_buffer(yy_buffer_state* buffer, void* scanner);
KESTFW_API void yyrestart(FILE* in, void* scanner);
KESTFW_API void yyset_in(FILE* in, void* scanner);
KESTFW_API void yyset_out(FILE* out, void* scanner);
KESTFW_API FILE* yyget_in(void* scanner);
KESTFW_API FILE* yyget_out(void* scanner);
KESTFW_API int yyget_lineno(void* scanner);
KESTFW_API void yyset_lineno(int line, void* scanner);
KESTFW_API int yyget_column(void* scanner);
KESTFW_API void yyset_column(int column, void* scanner);
KESTFW_API char* yyget_text(void* scanner);
KESTFW_API int yyget_leng(void* scanner);
KESTFW_API YYSTYPE* yyget_lval(void* scanner);
KESTFW_API void yyset_lval(YYSTYPE* value, void* scanner);
KESTFW_API YYLTYPE* yyget_lloc(void* scanner);
KESTFW_API void yyset_lloc(YYLTYPE* location, void* scanner);
KESTFW_API int yyget_debug(void* scanner);
KESTFW_API void yyset_debug(int flag, void* scanner);
KESTFW_API void* yyalloc(size_t size, void* scanner);
KESTFW_API void* yyrealloc(void* ptr, size_t size, void* scanner);
KESTFW_API void yyfree(void* ptr, void* scanner);
#endif /* __cplusplus */

#endif /* KESTFW_LANG_H */
