#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "ftp/announced_sizes.h"
#include "ftp/connection_protection.h"
#include "ftp/control_channel.h"
#include "ftp/data_mode.h"
#include "ftp/data_opener.h"
#include "ftp/data_stream.h"
#include "ftp/engine_ui.h"
#include "ftp/directory_lister.h"
#include "ftp/login.h"
#include "ftp/modification_time.h"
#include "ftp/partial_download.h"
#include "ftp/reply_class.h"
#include "ftp/result.h"
#include "ftp/transfer_outcome.h"
#include "ftp/transfer_request.h"
#include "ftp/transfer_status.h"
#include "ftp/transfer_verifier.h"

// Single file transfers over a data connection: RETR into a partial file that
// replaces the target only when complete, STOR from a regular file, ASCII line
// ends, progress, the size a transfer announces, continuing broken transfers
// (REST, APPE) and the server's modification times. Opens each transfer's data
// connection in the mode the connection uses, falling back to the other mode
// when the server cannot work in this one (data_opening.cpp). Checks each
// binary file against the server's digest where the server offers one, and
// tells how each transfer ended (checked_transfers.cpp).
class FileTransfer {
public:
    // connected is the session's connection flag; the openers (active and
    // passive mode) are the session's, which the cancel sequence closes;
    // protection encrypts each data connection when the connection asks for it.
    FileTransfer(ControlChannel& control, const Login& login, const std::atomic<int>& connected,
              TransferStatus& status, DataOpener& activeOpener, DataOpener& passiveOpener,
              ConnectionProtection& protection);
    FileTransfer(const FileTransfer&) = delete;
    FileTransfer& operator=(const FileTransfer&) = delete;

    void SetUi(EngineUi* newUi) { ui = newUi; }
    // A new connection may reach another server: what the last one did not
    // know (SIZE, MDTM) is forgotten, and the configured data mode is taken over.
    void ForgetServer();

    // The next transfer: a download, an upload or a listing.
    void Prepare(TransferRequest next) { request = std::move(next); }
    // Binary downloads always keep what they received in "NAME.part". Set, a
    // download continues from there (REST) and an upload continues the remote
    // file after asking its SIZE (REST and STOR, or APPE). Chosen per transfer.
    void SetResume(bool resume) { resumeTransfers = resume; }
    bool Resumes() const { return resumeTransfers; }
    // The MLSD modify fact of the file a walk downloads next ("" when none):
    // it saves an MDTM.
    void SetListedModification(const std::string& fact) { listedModification = fact; }
    // The MLSD size fact of that file ("" when none): the download's size
    // when SIZE gives none.
    void SetListedSize(const std::string& fact) { listedSize = fact; }

    // The prepared transfer, run on the worker thread, and how it ended. A
    // download that does not match the server's digest is set aside as
    // "NAME.mismatch" and the target stays as it was; an upload that does
    // not match fails.
    TransferOutcome Retrieve();
    TransferOutcome Store();
    // A listing command's output, received into memory within the
    // connection's listing limits (see ListingBudget) (listing_receiving.cpp).
    DirectoryLister::Received ReceiveListing(const std::string& command);
    ReplyClass ReceiveFile(const std::string& path);
    ReplyClass SendFile(const std::string& path);
    // Logs a partial file the last download kept (after the worker has ended).
    void LogKeptPartial();

    // Takes the size a transfer's opening reply announces ("(N bytes)").
    void ParseSizeFromReply();
    void ParseSizeFromReply(const std::string& reply);
    static std::int64_t FileSize(const std::string& path);

    // The mode the connection uses now. Logon takes the configured data mode
    // over; a server that refuses the mode switches the connection to the
    // other one (read while no worker runs), and the settings keep the
    // caller's choice.
    DataMode DataModeInUse() const { return dataModeInUse; }
    // The data connection of the running transfer or listing, once opened.
    bool DataConnectionOpen() const { return dataStream && dataStream->IsOpen(); }
    void CloseDataConnection() {
        if (dataStream) dataStream->Close();
    }

private:
    enum class DataOpening {
        Open,
        NotConnected,
        Busy,
        Unreadable,
        Unwritable,
        NoListener,
        Refused,
        NotAccepted,
        AlreadyComplete,
        NotResumable,  // an upload asked to continue (resumed_transfers.cpp)
    };
    using WaitOutcome = ControlChannel::WaitOutcome;

