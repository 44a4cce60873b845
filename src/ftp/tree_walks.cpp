// Uploading and downloading whole directory trees, one file at a time.
// The walks never change the process's current directory (other parts of the
// program run in the same process); local paths are built from the root the
// caller gave, and the extension table is looked up in the directory being
// walked, as it always has been.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "ftp/ftp_session.h"
#include "ftp/listing_parser.h"
#include "ftp/temporary_paths.h"
#include "ftp/walk_paths.h"

namespace {

constexpr const char* kWalkListingName = "dirlist0021232.ftp";
// A link listed as a directory can lead back into itself; these bounds end
// such a walk long before the local path stops being usable.
constexpr int kMaxWalkDepth = 64;
constexpr std::size_t kMaxWalkPathLength = 3800;

// After "421 closing control connection", an abort or a lost connection no
// command may follow: the walk stops where it is and unwinds without a word
// to the server.
bool ServerGone(const CFtpSession& session) {
    return session.abortFlag || session.replyCode == 421 || session.controlSocket == CFtpSession::kNoSocket;
}

}  // namespace

// Sets the directory whose extension table decides the transfer types while
// a walk is in it, and puts the previous one back when the level ends.
class CFtpSession::ExtensionTableScope {
public:
    ExtensionTableScope(CFtpSession& session, const std::string& directory)
        : session(session), previous(session.extensionTableDirectory) {
        session.extensionTableDirectory = JoinLocalPath(directory, "");
    }
    ~ExtensionTableScope() { session.extensionTableDirectory = previous; }
    ExtensionTableScope(const ExtensionTableScope&) = delete;
    ExtensionTableScope& operator=(const ExtensionTableScope&) = delete;

private:
    CFtpSession& session;
    std::string previous;
};

bool CFtpSession::StopWalkIfServerGone() {
    if (!ServerGone(*this)) return false;
    if (!status.stopWalk) LogF("Directory walk stopped: the connection to the server is lost.");
    status.stopWalk = 1;
    return true;
}

bool CFtpSession::WalkTooDeep(int depth, const std::string& localPath) {
    if (depth <= kMaxWalkDepth && localPath.size() <= kMaxWalkPathLength) return false;
    LogF("Directory walk stopped, nested too deeply: %s", localPath.c_str());
    return true;
}

bool CFtpSession::WalkTooLarge() {
    if (++walkDirectories <= walkDirectoryLimit) return false;
    // Every level above breaks off when it sees stopWalk, so this is said once.
    LogF("Directory walk stopped after %zu directories: the tree is too large or loops.", walkDirectoryLimit);
    status.stopWalk = 1;
    return true;
}

int CFtpSession::UploadTree(const std::string& localRoot, const std::string& remoteName) {
    walkFailures = 0;
    walkDirectories = 0;
    return UploadTreeLevel(localRoot, remoteName, 0);
}

int CFtpSession::UploadTreeLevel(const std::string& localRoot, const std::string& remoteName, int depth) {
    status.stopWalk = 0;
    if (WalkTooLarge() || WalkTooDeep(depth, localRoot)) {
        ++walkFailures;
        return 1;
    }
    ExtensionTableScope table(*this, localRoot);
    if (MakeDir(remoteName) != kComplete) {
        if (ui != nullptr) ui->ShowMessage("Error Creating Remote Directory\nPossibly a Premissions Problem");
        ++walkFailures;
        status.stopWalk = 1;
        return 1;
    }
    ChangeDir(remoteName);
    if (DIR* directory = opendir(localRoot.c_str())) {
        while (dirent* item = readdir(directory)) {
            const std::string name = item->d_name;
            if (name == "." || name == "..") continue;
            const std::string path = JoinLocalPath(localRoot, name);
            struct stat info {};
            const bool known = stat(path.c_str(), &info) == 0;
            if (known && S_ISDIR(info.st_mode)) {
                UploadTreeLevel(path, name, depth + 1);
            } else if (known && !S_ISREG(info.st_mode)) {
                // A pipe or device would block the upload for ever or never end.
                LogF("Skipped %s: not a regular file.", path.c_str());
                ++walkFailures;
            } else if (UploadFile(name, &path) != kComplete) {
                ++walkFailures;
            }
            if (status.stopWalk || StopWalkIfServerGone()) break;
        }
        closedir(directory);
    }
    if (!ServerGone(*this)) ChangeDir("..");
    return 1;
}

int CFtpSession::DownloadTree(const std::string& remoteName, const std::string* localRoot) {
    walkFailures = 0;
    walkDirectories = 0;
    if (localRoot != nullptr) return DownloadTreeLevel(remoteName, *localRoot, 0);
    status.stopWalk = 0;
    if (!IsSafeLocalName(remoteName)) {
        LogF("Skipped \"%s\": not a usable local name.", remoteName.c_str());
        ++walkFailures;
        return 0;
    }
    return DownloadTreeLevel(remoteName, SystemTemporaryDirectory() + remoteName, 0);
}

// Reads a walk's listing file into entries and removes the file before any
// download starts, so that a remote file of the same name cannot collide with it.
std::vector<RemoteEntry> CFtpSession::TakeWalkListing(const std::string& listPath) {
    std::vector<RemoteEntry> entries;
    if (std::FILE* file = std::fopen(listPath.c_str(), "r")) {
        char buffer[kListingPieceCapacity + 1];
        std::string_view piece;
        RemoteEntry entry;
        while (ReadListingPiece(file, buffer, piece)) {
            if (ParseUnixListingLine(CutAtLineEnd(piece), columnCount, entry)) entries.push_back(entry);
        }
        std::fclose(file);
    }
    std::remove(listPath.c_str());
    return entries;
}

int CFtpSession::DownloadTreeLevel(const std::string& remoteName, const std::string& localDir, int depth) {
    status.stopWalk = 0;
    if (WalkTooLarge() || WalkTooDeep(depth, localDir)) {
        ++walkFailures;
        return 0;
    }
    // An existing directory is left alone, with everything below it.
    if (mkdir(localDir.c_str(), 0777) != 0) {
        ++walkFailures;
        return 0;
    }
    if (ChangeDir(remoteName) != kComplete) {
        // Listing the directory we are still in would copy it into itself.
        LogF("Could not enter remote directory %s; skipped.", remoteName.c_str());
        rmdir(localDir.c_str());
        ++walkFailures;
        return 0;
    }
    ExtensionTableScope table(*this, localDir);
    const std::string listPath = JoinLocalPath(localDir, kWalkListingName);
    ListToFile("LIST", listPath);
    CountListing(listPath);
    for (const RemoteEntry& entry : TakeWalkListing(listPath)) {
        if (!IsSafeLocalName(entry.name)) {
            LogF("Skipped \"%s\" in the listing of %s: not a usable local name.", entry.name.c_str(),
                 remoteName.c_str());
            continue;
        }
        const std::string path = JoinLocalPath(localDir, entry.name);
        if (entry.isFile) {
            if (DownloadFile(entry.name, &path) != kComplete) ++walkFailures;
        } else {
            DownloadTreeLevel(entry.name, path, depth + 1);
        }
        if (status.stopWalk || StopWalkIfServerGone()) break;
    }
    if (!ServerGone(*this)) ChangeDir("..");
    return 0;
}
