#include "killed_writer.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace faults {

bool KillWriterAfter(const std::function<void()>& write, std::chrono::microseconds delay) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        // The child only writes, until it is killed; it never returns into the
        // test framework. The bound keeps a lost child from living on.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < giveUp) write();
        _exit(0);
    }
    std::this_thread::sleep_for(delay);
    const bool killed = kill(child, SIGKILL) == 0;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return killed && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

}  // namespace faults
