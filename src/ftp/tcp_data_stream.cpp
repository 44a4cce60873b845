#include "ftp/tcp_data_stream.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "ftp/progress_publisher.h"
#include "platform/net/socket_error_codes.h"

namespace {

// Longest wait between two looks at what the peer has acknowledged once the
// whole file is in the send buffer.
constexpr int kLongestReceiptPollMs = 50;

}  // namespace

TcpDataStream::TcpDataStream(ControlChannel& control, net::Socket socket)
    : control(control), socket(std::move(socket)) {}

// The socket is read without blocking first, so a steady stream costs one call
// per read; only an empty socket waits (wake descriptor and time limit).
long TcpDataStream::Receive(char* into, std::size_t capacity, int& errorCode) {
    for (;;) {
        if (control.StopRequestedRelaxed()) {
            control.Abort();
            errorCode = net::kErrorCancelled;
            return -1;
        }
        ssize_t got = recv(socket.Fd(), into, capacity, MSG_DONTWAIT);
        if (got >= 0) return static_cast<long>(got);
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            errorCode = net::LastSocketError();
            return -1;
        }
        const ControlChannel::WaitOutcome outcome = control.WaitReadable(socket.Fd());
        if (outcome != ControlChannel::WaitOutcome::Ready) {
            errorCode = control.WaitErrorCode(outcome);
            return -1;
        }
    }
}

long TcpDataStream::Send(const char* bytes, std::size_t length, ReplyClass& status) {
    return control.SendAll(socket.Fd(), bytes, length, status);
}

// Bytes handed to the socket that the peer has not acknowledged yet: an
// upload is done only as far as the server has received it.
std::int64_t TcpDataStream::Unacknowledged() const {
    int pending = 0;
    if (ioctl(socket.Fd(), TIOCOUTQ, &pending) != 0 || pending < 0) return 0;
    return pending;
}

// After the last block: ends the data stream and waits until the server has
// acknowledged every byte, counting them as they arrive. A reset before then
// means the file did not arrive whole, even when the server's final reply
// claims success. The time limit runs from the last progress.
ReplyClass TcpDataStream::Finish(std::int64_t count, ProgressPublisher& progress) {
    if (shutdown(socket.Fd(), SHUT_WR) != 0) {
        control.LogSocketError("Send", net::LastSocketError());
        return kPermanent;
    }
    using Clock = std::chrono::steady_clock;
    const auto limit = std::chrono::seconds(control.TimeoutSeconds());
    Clock::time_point deadline = Clock::now() + limit;
    std::int64_t pending = Unacknowledged();
    int pollMs = 1;
    bool peerEnded = false;
    for (;;) {
        int socketError = 0;
        socklen_t length = sizeof socketError;
        getsockopt(socket.Fd(), SOL_SOCKET, SO_ERROR, &socketError, &length);
        if (socketError != 0) {
            control.LogSocketError("Send", socketError);
            return kPermanent;
        }
        const std::int64_t now = Unacknowledged();
        if (now == 0) {
            progress.Publish(count);
            return kComplete;
        }
        progress.Update(std::max<std::int64_t>(0, count - now));
        if (now < pending) {
            pending = now;
            deadline = Clock::now() + limit;
            pollMs = 1;
        }
        if (control.TimeoutSeconds() > 0 && Clock::now() >= deadline) {
            control.LogTimeLimit();
            control.Abort();
            return kAborted;
        }
        // Once the server has ended its side the socket stays readable (at its
        // end), so only the wake is watched between looks.
        pollfd waits[2] = {{control.WakeFd(), POLLIN, 0}, {socket.Fd(), POLLIN, 0}};
        if (poll(waits, peerEnded ? 1 : 2, pollMs) > 0) {
            if (waits[0].revents != 0) {
                control.Abort();
                return kAborted;
            }
            // The server closes its end once it has read everything; what it
            // might send is of no interest. After the end only errors count.
            char discard[256];
            const ssize_t got = recv(socket.Fd(), discard, sizeof discard, MSG_DONTWAIT);
            if (got == 0) peerEnded = true;
            if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                control.LogSocketError("Send", net::LastSocketError());
                return kPermanent;
            }
        }
        pollMs = std::min(pollMs * 2, kLongestReceiptPollMs);
    }
}

int TcpDataStream::Shutdown() { return shutdown(socket.Fd(), SHUT_RDWR) == 0 ? 0 : net::LastSocketError(); }
