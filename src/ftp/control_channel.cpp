#include "ftp/control_channel.h"

#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "ftp/bounded_text.h"
#include "ftp/busy_guard.h"
#include "ftp/socket_error_text.h"
#include "platform/net/socket_error_codes.h"
#include "platform/net/socket_wait.h"

namespace {

constexpr std::size_t kLongestSendableLine = ControlChannel::kReplyCapacity - 2;  // room for CR LF

}  // namespace

ControlChannel::ControlChannel(LogQueue& log, std::atomic<int>& connected) : log(log), connected(connected) {}

void ControlChannel::Shutdown() { shutdown(socket.Fd(), SHUT_RDWR); }

long ControlChannel::SendAll(int fd, const char* bytes, std::size_t length, ReplyClass& status) {
    std::size_t sent = 0;
    while (sent < length) {
        // A stopped worker sends nothing more, even where the socket would take it.
        if (stopRequested.load(std::memory_order_relaxed)) {
            abortFlag = 1;
            status = kAborted;
            return -1;
        }
        // Sending first and waiting only when the socket is full keeps a
        // steady stream (an upload's 512-byte blocks) at one call per block.
        ssize_t count = send(fd, bytes + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const WaitOutcome wait = WaitWritable(fd);
            if (wait == WaitOutcome::Ready) continue;
            // A wake or the time limit has set abortFlag and logged its own line.
            if (wait == WaitOutcome::Failed) LogSocketError("Send", net::LastSocketError());
            status = abortFlag ? kAborted : kPermanent;
            return -1;
        }
        if (count < 0) {
            LogSocketError("Send", net::LastSocketError());
            status = abortFlag ? kAborted : kPermanent;
            return -1;
        }
        sent += static_cast<std::size_t>(count);
        if (abortFlag) break;
    }
    status = abortFlag ? kAborted : kComplete;
    return static_cast<long>(sent);
}

// A line break inside a command would let a file name smuggle a second
// command to the server; such lines are never sent.
const char* ControlChannel::RefusalReason(const std::string& text) {
    if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        return "Refused to send a command containing a line break.";
    }
    if (text.size() > kLongestSendableLine) return "Refused to send a command that is too long.";
    return nullptr;
}

// Arguments travel through Command() as C strings, where a NUL would silently
// shorten a name into another one; such arguments, like line breaks, are
// refused before anything is composed.
bool ControlChannel::RefuseUnsendable(const std::string& argument) {
    const char* reason = RefusalReason(argument);
    if (reason == nullptr) return false;
    replyCode = 0;
    LogF("%s", reason);
    return true;
}

long ControlChannel::SendLine(const std::string& text) {
    if (!socket.IsOpen()) return -1;
    if (const char* reason = RefusalReason(text)) {
        LogF("%s", reason);
        return -1;
    }
    if (busyCount > 0 && strcasecmp(text.c_str(), "quit") != 0) {
        LogF("Command already in progress, ignored New Cmd");
        return -1;
    }
    BusyGuard busy(busyCount);
    sendBuffer = text;
    sendBuffer += "\r\n";
    if (tlsStream) {
        const tls::StreamResult written = tlsStream->Write(sendBuffer.data(), sendBuffer.size());
        if (written.Ok()) return static_cast<long>(written.bytes);
        if (written.status == tls::StreamStatus::Failed) LogF("Send: %s", written.message.c_str());
        return -1;
    }
    ReplyClass sendStatus = kNoReply;
    return SendAll(socket.Fd(), sendBuffer.data(), sendBuffer.size(), sendStatus);
}

tls::StreamResult ControlChannel::StartTls(const tls::ClientContext& context, const std::string& peerName,
                                           std::shared_ptr<tls::SessionKeeper> sessions) {
    tlsReceived.clear();
    tlsStream = std::make_unique<tls::TlsStream>(context, socket.Fd(), Waiter(), std::move(sessions));
    return tlsStream->Handshake(peerName);
}

tls::SocketWaiter ControlChannel::Waiter() {
    return [this](int fd, short events) {
        switch (WaitForServer(fd, events)) {
            case WaitOutcome::Ready:
                return net::WaitStatus::Ready;
            case WaitOutcome::Woken:
                return net::WaitStatus::Woken;
            case WaitOutcome::TimedOut:
                return net::WaitStatus::TimedOut;
            case WaitOutcome::Failed:
                break;
        }
        return net::WaitStatus::Failed;
    };
}

