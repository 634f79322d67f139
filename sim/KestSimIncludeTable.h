/* The packet-filter table device of the simulator: its include table (the vNICs the firewall filter
 * is inserted on) and the VM revalidations it was asked for. Control call 5 adds or replaces an entry,
 * 7 removes one (ENOENT when absent), 10 revalidates a VM; a malformed request fails with EINVAL and
 * is not recorded. A result scripted with kestsim_device_set_result(KESTSIM_DEV_PLK, ...) that is
 * negative fails every call before it is looked at. kestsim_reset empties the table. */
#ifndef KESTSIM_INCLUDE_TABLE_H
#define KESTSIM_INCLUDE_TABLE_H

#include <stdint.h>

#include "sim/KestSimControl.h"

#ifdef __cplusplus
extern "C" {
#endif

enum { KESTSIM_INCLUDE_PARAM_SIZE = 256 };

typedef struct kestsim_include_entry_ {
    char agent[40];   /* agent name of the control record */
    uint8_t vnic[16]; /* vNIC UUID bytes */
    uint8_t index;    /* vNIC index */
    uint32_t arg3;    /* the two words the library passes on unchanged */
    uint32_t pass_on;
    uint32_t param_count;
} kestsim_include_entry_;

/* Entries in the include table, in the order they were first added. */
KESTSIM_API uint32_t kestsim_include_count(void);
/* Copies entry `i`; -1 when there are not that many. */
KESTSIM_API int kestsim_include_entry(uint32_t i, kestsim_include_entry_* out);
/* Copies parameter `param` of entry `i` (KESTSIM_INCLUDE_PARAM_SIZE bytes, NUL-terminated) and returns
 * the index the request gave it; -1 when absent. */
KESTSIM_API int kestsim_include_param(uint32_t i, uint32_t param, char* text);
/* The last add or remove request as received: copies at most `cap` bytes, returns its full length. */
KESTSIM_API uint32_t kestsim_include_last_request(void* out, uint32_t cap);
/* Copies at most `max` world ids of the revalidations asked for, oldest first (`world_ids` may be
 * null); returns how many there were. */
KESTSIM_API uint32_t kestsim_revalidations(uint32_t* world_ids, uint32_t max);

#ifdef __cplusplus
}
#endif

#endif /* KESTSIM_INCLUDE_TABLE_H */
