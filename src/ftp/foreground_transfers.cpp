// Single transfers and the listing, started from the user-interface thread:
// each prepares the session, starts its worker and waits through the UI seam.
#include "ftp/bounded_text.h"
#include "ftp/ftp_session.h"
#include "ftp/temporary_paths.h"
#include "ftp/walk_paths.h"

namespace {

constexpr std::size_t kStatusTextCapacity = 511;

}  // namespace

// 'F' asks the extension table, 'P' asks the user whether to go on at all.
// The Transfer Mode question offers no choice that is read, so a 'P' transfer
// that goes on is sent in binary, which never alters the bytes.
Result<char> FtpSession::ChooseTransferType(const std::string& remoteName) {
    char type = login.Settings().transferMode;
    if (type == 'F') {
        // A walk decides by the table it loaded; a single transfer reads the
        // current one before it writes anything.
        const ExtensionTable* walkTable = walks.ExtensionTableInForce();
        type = walkTable != nullptr ? walkTable->TypeFor(ExtensionKey(remoteName))
                                    : TypeForName(ExtensionKey(remoteName));
    } else if (type == 'P') {
        if (ui != nullptr && !ui->AskTransferMode()) return Error(Error::Category::Cancelled, "Not sent");
        type = 'I';
    }
    return type;
}

// Without a local name a download goes into the download directory; no
// separator is inserted, so the directory should end with one. The name comes
// from the server's listing and must not lead out of it. An upload without a
// local name is sent from the temporary directory.
Result<TransferRequest> FtpSession::RequestFor(TransferRequest::Direction direction,
                                               const std::string& remoteName, const std::string* localFile) {
    const bool upload = direction == TransferRequest::Direction::Upload;
    if (localFile == nullptr && !upload && !IsSafeLocalName(remoteName)) {
        control.LogF("Skipped \"%s\": not a usable local name.", remoteName.c_str());
        return Error(Error::Category::Local, "Not a usable local name");
    }
    std::string path = localFile != nullptr ? *localFile
                       : upload             ? SystemTemporaryDirectory() + remoteName
                                            : login.Settings().downloadDir + LocalNameFor(remoteName);
    const Result<char> type = ChooseTransferType(remoteName);
    if (!type) return type.Failure();
    return TransferRequest::ForFile(direction, remoteName, std::move(path), type.Value());
}

EngineUi::WaitResult FtpSession::WaitForRunningWorker(EngineUi::WaitKind kind, const std::string& text) {
    if (ui == nullptr) {
        JoinWorker();
        return EngineUi::WaitResult::Finished;
    }
    EngineUi::WaitResult result = ui->WaitForWorker(kind, text, status);
    if (result == EngineUi::WaitResult::Finished) JoinWorker();
    return result;
}

TransferOutcome FtpSession::RunFileTransfer(TransferRequest::Direction direction, const std::string& remoteName,
                                            const std::string* localFile) {
    Result<TransferRequest> request = RequestFor(direction, remoteName, localFile);
    if (!request) {
        // Ended before it started: declined by the user, or no usable local name.
        const Error& why = request.Failure();
        const bool declined = why.category == Error::Category::Cancelled;
        return {declined ? TransferOutcome::Kind::Cancelled : TransferOutcome::Kind::LocalError, 0, why.message,
                declined ? kNotSent : kNoReply};
    }
    const std::string notice =
        request.Value().IsUpload() ? std::string() : LocalNameNotice(remoteName, request.Value().localPath);
    if (!notice.empty()) control.LogF("%s", notice.c_str());
    return RunTransfer(std::move(request.Value()));
}

TransferOutcome FtpSession::RunTransfer(TransferRequest request) {
    const bool upload = request.IsUpload();
    const std::string remoteName = request.remoteName;
    transfers.Prepare(std::move(request));
    const std::string text = CutToCapacity((upload ? "Sending " : "Retrieving ") + remoteName +
                                               (upload ? " To " : " From ") + login.Settings().host,
                                           kStatusTextCapacity);
    {
        // Nothing of the previous transfer may show in this one's progress.
        TransferStatusLock lock(status);
        status.expectedBytes = 0;
        status.totalKnown = false;
        status.doneBytes = 0;
    }
    bool cancelled = false;
    TransferOutcome outcome;
    if (workOnCallingThread) {
        // The owner's thread is the connection's: a worker would be a second
        // thread for it, and a wait between the two.
        outcome = upload ? transfers.Store() : transfers.Retrieve();
        cancelled = control.StopRequested();
        TransferStatusLock lock(status);
        status.result = outcome.result;
    } else {
        if (upload) {
            StartUploadWorker();
        } else {
            StartDownloadWorker();
        }
        // A stop requested from another thread while nobody waits through the
        // UI seam ends the same way as a Cancel.
        cancelled = WaitForRunningWorker(EngineUi::WaitKind::TransferStatus, text) ==
                        EngineUi::WaitResult::Cancelled ||
                    control.StopRequested();
    }
    if (cancelled) {
        CancelWorker();
    } else if (!workOnCallingThread) {
        outcome = workerOutcome;
    }
    if (!upload && ui != nullptr) ui->RepaintMainWindow();
    transfers.LogKeptPartial();
    // The stopped worker stored nothing: without this the caller would read
    // the previous transfer's result and take a cancelled transfer for done.
    if (cancelled) {
        TransferStatusLock lock(status);
        status.result = kAborted;
        return {TransferOutcome::Kind::Cancelled, 0, "Cancelled", kAborted};
    }
    return outcome;
}

TransferOutcome FtpSession::Download(const std::string& remoteName, const std::string* localFile) {
    return RunFileTransfer(TransferRequest::Direction::Download, remoteName, localFile);
}

TransferOutcome FtpSession::Upload(const std::string& remoteName, const std::string* localFile) {
    return RunFileTransfer(TransferRequest::Direction::Upload, remoteName, localFile);
}

ListingRead FtpSession::FetchListing(RemoteEntry& entry) {
    workerListing = Error(Error::Category::Cancelled, "Cancelled");
    if (workOnCallingThread) {
        RunList();
    } else {
        StartListWorker();
    }
    if (WaitForListing()) workerListing = Error(Error::Category::Cancelled, "Cancelled");
    return listings.HoldAndReadFirst(std::move(workerListing), entry);
}

// Waits for the listing worker; true when it was cancelled (and stopped).
bool FtpSession::WaitForListing() {
    const std::string text = "Getting Directory From: " + login.Settings().host;
    const bool cancelled =
        workOnCallingThread
            ? control.StopRequested()
            : WaitForRunningWorker(EngineUi::WaitKind::GettingDirectory, text) == EngineUi::WaitResult::Cancelled;
    if (cancelled) CancelWorker();
    return cancelled;
}
