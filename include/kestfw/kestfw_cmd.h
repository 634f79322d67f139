/* Device pass-through. The command functions of the exported interface sit in the header of their
 * family; every one takes the library handle, the switch port (null: not bound to a port) and a
 * channel context first, then its own inputs and outputs, and answers with a status. */
#ifndef KESTFW_CMD_H
#define KESTFW_CMD_H

#include "kestfw_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Pass-through to the firewall control device, the packet-filter table device and the
 * service-insertion device: the ioctl result, or 0xFFFFFFFF when the device cannot be reached. */
KESTFW_API uint32_t FW_Ioctl(int request, void* arg);
KESTFW_API uint32_t PLK_Ioctl(int request, void* arg);
KESTFW_API uint32_t SI_Ioctl(int request, void* arg);
/* Descriptor of the packet-filter table device, -1 when it cannot be opened. */
KESTFW_API int PLK_GetFd(void);

#ifdef __cplusplus
}
#endif

#endif /* KESTFW_CMD_H */
