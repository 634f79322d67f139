#include "util/KestForkExec.h"

#include <spawn.h>

namespace KestFirewall {

int kestForkExec(const char* path, char* const argv[], const int fds[3], pid_t* pid) {
    // posix_spawn rather than fork: the caller may be a multithreaded agent, and a forked copy of it
    // must not run anything but the exec.
    posix_spawn_file_actions_t actions;
    int rc = posix_spawn_file_actions_init(&actions);
    if (rc != 0) return rc;
    for (int target = 0; target < 3 && rc == 0; ++target)
        rc = posix_spawn_file_actions_adddup2(&actions, fds[target], target);
    char* const noEnvironment[] = {nullptr};
    if (rc == 0) rc = posix_spawn(pid, path, &actions, nullptr, argv, noEnvironment);
    posix_spawn_file_actions_destroy(&actions);
    return rc;
}

}  // namespace KestFirewall
