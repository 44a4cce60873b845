// Uploads: a regular local file sent over the data connection.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>

#include "ftp/ascii_line_ends.h"
#include "ftp/busy_guard.h"
#include "ftp/progress_publisher.h"
#include "ftp/file_transfer.h"

namespace {

// Uploads go out in large blocks: each send() is a system call, and the bytes
// on the wire are the same whatever the block size.
constexpr std::size_t kSendBlockSize = 256 * 1024;

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

// Bytes read (0 at the end), or -1 with errno on a read error.
long ReadLocal(int fd, char* into, std::size_t capacity) {
    ssize_t got;
    do {
        got = read(fd, into, capacity);
    } while (got < 0 && errno == EINTR);
    return static_cast<long>(got);
}

}  // namespace

// Opens a local file for an upload. Only a regular file qualifies: a pipe
// would block the worker beyond the reach of Cancel, a directory has nothing
// to send. Returns the descriptor.
Result<int> FileTransfer::OpenForUpload(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Error::FromSystem("open " + path, errno);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        close(fd);
        return Error::FromSystem("open " + path, error);
    }
    return fd;
}

ReplyClass FileTransfer::RunStore() {
    switch (StartTransfer(false)) {
        case DataOpening::Open:
            break;
        case DataOpening::NotConnected:
            return kNoReply;
        case DataOpening::AlreadyComplete:
            return kComplete;
        case DataOpening::NotResumable:
        case DataOpening::Unreadable:
        case DataOpening::Unwritable:
            return kPermanent;
        // A failed upload stops the walk it belongs to.
        case DataOpening::Busy:
        case DataOpening::Refused:
            status.stopWalk = 1;
            return kNoReply;
        case DataOpening::NoListener:
        case DataOpening::NotAccepted:
            status.stopWalk = 1;
            return kPermanent;
    }
    const ReplyClass sent = SendFile(request.localPath);
    dataStream->Close();
    if (sent == kAborted) return kAborted;
    const ReplyClass reply = control.ReadReply();
    // The reply is read all the same, to stay in step with the server; a file
    // that did not go out whole is a failed upload, whatever the server says.
    return sent == kComplete ? reply : kPermanent;
}

ReplyClass FileTransfer::SendFile(const std::string& path) {
    if (!DataConnectionOpen() || !connected) return kPermanent;
    BusyGuard busy(control.BusyCount());
    const Result<int> opened = OpenForUpload(path);
    if (!opened) {
        ReportFailure(opened.Failure());
        return kPermanent;
    }
    const int fd = opened.Value();
    const std::int64_t start = Now();
    ReplyClass sendStatus = kComplete;
    struct stat info {};
    const std::int64_t size = fstat(fd, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : 0;
    SetExpectedBytes(size);
    // A continued upload sends from where the remote file ends.
    if (restartOffset > 0 && lseek(fd, restartOffset, SEEK_SET) < 0) {
        LocalFileFailed("read " + path, errno);
        close(fd);
        return kPermanent;
    }
    control.LogF("Transferring %lld bytes", static_cast<long long>(size - restartOffset));

    const bool convertLineEnds = request.type == 'A';
    std::unique_ptr<char[]> block(new char[kSendBlockSize]);
    std::unique_ptr<char[]> converted(convertLineEnds ? new char[2 * kSendBlockSize] : nullptr);
    AsciiSendConverter ascii;
    ProgressPublisher progress(status, ui);
    std::int64_t count = restartOffset;
    for (;;) {
        const long length = ReadLocal(fd, block.get(), kSendBlockSize);
        if (length < 0) {
            LocalFileFailed("read " + path, errno);
            sendStatus = kPermanent;
        }
        if (length <= 0 || control.Aborted()) break;
        const char* wire = block.get();
        std::size_t wireLength = static_cast<std::size_t>(length);
        if (convertLineEnds) {
            wireLength = ascii.Convert(block.get(), wireLength, converted.get());
            wire = converted.get();
        }
        dataStream->Send(wire, wireLength, sendStatus);
        if (sendStatus != kComplete) break;
        count += length;
        if (progress.Due()) progress.Publish(std::max<std::int64_t>(0, count - dataStream->Unacknowledged()));
    }
    close(fd);
    if (sendStatus == kComplete && control.Aborted()) sendStatus = kAborted;
    if (sendStatus == kComplete) sendStatus = dataStream->Finish(count, progress);

    if (sendStatus == kPermanent) {
        control.LogF("Error on Transfer, aborted");
        return kPermanent;
    }
    if (sendStatus == kAborted) {
        control.LogF("Transfer aborted by User");
        return kAborted;
    }
    control.LogStatistics("Transmit", count - restartOffset, Now() - start);
    return kComplete;
}