    DataOpening StartTransfer(bool incoming);
    // Opening the data connection (data_opening.cpp).
    DataOpening OpenDataConnection(bool announcesSize);
    DataOpening OpenPassive(bool announcesSize, bool mayTryActive);
    DataOpening OpenActive(bool announcesSize, bool mayTryPassive);
    DataOpening RetryInPassive(const char* reason, bool announcesSize);
    DataOpening SendOverPassive(bool announcesSize);
    // Every opened data connection becomes the transfer's stream here.
    DataOpening UseDataConnection(std::unique_ptr<DataStream> opened);
    void SwitchDataMode(DataMode mode, const char* reason);
    bool SendTypeCommand(char type);
    void SoundBeep(EngineUi::BeepKind kind);
    void SetExpectedBytes(std::int64_t size);
    void AskRemoteSize(const std::string& remoteName);
    std::int64_t RemoteFileSize(const std::string& remoteName);  // -1 when unknown
    // Resume and modification times (resumed_transfers.cpp).
    void PlanResumedDownload();
    DataOpening PlanResumedUpload();
    ReplyClass SendTransferCommand();
    // Checks and outcome (checked_transfers.cpp).
    ReplyClass RunRetrieve();
    ReplyClass RunStore();
    void BeginOutcome();
    TransferOutcome ConcludeOutcome(ReplyClass result);
    // Whether to ask the server's digest: as the settings say, or required.
    bool ChecksWanted(bool required = false) const;
    std::int64_t AnnouncedDataLength();
    bool DownloadPassesCheck();
    bool UploadPassesCheck();
    bool AcceptCheck(const TransferVerifier::Check& check, const std::string& remoteName);
    void NoteMismatch(const TransferVerifier::Check& check);
    // Notes why the running transfer failed here, whatever the server says.
    void NoteFailure(Error failure) { localFailure = std::move(failure); }
    // Logs the failure's message, and notes it.
    void ReportFailure(Error failure);
    // Reports "Could not WHAT: " and the system's words for error.
    void LocalFileFailed(const std::string& what, int error) {
        ReportFailure(Error::FromSystem(what, error));
    }
    void KeepRemoteModificationTime();
    std::optional<ServerTime> AskModificationTime(const std::string& remoteName);
    bool ReceivedAllAnnounced(std::int64_t count, bool stoppedAtLimit);
    bool CreateLocalFile(const std::string& path);
    // Where ReceiveFile puts what arrives: the partial file of a download, or
    // the text of a listing in memory.
    char* ReserveRoom(std::size_t size, int& writeError);
    void KeepReceived(std::size_t length);
    // Closes the data connection once a transfer has received what it will.
    void CloseAfterReceiving(bool aborted);
    // Opens a local file for an upload (file_sending.cpp); returns the descriptor.
    static Result<int> OpenForUpload(const std::string& path);

    ControlChannel& control;
    const Login& login;
    const std::atomic<int>& connected;
    TransferStatus& status;
    DataOpener& activeOpener;
    DataOpener& passiveOpener;
    ConnectionProtection& protection;
    EngineUi* ui = nullptr;

    // The running transfer.
    TransferRequest request;
    bool listingOverran = false;    // the running listing passed one of its limits
    std::string listingText;        // what the running listing has received, and room for more
    std::size_t listingLength = 0;  // the bytes of listingText received so far
    bool resumeTransfers = false;
    std::string listedModification;          // the MLSD modify fact of the file being downloaded
    std::string listedSize;                  // the MLSD size fact of the file being downloaded
    AnnouncedSizes announcedSizes;           // the sizes the running download was announced with
    std::unique_ptr<DataStream> dataStream;  // the data connection, once opened
    PartialDownload partialDownload;         // the download being received
    std::int64_t restartOffset = 0;          // the REST offset of the running transfer
    std::string keptPartialPath;             // a partial file the last download kept
    std::int64_t keptPartialBytes = 0;
    TransferVerifier verifier{control, login};
    // What the running transfer has seen.
    Error localFailure;  // why the transfer failed here (category None: it did not)
    bool verified = false;
    std::string mismatch;
    int timeLimitsAtStart = 0;

    // What the server of this connection knows.
    bool sizeCommandUnknown = false;  // the server answered SIZE with 500 or 502
    bool mdtmUnknown = false;         // the server answered MDTM with 500 or 502
    DataMode dataModeInUse = DataMode::Active;
};
