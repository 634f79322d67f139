/* Start-up, shutdown, status texts, logging, components and report printing.
 * Every function here catches whatever the core raises and answers with a status. */
#ifndef KESTFW_FRAME_H
#define KESTFW_FRAME_H

#include <stdarg.h>
#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Channel types of FW_Initialize. */
enum {
    FW_IO_DEVICE = 1,
    FW_IO_SOCKET = 2,
    FW_IO_SOCKET_ALT = 3,
    FW_IO_FILE = 4,
    FW_IO_MEMORY = 5,
    FW_IO_GENERIC = 6
};

KESTFW_API FWStatus_t FW_Initialize(unsigned int version, void* reserved, int ioType, int argCount,
                                    void** args, fwlibhandle_** handle);
KESTFW_API fwlibhandle_* FW_GetDefaultLibHandle(void);
KESTFW_API FWStatus_t FW_Exit(fwlibhandle_* handle);
/* The fixed text of a known code; an unknown code is formatted into a buffer of the calling thread,
 * valid until that thread asks for the next unknown code. Safe from any thread. */
KESTFW_API const char* FW_StatusToString(FWStatus_t code);

typedef void (*FWLogCallback_t)(int level, const char* format, va_list args);
/* Lines reach `callback` with level = syslog priority - 6 + levelBase (debug 1, information 0, warning
 * -2, error -3 with base 0), kept within the range of int for any base. */
KESTFW_API void FW_RegisterLogger(FWLogCallback_t callback, int levelBase);
KESTFW_API void FW_UnregisterLogger(void);

/* Components and verbosity. */
typedef struct kestfw_verbose_ {
    uint32_t builtin;  /* 1 for the built-in entries */
    int32_t level;     /* verbosity, 0 at start */
    char name[16];     /* NUL-padded */
} kestfw_verbose_;

#define KESTFW_MAX_COMPONENTS 64
#define KESTFW_ALL_COMPONENTS 255

KESTFW_API extern kestfw_verbose_ g_kestfw_verbose[KESTFW_MAX_COMPONENTS];
KESTFW_API extern unsigned int g_kestfw_max_component;

KESTFW_API FWStatus_t FW_RegisterComponent(const char* name, unsigned int* id);
KESTFW_API FWStatus_t FW_UnregisterComponent(unsigned int id);
KESTFW_API FWStatus_t FW_GetLibVerboseLevel(unsigned int component, int* level);
KESTFW_API void FW_SetLibVerboseLevel(unsigned int component, int level);
KESTFW_API const char* FW_ComponentToString(unsigned int component);
KESTFW_API unsigned int FW_StringToComponent(const char* name);
KESTFW_API unsigned int FW_GetComponentCount(void);

/* The report printer: called once per report line with its context first. */
typedef int (*FWPrettyPrint_t)(void* context, const char* format, ...);
KESTFW_API extern FWPrettyPrint_t g_kestfw_pretty_printing;
KESTFW_API extern void* g_kestfw_pretty_printing_context;
KESTFW_API void FW_SetLibPrettyPrinting(FWPrettyPrint_t print, void* context);

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_FRAME_H */
