/* Control interface of the simulated module for the kernel-interface counters, the global settings and
 * the load balancer, next to KestSimControl.h. A null port is the host-wide filter. */
#ifndef KESTSIM_SETTINGS_H
#define KESTSIM_SETTINGS_H

#include <stdint.h>

#include "sim/KestSimControl.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Advances the 64-bit counter at byte `offset` (a multiple of 8) of the port's statistics record. */
KESTSIM_API int kestsim_kifstat_add(const void* port, uint32_t offset, uint64_t amount);
/* Writes `len` bytes at `offset` of the port's statistics record (flags, versions, MAC address ...). */
KESTSIM_API int kestsim_kifstat_set(const void* port, uint32_t offset, const void* bytes, uint32_t len);
/* Appends a load-balancer service with that many items of each kind. */
KESTSIM_API int kestsim_lb_seed(uint32_t id, const char* name, uint32_t vs, uint32_t pools, uint32_t members,
                                uint32_t lsp_configured, uint32_t lsp_applied);
/* A named host-wide value (see SimSettingsControl.h): 0 and *value on success, -1 for an unknown name. */
KESTSIM_API int kestsim_setting(const char* name, uint64_t* value);
/* Sets "failpolicy" or "syncache". */
KESTSIM_API int kestsim_set_setting(const char* name, uint64_t value);

#ifdef __cplusplus
}
#endif

#endif /* KESTSIM_SETTINGS_H */
