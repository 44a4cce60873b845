#pragma once

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/active_opener.h"
#include "ftp/connection_settings.h"
#include "ftp/control_channel.h"
#include "ftp/data_mode.h"
#include "ftp/data_stream.h"
#include "ftp/engine_ui.h"
#include "ftp/extension_table.h"
#include "ftp/log_queue.h"
#include "ftp/login.h"
#include "ftp/modification_time.h"
#include "ftp/partial_download.h"
#include "ftp/passive_opener.h"
#include "ftp/remote_entry.h"
#include "ftp/remote_operations.h"
#include "ftp/reply_class.h"
#include "ftp/server_features.h"
#include "ftp/transfer_status.h"
#include "ftp/walk_loop_guard.h"
#include "ftp/worker.h"
#include "platform/net/socket.h"
#include "platform/net/socket_address.h"
#include "platform/net/wake_signal.h"

class ProgressPublisher;

// The one FTP session of the program: the control connection, login, passive
// and active data connections, listings, remote operations, the worker
// threads and the foreground transfers and walks. Used from the user-interface
// thread and from one worker thread at a time; the control channel's busy
// count keeps two exchanges from interleaving.
class FtpSession {
public:
    static constexpr int kNoSocket = -1;
    static constexpr std::size_t kReplyCapacity = ControlChannel::kReplyCapacity;
    static constexpr std::size_t kCommandCapacity = ControlChannel::kCommandCapacity;
    static constexpr std::size_t kLogLineCapacity = ControlChannel::kLogLineCapacity;
    static constexpr std::size_t kListingLineCapacity = 179;

    FtpSession(LogQueue& log, TransferStatus& status);
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    void SetUi(EngineUi* ui) { this->ui = ui; }
    // Who decides about certificates that cannot be verified (nullptr: they are refused).
    void SetCertificateQuestion(tls::CertificateQuestion* question) {
        protection.SetCertificateQuestion(question);
    }
    // Whether the connection and its data are encrypted (see ConnectionProtection).
    const ConnectionProtection& Protection() const { return protection; }

    // --- control connection ---
    net::Socket ConnectSocket(const std::string& hostName, const std::string& serviceName,
                              const std::string& protocolName) {
        return login.ConnectSocket(hostName, serviceName, protocolName);
    }
    // Connects to the first of the addresses that answers (ports set).
    net::Socket ConnectToEach(const std::vector<net::SocketAddress>& addresses, int type, int protocol,
                              const std::string& hostName, const std::string& serviceName) {
        return login.ConnectToEach(addresses, type, protocol, hostName, serviceName);
    }
    // Closes every socket of the session and leaves it idle and disconnected.
    void CloseAll();
    // The control connection: commands, replies, the log and the waits.
    ControlChannel& Control() { return control; }
    const ControlChannel& Control() const { return control; }
    // Asks the thread working in the session to stop (see ControlChannel).
    // Async-signal-safe, so the command-line front end calls it from its
    // SIGINT handler.
    void RequestStop() { control.RequestStop(); }

    // --- login ---
    // Connecting and logging in (see Login).
    const Login& LoginPart() const { return login; }
    void Configure(const ConnectionSettings& newSettings) { login.Configure(newSettings); }
    const ConnectionSettings& Settings() const { return login.Settings(); }
    // Forgets what the last server did not know, then logs in.
    int Logon();
    const ServerFeatures& Features() const { return login.Features(); }

    // --- remote operations ---
    RemoteOperations& Remote() { return remote; }
    ReplyClass ChangeDir(const std::string& path) { return remote.ChangeDir(path); }
    ReplyClass ChangeToRoot() { return remote.ChangeToRoot(); }
    ReplyClass MakeDir(const std::string& name) { return remote.MakeDir(name); }
    ReplyClass RemoveDir(const std::string& name) { return remote.RemoveDir(name); }
    ReplyClass DeleteFile(const std::string& name) { return remote.DeleteFile(name); }
    bool Rename(const std::string& oldName, const std::string& newName) {
        return remote.Rename(oldName, newName);
    }
    ReplyClass SetPermissions(const std::string& modeText, const std::string& name) {
        return remote.SetPermissions(modeText, name);
    }
    ReplyClass Quit() { return remote.Quit(); }
    static std::string ExtensionKey(const std::string& fileName);
    static char TypeForName(const std::string& key);
    // The same lookup in the extension table of a given directory ("" is the
    // current directory); the directory walks look it up where they are.
    static char TypeForNameIn(const std::string& tableDirectory, const std::string& key);

