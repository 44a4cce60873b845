#pragma once

#include <poll.h>

#include <chrono>

// Every blocking socket wait of the engine goes through WaitForSocket: the
// socket, the session's wake descriptor and a time limit, so that Cancel and a
// silent server both end the wait.
namespace net {

enum class WaitStatus { Ready, Woken, TimedOut, Failed };

// Waits until fd has one of the events (POLLIN, POLLOUT), wakeFd becomes
// readable or timeout passes (a zero or negative timeout waits without limit).
// Failed means poll itself failed (errno is kept). Hang-up and error
// conditions on the socket count as Ready: the following call reports them.
WaitStatus WaitForSocket(int fd, short events, int wakeFd, std::chrono::milliseconds timeout);

}  // namespace net
