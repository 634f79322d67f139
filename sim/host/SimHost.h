// The process-wide simulated module and the bookkeeping of its devices, shared by the control
// interface (KestSimControl.h) and the device interposer.
#pragma once

#include <cstdint>

#include "sim/engine/SimEngine.h"

namespace KestSim {

// The one engine every interposed control call of this process reaches. Never destroyed, so calls made
// while the process exits (a device singleton closing its descriptor) still find it.
Engine& processEngine();

namespace Devices {
// KESTSIM_DEV_* of a device path, or -1 for any other path. `path` may be null.
int ofPath(const char* path);
// Errno an open of the device is to fail with, 0 to let it succeed.
int openFailure(int dev);
// Records descriptor `fd` as open on device `dev`; false when the descriptor cannot be tracked.
bool attach(int fd, int dev);
// Device of a descriptor, -1 when it is not one of ours.
int of(int fd);
// Forgets the descriptor; returns its device or -1.
int detach(int fd);
// A control call on a descriptor of device `dev`: the result the call returns, with errno set when
// negative.
int control(int dev, unsigned long request, void* arg);
}  // namespace Devices

}  // namespace KestSim
