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

constexpr std::size_t kPeekSize = 82;
constexpr std::size_t kLineCutLength = 4000;
constexpr std::size_t kLongestSendableLine = ControlChannel::kReplyCapacity - 2;  // room for CR LF
// Lines of one reply that reach the log; a longer reply is read on but not logged.
constexpr std::size_t kLoggedReplyLines = 1000;
// Lines of one reply kept for a caller that reads them (the FEAT list); a
// server has no more features than this to tell.
constexpr std::size_t kCollectedReplyLines = 200;
// Lines after which a reply that still has not ended is given up.
constexpr std::size_t kLongestReply = 100000;

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

// Peeks at what waits on the control socket (never consuming it) after
// waiting for it within the time limit. Returns the byte count, 0 at the end
// of the stream, -1 on failure with errorCode set.
long ControlChannel::PeekControl(char* into, int& errorCode) {
    if (tlsStream) return PeekSecured(into, errorCode);
    for (;;) {
        const WaitOutcome outcome = WaitReadable(socket.Fd());
        if (outcome != WaitOutcome::Ready) {
            errorCode = WaitErrorCode(outcome);
            return -1;
        }
        ssize_t count = recv(socket.Fd(), into, kPeekSize, MSG_PEEK | MSG_DONTWAIT);
        if (count >= 0) return count;
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
        errorCode = net::LastSocketError();
        return -1;
    }
}

// Over TLS the decrypted bytes wait in tlsReceived; a peek shows their start,
// reading another record only when none are left.
long ControlChannel::PeekSecured(char* into, int& errorCode) {
    if (tlsReceived.empty()) {
        char record[kReplyCapacity];
        const tls::StreamResult read = tlsStream->Read(record, sizeof record);
        switch (read.status) {
            case tls::StreamStatus::Ok:
                tlsReceived.assign(record, read.bytes);
                break;
            case tls::StreamStatus::Closed:
            case tls::StreamStatus::Truncated:
                return 0;
            case tls::StreamStatus::Cancelled:
                errorCode = net::kErrorCancelled;
                return -1;
            case tls::StreamStatus::TimedOut:
                errorCode = net::kErrorTimedOut;
                return -1;
            case tls::StreamStatus::Failed:
                LogF("Recv: %s", read.message.c_str());
                errorCode = net::kErrorConnectionReset;
                return -1;
        }
    }
    const std::size_t count = std::min(tlsReceived.size(), kPeekSize);
    tlsReceived.copy(into, count);
    return static_cast<long>(count);
}

long ControlChannel::TakeControl(char* into, std::size_t count, int& errorCode) {
    if (tlsStream) {
        count = std::min(count, tlsReceived.size());
        tlsReceived.copy(into, count);
        tlsReceived.erase(0, count);
        return static_cast<long>(count);
    }
    const ssize_t got = recv(socket.Fd(), into, count, MSG_DONTWAIT);
    if (got < 0) errorCode = net::LastSocketError();
    if (got == 0) errorCode = net::kErrorConnectionReset;
    return static_cast<long>(got);
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

int ControlChannel::ReadLine() {
    if (!socket.IsOpen()) return 0;
    BusyGuard busy(busyCount);
    replyText.clear();
    readFailure.clear();
    // After an abort every reply read ends at once.
    if (abortFlag) return 421;

    char line[kReplyCapacity];
    std::size_t length = 0;
    int errorCode = 0;
    bool complete = false;
    long peeked = PeekControl(line, errorCode);
    while (peeked > 0) {
        std::size_t take = static_cast<std::size_t>(peeked);
        for (std::size_t i = 0; i < static_cast<std::size_t>(peeked); ++i) {
            const char c = line[length + i];
            if (c == '\0' || c == '\n' || (crEndsLine && c == '\r')) {
                take = i + 1;
                break;
            }
        }
        // The peeked bytes are there, so this receive takes exactly the count.
        const long got = TakeControl(line + length, take, errorCode);
        if (got <= 0) {
            peeked = -1;
            break;
        }
        length += static_cast<std::size_t>(got);
        const char last = line[length - 1];
        if (last == '\n' || (crEndsLine && last == '\r')) {
            complete = true;
            break;
        }
        if (length >= kLineCutLength) break;  // the rest is read as the next line
        peeked = PeekControl(line + length, errorCode);
    }

    replyText.assign(line, length);
    replyText.resize(std::min(replyText.size(), replyText.find('\0')));
    if (!complete && peeked <= 0) {
        // Any failed read, and the end of the stream, leaves the connection
        // unusable: the reply ends as aborted instead of being read for ever.
        abortFlag = 1;
        if (peeked == 0) {
            readFailure = "The server closed the connection.";
        } else if (errorCode != net::kErrorCancelled && errorCode != net::kErrorTimedOut) {
            readFailure = "Recv: " + SocketErrorText(errorCode);
        }
    }

    int code = 0;
    for (std::size_t i = 0; i < 3 && i < replyText.size() && replyText[i] >= '0' && replyText[i] <= '9';
         ++i) {
        code = code * 10 + (replyText[i] - '0');
    }
    if (abortFlag) code = 421;

    std::size_t keep = replyText.size();
    while (keep > 2 &&
           (replyText[keep - 1] == ' ' || replyText[keep - 1] == '\r' || replyText[keep - 1] == '\n')) {
        --keep;
    }
    replyText.resize(keep);
    return code;
}

// A reply, however many lines it has, must end within the time limit: a
// server that sends continuation lines without end would otherwise hold the
// session for ever and fill the log.
bool ControlChannel::ReplyOverdue(std::size_t lines) {
    const bool overdue = replyDeadline != std::chrono::steady_clock::time_point{} &&
                         std::chrono::steady_clock::now() >= replyDeadline;
    if (lines >= kLongestReply) {
        LogF("Reply cut off after %zu lines: the server does not end it.", lines);
    } else if (!overdue) {
        return false;
    } else if (!abortFlag) {
        LogTimeLimit();  // a wait that ran into the limit has said so already
    }
    // The rest of that reply would be read as the replies to later commands:
    // the connection is given up, as after a lost connection.
    abortFlag = 1;
    connected = 0;
    Shutdown();
    return true;
}

ReplyClass ControlChannel::ReadReply() {
    if (!socket.IsOpen()) return kNoReply;
    BusyGuard busy(busyCount);
    replyDeadline = timeoutSeconds > 0
                        ? std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds)
                        : std::chrono::steady_clock::time_point{};
    for (std::size_t lines = 1;; ++lines) {
        const int code = ReadLine();
        if (lines <= kLoggedReplyLines && (!replyText.empty() || !abortFlag)) LogF("%s", replyText.c_str());
        if (lines == kLoggedReplyLines + 1)
            LogF("Reply longer than %zu lines; the rest is not logged.", kLoggedReplyLines);
        if (!readFailure.empty()) LogF("%s", readFailure.c_str());
        if (replyLines != nullptr && lines <= kCollectedReplyLines) replyLines->push_back(replyText);
        const bool validCode = code >= 100 && code <= 599;
        const bool continued = replyText.size() > 3 && replyText[3] == '-';
        if (!abortFlag && validCode) replyCode = code;
        if (!abortFlag && validCode && !continued) break;
        if (ReplyOverdue(lines) || abortFlag) {
            replyCode = 421;
            break;
        }
    }
    replyDeadline = {};
    busy.Release();
    if (abortFlag) return kAborted;
    return ReplyClassOf(replyCode);
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
