// Incoming and outgoing file transfers over a data connection.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <memory>

#include "ftp/ascii_line_ends.h"
#include "ftp/busy_guard.h"
#include "ftp/listing_budget.h"
#include "ftp/progress_publisher.h"
#include "ftp/remote_operations.h"
#include "ftp/file_transfer.h"
#include "platform/net/socket_error_codes.h"

namespace {

constexpr std::size_t kReceiveSize = 4000;

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

// The code at the start of a reply ("150 Opening ..."), or 0.
int ReplyCodeOf(const std::string& reply) {
    if (reply.size() < 3 ||
        !std::all_of(reply.begin(), reply.begin() + 3, [](unsigned char c) { return std::isdigit(c) != 0; }))
        return 0;
    return std::stoi(reply.substr(0, 3));
}

// A whole number of bytes as a size fact or reply gives it, or -1.
std::int64_t SizeFromDigits(const std::string& text) {
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return -1;
    return std::stoll(text);
}

}  // namespace

FileTransfer::FileTransfer(ControlChannel& control, const Login& login, const std::atomic<int>& connected,
                     TransferStatus& status, DataOpener& activeOpener, DataOpener& passiveOpener,
                     ConnectionProtection& protection)
    : control(control),
      login(login),
      connected(connected),
      status(status),
      activeOpener(activeOpener),
      passiveOpener(passiveOpener),
      protection(protection) {
    // A pipe that a download writes into is waited on like a socket: Cancel
    // and the time limit end the wait.
    partialDownload.SetWaitForRoom(
        [this](int fd) { return this->control.WaitWritable(fd) == WaitOutcome::Ready; });
    // Noted by the worker, logged once the transfer is over: a cancelled
    // worker's own log lines are silenced.
    partialDownload.SetKeptNotice([this](const std::string& path, std::int64_t bytes) {
        keptPartialPath = path;
        keptPartialBytes = bytes;
    });
}

void FileTransfer::ForgetServer() {
    sizeCommandUnknown = false;
    mdtmUnknown = false;
    verifier.ForgetServer();
    dataModeInUse = login.Settings().dataMode;
}

std::int64_t FileTransfer::FileSize(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

void FileTransfer::ParseSizeFromReply() { ParseSizeFromReply(control.ReplyText()); }

void FileTransfer::ParseSizeFromReply(const std::string& reply) {
    // After REST servers differ in whether they announce the whole file or
    // the rest; SIZE has given the whole.
    if (restartOffset > 0) return;
    std::string upper = reply;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    std::size_t marker = upper.find(" BYTES");
    if (marker == std::string::npos) return;
    std::size_t end = marker;
    while (end > 0 && upper[end - 1] == ' ') --end;
    std::size_t begin = end;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(upper[begin - 1]))) --begin;
    // "-5 bytes" is no size, not 5.
    if (begin > 0 && upper[begin - 1] == '-') return;
    // More digits than a 64-bit size can hold are not a size.
    if (begin == end || end - begin > 18) return;
    std::int64_t size = std::stoll(upper.substr(begin, end - begin));
    if (size <= 0) return;
    announcedSizes.FromOpeningReply(size, ReplyCodeOf(reply));
    SetExpectedBytes(size);
}

void FileTransfer::SetExpectedBytes(std::int64_t size) {
    {
        TransferStatusLock lock(status);
        status.expectedBytes = size;
        status.totalKnown = true;
    }
    if (ui != nullptr) ui->ProgressChanged();
}

// Asks the size of a file about to be retrieved, so that progress has a total
// even when the 150 reply announces none. A server without SIZE (500, 502) is
// not asked again on this connection; any other refusal only leaves this
// file's size unknown. A walk's MLSD listing may have given the size
// already; it stands in for a SIZE that has no answer.
void FileTransfer::AskRemoteSize(const std::string& remoteName) {
    const std::int64_t size = RemoteFileSize(remoteName);
    const std::int64_t listed = SizeFromDigits(listedSize);
    if (size >= 0) announcedSizes.FromSizeCommand(size);
    if (listed >= 0) announcedSizes.FromListing(listed);
    if (size >= 0 || listed >= 0) SetExpectedBytes(size >= 0 ? size : listed);
}

std::int64_t FileTransfer::RemoteFileSize(const std::string& remoteName) {
    if (sizeCommandUnknown) return -1;
    if (control.SendCommand("SIZE " + remoteName) == kComplete && control.ReplyCode() == 213)
        return SizeFromSizeReply(control.ReplyText());
    if (control.ReplyCode() == 500 || control.ReplyCode() == 502) sizeCommandUnknown = true;
    return -1;
}

bool FileTransfer::SendTypeCommand(char type) {
    const ReplyClass reply = type == 'L' ? control.Command("TYPE L 8") : control.Command("TYPE %c", type);
    return reply == kComplete;
}

void FileTransfer::SoundBeep(EngineUi::BeepKind kind) {
    // Listings make no sound.
    if (!request.IsListing() && ui != nullptr) ui->Beep(kind);
}

