#include "platform/net/socket.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace net {

Socket::~Socket() { Close(); }

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Close();
        fd = other.Release();
    }
    return *this;
}

int Socket::Release() { return std::exchange(fd, kNone); }

int Socket::Close() {
    const int closing = Release();
    if (closing == kNone) return 0;
    // EINTR still frees the descriptor on Linux, so it is no failure here.
    if (::close(closing) != 0 && errno != EINTR) return errno;
    return 0;
}

}  // namespace net
