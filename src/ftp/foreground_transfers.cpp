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
bool FtpSession::ChooseTransferType(const std::string& remoteName, char& type) {
    type = login.Settings().transferMode;
    if (type == 'F') {
        // A walk decides by the table it loaded; a single transfer reads the
        // current one before it writes anything.
        const ExtensionTable* walkTable = walks.ExtensionTableInForce();
        type = walkTable != nullptr ? walkTable->TypeFor(ExtensionKey(remoteName))
                                    : TypeForName(ExtensionKey(remoteName));
    } else if (type == 'P') {
        if (ui != nullptr && !ui->AskTransferMode()) return false;
        type = 'I';
    }
    return true;
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

ReplyClass FtpSession::RunFileTransfer(bool upload, const std::string& remoteName, const std::string& path) {
    char type = 'I';
    if (!ChooseTransferType(remoteName, type)) {
        transfers.SetOutcome({TransferOutcome::Kind::Cancelled, 0, "Not sent"});
        return kNotSent;
    }
    transfers.Prepare((upload ? "STOR " : "RETR ") + remoteName, path, type);
    const std::string notice = upload ? std::string() : LocalNameNotice(remoteName, path);
    if (!notice.empty()) control.LogF("%s", notice.c_str());
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
    if (workOnCallingThread) {
        // The owner's thread is the connection's: a worker would be a second
        // thread for it, and a wait between the two.
        const ReplyClass result = upload ? transfers.Store() : transfers.Retrieve();
        cancelled = control.StopRequested();
        TransferStatusLock lock(status);
        status.result = result;
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
    }
    if (!upload && ui != nullptr) ui->RepaintMainWindow();
    transfers.LogKeptPartial();
    TransferStatusLock lock(status);
    // The stopped worker stored nothing: without this the caller would read
    // the previous transfer's result and take a cancelled transfer for done.
    if (cancelled) {
        status.result = kAborted;
        transfers.SetOutcome({TransferOutcome::Kind::Cancelled, 0, "Cancelled"});
    }
    return status.result;
}

ReplyClass FtpSession::DownloadFile(const std::string& remoteName, const std::string* localFile) {
    if (localFile != nullptr) return RunFileTransfer(false, remoteName, *localFile);
    // Without a local name the file goes into the download directory; no
    // separator is inserted, so the directory should end with one. The name
    // comes from the server's listing and must not lead out of it.
    if (!IsSafeLocalName(remoteName)) {
        control.LogF("Skipped \"%s\": not a usable local name.", remoteName.c_str());
        transfers.SetOutcome({TransferOutcome::Kind::LocalError, 0, "Not a usable local name"});
        return kNoReply;
    }
    return RunFileTransfer(false, remoteName, login.Settings().downloadDir + LocalNameFor(remoteName));
}

ReplyClass FtpSession::UploadFile(const std::string& remoteName, const std::string* localFile) {
    return RunFileTransfer(true, remoteName,
                           localFile != nullptr ? *localFile : SystemTemporaryDirectory() + remoteName);
}

ListingRead FtpSession::FetchListing(RemoteEntry& entry) {
    if (workOnCallingThread) {
        listings.StoreDirectoryListing();
    } else {
        StartListWorker();
    }
    const std::string text = "Getting Directory From: " + login.Settings().host;
    const bool cancelled =
        workOnCallingThread
            ? control.StopRequested()
            : WaitForRunningWorker(EngineUi::WaitKind::GettingDirectory, text) == EngineUi::WaitResult::Cancelled;
    if (cancelled) {
        CancelWorker();
        listings.MarkCancelled();
    }
    return listings.FirstStoredEntry(entry);
}