// The checks and the TYPE command that every transfer starts with, then the
// data connection. Downloads and uploads word their refusals differently.
FileTransfer::DataOpening FileTransfer::StartTransfer(bool incoming) {
    control.ClearReplyCode();
    restartOffset = 0;
    announcedSizes.Clear();
    if (!control.IsOpen()) {
        control.LogF("%s", incoming ? "Socket not connected." : "Socket is not connected!");
        return DataOpening::NotConnected;
    }
    if (control.Busy()) {
        control.LogF("%s", incoming ? "Currently in process." : "Currently processing a command.");
        return DataOpening::Busy;
    }
    if (incoming) {
        // A local file that cannot be made (or a target that must not be
        // written) is found out before the server is asked for anything.
        if (!request.IsListing() && !CreateLocalFile(request.localPath)) return DataOpening::Unwritable;
    } else {
        // Refused before anything reaches the server: sending an unreadable
        // file anyway would replace the remote file with an empty one.
        const Result<int> probe = OpenForUpload(request.localPath);
        if (!probe) {
            ReportFailure(probe.Failure());
            return DataOpening::Unreadable;
        }
        close(probe.Value());
    }
    // A file sent in a type the server did not take would arrive altered (a
    // binary file's line ends converted); a listing reads the same either way.
    if (!SendTypeCommand(request.type) && !request.IsListing()) {
        if (control.Aborted() || control.StopRequested()) return DataOpening::Refused;
        control.LogF("The server refused TYPE %c; the file is not transferred, as it would arrive altered.",
                     request.type);
        return DataOpening::Refused;
    }
    if (incoming && request.IsDownload()) {
        AskRemoteSize(request.remoteName);
        PlanResumedDownload();
    } else if (!incoming && resumeTransfers) {
        const DataOpening plan = PlanResumedUpload();
        if (plan != DataOpening::Open) return plan;
    }
    // Cancel during TYPE or SIZE: no listener is opened for a stopped worker.
    if (control.StopRequested()) return DataOpening::Refused;
    return OpenDataConnection(incoming);
}

// A stopped worker leaves its sockets to the cancel sequence.
void FileTransfer::CloseAfterReceiving(bool aborted) {
    const bool stopped = control.StopRequested();
    if (aborted) {
        if (!stopped) dataStream->Shutdown();
    } else if (const int error = stopped ? 0 : dataStream->Shutdown(); error != 0) {
        control.LogSocketError("ShutDown", error);
    }
    dataStream->Close();
}

bool FileTransfer::CreateLocalFile(const std::string& path) {
    // ASCII downloads are converted as they arrive, so their bytes cannot be
    // counted against the server's for a restart: they keep no partial file,
    // and neither do listings.
    const bool keepsPartial = request.type != 'A' && request.IsDownload();
    const int error =
        keepsPartial ? partialDownload.CreateKept(path, resumeTransfers) : partialDownload.Create(path);
    if (error == 0) return true;
    if (!partialDownload.Refusal().empty()) {
        NoteFailure(Error(Error::Category::Local, "Could not create " + path));
        control.LogF("%s", partialDownload.Refusal().c_str());
    } else {
        LocalFileFailed("create " + path, error);
    }
    return false;
}

ReplyClass FileTransfer::RunRetrieve() {
    const DataOpening opening = StartTransfer(true);
    if (opening != DataOpening::Open) {
        partialDownload.Discard();
        return opening == DataOpening::Unwritable ? kPermanent : kNoReply;
    }
    ReplyClass received = ReceiveFile(request.localPath);
    CloseAfterReceiving(received == kAborted);
    if (received == kAborted) {
        partialDownload.Discard();
        return kAborted;
    }
    ReplyClass reply = control.ReadReply();
    // Only a complete transfer that the server confirms replaces the local file.
    if (received == kComplete && reply == kComplete && !control.StopRequested()) {
        if (!DownloadPassesCheck()) {
            received = kPermanent;  // set aside or discarded already
        } else if (const PartialDownload::Failure failure = partialDownload.Commit(); failure.error != 0) {
            LocalFileFailed(failure.step, failure.error);
            received = kPermanent;
        } else {
            KeepRemoteModificationTime();
        }
    } else {
        partialDownload.Discard();
    }
    // A file that could not be created or written, or data that broke off, is
    // a failed download, whatever the server says about its side.
    if (received == kPermanent || (received != kComplete && reply == kComplete)) return kPermanent;
    return reply;
}

