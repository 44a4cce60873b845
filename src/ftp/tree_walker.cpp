// Uploading and downloading whole directory trees, one file at a time.
// The walks never change the process's current directory (other parts of the
// program run in the same process); local paths are built from the root the
// caller gave. An upload decides types by the extension table of each local
// directory it reads; a download by the table in force when it starts.
#include "ftp/tree_walker.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "ftp/listing_parser.h"
#include "ftp/socket_error_text.h"
#include "ftp/temporary_paths.h"
#include "ftp/walk_loop_guard.h"
#include "ftp/walk_paths.h"

namespace {

// A link listed as a directory can lead back into itself; these bounds end
// such a walk long before the local path stops being usable.
constexpr int kMaxWalkDepth = 64;
constexpr std::size_t kMaxWalkPathLength = 3800;

// After "421 closing control connection", an abort or a lost connection no
// command may follow: the walk stops where it is and unwinds without a word
// to the server.
bool ServerGone(const ControlChannel& control) {
    return control.Aborted() || control.ReplyCode() == 421 || !control.IsOpen();
}

}  // namespace

// Puts a loaded extension table in charge of the transfer types while a walk
// (or one level of it) runs, and puts the previous one back at its end.
class TreeWalker::ExtensionTableScope {
public:
    ExtensionTableScope(TreeWalker& walks, const std::string& directory)
        : walks(walks),
          table(ExtensionTable::Load(directory.empty() ? directory : JoinLocalPath(directory, ""))),
          previous(walks.walkExtensionTable) {
        walks.walkExtensionTable = &table;
    }
    ~ExtensionTableScope() { walks.walkExtensionTable = previous; }
    ExtensionTableScope(const ExtensionTableScope&) = delete;
    ExtensionTableScope& operator=(const ExtensionTableScope&) = delete;

private:
    TreeWalker& walks;
    const ExtensionTable table;
    const ExtensionTable* previous;
};

// A walk climbs out of each directory with "CWD ..", which after a nested
// path ("a/b") would leave the session one level below where it started. For
// such a path the walk asks where it starts and its first level goes back
// there; when the server cannot say, it climbs once per component.
class TreeWalker::WalkStart {
public:
    WalkStart(TreeWalker& walks, const std::string& remoteName) : walks(walks) {
        walks.walkWayBack = "..";
        if (remoteName.find('/') == std::string::npos) return;
        std::string start;
        if (walks.AskCurrentDirectory(start) && start.size() + 4 <= ControlChannel::kCommandCapacity) {
            walks.walkWayBack = start;
        } else if (std::string climb = ClimbOutOf(remoteName); !climb.empty()) {
            walks.walkWayBack = climb;
        } else {
            walks.control.LogF("Cannot tell the way back from %s; the walk ends in its parent directory.",
                               remoteName.c_str());
        }
    }
    ~WalkStart() { walks.walkWayBack = ".."; }
    WalkStart(const WalkStart&) = delete;
    WalkStart& operator=(const WalkStart&) = delete;

private:
    // "../.." for "a/b"; empty when climbing cannot lead back ("/x", "../x").
    static std::string ClimbOutOf(const std::string& path) {
        if (path.front() == '/') return {};
        std::string climb;
        std::size_t begin = 0;
        while (begin <= path.size()) {
            const std::size_t end = std::min(path.find('/', begin), path.size());
            const std::string component = path.substr(begin, end - begin);
            if (component == "..") return {};
            if (!component.empty() && component != ".") climb += climb.empty() ? ".." : "/..";
            begin = end + 1;
        }
        return climb;
    }

    TreeWalker& walks;
};

bool TreeWalker::StopWalkIfServerGone() {
    if (!ServerGone(control)) return false;
    if (!status.stopWalk) control.LogF("Directory walk stopped: the connection to the server is lost.");
    status.stopWalk = 1;
    return true;
}

bool TreeWalker::WalkTooDeep(int depth, const std::string& localPath) {
    if (depth <= kMaxWalkDepth && localPath.size() <= kMaxWalkPathLength) return false;
    control.LogF("Directory walk stopped, nested too deeply: %s", localPath.c_str());
    return true;
}

bool TreeWalker::WalkTooLarge() {
    if (++walkDirectories <= walkDirectoryLimit) return false;
    // Every level above breaks off when it sees stopWalk, so this is said once.
    control.LogF("Directory walk stopped after %zu directories: the tree is too large or loops.",
                 walkDirectoryLimit);
    status.stopWalk = 1;
    return true;
}

WalkResult TreeWalker::UploadTree(const std::string& localRoot, const std::string& remoteName) {
    walkFailures = 0;
    walkDirectories = 0;
    const bool connectedAtStart = control.IsOpen();
    WalkStart start(*this, remoteName);
    UploadTreeLevel(localRoot, remoteName, 0);
    return Result(connectedAtStart);
}

WalkResult TreeWalker::Result(bool connectedAtStart) const {
    WalkResult result;
    result.failures = walkFailures;
    if (!connectedAtStart) {
        result.outcome = WalkResult::Outcome::NotConnected;
    } else if (status.stopWalk) {
        result.outcome = WalkResult::Outcome::Aborted;
    } else if (walkFailures > 0) {
        result.outcome = WalkResult::Outcome::SomeFailed;
    }
    return result;
}

