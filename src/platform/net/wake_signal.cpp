#include "platform/net/wake_signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace net {

WakeSignal::WakeSignal() : fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd < 0) throw std::runtime_error("eventfd failed");
}

WakeSignal::~WakeSignal() { close(fd); }

void WakeSignal::Signal() const {
    const std::uint64_t one = 1;
    // A full counter already wakes everyone, so a failed write needs no retry.
    [[maybe_unused]] ssize_t written = write(fd, &one, sizeof one);
}

void WakeSignal::Reset() const {
    std::uint64_t value = 0;
    [[maybe_unused]] ssize_t got = read(fd, &value, sizeof value);
}

bool WakeSignal::IsSignalled() const {
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, 0) > 0;
}

}  // namespace net
