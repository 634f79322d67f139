/* Loading configuration-language text into a list of commands, evaluating such a list, the
 * packet-filter include table, and the scanner's and parser's entry points. */
#ifndef KESTFW_CONFIG_H
#define KESTFW_CONFIG_H

#include <stdio.h>

#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Loads a text (input name "<cmd>" in error lines). On 0 `configHandle` receives the command list
 * (free it with FW_FreeConfigFile) and, when the text held a "config device/file/socket/ghsock"
 * statement, `newHandle` a library handle on that channel; on failure both are left untouched. */
KESTFW_API FWStatus_t FW_LoadConfigString(const char* text, fwlibhandle_** newHandle, void** configHandle);
/* The same from a file opened for reading: 12 when it cannot be opened. */
KESTFW_API FWStatus_t FW_LoadConfigFile(const char* path, fwlibhandle_** newHandle, void** configHandle);
/* The same from an open stream; `name` names it in error lines. `configHandle` is set to null first. */
KESTFW_API FWStatus_t FW_LoadConfigFile2(FILE* file, const char* name, fwlibhandle_** newHandle, void** configHandle);
/* Sends the loaded commands in text order on `handle` (a null port keeps each command's own port). */
KESTFW_API FWStatus_t FW_EvaluateConfigFile(fwlibhandle_* handle, void* configHandle, dvs_port_* port, void* ctx);
KESTFW_API FWStatus_t FW_FreeConfigFile(void* configHandle);

/* Adds (add != 0) or removes the vNIC `vnic` ("<uuid>.<index>") in the packet-filter include table,
 * then asks for the VM of world `worldId` to be revalidated when worldId is not 0. `params` is the
 * filter parameter block: agent name (40 bytes), u32 count at 40, u32 at 44 passed on unchanged,
 * parameters of 260 bytes from offset 52, each starting with a NUL-terminated text. */
KESTFW_API FWStatus_t FW_AddRemoveFilter(const void* params, unsigned int worldId, unsigned int arg3, const char* vnic,
                                         unsigned int add);

/* Where the last failed parse of the calling thread stopped, for "input:line:column: message"
 * reports. Columns count from 1; lastColumn is the last character of the offending token (equal to
 * firstColumn - 1 at the end of the input). */
typedef struct FWParseError_ {
    char input[256];
    unsigned int line, firstColumn, lastColumn;
    FWStatus_t status;
    char message[512];
} FWParseError_;

/* Status answered by FW_GetLastParseError when no parse has failed in the calling thread since it
 * started (a successful parse clears the record). */
#define FW_PARSE_ERROR_NONE 20u

/* Copies the calling thread's last parse error: 0, 3 for a null `out`, FW_PARSE_ERROR_NONE when
 * there is none. */
KESTFW_API FWStatus_t FW_GetLastParseError(FWParseError_* out);

/* The switch port that statements without a port clause address: reset at the start of every parse
 * (agent "orbane-wyb-kest", type 0) and changed by "config default agent". */
KESTFW_API extern dvs_port_ g_kestfw_default_dvsport;

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_CONFIG_H */
