#include "ftp/ftp_session.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "ftp/bounded_text.h"
#include "ftp/socket_error_text.h"
#include "platform/net/socket_error_codes.h"
#include "platform/net/socket_wait.h"

FtpSession::FtpSession(LogQueue& log, TransferStatus& status) : log(log), status(status) {
    // A pipe that a download writes into is waited on like a socket: Cancel
    // and the time limit end the wait.
    partialDownload.SetWaitForRoom([this](int fd) { return WaitWritable(fd) == WaitOutcome::Ready; });
    // Noted by the worker, logged once the transfer is over: a cancelled
    // worker's own log lines are silenced.
    partialDownload.SetKeptNotice([this](const std::string& path, std::int64_t bytes) {
        keptPartialPath = path;
        keptPartialBytes = bytes;
    });
    std::error_code error;
    std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    if (error) temp = "/tmp";
    // One listing file per session, made by mkstemp: two programs (or two test
    // processes) listing at once must not read each other's directories, and
    // another user cannot plant a file or link under a name known in advance.
    std::string unique = (temp / "quillmoor-listing-XXXXXX").string();
    const int fd = mkstemp(unique.data());
    if (fd >= 0) {
        close(fd);
        tempListingPath = unique;
    } else {
        tempListingPath = (temp / ("quillmoor-listing-" + std::to_string(getpid()) + ".ftp")).string();
    }
}

FtpSession::~FtpSession() {
    if (worker.joinable()) {
        RequestStop();
        worker.join();
        ClearStop();
    }
    if (listingFile != nullptr) std::fclose(listingFile);
    std::remove(tempListingPath.c_str());
}

void FtpSession::AppendLogLine(const std::string& line) {
    // A stopped worker must leave no trace: while a stop is requested, every
    // line the session would log is dropped here.
    if (stopRequested.load()) return;
    log.Append(CutToCapacity(line, kLogLineCapacity));
}

void FtpSession::LogF(const char* format, ...) {
    // Formatted whole first, so that the cut sees where characters end.
    char line[1024];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (length < 0) return;
    AppendLogLine(line);
}

void FtpSession::LogSocketError(const char* prefix, int code) {
    if (prefix == nullptr) {
        AppendLogLine(SocketErrorText(code));
    } else {
        AppendLogLine(std::string(prefix) + ": " + SocketErrorText(code));
    }
}

FtpSession::WaitOutcome FtpSession::WaitForServer(int socket, short events) {
    const int seconds = settings.timeoutSeconds;
    std::chrono::milliseconds limit = std::chrono::seconds(seconds > 0 ? seconds : 0);
    // Inside a reply the wait also ends where the whole reply is overdue.
    if (settings.timeoutSeconds > 0 && replyDeadline != std::chrono::steady_clock::time_point{}) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(replyDeadline - std::chrono::steady_clock::now());
        limit = std::clamp(left, std::chrono::milliseconds(1), limit);
    }
    switch (net::WaitForSocket(socket, events, wake.Fd(), limit)) {
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

FtpSession::WaitOutcome FtpSession::WaitReadable(int socket) { return WaitForServer(socket, POLLIN); }

FtpSession::WaitOutcome FtpSession::WaitWritable(int socket) { return WaitForServer(socket, POLLOUT); }

int FtpSession::WaitErrorCode(WaitOutcome outcome) {
    switch (outcome) {
        case WaitOutcome::Ready: return 0;
        case WaitOutcome::Woken: return net::kErrorCancelled;
        case WaitOutcome::TimedOut: return net::kErrorTimedOut;
        case WaitOutcome::Failed: break;
    }
    return net::LastSocketError();
}

void FtpSession::LogTimeLimit() {
    LogF("Timed out after %d second%s waiting for the server.", settings.timeoutSeconds,
         settings.timeoutSeconds == 1 ? "" : "s");
}

void FtpSession::RequestStop() {
    stopRequested.store(true);
    wake.Signal();
}

void FtpSession::ClearStop() {
    wake.Reset();
    stopRequested.store(false);
}
