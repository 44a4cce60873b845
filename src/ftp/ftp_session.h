#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ftp/active_opener.h"
#include "ftp/connection_settings.h"
#include "ftp/control_channel.h"
#include "ftp/data_mode.h"
#include "ftp/engine_ui.h"
#include "ftp/extension_table.h"
#include "ftp/directory_lister.h"
#include "ftp/log_queue.h"
#include "ftp/login.h"
#include "ftp/passive_opener.h"
#include "ftp/remote_entry.h"
#include "ftp/remote_operations.h"
#include "ftp/reply_class.h"
#include "ftp/result.h"
#include "ftp/server_features.h"
#include "ftp/transfer_status.h"
#include "ftp/file_transfer.h"
#include "ftp/tree_walker.h"
#include "ftp/worker.h"
#include "platform/net/socket.h"
#include "platform/net/socket_address.h"

// The one FTP session of the program. It owns the parts (control channel,
// login, data openers, remote operations, transfers, listings, walks, the
// worker) and gives the desktop and the command line what they call: the
// worker operations, the foreground transfers that wait through the UI seam,
// and forwarding calls. Used from the user-interface thread and from one
// worker thread at a time; the control channel's busy count keeps two
// exchanges from interleaving.
class FtpSession : public FileTransferRunner {
public:
    static constexpr std::size_t kReplyCapacity = ControlChannel::kReplyCapacity;
    static constexpr std::size_t kCommandCapacity = ControlChannel::kCommandCapacity;
    static constexpr std::size_t kLogLineCapacity = ControlChannel::kLogLineCapacity;
    static constexpr std::size_t kListingLineCapacity = 179;

    FtpSession(LogQueue& log, TransferStatus& status);
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // Who answers the engine's questions and hears its reports (nullptr:
    // nobody). Every line the session's log queue takes is reported to it, so
    // it must stay alive, or be unset, for as long as the session logs.
    void SetUi(EngineUi* newUi);
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

    // --- login ---
    // Connecting and logging in (see Login).
    const Login& LoginPart() const { return login; }
    void Configure(const ConnectionSettings& newSettings) { login.Configure(newSettings); }
    const ConnectionSettings& Settings() const { return login.Settings(); }
    // Forgets what the last server did not know, then logs in.
    LogonResult Logon();
    // How the log-in the connect worker ran ended (read once the worker has
    // ended). Kept for the desktop's connect worker only; everything else
    // takes what Logon returns.
    const LogonResult& ConnectWorkerLogon() const { return connectLogon; }

    // --- remote operations ---
    // The operations with the reason of a refusal (see RemoteOperations); the
    // calls below give only its reply class, for callers that compare those.
    RemoteOperations& Remote() { return remote; }
    ReplyClass ChangeDir(const std::string& path) { return ReplyClassOf(remote.ChangeDir(path)); }
    ReplyClass MakeDir(const std::string& name) { return ReplyClassOf(remote.MakeDir(name)); }
    ReplyClass RemoveDir(const std::string& name) { return ReplyClassOf(remote.RemoveDir(name)); }
    ReplyClass DeleteFile(const std::string& name) { return ReplyClassOf(remote.DeleteFile(name)); }
    bool Rename(const std::string& oldName, const std::string& newName) {
        return remote.Rename(oldName, newName).Ok();
    }
    ReplyClass SetPermissions(const std::string& modeText, const std::string& name) {
        return ReplyClassOf(remote.SetPermissions(modeText, name), kNotSent);
    }
    ReplyClass Quit() { return remote.Quit(); }
    static std::string ExtensionKey(const std::string& fileName);
    static char TypeForName(const std::string& key);
    // The same lookup in the extension table of a given directory ("" is the
    // current directory); the directory walks look it up where they are.
    static char TypeForNameIn(const std::string& tableDirectory, const std::string& key);

    // --- data connections and transfers ---
    // Single file transfers and their data connections (see FileTransfer).
    FileTransfer& Transfer() { return transfers; }
    const FileTransfer& Transfer() const { return transfers; }
    // Whether the next transfers continue what broke off (see FileTransfer::SetResume).
    void SetResume(bool resume) { transfers.SetResume(resume); }

    // --- listings ---
    // Directory listings into memory (see DirectoryLister).
    DirectoryLister& Lister() { return listings; }
    const DirectoryLister& Lister() const { return listings; }
    // The next entry of the listing FetchListing read.
    ListingRead NextEntry(RemoteEntry& entry) { return listings.NextEntry(entry); }

    // --- workers (one at a time) ---
    void StartConnectWorker();
    // Stops the running worker: wakes every blocked call, joins the thread,
    // stops the walk it belongs to and leaves the session disconnected (all
    // sockets closed, nothing busy). The worker has no visible effect afterwards.
    void CancelWorker();
    // Joins a worker that has finished by itself.
    void JoinWorker();

