// Continuing downloads and uploads that broke off, and giving downloaded
// files the server's modification time. The decisions themselves are in
// resume_plan.* and modification_time.*; this is where a transfer asks the
// server and acts on the answers.
#include <cerrno>

#include "ftp/resume_plan.h"
#include "ftp/socket_error_text.h"
#include "ftp/file_transfer.h"

// Called once SIZE has been asked: a kept partial file opened to resume is
// continued from its end unless it cannot be the beginning of the remote file.
void FileTransfer::PlanResumedDownload() {
    if (resumeTransfers && request.type == 'A')
        control.LogF("Only binary downloads are continued; downloading whole.");
    const std::int64_t partialSize = partialDownload.ResumeOffset();
    if (partialSize == 0) return;
    std::int64_t remoteSize = -1;
    {
        TransferStatusLock lock(status);
        if (status.totalKnown) remoteSize = status.expectedBytes;
    }
    const DownloadResumePlan plan = PlanDownloadResume(partialSize, remoteSize);
    if (plan.start == DownloadResumePlan::Start::FromOffset) {
        restartOffset = plan.offset;
        control.LogF("Continuing %s from byte %lld.", partialDownload.KeptPath().c_str(),
                     static_cast<long long>(restartOffset));
        return;
    }
    control.LogF("%s is larger than the remote file; downloading it whole.",
                 partialDownload.KeptPath().c_str());
    // Only logged: the download goes on, whole, into the file as it is.
    if (int error = partialDownload.Restart()) {
        control.LogF("Could not write %s: %s", partialDownload.KeptPath().c_str(),
                     SystemErrorText(error).c_str());
    }
}

// SIZE decides whether there is anything to continue. An upload that cannot be
// continued (the remote file is larger) is refused rather than overwritten.
FileTransfer::DataOpening FileTransfer::PlanResumedUpload() {
    const std::string& remoteName = request.remoteName;
    const std::string& localPath = request.localPath;
    if (request.type == 'A') {
        control.LogF("Only binary uploads are continued; sending %s whole.", remoteName.c_str());
        return DataOpening::Open;
    }
    const std::int64_t localSize = FileSize(localPath);
    const std::int64_t remoteSize = RemoteFileSize(remoteName);
    switch (PlanUploadResume(localSize, remoteSize)) {
        case UploadResumePlan::SendWhole:
            return DataOpening::Open;
        case UploadResumePlan::SendFromOffset:
            restartOffset = remoteSize;
            control.LogF("Continuing the upload of %s from byte %lld.", remoteName.c_str(),
                         static_cast<long long>(restartOffset));
            return DataOpening::Open;
        case UploadResumePlan::NothingToDo:
            control.LogF("%s is complete on the server already (%lld bytes); nothing sent.",
                         remoteName.c_str(), static_cast<long long>(remoteSize));
            return DataOpening::AlreadyComplete;
        case UploadResumePlan::RemoteLarger:
            break;
    }
    control.LogF("The remote file %s (%lld bytes) is larger than %s (%lld bytes); not continued.",
                 remoteName.c_str(), static_cast<long long>(remoteSize), localPath.c_str(),
                 static_cast<long long>(localSize));
    NoteFailure(Error(Error::Category::Local, "The remote file is larger than " + localPath));
    return DataOpening::NotResumable;
}

// The transfer command, preceded by REST when the transfer continues. A
// server that refuses REST gets the whole download, or the rest of the
// upload by APPE (which needs no offset: it appends at the remote end).
ReplyClass FileTransfer::SendTransferCommand() {
    if (restartOffset > 0 && !request.append &&
        control.SendCommand("REST " + std::to_string(restartOffset)) != kContinue) {
        if (control.StopRequested()) return kAborted;
        if (request.IsUpload()) {
            control.LogF("The server refused REST; appending the rest with APPE.");
            request.append = true;
        } else {
            control.LogF("The server refused REST; downloading the whole file.");
            restartOffset = 0;
            if (int error = partialDownload.Restart()) {
                LocalFileFailed("write " + request.localPath, error);
                return kPermanent;
            }
        }
    }
    return control.SendCommand(TransferCommandText(request));
}

// After a download the server confirmed. A walk's MLSD listing gave the time
// already; otherwise MDTM is asked. A time that cannot be had or set costs a
// log line at most, never the download.
void FileTransfer::KeepRemoteModificationTime() {
    if (!login.Settings().keepModificationTimes || !request.IsDownload()) return;
    const std::string& localPath = request.localPath;
    std::optional<ServerTime> time;
    if (!listedModification.empty()) time = ParseServerTime(listedModification);
    if (!time) time = AskModificationTime(request.remoteName);
    if (!time) return;
    const int error = SetModificationTime(localPath, *time);
    // A pipe or device written into has no time of its own to keep.
    if (error != 0 && error != EINVAL) {
        control.LogF("Could not set the modification time of %s: %s", localPath.c_str(),
                     SystemErrorText(error).c_str());
    }
}

// A server whose FEAT listed features but not MDTM is not asked; one that
// listed none is asked until it answers 500 or 502.
std::optional<ServerTime> FileTransfer::AskModificationTime(const std::string& remoteName) {
    if (mdtmUnknown || (login.Features().Listed() && !login.Features().Offers("MDTM"))) return std::nullopt;
    if (control.SendCommand("MDTM " + remoteName) != kComplete) {
        if (control.ReplyCode() == 500 || control.ReplyCode() == 502) mdtmUnknown = true;
        return std::nullopt;
    }
    std::optional<ServerTime> time = TimeFromMdtmReply(control.ReplyText());
    if (!time) control.LogF("The reply to MDTM is not a time; the file keeps its local time.");
    return time;
}

void FileTransfer::LogKeptPartial() {
    if (keptPartialPath.empty()) return;
    control.LogF("Kept the %lld bytes received in %s.", static_cast<long long>(keptPartialBytes),
                 keptPartialPath.c_str());
    keptPartialPath.clear();
}
