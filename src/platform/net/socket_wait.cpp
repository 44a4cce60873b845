#include "platform/net/socket_wait.h"

#include <cerrno>

namespace net {

WaitStatus WaitForSocket(int fd, short events, int wakeFd, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const bool limited = timeout.count() > 0;
    const Clock::time_point deadline = Clock::now() + timeout;
    pollfd entries[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
    const nfds_t count = wakeFd >= 0 ? 2 : 1;
    for (;;) {
        int waitMs = -1;
        if (limited) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return WaitStatus::TimedOut;
            waitMs = static_cast<int>(left.count());
        }
        entries[0].revents = entries[1].revents = 0;
        int ready = poll(entries, count, waitMs);
        if (ready < 0) {
            if (errno == EINTR) continue;  // a signal that wants to cancel also signals wakeFd
            return WaitStatus::Failed;
        }
        if (count == 2 && entries[1].revents != 0) return WaitStatus::Woken;
        if (entries[0].revents & POLLNVAL) {
            errno = EBADF;
            return WaitStatus::Failed;
        }
        if (entries[0].revents != 0) return WaitStatus::Ready;
        if (ready == 0 && limited) return WaitStatus::TimedOut;
    }
}

}  // namespace net
