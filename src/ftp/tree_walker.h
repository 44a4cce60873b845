#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ftp/control_channel.h"
#include "ftp/engine_ui.h"
#include "ftp/extension_table.h"
#include "ftp/directory_lister.h"
#include "ftp/login.h"
#include "ftp/remote_entry.h"
#include "ftp/remote_operations.h"
#include "ftp/reply_class.h"
#include "ftp/transfer_status.h"
#include "ftp/file_transfer.h"
#include "ftp/walk_loop_guard.h"

// Runs one file transfer of a walk the way a single transfer runs (on the
// worker, waited for through the user interface, cancellable).
class FileTransferRunner {
public:
    virtual ~FileTransferRunner() = default;
    virtual TransferOutcome Download(const std::string& remoteName, const std::string* localFile) = 0;
    virtual TransferOutcome Upload(const std::string& remoteName, const std::string* localFile) = 0;
};

// How a directory walk ended.
struct WalkResult {
    enum class Outcome {
        Completed,     // every entry transferred
        SomeFailed,    // the walk went through, but failures entries did not arrive
        Aborted,       // the walk was stopped: cancelled, the connection lost, a
                       // directory the server would not make, or a tree too large
        NotConnected,  // there was no connection to walk on
    };
    Outcome outcome = Outcome::Completed;
    int failures = 0;  // entries not transferred (see TreeWalker::Failures)

    bool Completed() const { return outcome == Outcome::Completed; }
};

// Uploading and downloading whole directory trees, one file at a time: the
// walk's bounds (depth, path length, directories entered), the links a
// download walk meets and the loops they can make, and the extension table a
// walk decides transfer types by.
class TreeWalker {
public:
    TreeWalker(ControlChannel& control, const Login& login, TransferStatus& status, RemoteOperations& remote,
              DirectoryLister& listings, FileTransfer& transfers, FileTransferRunner& files)
        : control(control),
          login(login),
          status(status),
          remote(remote),
          listings(listings),
          transfers(transfers),
          files(files) {}
    TreeWalker(const TreeWalker&) = delete;
    TreeWalker& operator=(const TreeWalker&) = delete;

    void SetUi(EngineUi* newUi) { ui = newUi; }

    WalkResult UploadTree(const std::string& localRoot, const std::string& remoteName);
    WalkResult DownloadTree(const std::string& remoteName, const std::string* localRoot);
    // Entries the last walk did not transfer: files whose transfer did not
    // complete, directories that could not be made or entered.
    int Failures() const { return walkFailures; }
    // Directories one walk may enter. Links that lead back up, listed twice per
    // level, would otherwise make a walk grow exponentially with its depth.
    void SetDirectoryLimit(std::size_t limit) { walkDirectoryLimit = limit; }
    // The table a running walk decides transfer types by; none outside a walk.
    const ExtensionTable* ExtensionTableInForce() const { return walkExtensionTable; }

private:
    class ExtensionTableScope;
    class WalkStart;
    bool WalkTooDeep(int depth, const std::string& localPath);
    bool WalkTooLarge();
    bool StopWalkIfServerGone();
    WalkResult Result(bool connectedAtStart) const;
    void UploadTreeLevel(const std::string& localRoot, const std::string& remoteName, int depth);
    void DownloadTreeLevel(const std::string& remoteName, const std::string& localDir, int depth);
    void DownloadListedEntries(const std::vector<RemoteEntry>& entries, const std::string& remoteName,
                               const std::string& localDir, int depth);
    // Links met by a download walk (link_walks.cpp).
    bool AskCurrentDirectory(std::string& directory);  // PWD
    void DownloadLinkedEntry(const RemoteEntry& entry, const std::string& remoteName,
                             const std::string& localDir, int depth);
    bool SkipLinkLeadingBack(const std::string& shownName, const WalkLoopGuard::Identity& target);
    std::string WalkRootUnique(const std::string& remoteName);

    ControlChannel& control;
    const Login& login;
    TransferStatus& status;
    RemoteOperations& remote;
    DirectoryLister& listings;
    FileTransfer& transfers;
    FileTransferRunner& files;
    EngineUi* ui = nullptr;

    int walkFailures = 0;
    std::size_t walkDirectoryLimit = 10000;
    // The table a running walk decides transfer types by.
    const ExtensionTable* walkExtensionTable = nullptr;
    // What takes a walk's first level back to where the walk started.
    std::string walkWayBack = "..";
    WalkLoopGuard walkLoops;          // the directories the running download walk is inside
    std::size_t walkDirectories = 0;  // directories the running walk has entered
};
