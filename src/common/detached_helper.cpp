#include "common/detached_helper.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

namespace cellwatch {
namespace {

// Starts argv[0] from the PATH with the descriptor passed (when not -1) as its descriptor 3, and
// without waiting for it.
bool Spawn(const char* const* argv, int passed) {
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        posix_spawnattr_destroy(&attributes);
        return false;
    }
    // The signals this process blocks for its watch thread are the helper's own again.
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    // Not this process's standard streams: whoever reads them to their end (a build server) would
    // wait for the helper as well.
    bool ready = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
                 posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0) == 0 &&
                 posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0) == 0;
    if (ready && passed >= 0)
        ready = posix_spawn_file_actions_adddup2(&actions, passed, 3) == 0; // dup2 clears close-on-exec
    pid_t pid = 0;
    const bool started = ready && posix_spawnp(&pid, argv[0], &actions, &attributes,
                                               const_cast<char* const*>(argv), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return started;
}

} // namespace

bool RemoveInHelper(const std::string& path) {
    const char* argv[] = {"rm", "-f", "--", path.c_str(), nullptr};
    return Spawn(argv, -1);
}

bool EmptyInHelper(int fd) {
    if (fd < 0)
        return false;
    // The helper opens the file again through its descriptor 3, which names it even once removed.
    const char* argv[] = {"truncate", "-s", "0", "/dev/fd/3", nullptr};
    return Spawn(argv, fd);
}

} // namespace cellwatch
