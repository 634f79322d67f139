// The packet-filter table device's own state inside the interposer.
#pragma once

namespace KestSim {
namespace IncludeTable {
// Answers a control call that reached the device: 0, or -1 with errno set.
int control(unsigned long request, void* arg);
void reset();
}  // namespace IncludeTable
}  // namespace KestSim
