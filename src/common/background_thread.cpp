#include "common/background_thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace cellwatch {

void YieldToTheRun() {
    // On Linux a nice value belongs to the thread whose id is given.
    const auto self = static_cast<id_t>(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, self, 5);
}

} // namespace cellwatch