void TreeWalker::UploadTreeLevel(const std::string& localRoot, const std::string& remoteName, int depth) {
    status.stopWalk = 0;
    if (WalkTooLarge() || WalkTooDeep(depth, localRoot)) {
        ++walkFailures;
        return;
    }
    // Read first: a directory that cannot be read leaves nothing behind on
    // the server and is a failure of the walk, not an empty directory.
    DIR* directory = opendir(localRoot.c_str());
    if (directory == nullptr) {
        control.LogF("Could not read local directory %s: %s", localRoot.c_str(),
                     SystemErrorText(errno).c_str());
        ++walkFailures;
        return;
    }
    ExtensionTableScope table(*this, localRoot);
    if (!remote.MakeDir(remoteName)) {
        closedir(directory);
        if (ui != nullptr) ui->ShowMessage("Error Creating Remote Directory\nPossibly a Premissions Problem");
        ++walkFailures;
        status.stopWalk = 1;
        return;
    }
    if (!remote.ChangeDir(remoteName)) {
        // Storing on would put the directory's files into its parent.
        closedir(directory);
        if (!StopWalkIfServerGone())
            control.LogF("Could not enter remote directory %s; nothing stored in it.", remoteName.c_str());
        ++walkFailures;
        return;
    }
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
            control.LogF("Skipped %s: not a regular file.", path.c_str());
            ++walkFailures;
        } else if (files.Upload(name, &path).result != kComplete) {
            ++walkFailures;
        }
        if (status.stopWalk || StopWalkIfServerGone()) break;
    }
    closedir(directory);
    if (!ServerGone(control)) remote.ChangeDir(depth == 0 ? walkWayBack : "..");
}

WalkResult TreeWalker::DownloadTree(const std::string& remoteName, const std::string* localRoot) {
    walkFailures = 0;
    walkDirectories = 0;
    const bool connectedAtStart = control.IsOpen();
    if (localRoot == nullptr && !IsSafeLocalName(remoteName)) {
        status.stopWalk = 0;
        control.LogF("Skipped \"%s\": not a usable local name.", remoteName.c_str());
        ++walkFailures;
        return Result(connectedAtStart);
    }
    // The whole walk decides by the table in force when it starts: the
    // directories it fills are new, so any table in them came from the server.
    ExtensionTableScope table(*this, "");
    WalkStart start(*this, remoteName);
    walkLoops.Clear();
    walkLoops.Enter(remoteName, {"", WalkRootUnique(remoteName)});
    DownloadTreeLevel(
        remoteName, localRoot != nullptr ? *localRoot : SystemTemporaryDirectory() + LocalNameFor(remoteName),
        0);
    walkLoops.Clear();
    return Result(connectedAtStart);
}

void TreeWalker::DownloadTreeLevel(const std::string& remoteName, const std::string& localDir, int depth) {
    status.stopWalk = 0;
    if (WalkTooLarge() || WalkTooDeep(depth, localDir)) {
        ++walkFailures;
        return;
    }
    // An existing directory is left alone, with everything below it.
    if (mkdir(localDir.c_str(), 0777) != 0) {
        ++walkFailures;
        return;
    }
    if (const std::string notice = LocalNameNotice(remoteName, localDir); !notice.empty())
        control.LogF("%s", notice.c_str());
    if (!remote.ChangeDir(remoteName)) {
        // Listing the directory we are still in would copy it into itself.
        control.LogF("Could not enter remote directory %s; skipped.", remoteName.c_str());
        rmdir(localDir.c_str());
        ++walkFailures;
        return;
    }
    // The whole listing is read before any download starts: the levels below
    // list on the same connection.
    if (const auto listing = listings.List(remoteName)) {
        DownloadListedEntries(listing.Value().entries, remoteName, localDir, depth);
    } else {
        // What arrived of a refused or broken listing is not the directory.
        rmdir(localDir.c_str());
        if (!StopWalkIfServerGone())
            control.LogF("Could not list remote directory %s; skipped.", remoteName.c_str());
        ++walkFailures;
    }
    if (!ServerGone(control)) remote.ChangeDir(depth == 0 ? walkWayBack : "..");
}

void TreeWalker::DownloadListedEntries(const std::vector<RemoteEntry>& entries, const std::string& remoteName,
                                      const std::string& localDir, int depth) {
    for (const RemoteEntry& entry : entries) {
        const std::string path = LocalPathFor(localDir, entry.name);
        if (entry.IsLink()) {
            DownloadLinkedEntry(entry, remoteName, localDir, depth);
        } else if (!IsSafeLocalName(entry.name)) {
            control.LogF("Skipped \"%s\" in the listing of %s: not a usable local name.", entry.name.c_str(),
                         remoteName.c_str());
            continue;
        } else if (entry.IsFile()) {
            transfers.SetListedModification(UtcFactText(entry.modified));  // saves an MDTM per file
            transfers.SetListedSize(entry.exactSize && entry.size ? std::to_string(*entry.size) : "");
            if (files.Download(entry.name, &path).result != kComplete) ++walkFailures;
            transfers.SetListedModification("");
            transfers.SetListedSize("");
        } else if (!entry.IsDirectory()) {
            control.LogF("Skipped \"%s\" in the listing of %s: not a file or directory to copy.",
                         entry.name.c_str(), remoteName.c_str());
        } else if (!SkipLinkLeadingBack(remoteName + "/" + entry.name, {"", entry.unique})) {
            // MLSD may show a link as the directory it leads to; its unique
            // fact still tells a directory the walk is inside.
            walkLoops.Enter(remoteName + "/" + entry.name, {"", entry.unique});
            DownloadTreeLevel(entry.name, path, depth + 1);
            walkLoops.Leave();
        }
        if (status.stopWalk || StopWalkIfServerGone()) break;
    }
}
