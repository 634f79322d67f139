// Starting a child program with its standard input, output and error on given descriptors: the
// host's fork helper where there is one, and this stand-in everywhere else.
#pragma once

#include <sys/types.h>

namespace KestFirewall {

// Starts `path` with `argv` and an empty environment; `fds` are the child's standard input, output
// and error. Every other descriptor of the caller is expected to be close-on-exec. Answers 0 and the
// child's id in `pid`, or an errno value.
int kestForkExec(const char* path, char* const argv[], const int fds[3], pid_t* pid);

}  // namespace KestFirewall
