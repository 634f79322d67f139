/* Configuration text from rule records and loaded configurations, in the language's own syntax, so
 * that loading the text again sends the kernel the same messages. Parts the language cannot say are
 * refused with 7 and a log line, never written as something else. */
#ifndef KESTFW_WRITER_H
#define KESTFW_WRITER_H

#include "kestfw_rule.h"
#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* One rule record as "rule <id> ... ;". 3 for a null pointer or a zero size; 8 when `out` cannot hold
 * the text and its NUL (out then holds the empty text); a record that does not describe a rule gives
 * the status of its fault. */
KESTFW_API FWStatus_t FW_WriteRuleText(const FWRule_* rule, char* out, unsigned int outSize);
/* Every command of a loaded configuration (the handle FW_LoadConfigString gives), one statement a
 * line. `out` may be null when `outSize` is 0. 8 when the text and its NUL do not fit; `needed`
 * (optional) receives their size whenever the text could be written. */
KESTFW_API FWStatus_t FW_WriteConfigText(void* configHandle, char* out, unsigned int outSize,
                                         unsigned int* needed);

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_WRITER_H */