ReplyClass ControlChannel::SendCommand(const std::string& text) {
    replyCode = 0;
    if (const char* reason = RefusalReason(text)) {
        // Refused before anything reaches the server; the connection stays usable.
        LogF("%s", reason);
        return kNotSent;
    }
    if (text.compare(0, 5, "PASS ") == 0) {
        LogF("Quillmoor: PASS xxxxxx");
    } else {
        LogF("Quillmoor: %s", text.c_str());
    }
    ReplyClass result = kNotSent;
    if (!socket.IsOpen()) {
        LogF("Connection not established.");
    } else if (SendLine(text) != -1) {
        result = ReadReply();
    }
    if (result == kNotSent) connected = 0;
    return result;
}

ReplyClass ControlChannel::Command(const char* format, ...) {
    char line[kCommandCapacity + 1];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (length < 0 || static_cast<std::size_t>(length) > kCommandCapacity) {
        // A cut name could act on another file, so a long command is refused whole.
        replyCode = 0;
        LogF("Refused to send a command longer than %zu characters.", kCommandCapacity);
        return kNotSent;
    }
    return SendCommand(line);
}

void ControlChannel::CloseSocket(net::Socket& target) {
    if (!target.IsOpen()) return;
    // A stopped worker touches no socket again: the cancel sequence closes
    // them all once the worker has been joined.
    if (stopRequested.load()) return;
    const unsigned number = static_cast<unsigned>(target.Fd());
    if (const int error = target.Close(); error != 0) {
        LogSocketError("CloseSocket", net::SocketErrorFromErrno(error));
        LogF("[%u] Failed to close socket.", number);
        return;
    }
    LogF("[%u] Socket closed.", number);
}

void ControlChannel::LogStatistics(const char* verb, std::int64_t bytes, std::int64_t seconds) {
    const std::int64_t rate = bytes / (seconds != 0 ? seconds : 1);
    LogF("%sed %lld characters in %lld seconds (%lld bytes/sec)", verb, static_cast<long long>(bytes),
         static_cast<long long>(seconds), static_cast<long long>(rate));
}

void ControlChannel::AppendLogLine(const std::string& line) {
    // A stopped worker must leave no trace: while a stop is requested, every
    // line the session would log is dropped here.
    if (stopRequested.load()) return;
    log.Append(CutToCapacity(line, kLogLineCapacity));
}

void ControlChannel::LogF(const char* format, ...) {
    // Formatted whole first, so that the cut sees where characters end.
    char line[1024];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (length < 0) return;
    AppendLogLine(line);
}

void ControlChannel::LogSocketError(const char* prefix, int code) {
    if (prefix == nullptr) {
        AppendLogLine(SocketErrorText(code));
    } else {
        AppendLogLine(std::string(prefix) + ": " + SocketErrorText(code));
    }
}

ControlChannel::WaitOutcome ControlChannel::WaitForServer(int fd, short events) {
    const int seconds = timeoutSeconds;
    std::chrono::milliseconds limit = std::chrono::seconds(seconds > 0 ? seconds : 0);
    // Inside a reply the wait also ends where the whole reply is overdue.
    if (timeoutSeconds > 0 && replyDeadline != std::chrono::steady_clock::time_point{}) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(replyDeadline - std::chrono::steady_clock::now());
        limit = std::clamp(left, std::chrono::milliseconds(1), limit);
    }
    switch (net::WaitForSocket(fd, events, wake.Fd(), limit)) {
        case net::WaitStatus::Ready:
            return WaitOutcome::Ready;
        case net::WaitStatus::Woken:
            abortFlag = 1;
            return WaitOutcome::Woken;
        case net::WaitStatus::TimedOut:
            LogTimeLimit();
            abortFlag = 1;
            return WaitOutcome::TimedOut;
        case net::WaitStatus::Failed:
            break;
    }
    return WaitOutcome::Failed;
}

ControlChannel::WaitOutcome ControlChannel::WaitReadable(int fd) { return WaitForServer(fd, POLLIN); }

ControlChannel::WaitOutcome ControlChannel::WaitWritable(int fd) { return WaitForServer(fd, POLLOUT); }

int ControlChannel::WaitErrorCode(WaitOutcome outcome) {
    switch (outcome) {
        case WaitOutcome::Ready:
            return 0;
        case WaitOutcome::Woken:
            return net::kErrorCancelled;
        case WaitOutcome::TimedOut:
            return net::kErrorTimedOut;
        case WaitOutcome::Failed:
            break;
    }
    return net::LastSocketError();
}

void ControlChannel::LogTimeLimit() {
    timeLimitsReached.fetch_add(1);
    LogF("Timed out after %d second%s waiting for the server.", timeoutSeconds,
         timeoutSeconds == 1 ? "" : "s");
}

void ControlChannel::RequestStop() {
    stopRequested.store(true);
    wake.Signal();
}

void ControlChannel::ClearStop() {
    wake.Reset();
    stopRequested.store(false);
}