ReplyClass FileTransfer::ReceiveFile(const std::string& path) {
    if (!DataConnectionOpen() || !connected) return kNoReply;
    BusyGuard busy(control.BusyCount());
    control.ClearAbort();
    // Retrieve has made the local file already; a direct call makes it here.
    if (!request.IsListing() && !partialDownload.IsOpen() && !CreateLocalFile(path)) return kPermanent;

    AsciiReceiveConverter ascii;
    const bool convertLineEnds = request.type == 'A';
    // Only a listing is bounded here: a file is as long as it is, but a
    // listing that does not end is a server that will not stop.
    ListingBudget budget(login.Settings().listingLimits);
    ListingBudget::Overrun overrun = ListingBudget::Overrun::None;
    ProgressPublisher progress(status, ui);
    std::int64_t count = 0;
    int errorCode = 0;
    int writeError = 0;
    long got = 0;
    const std::int64_t start = Now();
    dataStream->SetAnnouncedLength(AnnouncedDataLength());
    const std::int64_t readLimit = announcedSizes.ReadLimit(convertLineEnds);
    bool stoppedAtLimit = false;
    while (!control.Aborted()) {
        std::size_t wanted = kReceiveSize;
        if (readLimit >= 0) {
            const std::int64_t left = readLimit - (restartOffset + count);
            stoppedAtLimit = left <= 0;
            if (stoppedAtLimit) break;
            wanted = static_cast<std::size_t>(std::min<std::int64_t>(left, kReceiveSize));
        }
        // Received straight into the file's write buffer; the spare byte is
        // for a CR that the ASCII converter held back from the last read.
        char* room = ReserveRoom(kReceiveSize + 1, writeError);
        if (room == nullptr) break;
        got = dataStream->Receive(room, wanted, errorCode);
        if (got <= 0) break;
        const std::size_t length = static_cast<std::size_t>(got);
        if (request.IsListing() && (overrun = budget.Take(room, length)) != ListingBudget::Overrun::None)
            break;
        KeepReceived(convertLineEnds ? ascii.Convert(room, length) : length);
        count += got;
        progress.Update(restartOffset + count);
    }
    progress.Publish(restartOffset + count);
    if (convertLineEnds && got == 0 && writeError == 0) {
        if (char* room = ReserveRoom(1, writeError)) KeepReceived(ascii.Finish(room));
    }
    const std::int64_t seconds = Now() - start;

    if (overrun != ListingBudget::Overrun::None) {
        control.LogF("%s", budget.Describe(overrun).c_str());
        listingOverran = true;
        partialDownload.Discard();
        return kPermanent;
    }
    if (control.Aborted() && partialDownload.IsOpen()) {
        const bool keepsPartial = !partialDownload.KeptPath().empty();
        partialDownload.Discard();
        if (!keepsPartial) control.LogF("Delete partially downloaded file");
    }
    if (writeError != 0) {
        // A full disk must not pass for a finished download.
        LocalFileFailed("write " + path, writeError);
        partialDownload.Discard();
        return kPermanent;
    }
    if (got < 0) {
        control.LogSocketError("Recv", errorCode);
        if (count == 0) SoundBeep(EngineUi::BeepKind::Warning);
        return kNoReply;  // broken off: the server's reply decides how it ended
    }
    control.LogStatistics("Receiv", count, seconds);
    if (!control.Aborted() && !ReceivedAllAnnounced(restartOffset + count, stoppedAtLimit)) return kPermanent;
    SoundBeep(EngineUi::BeepKind::Default);
    return control.Aborted() ? kAborted : kComplete;
}

// In image and L 8 modes the bytes on the wire are the file, so they must
// come to every size the download was announced with: fewer mean the data
// connection ended early, more that the file changed (a log that grows) or
// that the server sent it from its start after REST. ASCII sizes differ with
// the line ends and are held only to the read limit.
bool FileTransfer::ReceivedAllAnnounced(std::int64_t count, bool stoppedAtLimit) {
    if (!announcedSizes.Known()) return true;
    const long long smallest = announcedSizes.Smallest();
    const long long largest = announcedSizes.Largest();
    // After REST the excess is the server's doing, not a growing file: the
    // partial file is now longer than the remote one, so the next try starts afresh.
    const char* hint = restartOffset > 0 ? "." : ": the file may be growing on the server.";
    if (stoppedAtLimit) {
        control.LogF("Received more than the %lld bytes announced; stopped after %lld%s", smallest,
                     static_cast<long long>(count), hint);
    } else if (request.type == 'A' || (count >= largest && count <= smallest)) {
        return true;
    } else if (count < largest) {
        control.LogF("Received %lld of the %lld bytes announced: the download is incomplete.",
                     static_cast<long long>(count), largest);
    } else {
        control.LogF("Received %lld bytes, more than the %lld announced%s", static_cast<long long>(count),
                     smallest, hint);
    }
    if (const std::string disagreement = announcedSizes.Disagreement(count); !disagreement.empty())
        control.LogF("%s", disagreement.c_str());
    if (count > smallest && restartOffset == 0)
        NoteFailure(
            Error(Error::Category::Protocol,
                  "More data arrived than the " + std::to_string(smallest) + " bytes announced" + hint));
    return false;
}

void FileTransfer::ReportFailure(Error failure) {
    control.LogF("%s", failure.message.c_str());
    NoteFailure(std::move(failure));
}
