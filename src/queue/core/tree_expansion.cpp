#include "queue/core/tree_expansion.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "ftp/walk_paths.h"

namespace {

std::string JoinRemotePath(const std::string& directory, const std::string& name) {
    return directory == "/" ? "/" + name : directory + "/" + name;
}

// Makes a local directory, or takes one that is there. Below the root the
// user chose, a link is not taken: it could lead the files out of the tree.
bool MakeLocalDirectory(const std::string& path, bool isRoot, std::string& failure) {
    if (mkdir(path.c_str(), 0777) == 0) return true;
    const int error = errno;
    struct stat info {};
    const int found = isRoot ? stat(path.c_str(), &info) : lstat(path.c_str(), &info);
    if (error == EEXIST && found == 0 && S_ISDIR(info.st_mode)) return true;
    failure = "Could not make " + path + ": " + std::strerror(error);
    return false;
}

bool IsLocalLink(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

}  // namespace

std::optional<std::vector<TransferJob>> TreeExpansion::Expand(const TransferJob& job, std::string& failure) {
    pending = {{job.localPath, job.remotePath, 0}};
    files.clear();
    entries = 0;
    const bool upload = job.direction == TransferDirection::Upload;
    while (!pending.empty()) {
        // Depth first: a directory's files in name order, then its subdirectories.
        const Level level = pending.back();
        pending.pop_back();
        if (session.Control().StopRequested()) {
            failure = "Stopped";
            return std::nullopt;
        }
        if (!(upload ? ExpandUploadLevel(job, level, failure) : ExpandDownloadLevel(job, level, failure))) {
            return std::nullopt;
        }
    }
    return std::move(files);
}

bool TreeExpansion::ExpandUploadLevel(const TransferJob& job, const Level& level, std::string& failure) {
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<fs::directory_entry> children;
    for (fs::directory_iterator it(level.local, error), end; !error && it != end; it.increment(error)) {
        children.push_back(*it);
    }
    if (error) {
        failure = "Could not read " + level.local + ": " + error.message();
        return false;
    }
    if (!MakeRemoteDirectory(level.remote)) {
        failure = "Could not make the remote directory " + level.remote;
        return false;
    }
    std::sort(children.begin(), children.end(),
              [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
    std::vector<Level> deeper;
    for (const fs::directory_entry& child : children) {
        if (!Count(failure)) return false;
        const std::string name = child.path().filename().string();
        const std::string local = child.path().string();
        std::error_code typeError;
        if (child.is_directory(typeError) && !child.is_symlink(typeError)) {
            AddDirectory(level, name, deeper);
        } else if (child.is_regular_file(typeError)) {
            const auto size = child.file_size(typeError);
            AddFile(job, local, JoinRemotePath(level.remote, name),
                    typeError ? -1 : static_cast<std::int64_t>(size));
        } else {
            session.Control().LogF("Skipped %s: not a regular file.", local.c_str());
        }
    }
    Descend(deeper);
    return true;
}

bool TreeExpansion::ExpandDownloadLevel(const TransferJob& job, const Level& level, std::string& failure) {
    std::vector<RemoteEntry> listed;
    if (!ListRemote(level.remote, listed, failure) ||
        !MakeLocalDirectory(level.local, level.depth == 0, failure)) {
        return false;
    }
    std::sort(listed.begin(), listed.end(),
              [](const RemoteEntry& a, const RemoteEntry& b) { return a.name < b.name; });
    std::vector<Level> deeper;
    for (const RemoteEntry& entry : listed) {
        if (!Count(failure)) return false;
        if (entry.IsLink() || !IsSafeLocalName(entry.name)) {
            // A link may lead anywhere on the server, up the tree included.
            session.Control().LogF("Skipped \"%s\" in %s: not a file or directory to copy.",
                                   entry.name.c_str(), level.remote.c_str());
        } else if (entry.IsDirectory()) {
            AddDirectory(level, entry.name, deeper);
        } else if (!entry.IsFile()) {
            session.Control().LogF("Skipped \"%s\" in %s: not a file or directory to copy.", entry.name.c_str(),
                                   level.remote.c_str());
        } else if (const std::string local = LocalPathFor(level.local, entry.name); IsLocalLink(local)) {
            // Downloading over a link would write wherever it points.
            session.Control().LogF("Skipped %s: a link is there.", local.c_str());
        } else {
            AddFile(job, local, JoinRemotePath(level.remote, entry.name), entry.size.value_or(-1));
        }
    }
    Descend(deeper);
    return true;
}

bool TreeExpansion::ListRemote(const std::string& path, std::vector<RemoteEntry>& listed,
                               std::string& failure) {
    if (session.ChangeDir(path) != kComplete) {
        failure = "Could not enter " + path;
        return false;
    }
    Result<Listing> listing = session.Lister().List(path);
    if (listing) {
        listed = std::move(listing.Value().entries);
        return true;
    }
    failure = listing.Failure().category == Error::Category::Cancelled ? "Stopped" : "Could not list " + path;
    return false;
}

// Made here, or there already (entering it proves that).
bool TreeExpansion::MakeRemoteDirectory(const std::string& path) {
    return session.MakeDir(path) == kComplete || session.ChangeDir(path) == kComplete;
}

bool TreeExpansion::Count(std::string& failure) {
    if (++entries <= kMaxEntries) return true;
    failure = "The tree has more than " + std::to_string(kMaxEntries) + " entries";
    return false;
}

void TreeExpansion::AddDirectory(const Level& parent, const std::string& name, std::vector<Level>& deeper) {
    if (parent.depth + 1 > kMaxDepth) {
        session.Control().LogF("Skipped %s: nested too deeply.", JoinLocalPath(parent.local, name).c_str());
        return;
    }
    deeper.push_back(
        {LocalPathFor(parent.local, name), JoinRemotePath(parent.remote, name), parent.depth + 1});
}

// The first subdirectory (by name) is expanded next.
void TreeExpansion::Descend(const std::vector<Level>& deeper) {
    pending.insert(pending.end(), deeper.rbegin(), deeper.rend());
}

void TreeExpansion::AddFile(const TransferJob& job, const std::string& local, const std::string& remote,
                            std::int64_t size) {
    TransferJob file;
    file.direction = job.direction;
    file.site = job.site;
    file.localPath = local;
    file.remotePath = remote;
    file.existing = job.existing;
    file.totalBytes = size;
    files.push_back(std::move(file));
}
