/* The channels a library handle can carry its messages through, besides the control device: the keys
 * FW_Initialize takes for each, and the operations table of a caller-supplied (generic) channel.
 *
 *   type 1  FW_IO_DEVICE      no arguments, or KESTFW_IO_DEVICE_NAME + path (accepted, not used)
 *   type 2  FW_IO_SOCKET      KESTFW_IO_ADDRESS + host text, KESTFW_IO_PORT + service text, then
 *                             optionally KESTFW_IO_TIMEOUT_MS + decimal text of milliseconds
 *   type 3  FW_IO_SOCKET_ALT  as type 2 (a socket kind this library does not build: status 11)
 *   type 4  FW_IO_FILE        KESTFW_IO_FILE_NAME + path of the file that records every message
 *   type 5  FW_IO_MEMORY      KESTFW_IO_MEMORY + byte area, KESTFW_IO_LENGTH + pointer to its uint32_t size
 *   type 6  FW_IO_GENERIC     KESTFW_IO_GENERIC_IO + pointer to an FWLibGenericIO_, then optionally
 *                             KESTFW_IO_GENERIC_INIT_ARG + init argument, then optionally
 *                             KESTFW_IO_GENERIC_CONTEXT + address of a void* that receives the context
 * Keys sit at even indexes of FW_Initialize's argument array, each followed by its value.
 *
 * Socket channel: every send and every receive of an exchange is bounded by the handle's time limit,
 * 30000 ms unless KESTFW_IO_TIMEOUT_MS gives another (0: no limit; at most 86400000; any other text
 * cannot initialise the channel, 10). An exchange that runs out of time returns 11 ("socket error"),
 * as does any other broken exchange, and closes the connection: the handle then answers 11 to every
 * message until it is replaced by a new FW_Initialize. Threads may share a socket handle: the handle
 * takes one exchange at a time (the others wait for it, each within its own time limit once it runs),
 * so messages never interleave on the connection. */
#ifndef KESTFW_IO_H
#define KESTFW_IO_H

#include "kestfw_types.h"

#define KESTFW_IO_DEVICE_NAME "FWIODeviceName"
#define KESTFW_IO_ADDRESS "FWIOAddress"
#define KESTFW_IO_PORT "FWIOPort"
#define KESTFW_IO_TIMEOUT_MS "FWIOTimeoutMs"
#define KESTFW_IO_FILE_NAME "FWIOFileName"
#define KESTFW_IO_MEMORY "FWIOMemory"
#define KESTFW_IO_LENGTH "FWIOLength"
#define KESTFW_IO_GENERIC_IO "FWIOGenericIO"
#define KESTFW_IO_GENERIC_INIT_ARG "FWIOGenericIOInitArg"
#define KESTFW_IO_GENERIC_CONTEXT "FWIOGenericIOContext"

#ifdef __cplusplus
extern "C" {
#endif

/* A caller's channel. init runs once when the channel is built (0 = success) and stores the channel
 * context; request gets every finished message (header included) with the caller's per-call context
 * and answers 0 or a status; exit runs when the channel is destroyed. The library copies the table. */
typedef struct FWLibGenericIO_ {
    int (*init)(void* initArg, void** ctx);
    void (*exit)(void* ctx);
    int (*request)(void* ctx, void* msg, unsigned int msgLen, void* callerCtx);
    void* reserved; /* copied with the table, not used */
} FWLibGenericIO_;

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_IO_H */
