/* Rule sets: read the root rule sets of a filter and empty one rule set. Rule sets themselves are
 * created, replaced and destroyed from configuration text or with the command classes. Every function
 * takes the library handle, the switch port (null: not bound to a port) and a channel context first,
 * and answers with a status; outputs are written only when the kernel accepted the command. */
#ifndef KESTFW_RULESET_H
#define KESTFW_RULESET_H

#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Names of the filter's layer-3 (IP) and layer-2 (Ethernet) root rule sets, and the kernel's word
 * about them. All three outputs are required. Each name is the 64-byte field as the kernel wrote it:
 * NUL-padded when shorter, with no NUL at all when the name fills the field (see FWRuleSetID_t). */
KESTFW_API FWStatus_t FW_GetRootRuleSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWRuleSetID_t* layer3,
                                        FWRuleSetID_t* layer2, unsigned int* result);
/* Removes every rule of rule set `id`, which keeps its name and jump target; `result` receives the
 * kernel's word about the operation. */
KESTFW_API FWStatus_t FW_ClearRuleSet(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* result,
                                      FWRuleSetID_t id);

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_RULESET_H */
