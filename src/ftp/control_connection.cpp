// Sending command lines and reading replies on the control connection.
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "ftp/busy_guard.h"
#include "ftp/ftp_session.h"
#include "ftp/socket_error_text.h"
#include "platform/net/socket_error_codes.h"

namespace {

constexpr std::size_t kPeekSize = 82;
constexpr std::size_t kLineCutLength = 4000;
constexpr std::size_t kLongestSendableLine = FtpSession::kReplyCapacity - 2;  // room for CR LF
// Lines of one reply that reach the log; a longer reply is read on but not logged.
constexpr std::size_t kLoggedReplyLines = 1000;
// Lines of one reply kept for a caller that reads them (the FEAT list); a
// server has no more features than this to tell.
constexpr std::size_t kCollectedReplyLines = 200;
// Lines after which a reply that still has not ended is given up.
constexpr std::size_t kLongestReply = 100000;

}  // namespace

long FtpSession::SendAll(int socket, const char* bytes, std::size_t length, ReplyClass& status) {
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
        ssize_t count = send(socket, bytes + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const WaitOutcome wait = WaitWritable(socket);
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
const char* FtpSession::RefusalReason(const std::string& text) {
    if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        return "Refused to send a command containing a line break.";
    }
    if (text.size() > kLongestSendableLine) return "Refused to send a command that is too long.";
    return nullptr;
}

long FtpSession::SendLine(const std::string& text) {
    if (!controlSocket.IsOpen()) return -1;
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
    ReplyClass sendStatus = kNoReply;
    return SendAll(controlSocket.Fd(), sendBuffer.data(), sendBuffer.size(), sendStatus);
}

// Peeks at what waits on the control socket (never consuming it) after
// waiting for it within the time limit. Returns the byte count, 0 at the end
// of the stream, -1 on failure with errorCode set.
long FtpSession::PeekControl(char* into, int& errorCode) {
    for (;;) {
        const WaitOutcome outcome = WaitReadable(controlSocket.Fd());
        if (outcome != WaitOutcome::Ready) {
            errorCode = WaitErrorCode(outcome);
            return -1;
        }
        ssize_t count = recv(controlSocket.Fd(), into, kPeekSize, MSG_PEEK | MSG_DONTWAIT);
        if (count >= 0) return count;
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
        errorCode = net::LastSocketError();
        return -1;
    }
}

int FtpSession::ReadLine() {
    if (!controlSocket.IsOpen()) return 0;
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
        ssize_t got = recv(controlSocket.Fd(), line + length, take, MSG_DONTWAIT);
        if (got <= 0) {
            errorCode = got < 0 ? net::LastSocketError() : net::kErrorConnectionReset;
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
bool FtpSession::ReplyOverdue(std::size_t lines) {
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
    shutdown(controlSocket.Fd(), SHUT_RDWR);
    return true;
}

ReplyClass FtpSession::ReadReply() {
    if (!controlSocket.IsOpen()) return kNoReply;
    BusyGuard busy(busyCount);
    replyDeadline = settings.timeoutSeconds > 0
                        ? std::chrono::steady_clock::now() + std::chrono::seconds(settings.timeoutSeconds)
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

ReplyClass FtpSession::SendCommand(const std::string& text) {
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
    if (!controlSocket.IsOpen()) {
        LogF("Connection not established.");
    } else if (SendLine(text) != -1) {
        result = ReadReply();
    }
    if (result == kNotSent) connected = 0;
    return result;
}

ReplyClass FtpSession::Command(const char* format, ...) {
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

void FtpSession::CloseSocket(net::Socket& socket) {
    if (!socket.IsOpen()) return;
    // A stopped worker touches no socket again: the cancel sequence closes
    // them all once the worker has been joined.
    if (stopRequested.load()) return;
    const unsigned number = static_cast<unsigned>(socket.Fd());
    if (const int error = socket.Close(); error != 0) {
        LogSocketError("CloseSocket", net::SocketErrorFromErrno(error));
        LogF("[%u] Failed to close socket.", number);
        return;
    }
    LogF("[%u] Socket closed.", number);
}

void FtpSession::CloseAll() {
    CloseSocket(controlSocket);
    CloseSocket(dataSocket);
    CloseSocket(listenSocket);
    busyCount = 0;
    connected = 0;
}

void FtpSession::LogStatistics(const char* verb, std::int64_t bytes, std::int64_t seconds) {
    const std::int64_t rate = bytes / (seconds != 0 ? seconds : 1);
    LogF("%sed %lld characters in %lld seconds (%lld bytes/sec)", verb, static_cast<long long>(bytes),
         static_cast<long long>(seconds), static_cast<long long>(rate));
}