    // --- data connections and transfers ---
    ReplyClass Retrieve();
    ReplyClass Store();
    ReplyClass ReceiveFile(const std::string& path);
    ReplyClass SendFile(const std::string& path);
    // Takes the size a transfer's opening reply announces ("(N bytes)").
    void ParseSizeFromReply();
    void ParseSizeFromReply(const std::string& reply);
    static std::int64_t FileSize(const std::string& path);

    // --- listings ---
    ReplyClass ListToFile(const std::string& command, const std::string& path);
    // Lists the current directory into path: MLSD when the server offers MLST,
    // LIST otherwise or when the server refuses MLSD. Entries read afterwards
    // (NextEntry, ParseListingLine) are read in the form that was stored.
    ReplyClass ListDirectoryToFile(const std::string& path);
    int CountListing(const std::string& path);
    int NextEntry(RemoteEntry& entry);
    int ParseListingLine(std::string_view line, RemoteEntry& entry) const;
    // How the last FetchListing ended. A failed listing (refused, broken off,
    // not stored) is never an empty directory: callers say so instead.
    enum class ListingOutcome { Complete, Failed, Cancelled };
    ListingOutcome lastListing = ListingOutcome::Complete;

    // --- workers (one at a time) ---
    void StartConnectWorker();
    void StartListWorker();
    void StartDownloadWorker();
    void StartUploadWorker();
    // Stops the running worker: wakes every blocked call, joins the thread,
    // stops the walk it belongs to and leaves the session disconnected (all
    // sockets closed, nothing busy). The worker has no visible effect afterwards.
    void CancelWorker();
    // Joins a worker that has finished by itself.
    void JoinWorker();

    // --- foreground transfers and walks (user-interface thread) ---
    ReplyClass DownloadFile(const std::string& remoteName, const std::string* localFile);
    ReplyClass UploadFile(const std::string& remoteName, const std::string* localFile);
    int FetchListing(RemoteEntry& entry);
    int UploadTree(const std::string& localRoot, const std::string& remoteName);
    int DownloadTree(const std::string& remoteName, const std::string* localRoot);
    // Entries the last walk did not transfer: files whose transfer did not
    // complete, directories that could not be made or entered.
    int walkFailures = 0;
    // Directories one walk may enter. Links that lead back up, listed twice per
    // level, would otherwise make a walk grow exponentially with its depth.
    std::size_t walkDirectoryLimit = 10000;

    // --- state read by the rest of the program ---
    LogQueue& Log() { return log; }
    TransferStatus& Status() { return status; }

    // Logon takes the configured data mode over; a server that refuses the
    // mode switches the connection to the other one (read while no worker
    // runs), and the settings keep the caller's choice.
    DataMode DataModeInUse() const { return dataModeInUse; }
    // Binary downloads always keep what they received in "NAME.part". Set, a
    // download continues from there (REST) and an upload continues the remote
    // file after asking its SIZE (REST and STOR, or APPE). Chosen per transfer.
    bool resumeTransfers = false;

    std::atomic<int> connected{0};
    int columnCount = 0;
    std::string tempListingPath;

    // The active-mode listener of the transfer being opened.
    bool ListenerOpen() const { return activeOpener.ListenerOpen(); }
    // The data connection of the running transfer or listing, once opened.
    bool DataConnectionOpen() const { return dataStream && dataStream->IsOpen(); }
    // The server's address (last connect), the far end of the last data
    // connection, and this side's address on the control connection.
    const net::SocketAddress& ServerAddress() const { return login.ServerAddress(); }
    const net::SocketAddress& DataPeerAddress() const { return dataPeerAddress; }
    const net::SocketAddress& LocalAddress() const { return localAddress; }

    std::FILE* listingFile = nullptr;

private:
    // Running transfer, prepared by the operation that starts a worker.
    std::string transferCommand;
    std::string localPath;
    char transferType = 'I';
    int beepOn = 1;
    net::SocketAddress dataPeerAddress;
    net::SocketAddress localAddress;

    void RunWorker(ReplyClass (FtpSession::*operation)(), bool storesResult);
    ReplyClass RunConnect();
    ReplyClass RunList();