    // Single transfers and listings run on the calling thread instead of a
    // worker: for owners that give the session a thread of its own and stop
    // it with RequestStop (a connection, a queue worker).
    void RunOnCallingThread(bool yes) { workOnCallingThread = yes; }

    // Runs one prepared transfer as it is (its type too), and says how it
    // ended like Download and Upload.
    TransferOutcome RunTransfer(TransferRequest request);

    // --- foreground transfers and walks (user-interface thread) ---
    // One file either way, and how it ended.
    TransferOutcome Download(const std::string& remoteName, const std::string* localFile) override;
    TransferOutcome Upload(const std::string& remoteName, const std::string* localFile) override;
    // The same, giving only what the transfer returned (the desktop's calls).
    ReplyClass DownloadFile(const std::string& remoteName, const std::string* localFile) {
        return Download(remoteName, localFile).result;
    }
    ReplyClass UploadFile(const std::string& remoteName, const std::string* localFile) {
        return Upload(remoteName, localFile).result;
    }
    // Lists the current directory (on the worker, waited for through the UI
    // seam) and reads its first entry; Lister().List takes them all at once.
    ListingRead FetchListing(RemoteEntry& entry);
    // Directory trees (see TreeWalker).
    TreeWalker& Walks() { return walks; }
    const TreeWalker& Walks() const { return walks; }
    WalkResult UploadTree(const std::string& localRoot, const std::string& remoteName) {
        return walks.UploadTree(localRoot, remoteName);
    }
    WalkResult DownloadTree(const std::string& remoteName, const std::string* localRoot) {
        return walks.DownloadTree(remoteName, localRoot);
    }
    // Entries the last walk did not transfer (see TreeWalker::Failures).
    int WalkFailures() const { return walks.Failures(); }

    // --- state read by the rest of the program ---
    LogQueue& Log() { return log; }
    TransferStatus& Status() { return status; }

    // Logged in, and the connection not known to be lost. Set on the worker,
    // read on the user-interface thread.
    bool IsConnected() const { return connected != 0; }

    // The active-mode listener of the transfer being opened.
    bool ListenerOpen() const { return activeOpener.ListenerOpen(); }
    // The far end of the last data connection, and this side's address on
    // the control connection (the server's is the login's).
    const net::SocketAddress& DataPeerAddress() const { return dataPeerAddress; }
    const net::SocketAddress& LocalAddress() const { return localAddress; }

private:
    std::atomic<int> connected{0};
    bool workOnCallingThread = false;
    net::SocketAddress dataPeerAddress;
    net::SocketAddress localAddress;

    void RunWorker(ReplyClass (FtpSession::*operation)(), bool storesResult);
    ReplyClass RunConnect();
    ReplyClass RunList();
    bool WaitForListing();
    // What the listing worker read (read after the worker has been joined).
    Result<::Listing> workerListing = Error(Error::Category::Cancelled, "Cancelled");
    // The transfer workers keep how their transfer ended here, for the
    // caller that joins them.
    ReplyClass RunDownload() {
        workerOutcome = transfers.Retrieve();
        return workerOutcome.result;
    }
    ReplyClass RunUpload() {
        workerOutcome = transfers.Store();
        return workerOutcome.result;
    }
    TransferOutcome workerOutcome;  // read after the worker has been joined
    LogonResult connectLogon;       // the connect worker's log-in (see ConnectWorkerLogon)

    LogQueue& log;
    TransferStatus& status;
    EngineUi* ui = nullptr;
    ControlChannel control{log, connected};
    ConnectionProtection protection{control};
    Login login{control, connected, localAddress, dataPeerAddress, protection};
    ActiveOpener activeOpener{control, login, localAddress, dataPeerAddress};
    PassiveOpener passiveOpener{control, login, dataPeerAddress};
    RemoteOperations remote{control};
    FileTransfer transfers{control, login, connected, status, activeOpener, passiveOpener, protection};
    DirectoryLister listings{control, login, connected,
                      [this](const std::string& command) { return transfers.ReceiveListing(command); }};
    TreeWalker walks{control, login, status, remote, listings, transfers, *this};
    Worker worker;
    using WaitOutcome = ControlChannel::WaitOutcome;

    void StartWorker(ReplyClass (FtpSession::*operation)(), bool storesResult);
    void StartListWorker();
    void StartDownloadWorker();
    void StartUploadWorker();
    Result<char> ChooseTransferType(const std::string& remoteName);
    Result<TransferRequest> RequestFor(TransferRequest::Direction direction, const std::string& remoteName,
                                       const std::string* localFile);
    EngineUi::WaitResult WaitForRunningWorker(EngineUi::WaitKind kind, const std::string& text);
    TransferOutcome RunFileTransfer(TransferRequest::Direction direction, const std::string& remoteName,
                                    const std::string* localFile);
};
