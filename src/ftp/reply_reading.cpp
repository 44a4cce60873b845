#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "ftp/busy_guard.h"
#include "ftp/control_channel.h"
#include "ftp/socket_error_text.h"
#include "platform/net/socket_error_codes.h"

// Reading the server's replies on the control connection: line by line, each
// line bounded, each reply bounded in lines and in time.

namespace {

constexpr std::size_t kPeekSize = 82;
constexpr std::size_t kLineCutLength = 4000;
// Lines of one reply that reach the log; a longer reply is read on but not logged.
constexpr std::size_t kLoggedReplyLines = 1000;
// Lines of one reply kept for a caller that reads them (the FEAT list); a
// server has no more features than this to tell.
constexpr std::size_t kCollectedReplyLines = 200;
// Lines after which a reply that still has not ended is given up.
constexpr std::size_t kLongestReply = 100000;

}  // namespace

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