    LogQueue& log;
    TransferStatus& status;
    EngineUi* ui = nullptr;
    ControlChannel control{log, connected};
    ConnectionProtection protection{control};
    Login login{control, connected, localAddress, dataPeerAddress, protection};
    ActiveOpener activeOpener{control, login, localAddress, dataPeerAddress};
    PassiveOpener passiveOpener{control, login, dataPeerAddress};
    RemoteOperations remote{control};
    Worker worker;
    using WaitOutcome = ControlChannel::WaitOutcome;

    // Data-side internals (data_opening.cpp, file_transfer.cpp, workers.cpp,
    // foreground_transfers.cpp, tree_walks.cpp).
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
    DataOpening StartTransfer(bool incoming);
    DataOpening OpenDataConnection(bool announcesSize);
    DataOpening OpenActive(bool announcesSize, bool mayTryPassive);
    DataOpening RetryInPassive(const char* reason, bool announcesSize);
    DataOpening SendOverPassive(bool announcesSize);
    DataOpening UseDataConnection(std::unique_ptr<DataStream> opened);
    void SwitchDataMode(DataMode mode, const char* reason);
    void SendTypeCommand(char type);
    void SoundBeep(EngineUi::BeepKind kind);
    void SetExpectedBytes(std::int64_t size);
    void AskRemoteSize(const std::string& remoteName);
    std::int64_t RemoteFileSize(const std::string& remoteName);  // -1 when unknown
    // Resume and modification times (resumed_transfers.cpp).
    void PlanResumedDownload();
    DataOpening PlanResumedUpload();
    ReplyClass SendTransferCommand();
    void KeepRemoteModificationTime();
    std::optional<ServerTime> AskModificationTime(const std::string& remoteName);
    void LogKeptPartial();
    bool ReceivedAllAnnounced(std::int64_t count);
    bool CreateLocalFile(const std::string& path);
    void StartWorker(ReplyClass (FtpSession::*operation)(), bool storesResult);
    bool ChooseTransferType(const std::string& remoteName, char& type);
    EngineUi::WaitResult WaitForRunningWorker(EngineUi::WaitKind kind, const std::string& text);
    ReplyClass RunFileTransfer(bool upload, const std::string& remoteName, const std::string& path);
    class ExtensionTableScope;
    class WalkStart;
    void LogSkippedListingLines(std::size_t count);
    bool WalkTooDeep(int depth, const std::string& localPath);
    bool WalkTooLarge();
    bool StopWalkIfServerGone();
    int UploadTreeLevel(const std::string& localRoot, const std::string& remoteName, int depth);
    int DownloadTreeLevel(const std::string& remoteName, const std::string& localDir, int depth);
    std::vector<RemoteEntry> TakeWalkListing(const std::string& listPath);
    // Links met by a download walk (link_walks.cpp).
    static bool IsLinkEntry(const RemoteEntry& entry);
    bool AskCurrentDirectory(std::string& directory);  // PWD
    void DownloadLinkedEntry(const RemoteEntry& entry, const std::string& remoteName,
                             const std::string& localDir, int depth);
    bool SkipLinkLeadingBack(const std::string& shownName, const WalkLoopGuard::Identity& target);
    std::string WalkRootUnique(const std::string& remoteName);
    void DownloadListedEntries(const std::vector<RemoteEntry>& entries, const std::string& remoteName,
                               const std::string& localDir, int depth);

    std::unique_ptr<DataStream> dataStream;  // the data connection, once opened
    PartialDownload partialDownload;         // the download being received
    // The table a running walk decides transfer types by.
    const ExtensionTable* walkExtensionTable = nullptr;
    // What takes a walk's first level back to where the walk started.
    std::string walkWayBack = "..";
    WalkLoopGuard walkLoops;          // the directories the running download walk is inside
    std::size_t walkDirectories = 0;  // directories the running walk has entered
    bool sizeCommandUnknown = false;  // the server answered SIZE with 500 or 502
    bool mdtmUnknown = false;         // the server answered MDTM with 500 or 502
    std::int64_t restartOffset = 0;   // the REST offset of the running transfer
    std::string walkEntryModified;    // the MLSD modify fact of the file a walk downloads
    std::string keptPartialPath;      // a partial file the last download kept
    std::int64_t keptPartialBytes = 0;
    bool mlsdUnknown = false;    // the server refused MLSD although it offered MLST
    bool listingIsMlsd = false;  // the last listing file holds MLSD lines
    DataMode dataModeInUse = DataMode::Active;
};
